#pragma once
// A second local user for tests that run as root: someone else who plants
// files or owns a folder the program must not trust.

#include <QProcess>
#include <QString>

#include <unistd.h>

namespace testsupport {

// The name of a local user other than root, made with useradd the first
// time; empty when the test does not run as root (only root can make one).
inline QString secondLocalUser()
{
    static const QString name = [] {
        const QString user = QStringLiteral("mirelo-intruz");
        if (::geteuid() != 0)
            return QString();
        QProcess id;
        id.setStandardOutputFile(QProcess::nullDevice());
        id.setStandardErrorFile(QProcess::nullDevice());
        id.start(QStringLiteral("id"), {QStringLiteral("-u"), user});
        if (!id.waitForFinished() || id.exitCode() != 0)
            QProcess::execute(QStringLiteral("useradd"),
                              {QStringLiteral("--system"), QStringLiteral("--no-create-home"), user});
        return user;
    }();
    return name;
}

} // namespace testsupport
