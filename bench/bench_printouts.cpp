// The register of 100 000 positions: from the program's own notes list
// (print to the output file written) beside mirelo-rtf over the same rows
// read from JSON, both with the shipped register template.
#include "benchdatabase.h"
#include "datamodule.h"
#include "daynumber.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "prompts.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Printouts are made, never opened or printed.
class SilentShell : public app::Shell {
public:
    int request(const QString &, app::ShellVerb, app::WindowState) override { return 42; }
};

struct Program {
    Program()
    {
        const bench::BenchDatabase &database = bench::benchDatabase();
        env.workingFolder = work.path();
        env.printFolder = work.path();
        env.programFolder = QStringLiteral(MIRELO_TEMPLATES) + QLatin1Char('/');
        env.databaseFolder = database.path.section(QLatin1Char('/'), 0, -2);
        env.listQueryText = app::unfilteredNotesQuery();
        env.currentCompany = database.company;
        data.IBDatabase1.open(database.parameters());
        window = std::make_unique<notes::TfrmMain>(ui::Context{env, data, ui::prompts(), shell});
        window->OpenNotesList();
    }
    QTemporaryDir work;
    app::Environment env;
    app::TDataModule1 data{env};
    SilentShell shell;
    std::unique_ptr<notes::TfrmMain> window;
};

Program &program()
{
    static Program instance;
    return instance;
}

// The list's rows as mirelo-rtf reads a data set named IBQNOTA.
QString writeJson(const notes::NotesListModel &model, const QString &folder)
{
    const auto amount = [](qint64 tenThousandths) {
        return QString::number(tenThousandths / 10000) + QLatin1Char('.')
               + QStringLiteral("%1").arg(qAbs(tenThousandths % 10000), 4, 10, QLatin1Char('0'));
    };
    QJsonArray fields;
    const std::pair<const char *, const char *> kinds[] = {
        {"IDNOTA", "integer"},  {"IDFIRMA", "integer"},      {"DATA", "integer"},  {"NUMER", "integer"},
        {"OBCIAZYLISMY", "currency"}, {"UZNALISMY", "currency"}, {"TRESC", "string"}, {"ZALOKOWANY", "string"},
        {"IDKONTRAHENT", "integer"}, {"STRONICOWANIE", "integer"}, {"LP", "integer"}, {"MIESIAC", "integer"},
        {"ROK", "integer"}, {"NAZWA1", "string"}, {"sData", "date"}, {"sNumer", "string"},
        {"sObciazylismy", "string"}, {"sUznalismy", "string"}};
    for (const auto &[name, type] : kinds)
        fields.append(QJsonObject{{"name", name}, {"type", type}});
    QJsonArray rows;
    for (int i = 0; i < model.rowCount(); ++i) {
        const notes::NoteRow &r = model.row(i);
        rows.append(QJsonArray{r.idNota, r.idFirma, r.data, r.numer, amount(r.obciazylismy), amount(r.uznalismy),
                               r.tresc, r.zalokowany, r.idKontrahent, r.stronicowanie, r.lp, r.miesiac, r.rok,
                               r.nazwa1, app::dateOfDay(r.data).toString(Qt::ISODate),
                               model.displayText(i, QStringLiteral("sNumer")),
                               model.displayText(i, QStringLiteral("sObciazylismy")),
                               model.displayText(i, QStringLiteral("sUznalismy"))});
    }
    const QString path = folder + QStringLiteral("/ibqnota.json");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QJsonDocument(QJsonObject{{"name", "IBQNOTA"}, {"fields", fields}, {"rows", rows}}).toJson());
    return path;
}

void BM_RegisterFromTheNotesList(benchmark::State &state)
{
    notes::TfrmMain &window = *program().window;
    for (auto _ : state)
        if (!window.producePrintout(print::PrintoutKind::Register))
            state.SkipWithError("the printout failed");
    state.counters["rows"] = window.notesModel()->rowCount();
}

void BM_RegisterFromJsonByMireloRtf(benchmark::State &state)
{
    Program &p = program();
    const QString json = writeJson(*p.window->notesModel(), p.work.path());
    const QStringList arguments = {QStringLiteral("--var"), QStringLiteral("WYSTAWIAJACY=Biuro\r\nul. Długa 5"),
                                   QStringLiteral("--var"), QStringLiteral("FILTR="),
                                   QStringLiteral("--data"), json,
                                   QStringLiteral(MIRELO_TEMPLATES) + QStringLiteral("/szablonrejestr.rtf"),
                                   p.work.filePath(QStringLiteral("RejestrJson.rtf"))};
    for (auto _ : state) {
        QProcess tool;
        tool.start(QStringLiteral(MIRELO_RTF), arguments);
        if (!tool.waitForFinished(600000) || tool.exitCode() != 0)
            state.SkipWithError(tool.readAllStandardError().constData());
    }
}

} // namespace

BENCHMARK(BM_RegisterFromTheNotesList)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(BM_RegisterFromJsonByMireloRtf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    program().window.reset();
    benchmark::Shutdown();
    return 0;
}
