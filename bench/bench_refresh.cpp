// Another copy of the program commits a position: the time until this
// window's list shows it (the "OdswiezNota" event arriving, the list read
// again). The company has 10 000 positions; "within a second" is the aim.
#include "datamodule.h"
#include "daynumber.h"
#include "firebird.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "prompts.h"
#include "recordingshell.h"
#include "testrows.h"
#include "widgetsbenchmain.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

struct Office {
    Office()
    {
        db::configureFirebird(folder.filePath(QStringLiteral("firebird")));
        database = folder.filePath(QStringLiteral("mr.fdb"));
        QFile::copy(QStringLiteral(MIRELO_TEMPLATE_DB), database);
        QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
        other.open({database, QStringLiteral("sysdba"), app::databasePassword(), {}});
        db::Transaction transaction(other);
        transaction.start();
        company = testsupport::insertCompany(transaction, QStringLiteral("Biuro"));
        counterparty = testsupport::insertCounterparty(transaction, company, QStringLiteral("Alfa"));
        for (int i = 1; i <= 10000; ++i)
            testsupport::insertNote(transaction, company, counterparty, {day, i, 100, 0, QStringLiteral("pozycja")});
        transaction.commit();

        env.workingFolder = folder.path();
        env.databaseFolder = folder.path();
        env.listQueryText = app::unfilteredNotesQuery();
        env.currentCompany = company;
        data.IBDatabase1.open({database, QStringLiteral("sysdba"), app::databasePassword(), {}});
        window = std::make_unique<notes::TfrmMain>(ui::Context{env, data, ui::prompts(), shell});
        window->show();
        QApplication::processEvents();
    }

    // Seconds from another copy's commit to the row in this window's list.
    double refresh(int number)
    {
        const int before = window->notesModel()->rowCount();
        db::Transaction transaction(other);
        transaction.start();
        testsupport::insertNote(transaction, company, counterparty, {day, number, 100, 0, QStringLiteral("nowa")});
        transaction.commit();
        const auto begin = std::chrono::steady_clock::now();
        while (window->notesModel()->rowCount() == before)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
        return took.count();
    }

    QTemporaryDir folder;
    QString database;
    const int day = app::dayNumber(QDate::currentDate());
    db::Connection other;
    int company = 0, counterparty = 0;
    app::Environment env;
    app::TDataModule1 data{env};
    testsupport::RecordingShell shell;
    std::unique_ptr<notes::TfrmMain> window;
};

std::unique_ptr<Office> office;

void BM_RefreshAfterAnotherCopysCommit(benchmark::State &state)
{
    if (!office)
        office = std::make_unique<Office>();
    int number = 20000;
    for (auto _ : state)
        state.SetIterationTime(office->refresh(++number));
    state.SetLabel("10 000 positions listed");
}

} // namespace

BENCHMARK(BM_RefreshAfterAnotherCopysCommit)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

int main(int argc, char **argv)
{
    return bench::runWithWidgets(argc, argv, [] { office.reset(); });
}
