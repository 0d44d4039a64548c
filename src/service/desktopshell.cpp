#include "desktopshell.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace service {

namespace {

// A successful request; any value above 32 would do.
constexpr int kStarted = 42;

// Starts `program` with `arguments` and returns at once; its output goes
// nowhere, so that nothing it prints reaches the program's terminal.
bool startDetached(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

int launch(const QStringList &candidates, const QStringList &arguments)
{
    for (const QString &name : candidates) {
        const QString program = QStandardPaths::findExecutable(name);
        if (!program.isEmpty())
            return startDetached(program, arguments) ? kStarted : app::kShellNoProgram;
    }
    return app::kShellNoProgram;
}

} // namespace

bool isWebAddress(const QString &target)
{
    // Two letters at least before the colon, so that "C:" stays a path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

QString shellArgument(const QString &target)
{
    QString text = target.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    if (text.isEmpty() || isWebAddress(text))
        return text;
    return QFileInfo(text).absoluteFilePath();
}

int DesktopShell::request(const QString &target, app::ShellVerb verb, app::WindowState)
{
    // Neither xdg-open nor LibreOffice can be told the window's state; the
    // desktop places the window as the user last left it.
    const QString argument = shellArgument(target);
    if (argument.isEmpty())
        return app::kShellFileNotFound;
    const bool web = isWebAddress(argument);
    if (!web && !QFileInfo::exists(argument))
        return app::kShellFileNotFound;
    if (verb == app::ShellVerb::Print) {
        if (web || QFileInfo(argument).isDir())
            return app::kShellNoProgram;
        return launch({QStringLiteral("soffice"), QStringLiteral("libreoffice")},
                      {QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("-p"), argument});
    }
    return launch({QStringLiteral("xdg-open")}, {argument});
}

} // namespace service
