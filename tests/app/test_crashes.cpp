// A process killed with SIGKILL in the middle of a write: the database holds
// only committed work, Config.ini and the pick list are either the old file
// or the new one, never a mixture or half of one.
#include "inifile.h"
#include "testdatabase.h"
#include "testfiles.h"
#include "testrows.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Starts the writer, lets it work a little (a different while each round),
// and kills it.
void killMidWrite(const QString &mode, const QString &target, int round)
{
    QProcess writer;
    writer.start(CRASH_WRITER, {mode, target});
    ASSERT_TRUE(writer.waitForReadyRead(30000)) << "the writer did not begin";
    QThread::msleep(5 + (round * 37) % 120);
    writer.kill();
    writer.waitForFinished();
}

} // namespace

TEST(Crashes, ConfigIniIsTheOldFileOrTheNewOne)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("Config.ini");
    const QByteArray other = "; ręcznie\r\n[Inne]\r\nKlucz=C:\\Dane\r\n";
    testsupport::write(path, other + "\r\n[Ustawienia]\r\nIDFirma=1\r\n");
    for (int round = 0; round < 12; ++round) {
        killMidWrite("ini", path, round);
        const QByteArray text = testsupport::contents(path);
        EXPECT_TRUE(text == other + "\r\n[Ustawienia]\r\nIDFirma=1\r\n" || text == other + "\r\n[Ustawienia]\r\nIDFirma=2\r\n")
            << round << ": " << text.constData();
        // The next start clears what the killed save left.
        app::IniFile::removeLeftovers(path);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
    }
}

TEST(Crashes, ThePickListIsTheOldListOrTheNewOne)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("Opisy.txt");
    const auto whole = [](char letter) {
        QByteArray text;
        for (int i = 0; i < 200; ++i)
            text += QByteArray(60, letter) + "\r\n";
        return text;
    };
    testsupport::write(path, whole('a'));
    for (int round = 0; round < 12; ++round) {
        killMidWrite("picklist", path, round);
        const QByteArray text = testsupport::contents(path);
        EXPECT_TRUE(text == whole('a') || text == whole('b')) << round << ": " << text.size() << " bytes";
    }
}

TEST(Crashes, TheDatabaseHoldsOnlyCommittedWork)
{
    testsupport::TestDatabase database;
    {
        db::Connection connection;
        connection.open({database.path(), "sysdba", "quorbelin", {}});
        db::Transaction transaction(connection);
        transaction.start();
        testsupport::insertCounterparty(transaction, testsupport::insertCompany(transaction, "Biuro"), "Alfa");
        transaction.commit();
    }
    int committed = 0;
    for (int round = 0; round < 6; ++round) {
        killMidWrite("notes", database.path(), round);
        db::Connection connection;
        connection.open({database.path(), "sysdba", "quorbelin", {}});
        db::Transaction transaction(connection);
        transaction.start();
        db::Statement count(transaction, "select count(*) from NOTA");
        count.open();
        ASSERT_TRUE(count.next());
        committed = count.toInt(0);
        EXPECT_EQ(committed % 10, 0) << round << ": part of a transaction survived";
        count.close();
        transaction.commit();
    }
    EXPECT_GT(committed, 0) << "the writer was killed before it committed anything";
}
