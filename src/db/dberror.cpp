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

DbError DbError::fromStatus(Firebird::IStatus *status)
{
    char buffer[2048];
    util()->formatStatus(buffer, sizeof buffer, status);
    const ISC_STATUS *vector = status->getErrors();
    long code = (vector && vector[0] == isc_arg_gds) ? static_cast<long>(vector[1]) : 0;
    return DbError(QString::fromUtf8(buffer).trimmed(), code);
}

} // namespace db
