#include "firebird.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <firebird/Interface.h>
#include <ibase.h>

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

const char *const kSystemConfig = "/etc/firebird/3.0/firebird.conf";
const char *const kMachineLocks = "/var/lib/Vorlane/Mirelo/firebird";
const char *const kPackageConfiguration = "/opt/Vorlane/Mirelo/firebird";

// SuperClassic lets several embedded processes open one file; they meet
// through the lock files.
QByteArray wantedConfiguration()
{
    return QByteArray("include ") + kSystemConfig + "\nServerMode = SuperClassic\n";
}

QString intlLinkTarget() { return QStringLiteral(FIREBIRD_INTL_DIR); }

bool trustedOwner(uid_t owner) { return owner == 0 || owner == ::geteuid(); }

EngineFolderCheck fault(EngineFolderFault kind, const QString &path)
{
    EngineFolderCheck check;
    check.fault = kind;
    check.path = path;
    return check;
}

EngineFolderCheck cannotPrepare(const QString &path, int error)
{
    EngineFolderCheck check = fault(EngineFolderFault::CannotPrepare, path);
    check.error = error;
    return check;
}

EngineFolderCheck openToOthers(const QString &path, mode_t mode)
{
    EngineFolderCheck check = fault(EngineFolderFault::OpenToOthers, path);
    check.mode = mode & 07777;
    return check;
}

EngineFolderCheck notOwned(const QString &path, uid_t owner)
{
    EngineFolderCheck check = fault(EngineFolderFault::NotOwned, path);
    check.owner = owner;
    return check;
}

bool statOf(const QString &path, struct stat &info) { return ::lstat(QFile::encodeName(path).constData(), &info) == 0; }

// Root or this user owns `path` (not following a link) and, unless it is a
// link, no one else may write to it.
EngineFolderCheck checkOwnerAndMode(const QString &path)
{
    struct stat info;
    if (!statOf(path, info))
        return cannotPrepare(path, errno);
    if (!trustedOwner(info.st_uid))
        return notOwned(path, info.st_uid);
    if (!S_ISLNK(info.st_mode) && (info.st_mode & (S_IWGRP | S_IWOTH)))
        return openToOthers(path, info.st_mode);
    return {};
}

// No folder above `folder` lets anyone but root and this user rename or
// replace it: each is theirs, and open to others only with the sticky bit.
EngineFolderCheck checkFoldersAbove(const QString &folder)
{
    QString current = QFileInfo(folder).absolutePath();
    for (;;) {
        struct stat info;
        if (!statOf(current, info))
            return cannotPrepare(current, errno);
        if (!trustedOwner(info.st_uid) || ((info.st_mode & (S_IWGRP | S_IWOTH)) && !(info.st_mode & S_ISVTX)))
            return fault(EngineFolderFault::OpenFolderAbove, current);
        if (current == QLatin1String("/"))
            return {};
        current = QFileInfo(current).absolutePath();
    }
}

// The folder itself, where links lead: the folders above are checked as
// they really are.
QString realPath(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QFileInfo(path).absoluteFilePath() : real;
}

EngineFolderCheck checkFolder(const QString &folder)
{
    EngineFolderCheck check = checkFoldersAbove(folder);
    if (check)
        check = checkOwnerAndMode(folder);
    return check;
}

EngineFolderCheck checkIntlLink(const QString &folder)
{
    const QString intl = folder + QStringLiteral("/intl");
    EngineFolderCheck check = checkOwnerAndMode(intl);
    if (!check)
        return check;
    const QString target = QFile::symLinkTarget(intl);
    if (target != intlLinkTarget()) {
        check = fault(EngineFolderFault::WrongIntlLink, intl);
        check.target = target.isEmpty() ? intl : target;
    }
    return check;
}

// The package's configuration: root's, only read.
EngineFolderCheck checkConfiguration(const QString &folder)
{
    const QString real = realPath(folder);
    EngineFolderCheck check = checkFolder(real);
    if (check)
        check = checkOwnerAndMode(real + QStringLiteral("/firebird.conf"));
    if (check)
        check = checkIntlLink(real);
    return check;
}

// The folder as it is, once no folder above it lets others replace it.
EngineFolderCheck statFolder(const QString &real, struct stat &info)
{
    EngineFolderCheck check = checkFoldersAbove(real);
    if (check && !statOf(real, info))
        check = cannotPrepare(real, errno);
    return check;
}

EngineFolderCheck writeConfiguration(const QString &folder)
{
    const QString path = folder + QStringLiteral("/firebird.conf");
    const QByteArray wanted = wantedConfiguration();
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == wanted)
        return {};
    QSaveFile conf(path);
    if (!conf.open(QIODevice::WriteOnly) || conf.write(wanted) != wanted.size() || !conf.commit())
        return cannotPrepare(path, errno ? errno : EIO);
    return {};
}

// The character sets the database uses live in the engine's intl library,
// which it seeks as <root>/intl: without the link every attachment tries
// and logs the failure many times over.
EngineFolderCheck linkIntl(const QString &folder)
{
    const QString intl = folder + QStringLiteral("/intl");
    if (QFile::symLinkTarget(intl) == intlLinkTarget())
        return {};
    QFile::remove(intl);
    if (!QFile::link(intlLinkTarget(), intl))
        return cannotPrepare(intl, errno ? errno : EACCES);
    return {};
}

// A folder of the user's own: made private when missing, its firebird.conf
// and intl link written when they are not what the engine needs.
EngineFolderCheck prepareOwnFolder(const QString &folder)
{
    const QString real = realPath(folder);
    if (!QFileInfo(real).isDir()) {
        if (!QDir().mkpath(QFileInfo(real).absolutePath()))
            return cannotPrepare(QFileInfo(real).absolutePath(), errno ? errno : EACCES);
        if (::mkdir(QFile::encodeName(real).constData(), 0700) != 0 && errno != EEXIST)
            return cannotPrepare(real, errno);
    }
    struct stat info;
    if (EngineFolderCheck check = statFolder(real, info); !check)
        return check;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return notOwned(real, info.st_uid);
    // Open to others, someone else may have put what the engine reads into
    // it; readable only, it is still the user's alone once closed.
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return openToOthers(real, info.st_mode);
    if ((info.st_mode & 077) && ::chmod(QFile::encodeName(real).constData(), 0700) != 0)
        return cannotPrepare(real, errno);
    EngineFolderCheck check = writeConfiguration(real);
    if (check)
        check = linkIntl(real);
    return check;
}

// The group's lock folder: root's, open to the group only with the sticky
// bit, so that no member can replace another's lock files; and nothing in
// it but lock files, so that no member's link leads another's engine to
// write over a file of theirs.
EngineFolderCheck checkSharedLocks(const QString &folder)
{
    const QString real = realPath(folder);
    struct stat info;
    if (EngineFolderCheck check = statFolder(real, info); !check)
        return check;
    if (!S_ISDIR(info.st_mode) || !trustedOwner(info.st_uid))
        return notOwned(real, info.st_uid);
    if ((info.st_mode & S_IWOTH) || ((info.st_mode & S_IWGRP) && !(info.st_mode & S_ISVTX)))
        return openToOthers(real, info.st_mode);
    for (const QFileInfo &entry : QDir(real).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden
                                                           | QDir::NoDotAndDotDot)) {
        struct stat item;
        if (statOf(entry.filePath(), item) && !S_ISREG(item.st_mode))
            return fault(EngineFolderFault::NotALockFile, entry.filePath());
    }
    return {};
}

QString userRuntimeFolder()
{
    QString folder = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (folder.isEmpty())
        folder = QStringLiteral("/run/user/%1").arg(::geteuid());
    struct stat info;
    const bool usable = statOf(folder, info) && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
                        && !(info.st_mode & 077);
    return usable ? folder : QString();
}

QString userCacheFolder()
{
    const QString cache = QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME"));
    return cache.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache") : cache;
}

} // namespace

namespace {

void (*signalHandler)() = nullptr;

int confirmShutdown(const int reason, const int, void *)
{
    if (reason != fb_shutrsn_signal || !signalHandler)
        return 0;
    signalHandler();
    return 1;  // not now: the program closes its attachments itself
}

} // namespace

void takeOverShutdownSignals(void (*onSignal)())
{
    signalHandler = onSignal;
    ISC_STATUS_ARRAY status = {};
    fb_shutdown_callback(status, confirmShutdown, fb_shut_confirmation, nullptr);
}

EngineFolders defaultEngineFolders()
{
    const QByteArray own = qgetenv("MIRELO_FIREBIRD_DIR");
    if (!own.isEmpty()) {
        const QString folder = QString::fromLocal8Bit(own);
        return {folder, folder, true};
    }
    // Where the package made the machine's data folder, every copy on the
    // machine opens the one database there: all meet in the group's lock
    // folder, and read the configuration only root can change.
    if (QFileInfo(QString::fromLatin1(kMachineLocks)).isDir())
        return {QString::fromLatin1(kPackageConfiguration), QString::fromLatin1(kMachineLocks), false};
    const QString runtime = userRuntimeFolder();
    const QString folder = runtime.isEmpty() ? userCacheFolder() + QStringLiteral("/Vorlane/Mirelo/firebird")
                                             : runtime + QStringLiteral("/mirelo-firebird");
    return {folder, folder, true};
}

EngineFolderCheck configureFirebird(const QString &folder) { return configureFirebird({folder, folder, true}); }

EngineFolderCheck prepareEngineFolders(const EngineFolders &folders)
{
    EngineFolderCheck check = folders.own ? prepareOwnFolder(folders.configuration)
                                          : checkConfiguration(folders.configuration);
    if (check && folders.locks != folders.configuration)
        check = checkSharedLocks(folders.locks);
    return check;
}

EngineFolderCheck configureFirebird(const EngineFolders &folders)
{
    const EngineFolderCheck check = prepareEngineFolders(folders);
    if (!check)
        return check;
    ::setenv("FIREBIRD", QFile::encodeName(folders.configuration).constData(), 1);
    ::setenv("FIREBIRD_LOCK", QFile::encodeName(folders.locks).constData(), 1);
    return check;
}

Firebird::IMaster *master()
{
    static Firebird::IMaster *instance = Firebird::fb_get_master_interface();
    return instance;
}

Firebird::IProvider *provider()
{
    static Firebird::IProvider *instance = master()->getDispatcher();
    return instance;
}

Firebird::IUtil *util()
{
    return master()->getUtilInterface();
}

} // namespace db
