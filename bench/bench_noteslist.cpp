// Fetching the notes list of a company with 100 000 positions: through our
// database layer, and through isql-fb writing the same rows to /dev/null.
// The database is generated once into $MIRELO_BENCH_DIR (default
// <temp>/mirelo-bench) and reused by later runs.
#include "database.h"
#include "firebird.h"
#include "notesgenerator.h"
#include "notesquery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

const int kPositions = 100000;
const int kCounterparties = 1000;

struct BenchDatabase {
    QString path;
    int company = 0;
};

const BenchDatabase &benchDatabase()
{
    static const BenchDatabase database = [] {
        const QByteArray dir = qgetenv("MIRELO_BENCH_DIR");
        const QString folder = dir.isEmpty() ? QDir::tempPath() + QStringLiteral("/mirelo-bench") : QString::fromLocal8Bit(dir);
        QDir().mkpath(folder);
        db::configureFirebird(folder + QStringLiteral("/firebird"));
        BenchDatabase result;
        result.path = folder + QStringLiteral("/notes%1.fdb").arg(kPositions);
        db::ConnectionParameters parameters{result.path, QStringLiteral("sysdba"), QStringLiteral("quorbelin")};
        if (!QFile::exists(result.path)) {
            const QString scratch = result.path + QStringLiteral(".new");
            QFile::remove(scratch);
            QFile::copy(QStringLiteral(MIRELO_TEMPLATE_DB), scratch);
            QFile::setPermissions(scratch, QFile::ReadOwner | QFile::WriteOwner);
            db::Connection connection;
            connection.open({scratch, parameters.user, parameters.password});
            bench::generateNotes(connection, kCounterparties, kPositions);
            connection.close();
            QFile::rename(scratch, result.path);
        }
        db::Connection connection;
        connection.open(parameters);
        db::Transaction transaction(connection);
        transaction.start();
        db::Statement first(transaction, QStringLiteral("select min(IDFIRMA) from FIRMA"));
        first.open();
        first.next();
        result.company = first.toInt(0);
        return result;
    }();
    return database;
}

// Reads every column of every row, as the list's model will.
void BM_FetchNotesList_DbLayer(benchmark::State &state)
{
    const BenchDatabase &database = benchDatabase();
    db::Connection connection;
    connection.open({database.path, QStringLiteral("sysdba"), QStringLiteral("quorbelin")});
    db::Transaction transaction(connection);
    db::Statement list(transaction, app::unfilteredNotesQuery());
    qint64 rows = 0;
    for (auto _ : state) {
        transaction.start();
        list.setInt(QStringLiteral("idfirma"), database.company);
        list.open();
        qint64 checksum = 0;
        while (list.next()) {
            checksum += list.toInt(0) + list.toInt(1) + list.toInt(2) + list.toInt(3) + list.toAmount(4)
                        + list.toAmount(5) + list.toText(6).size() + list.toInt(7) + list.toText(8).size()
                        + list.toInt(9) + list.toInt(10) + list.toInt(11) + list.toInt(12) + list.toText(13).size();
            ++rows;
        }
        benchmark::DoNotOptimize(checksum);
        transaction.commit();
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

void BM_FetchNotesList_Isql(benchmark::State &state)
{
    const BenchDatabase &database = benchDatabase();
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
