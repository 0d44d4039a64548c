// A shared installation: the program's database served by a Firebird server
// on this machine, reached as "host/port:path" with the program's password
// or the one fnet.cfg gives, with "OdswiezNota" crossing from one client to
// another. Without the server package these tests skip; a server that is
// installed but does not serve fails them.
#include "datamodule.h"
#include "dberror.h"
#include "environment.h"
#include "events.h"
#include "scriptedmessenger.h"
#include "services.h"
#include "testdatabase.h"
#include "testrows.h"
#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::waitFor;

class Server : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new testsupport::TestServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!testsupport::TestServer::installed())
            GTEST_SKIP() << "no Firebird server on this machine (firebird3.0-server)";
        ASSERT_TRUE(server->isRunning()) << server->reason().toStdString();
    }
    db::ConnectionParameters remote(const QString &path, const QString &password = QStringLiteral("quorbelin")) const
    {
        return {server->remoteName(path), QStringLiteral("sysdba"), password, {}};
    }

    static testsupport::TestServer *server;
};

testsupport::TestServer *Server::server = nullptr;

TEST_F(Server, ClientsShareTheDatabaseAndItsEvents)
{
    const QString path = server->newDatabase(QStringLiteral("shared.fdb"));
    db::Connection writer, listenerConnection;
    writer.open(remote(path));
    listenerConnection.open(remote(path));

    db::Transaction transaction(writer);
    transaction.start();
    const int company = testsupport::insertCompany(transaction, QStringLiteral("Zakład Żółw"));
    const int counterparty = testsupport::insertCounterparty(transaction, company, QStringLiteral("Łukasz"));
    transaction.commit();

    int received = 0;
    db::EventListener listener(listenerConnection, QStringLiteral("OdswiezNota"));
    QObject::connect(&listener, &db::EventListener::posted, [&received](int n) { received += n; });
    listener.start();
    waitFor([] { return false; }, 300);
    ASSERT_EQ(received, 0);

    transaction.start();
    testsupport::insertNote(transaction, company, counterparty, {44562, 1, 12345600});
    transaction.rollback();
    waitFor([] { return false; }, 500);
    EXPECT_EQ(received, 0) << "a rolled-back change was announced";

    transaction.start();
    testsupport::insertNote(transaction, company, counterparty, {44562, 1, 12345600});
    transaction.commit();
    EXPECT_TRUE(waitFor([&] { return received == 1; }));

    // The other client reads what was committed, Polish letters and amounts intact.
    db::Transaction reader(listenerConnection);
    reader.start();
    db::Statement select(reader, QStringLiteral(
        "select k.NAZWA1, n.OBCIAZYLISMY from NOTA n join KONTRAHENT k on k.IDKONTRAHENT = n.IDKONTRAHENT"));
    select.open();
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toText(0), QStringLiteral("Łukasz"));
    EXPECT_EQ(select.toAmount(1), 12345600);
}

TEST_F(Server, WrongPasswordIsRefusedWithTheServersMessage)
{
    const QString path = server->newDatabase(QStringLiteral("refused.fdb"));
    db::Connection connection;
    try {
        connection.open(remote(path, QStringLiteral("masterkey")));
        FAIL() << "connected with a wrong password";
    } catch (const db::DbError &error) {
        EXPECT_FALSE(error.message().isEmpty());
    }
    EXPECT_FALSE(connection.isOpen());
}

TEST_F(Server, DataModuleConnectsToTheFolderNamedInFnetCfg)
{
    server->newDatabase(QStringLiteral("mr.fdb"));
    app::Environment env;
    env.sharedDatabaseLine = server->remoteName(server->folder());
    env.databaseFolder = env.sharedDatabaseLine;
    app::TDataModule1 module(env);
    testsupport::ScriptedMessenger messenger;
    ASSERT_TRUE(module.DataModuleCreate(messenger)) << messenger.shown.value(0).text.toStdString();
    EXPECT_EQ(module.MaxNumberInYear(1, 44562), 0);
    EXPECT_FALSE(module.ReadCompany(1));
}

// The same backup and restore as embedded, through the server's service
// manager ("host/port:service_mgr"), with the server's own password check.
TEST_F(Server, BackupAndRestoreThroughTheServersServiceManager)
{
    const QString path = server->newDatabase(QStringLiteral("live.fdb"));
    {
        db::Connection connection;
        connection.open(remote(path));
        db::Transaction transaction(connection);
        transaction.start();
        testsupport::insertCompany(transaction, QStringLiteral("Zakład Żółw"));
        transaction.commit();
        EXPECT_EQ(db::otherAttachmentCount(connection), 0);
    }
    QStringList lines;
    const db::ServiceProgress progress{[&lines](const QString &line) { lines.append(line); }, {}};
    const QString archive = server->folder() + QStringLiteral("/live.gbk_mr");
    db::ServiceManager(remote(path)).backup(archive, progress);
    db::ServiceManager(remote(path)).restore(archive, remote(path + QStringLiteral("_")).database, progress);
    EXPECT_GT(lines.size(), 20);

    db::Connection restored;
    restored.open(remote(path + QStringLiteral("_")));
    db::Transaction transaction(restored);
    transaction.start();
    db::Statement select(transaction, QStringLiteral("select NAZWA1 from FIRMA"));
    select.open();
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toText(0), QStringLiteral("Zakład Żółw"));

    EXPECT_THROW(db::ServiceManager(remote(path, QStringLiteral("masterkey"))), db::DbError);
}

// The program's own password is in every copy of the program: a server on
// the office network has one of its own, which fnet.cfg gives on its second
// line. The program's password no longer opens that server.
TEST_F(Server, DataModuleSignsInWithThePasswordOnFnetCfgsSecondLine)
{
    server->newDatabase(QStringLiteral("mr.fdb"));
    const QString password = QStringLiteral("Hasło biura 'Ćma' 2026");
    server->setPassword(password);
    // The other tests of this process sign in with the program's password.
    struct ProgramPasswordBack {
        ~ProgramPasswordBack()
        {
            try {
                server->setPassword(app::databasePassword());
            } catch (const db::DbError &error) {
                ADD_FAILURE() << error.message().toStdString();
            }
        }
    } back;

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = server->remoteName(server->folder());
    const struct {
        QByteArray fnet;
        bool connects;
    } cases[] = {
        {folder.toUtf8() + "\r\n" + password.toUtf8() + "\r\n", true},
        {folder.toUtf8() + "\n", false},
        {folder.toUtf8() + "\r\nquorbelin\r\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fnet.toStdString());
        QDir().mkpath(root.filePath("program"));
        QFile fnet(root.filePath("program/fnet.cfg"));
        ASSERT_TRUE(fnet.open(QIODevice::WriteOnly));
        fnet.write(c.fnet);
        fnet.close();

        testsupport::ScriptedMessenger messenger;
        app::StartupContext context;
        context.programFolder = root.filePath("program");
        context.homeFolder = root.filePath("home");
        context.commonDataFolder = root.filePath("var/lib");
        context.userDataFolder = root.filePath("home/.local/share");
        context.today = QDate(2026, 12, 1);
        context.messenger = &messenger;
        app::Environment env;
        ASSERT_EQ(app::InitEnvironment(env, context), app::StartupResult::Continue);

        app::TDataModule1 module(env);
        EXPECT_EQ(module.DataModuleCreate(messenger), c.connects);
        if (c.connects) {
            EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.shown.value(0).text.toStdString();
            EXPECT_FALSE(module.ReadCompany(1));
        } else {
            ASSERT_EQ(messenger.shown.size(), 1);
            EXPECT_TRUE(messenger.shown[0].text.startsWith(QStringLiteral("Połączenie z bazą zakończone niepowodzeniem.")));
        }
    }
}
