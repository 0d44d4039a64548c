// Two copies of the program add, correct and delete positions of one company
// at the same time: nothing is lost, no proposed number is stored twice, and
// both lists end up as the database holds it.
#include "testdatabase.h"
#include "testfiles.h"
#include "testrows.h"
#include "testserver.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Two clerks, each a program process, at work on `database` ("…/mr.fdb").
void twoClerksAgreeWithTheDatabase(const QString &database)
{
    db::Connection connection;
    connection.open({database, "sysdba", "quorbelin", {}});
    db::Transaction transaction(connection);
    transaction.start();
    const int company = testsupport::insertCompany(transaction, "Biuro", "NN/MM/RRRR", "Y");
    const int counterparty = testsupport::insertCounterparty(transaction, company, "Alfa");
    transaction.commit();

    QTemporaryDir folder;
    const QStringList seeds = {"11", "22"};
    QList<QProcess *> clerks;
    for (const QString &seed : seeds) {
        auto *clerk = new QProcess;
        clerk->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        clerk->start(NOTES_CLERK, {database, QString::number(company), QString::number(counterparty), "150",
                                   seed, folder.path()});
        clerks << clerk;
    }
    for (QProcess *clerk : clerks) {
        ASSERT_TRUE(clerk->waitForFinished(600000));
        EXPECT_EQ(clerk->exitCode(), 0);
        delete clerk;
    }

    transaction.start();
    db::Statement rows(transaction, "select IDNOTA, NUMER, TRESC from NOTA where IDFIRMA=:id "
                                    "order by ROK, MIESIAC, NUMER, IDNOTA");
    rows.setInt("id", company);
    rows.open();
    QStringList stored;
    QSet<int> numbers;
    while (rows.next()) {
        stored << QStringLiteral("%1 %2 %3").arg(rows.toInt(0)).arg(rows.toInt(1)).arg(rows.toText(2));
        numbers << rows.toInt(1);
    }
    rows.close();
    transaction.commit();
    ASSERT_FALSE(stored.isEmpty());
    // Every position is a note of its own with a proposed number: two of one number would be a clash.
    EXPECT_EQ(numbers.size(), stored.size()) << stored.join('\n').toStdString();

    for (const QString &seed : seeds) {
        const QStringList list = QString::fromUtf8(testsupport::contents(folder.filePath("list-" + seed))).split('\n');
        EXPECT_EQ(list, stored) << "the list of copy " << seed.toStdString() << " differs from the database";
        // The only things said: a number taken meanwhile, or a position the other copy deleted first.
        const QString messages = QString::fromUtf8(testsupport::contents(folder.filePath("messages-" + seed)));
        for (const QString &message : messages.split('\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(message.contains("w międzyczasie")) << message.toStdString();
    }
}

} // namespace

TEST(Clerks, TwoCopiesAtWorkOnOneCompanyAgreeWithTheDatabase)
{
    testsupport::TestDatabase database;
    ASSERT_TRUE(database.path().endsWith("/mr.fdb"));
    twoClerksAgreeWithTheDatabase(database.path());
}

TEST(Clerks, TwoCopiesAtWorkThroughTheOfficeServerAgreeWithTheDatabase)
{
    if (!testsupport::TestServer::installed())
        GTEST_SKIP() << "the Firebird server package is not installed";
    testsupport::TestServer server;
    ASSERT_TRUE(server.isRunning()) << server.reason().toStdString();
    twoClerksAgreeWithTheDatabase(server.remoteName(server.newDatabase("mr.fdb")));
}
