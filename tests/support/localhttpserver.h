#pragma once
// A small HTTP server on 127.0.0.1 inside the test process, answering from
// a table of paths, for the message feed's downloads. It runs on the
// caller's thread: the feed waits for its downloads in an event loop of its
// own, which serves these sockets too. Besides whole answers it can stay
// silent, drip a byte at a time, send a body without end, or cut a body short.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace testsupport {

class LocalHttpServer : public QObject {
public:
    enum class Kind {
        Whole,     // status, Content-Length and the body
        Silent,    // reads the request and never answers
        Drip,      // headers, then one byte every 50 ms for ever
        Endless,   // headers without a length, then bytes as fast as they go
        CutShort,  // announces twice the body's length, sends the body and closes
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
        const QByteArray status = QByteArray::number(reply.status) + (reply.status == 200 ? " OK" : " Error");
        switch (reply.kind) {
        case Kind::Silent:
            return;
        case Kind::Whole:
            socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
                          + "\r\nConnection: close\r\n\r\n" + reply.body);
            socket->disconnectFromHost();
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

    QTcpServer m_server;
};

} // namespace testsupport
