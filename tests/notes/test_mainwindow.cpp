// The main window over a real database: banner, display columns, colours,
// the last row, the double-row setting, the refresh on "OdswiezNota" and
// the closing question.
#include "modaldialog.h"
#include "notesfixture.h"
#include "settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QProcess>
#include <QStyle>
#include <QTest>

#include <limits>

using testsupport::waitFor;

namespace {
const QString nb = QString(QChar(0x00A0));
}

using MainWindow = NotesFixture;

TEST_F(MainWindow, WithoutCompaniesShowsTheBannerAndDisablesRowCommands)
{
    notes::TfrmMain &w = openWindow();
    EXPECT_EQ(env.currentCompany, 0);
    EXPECT_TRUE(w.pnlBanner->isVisible());
    EXPECT_EQ(w.pnlBanner->text(), "Proszę wybrać firmę");
    EXPECT_EQ(w.statusPanel1->text(), " BRAK WYBRANEJ FIRMY");
    for (QAction *a : {w.actPopraw, w.actPokaz, w.actKasuj, w.actDrukuj})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(w.actDodaj->isEnabled());
    EXPECT_EQ(w.windowTitle(), "Mirelo ver.2022.01 rev.01");
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MainWindow, ShowsDisplayColumnsInNoteColoursAndOpensOnTheLastRow)
{
    const int company = addCompany("Biuro", "NN/MM/RRRR");
    const int counterparty = addCounterparty(company, "Odbiorca Łódź");
    env.currentCompany = company;
    for (int number = 4; number <= 8; ++number)
        addNote(company, counterparty, QDate(2021, 11, 30), number, number == 5 ? 0 : 12345675000,
                number == 5 ? 5000 : 0);

    notes::TfrmMain &w = openWindow();
    EXPECT_FALSE(w.pnlBanner->isVisible());
    EXPECT_EQ(w.statusPanel1->text(), " Biuro");
    const notes::NotesListModel &model = *w.notesModel();
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 4);

    EXPECT_EQ(cell(0, 0), "30.11.2021");
    EXPECT_EQ(cell(0, 1), "4/11/2021");
    EXPECT_EQ(cell(0, 2), "Odbiorca Łódź");
    EXPECT_EQ(cell(0, 3), "1" + nb + "234" + nb + "567,50");
    EXPECT_EQ(cell(0, 4), "---");
    EXPECT_EQ(cell(1, 3), "---");
    EXPECT_EQ(cell(1, 4), "0,50");
    EXPECT_EQ(cell(0, 5), "treść");

    const QColor expected[] = {{203, 250, 209}, {208, 219, 249}, {248, 254, 169}, {209, 209, 209}, {203, 250, 209}};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(model.index(row, 2).data(Qt::BackgroundRole).value<QColor>(), expected[row]) << row;
    for (QAction *a : {w.actPopraw, w.actPokaz, w.actKasuj, w.actDrukuj})
        EXPECT_TRUE(a->isEnabled());
}

TEST_F(MainWindow, ListRunsByYearMonthNumberAndEntryOrder)
{
    const int company = addCompany("A");
    const int other = addCompany("B");
    const int k = addCounterparty(company, "K");
    env.currentCompany = company;
    addNote(company, k, QDate(2022, 1, 5), 1, 100, 0, "2022 first");
    addNote(company, k, QDate(2021, 12, 1), 2, 100, 0, "december 2");
    addNote(company, k, QDate(2021, 12, 1), 1, 100, 0, "december 1a");
    addNote(company, k, QDate(2021, 12, 1), 1, 100, 0, "december 1b");
    addNote(other, addCounterparty(other, "X"), QDate(2021, 12, 1), 1, 100, 0, "other company");
    openWindow();
    QStringList texts;
    for (int row = 0; row < window->notesModel()->rowCount(); ++row)
        texts << cell(row, 5);
    EXPECT_EQ(texts, QStringList({"december 1a", "december 1b", "december 2", "2022 first"}));
}

TEST_F(MainWindow, MissingCompanyFromSettingsGivesWayToTheFirst)
{
    const int first = addCompany("Pierwsza");
    addCompany("Druga");
    env.currentCompany = 999;
    openWindow();
    EXPECT_EQ(env.currentCompany, first);
    EXPECT_EQ(window->statusPanel1->text(), " Pierwsza");
}

TEST_F(MainWindow, DoubleRowSwitchedOffIsRememberedAcrossARestart)
{
    addCompany("A");
    notes::TfrmMain &w = openWindow();
    EXPECT_TRUE(w.actWierszPodwojny->isChecked());
    const int doubleHeight = w.XDBGrid1->verticalHeader()->defaultSectionSize();
    w.actWierszPodwojny->trigger();
    EXPECT_FALSE(env.doubleRow);
    EXPECT_LT(w.XDBGrid1->verticalHeader()->defaultSectionSize(), doubleHeight);
    window.reset();
    ASSERT_TRUE(app::WriteSettings(env));

    env.doubleRow = true;
    app::ReadSettings(env);
    EXPECT_FALSE(env.doubleRow);
    notes::TfrmMain &again = openWindow();
    EXPECT_FALSE(again.actWierszPodwojny->isChecked());
    EXPECT_EQ(again.XDBGrid1->linesPerRow(), 1);
}

TEST_F(MainWindow, GridLayoutIsKeptInConfigIni)
{
    addCompany("A");
    openWindow();
    window->XDBGrid1->setColumnWidth(2, 222);
    window.reset();
    openWindow();
    EXPECT_EQ(window->XDBGrid1->columnWidth(2), 222);
    QFile config(app::configFilePath(env.workingFolder));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(config.readAll().contains("[frmMain.XDBGrid1]"));
}

namespace {

// Whether the grid shows the cell's text whole: the text fits between the
// cell's margins, as the grid's style lays it out, inside the grid line.
bool shownWhole(const ui::DataGrid &grid, int row, int column)
{
    const QString text = grid.model()->index(row, column).data().toString();
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    const int room = grid.columnWidth(column) - (grid.showGrid() ? 1 : 0) - 2 * margin;
    return QFontMetrics(grid.font()).horizontalAdvance(text) <= room;
}

} // namespace

// The amount columns widen to the largest amounts of the list, also the
// largest the database holds, and otherwise keep the width the user chose;
// that width, not the widened one, is what Config.ini keeps.
TEST_F(MainWindow, AmountColumnsFitTheLargestAmountOfTheList)
{
    const int company = addCompany("A");
    const int k = addCounterparty(company, "K");
    env.currentCompany = company;
    addNote(company, k, QDate(2022, 1, 3), 1, 250000, 250000, "mała");
    addNote(company, k, QDate(2022, 1, 3), 1, 1'500'000'000'0000, 0, "duża");
    addNote(company, k, QDate(2022, 1, 3), 1, 0, std::numeric_limits<qint64>::min() + 1, "największa");
    notes::TfrmMain &w = openWindow();
    const ui::DataGrid &grid = *w.XDBGrid1;
    const int debit = w.notesModel()->columnOf("sObciazylismy"), credit = w.notesModel()->columnOf("sUznalismy");
    ASSERT_EQ(cell(1, debit), "1" + nb + "500" + nb + "000" + nb + "000,00");
    ASSERT_EQ(cell(2, credit), "-922" + nb + "337" + nb + "203" + nb + "685" + nb + "477,58");
    for (int row = 0; row < 3; ++row)
        for (const int column : {debit, credit})
            EXPECT_TRUE(shownWhole(grid, row, column)) << cell(row, column).toStdString();

    // Dragged narrower, a column stops at its widest amount; dragged wider, it stays so.
    w.XDBGrid1->setColumnWidth(debit, 60);
    EXPECT_TRUE(shownWhole(grid, 1, debit));
    w.XDBGrid1->setColumnWidth(credit, 400);
    EXPECT_EQ(grid.columnWidth(credit), 400);

    // Without the large amounts, the widths chosen come back.
    transaction.start();
    db::Statement(transaction, QStringLiteral("delete from NOTA where TRESC<>'mała'")).execute();
    transaction.commit();
    w.OpenNotesList();
    EXPECT_EQ(grid.columnWidth(debit), 60);
    EXPECT_EQ(grid.columnWidth(credit), 400);
    w.XDBGrid1->setColumnWidth(debit, 105);

    window.reset();
    QFile config(app::configFilePath(env.workingFolder));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray layout = config.readAll();
    EXPECT_TRUE(layout.contains("=sObciazylismy,105,1")) << layout.toStdString();
    EXPECT_TRUE(layout.contains("=sUznalismy,400,1")) << layout.toStdString();
}

TEST_F(MainWindow, ClosingAsksAndNoKeepsTheWindow)
{
    addCompany("A");
    notes::TfrmMain &w = openWindow();
    prompts.answers = {app::MessageAnswer::No};
    QApplication::setActiveWindow(&w);
    w.XDBGrid1->setFocus();
    QTest::keyClick(w.XDBGrid1, Qt::Key_Escape);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Czy na pewno opuścić program ?");
    EXPECT_EQ(prompts.shown[0].caption, "Wyjście z programu");
    EXPECT_EQ(prompts.shown[0].icon, app::MessageIcon::Question);
    EXPECT_EQ(prompts.shown[0].buttons, app::MessageButtons::YesNo);
    EXPECT_TRUE(w.isVisible());

    prompts.answers = {app::MessageAnswer::Yes};
    w.actWyjscie->trigger();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindow, ChangeCommittedByAnotherProcessReachesTheList)
{
    const int company = addCompany("A");
    const int k = addCounterparty(company, "K");
    env.currentCompany = company;
    addNote(company, k, QDate(2022, 1, 3), 1, 100, 0);
    addNote(company, k, QDate(2022, 1, 3), 2, 100, 0);
    notes::TfrmMain &w = openWindow();
    ASSERT_EQ(w.notesModel()->rowCount(), 2);
    w.XDBGrid1->setCurrentRow(0);
    const qint32 remembered = w.currentNote()->idNota;
    ASSERT_TRUE(waitFor([&] { return w.refreshListener()->counting(); }));  // commits are heard from here on

    QProcess writer;
    writer.start(QStringLiteral(NOTA_WRITER), {database.path(), "commit"});
    ASSERT_TRUE(writer.waitForFinished(30000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();

    EXPECT_TRUE(waitFor([&] { return w.notesModel()->rowCount() == 3; }));
    EXPECT_EQ(w.currentNote()->idNota, remembered);
}

// A desk whose company has no notes yet sees another desk's first one, and
// the commands that need a position come to life.
TEST_F(MainWindow, AnEmptyListHearsAnotherProcessesFirstNote)
{
    const int company = addCompany("A");
    addCounterparty(company, "K");
    env.currentCompany = company;
    notes::TfrmMain &w = openWindow();
    ASSERT_EQ(w.notesModel()->rowCount(), 0);
    ASSERT_FALSE(w.actPopraw->isEnabled());
    ASSERT_TRUE(waitFor([&] { return w.refreshListener()->counting(); }));

    QProcess writer;
    writer.start(QStringLiteral(NOTA_WRITER), {database.path(), "commit"});
    ASSERT_TRUE(writer.waitForFinished(30000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();

    EXPECT_TRUE(waitFor([&] { return w.notesModel()->rowCount() == 1; }));
    EXPECT_EQ(w.XDBGrid1->currentRow(), 0);
    for (QAction *a : {w.actPopraw, w.actPokaz, w.actKasuj, w.actDrukuj})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(MainWindow, OpenCurrentNoteNarrowsToItsPositionsAndTheSpanIsInDays)
{
    const int company = addCompany("A");
    const int k = addCounterparty(company, "K");
    env.currentCompany = company;
    addNote(company, k, QDate(2022, 3, 1), 1, 100, 0, "a");
    addNote(company, k, QDate(2022, 3, 1), 2, 100, 0, "b1");
    addNote(company, k, QDate(2022, 3, 1), 2, 200, 0, "b2");
    addNote(company, k, QDate(2022, 5, 13), 3, 100, 0, "c");
    notes::TfrmMain &w = openWindow();
    EXPECT_EQ(w.ListDateSpan(), 73);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 3) << "the span moved the current row";

    w.XDBGrid1->setCurrentRow(1);
    w.OpenCurrentNote();
    ASSERT_EQ(w.notesModel()->rowCount(), 2);
    EXPECT_EQ(cell(0, 5), "b1");
    EXPECT_EQ(cell(1, 5), "b2");
    EXPECT_EQ(w.XDBGrid1->currentRow(), 1);
    EXPECT_EQ(w.ListDateSpan(), 0);

    w.OpenNotesList();
    EXPECT_EQ(w.notesModel()->rowCount(), 4);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 3);
}

TEST_F(MainWindow, FilteredStatusDisablesAddingAndMoves)
{
    addCompany("A");
    notes::TfrmMain &w = openWindow();
    w.statusPanel0->setText(" Filtrowane");
    w.UpdateActions();
    for (QAction *a : {w.actDodaj, w.actUp, w.actDown})
        EXPECT_FALSE(a->isEnabled());
    w.statusPanel0->setText(" ");
    w.UpdateActions();
    EXPECT_TRUE(w.actDodaj->isEnabled());
}

// "Drukuj", "Filtruj" and "Zestawienie not" each from its key on the list,
// shown beside the command in a menu; the keys of the other commands stay.
TEST_F(MainWindow, PrintFilterAndRegisterHaveKeysShownInTheMenus)
{
    const int company = addCompany("A");
    addNote(company, addCounterparty(company, "Alfa"), QDate(2022, 3, 1), 1, 100, 0);
    notes::TfrmMain &w = openWindow();

    const struct {
        QAction *action;
        QKeySequence key;
    } cases[] = {
        {w.actDrukuj, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {w.actFiltr, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {w.actRejestrNot, QKeySequence(Qt::CTRL | Qt::Key_R)},
    };
    QList<QAction *> inMenus;
    for (QAction *menu : w.menuBar()->actions())
        if (menu->menu())
            inMenus += menu->menu()->actions();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action->text().toStdString());
        EXPECT_EQ(c.action->shortcut(), c.key);
        EXPECT_TRUE(inMenus.contains(c.action));
        QSignalSpy triggered(c.action, &QAction::triggered);
        // The window is active again after the dialog the key before opened.
        QApplication::setActiveWindow(&w);
        w.XDBGrid1->setFocus();
        onNextDialog<QDialog>([](QDialog &dialog) { dialog.reject(); });  // the print question or the filter
        QTest::keyClick(w.XDBGrid1, c.key[0].key(), c.key[0].keyboardModifiers());
        EXPECT_EQ(triggered.count(), 1);
    }
    const QList<QKeySequence> others = {Qt::Key_Insert, Qt::Key_F5, Qt::Key_Delete, Qt::Key_F1};
    EXPECT_EQ((QList<QKeySequence>{w.actDodaj->shortcut(), w.actPopraw->shortcut(), w.actKasuj->shortcut(),
                                   w.actPodrecznik->shortcut()}),
              others);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MainWindow, HelpEntriesAndTheEngineAskTheShell)
{
    addCompany("A");
    env.programFolder = "/opt/Vorlane/Mirelo/";
    env.printFolder = work.path() + "/Wydruki";
    notes::TfrmMain &w = openWindow();
    w.actPodrecznik->trigger();
    w.actStronaInternetowa->trigger();
    w.actFolderWydrukow->trigger();
    EXPECT_EQ(w.RpRTF1.ShellOpenFile(work.path() + "/nota.rtf", 3), 42);
    EXPECT_EQ(w.actPodrecznik->shortcut(), QKeySequence(Qt::Key_F1));
    using app::ShellVerb;
    using app::WindowState;
    const QList<std::tuple<QString, ShellVerb, WindowState>> expected = {
        {"/opt/Vorlane/Mirelo/podrecznik.pdf", ShellVerb::Open, WindowState::Maximized},
        {vendorSite.url(), ShellVerb::Open, WindowState::Maximized},
        {work.path() + "/Wydruki", ShellVerb::Open, WindowState::Normal},
        {work.path() + "/nota.rtf", ShellVerb::Default, WindowState::Maximized},
    };
    ASSERT_EQ(shell.requests.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shell.requests[i].target, std::get<0>(expected[i]));
        EXPECT_EQ(shell.requests[i].verb, std::get<1>(expected[i])) << i;
        EXPECT_EQ(shell.requests[i].state, std::get<2>(expected[i])) << i;
    }
    EXPECT_TRUE(prompts.shown.isEmpty());  // every request went through: nothing to say
}

// On a desktop without xdg-open, or without the manual, each entry says what
// could not be opened and where it is, instead of doing nothing.
TEST_F(MainWindow, HelpEntriesTheDesktopCannotOpenSayWhatAndWhere)
{
    addCompany("A");
    env.programFolder = "/opt/Vorlane/Mirelo/";
    env.printFolder = work.path() + "/Wydruki";
    QDir().mkpath(env.printFolder);
    notes::TfrmMain &w = openWindow();
    const QString noProgram = ":\r\nnie ma programu, który by go otworzył (xdg-open z pakietu xdg-utils).";
    const struct {
        QAction *action;
        int result;
        QString message;
    } cases[] = {
        {w.actPodrecznik, app::kShellFileNotFound,
         "Nie udało się otworzyć pliku /opt/Vorlane/Mirelo/podrecznik.pdf:\r\nnie ma takiego pliku ani folderu."},
        {w.actPodrecznik, app::kShellNoProgram, "Nie udało się otworzyć pliku /opt/Vorlane/Mirelo/podrecznik.pdf" + noProgram},
        {w.actFolderWydrukow, app::kShellNoProgram, "Nie udało się otworzyć folderu " + env.printFolder + noProgram},
        {w.actStronaInternetowa, app::kShellNoProgram,
         "Nie udało się otworzyć strony " + vendorSite.url()
             + ":\r\nnie ma przeglądarki, która by ją otworzyła (xdg-open z pakietu xdg-utils)."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action->text().toStdString());
        shell.result = c.result;
        prompts.shown.clear();
        c.action->trigger();
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown[0].text, c.message);
        EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    }
}
