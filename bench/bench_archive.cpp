// Archive and restore of the benchmarks' database (100 000 positions)
// through the embedded engine's service manager, beside gbak doing the same
// from the command line.
#include "benchdatabase.h"
#include "services.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QTemporaryDir &scratchFolder()
{
    static QTemporaryDir folder;
    return folder;
}

QString scratch(const QString &name) { return scratchFolder().path() + QLatin1Char('/') + name; }

// Counts the progress lines, as the window appends them.
db::ServiceProgress counting(qint64 &lines)
{
    return {[&lines](const QString &) { ++lines; }, {}};
}

// An archive of the benchmarks' database, made once.
const QString &archive()
{
    static const QString path = [] {
        const QString target = scratch(QStringLiteral("bench.gbk_mr"));
        qint64 lines = 0;
        db::ServiceManager(bench::benchDatabase().parameters()).backup(target, counting(lines));
        return target;
    }();
    return path;
}

void BM_Archive_Services(benchmark::State &state)
{
    const bench::BenchDatabase &database = bench::benchDatabase();
    const QString target = scratch(QStringLiteral("archive.gbk_mr"));
    qint64 lines = 0;
    for (auto _ : state)
        db::ServiceManager(database.parameters()).backup(target, counting(lines));
    state.counters["lines"] = benchmark::Counter(static_cast<double>(lines) / state.iterations());
    state.counters["MB"] = benchmark::Counter(QFileInfo(target).size() / 1e6);
}

void BM_Restore_Services(benchmark::State &state)
{
    const bench::BenchDatabase &database = bench::benchDatabase();
    const QString source = archive();
    qint64 lines = 0;
    for (auto _ : state)
        db::ServiceManager(database.parameters()).restore(source, scratch(QStringLiteral("restored.fdb")), counting(lines));
    state.counters["lines"] = benchmark::Counter(static_cast<double>(lines) / state.iterations());
}

void runGbak(benchmark::State &state, const QString &arguments)
{
    const QByteArray command = "gbak -user sysdba " + QFile::encodeName(arguments) + " > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("gbak failed");
    }
}

void BM_Archive_Gbak(benchmark::State &state)
{
    runGbak(state, QStringLiteral("-b '%1' '%2'").arg(bench::benchDatabase().path, scratch(QStringLiteral("gbak.gbk_mr"))));
}

void BM_Restore_Gbak(benchmark::State &state)
{
    runGbak(state, QStringLiteral("-rep '%1' '%2'").arg(archive(), scratch(QStringLiteral("gbak.fdb"))));
}

} // namespace

BENCHMARK(BM_Archive_Services)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Archive_Gbak)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Restore_Services)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Restore_Gbak)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
