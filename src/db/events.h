#pragma once
// Database event notification delivered on the thread that asked for it.
// Firebird calls back on a thread of its own; the listener hands each call
// to its own thread through Qt's event queue and emits posted() there.

#include <QObject>
#include <QString>

namespace db {

class Connection;
class EventCallback;

class EventListener : public QObject {
    Q_OBJECT
public:
    // Listens for `name` on `connection` until destroyed or stop() is called.
    // The listener must live on the thread that should receive the signal,
    // and the connection must outlive it (or stop() be called first).
    EventListener(Connection &connection, const QString &name, QObject *parent = nullptr);
    ~EventListener() override;

    void start();
    void stop() noexcept;
    // Whether the count so far has come back since start(): from then on
    // every commit is reported.
    bool counting() const;

signals:
    // The event was posted (committed) once or more since the last signal.
    void posted(int count);

private:
    friend class EventCallback;
    void deliver(unsigned length, const QByteArray &counts);  // on our thread
    void queue();

    Connection &m_connection;
    QByteArray m_name;
    EventCallback *m_callback = nullptr;
};

} // namespace db
