// The details dialogs: when "OK" may be pressed, the numbering question,
// the pattern in capitals, stored texts longer than the typing limits, and
// the keyboard: Enter confirms, Tab runs down the screen.
#include "editfirma.h"
#include "editkontrahent.h"
#include "dialogkeys.h"
#include "scriptedprompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace masterdata;
using app::MessageAnswer;

namespace {

const QString kNumberingQuestion = QStringLiteral(
    "Ustawiony jest MIESIĘCZNY system numeracji. Tymczasem numer noty\r\n"
    "nie zawiera numeru miesiąca. Zalecana jest zmiana tego ustawienia.\r\n\r\n"
    "Czy ustawić system numeracji NN/MM/RRRR ?");

std::unique_ptr<PartyDialog> companyDialog(const QString &name)
{
    auto dialog = std::make_unique<TfrmEditFirma>(ui::prompts());
    CompanyFields fields;
    fields.texts.nazwa1 = name;
    dialog->setFields(fields, false);
    return dialog;
}

std::unique_ptr<PartyDialog> counterpartyDialog(const QString &name)
{
    auto dialog = std::make_unique<TfrmEditKontrahent>();
    CounterpartyFields fields;
    fields.texts.nazwa1 = name;
    dialog->setFields(fields, false, false);
    return dialog;
}

} // namespace

TEST(DetailsDialogs, OkNeedsANameOfMoreThanTwoCharactersWithoutSurroundingBlanks)
{
    const struct {
        QString name;
        bool ok;
    } cases[] = {{"", false}, {"ab", false}, {"  ab  ", false}, {"     ", false},
                 {"abc", true}, {" a c ", true}, {"Łóź", true}};
    for (const auto &make : {companyDialog, counterpartyDialog}) {
        for (const auto &c : cases) {
            // Checked when the dialog is filled and on every change of the name.
            EXPECT_EQ(make(c.name)->bbtnOK->isEnabled(), c.ok) << c.name.toStdString();
            const auto dialog = make("Początkowa");
            dialog->edtNazwa1->setText(c.name);
            EXPECT_EQ(dialog->bbtnOK->isEnabled(), c.ok) << c.name.toStdString();
        }
    }
}

TEST(DetailsDialogs, SelectingMonthlyWithoutMonthInThePatternAsksToSetIt)
{
    const struct {
        QString pattern;
        MessageAnswer answer;
        bool asked;
        QString result;
    } cases[] = {
        {"NN", MessageAnswer::Yes, true, "NN/MM/RRRR"},
        {"NN/RRRR", MessageAnswer::No, true, "NN/RRRR"},
        {"", MessageAnswer::Yes, true, "NN/MM/RRRR"},
        {"NN/MM", MessageAnswer::Yes, false, "NN/MM"},
    };
    for (const auto &c : cases) {
        testsupport::ScriptedPrompts prompts;
        prompts.answers = {c.answer};
        TfrmEditFirma dialog(prompts);
        CompanyFields fields;
        fields.systemNumeracji = c.pattern;
        dialog.setFields(fields, false);
        EXPECT_TRUE(prompts.shown.isEmpty());  // "roczny" asks nothing
        dialog.rbMiesieczny->setChecked(true);
        ASSERT_EQ(prompts.shown.size(), c.asked ? 1 : 0) << c.pattern.toStdString();
        if (c.asked) {
            EXPECT_EQ(prompts.shown[0].text, kNumberingQuestion);
            EXPECT_EQ(prompts.shown[0].caption, " PYTANIE");
            EXPECT_EQ(prompts.shown[0].defaultAnswer, MessageAnswer::Yes);
        }
        EXPECT_EQ(dialog.fields().systemNumeracji, c.result) << c.pattern.toStdString();
        EXPECT_TRUE(dialog.fields().nrMiesieczna);
    }
}

TEST(DetailsDialogs, AMonthlyCompanyShownAsksTooAndStaysInert)
{
    testsupport::ScriptedPrompts prompts;
    prompts.answers = {MessageAnswer::No};
    CompanyFields fields;
    fields.texts.nazwa1 = "Firma";
    fields.systemNumeracji = "NN";
    fields.nrMiesieczna = true;
    TfrmEditFirma dialog(prompts);
    dialog.setFields(fields, true);
    EXPECT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(dialog.windowTitle(), " Podgląd danych firmy");
    for (QWidget *input : std::initializer_list<QWidget *>{dialog.edtNazwa1, dialog.edtTelefon, dialog.rbRoczny,
                                                           dialog.edtSystemNumeracji})
        EXPECT_FALSE(input->isEnabled());
    EXPECT_TRUE(dialog.rbMiesieczny->isChecked());
}

TEST(DetailsDialogs, ThePatternIsTypedInCapitals)
{
    TfrmEditFirma dialog(ui::prompts());
    dialog.setFields({}, false);
    dialog.edtSystemNumeracji->clear();
    QTest::keyClicks(dialog.edtSystemNumeracji, "nn/mm/rrrr");
    EXPECT_EQ(dialog.fields().systemNumeracji, "NN/MM/RRRR");
}

TEST(DetailsDialogs, StoredTextsLongerThanTheTypingLimitComeBackWhole)
{
    const QString street(45, QChar(u'ż'));
    TfrmEditFirma dialog(ui::prompts());
    CompanyFields fields;
    fields.texts.nazwa1 = "Firma";
    fields.texts.ulica = street;
    dialog.setFields(fields, false);
    EXPECT_EQ(dialog.fields().texts.ulica, street);

    // Typing still stops at the limit of a company's street.
    TfrmEditFirma fresh(ui::prompts());
    fresh.setFields({}, false);
    QTest::keyClicks(fresh.edtUlica, QString(35, QLatin1Char('a')));
    EXPECT_EQ(fresh.fields().texts.ulica.size(), 30);
}

TEST(DetailsDialogs, ShownRecordsAreDisabledButLegibleAndEveryLabelLeadsToItsField)
{
    for (const auto &make : {companyDialog, counterpartyDialog}) {
        const auto dialog = make("Łódzka Spółka");
        for (QLineEdit *edit : dialog->findChildren<QLineEdit *>()) {
            bool labelled = false;
            for (QLabel *label : dialog->findChildren<QLabel *>())
                labelled = labelled || label->buddy() == edit;
            EXPECT_TRUE(labelled || edit == dialog->edtNazwa2) << edit->objectName().toStdString();
        }
    }
    TfrmEditKontrahent shown;
    shown.setFields({}, true, false);
    EXPECT_FALSE(shown.edtNazwa1->isEnabled());
    const QPalette palette = shown.edtNazwa1->palette();
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Text), palette.color(QPalette::Active, QPalette::Text));
}

// Enter in a field never throws the edits away: it confirms, also after Tab
// has passed "OK" and "Anuluj"; and Tab runs down the screen.
TEST(DetailsDialogs, EnterInAFieldConfirmsAndTabRunsDownTheScreen)
{
    for (const auto &make : {companyDialog, counterpartyDialog}) {
        const auto dialog = make("Biuro Rachunkowe");
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        dialog->edtNazwa1->setFocus();
        const QList<QWidget *> round = testsupport::tabRound([&](QWidget *field) {
            EXPECT_TRUE(dialog->bbtnOK->isDefault())
                << "Enter in " << field->metaObject()->className() << " would not confirm";
        });
        testsupport::expectTopToBottom(round);
        EXPECT_EQ(round.value(round.size() - 2), dialog->bbtnOK);
        EXPECT_EQ(round.last(), dialog->bbtnAnuluj);

        // A changed phone number, Tab round to the field after "Anuluj", Enter.
        dialog->edtTelefon->setFocus();
        QTest::keyClicks(dialog->edtTelefon, "22 123 45 67");
        QWidget *previous = nullptr;
        while (previous != dialog->bbtnAnuluj) {
            previous = QApplication::focusWidget();
            QTest::keyClick(previous, Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->texts().telefon, "22 123 45 67");
    }
}

TEST(DetailsDialogs, EnterAfterTheNumberingQuestionKeepsTheMonthlyNumbering)
{
    testsupport::ScriptedPrompts prompts;
    prompts.answers = {MessageAnswer::Yes};
    TfrmEditFirma dialog(prompts);
    CompanyFields fields;
    fields.texts.nazwa1 = "Biuro";
    fields.systemNumeracji = "NN";
    dialog.setFields(fields, false);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.edtTelefon->setFocus();
    QTest::keyClick(dialog.edtTelefon, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(dialog.rbMiesieczny));
    QTest::keyClick(dialog.rbMiesieczny, Qt::Key_Space);  // the question, answered Yes
    ASSERT_EQ(prompts.shown.size(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.fields().nrMiesieczna);
    EXPECT_EQ(dialog.fields().systemNumeracji, "NN/MM/RRRR");
}

// Every text field of both dialogs: a paste longer than the field keeps what
// fits and says so; the stored texts of the other fields stay.
TEST(DetailsDialogs, APasteLongerThanAFieldKeepsWhatFitsAndSaysSo)
{
    testsupport::ScriptedPrompts prompts;
    TfrmEditFirma company(prompts);
    company.setFields({}, false);
    TfrmEditKontrahent counterparty;
    counterparty.setFields({}, false, false);
    const struct {
        QLineEdit *edit;
        int limit;
    } cases[] = {
        {company.edtNazwa1, 40},       {company.edtNazwa2, 40},         {company.edtUlica, 30},
        {company.edtNumerDomu, 15},    {company.edtKodPocztowy, 15},    {company.edtMiejscowosc, 30},
        {company.edtKraj, 30},         {company.edtNIP, 20},            {company.edtTelefon, 30},
        {company.edtSystemNumeracji, 30}, {counterparty.edtNazwa1, 40}, {counterparty.edtUlica, 50},
        {counterparty.edtTelefon, 30},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.limit);
        c.edit->clear();
        prompts.shown.clear();
        QGuiApplication::clipboard()->setText(QString(c.limit + 7, QChar(u'ż')));
        QTest::keyClick(c.edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(c.edit->text().size(), c.limit);
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown[0].caption, " INFORMACJA");
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Wklejony tekst jest za długi: pole przyjmuje najwyżej %1 znaków.\r\n"
                                                        "Wklejono tylko początek tekstu: %1 z %2 znaków.")
                                             .arg(c.limit)
                                             .arg(c.limit + 7));
    }
}

// A stored street longer than a company's limit is shown whole; a paste
// into it counts from its length.
TEST(DetailsDialogs, APasteIntoALongerStoredTextKeepsTheStoredText)
{
    testsupport::ScriptedPrompts prompts;
    const QString street(33, QChar(u'ż'));
    TfrmEditFirma dialog(prompts);
    CompanyFields fields;
    fields.texts.nazwa1 = "Firma";
    fields.texts.ulica = street;
    dialog.setFields(fields, false);
    dialog.edtUlica->end(false);
    QGuiApplication::clipboard()->setText("abc");
    QTest::keyClick(dialog.edtUlica, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dialog.fields().texts.ulica, street);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.endsWith("Pole jest już pełne, więc nic nie wklejono."));
}
