#pragma once
// The one exception the database layer raises: Firebird's own message text
// plus its primary error code, so callers can tell a refused delete from a
// lost connection when they need to.

#include <stdexcept>

#include <QString>

namespace Firebird { class IStatus; }

namespace db {

class DbError : public std::runtime_error {
public:
    DbError(const QString &message, long errorCode = 0);
    const QString &message() const noexcept { return m_message; }
    // Firebird's primary gds code (isc_foreign_key, isc_network_error, ...); 0 when not from Firebird.
    long errorCode() const noexcept { return m_errorCode; }
    bool isForeignKeyViolation() const noexcept;
    // Another transaction changed or locked the same row first.
    bool isConcurrentUpdate() const noexcept;
    // The server or the network went away: the attachment is dead and only
    // a new one can go on.
    bool isConnectionLost() const noexcept;

    // Builds the error from a failed status vector.
    static DbError fromStatus(Firebird::IStatus *status);

private:
    QString m_message;
    long m_errorCode;
};

} // namespace db
