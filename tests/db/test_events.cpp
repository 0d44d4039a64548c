// "OdswiezNota" reaches other attachments and processes after a commit of a
// change to NOTA, and never after a rollback.
#include "dbfixture.h"
#include "events.h"

#include <QProcess>

using testsupport::waitFor;

class Events : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        company = addCompany(QStringLiteral("A"));
        counterparty = addCounterparty(company, QStringLiteral("K"));
        transaction.commit();
        listenerConnection.open(parameters());
        listener = std::make_unique<db::EventListener>(listenerConnection, QStringLiteral("OdswiezNota"));
        QObject::connect(listener.get(), &db::EventListener::posted, [this](int n) { received += n; });
        listener->start();
        // Let the initial count arrive; it must not count as a change.
        waitFor([] { return false; }, 300);
        EXPECT_EQ(received, 0);
    }

    // Waits briefly so that a wrongly delivered event would show.
    void settle() { waitFor([] { return false; }, 500); }

    int company = 0;
    int counterparty = 0;
    int received = 0;
    db::Connection listenerConnection;
    std::unique_ptr<db::EventListener> listener;
};

TEST_F(Events, CommittedInsertUpdateAndDeleteEachNotify)
{
    transaction.start();
    const int id = addNote(company, counterparty, 44562, 1);
    settle();
    EXPECT_EQ(received, 0) << "delivered before commit";
    transaction.commit();
    ASSERT_TRUE(waitFor([this] { return received == 1; }));

    transaction.start();
    db::Statement update(transaction, QStringLiteral("UPDATE NOTA set NUMER=:numer where IDNOTA=:idnota"));
    update.setInt(QStringLiteral("numer"), 2);
    update.setInt(QStringLiteral("idnota"), id);
    update.execute();
    transaction.commit();
    ASSERT_TRUE(waitFor([this] { return received == 2; }));

    transaction.start();
    db::Statement remove(transaction, QStringLiteral("DELETE FROM NOTA WHERE IDNOTA=:ID"));
    remove.setInt(QStringLiteral("ID"), id);
    remove.execute();
    transaction.commit();
    ASSERT_TRUE(waitFor([this] { return received == 3; }));
}

TEST_F(Events, RollbackAndOtherTablesDoNotNotify)
{
    transaction.start();
    addNote(company, counterparty, 44562, 1);
    transaction.rollback();
    transaction.start();
    addCounterparty(company, QStringLiteral("K2"));
    transaction.commit();
    settle();
    EXPECT_EQ(received, 0);
}

TEST_F(Events, ReachAnotherProcess)
{
    connection.close();
    const auto runWriter = [this](const QString &mode) {
        QProcess writer;
        writer.start(QStringLiteral(NOTA_WRITER), {database.path(), mode});
        EXPECT_TRUE(writer.waitForFinished(30000));
        EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    };
    runWriter(QStringLiteral("rollback"));
    settle();
    EXPECT_EQ(received, 0);
    runWriter(QStringLiteral("commit"));
    EXPECT_TRUE(waitFor([this] { return received == 1; }));
}

TEST_F(Events, StoppedListenerIsQuiet)
{
    listener->stop();
    transaction.start();
    addNote(company, counterparty, 44562, 1);
    transaction.commit();
    settle();
    EXPECT_EQ(received, 0);
}

TEST_F(Events, ACommitCountsEveryRowItChanged)
{
    transaction.start();
    addNote(company, counterparty, 44562, 1);
    addNote(company, counterparty, 44562, 2);
    addNote(company, counterparty, 44562, 3);
    transaction.commit();
    settle();
    EXPECT_EQ(received, 3);
}
