#pragma once
// Runs the built mirelo-rtf, as a script would.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace printtests {

inline const QString Tool = QStringLiteral(MIRELO_RTF);

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolResult RunTool(const QStringList &arguments)
{
    QProcess process;
    process.start(Tool, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

} // namespace printtests
