#include "testserver.h"

#include "database.h"
#include "dberror.h"
#include "testdatabase.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QThread>

namespace testsupport {

namespace {
const QString kServerProgram = QStringLiteral("/usr/sbin/firebird");
const QString kSystemSecurity = QStringLiteral("/var/lib/firebird/3.0/system/security3.fdb");

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
} // namespace

TestServer::TestServer() { m_running = start(); }

TestServer::~TestServer()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(10000))
            m_server.kill();
        m_server.waitForFinished(5000);
    }
}

bool TestServer::start()
{
    if (!QFile::exists(kServerProgram) || !QFile::exists(kSystemSecurity)) {
        m_reason = QStringLiteral("no Firebird server on this machine");
        return false;
    }
    TestDatabase engine;  // configures this process's embedded engine
    const QString security = m_dir.filePath(QStringLiteral("security3.fdb"));
    QFile::copy(kSystemSecurity, security);
    QFile::setPermissions(security, QFile::ReadOwner | QFile::WriteOwner);
    try {
        // The server's users live in its security database; set the program's password there.
        db::Connection connection;
        connection.open({security, QStringLiteral("sysdba"), QString()});
        db::Transaction transaction(connection);
        transaction.start();
        db::Statement(transaction, QStringLiteral("create or alter user SYSDBA password 'quorbelin'")).execute();
        transaction.commit();
    } catch (const db::DbError &error) {
        m_reason = error.message();
        return false;
    }

    m_port = freePort();
    QFile conf(m_dir.filePath(QStringLiteral("firebird.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("include /etc/firebird/3.0/firebird.conf\n"
                              "ServerMode = Super\n"
                              "RemoteServicePort = %1\n"
                              "RemoteBindAddress = 127.0.0.1\n"
                              "SecurityDatabase = %2\n")
                   .arg(m_port)
                   .arg(security)
                   .toUtf8());
    conf.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FIREBIRD"), m_dir.path());
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), m_dir.filePath(QStringLiteral("lock")));
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(kServerProgram, {});
    if (!m_server.waitForStarted(10000)) {
        m_reason = QStringLiteral("the server did not start");
        return false;
    }
    // Ready when a client can attach through it, not merely when it listens.
    const QString probe = newDatabase(QStringLiteral("probe.fdb"));
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (m_server.state() == QProcess::NotRunning)
            break;
        try {
            db::Connection connection;
            connection.open({remoteName(probe), QStringLiteral("sysdba"), QStringLiteral("quorbelin")});
            return true;
        } catch (const db::DbError &error) {
            m_reason = error.message();
        }
        QThread::msleep(100);
    }
    m_reason = QStringLiteral("the server did not take connections: ") + m_reason + QLatin1Char(' ')
               + QString::fromLocal8Bit(m_server.readAll());
    return false;
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
    return QStringLiteral("localhost/%1:%2").arg(m_port).arg(path);
}

} // namespace testsupport
