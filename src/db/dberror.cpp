#include "dberror.h"

#include "firebird.h"

#include <firebird/Interface.h>

namespace db {

DbError::DbError(const QString &message, long errorCode)
    : std::runtime_error(message.toStdString()), m_message(message), m_errorCode(errorCode) {}

bool DbError::isForeignKeyViolation() const noexcept
{
    return m_errorCode == isc_foreign_key;
}

bool DbError::isConcurrentUpdate() const noexcept
{
    return m_errorCode == isc_deadlock || m_errorCode == isc_update_conflict || m_errorCode == isc_lock_conflict;
}

bool DbError::isConnectionLost() const noexcept
{
    switch (m_errorCode) {
    case isc_network_error:
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_lost_db_connection:
    case isc_conn_lost:
    case isc_att_shutdown:
    case isc_shutdown:
        return true;
    default:
        return false;
    }
}

DbError DbError::fromStatus(Firebird::IStatus *status)
{
    char buffer[2048];
    util()->formatStatus(buffer, sizeof buffer, status);
    const ISC_STATUS *vector = status->getErrors();
    long code = (vector && vector[0] == isc_arg_gds) ? static_cast<long>(vector[1]) : 0;
    return DbError(QString::fromUtf8(buffer).trimmed(), code);
}

} // namespace db
