// A shared installation: the program's database served by a Firebird server
// on this machine, reached as "host/port:path" with the program's password,
// with "OdswiezNota" crossing from one client to another. Without the server
// package these tests skip; a server that is installed but does not serve
// fails them.
#include "datamodule.h"
#include "dberror.h"
#include "events.h"
#include "scriptedmessenger.h"
#include "testdatabase.h"
#include "testrows.h"
#include "testserver.h"

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
        return {server->remoteName(path), QStringLiteral("sysdba"), password};
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
