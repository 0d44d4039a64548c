// The main window over 100 000 positions: opening the list, reopening it
// after another connection committed a change, and adding a position, beside
// the raw fetch of the same rows through the database layer.
#include "benchdatabase.h"
#include "datamodule.h"
#include "desktopshell.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "widgetsbenchmain.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Program {
    Program()
    {
        const bench::BenchDatabase &database = bench::benchDatabase();
        env.workingFolder = work.path();
        env.databaseFolder = database.path.section(QLatin1Char('/'), 0, -2);
        env.listQueryText = app::unfilteredNotesQuery();
        env.currentCompany = database.company;
        data.IBDatabase1.open(database.parameters());
        window = std::make_unique<notes::TfrmMain>(ui::Context{env, data, ui::prompts(), shell});
        window->resize(1200, 800);
    }
    QTemporaryDir work;
    app::Environment env;
    app::TDataModule1 data{env};
    service::DesktopShell shell;
    std::unique_ptr<notes::TfrmMain> window;
};

Program &program()
{
    static Program instance;
    return instance;
}

void BM_RawFetch(benchmark::State &state)
{
    const bench::BenchDatabase &database = bench::benchDatabase();
    db::Connection connection;
    connection.open(database.parameters());
    db::Transaction transaction(connection);
    db::Statement list(transaction, app::unfilteredNotesQuery());
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::fetchNotesList(transaction, list, database.company));
}

void BM_OpenNotesList(benchmark::State &state)
{
    notes::TfrmMain &window = *program().window;
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.OpenNotesList();
        QApplication::processEvents();  // paint what shows
    }
    state.counters["rows"] = window.notesModel()->rowCount();
}

// Another connection commits a change to a position; the window hears
// "OdswiezNota" and reopens its list, back on the row it was on.
void BM_ReopenAfterChange(benchmark::State &state)
{
    notes::TfrmMain &window = *program().window;
    window.show();
    window.OpenNotesList();
    db::Connection other;
    other.open(bench::benchDatabase().parameters());
    db::Transaction transaction(other);
    db::Statement change(transaction, QStringLiteral("update NOTA set LP = coalesce(LP, 0) + 1 where IDNOTA = :id"));
    int reopened = 0;
    QObject::connect(&window, &notes::TfrmMain::listOpened, [&reopened] { ++reopened; });
    for (auto _ : state) {
        const int before = reopened;
        transaction.start();
        change.setInt(QStringLiteral("id"), window.currentNote()->idNota);
        change.execute();
        transaction.commit();
        while (reopened == before)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
    }
}

// "Dodaj" from OK to the list shown again on the new row: the insert with
// its number check, the commit and the reopened list. The row is taken away
// again outside the timing, so that every round sees the same list.
void BM_AddPosition(benchmark::State &state)
{
    Program &p = program();
    notes::TfrmMain &window = *p.window;
    window.show();
    window.OpenNotesList();
    p.data.ReadCompany(bench::benchDatabase().company);
    const notes::NoteRow last = window.notesModel()->rows().back();
    app::NotePosition position{last.numer + 1, 1234500, 0, last.data, last.idKontrahent, QStringLiteral("nowa")};
    db::Transaction cleanup(p.data.IBDatabase1);
    db::Statement remove(cleanup, QStringLiteral("delete from NOTA where IDNOTA = :id"));
    int openings = 0;
    QObject::connect(&window, &notes::TfrmMain::listOpened, [&openings] { ++openings; });
    for (auto _ : state) {
        window.storeNewPosition(position, true);
        QApplication::processEvents();  // paint what shows
        state.PauseTiming();
        if (window.currentNote()->tresc != QLatin1String("nowa"))
            state.SkipWithError("the list is not on the new row");
        // The delete is another writer's change to the window: let its
        // refresh pass before the next round.
        const int before = openings;
        cleanup.start();
        remove.setInt(QStringLiteral("id"), window.currentNote()->idNota);
        remove.execute();
        cleanup.commit();
        while (openings == before)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_RawFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_OpenNotesList)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_ReopenAfterChange)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_AddPosition)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

int main(int argc, char **argv)
{
    return bench::runWithWidgets(argc, argv, [] { program().window.reset(); });
}
