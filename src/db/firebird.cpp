#include "firebird.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <firebird/Interface.h>
#include <ibase.h>

#include <cstdlib>

namespace db {

namespace {
const char *const kSystemConfig = "/etc/firebird/3.0/firebird.conf";
const char *const kMachineFolder = "/var/lib/Vorlane/Mirelo/firebird";
}

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

QString defaultFirebirdFolder()
{
    const QByteArray own = qgetenv("MIRELO_FIREBIRD_DIR");
    if (!own.isEmpty())
        return QString::fromLocal8Bit(own);
    // Where the package made the machine's data folder, every copy on the
    // machine opens the one database there: all must meet in one folder.
    if (QFileInfo(QString::fromLatin1(kMachineFolder)).isDir())
        return QString::fromLatin1(kMachineFolder);
    return QDir::tempPath() + QStringLiteral("/mirelo-firebird");
}

bool configureFirebird(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    // SuperClassic lets several embedded processes open one file; they meet
    // through the lock files in the same folder.
    const QByteArray wanted = QByteArray("include ") + kSystemConfig + "\nServerMode = SuperClassic\n";
    const QString confPath = folder + QStringLiteral("/firebird.conf");
    QFile existing(confPath);
    if (!existing.open(QIODevice::ReadOnly) || existing.readAll() != wanted) {
        QSaveFile conf(confPath);
        if (!conf.open(QIODevice::WriteOnly) || conf.write(wanted) != wanted.size() || !conf.commit())
            return false;
    }
    // The character sets the database uses (WIN1250) live in the engine's
    // intl library, which it seeks as <root>/intl: without the link every
    // attachment tries and logs the failure many times over.
    const QString intl = folder + QStringLiteral("/intl");
    if (!QFileInfo(intl).exists())
        QFile::link(QStringLiteral(FIREBIRD_INTL_DIR), intl);
    const QByteArray native = QFile::encodeName(folder);
    ::setenv("FIREBIRD", native.constData(), 1);
    ::setenv("FIREBIRD_LOCK", native.constData(), 1);
    return true;
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
