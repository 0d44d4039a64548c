#pragma once
// A small HTTP server on 127.0.0.1 inside the test process, answering from
// a table of paths, for the message feed's downloads. It runs on the
// caller's thread, served by the same event loop as the feed's downloads.
// Besides whole answers it can stay silent, hold its answer until told,
// drip a byte at a time, send a body without end, or cut a body short.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <utility>

namespace testsupport {

class LocalHttpServer : public QObject {
public:
    enum class Kind {
        Whole,     // status, Content-Length and the body
        Silent,    // reads the request and never answers
        Drip,      // headers, then one byte every 50 ms for ever
        Endless,   // headers without a length, then bytes as fast as they go
        CutShort,  // announces twice the body's length, sends the body and closes
        Held,      // answers as Whole only when `releaseHeld` is called
    };
    struct Reply {
        QByteArray body;
        int status = 200;
        Kind kind = Kind::Whole;
    };

    LocalHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                accept(socket);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    // "http://127.0.0.1:PORT"
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    bool isListening() const { return m_server.isListening(); }

    // Paths not in the table answer 404.
    void serve(const QString &path, const QByteArray &body) { replies[path] = Reply{body}; }
    void serve(const QString &path, Kind kind, const QByteArray &body = {}) { replies[path] = Reply{body, 200, kind}; }

    // Answers the requests held so far, on connections still open; false
    // when there were none.
    bool releaseHeld()
    {
        const QList<HeldAnswer> held = std::exchange(m_held, {});
        for (const auto &[socket, reply] : held)
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                sendWhole(socket, reply);
        return !held.isEmpty();
    }

    // Connections that asked and are still open.
    int openConnections() const
    {
        int open = 0;
        for (const QTcpSocket *socket : findChildren<QTcpSocket *>())
            open += socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
        return open;
    }

    QHash<QString, Reply> replies;
    QStringList requests;  // the paths asked for, as sent (percent-encoded), in order

private:
    void accept(QTcpSocket *socket)
    {
        socket->setParent(this);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            const bool complete = request->contains("\r\n\r\n");
            *request += socket->readAll();
            if (!complete && request->contains("\r\n\r\n"))
                answer(socket, request->split(' ').value(1));
        });
    }

    void answer(QTcpSocket *socket, const QByteArray &target)
    {
        requests.append(QString::fromUtf8(target));
        const auto found = replies.constFind(QUrl::fromPercentEncoding(target));
        const Reply reply = found != replies.cend() ? *found : Reply{"not found", 404};
        switch (reply.kind) {
        case Kind::Silent:
            return;
        case Kind::Held:
            m_held.append({socket, reply});
            return;
        case Kind::Whole:
            sendWhole(socket, reply);
            return;
        case Kind::CutShort:
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(2 * reply.body.size())
                          + "\r\nConnection: close\r\n\r\n" + reply.body);
            socket->disconnectFromHost();
            return;
        case Kind::Drip: {
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            auto *timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            timer->start(50);
            return;
        }
        case Kind::Endless: {
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            const QByteArray chunk(64 * 1024, 'x');
            const auto more = [socket, chunk] {
                if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * chunk.size())
                    socket->write(chunk);
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            return;
        }
        }
    }

    static void sendWhole(QTcpSocket *socket, const Reply &reply)
    {
        const QByteArray status = QByteArray::number(reply.status) + (reply.status == 200 ? " OK" : " Error");
        socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
                      + "\r\nConnection: close\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    using HeldAnswer = std::pair<QPointer<QTcpSocket>, Reply>;
    QList<HeldAnswer> m_held;
};

} // namespace testsupport
