#pragma once
// Backup and restore through Firebird's service manager: the embedded
// engine's ("service_mgr") for a database file, a server's
// ("host:service_mgr") for a database it serves. The archive is the
// engine's own backup format, the one gbak reads and writes.

#include "database.h"
#include "dberror.h"

#include <QString>

#include <functional>

namespace Firebird { class IService; }

namespace db {

// Raised by a restore whose archive ends before the database is whole:
// gbak then leaves the new database shut down and reports no error. The
// message is for logs; the program tells the user in its own words.
class ArchiveEndsEarly : public DbError {
public:
    ArchiveEndsEarly();
};

// What a running service tells its caller.
struct ServiceProgress {
    // Each line of verbose output, as soon as the engine gives it.
    std::function<void(const QString &line)> line;
    // Called about once a second while the engine works without a word.
    std::function<void()> waiting;
};

// The server part of a database name ("host:" or "host/port:"); empty for
// a file the embedded engine opens.
QString serverOf(const QString &databaseName);
// The path part: the file as the engine that opens it names it.
QString pathOf(const QString &databaseName);

class ServiceManager {
public:
    // Attaches to the service manager of the engine that holds
    // `parameters.database`, as `parameters.user` with its password.
    explicit ServiceManager(const ConnectionParameters &parameters);
    ~ServiceManager();
    ServiceManager(const ServiceManager &) = delete;
    ServiceManager &operator=(const ServiceManager &) = delete;

    // Writes a backup of the connection's database into `backupFile`
    // (a path the engine writes), limbo transactions ignored. Raises
    // DbError with the engine's message when the backup fails.
    void backup(const QString &backupFile, const ServiceProgress &progress);
    // Restores `backupFile` into a new database `database` (a name as
    // Connection takes it, on the same engine), replacing a file of that
    // name and using all the space of its pages. Raises ArchiveEndsEarly
    // for an archive cut short, DbError with the engine's message for any
    // other failure.
    void restore(const QString &backupFile, const QString &database, const ServiceProgress &progress);

private:
    // Starts the action in `startBlock` and reads its output to the end.
    void run(const QByteArray &startBlock, const ServiceProgress &progress);

    ConnectionParameters m_parameters;
    Firebird::IService *m_service = nullptr;
};

// The attachments to the connection's database other than its own, not
// counting the engine's own workers: other copies of the program, a
// server's other clients, tools.
int otherAttachmentCount(Connection &connection);

} // namespace db
