// "Filtruj": the dialog, the narrowed list, the state of the commands, and
// the last confirmed filter kept for the run.
#include "dialogkeys.h"
#include "edits.h"
#include "filtr.h"
#include "kontrahent.h"
#include "modaldialog.h"
#include "notesfixture.h"
#include "notesquery.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using notes::TfrmFiltr;

namespace {

class Filter : public NotesFixture {
protected:
    void SetUp() override
    {
        NotesFixture::SetUp();
        app::resetFilter(env.filter, today);
        company = addCompany("Biuro");
        alfa = addCounterparty(company, "Alfa");
        beta = addCounterparty(company, "Beta");
        env.currentCompany = company;
        addNote(company, alfa, today.addDays(-62), 1, 100, 0, "za stary");
        addNote(company, alfa, today.addDays(-61), 2, 100, 0, "najstarszy O'Brien");
        addNote(company, beta, today.addDays(-3), 3, -500, 0, "ujemna");
        addNote(company, beta, today, 4, 0, 250, "dzisiejsza abc");
        addNote(company, alfa, today, 5, 0, 10000000000000, "ponad miliard");
    }

    QStringList texts() const
    {
        QStringList result;
        for (const notes::NoteRow &row : window->notesModel()->rows())
            result << row.tresc;
        return result;
    }

    // Runs "Filtruj" with `handle` answering the dialog.
    void filter(const std::function<void(TfrmFiltr &)> &handle)
    {
        onNextDialog<TfrmFiltr>(handle);
        window->actFiltr->trigger();
    }

    const QDate today = QDate::currentDate();
    int company = 0, alfa = 0, beta = 0;
};

} // namespace

TEST_F(Filter, OkWithTheFirstValuesListsTheLast62DaysWithinTheAmounts)
{
    notes::TfrmMain &w = openWindow();
    ASSERT_EQ(texts().size(), 5);
    filter([&](TfrmFiltr &d) {
        EXPECT_EQ(d.windowTitle(), " Filtrowanie not księgowych");
        EXPECT_EQ(d.dedtDataOd->date(), today.addDays(-61));
        EXPECT_EQ(d.dedtDataDo->date(), today);
        EXPECT_EQ(d.rxceObciazylismyDO->text(), "999" + QString(QChar(0x00A0)) + "999" + QString(QChar(0x00A0)) + "999,00");
        d.bbtnOK->click();
    });
    EXPECT_EQ(texts(), (QStringList{"najstarszy O'Brien", "dzisiejsza abc"}));
    EXPECT_EQ(w.statusPanel0->text(), " Filtrowane");
    EXPECT_TRUE(app::IsFilterActive(env.listQueryText));
    for (QAction *a : {w.actDodaj, w.actUp, w.actDown})
        EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(w.XDBGrid1->currentRow(), 1);  // on the last row

    filter([](TfrmFiltr &d) { d.bbtnUsunFiltr->click(); });
    EXPECT_EQ(texts().size(), 5);
    EXPECT_EQ(w.statusPanel0->text(), " ");
    EXPECT_FALSE(app::IsFilterActive(env.listQueryText));
    for (QAction *a : {w.actDodaj, w.actUp, w.actDown})
        EXPECT_TRUE(a->isEnabled());
}

TEST_F(Filter, TheLastConfirmedFilterComesBackAndCancelChangesNothing)
{
    notes::TfrmMain &w = openWindow();
    filter([&](TfrmFiltr &d) {
        onNextDialog<masterdata::TfrmKontrahent>([](masterdata::TfrmKontrahent &list) { list.actWybierz->trigger(); });
        d.bbtnListaKontrahent->click();  // the first active counterparty: Alfa
        d.rxceUznalismyOD->setText("1");
        d.edtTresc->setFocus();
        QTest::keyClicks(d.edtTresc, "miliard");
        EXPECT_EQ(d.edtTresc->text(), "MILIARD");  // capitals as typed
        d.dedtDataOd->setDate(today.addYears(-1));
        d.rxceUznalismyDO->setText("2 000 000 000");
        d.bbtnOK->click();
    });
    EXPECT_EQ(texts(), QStringList{"ponad miliard"});

    filter([](TfrmFiltr &d) { d.bbtnUsunFiltr->click(); });
    filter([&](TfrmFiltr &d) {
        EXPECT_EQ(d.IDKontrahent, alfa);
        EXPECT_EQ(d.edtKontrahent->text(), "Alfa ");
        EXPECT_EQ(d.edtTresc->text(), "MILIARD");
        EXPECT_EQ(d.rxceUznalismyOD->value(), 10000);
        d.edtTresc->setText("INNE");
        d.bbtnAnuluj->click();
    });
    EXPECT_EQ(texts().size(), 5);
    EXPECT_EQ(env.filter.text, "MILIARD");
    EXPECT_EQ(w.statusPanel0->text(), " ");

    // Closing the counterparty list without choosing clears the recipient.
    filter([&](TfrmFiltr &d) {
        onNextDialog<masterdata::TfrmKontrahent>([](masterdata::TfrmKontrahent &list) { list.reject(); });
        d.bbtnListaKontrahent->click();
        EXPECT_EQ(d.IDKontrahent, 0);
        EXPECT_TRUE(d.edtKontrahent->text().isEmpty());
        d.edtTresc->clear();
        d.rxceUznalismyOD->setValue(0);
        d.bbtnOK->click();
    });
    EXPECT_EQ(texts(), (QStringList{"za stary", "najstarszy O'Brien", "dzisiejsza abc", "ponad miliard"}));
}

TEST_F(Filter, FragmentsAreFoundWhateverTheirCaseAndCharacters)
{
    openWindow();
    const struct {
        QString typed;
        QStringList found;
    } cases[] = {
        {"abc", {"dzisiejsza abc"}},
        {"O'BRIEN", {"najstarszy O'Brien"}},
        {"'", {"najstarszy O'Brien"}},
        {"ZA STARY' OR 1=1 --", {}},
        {"%Y%", {"za stary", "najstarszy O'Brien"}},
        {"J_Z", {"dzisiejsza abc"}},
    };
    for (const auto &c : cases) {
        filter([&](TfrmFiltr &d) {
            d.dedtDataOd->setDate(today.addYears(-1));
            d.edtTresc->setText(c.typed);
            d.bbtnOK->click();
        });
        EXPECT_EQ(texts(), c.found) << c.typed.toStdString();
    }
}

TEST_F(Filter, AnAmountThatIsNotOneKeepsTheDialogOpen)
{
    openWindow();
    filter([&](TfrmFiltr &d) {
        d.rxceObciazylismyDO->setText("dużo");
        d.bbtnOK->click();
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_TRUE(prompts.shown[0].text.contains("\"Obciążyliśmy DO\" nie zawiera poprawnej kwoty"));
        d.bbtnAnuluj->click();
    });
    EXPECT_EQ(window->statusPanel0->text(), " ");
}

TEST_F(Filter, ACompanyChangeKeepsTheFilter)
{
    const int other = addCompany("Inna");
    addNote(other, addCounterparty(other, "Gamma"), today, 1, 100, 0, "inna firma");
    notes::TfrmMain &w = openWindow();
    filter([&](TfrmFiltr &d) {
        onNextDialog<masterdata::TfrmKontrahent>([](masterdata::TfrmKontrahent &list) { list.actWybierz->trigger(); });
        d.bbtnListaKontrahent->click();
        d.bbtnOK->click();
    });
    EXPECT_EQ(texts(), QStringList{"najstarszy O'Brien"});
    env.currentCompany = other;
    w.OpenNotesList();
    EXPECT_TRUE(texts().isEmpty());
    EXPECT_EQ(w.statusPanel0->text(), " Filtrowane");
}

TEST_F(Filter, LabelsLeadToTheirFields)
{
    TfrmFiltr d(context);
    QStringList unlabelled;
    for (QWidget *field : d.findChildren<QWidget *>()) {
        if (!qobject_cast<QLineEdit *>(field) && !qobject_cast<QAbstractSpinBox *>(field))
            continue;
        if (qobject_cast<QLineEdit *>(field) && qobject_cast<QAbstractSpinBox *>(field->parentWidget()))
            continue;  // a spin box's own line edit
        bool labelled = false;
        for (QLabel *label : d.findChildren<QLabel *>())
            labelled = labelled || label->buddy() == field;
        if (!labelled)
            unlabelled << field->metaObject()->className();
    }
    EXPECT_TRUE(unlabelled.isEmpty()) << unlabelled.join(", ").toStdString();
}

// Dates typed with dots stay in their fields: "Data DO" and the amounts
// keep what they held, and the list shows the notes of the period.
TEST_F(Filter, ADateTypedWithDotsStaysInItsField)
{
    openWindow();
    const QString from = today.addDays(-62).toString("dd.MM.yyyy");
    filter([&](TfrmFiltr &d) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        d.dedtDataOd->setFocus();
        testsupport::typeKeys(from);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(d.dedtDataDo));
        EXPECT_EQ(d.dedtDataOd->date(), today.addDays(-62));
        EXPECT_EQ(d.dedtDataDo->date(), today);
        EXPECT_EQ(d.rxceObciazylismyOD->value(), std::optional<qint64>(0));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // OK, the default button
    });
    EXPECT_EQ(texts(), (QStringList{"za stary", "najstarszy O'Brien", "dzisiejsza abc"}));
}

TEST_F(Filter, EnterInAFieldConfirmsAndTabRunsDownTheScreen)
{
    openWindow();
    filter([&](TfrmFiltr &d) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        d.edtKontrahent->setFocus();
        const QList<QWidget *> round = testsupport::tabRound([&](QWidget *field) {
            EXPECT_TRUE(d.bbtnOK->isDefault()) << "Enter in " << field->metaObject()->className() << " would not confirm";
        });
        testsupport::expectTopToBottom(round);
        d.reject();
    });
}

// The text fragment takes 250 characters: a longer paste keeps those and
// says so, in capitals as typed.
TEST_F(Filter, APastedFragmentLongerThanTheFieldKeepsWhatFitsAndSaysSo)
{
    TfrmFiltr dialog(context);
    dialog.setFilter(env.filter);
    dialog.show();
    QGuiApplication::clipboard()->setText(QString(260, QChar(u'ą')));
    QTest::keyClick(dialog.edtTresc, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(dialog.edtTresc->text(), QString(250, QChar(u'Ą')));
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Wklejony tekst jest za długi: pole przyjmuje najwyżej 250 znaków.\r\n"
                                     "Wklejono tylko początek tekstu: 250 z 260 znaków.");
}
