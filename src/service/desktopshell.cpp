#include "desktopshell.h"

#include <QFileInfo>
#include <QProcess>
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

int DesktopShell::request(const QString &target, app::ShellVerb verb, app::WindowState)
{
    // Neither xdg-open nor LibreOffice can be told the window's state; the
    // desktop places the window as the user last left it.
    const QString argument = app::shellArgument(target);
    if (argument.isEmpty())
        return app::kShellFileNotFound;
    const bool web = app::isWebAddress(argument);
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
