// Fetching the notes list of a company with 100 000 positions: through our
// database layer, and through isql-fb writing the same rows to /dev/null.
#include "benchdatabase.h"
#include "notesquery.h"

#include <QFile>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_FetchNotesList_DbLayer(benchmark::State &state)
{
    const bench::BenchDatabase &database = bench::benchDatabase();
    db::Connection connection;
    connection.open(database.parameters());
    db::Transaction transaction(connection);
    db::Statement list(transaction, app::unfilteredNotesQuery());
    qint64 rows = 0;
    for (auto _ : state)
        rows += bench::fetchNotesList(transaction, list, database.company);
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

void BM_FetchNotesList_Isql(benchmark::State &state)
{
    const bench::BenchDatabase &database = bench::benchDatabase();
    QTemporaryFile script;
    script.open();
    QString sql = app::unfilteredNotesQuery();
    sql.replace(QStringLiteral(":idfirma"), QString::number(database.company));
    script.write(sql.toUtf8() + ";\n");
    script.flush();
    const QByteArray command = "isql-fb -q -user sysdba -ch UTF8 -i '" + QFile::encodeName(script.fileName()) + "' '"
                               + QFile::encodeName(database.path) + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("isql-fb failed");
    }
}

} // namespace

BENCHMARK(BM_FetchNotesList_DbLayer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_FetchNotesList_Isql)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

BENCHMARK_MAIN();
