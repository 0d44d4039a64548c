#include "testserver.h"

#include "database.h"
#include "dberror.h"
#include "testdatabase.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QThread>
#include <QTcpServer>

#include <fstream>
#include <sstream>
#include <string>

#include <firebird/Interface.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace testsupport {

namespace {
const QString kServerProgram = QStringLiteral("/usr/sbin/firebird");
const QString kSystemSecurity = QStringLiteral("/var/lib/firebird/3.0/system/security3.fdb");
const QString kProgramPassword = QStringLiteral("quorbelin");

// A port below the range the kernel hands out for listen(0) and for
// outgoing connections: another process gets it only by asking for it, so
// it stays free between this probe and the server's bind unless another
// test server happens on the same one (which startOn notices).
int candidatePort()
{
    int low = 32768;
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    range >> low;
    const int first = std::max(1024, low - 8192);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int port = first + int(QRandomGenerator::global()->bounded(quint32(low - first)));
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, quint16(port)))
            return port;
    }
    return 0;
}

// The socket inodes listening on `port`, on any local address.
QList<quint64> listeningSockets(int port)
{
    QList<quint64> inodes;
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // the heading
        while (std::getline(in, line)) {
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
            std::istringstream fields(line);
            std::string sl, local, remote, state, queues, timer, retransmits, uid, timeout;
            quint64 inode = 0;
            fields >> sl >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
            const auto colon = local.rfind(':');
            if (state != "0A" || colon == std::string::npos)  // 0A: LISTEN
                continue;
            if (std::stoi(local.substr(colon + 1), nullptr, 16) == port)
                inodes.append(inode);
        }
    }
    return inodes;
}

bool processOwnsSocket(qint64 pid, quint64 inode)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    const QByteArray wanted = "socket:[" + QByteArray::number(inode) + "]";
    for (const QString &fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
        char target[64];
        const QByteArray path = QFile::encodeName(fds + QLatin1Char('/') + fd);
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length > 0 && QByteArray(target, int(length)) == wanted)
            return true;
    }
    return false;
}

// Waits until no engine holds `path` open: this process's embedded engine
// may close a database a moment after its last detach, and a server that
// then finds the file in use refuses every login as an unknown user. False
// when it is still held after `seconds`.
bool waitUntilReleased(const QString &path, int seconds)
{
    const QByteArray name = QFile::encodeName(path);
    const QDeadlineTimer deadline(seconds * 1000);
    for (;;) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        if (free)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}
} // namespace

bool TestServer::installed() { return QFileInfo(kServerProgram).isExecutable(); }

TestServer::TestServer() { m_running = start(); }

TestServer::~TestServer() { stop(); }

// The server catches SIGTERM and its shutdown often hangs; what it serves
// here is thrown away, so it is killed.
void TestServer::stop()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished(10000);
    }
}

void TestServer::kill()
{
    stop();
    m_running = false;
}

bool TestServer::startAgain()
{
    // A listener left by a client's closing connection may hold the port
    // for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        switch (startOn(m_port)) {
        case Listening::Yes:
            m_running = acceptsAttachments();
            return m_running;
        case Listening::PortTaken:
            QThread::msleep(100);
            continue;
        case Listening::Failed:
            return false;
        }
    }
    return false;
}

bool TestServer::start()
{
    if (!installed()) {
        m_reason = QStringLiteral("no Firebird server on this machine");
        return false;
    }
    TestDatabase engine;  // configures this process's embedded engine
    const QString security = m_dir.filePath(QStringLiteral("security3.fdb"));
    if (!createSecurityDatabase(security))
        return false;
    newDatabase(QStringLiteral("probe.fdb"));

    // A port that another test's server took between the probe and the
    // bind shows as someone else's listener: try another.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int port = candidatePort();
        if (port == 0) {
            m_reason = QStringLiteral("no free port on 127.0.0.1");
            return false;
        }
        switch (startOn(port)) {
        case Listening::Yes:
            return acceptsAttachments();
        case Listening::PortTaken:
            continue;
        case Listening::Failed:
            return false;
        }
    }
    m_reason = QStringLiteral("every port tried was taken before the server bound it");
    return false;
}

// A copy of the system's security database (the server package makes it)
// with the program's password for sysdba.
bool TestServer::createSecurityDatabase(const QString &path)
{
    if (!QFile::copy(kSystemSecurity, path)) {
        m_reason = QStringLiteral("cannot copy %1").arg(kSystemSecurity);
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    try {
        db::Connection connection;
        // The user goes into this very file: without the setting it would
        // go into the security database the system's configuration names,
        // changing the machine's own server's administrator.
        connection.open({path, QStringLiteral("sysdba"), QString(), QStringLiteral("SecurityDatabase = ") + path});
        db::Transaction transaction(connection);
        transaction.start();
        db::Statement(transaction, QStringLiteral("create or alter user SYSDBA password '%1'").arg(kProgramPassword))
            .execute();
        transaction.commit();
    } catch (const db::DbError &error) {
        m_reason = QStringLiteral("the security database: ") + error.message();
        return false;
    }
    if (!waitUntilReleased(path, 60)) {
        m_reason = QStringLiteral("the security database stayed in use after it was made");
        return false;
    }
    m_password = kProgramPassword;
    return true;
}

TestServer::Listening TestServer::startOn(int port)
{
    m_port = port;
    QFile conf(m_dir.filePath(QStringLiteral("firebird.conf")));
    if (!conf.open(QIODevice::WriteOnly)) {
        m_reason = conf.errorString();
        return Listening::Failed;
    }
    // The first setting of a name wins: ours come before the system's, whose
    // "RemoteBindAddress = localhost" ends the server where no hosts file
    // names localhost (a fresh minimal system).
    conf.write(QStringLiteral("ServerMode = Super\n"
                              "RemoteServicePort = %1\n"
                              "RemoteBindAddress = 127.0.0.1\n"
                              "SecurityDatabase = %2\n"
                              "include /etc/firebird/3.0/firebird.conf\n")
                   .arg(port)
                   .arg(m_dir.filePath(QStringLiteral("security3.fdb")))
                   .toUtf8());
    conf.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FIREBIRD"), m_dir.path());
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), m_dir.filePath(QStringLiteral("lock")));
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(kServerProgram, {});
    if (!m_server.waitForStarted(10000)) {
        m_reason = QStringLiteral("the server did not start: ") + m_server.errorString();
        return Listening::Failed;
    }

    // A server that cannot bind its port keeps running without listening,
    // and a client that reaches another program's listener waits minutes
    // for an answer: only a listener of this very process will do. Without
    // an event loop only waitForFinished notices that the process ended.
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        const QList<quint64> listeners = listeningSockets(port);
        for (const quint64 inode : listeners) {
            if (processOwnsSocket(m_server.processId(), inode))
                return Listening::Yes;
        }
        if (!listeners.isEmpty()) {
            stop();
            return Listening::PortTaken;
        }
        if (m_server.waitForFinished(50)) {
            m_reason = QStringLiteral("the server ended at its start: ") + QString::fromLocal8Bit(m_server.readAll());
            return Listening::Failed;
        }
    }
    stop();
    m_reason = QStringLiteral("the server did not listen on port %1 within a minute").arg(port);
    return Listening::Failed;
}

// Listening comes before the server takes attachments; each refusal is quick.
bool TestServer::acceptsAttachments()
{
    const QString probe = remoteName(m_dir.filePath(QStringLiteral("probe.fdb")));
    // A refused login is answered only after the server's delay of a few
    // seconds: a few of them say enough.
    int refusedLogins = 0;
    for (int attempt = 0; attempt < 100 && refusedLogins < 5; ++attempt) {
        try {
            db::Connection connection;
            connection.open({probe, QStringLiteral("sysdba"), m_password, {}});
            return true;
        } catch (const db::DbError &error) {
            m_reason = error.message();
            if (error.errorCode() == isc_login)
                ++refusedLogins;
        }
        if (m_server.waitForFinished(100))
            break;
    }
    m_reason = QStringLiteral("the server did not take attachments: ") + m_reason + QLatin1Char(' ')
               + QString::fromLocal8Bit(m_server.readAll());
    stop();
    return false;
}

void TestServer::setPassword(const QString &password)
{
    setUser(QStringLiteral("SYSDBA"), password);
    m_password = password;
}

void TestServer::createUser(const QString &name, const QString &password) { setUser(name, password); }

void TestServer::setUser(const QString &name, const QString &password)
{
    db::Connection connection;
    connection.open({remoteName(m_dir.filePath(QStringLiteral("probe.fdb"))), QStringLiteral("sysdba"), m_password, {}});
    db::Transaction transaction(connection);
    transaction.start();
    QString quoted = password;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    db::Statement(transaction, QStringLiteral("create or alter user %1 password '%2'").arg(name, quoted)).execute();
    transaction.commit();
}

QString TestServer::newDatabase(const QString &name)
{
    const QString path = m_dir.filePath(name);
    QFile::copy(templateDatabase(), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
    return path;
}

QString TestServer::remoteName(const QString &path) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(path);
}

} // namespace testsupport
