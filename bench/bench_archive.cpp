// Archive and restore of the benchmarks' database (100 000 positions)
// through the embedded engine's service manager, beside gbak doing the same
// from the command line, and the two commands of the main window from the
// answered dialogs to the list shown again.
#include "archive.h"
#include "benchdatabase.h"
#include "datamodule.h"
#include "desktopshell.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "widgetsbenchmain.h"
#include "services.h"

#include <QApplication>
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

// Answers every question Yes and every file dialog with `file`.
class Answering : public ui::Prompts {
public:
    app::MessageAnswer message(const QString &text, const QString &, app::MessageIcon icon, app::MessageButtons buttons,
                               app::MessageAnswer) override
    {
        if (icon == app::MessageIcon::Error)
            failure = text;
        return buttons == app::MessageButtons::YesNo ? app::MessageAnswer::Yes : app::MessageAnswer::Ok;
    }
    std::optional<QString> inputText(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> saveFileName(const QString &, const QString &, const QString &) override { return file; }
    std::optional<QString> openFileName(const QString &, const QString &, const QString &) override { return file; }

    QString file;
    QString failure;
};

// The main window over a copy of the benchmarks' database (a restore
// replaces the file it works on).
struct Program {
    Program()
    {
        const bench::BenchDatabase &database = bench::benchDatabase();
        QFile::copy(database.path, folder.path() + QStringLiteral("/mr.fdb"));
        env.workingFolder = folder.path();
        env.databaseFolder = folder.path();
        env.listQueryText = app::unfilteredNotesQuery();
        env.currentCompany = database.company;
        data.IBDatabase1.open({env.databaseName(), QStringLiteral("sysdba"), app::databasePassword(), {}});
        window = std::make_unique<notes::TfrmMain>(ui::Context{env, data, prompts, shell});
        window->resize(1200, 800);
        window->show();
        QApplication::processEvents();
    }
    QTemporaryDir folder;
    app::Environment env;
    app::TDataModule1 data{env};
    Answering prompts;
    service::DesktopShell shell;
    std::unique_ptr<notes::TfrmMain> window;
};

Program &program()
{
    static Program instance;
    return instance;
}

void runCommand(benchmark::State &state, QAction *command, const QString &file)
{
    Program &p = program();
    p.prompts.file = file;
    for (auto _ : state) {
        command->trigger();
        if (!p.prompts.failure.isEmpty())
            state.SkipWithError(p.prompts.failure.toUtf8().constData());
    }
    state.counters["rows"] = p.window->notesModel()->rowCount();
}

void BM_ArchiveCommand(benchmark::State &state)
{
    runCommand(state, program().window->actArchiwizacja, scratch(QStringLiteral("command.gbk_mr")));
}

void BM_RestoreCommand(benchmark::State &state)
{
    runCommand(state, program().window->actDearchiwizacja, archive());
}

} // namespace

BENCHMARK(BM_Archive_Services)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Archive_Gbak)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Restore_Services)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Restore_Gbak)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ArchiveCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_RestoreCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char **argv)
{
    return bench::runWithWidgets(argc, argv, [] { program().window.reset(); });
}
