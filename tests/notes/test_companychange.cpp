// "Zmiana firmy" through the company list, and the refresh on "OdswiezNota"
// while a modal dialog is open.
#include "firma.h"
#include "notesfixture.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>

using testsupport::waitFor;

namespace {

// Runs `act` on the company list once it is the active modal window.
void whenCompanyListShows(const std::function<void(masterdata::TfrmFirma &)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *list = qobject_cast<masterdata::TfrmFirma *>(QApplication::activeModalWidget());
        ASSERT_NE(list, nullptr);
        act(*list);
    });
}

} // namespace

using CompanyChange = NotesFixture;

TEST_F(CompanyChange, ChosenCompanyBecomesCurrentAndItsListOpensOnTheLastRow)
{
    const int first = addCompany("Alfa");
    const int second = addCompany("Beta", "NNN");
    const int k = addCounterparty(second, "K");
    addNote(second, k, QDate(2022, 2, 1), 1, 100, 0);
    addNote(second, k, QDate(2022, 2, 2), 2, 100, 0);
    env.currentCompany = first;
    notes::TfrmMain &w = openWindow();
    EXPECT_EQ(w.notesModel()->rowCount(), 0);
    EXPECT_FALSE(w.actPopraw->isEnabled());

    whenCompanyListShows([](masterdata::TfrmFirma &list) {
        list.dbgFirma->setCurrentRow(1);  // "Beta", by name
        list.actWybierz->trigger();
    });
    w.actZmianaFirmy->trigger();

    EXPECT_EQ(env.currentCompany, second);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Wybrano firmę: Beta");
    EXPECT_EQ(prompts.shown[0].caption, " INFORMACJA");
    EXPECT_EQ(w.statusPanel1->text(), " Beta");
    ASSERT_EQ(w.notesModel()->rowCount(), 2);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 1);
    EXPECT_EQ(cell(1, 1), "002");
    EXPECT_TRUE(w.actPopraw->isEnabled());
}

TEST_F(CompanyChange, CancelKeepsTheCompanyAndSaysNothing)
{
    const int first = addCompany("Alfa");
    addCompany("Beta");
    env.currentCompany = first;
    notes::TfrmMain &w = openWindow();
    whenCompanyListShows([](masterdata::TfrmFirma &list) { list.actWyjscie->trigger(); });
    w.actZmianaFirmy->trigger();
    EXPECT_EQ(env.currentCompany, first);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(CompanyChange, RefreshReachesTheListWhileADialogIsOpen)
{
    const int company = addCompany("A");
    const int k = addCounterparty(company, "K");
    env.currentCompany = company;
    addNote(company, k, QDate(2022, 1, 3), 1, 100, 0);
    notes::TfrmMain &w = openWindow();
    ASSERT_TRUE(waitFor([&] { return w.refreshListener()->counting(); }));  // commits are heard from here on

    QDialog dialog(&w);
    bool refreshedInside = false;
    QTimer::singleShot(0, [&] {
        db::Transaction other(data.IBDatabase1);
        other.start();
        db::Statement insert(other, QStringLiteral(
            "INSERT INTO NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY) values (:f, 44565, 2, :k, 1, 0)"));
        insert.setInt(QStringLiteral("f"), company);
        insert.setInt(QStringLiteral("k"), k);
        insert.execute();
        other.commit();
        refreshedInside = waitFor([&] { return w.notesModel()->rowCount() == 2; });
        dialog.accept();
    });
    dialog.exec();
    EXPECT_TRUE(refreshedInside);
}
