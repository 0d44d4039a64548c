// The counterparty list "Odbiorcy": both modes, the search, adding and
// correcting, refused deletes and the counterparty chosen last.
#include "editkontrahent.h"
#include "kontrahent.h"
#include "masterdatafixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace masterdata;
using app::MessageAnswer;

class CounterpartyList : public MasterDataTest {
protected:
    void SetUp() override
    {
        MasterDataTest::SetUp();
        company = addCompany("Nasza firma");
        otherCompany = addCompany("Inna firma");
        app::environment().currentCompany = company;
    }

    int addCounterparty(const QString &name, const QString &active = "Y", const QString &town = {},
                        const QString &other = {}, int owner = 0)
    {
        const int id = DbFixture::addCounterparty(owner ? owner : company, name);
        db::Statement update(transaction, QStringLiteral(
            "update KONTRAHENT set AKTYWNY=:aktywny, MIEJSCOWOSC=:miejscowosc, INNE=:inne where IDKONTRAHENT=:id"));
        update.setText("aktywny", active);
        update.setText("miejscowosc", town);
        update.setText("inne", other);
        update.setInt("id", id);
        update.execute();
        return id;
    }

    QString counterpartyField(int id, const QString &column)
    {
        return stored(QStringLiteral("select %1 from KONTRAHENT where IDKONTRAHENT=%2").arg(column).arg(id));
    }

    static QStringList names(const TfrmKontrahent &window) { return columnTexts(window.dbgKontrahent, "NAZWA1"); }

    static QList<bool> activeColumn(const TfrmKontrahent &window)
    {
        QList<bool> checks;
        const QAbstractItemModel *model = window.dbgKontrahent->model();
        const int column = window.dbgKontrahent->gridModel()->columnOf("sAktywny");
        for (int row = 0; row < model->rowCount(); ++row)
            checks << (model->index(row, column).data(Qt::CheckStateRole).toInt() == Qt::Checked);
        return checks;
    }

    int company = 0;
    int otherCompany = 0;
};

TEST_F(CounterpartyList, ChoosingModeListsOnlyActiveOnesBrowsingModeAllWithTheirMark)
{
    addCounterparty("Aktywny");
    addCounterparty("Nieaktywny", "N");
    addCounterparty("Małe y", "y");  // only the exact "Y" counts in the list
    addCounterparty("Obcy", "Y", {}, {}, otherCompany);
    commitSeed();

    TfrmKontrahent choosing(context, true);
    EXPECT_EQ(names(choosing), QStringList({"Aktywny"}));
    EXPECT_TRUE(choosing.actWybierz->isVisible());

    TfrmKontrahent browsing(context, false);
    EXPECT_EQ(names(browsing), QStringList({"Aktywny", "Małe y", "Nieaktywny"}));
    EXPECT_EQ(activeColumn(browsing), QList<bool>({true, false, false}));
    EXPECT_FALSE(browsing.actWybierz->isVisible());
    browsing.show();
    for (const QToolButton *button : browsing.findChildren<QToolButton *>())
        EXPECT_EQ(button->isVisible(), button->text() != "Wybierz") << button->text().toStdString();
}

TEST_F(CounterpartyList, SearchFindsInactiveOnesAndOtherInformationWithPolishCapitals)
{
    addCounterparty("ŁÓDZKA HURTOWNIA");
    addCounterparty("Piekarnia", "N", "Łódź");
    addCounterparty("Skład", "Y", "Kraków", "oddział łódź");
    addCounterparty("Zakład", "Y", "Kraków");
    addCounterparty("Obca z Łodzi", "Y", "Łódź", {}, otherCompany);
    commitSeed();

    TfrmKontrahent window(context, true);
    ASSERT_EQ(names(window), QStringList({"ŁÓDZKA HURTOWNIA", "Skład", "Zakład"}));
    prompts.inputAnswers = {QString("łód")};
    window.actSzukaj->trigger();

    ASSERT_EQ(prompts.inputs.size(), 1);
    EXPECT_EQ(prompts.inputs[0].title, "Filtrowanie wg zadanej frazy");
    EXPECT_EQ(prompts.inputs[0].prompt, "Fraza z nazwy firmy, ulicy, miasta lub NIP");
    EXPECT_EQ(prompts.inputs[0].value, "");
    EXPECT_EQ(names(window), QStringList({"ŁÓDZKA HURTOWNIA", "Piekarnia", "Skład"}));
    EXPECT_EQ(window.dbgKontrahent->currentRow(), 2);

    // The phrase is offered again, also in the next window; Cancel changes nothing.
    TfrmKontrahent next(context, false);
    prompts.inputAnswers = {std::nullopt};
    next.actSzukaj->trigger();
    EXPECT_EQ(prompts.inputs[1].value, "łód");
    EXPECT_EQ(names(next).size(), 4);
}

TEST_F(CounterpartyList, SearchFindingNothingKeepsTheActionsButTheyNeedARow)
{
    addCounterparty("Alfa");
    commitSeed();
    TfrmKontrahent window(context, true);
    prompts.inputAnswers = {QString("zzz")};
    window.actSzukaj->trigger();
    EXPECT_EQ(window.rowCount(), 0);
    for (QAction *action : {window.actPopraw, window.actPokaz, window.actKasuj, window.actSzukaj})
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();

    // With no row nothing opens, nothing is asked and nothing is chosen.
    window.actPopraw->trigger();
    window.actPokaz->trigger();
    window.actKasuj->trigger();
    window.actWybierz->trigger();
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_NE(window.result(), QDialog::Accepted);

    prompts.inputAnswers = {QString()};
    window.actSzukaj->trigger();
    EXPECT_EQ(names(window), QStringList({"Alfa"}));
}

TEST_F(CounterpartyList, AddedInChoosingModeIsAlwaysActiveAndBelongsToTheCurrentCompany)
{
    addCounterparty("Alfa");
    commitSeed();
    TfrmKontrahent window(context, true);
    onNextDialog<TfrmEditKontrahent>([](TfrmEditKontrahent &dialog) {
        EXPECT_EQ(dialog.windowTitle(), " Edycja odbiorcy");
        EXPECT_TRUE(dialog.cbAktywny->isHidden());
        EXPECT_TRUE(dialog.cbAktywny->isChecked());
        EXPECT_EQ(dialog.edtKraj->text(), "Polska");
        dialog.edtNazwa1->setText("Beta");
        dialog.edtUlica->setText(QString(50, QChar(u'ś')));
        dialog.bbtnOK->click();
    });
    window.actDodaj->trigger();

    const int id = window.currentId();
    EXPECT_EQ(currentText(window.dbgKontrahent, "NAZWA1"), "Beta");
    EXPECT_EQ(counterpartyField(id, "AKTYWNY"), "Y");
    EXPECT_EQ(counterpartyField(id, "IDFIRMA"), QString::number(company));
    EXPECT_EQ(counterpartyField(id, "KRAJ"), "Polska");
    EXPECT_EQ(counterpartyField(id, "ULICA"), QString(50, QChar(u'ś')));
}

TEST_F(CounterpartyList, BrowsingModeOffersAktywnyAndStoresN)
{
    commitSeed();
    TfrmKontrahent window(context, false);
    EXPECT_FALSE(window.actSzukaj->isEnabled());
    onNextDialog<TfrmEditKontrahent>([](TfrmEditKontrahent &dialog) {
        EXPECT_FALSE(dialog.cbAktywny->isHidden());
        dialog.edtNazwa1->setText("Uśpiony");
        dialog.cbAktywny->setChecked(false);
        dialog.bbtnOK->click();
    });
    window.actDodaj->trigger();
    EXPECT_EQ(counterpartyField(window.currentId(), "AKTYWNY"), "N");
    EXPECT_EQ(activeColumn(window), QList<bool>({false}));
    EXPECT_TRUE(window.actSzukaj->isEnabled());
}

TEST_F(CounterpartyList, PoprawReadsTAsActiveAndWritesY)
{
    addCounterparty("Alfa");
    const int id = addCounterparty("Beta", "T");
    execute(QStringLiteral("update KONTRAHENT set NAZWA2='  druga linia ' where IDKONTRAHENT=%1").arg(id));
    commitSeed();
    TfrmKontrahent window(context, false);
    selectRow(window.dbgKontrahent, "IDKONTRAHENT", id);
    onNextDialog<TfrmEditKontrahent>([](TfrmEditKontrahent &dialog) {
        EXPECT_TRUE(dialog.cbAktywny->isChecked());
        EXPECT_EQ(dialog.edtNazwa2->text(), "druga linia");
        dialog.bbtnOK->click();
    });
    window.actPopraw->trigger();
    EXPECT_EQ(counterpartyField(id, "AKTYWNY"), "Y");
    EXPECT_EQ(window.currentId(), id);

    onNextDialog<TfrmEditKontrahent>([](TfrmEditKontrahent &dialog) {
        EXPECT_EQ(dialog.windowTitle(), " Podgląd danych odbiorcy");
        EXPECT_FALSE(dialog.edtNazwa1->isEnabled());
        EXPECT_FALSE(dialog.cbAktywny->isEnabled());
        dialog.bbtnOK->click();
    });
    window.actPokaz->trigger();
}

TEST_F(CounterpartyList, RefusedDeleteOfARecipientIsRolledBackAtTheSamePlace)
{
    addCounterparty("Alfa");
    const int beta = addCounterparty("Beta");
    addCounterparty("Gamma");
    addNote(company, beta, 44562, 1);
    commitSeed();
    TfrmKontrahent window(context, false);
    window.dbgKontrahent->setCurrentRow(1);

    prompts.answers = {MessageAnswer::Yes};
    window.actKasuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[0].text, "Czy usunąć zaznaczonego odbiorcę ?");
    EXPECT_EQ(prompts.shown[0].defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(prompts.shown[1].text, "Nie można usunąć tego odbiorcę !");
    EXPECT_EQ(prompts.shown[1].caption, " BŁĄD !");
    EXPECT_EQ(window.currentId(), beta);
    EXPECT_EQ(rowsOf("KONTRAHENT"), 3);

    window.dbgKontrahent->setCurrentRow(2);
    prompts.answers = {MessageAnswer::Yes};
    window.actKasuj->trigger();
    EXPECT_EQ(names(window), QStringList({"Alfa", "Beta"}));
    EXPECT_EQ(window.currentId(), beta);
}

TEST_F(CounterpartyList, TheCounterpartyChosenLastIsCurrentAtTheNextOpening)
{
    addCounterparty("Alfa");
    addCounterparty("Beta");
    const int gamma = addCounterparty("Gamma");
    commitSeed();

    onNextDialog<TfrmKontrahent>([](TfrmKontrahent &window) {
        EXPECT_EQ(window.dbgKontrahent->currentRow(), 0);
        window.dbgKontrahent->setCurrentRow(2);
        QTest::keyClick(window.dbgKontrahent, Qt::Key_Return);
    });
    EXPECT_EQ(ShowCounterpartyList(context, true), gamma);

    onNextDialog<TfrmKontrahent>([gamma](TfrmKontrahent &window) {
        EXPECT_EQ(window.currentId(), gamma);
        QTest::keyClick(window.dbgKontrahent, Qt::Key_Escape);  // not this window's key
        EXPECT_TRUE(window.isVisible());
        window.actWyjscie->trigger();
    });
    EXPECT_EQ(ShowCounterpartyList(context, true), 0);

    TfrmKontrahent browsing(context, false);
    EXPECT_EQ(browsing.currentId(), gamma);
}

TEST_F(CounterpartyList, DoubleClickChoosesOnlyARow)
{
    const int alfa = addCounterparty("Alfa");
    commitSeed();
    onNextDialog<TfrmKontrahent>([](TfrmKontrahent &window) {
        QTest::mouseDClick(window.dbgKontrahent->viewport(), Qt::LeftButton, {},
                           window.dbgKontrahent->visualRect(window.dbgKontrahent->model()->index(0, 1)).center());
    });
    EXPECT_EQ(ShowCounterpartyList(context, true), alfa);

    // An empty list (after a search) is not a choice.
    TfrmKontrahent window(context, true);
    window.show();
    prompts.inputAnswers = {QString("zzz")};
    window.actSzukaj->trigger();
    QTest::mouseDClick(window.dbgKontrahent->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(CounterpartyList, TypedLettersShowThePrefixInTheCaption)
{
    addCounterparty("Alfa");
    addCounterparty("Beta");
    commitSeed();
    TfrmKontrahent window(context, true);
    QTest::keyClick(window.dbgKontrahent, Qt::Key_B);
    QTest::keyClick(window.dbgKontrahent, Qt::Key_E);
    EXPECT_EQ(window.windowTitle(), "Odbiorcy - be");
    EXPECT_EQ(currentText(window.dbgKontrahent, "NAZWA1"), "Beta");
}

TEST_F(CounterpartyList, TypedPolishLettersAndSpacesReachTheirNames)
{
    addCounterparty("Łódzka Spółka");
    addCounterparty("Śląsk Sp. z o.o.");
    addCounterparty("Żabka Polska");
    addCounterparty("Zakład");
    commitSeed();
    TfrmKontrahent window(context, true);
    const auto type = [&](const QString &text) {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::KeyAction::Click, window.dbgKontrahent, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
    };
    type("Ż");
    EXPECT_EQ(currentText(window.dbgKontrahent, "NAZWA1"), "Żabka Polska");
    EXPECT_EQ(window.windowTitle(), "Odbiorcy - ż");
    QTest::keyClick(window.dbgKontrahent, Qt::Key_Backspace);
    type("śl");
    EXPECT_EQ(currentText(window.dbgKontrahent, "NAZWA1"), "Śląsk Sp. z o.o.");
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(window.dbgKontrahent, Qt::Key_Backspace);
    type("łódzka s");
    EXPECT_EQ(currentText(window.dbgKontrahent, "NAZWA1"), "Łódzka Spółka");
    EXPECT_EQ(window.windowTitle(), "Odbiorcy - łódzka s");
}

TEST_F(CounterpartyList, WithoutACurrentCompanyNothingCanBeAdded)
{
    app::environment().currentCompany = 0;
    TfrmKontrahent window(context, false);
    EXPECT_FALSE(window.actDodaj->isEnabled());
    QTest::keyClick(window.dbgKontrahent, Qt::Key_Insert);
    EXPECT_EQ(rowsOf("KONTRAHENT"), 0);
    EXPECT_TRUE(prompts.shown.isEmpty());
}
