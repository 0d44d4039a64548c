#pragma once
// A private Firebird server for one test process: its own configuration,
// security database (user sysdba with the program's password) and port on
// 127.0.0.1, stopped when the object goes. Database names it serves read
// "127.0.0.1/<port>:<path>": a name that needs no hosts file.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class TestServer {
public:
    TestServer();
    ~TestServer();

    // False when this machine has no Firebird server package: the only
    // reason for a test of the shared installation to skip.
    static bool installed();

    // False when the server did not start or take connections; the reason says why.
    bool isRunning() const { return m_running; }
    const QString &reason() const { return m_reason; }

    // A copy of the template database in the server's folder.
    QString newDatabase(const QString &name);
    // The name a client attaches with.
    QString remoteName(const QString &path) const;
    QString folder() const { return m_dir.path(); }
    int port() const { return m_port; }

    // The administrator's password in the server's security database.
    const QString &password() const { return m_password; }
    void setPassword(const QString &password);
    // A user who is no administrator, made or given a new password.
    void createUser(const QString &name, const QString &password);

    // The server killed, as a crash or a pulled cable would end it, and
    // started again on the same port. False when it did not come back.
    void kill();
    bool startAgain();

private:
    bool start();
    bool createSecurityDatabase(const QString &path);
    enum class Listening { Yes, PortTaken, Failed };
    Listening startOn(int port);
    bool acceptsAttachments();
    void setUser(const QString &name, const QString &password);
    void stop();

    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    bool m_running = false;
    QString m_reason;
    QString m_password;
};

} // namespace testsupport
