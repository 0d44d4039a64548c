#pragma once
// Process-wide Firebird set-up: the engine's configuration and lock folders
// and the master interface. Call configureFirebird before any other
// database call.

#include <QString>

namespace Firebird { class IMaster; class IProvider; class IUtil; }

namespace db {

// Where the embedded engine reads its configuration and where it keeps its
// lock files. The configuration folder holds firebird.conf and the link to
// the engine's character-set library (intl): what the engine reads and the
// code it loads, so only root or the user alone may be able to change it.
// The lock files are where every process that opens one database meets:
// every such process must name the same lock folder.
struct EngineFolders {
    QString configuration;
    QString locks;
    // The program makes and mends the folder itself, private to the user
    // (0700). Otherwise the folders are the package's: only checked.
    bool own = true;
};

// $MIRELO_FIREBIRD_DIR (both folders, the caller's own); else, where the
// package is installed, its configuration in /opt/Vorlane/Mirelo/firebird
// and the group's lock folder /var/lib/Vorlane/Mirelo/firebird; else a
// folder private to the user: <runtime folder>/mirelo-firebird
// ($XDG_RUNTIME_DIR, or /run/user/<uid> when it is the user's), else
// <cache folder>/Vorlane/Mirelo/firebird.
EngineFolders defaultEngineFolders();

enum class EngineFolderFault {
    None,
    CannotPrepare,    // a folder or file could not be made or written (`error`)
    NotOwned,         // it belongs to someone else than root and this user (`owner`)
    OpenToOthers,     // others may write to it (`mode`)
    OpenFolderAbove,  // a folder above it lets others replace it (`path` is that folder)
    NotALockFile,     // the shared lock folder holds a link or a folder
    WrongIntlLink,    // intl leads elsewhere than the engine's own library
};

struct EngineFolderCheck {
    EngineFolderFault fault = EngineFolderFault::None;
    QString path = {};    // what is wrong
    int error = 0;        // errno, for CannotPrepare
    uint owner = 0;       // for NotOwned
    uint mode = 0;        // permission bits, for OpenToOthers
    QString target = {};  // where intl leads, for WrongIntlLink
    explicit operator bool() const { return fault == EngineFolderFault::None; }
};

// Makes an own configuration folder (0700, with firebird.conf selecting
// SuperClassic and the intl link) and checks that no one but root or this
// user can change what the engine reads or where it meets the others.
// SuperClassic lets several processes share one database file embedded and
// see each other's events.
EngineFolderCheck prepareEngineFolders(const EngineFolders &folders);

// Prepares the folders and only then points the engine at them (FIREBIRD,
// FIREBIRD_LOCK, which the processes it starts inherit). Call it before any
// other database call.
EngineFolderCheck configureFirebird(const EngineFolders &folders);
// One own folder for both.
EngineFolderCheck configureFirebird(const QString &folder);

// Firebird ends every attachment of the process when it gets SIGINT or
// SIGTERM. Once this is called it asks `onSignal` instead (on a thread of
// its own; the function must only hand the request on) and keeps the
// attachments, so that the program can close them in order.
void takeOverShutdownSignals(void (*onSignal)());

Firebird::IMaster *master();
Firebird::IProvider *provider();
Firebird::IUtil *util();

} // namespace db
