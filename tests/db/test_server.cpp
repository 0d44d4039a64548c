// A shared installation: the program's database served by a Firebird server
// on this machine, reached as "host/port:path" with the program's password
// or the one fnet.cfg gives, with "OdswiezNota" crossing from one client to
// another. Without the server package these tests skip; a server that is
// installed but does not serve fails them.
#include "datamodule.h"
#include "dberror.h"
#include "environment.h"
#include "events.h"
#include "notepositions.h"
#include "scriptedmessenger.h"
#include "services.h"
#include "testdatabase.h"
#include "testrows.h"
#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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

namespace {

// Start-up of a program in `root`/program whose fnet.cfg, readable by its
// group alone, holds `fnet`.
app::StartupResult startWithFnet(const QTemporaryDir &root, const QByteArray &fnet, app::Messenger &messenger,
                                 app::Environment &env)
{
    QDir().mkpath(root.filePath("program"));
    QFile file(root.filePath("program/fnet.cfg"));
    if (!file.open(QIODevice::WriteOnly))
        return app::StartupResult::Stop;
    file.write(fnet);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    app::StartupContext context;
    context.programFolder = root.filePath("program");
    context.homeFolder = root.filePath("home");
    context.commonDataFolder = root.filePath("var/lib");
    context.userDataFolder = root.filePath("home/.local/share");
    context.today = QDate(2026, 12, 1);
    context.messenger = &messenger;
    return app::InitEnvironment(env, context);
}

} // namespace

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
        testsupport::ScriptedMessenger messenger;
        app::Environment env;
        ASSERT_EQ(startWithFnet(root, c.fnet, messenger, env), app::StartupResult::Continue);

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

namespace {

struct IsqlRun {
    int exitCode = -1;
    QString output;
};

// isql-fb on the server's database as office-server.sh runs it, the user and
// the password in its environment.
IsqlRun isql(const QString &database, const QString &user, const QString &password, const QStringList &options,
             const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ISC_USER"), user);
    environment.insert(QStringLiteral("ISC_PASSWORD"), password);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ISQL_FB), QStringList{QStringLiteral("-q"), QStringLiteral("-b")} + options
                                                 + QStringList{database});
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

} // namespace

// The program's own user, as office-server.sh makes it: the rights of
// db/program_user.sql on the database, no administrator. The program signs
// in as that user from fnet.cfg and does its work; the user can neither
// make users nor drop the database nor change what is no row of the
// program's tables.
TEST_F(Server, TheProgramWorksAsItsOwnUserWhoMayDoNothingElse)
{
    const QString user = QStringLiteral("MIRELO");
    const QString password = QStringLiteral("Hasło programu 'Ćma' 7");
    QDir().mkpath(server->folder() + QStringLiteral("/biuro"));
    const QString path = server->newDatabase(QStringLiteral("biuro/mr.fdb"));
    server->createUser(user, password);
    // Twice: the script runs it again on an office's database it keeps.
    for (int run = 0; run < 2; ++run) {
        const IsqlRun grants = isql(server->remoteName(path), QStringLiteral("SYSDBA"), server->password(),
                                    {QStringLiteral("-i"), QStringLiteral(PROGRAM_USER_SQL)});
        ASSERT_EQ(grants.exitCode, 0) << grants.output.toStdString();
    }

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    testsupport::ScriptedMessenger messenger;
    app::Environment env;
    const QString fnet = server->remoteName(server->folder() + QStringLiteral("/biuro")) + QStringLiteral("\r\n")
                         + password + QStringLiteral("\r\n") + user + QStringLiteral("\r\n");
    ASSERT_EQ(startWithFnet(root, fnet.toUtf8(), messenger, env), app::StartupResult::Continue);

    app::TDataModule1 module(env);
    ASSERT_TRUE(module.DataModuleCreate(messenger)) << messenger.shown.value(0).text.toStdString();
    EXPECT_EQ(module.IBDatabase1.parameters().user, user);

    db::Transaction masterData(module.IBDatabase1);
    masterData.start();
    const int company = testsupport::insertCompany(masterData, QStringLiteral("Biuro Żuraw"));
    const int counterparty = testsupport::insertCounterparty(masterData, company, QStringLiteral("Łukasz"));
    masterData.commit();
    ASSERT_TRUE(module.ReadCompany(company));
    EXPECT_EQ(env.company.nazwa1, QStringLiteral("Biuro Żuraw"));
    EXPECT_EQ(module.CounterpartyName(counterparty), QStringLiteral("Łukasz "));

    // Another copy of the program, signed in as the same user, hears each change.
    db::Connection otherCopy;
    otherCopy.open(module.IBDatabase1.parameters());
    int received = 0;
    db::EventListener listener(otherCopy, QStringLiteral("OdswiezNota"));
    QObject::connect(&listener, &db::EventListener::posted, [&received](int n) { received += n; });
    listener.start();
    ASSERT_TRUE(waitFor([&listener] { return listener.counting(); }));

    db::Transaction notes(module.IBDatabase1);
    app::NotePositions positions(notes);
    app::NotePosition position{module.NextNoteNumber(46357), 1000000, 0, 46357, counterparty, QStringLiteral("pierwsza")};
    const app::InsertedPosition inserted = positions.insert(company, position, true, false);
    EXPECT_EQ(inserted.numer, 1);
    EXPECT_TRUE(waitFor([&received] { return received == 1; }));
    position.tresc = QStringLiteral("poprawiona");
    EXPECT_TRUE(positions.update(inserted.idNota, position));
    EXPECT_TRUE(waitFor([&received] { return received == 2; }));
    EXPECT_TRUE(positions.remove(inserted.idNota));
    EXPECT_TRUE(waitFor([&received] { return received == 3; }));
    listener.stop();

    // What an administrator does is refused to the program's user.
    const char *const refused[] = {
        "create user INTRUZ password 'intruz'",
        "alter user SYSDBA password 'intruz'",
        "update RDB$DATABASE set RDB$DESCRIPTION = 'intruz'",
        "delete from RDB$USER_PRIVILEGES",
        "grant select on NOTA to PUBLIC",
        "alter trigger NOTA_ODSWIEZ inactive",
        "drop table NOTA",
        "create table INTRUZ (A integer)",
    };
    for (const char *sql : refused) {
        SCOPED_TRACE(sql);
        db::Transaction transaction(otherCopy);
        transaction.start();
        // Users are changed when the transaction commits.
        EXPECT_THROW(
            {
                db::Statement(transaction, QString::fromLatin1(sql)).execute();
                transaction.commit();
            },
            db::DbError);
        if (transaction.isActive())
            transaction.rollback();
    }
    module.DataModuleDestroy();
    otherCopy.close();
    const IsqlRun drop = isql(server->remoteName(path), user, password, {}, "drop database;\n");
    EXPECT_NE(drop.exitCode, 0) << drop.output.toStdString();
    EXPECT_TRUE(drop.output.contains(QStringLiteral("no permission"))) << drop.output.toStdString();
    ASSERT_TRUE(QFile::exists(path));

    // The administrator still finds everything in place.
    db::Connection administrator;
    administrator.open(remote(path, server->password()));
    db::Transaction check(administrator);
    check.start();
    db::Statement users(check, QStringLiteral("select count(*) from SEC$USERS where SEC$USER_NAME = 'INTRUZ'"));
    users.open();
    ASSERT_TRUE(users.next());
    EXPECT_EQ(users.toInt(0), 0);
    users.close();
    db::Statement trigger(check, QStringLiteral("select RDB$TRIGGER_INACTIVE from RDB$TRIGGERS "
                                                "where RDB$TRIGGER_NAME = 'NOTA_ODSWIEZ'"));
    trigger.open();
    ASSERT_TRUE(trigger.next());
    EXPECT_EQ(trigger.toInt(0), 0);
}
