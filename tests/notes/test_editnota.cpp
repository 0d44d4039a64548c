// The position dialog on its own: when OK may be pressed, the number the
// date proposes, the fixed fields of a further position, the preview, the
// recipient field that only its list fills, and amounts that are not amounts.
#include "editnota.h"
#include "dialogkeys.h"
#include "edits.h"
#include "kontrahent.h"
#include "modaldialog.h"
#include "notesfixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using notes::TfrmEditNota;

namespace {

const QDate kToday(2021, 12, 1);

class EditNota : public NotesFixture {
protected:
    void SetUp() override
    {
        NotesFixture::SetUp();
        company = testsupport::insertCompany(transaction, "Biuro", "NN/MM/RRRR", "Y");
        alfa = addCounterparty(company, "Alfa");
        env.currentCompany = company;
        env.today = [] { return kToday; };
        // November has notes 1 to 3, December none.
        for (int number = 1; number <= 3; ++number)
            addNote(company, alfa, QDate(2021, 11, 10), number, 100, 0);
        transaction.commit();
        data.ReadCompany(company);
    }

    std::unique_ptr<TfrmEditNota> dialog(int mode, const app::NotePosition &position, bool preview = false)
    {
        auto result = std::make_unique<TfrmEditNota>(context);
        result->setPosition(mode, position, preview);
        result->show();
        return result;
    }

    app::NotePosition fresh(const QDate &date) const { return {0, 0, 0, app::dayNumber(date), 0, {}}; }

    int company = 0, alfa = 0;
};

} // namespace

TEST_F(EditNota, NewNoteProposesTheNumberOfItsDateAgainOnEveryDateChange)
{
    auto d = dialog(1, fresh(QDate(2021, 12, 1)));
    EXPECT_TRUE(d->SzukajNumeru);
    EXPECT_EQ(d->rxseNumer->value(), 1);
    d->dedtData->setDate(QDate(2021, 11, 30));
    EXPECT_EQ(d->rxseNumer->value(), 4);
    EXPECT_TRUE(d->numberWasProposed());
    // A number typed first is replaced by the next date change.
    d->rxseNumer->setValue(17);
    EXPECT_FALSE(d->numberWasProposed());
    d->dedtData->setDate(QDate(2021, 12, 24));
    EXPECT_EQ(d->rxseNumer->value(), 1);
    EXPECT_TRUE(d->numberWasProposed());

    // An existing number is never proposed over.
    auto existing = dialog(1, {9, 100, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, "x"});
    existing->dedtData->setDate(QDate(2021, 11, 30));
    EXPECT_EQ(existing->rxseNumer->value(), 9);
    EXPECT_FALSE(existing->numberWasProposed());
}

TEST_F(EditNota, OkNeedsARecipientAndAnAmount)
{
    const struct {
        int counterparty;
        QString debit, credit;
        bool ok;
    } cases[] = {
        {0, "100,00", "0,00", false},
        {1, "0,00", "0,00", false},
        {1, "0", "0,00", false},
        {1, "100,00", "0,00", true},
        {1, "0,00", "0,01", true},
        {1, "-5,00", "0,00", true},
        {1, "abc", "0,00", true},  // OK then says what is wrong
    };
    for (const auto &c : cases) {
        auto d = dialog(1, {5, 0, 0, app::dayNumber(QDate(2021, 12, 1)), c.counterparty ? alfa : 0, {}});
        d->rxceObciazylismy->setText(c.debit);
        d->rxceUznalismy->setText(c.credit);
        EXPECT_EQ(d->bbtnOK->isEnabled(), c.ok) << c.debit.toStdString() << " " << c.credit.toStdString();
    }
}

TEST_F(EditNota, ReturnsWhatTheDialogHoldsOnlyOnOk)
{
    app::NotePosition position{5, 12345600, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, "  stara  "};
    onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
        EXPECT_EQ(d.edtKontrahent->text(), "Alfa ");
        EXPECT_EQ(d.rxceObciazylismy->text(), "1" + QString(QChar(0x00A0)) + "234,56");
        EXPECT_EQ(d.memTresc->toPlainText(), "stara");
        d.rxceUznalismy->setText("1 000,5");
        d.memTresc->setPlainText("pierwsza\ndruga ");
        d.bbtnOK->click();
    });
    ASSERT_TRUE(notes::EditNotePosition(context, 1, position, false, window.get()));
    EXPECT_EQ(position.uznalismy, 10005000);
    EXPECT_EQ(position.obciazylismy, 12345600);
    EXPECT_EQ(position.tresc, "pierwsza\r\ndruga");  // stored with the platform's line break

    const app::NotePosition before = position;
    onNextDialog<TfrmEditNota>([](TfrmEditNota &d) {
        d.rxceUznalismy->setText("7");
        d.bbtnAnuluj->click();
    });
    EXPECT_FALSE(notes::EditNotePosition(context, 1, position, false, window.get()));
    EXPECT_EQ(position, before);
}

TEST_F(EditNota, AnAmountThatIsNotOneIsRefusedWithAMessage)
{
    auto d = dialog(1, {5, 100, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, {}});
    d->rxceUznalismy->setText("12,5 zł");
    d->bbtnOK->click();
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_TRUE(prompts.shown[0].text.contains("\"Uznaliśmy\" nie zawiera poprawnej kwoty")) << prompts.shown[0].text.toStdString();

    // A sum is worked out.
    d->rxceUznalismy->setText("100+23,45");
    d->bbtnOK->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->position().uznalismy, 1234500);
}

TEST_F(EditNota, FurtherPositionKeepsNumberDateAndRecipient)
{
    auto d = dialog(2, {3, 0, 0, app::dayNumber(QDate(2021, 11, 10)), alfa, {}});
    EXPECT_TRUE(d->rxseNumer->isReadOnly());
    EXPECT_TRUE(d->dedtData->isReadOnly());
    EXPECT_FALSE(d->bbtnListaKontrahent->isVisible());
    EXPECT_TRUE(d->rxceObciazylismy->isEnabled());
    EXPECT_FALSE(d->memTresc->isReadOnly());
    EXPECT_EQ(d->focusWidget(), d->rxceObciazylismy);
    EXPECT_EQ(d->rxseNumer->value(), 3);
}

TEST_F(EditNota, PreviewDisablesEveryFieldButStaysLegible)
{
    auto d = dialog(1, {3, 100, 0, app::dayNumber(QDate(2021, 11, 10)), alfa, "x"}, true);
    EXPECT_EQ(d->windowTitle(), " Podgląd pozycji noty księgowej");
    for (QWidget *w : std::initializer_list<QWidget *>{d->rxseNumer, d->edtKontrahent, d->bbtnListaKontrahent,
                                                       d->dedtData, d->rxceObciazylismy, d->rxceUznalismy,
                                                       d->bbtnListaOpisow, d->memTresc})
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    EXPECT_TRUE(d->bbtnOK->isEnabled());
    EXPECT_TRUE(d->bbtnAnuluj->isEnabled());
    const QPalette palette = d->edtKontrahent->palette();
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Text), palette.color(QPalette::Active, QPalette::Text));
}

TEST_F(EditNota, RecipientComesOnlyFromItsList)
{
    auto d = dialog(1, fresh(QDate(2021, 12, 1)));
    QTest::keyClicks(d->edtKontrahent, "x");
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Dane w tym polu można wprowadzić tylko z pomocą przycisku LISTA.");
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(prompts.shown[0].icon, app::MessageIcon::Error);
    EXPECT_TRUE(d->edtKontrahent->text().isEmpty());
    QTest::keyClick(d->edtKontrahent, Qt::Key_Tab);  // moving on is no typing
    EXPECT_EQ(prompts.shown.size(), 1);

    onNextDialog<masterdata::TfrmKontrahent>([](masterdata::TfrmKontrahent &list) { list.actWybierz->trigger(); });
    d->bbtnListaKontrahent->click();
    EXPECT_EQ(d->IDKontrahent, alfa);
    EXPECT_EQ(d->edtKontrahent->text(), "Alfa ");
    // Closing the list without choosing clears the recipient.
    onNextDialog<masterdata::TfrmKontrahent>([](masterdata::TfrmKontrahent &list) { list.reject(); });
    d->bbtnListaKontrahent->click();
    EXPECT_EQ(d->IDKontrahent, 0);
    EXPECT_FALSE(d->bbtnOK->isEnabled());
}

TEST_F(EditNota, TextKeepsToTwoHundredCharactersButAStoredLongerOneStaysWhole)
{
    auto d = dialog(1, fresh(QDate(2021, 12, 1)));
    d->memTresc->setFocus();
    QTest::keyClicks(d->memTresc, QString(210, QLatin1Char('a')));
    EXPECT_EQ(d->position().tresc.size(), 200);

    const QString stored(240, QLatin1Char('b'));
    auto longer = dialog(1, {1, 100, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, stored});
    EXPECT_EQ(longer->position().tresc, stored);
}

// "Treść noty" keeps to 200 characters as stored (a line break is two): a
// paste keeps what fits and says so; a key pressed in a full text is refused
// where it was pressed, the end of the text staying.
TEST_F(EditNota, TextTakesWhatFitsOfAPasteAndSaysSoAndRefusesKeysInPlace)
{
    auto d = dialog(1, fresh(QDate(2021, 12, 1)));
    d->memTresc->setPlainText(QString(150, QLatin1Char('a')) + "\nkoniec");  // 158 stored
    QTextCursor at = d->memTresc->textCursor();
    at.setPosition(10);
    d->memTresc->setTextCursor(at);
    QGuiApplication::clipboard()->setText(QString(100, QChar(u'ż')));
    QTest::keyClick(d->memTresc, Qt::Key_V, Qt::ControlModifier);
    const QString full = QString(10, QLatin1Char('a')) + QString(42, QChar(u'ż')) + QString(140, QLatin1Char('a'))
                         + "\r\nkoniec";
    EXPECT_EQ(d->position().tresc, full);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Wklejony tekst jest za długi: pole przyjmuje najwyżej 200 znaków.\r\n"
                                     "Wklejono tylko początek tekstu: 42 z 100 znaków.");

    QTest::keyClicks(d->memTresc, "x");
    EXPECT_EQ(d->position().tresc, full);
    EXPECT_EQ(prompts.shown.size(), 1);
}

TEST_F(EditNota, TypingIntoAnAmountReachedByTabReplacesIt)
{
    auto d = dialog(1, {5, 0, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, {}});
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    d->dedtData->setFocus();
    QTest::keyClick(d->dedtData, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(d->rxceObciazylismy));
    QTest::keyClicks(QApplication::focusWidget(), "1234,5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(d->rxceObciazylismy->text(), "1" + QString(QChar(0x00A0)) + "234,50");
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(d->rxceUznalismy));
}

TEST_F(EditNota, TheKeypadsPointTypesTheDecimalComma)
{
    auto d = dialog(1, {5, 0, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, {}});
    d->rxceUznalismy->clear();
    QTest::keyClicks(d->rxceUznalismy, "12");
    QTest::keyClick(d->rxceUznalismy, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(d->rxceUznalismy, "5");
    EXPECT_EQ(d->rxceUznalismy->text(), "12,5");
    EXPECT_EQ(d->rxceUznalismy->value(), 125000);
}

// After the recipient is chosen the focus is on the date: a date typed with
// dots stays there, the amounts keep what they held, and the number is
// proposed for the typed date.
TEST_F(EditNota, ADateTypedWithDotsStaysInTheDate)
{
    auto d = dialog(1, {0, 0, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, {}});
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    d->dedtData->setFocus();
    testsupport::typeKeys("15.11.2021");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(d->rxceObciazylismy));
    EXPECT_EQ(d->dedtData->date(), QDate(2021, 11, 15));
    EXPECT_EQ(d->rxceObciazylismy->value(), std::optional<qint64>(0));
    EXPECT_EQ(d->rxseNumer->value(), 4);  // November has notes 1 to 3
}

TEST_F(EditNota, OkRefusesADateTheCalendarLacks)
{
    auto d = dialog(1, {5, 1000000, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, {}});
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    d->dedtData->setFocus();
    testsupport::typeKeys("31.11.2021");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Nie ma takiej daty: 31.11.2021.")) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(d->dedtData));
}

TEST_F(EditNota, EnterInAFieldConfirmsAndTabRunsDownTheScreen)
{
    auto d = dialog(1, {5, 1000000, 0, app::dayNumber(QDate(2021, 12, 1)), alfa, {}});
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    d->rxseNumer->setFocus();
    const QList<QWidget *> round = testsupport::tabRound([&](QWidget *field) {
        EXPECT_TRUE(d->bbtnOK->isDefault()) << "Enter in " << field->metaObject()->className() << " would not confirm";
    });
    testsupport::expectTopToBottom(round);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(d->result(), QDialog::Accepted);
}

// A date more than a year from today, either way, is asked about once on
// OK, when the user gave it: for a new note, or a date changed while
// editing. No keeps the dialog open on the date.
TEST_F(EditNota, ADistantDateIsAskedAboutBeforeSaving)
{
    const int stored = app::dayNumber(QDate(2019, 5, 5));
    const struct {
        const char *what;
        int mode;
        app::NotePosition position;
        QDate typed;  // set in the dialog; invalid: left as filled
        bool preview;
        int askedDays;  // 0: no question
    } cases[] = {
        {"new, far ahead", 1, fresh(QDate(2099, 12, 31)), {}, false, 28519},
        {"new, a year ahead", 1, fresh(QDate(2022, 12, 2)), {}, false, 0},
        {"new, changed to a year and a day back", 1, fresh(QDate(2021, 12, 1)), QDate(2020, 11, 29), false, 367},
        {"stored, left alone", 1, {7, 100, 0, stored, alfa, {}}, {}, false, 0},
        {"stored, changed to another distant date", 1, {7, 100, 0, stored, alfa, {}}, QDate(2099, 12, 31), false, 28519},
        {"stored, changed to a near date", 1, {7, 100, 0, stored, alfa, {}}, QDate(2021, 11, 30), false, 0},
        {"further position", 2, {7, 100, 0, stored, alfa, {}}, {}, false, 0},
        {"preview", 1, {7, 100, 0, app::dayNumber(QDate(2099, 12, 31)), alfa, {}}, {}, true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        app::NotePosition position = c.position;
        position.idKontrahent = alfa;
        position.obciazylismy = 100;
        auto d = dialog(c.mode, position, c.preview);
        if (c.typed.isValid())
            d->dedtData->setDate(c.typed);
        prompts.shown.clear();
        prompts.answers = {app::MessageAnswer::No};
        d->bbtnOK->click();
        if (c.askedDays == 0) {
            EXPECT_TRUE(prompts.shown.isEmpty());
            EXPECT_FALSE(d->isVisible());
            continue;
        }
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Data noty ") + d->dedtData->date().toString("dd.MM.yyyy")
                                             + QStringLiteral(" jest odległa o ") + QString::number(c.askedDays)
                                             + QStringLiteral(" dni od dzisiejszej. Czy zapisać ?"));
        EXPECT_EQ(prompts.shown[0].caption, " PYTANIE");
        EXPECT_EQ(prompts.shown[0].buttons, app::MessageButtons::YesNo);
        EXPECT_EQ(prompts.shown[0].defaultAnswer, app::MessageAnswer::No);
        EXPECT_TRUE(d->isVisible()) << "No closed the dialog";
        EXPECT_EQ(d->focusWidget(), static_cast<QWidget *>(d->dedtData));

        prompts.answers = {app::MessageAnswer::Yes};
        d->bbtnOK->click();
        EXPECT_EQ(prompts.shown.size(), 2);
        EXPECT_FALSE(d->isVisible()) << "Yes did not save";
    }
}

// Through the entry operation: No saves nothing, whatever is pressed next.
TEST_F(EditNota, NoToTheDistantDateSavesNothing)
{
    app::NotePosition position{0, 50000, 0, app::dayNumber(QDate(2099, 12, 31)), alfa, {}};
    const app::NotePosition before = position;
    onNextDialog<TfrmEditNota>([this](TfrmEditNota &d) {
        prompts.answers = {app::MessageAnswer::No};
        d.bbtnOK->click();
        EXPECT_TRUE(d.isVisible());
        d.bbtnAnuluj->click();
    });
    EXPECT_FALSE(notes::EditNotePosition(context, 1, position, false, window.get()));
    EXPECT_EQ(position, before);
    EXPECT_EQ(prompts.shown.size(), 1);
}
