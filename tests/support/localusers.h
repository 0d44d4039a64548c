#pragma once
// A second local user for tests that run as root: someone else who plants
// files or owns a folder the program must not trust.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <pwd.h>
#include <sys/stat.h>
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

// `path` made a folder everyone may write to and no one may empty of
// another's files, as /tmp is: where another user plants links.
inline QString stickyFolder(const QString &path)
{
    QDir().mkpath(path);
    ::chmod(QFile::encodeName(path).constData(), 01777);
    return path;
}

// A symbolic link at `link` leading to `target`, as another user would
// plant it: the second local user's when the tests run as root, else the
// tester's own.
inline bool plantLink(const QString &target, const QString &link)
{
    if (!QFile::link(target, link))
        return false;
    const QString intruder = secondLocalUser();
    if (intruder.isEmpty())
        return true;
    const passwd *account = ::getpwnam(intruder.toLocal8Bit().constData());
    return account && ::lchown(QFile::encodeName(link).constData(), account->pw_uid, account->pw_gid) == 0;
}

// Makes `folder` an ordinary user's, as a developer's build folder is, and
// returns that user's id: this process's own, or when it runs as root the
// id of nobody (65534), for whom root may stand in.
inline uint ordinaryOwnerOf(const QString &folder)
{
    if (::geteuid() != 0)
        return ::geteuid();
    const uint nobody = 65534;
    return ::chown(QFile::encodeName(folder).constData(), nobody, nobody) == 0 ? nobody : 0;
}

} // namespace testsupport
