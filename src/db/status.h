#pragma once
// A status vector for the calls of one operation, inside the database
// layer: check() turns a failure into DbError with Firebird's message.

#include "dberror.h"
#include "firebird.h"

#include <firebird/Interface.h>

namespace db {

class Status {
public:
    Status() : m_status(master()->getStatus()), m_wrapper(m_status) {}
    ~Status() { m_status->dispose(); }
    Status(const Status &) = delete;
    Status &operator=(const Status &) = delete;
    Firebird::CheckStatusWrapper *operator&() { return &m_wrapper; }
    bool failed() const { return m_wrapper.getState() & Firebird::IStatus::STATE_ERRORS; }
    void check()
    {
        if (failed())
            throw DbError::fromStatus(&m_wrapper);
    }

private:
    Firebird::IStatus *m_status;
    Firebird::CheckStatusWrapper m_wrapper;
};

} // namespace db
