// "Archiwizacja" and "Dearchiwizacja" from the main window's menu on a real
// database: the dialogs and messages, the database replaced only by a
// complete restore, the refusal while others are attached, the log and the
// busy cursor for the whole run, and the window connected afterwards.
#include "archive.h"
#include "fullfilesystem.h"
#include "localusers.h"
#include "notesfixture.h"
#include "services.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>

using testsupport::waitFor;

namespace {

const QString kRestoreFailed = QStringLiteral("Dearchiwizacja zakończona niepowodzeniem!");

class Archive : public NotesFixture {
protected:
    void SetUp() override
    {
        NotesFixture::SetUp();
        company = addCompany(QStringLiteral("Biuro Ćma"));
        counterparty = addCounterparty(company, QStringLiteral("Źródło"));
        env.currentCompany = company;
        addNote(company, counterparty, QDate(2024, 3, 1), 1, 1000000, 0);
        addNote(company, counterparty, QDate(2024, 3, 2), 2, 2000000, 0);
    }

    QString inWork(const QString &name) const { return work.path() + QLatin1Char('/') + name; }
    QString scratch() const { return database.path() + QLatin1Char('_'); }

    // The debits the list shows, top to bottom.
    QList<qint64> listed() const
    {
        QList<qint64> debits;
        for (const notes::NoteRow &row : window->notesModel()->rows())
            debits.append(row.obciazylismy);
        return debits;
    }

    void archiveTo(const QString &path)
    {
        prompts.fileAnswers = {path};
        window->actArchiwizacja->trigger();
    }

    void restoreFrom(const QString &path)
    {
        prompts.answers = {app::MessageAnswer::Yes};
        prompts.fileAnswers = {path};
        window->actDearchiwizacja->trigger();
    }

    // A change of this test's own, committed at once.
    void addLaterNote()
    {
        transaction.start();
        addNote(company, counterparty, QDate(2024, 3, 3), 3, 3000000, 0);
        transaction.commit();
    }

    const testsupport::ShownMessage &lastMessage() const { return prompts.shown.last(); }

    int company = 0, counterparty = 0;
    const QList<qint64> archived{1000000, 2000000};
};

TEST_F(Archive, RestoreBringsTheArchivedNotesBackWithTheLogAndBusyCursorThroughout)
{
    notes::TfrmMain &w = openWindow();
    const QString archive = inWork(QStringLiteral("kopia.gbk_mr"));
    archiveTo(archive);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(lastMessage().text, "Archiwizacja zakończona !");
    EXPECT_EQ(lastMessage().caption, app::kCaptionInformation);
    EXPECT_TRUE(QFileInfo::exists(archive));
    EXPECT_FALSE(QFileInfo::exists(archive + QLatin1Char('_')));

    addLaterNote();
    w.OpenNotesList();
    ASSERT_EQ(w.notesModel()->rowCount(), 3);

    // What the user sees while the restore runs, each time a line arrives.
    int lines = 0, shownBusy = 0;
    QObject::connect(w.Memo1, &QPlainTextEdit::textChanged, [&] {
        if (w.Memo1->toPlainText().isEmpty())
            return;
        ++lines;
        if (w.Memo1->isVisible() && QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            ++shownBusy;
    });
    prompts.shown.clear();
    restoreFrom(archive);

    ASSERT_EQ(prompts.shown.size(), 2) << prompts.shown.last().text.toStdString();
    EXPECT_EQ(prompts.shown[0].text, "Uwaga: aktualne dane zostaną usunięte. Czy wykonać dearchiwizację ?");
    EXPECT_EQ(prompts.shown[0].caption, app::kCaptionQuestion);
    EXPECT_EQ(prompts.shown[0].defaultAnswer, app::MessageAnswer::No);
    EXPECT_EQ(lastMessage().text, "Dearchiwizacja zakończona !");
    EXPECT_EQ(listed(), archived);
    EXPECT_FALSE(QFileInfo::exists(scratch()));

    EXPECT_GT(lines, 10);
    EXPECT_EQ(shownBusy, lines) << "a line arrived with the log hidden or without the busy cursor";
    EXPECT_TRUE(w.Memo1->toPlainText().startsWith(QStringLiteral("gbak:")));
    EXPECT_FALSE(w.Memo1->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The window works on the restored database: it writes to it and hears
    // the changes of other processes again.
    app::NotePosition position{4, 4000000, 0, app::dayNumber(QDate(2024, 3, 4)), counterparty, QStringLiteral("po")};
    w.storeNewPosition(position, false);
    EXPECT_EQ(w.notesModel()->rowCount(), 3);
    ASSERT_TRUE(waitFor([&] { return w.refreshListener()->counting(); }));  // commits are heard from here on
    QProcess writer;
    writer.start(QStringLiteral(NOTA_WRITER), {database.path(), QStringLiteral("commit")});
    ASSERT_TRUE(writer.waitForFinished(30000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    EXPECT_TRUE(waitFor([&] { return w.notesModel()->rowCount() == 4; }));
}

// An archive that cannot be restored leaves the database, the list and the
// connection as they were, and says so.
TEST_F(Archive, UnusableArchiveLeavesTheDatabaseInPlace)
{
    notes::TfrmMain &w = openWindow();
    const QString good = inWork(QStringLiteral("dobra.gbk_mr"));
    archiveTo(good);
    const QByteArray bytes = testsupport::contents(good);
    ASSERT_GT(bytes.size(), 1000);
    testsupport::write(inWork(QStringLiteral("pusta.gbk_mr")), {});
    testsupport::write(inWork(QStringLiteral("obca.gbk_mr")), QByteArray(5000, '\x5a'));
    testsupport::write(inWork(QStringLiteral("ucieta.gbk_mr")), bytes.left(bytes.size() * 2 / 3));
    addLaterNote();
    w.OpenNotesList();
    const QList<qint64> before = listed();
    ASSERT_EQ(before.size(), 3);

    for (const char *name : {"brak.gbk_mr", "pusta.gbk_mr", "obca.gbk_mr", "ucieta.gbk_mr"}) {
        SCOPED_TRACE(name);
        prompts.shown.clear();
        restoreFrom(inWork(QString::fromLatin1(name)));
        ASSERT_EQ(prompts.shown.size(), 2);
        EXPECT_EQ(lastMessage().caption, app::kCaptionError);
        EXPECT_TRUE(lastMessage().text.startsWith(kRestoreFailed + QStringLiteral("\r\nDotychczasowe dane")))
            << lastMessage().text.toStdString();
        EXPECT_GT(lastMessage().text.size(), kRestoreFailed.size() + 50) << "the reason is missing";
        EXPECT_FALSE(QFileInfo::exists(scratch()));
        EXPECT_EQ(listed(), before);
    }
    transaction.start();
    db::Statement count(transaction, QStringLiteral("select count(*) from NOTA"));
    count.open();
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.toInt(0), 3);
}

// An archive cut short (a copy broken off, a full stick): the user reads in
// Polish that the archive is incomplete, wherever it was cut.
TEST_F(Archive, CutArchiveIsCalledIncompleteInPolish)
{
    notes::TfrmMain &w = openWindow();
    const QString good = inWork(QStringLiteral("dobra.gbk_mr"));
    archiveTo(good);
    const QByteArray bytes = testsupport::contents(good);
    addLaterNote();
    w.OpenNotesList();
    const QList<qint64> before = listed();

    for (const int percent : {20, 50, 90}) {
        SCOPED_TRACE(percent);
        const QString cut = inWork(QStringLiteral("ucieta%1.gbk_mr").arg(percent));
        testsupport::write(cut, bytes.left(bytes.size() * percent / 100));
        prompts.shown.clear();
        restoreFrom(cut);
        ASSERT_EQ(prompts.shown.size(), 2);
        EXPECT_EQ(lastMessage().caption, app::kCaptionError);
        EXPECT_EQ(lastMessage().text,
                  kRestoreFailed
                      + QStringLiteral("\r\nDotychczasowe dane pozostały bez zmian.\r\n\r\n"
                                       "Plik archiwum jest niepełny: kończy się, zanim odtworzono całą bazę danych.\r\n"
                                       "Może został ucięty przy kopiowaniu lub zapisywaniu. "
                                       "Proszę wybrać pełny plik archiwum."));
        EXPECT_FALSE(QFileInfo::exists(scratch()));
        EXPECT_EQ(listed(), before);
    }
}

TEST_F(Archive, RefusedWhileAnotherConnectionIsOpenNamingHowMany)
{
    notes::TfrmMain &w = openWindow();
    const QString good = inWork(QStringLiteral("dobra.gbk_mr"));
    archiveTo(good);
    addLaterNote();
    w.OpenNotesList();

    db::Connection other;
    other.open({database.path(), QStringLiteral("sysdba"), app::databasePassword(), {}});
    const QString refused = inWork(QStringLiteral("odmowa.gbk_mr"));
    for (bool restore : {false, true}) {
        SCOPED_TRACE(restore ? "restore" : "archive");
        prompts.shown.clear();
        restore ? restoreFrom(good) : archiveTo(refused);
        EXPECT_EQ(lastMessage().caption, app::kCaptionError);
        EXPECT_TRUE(lastMessage().text.startsWith(restore ? QStringLiteral("Nie można wykonać dearchiwizacji")
                                                          : QStringLiteral("Nie można wykonać archiwizacji")))
            << lastMessage().text.toStdString();
        EXPECT_TRUE(lastMessage().text.contains(QStringLiteral("Liczba innych otwartych połączeń z bazą danych: 1.")));
        EXPECT_FALSE(w.Memo1->isVisible());
    }
    EXPECT_FALSE(QFileInfo::exists(refused));
    EXPECT_FALSE(QFileInfo::exists(scratch()));
    EXPECT_EQ(w.notesModel()->rowCount(), 3);
}

TEST_F(Archive, DialogsOfferTheArchiveKindAndCancelChangesNothing)
{
    notes::TfrmMain &w = openWindow();
    const auto filesInWork = [&] { return QDir(work.path()).entryList(QDir::Files); };
    const QStringList before = filesInWork();

    w.actArchiwizacja->trigger();  // the save dialog cancelled
    ASSERT_EQ(prompts.inputs.size(), 1);
    EXPECT_EQ(prompts.inputs[0].title, " Zapisz plik - archiwum danych");
    EXPECT_EQ(prompts.inputs[0].prompt, "Plik archiwum (*.gbk_mr)");
    EXPECT_EQ(QFileInfo(prompts.inputs[0].value).fileName(),
              service::defaultArchiveName(QDate::currentDate()));
    EXPECT_EQ(app::formatSettings().shortDateFormat, "dd.MM.yyyy");

    prompts.answers = {app::MessageAnswer::No};
    w.actDearchiwizacja->trigger();
    EXPECT_EQ(prompts.inputs.size(), 1) << "No to the question still opened the file dialog";

    prompts.answers = {app::MessageAnswer::Yes};
    w.actDearchiwizacja->trigger();  // the open dialog cancelled
    ASSERT_EQ(prompts.inputs.size(), 2);
    EXPECT_EQ(prompts.inputs[1].title, " Otwórz plik - archiwum danych");
    EXPECT_EQ(prompts.inputs[1].prompt, "Plik archiwum (*.gbk_mr)");

    EXPECT_EQ(prompts.shown.size(), 2);  // the two questions, nothing else
    EXPECT_EQ(filesInWork(), before);
    EXPECT_FALSE(QFileInfo::exists(scratch()));
    EXPECT_EQ(listed(), archived);
}

TEST(ArchiveName, DayWrittenWithUnderscores)
{
    EXPECT_EQ(service::defaultArchiveName(QDate(2026, 12, 9)), "ArchiwumMirelo_09_12_2026.gbk_mr");
    EXPECT_EQ(service::defaultArchiveName(QDate(2027, 1, 31)), "ArchiwumMirelo_31_01_2027.gbk_mr");
}

TEST_F(Archive, NameWithoutExtensionGetsTheArchiveExtension)
{
    openWindow();
    archiveTo(inWork(QStringLiteral("kopia")));
    EXPECT_EQ(lastMessage().text, "Archiwizacja zakończona !");
    EXPECT_TRUE(QFileInfo::exists(inWork(QStringLiteral("kopia.gbk_mr"))));
}

// A backup that fails says why, and an earlier archive of the chosen name
// stays as it was.
TEST_F(Archive, FailedBackupSaysWhyAndLeavesNoArchive)
{
    openWindow();
    const QString earlier = inWork(QStringLiteral("wczesniejsza.gbk_mr"));
    testsupport::write(earlier, "an earlier archive");
    QDir().mkdir(earlier + QLatin1Char('_'));  // where the new one would be written first
    const QString nowhere = inWork(QStringLiteral("nie ma/kopia.gbk_mr"));

    for (const QString &target : {earlier, nowhere}) {
        SCOPED_TRACE(target.toStdString());
        prompts.shown.clear();
        archiveTo(target);
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(lastMessage().caption, app::kCaptionError);
        EXPECT_TRUE(lastMessage().text.startsWith(QStringLiteral("Archiwizacja zakończona niepowodzeniem!")))
            << lastMessage().text.toStdString();
        EXPECT_GT(lastMessage().text.size(), 80) << "the reason is missing";
    }
    EXPECT_EQ(testsupport::contents(earlier), "an earlier archive");
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    EXPECT_EQ(listed(), archived);
}

// The archive replaces the chosen file when complete: never the database.
TEST_F(Archive, ArchiveIsNeverWrittenOverTheDatabase)
{
    openWindow();
    const QString link = inWork(QStringLiteral("baza.gbk_mr"));
    ASSERT_TRUE(QFile::link(database.path(), link));
    for (const QString &target : {database.path(), link}) {
        SCOPED_TRACE(target.toStdString());
        prompts.shown.clear();
        archiveTo(target);
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(lastMessage().text, "Archiwum nie może zastąpić pliku bazy danych.\r\n"
                                      "Proszę wybrać inną nazwę pliku archiwum.");
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(database.path() + QLatin1Char('_')));
    window->OpenNotesList();
    EXPECT_EQ(listed(), archived);
}

// The archive chosen in a folder others may write to, where another user's
// link stands under the name the backup is first written to: the backup
// does not go through it into the file it leads to.
TEST_F(Archive, ALinkPlantedWhereTheBackupIsWrittenIsNotWrittenThrough)
{
    openWindow();
    const QString archive = testsupport::stickyFolder(inWork(QStringLiteral("wspólny"))) + "/kopia.gbk_mr";
    const QString victim = inWork(QStringLiteral("ważne.odt"));
    testsupport::write(victim, "cudza praca");
    ASSERT_TRUE(testsupport::plantLink(victim, archive + QLatin1Char('_')));
    archiveTo(archive);
    EXPECT_EQ(testsupport::contents(victim), "cudza praca");
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(lastMessage().text, "Archiwizacja zakończona !");
    EXPECT_FALSE(QFileInfo(archive).isSymLink());
    EXPECT_GT(testsupport::contents(archive).size(), 1000);
    EXPECT_EQ(QDir(QFileInfo(archive).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"kopia.gbk_mr"});
}

TEST_F(Archive, SharedInstallationHasNeitherEntry)
{
    env.sharedDatabaseLine = QStringLiteral("localhost:/srv/mirelo");
    notes::TfrmMain &w = openWindow();
    EXPECT_FALSE(w.actArchiwizacja->isVisible());
    EXPECT_FALSE(w.actDearchiwizacja->isVisible());
}

// The archive chosen on a file system that has filled up: the backup
// cannot be written. The user hears why, the earlier archive of that name
// stays as it was, no scratch archive is left, and the database goes on.
TEST_F(Archive, ArchivingToAFullDiskSaysWhyAndKeepsTheEarlierArchive)
{
    testsupport::FullFileSystem disk(1024 * 1024);
    if (disk.ranInChild())
        return;
    notes::TfrmMain &w = openWindow();
    const QString archive = disk.filePath(QStringLiteral("kopia.gbk_mr"));
    testsupport::write(archive, "an earlier archive");
    disk.fill();

    archiveTo(archive);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(lastMessage().caption, app::kCaptionError);
    EXPECT_TRUE(lastMessage().text.startsWith(
        QStringLiteral("Archiwizacja zakończona niepowodzeniem!\r\nPlik archiwum nie został zapisany.")))
        << lastMessage().text.toStdString();
    EXPECT_TRUE(lastMessage().text.contains(QStringLiteral("Zabrakło miejsca na dysku (folder ") + disk.path()))
        << lastMessage().text.toStdString();
    EXPECT_EQ(testsupport::contents(archive), "an earlier archive");
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral(".filler"), QStringLiteral("kopia.gbk_mr")}));
    EXPECT_EQ(listed(), archived);
    w.storeNewPosition({3, 3000000, 0, app::dayNumber(QDate(2024, 3, 3)), counterparty, QStringLiteral("po")}, false);
    EXPECT_EQ(listed(), (QList<qint64>{1000000, 2000000, 3000000}));

    // Space again: the archive is made over the earlier one.
    disk.release();
    prompts.shown.clear();
    archiveTo(archive);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(lastMessage().text, "Archiwizacja zakończona !");
    EXPECT_GT(testsupport::contents(archive).size(), 1000);
}

// mr.fdb on a file system of its own with too little room left for the
// restored copy beside it.
class ArchiveOnFullDisk : public Archive {
protected:
    QString databaseFolder() const override { return disk.path(); }

    testsupport::FullFileSystem disk{4 * 1024 * 1024};
};

// A restore whose copy the data folder's file system cannot hold, with no
// room at all or room for part of it: the user hears that the disk is
// full (gbak itself may end with a later error that hides it), mr.fdb_ is
// removed, and the live database stays in place and takes changes.
TEST_F(ArchiveOnFullDisk, RestoreThatDoesNotFitLeavesTheLiveDatabaseWorking)
{
    if (disk.ranInChild())
        return;
    notes::TfrmMain &w = openWindow();
    const QString archive = inWork(QStringLiteral("kopia.gbk_mr"));
    archiveTo(archive);
    ASSERT_EQ(lastMessage().text, "Archiwizacja zakończona !");
    const QString live = env.databaseName();
    QList<qint64> stored = archived;

    // The restored copy takes about as much as the live file.
    const qint64 partOfTheCopy = QFileInfo(live).size() * 4 / 5;
    const struct {
        const char *room;
        qint64 spare;
    } cases[] = {{"none", 0}, {"part of the copy", partOfTheCopy}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.room);
        disk.fill(c.spare);
        prompts.shown.clear();
        restoreFrom(archive);
        ASSERT_EQ(prompts.shown.size(), 2);
        EXPECT_EQ(lastMessage().caption, app::kCaptionError);
        EXPECT_TRUE(lastMessage().text.startsWith(
            kRestoreFailed + QStringLiteral("\r\nDotychczasowe dane pozostały bez zmian.\r\n\r\n"
                                            "Zabrakło miejsca na dysku (folder ")
            + disk.path() + QStringLiteral(").\r\n")))
            << lastMessage().text.toStdString();
        EXPECT_FALSE(QFileInfo::exists(live + QLatin1Char('_')));
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  (QStringList{QStringLiteral(".filler"), QStringLiteral("mr.fdb")}));
        EXPECT_EQ(listed(), stored);

        disk.release();
        const int number = int(stored.size()) + 1;
        stored.append(number * 1000000);
        w.storeNewPosition({number, stored.last(), 0, app::dayNumber(QDate(2024, 3, number)), counterparty,
                            QStringLiteral("po")},
                           false);
        EXPECT_EQ(listed(), stored);
        EXPECT_EQ(prompts.shown.size(), 2) << lastMessage().text.toStdString();
    }

    // Space again: the restore goes through.
    prompts.shown.clear();
    restoreFrom(archive);
    EXPECT_EQ(lastMessage().text, "Dearchiwizacja zakończona !");
    EXPECT_EQ(listed(), archived);
}

} // namespace
