// Saving note positions with mr.fdb on a file system that has filled up, so
// that the engine cannot grow the file: the user is told why, what was
// committed stays, no write transaction is left open, and once space is
// freed the database validates and takes positions again.
#include "dberror.h"
#include "fullfilesystem.h"
#include "notesfixture.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// 250 characters that the engine's record compression cannot shrink much.
QString longText(int seed)
{
    QString text = QString::number(seed) + QLatin1Char(' ');
    const QString words = QStringLiteral("zażółć gęślą jaźń Źdźbło ćmy ");
    for (int i = 0; text.size() < 250; ++i)
        text += words[(i * 7 + seed) % words.size()];
    return text;
}

QString firstWord(const QString &text) { return text.trimmed().section(QLatin1Char(' '), 0, 0); }

class NotesOnFullDisk : public NotesFixture {
protected:
    QString databaseFolder() const override { return fullDisk.path(); }

    void SetUp() override
    {
        NotesFixture::SetUp();
        company = addCompany(QStringLiteral("Biuro"));
        alfa = addCounterparty(company, QStringLiteral("Alfa"));
        env.currentCompany = company;
    }

    // The first word of TRESC of every stored position of the company, read
    // with all its columns, in the order of insertion.
    QStringList storedTexts()
    {
        transaction.commitIfActive();
        transaction.start();
        db::Statement select(transaction, QStringLiteral("select * from NOTA where IDFIRMA=:id order by IDNOTA"));
        select.setInt(QStringLiteral("id"), company);
        select.open();
        QStringList texts;
        while (select.next())
            texts << firstWord(select.toText(QStringLiteral("TRESC")));
        transaction.commit();
        return texts;
    }

    app::NotePosition position(int number, const QString &text) const
    {
        return {number, 10000, 0, app::dayNumber(QDate(2024, 5, 6)), alfa, text};
    }

    testsupport::FullFileSystem fullDisk{8 * 1024 * 1024};
    int company = 0, alfa = 0;
};

} // namespace

TEST_F(NotesOnFullDisk, ASaveThatCannotGrowTheDatabaseIsReportedAndLosesNothingCommitted)
{
    if (fullDisk.ranInChild())
        return;
    notes::TfrmMain &w = openWindow();
    w.storeNewPosition(position(1, QStringLiteral("przed zapełnieniem")), false);
    ASSERT_TRUE(prompts.shown.isEmpty());
    QStringList committed{QStringLiteral("przed")};

    // The dialog's save, position after position, until the engine needs
    // a page the file system cannot give.
    fullDisk.fill();
    for (int number = 2; number < 2000 && prompts.shown.isEmpty(); ++number) {
        w.storeNewPosition(position(number, longText(number)), false);
        if (prompts.shown.isEmpty())
            committed << QString::number(number);
    }
    ASSERT_EQ(prompts.shown.size(), 1) << "mr.fdb kept growing on a full file system";
    EXPECT_EQ(prompts.shown[0].caption, app::kCaptionError);
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("No space left on device")))
        << prompts.shown[0].text.toStdString();
    QStringList listed;
    for (const notes::NoteRow &row : w.notesModel()->rows())
        listed << firstWord(row.tresc);
    EXPECT_EQ(listed, committed);

    // The same through the application layer: Firebird's message, and the
    // write transaction rolled back.
    {
        db::Transaction own(data.IBDatabase1);
        app::NotePositions positions(own);
        QString failure;
        for (int number = 3000; number < 5000 && failure.isEmpty(); ++number) {
            try {
                positions.insert(company, position(number, longText(number)), false, false);
                committed << QString::number(number);
            } catch (const db::DbError &error) {
                failure = error.message();
            }
        }
        EXPECT_TRUE(failure.contains(QStringLiteral("No space left on device"))) << failure.toStdString();
        EXPECT_FALSE(own.isActive());
    }

    // Space freed and the program closed: the file validates, every row
    // committed reads back, and positions are saved again.
    fullDisk.release();
    window.reset();
    transaction.commitIfActive();
    data.DataModuleDestroy();
    // gfix comes with firebird3.0-utils; without it, reading every row below is the check.
    if (const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix")); !gfix.isEmpty()) {
        QProcess validation;
        validation.setProcessChannelMode(QProcess::MergedChannels);
        validation.start(gfix, {QStringLiteral("-v"), QStringLiteral("-full"), QStringLiteral("-user"),
                                QStringLiteral("SYSDBA"), env.databaseName()});
        ASSERT_TRUE(validation.waitForFinished(120000));
        const QByteArray report = validation.readAll();
        EXPECT_EQ(validation.exitCode(), 0) << report.toStdString();
        EXPECT_TRUE(report.trimmed().isEmpty()) << report.toStdString();
    }

    ASSERT_TRUE(data.DataModuleCreate(prompts));
    EXPECT_EQ(storedTexts(), committed);
    prompts.shown.clear();
    openWindow().storeNewPosition(position(9000, QStringLiteral("po zwolnieniu miejsca")), false);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.value(0).text.toStdString();
    committed << QStringLiteral("po");
    EXPECT_EQ(storedTexts(), committed);
}
