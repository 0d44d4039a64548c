#include "desktopshell.h"

#include <QFileInfo>
#include <QMimeDatabase>
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

// Whether the desktop has a program for the document `path`, asked as
// xdg-open will ask; true when xdg-mime cannot be asked, xdg-open then
// deciding alone. Without this a missing PDF viewer shows as nothing at all:
// xdg-open is started detached and its failure goes unseen.
bool desktopHasProgramFor(const QString &path)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return true;
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QMimeDatabase().mimeTypeForFile(path).name()});
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit) {
        query.kill();
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
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
    if (!web && QFileInfo(argument).isFile() && !desktopHasProgramFor(argument))
        return app::kShellNoProgram;
    return launch({QStringLiteral("xdg-open")}, {argument});
}

} // namespace service
