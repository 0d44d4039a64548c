// "Dodaj", "Popraw", "Pokaż", "Kasuj" and the moves on a real database: the
// question, what reaches the database, where the list stands afterwards,
// and the messages.
#include "editnota.h"
#include "edits.h"
#include "ify.h"
#include "kontrahent.h"
#include "modaldialog.h"
#include "notesfixture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using notes::TfrmEditNota;
using service::TfrmIfy;

namespace {

class NoteCommands : public NotesFixture {
protected:
    void SetUp() override
    {
        NotesFixture::SetUp();
        company = testsupport::insertCompany(transaction, "Biuro", "NN/MM/RRRR", "Y");
        alfa = addCounterparty(company, "Alfa");
        beta = addCounterparty(company, "Beta");
        env.currentCompany = company;
        env.lastNoteDate = app::dayNumber(QDate(2022, 3, 15));
        env.today = [] { return QDate(2022, 3, 15); };
    }

    // TRESC of every listed row, top to bottom.
    QStringList texts() const
    {
        QStringList result;
        for (const notes::NoteRow &row : window->notesModel()->rows())
            result << row.tresc;
        return result;
    }
    QString currentText() const { return window->currentNote() ? window->currentNote()->tresc : QString(); }

    // Answers the position dialog: recipient from its list (first row), amount, text.
    static void fillAndConfirm(TfrmEditNota &dialog, const QString &debit, const QString &text, bool chooseRecipient)
    {
        if (chooseRecipient) {
            onNextDialog<masterdata::TfrmKontrahent>(
                [](masterdata::TfrmKontrahent &list) { list.actWybierz->trigger(); });
            dialog.bbtnListaKontrahent->click();
        }
        dialog.rxceObciazylismy->setText(debit);
        dialog.memTresc->setPlainText(text);
        dialog.bbtnOK->click();
    }

    // The stored rows of the company in list order, read afresh: number, day, text.
    QStringList storedRows()
    {
        transaction.commitIfActive();
        transaction.start();
        db::Statement select(transaction, QStringLiteral("select NUMER, DATA, MIESIAC, ROK, TRESC from NOTA "
                                                         "where IDFIRMA=:id order by ROK, MIESIAC, NUMER, IDNOTA"));
        select.setInt("id", company);
        select.open();
        QStringList rows;
        while (select.next())
            rows << QStringLiteral("%1 %2 %3/%4 %5")
                        .arg(select.toInt(0))
                        .arg(app::dateOfDay(select.toInt(1)).toString("dd.MM.yyyy"))
                        .arg(select.toInt(2))
                        .arg(select.toInt(3))
                        .arg(select.toText(4));
        transaction.commit();
        return rows;
    }

    int company = 0, alfa = 0, beta = 0;
};

} // namespace

TEST_F(NoteCommands, AddingToAnEmptyListAsksNothingAndProposesTheNumber)
{
    notes::TfrmMain &w = openWindow();
    onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
        EXPECT_EQ(d.dedtData->date(), QDate(2022, 3, 15));  // the last note date
        EXPECT_EQ(d.rxseNumer->value(), 1);
        EXPECT_EQ(d.IDKontrahent, 0);
        d.dedtData->setDate(QDate(2022, 4, 2));
        fillAndConfirm(d, "100", "pierwsza", true);
    });
    w.actDodaj->trigger();
    EXPECT_EQ(storedRows(), QStringList{"1 02.04.2022 4/2022 pierwsza"});
    EXPECT_EQ(currentText(), "pierwsza");
    EXPECT_EQ(env.lastNoteDate, app::dayNumber(QDate(2022, 4, 2)));
    EXPECT_TRUE(w.actPopraw->isEnabled());

    // The next new note starts from that date.
    onNextDialog<TfrmIfy>([](TfrmIfy &ify) {
        EXPECT_EQ(ify.windowTitle(), "Dodawanie nowej noty lub pozycji");
        EXPECT_EQ(ify.lblPytanie->text(), "Utworzyć:");
        EXPECT_EQ(ify.buttons[1]->text(), "Kolejną pozycję noty nr 1/04/2022");
        onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
            EXPECT_EQ(d.dedtData->date(), QDate(2022, 4, 2));
            EXPECT_EQ(d.rxseNumer->value(), 2);
            fillAndConfirm(d, "5", "druga nota", true);
        });
        ify.buttons[0]->click();
    });
    w.actDodaj->trigger();
    EXPECT_EQ(storedRows(), (QStringList{"1 02.04.2022 4/2022 pierwsza", "2 02.04.2022 4/2022 druga nota"}));
    EXPECT_EQ(currentText(), "druga nota");
}

TEST_F(NoteCommands, AFurtherPositionJoinsTheCurrentNoteAfterItsLastPosition)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    addNote(company, beta, QDate(2022, 3, 1), 2, 100, 0, "b1");
    addNote(company, alfa, QDate(2022, 3, 5), 3, 100, 0, "c1");
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(1);
    onNextDialog<TfrmIfy>([](TfrmIfy &ify) {
        onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
            EXPECT_TRUE(d.rxseNumer->isReadOnly());
            EXPECT_EQ(d.rxseNumer->value(), 2);
            EXPECT_EQ(d.edtKontrahent->text(), "Beta ");
            fillAndConfirm(d, "7,5", "b2", false);
        });
        ify.buttons[1]->click();
    });
    w.actDodaj->trigger();
    EXPECT_EQ(texts(), (QStringList{"a1", "b1", "b2", "c1"}));
    EXPECT_EQ(currentText(), "b2");
    EXPECT_EQ(w.currentNote()->idKontrahent, beta);

    // Escape in the question adds nothing.
    onNextDialog<TfrmIfy>([](TfrmIfy &ify) { ify.reject(); });
    w.actDodaj->trigger();
    EXPECT_EQ(texts().size(), 4);
}

TEST_F(NoteCommands, AddingWithoutACompanyIsRefusedInPolish)
{
    env.currentCompany = 0;
    transaction.commit();
    transaction.start();
    db::Statement(transaction, QStringLiteral("delete from KONTRAHENT")).execute();
    db::Statement(transaction, QStringLiteral("delete from FIRMA")).execute();
    notes::TfrmMain &w = openWindow();
    w.actDodaj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_TRUE(prompts.shown[0].text.contains("Proszę wybrać firmę"));
}

TEST_F(NoteCommands, ARefusedInsertShowsTheDatabasesReasonAndSavesNothing)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    db::Statement(transaction, QStringLiteral("create exception ZA_DUZO 'Kwota ponad limit biura'")).execute();
    transaction.commit();
    transaction.start();
    db::Statement(transaction, QStringLiteral("create trigger LIMIT_BIURA for NOTA before insert as begin "
                                              "if (new.OBCIAZYLISMY > 1000) then exception ZA_DUZO; end"))
        .execute();
    notes::TfrmMain &w = openWindow();
    const int lastDate = env.lastNoteDate;
    onNextDialog<TfrmIfy>([](TfrmIfy &ify) {
        onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
            d.dedtData->setDate(QDate(2022, 5, 5));
            fillAndConfirm(d, "5000", "za dużo", true);
        });
        ify.buttons[0]->click();
    });
    w.actDodaj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.contains("Kwota ponad limit biura")) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(storedRows(), QStringList{"1 01.03.2022 3/2022 a1"});
    EXPECT_EQ(env.lastNoteDate, lastDate);
    // The list is not left reading an old snapshot.
    EXPECT_EQ(texts(), QStringList{"a1"});
    transaction.start();
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "a2");
    transaction.commit();
    w.OpenNotesList();
    EXPECT_EQ(texts(), (QStringList{"a1", "a2"}));
}

TEST_F(NoteCommands, CorrectingMovesThePositionAloneAndItsMonthFollowsTheDate)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a2");
    addNote(company, alfa, QDate(2022, 3, 9), 2, 100, 0, "b1");
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(0);
    onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
        EXPECT_EQ(d.windowTitle(), " Edycja pozycji noty księgowej");
        EXPECT_EQ(d.focusWidget(), static_cast<QWidget *>(d.rxceObciazylismy));
        d.dedtData->setDate(QDate(2022, 4, 1));
        EXPECT_EQ(d.rxseNumer->value(), 1);  // not proposed: the position has a number
        d.memTresc->setPlainText("a1 w kwietniu");
        d.bbtnOK->click();
    });
    w.actPopraw->trigger();
    EXPECT_EQ(storedRows(),
              (QStringList{"1 01.03.2022 3/2022 a2", "2 09.03.2022 3/2022 b1", "1 01.04.2022 4/2022 a1 w kwietniu"}));
    EXPECT_EQ(currentText(), "a1 w kwietniu");
}

TEST_F(NoteCommands, ShowingSavesNothing)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    notes::TfrmMain &w = openWindow();
    onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
        EXPECT_EQ(d.windowTitle(), " Podgląd pozycji noty księgowej");
        EXPECT_FALSE(d.memTresc->isEnabled());
        d.bbtnOK->click();
    });
    w.actPokaz->trigger();
    EXPECT_EQ(storedRows(), QStringList{"1 01.03.2022 3/2022 a1"});
}

TEST_F(NoteCommands, DeletingAsksWithNoAsDefaultAndTakesOnlyThatPosition)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a2");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "b1");
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(0);
    prompts.answers = {app::MessageAnswer::No};
    w.actKasuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Czy usunąć zaznaczoną pozycję ?");
    EXPECT_EQ(prompts.shown[0].caption, " PYTANIE");
    EXPECT_EQ(prompts.shown[0].defaultAnswer, app::MessageAnswer::No);
    EXPECT_EQ(texts().size(), 3);

    prompts.answers = {app::MessageAnswer::Yes};
    w.actKasuj->trigger();
    EXPECT_EQ(texts(), (QStringList{"a2", "b1"}));
    EXPECT_EQ(w.XDBGrid1->currentRow(), 0);
    // The last row: the selection stays within the list.
    w.XDBGrid1->setCurrentRow(1);
    prompts.answers = {app::MessageAnswer::Yes};
    w.actKasuj->trigger();
    EXPECT_EQ(texts(), QStringList{"a2"});
    EXPECT_EQ(w.XDBGrid1->currentRow(), 0);
}

TEST_F(NoteCommands, ADeleteTheDatabaseRefusesSaysSoAndKeepsThePosition)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    db::Statement(transaction, QStringLiteral("create exception ZABLOKOWANA 'zablokowana'")).execute();
    transaction.commit();
    transaction.start();
    db::Statement(transaction, QStringLiteral("create trigger BEZ_KASOWANIA for NOTA before delete as begin "
                                              "exception ZABLOKOWANA; end"))
        .execute();
    notes::TfrmMain &w = openWindow();
    prompts.answers = {app::MessageAnswer::Yes};
    w.actKasuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[1].text, "Ta pozycja noty nie może być usunięta !");
    EXPECT_EQ(prompts.shown[1].caption, " BŁĄD !");
    EXPECT_EQ(texts(), QStringList{"a1"});
}

TEST_F(NoteCommands, MovesExchangeContentsWithinANote)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "x");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "P1");
    addNote(company, beta, QDate(2022, 3, 2), 2, 200, 0, "P2");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 300, 0, "P3");
    addNote(company, alfa, QDate(2022, 3, 9), 3, 100, 0, "y");
    notes::TfrmMain &w = openWindow();
    const qint32 firstOfNote = w.notesModel()->row(1).idNota;
    w.XDBGrid1->setCurrentRow(3);
    w.actUp->trigger();
    EXPECT_EQ(texts(), (QStringList{"x", "P1", "P3", "P2", "y"}));
    EXPECT_EQ(currentText(), "P3");
    w.actUp->trigger();
    EXPECT_EQ(texts(), (QStringList{"x", "P3", "P1", "P2", "y"}));
    EXPECT_EQ(currentText(), "P3");
    EXPECT_EQ(w.currentNote()->idNota, firstOfNote);  // identifiers keep their order
    EXPECT_EQ(w.currentNote()->obciazylismy, 300);     // the whole content travelled
    EXPECT_TRUE(prompts.shown.isEmpty());

    w.actUp->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "To jest już pierwsza pozycja noty księgowej numer 2/03/2022 !");
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(texts(), (QStringList{"x", "P3", "P1", "P2", "y"}));

    w.XDBGrid1->setCurrentRow(3);
    w.actDown->trigger();
    EXPECT_EQ(prompts.shown.last().text, "To jest już ostatnia pozycja noty księgowej numer 2/03/2022 !");
    w.XDBGrid1->setCurrentRow(0);
    w.actUp->trigger();
    EXPECT_EQ(prompts.shown.last().text, "To jest pierwsza pozycja. Nie można przesunąć.");
    w.actDown->trigger();
    EXPECT_EQ(prompts.shown.last().text, "To jest już ostatnia pozycja noty księgowej numer 1/03/2022 !");
    w.XDBGrid1->setCurrentRow(4);
    w.actDown->trigger();
    EXPECT_EQ(prompts.shown.last().text, "To jest ostatnia pozycja. Nie można przesunąć.");
    EXPECT_EQ(currentText(), "y");
    EXPECT_EQ(texts(), (QStringList{"x", "P3", "P1", "P2", "y"}));
}

TEST_F(NoteCommands, AMoveTakesWhatTheDatabaseHoldsNotAStaleList)
{
    const int p1 = addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "P1");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 200, 0, "P2");
    notes::TfrmMain &w = openWindow();
    // Another copy of the program corrects P1 after this list was read.
    transaction.start();
    db::Statement(transaction, QStringLiteral("update NOTA set TRESC='P1 poprawione' where IDNOTA=%1").arg(p1))
        .execute();
    transaction.commit();
    w.XDBGrid1->setCurrentRow(1);
    w.actUp->trigger();
    EXPECT_EQ(texts(), (QStringList{"P2", "P1 poprawione"}));
    EXPECT_EQ(storedRows(), (QStringList{"2 02.03.2022 3/2022 P2", "2 02.03.2022 3/2022 P1 poprawione"}));
}

TEST_F(NoteCommands, OwnChangesAreNotReadTwiceButAnotherCopysAre)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a1");
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a2");
    notes::TfrmMain &w = openWindow();
    ASSERT_TRUE(testsupport::waitFor([&] { return w.refreshListener()->counting(); }));  // commits are heard from here on
    int openings = 0;
    QObject::connect(&w, &notes::TfrmMain::listOpened, [&openings] { ++openings; });

    w.XDBGrid1->setCurrentRow(1);
    w.actUp->trigger();  // two rows change in one commit
    prompts.answers = {app::MessageAnswer::Yes};
    w.actKasuj->trigger();
    EXPECT_EQ(openings, 2);
    testsupport::waitFor([] { return false; }, 700);
    EXPECT_EQ(openings, 2) << "the window read its own changes again";

    // Another copy of the program changes a row: that is read.
    transaction.start();
    db::Statement(transaction, QStringLiteral("update NOTA set TRESC='z innego stanowiska'")).execute();
    transaction.commit();
    EXPECT_TRUE(testsupport::waitFor([&] { return texts() == QStringList{"z innego stanowiska"}; }));
}
