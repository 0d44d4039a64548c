#include "events.h"

#include "database.h"
#include "dberror.h"
#include "firebird.h"

#include <firebird/Interface.h>

#include <QMetaObject>

#include <atomic>
#include <cstring>
#include <mutex>

namespace db {

// Lives as long as Firebird holds a reference; forwards each call to the
// listener while the listener is attached, and drops it afterwards.
class EventCallback final : public Firebird::IEventCallbackImpl<EventCallback, Firebird::CheckStatusWrapper> {
public:
    explicit EventCallback(EventListener *listener, const QByteArray &name) : m_listener(listener)
    {
        m_length = static_cast<unsigned>(isc_event_block(&m_buffer, &m_result, 1, name.constData()));
    }

    void eventCallbackFunction(unsigned length, const ISC_UCHAR *data) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_listener)
            return;
        // A remote attachment also calls back with nothing after a release.
        QByteArray counts;
        if (length && data)
            counts = QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(std::min(length, m_length)));
        EventListener *listener = m_listener;
        QMetaObject::invokeMethod(listener, [listener, length, counts] { listener->deliver(length, counts); },
                                  Qt::QueuedConnection);
    }

    void detach()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_listener = nullptr;
    }

    // Applies new counts to the block and returns how many events they add.
    unsigned absorb(const QByteArray &counts)
    {
        std::memcpy(m_result, counts.constData(), static_cast<size_t>(counts.size()));
        ISC_ULONG vector[20] = {};
        isc_event_counts(vector, static_cast<short>(m_length), m_buffer, m_result);
        return vector[0];
    }

    void addRef() override { ++m_references; }
    int release() override
    {
        if (--m_references == 0) {
            delete this;
            return 0;
        }
        return 1;
    }

    unsigned length() const { return m_length; }
    unsigned char *buffer() const { return m_buffer; }

    Firebird::IEvents *events = nullptr;
    bool first = true;

private:
    ~EventCallback() override
    {
        isc_free(reinterpret_cast<char *>(m_buffer));
        isc_free(reinterpret_cast<char *>(m_result));
    }

    std::mutex m_mutex;
    EventListener *m_listener;
    std::atomic<int> m_references{0};
    unsigned m_length = 0;
    unsigned char *m_buffer = nullptr;
    unsigned char *m_result = nullptr;
};

EventListener::EventListener(Connection &connection, const QString &name, QObject *parent)
    : QObject(parent), m_connection(connection), m_name(name.toUtf8())
{
}

EventListener::~EventListener() { stop(); }

void EventListener::start()
{
    if (m_callback)
        return;
    m_callback = new EventCallback(this, m_name);
    m_callback->addRef();
    try {
        queue();
    } catch (...) {
        stop();
        throw;
    }
}

void EventListener::queue()
{
    Firebird::IStatus *raw = master()->getStatus();
    Firebird::CheckStatusWrapper status(raw);
    Firebird::IEvents *events = m_connection.attachment()->queEvents(&status, m_callback, m_callback->length(),
                                                                     m_callback->buffer());
    const bool failed = status.getState() & Firebird::IStatus::STATE_ERRORS;
    DbError error = failed ? DbError::fromStatus(&status) : DbError(QString());
    raw->dispose();
    if (failed)
        throw error;
    m_callback->events = events;
}

bool EventListener::counting() const { return m_callback && !m_callback->first; }

void EventListener::stop() noexcept
{
    if (!m_callback)
        return;
    m_callback->detach();
    if (m_callback->events) {
        Firebird::IStatus *raw = master()->getStatus();
        Firebird::CheckStatusWrapper status(raw);
        if (m_connection.isOpen())
            m_callback->events->cancel(&status);
        m_callback->events->release();
        raw->dispose();
        m_callback->events = nullptr;
    }
    m_callback->release();
    m_callback = nullptr;
}

void EventListener::deliver(unsigned length, const QByteArray &counts)
{
    if (!m_callback || length == 0 || counts.isEmpty())
        return;
    const unsigned added = m_callback->absorb(counts);
    const bool initial = m_callback->first;
    m_callback->first = false;
    // Each notification is one-shot: ask again for the next one.
    if (m_callback->events) {
        m_callback->events->release();
        m_callback->events = nullptr;
    }
    if (!m_connection.isOpen())
        return;
    try {
        queue();
    } catch (const DbError &) {
        // The connection is gone; whoever owns it reports that.
        stop();
        return;
    }
    // The first call after queueing reports the count so far, not a change.
    if (!initial && added > 0)
        emit posted(static_cast<int>(added));
}

} // namespace db
