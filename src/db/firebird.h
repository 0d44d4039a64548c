#pragma once
// Process-wide Firebird set-up: the private configuration folder and the
// master interface. Call configureFirebird before any other database call.

#include <QString>

namespace Firebird { class IMaster; class IProvider; class IUtil; }

namespace db {

// Makes `folder` the engine's configuration root (FIREBIRD) and lock folder
// (FIREBIRD_LOCK): its firebird.conf includes the system one and selects
// SuperClassic, so that several processes using the same folder can share one
// database file embedded and see each other's events. Every process that
// opens the same file must name the same folder. Returns false when the
// folder cannot be prepared.
bool configureFirebird(const QString &folder);

// The default folder: $MIRELO_FIREBIRD_DIR, else the machine's
// /var/lib/Vorlane/Mirelo/firebird when it exists (the package makes it
// beside the machine's data folder), else <temp>/mirelo-firebird.
QString defaultFirebirdFolder();

// Firebird ends every attachment of the process when it gets SIGINT or
// SIGTERM. Once this is called it asks `onSignal` instead (on a thread of
// its own; the function must only hand the request on) and keeps the
// attachments, so that the program can close them in order.
void takeOverShutdownSignals(void (*onSignal)());

Firebird::IMaster *master();
Firebird::IProvider *provider();
Firebird::IUtil *util();

} // namespace db
