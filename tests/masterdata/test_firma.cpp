// The company list "Firmy": adding, correcting, deleting, choosing, the
// incremental search and the stored column layout.
#include "editfirma.h"
#include "firma.h"
#include "masterdatafixture.h"
#include "settings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

using namespace masterdata;
using app::MessageAnswer;

class CompanyList : public MasterDataTest {
protected:
    int addCompany(const QString &name, const QString &nazwa2 = {})
    {
        const int id = DbFixture::addCompany(name);
        db::Statement update(transaction, QStringLiteral("update FIRMA set NAZWA2=:nazwa2 where IDFIRMA=:id"));
        update.setText("nazwa2", nazwa2);
        update.setInt("id", id);
        update.execute();
        return id;
    }
    QString companyField(int id, const QString &column)
    {
        return stored(QStringLiteral("select %1 from FIRMA where IDFIRMA=%2").arg(column).arg(id));
    }
};

TEST_F(CompanyList, EmptyListOffersOnlyDodajWhichStoresTheNewCompany)
{
    TfrmFirma window(context, true);
    for (QAction *action : {window.actPopraw, window.actPokaz, window.actKasuj, window.actWybierz})
        EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
    QTest::keyClick(window.dbgFirma, Qt::Key_Return);
    EXPECT_NE(window.result(), QDialog::Accepted);

    onNextDialog<TfrmEditFirma>([](TfrmEditFirma &dialog) {
        EXPECT_EQ(dialog.windowTitle(), " Edycja firmy - szczegóły");
        EXPECT_EQ(dialog.edtNazwa1->text(), "");
        EXPECT_EQ(dialog.edtSystemNumeracji->text(), "NN");
        EXPECT_TRUE(dialog.rbRoczny->isChecked());
        EXPECT_FALSE(dialog.bbtnOK->isEnabled());
        dialog.edtNazwa1->setText("  Nowa firma");
        dialog.edtMiejscowosc->setText("Łódź");
        dialog.bbtnOK->click();
    });
    window.actDodaj->trigger();

    ASSERT_EQ(window.rowCount(), 1);
    const int id = window.currentId();
    EXPECT_EQ(companyField(id, "NAZWA1"), "Nowa firma");
    EXPECT_EQ(companyField(id, "MIEJSCOWOSC"), "Łódź");
    EXPECT_EQ(companyField(id, "SYSTEMNUMERACJI"), "NN");
    EXPECT_EQ(companyField(id, "NRMIESIECZNA"), "N");
    EXPECT_EQ(companyField(id, "INNE"), "");
    for (QAction *action : {window.actPopraw, window.actPokaz, window.actKasuj, window.actWybierz})
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(CompanyList, CancelledDodajStoresNothing)
{
    addCompany("Alfa");
    commitSeed();
    TfrmFirma window(context, true);
    onNextDialog<TfrmEditFirma>([](TfrmEditFirma &dialog) {
        dialog.edtNazwa1->setText("Beta");
        dialog.bbtnAnuluj->click();
    });
    window.actDodaj->trigger();
    EXPECT_EQ(rowsOf("FIRMA"), 1);
}

TEST_F(CompanyList, AddedCompanyBecomesCurrentAlsoWhenAnotherSharesItsName)
{
    addCompany("Alfa", "A");
    addCompany("Alfa", "C");
    commitSeed();
    TfrmFirma window(context, true);
    onNextDialog<TfrmEditFirma>([](TfrmEditFirma &dialog) {
        dialog.edtNazwa1->setText("Alfa");
        dialog.edtNazwa2->setText("B");
        dialog.bbtnOK->click();
    });
    window.actDodaj->trigger();
    EXPECT_EQ(currentText(window.dbgFirma, "NAZWA2"), "B");
    EXPECT_EQ(window.dbgFirma->currentRow(), 1);
}

TEST_F(CompanyList, PoprawOfMonthlyCompanyWithoutMonthAsksFirstAndStoresY)
{
    addCompany("Druga");
    const int id = addCompany("x");
    execute(QStringLiteral("update FIRMA set NAZWA1='  Pierwsza  ', ULICA=' Długa ', SYSTEMNUMERACJI='NN', "
                           "NRMIESIECZNA='T' where IDFIRMA=%1").arg(id));
    commitSeed();
    TfrmFirma window(context, true);
    selectRow(window.dbgFirma, "IDFIRMA", id);
    ASSERT_EQ(window.currentId(), id);

    prompts.answers = {MessageAnswer::Yes};
    onNextDialog<TfrmEditFirma>([this](TfrmEditFirma &dialog) {
        // The question came while the dialog was filled, before it showed.
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown[0].caption, " PYTANIE");
        EXPECT_EQ(prompts.shown[0].defaultAnswer, MessageAnswer::Yes);
        EXPECT_TRUE(prompts.shown[0].text.endsWith("Czy ustawić system numeracji NN/MM/RRRR ?"));
        EXPECT_TRUE(dialog.rbMiesieczny->isChecked());
        EXPECT_EQ(dialog.edtSystemNumeracji->text(), "NN/MM/RRRR");
        EXPECT_EQ(dialog.edtNazwa1->text(), "Pierwsza");
        EXPECT_EQ(dialog.edtUlica->text(), "Długa");
        dialog.bbtnOK->click();
    });
    window.actPopraw->trigger();

    EXPECT_EQ(companyField(id, "NRMIESIECZNA"), "Y");
    EXPECT_EQ(companyField(id, "SYSTEMNUMERACJI"), "NN/MM/RRRR");
    EXPECT_EQ(companyField(id, "NAZWA1"), "Pierwsza");
    EXPECT_EQ(window.currentId(), id);
}

TEST_F(CompanyList, PokazShowsAndNeverWrites)
{
    const int id = addCompany("Alfa");
    commitSeed();
    TfrmFirma window(context, true);
    onNextDialog<TfrmEditFirma>([](TfrmEditFirma &dialog) {
        EXPECT_EQ(dialog.windowTitle(), " Podgląd danych firmy");
        EXPECT_FALSE(dialog.edtNazwa1->isEnabled());
        EXPECT_FALSE(dialog.rbMiesieczny->isEnabled());
        dialog.edtNazwa1->setText("Zmieniona");
        dialog.bbtnOK->click();
    });
    window.actPokaz->trigger();
    EXPECT_EQ(companyField(id, "NAZWA1"), "Alfa");
}

TEST_F(CompanyList, DeletingTheOnlyCompanyIsRefusedWithoutAQuestion)
{
    addCompany("Jedyna");
    commitSeed();
    TfrmFirma window(context, true);
    window.actKasuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Nie można usunąć jedynej (ostatniej) firmy !");
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(prompts.shown[0].icon, app::MessageIcon::Error);
    EXPECT_EQ(rowsOf("FIRMA"), 1);
}

TEST_F(CompanyList, RefusedDeleteIsRolledBackAndTheListStaysAtTheSamePlace)
{
    addCompany("Alfa");
    const int beta = addCompany("Beta");
    addCompany("Gamma");
    addCounterparty(beta, "Odbiorca Bety");
    commitSeed();
    TfrmFirma window(context, true);
    window.dbgFirma->setCurrentRow(1);

    prompts.answers = {MessageAnswer::Yes};
    window.actKasuj->trigger();

    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[0].text, "Czy usunąć zaznaczoną firmę ?");
    EXPECT_EQ(prompts.shown[0].caption, " PYTANIE");
    EXPECT_EQ(prompts.shown[0].defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(prompts.shown[1].text, "Nie można usunąć tej firmy !");
    EXPECT_EQ(prompts.shown[1].caption, " BŁĄD !");
    EXPECT_EQ(rowsOf("FIRMA"), 3);
    EXPECT_EQ(columnTexts(window.dbgFirma, "NAZWA1"), QStringList({"Alfa", "Beta", "Gamma"}));
    EXPECT_EQ(window.currentId(), beta);

    // The window's transaction is usable again: the next delete goes through.
    window.dbgFirma->setCurrentRow(0);
    prompts.answers = {MessageAnswer::Yes};
    window.actKasuj->trigger();
    EXPECT_EQ(columnTexts(window.dbgFirma, "NAZWA1"), QStringList({"Beta", "Gamma"}));
    EXPECT_EQ(currentText(window.dbgFirma, "NAZWA1"), "Beta");
    EXPECT_EQ(rowsOf("FIRMA"), 2);
}

TEST_F(CompanyList, DeleteOfTheLastRowLeavesTheNewLastRowCurrent)
{
    addCompany("Alfa");
    addCompany("Beta");
    addCompany("Gamma");
    commitSeed();
    TfrmFirma window(context, true);
    window.dbgFirma->setCurrentRow(2);
    prompts.answers = {MessageAnswer::No};
    window.actKasuj->trigger();
    EXPECT_EQ(rowsOf("FIRMA"), 3);

    prompts.answers = {MessageAnswer::Yes};
    window.actKasuj->trigger();
    EXPECT_EQ(rowsOf("FIRMA"), 2);
    EXPECT_EQ(currentText(window.dbgFirma, "NAZWA1"), "Beta");
}

TEST_F(CompanyList, TypedLettersAndDigitsMoveToTheFirstMatchingNameAndShowThePrefix)
{
    addCompany("Beta");
    addCompany("Alfa");
    addCompany("ABC Sp");
    commitSeed();
    TfrmFirma window(context, true);
    window.dbgFirma->setCurrentRow(2);
    const auto type = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.dbgFirma, key, modifiers);
    };

    type(Qt::Key_A, Qt::ShiftModifier);
    type(Qt::Key_B);
    EXPECT_EQ(window.windowTitle(), "Firmy - ab");
    EXPECT_EQ(currentText(window.dbgFirma, "NAZWA1"), "ABC Sp");
    type(Qt::Key_Backspace);
    EXPECT_EQ(window.windowTitle(), "Firmy - a");
    type(Qt::Key_L);
    EXPECT_EQ(currentText(window.dbgFirma, "NAZWA1"), "Alfa");
    type(Qt::Key_1);  // no name begins "al1": the row stays
    EXPECT_EQ(window.windowTitle(), "Firmy - al1");
    EXPECT_EQ(currentText(window.dbgFirma, "NAZWA1"), "Alfa");
    for (int i = 0; i < 4; ++i)
        type(Qt::Key_Backspace);
    EXPECT_EQ(window.windowTitle(), "Firmy - ");
    EXPECT_EQ(window.dbgFirma->currentRow(), 0);
}

TEST_F(CompanyList, ChoosingReturnsTheCurrentCompanyAndCancelReturnsZero)
{
    addCompany("Alfa");
    const int beta = addCompany("Beta");
    commitSeed();

    onNextDialog<TfrmFirma>([](TfrmFirma &window) {
        EXPECT_TRUE(window.actWybierz->isVisible());
        window.dbgFirma->setCurrentRow(1);
        QTest::keyClick(window.dbgFirma, Qt::Key_Return);
    });
    EXPECT_EQ(ShowCompanyList(context, true), beta);

    onNextDialog<TfrmFirma>([](TfrmFirma &window) {
        window.dbgFirma->setCurrentRow(1);
        window.actWyjscie->trigger();
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_EQ(ShowCompanyList(context, true), 0);

    onNextDialog<TfrmFirma>([](TfrmFirma &window) {
        QTest::keyClick(window.dbgFirma, Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_EQ(ShowCompanyList(context, true), 0);

    // The keys of the actions: Delete asks, Insert opens the details dialog.
    onNextDialog<TfrmFirma>([this](TfrmFirma &window) {
        QApplication::setActiveWindow(&window);
        prompts.answers = {MessageAnswer::No};
        QTest::keyClick(window.dbgFirma, Qt::Key_Delete);
        EXPECT_EQ(prompts.shown.size(), 1);
        onNextDialog<TfrmEditFirma>([](TfrmEditFirma &) {});
        QTest::keyClick(window.dbgFirma, Qt::Key_Insert);
        window.reject();
    });
    ShowCompanyList(context, true);
}

TEST_F(CompanyList, BrowsingModeHasNoWybierzAndIgnoresEnterAndDoubleClick)
{
    addCompany("Alfa");
    commitSeed();
    TfrmFirma window(context, false);
    window.show();
    EXPECT_FALSE(window.actWybierz->isVisible());
    QTest::keyClick(window.dbgFirma, Qt::Key_Return);
    QTest::mouseDClick(window.dbgFirma->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Wynik, 0);
}

TEST_F(CompanyList, DoubleClickOnAnEmptyListClosesWithZero)
{
    onNextDialog<TfrmFirma>([](TfrmFirma &window) {
        QTest::mouseDClick(window.dbgFirma->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_EQ(ShowCompanyList(context, true), 0);
}

TEST_F(CompanyList, ColumnLayoutIsKeptInConfigIni)
{
    addCompany("Alfa");
    commitSeed();
    {
        TfrmFirma window(context, true);
        window.dbgFirma->setColumnWidth(window.dbgFirma->gridModel()->columnOf("ULICA"), 321);
    }
    const QString configFile = app::configFilePath(database.folder());
    EXPECT_TRUE(configFile.endsWith("/Config.ini")) << configFile.toStdString();
    QSettings settings(configFile, QSettings::IniFormat);
    EXPECT_EQ(settings.value("frmFirma.dbgFirma/Columns").toInt(), 13);

    TfrmFirma reopened(context, true);
    EXPECT_EQ(reopened.dbgFirma->columnWidth(reopened.dbgFirma->gridModel()->columnOf("ULICA")), 321);
    EXPECT_TRUE(reopened.dbgFirma->isColumnHidden(reopened.dbgFirma->gridModel()->columnOf("IDFIRMA")));
}
