// A template run by an engine that compiles it (an engine's first run)
// beside one that kept it compiled from its earlier run (every later run of
// the program's printouts): the note template, a template of 10 MB of IF
// blocks, and a field of one long sum.
#include "rpdataset.h"
#include "rprtf.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace rtfreport;

QString noteTemplate()
{
    return QStringLiteral(MIRELO_TEMPLATES "/szablonnota.rtf");
}

// A template written to a temporary file, once a run.
QString WrittenTemplate(const QString &name, const QByteArray &text)
{
    static QTemporaryDir folder;
    const QString file = folder.filePath(name);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write(text);
    return file;
}

QString ifBlocksTemplate()
{
    static const QString path = [] {
        QByteArray text = "{\\rtf1 ";
        const QByteArray block = "\\\\IF(1<2)\\\\x\\\\ENDIF\\\\";
        while (text.size() < 10 * 1024 * 1024)
            text += block;
        return WrittenTemplate(QStringLiteral("if_10m.rtf"), text + "\\par}");
    }();
    return path;
}

// One field "1+1+...+1" of 5 000 terms: the length of a formula alone.
QString longInfixTemplate()
{
    static const QString path = [] {
        QByteArray sum = "1";
        for (int i = 1; i < 5000; ++i)
            sum += "+1";
        return WrittenTemplate(QStringLiteral("infix_5000.rtf"), "{\\rtf1 \\\\" + sum + "\\\\\\par}");
    }();
    return path;
}

// The note's data set: a note of three positions.
struct NoteData {
    NoteData()
        : positions("IBQNOTA",
                    {{"IDNOTA", TRpFieldType::Integer},
                     {"TRESC", TRpFieldType::String},
                     {"OBCIAZYLISMY", TRpFieldType::Float},
                     {"UZNALISMY", TRpFieldType::Float},
                     {"sObciazylismy", TRpFieldType::String},
                     {"sUznalismy", TRpFieldType::String}},
                    TRpFormatSettings::Polish())
    {
        for (int i = 1; i <= 3; ++i)
            positions.AppendRow({1, QStringLiteral("Usługa %1").arg(i), 100.0 * i, 0.0,
                                 QStringLiteral("%1,00").arg(100 * i), QString()});
    }
    TRpMemoryDataSet positions;
};

void Prepare(TRpRTF &engine, const QString &templateFile, const QString &outFile)
{
    engine.SetInFile(templateFile);
    engine.SetOutFile(outFile);
    engine.CreateVar("NUMER", QStringLiteral("7/2021"));
}

void BM_FirstRun(benchmark::State &state, QString (*templateFile)())
{
    QTemporaryDir out;
    NoteData data;
    for (auto _ : state) {
        TRpRTF engine(TRpFormatSettings::Polish());
        Prepare(engine, templateFile(), out.filePath(QStringLiteral("out.rtf")));
        engine.Execute({&data.positions});
    }
}

void BM_LaterRun(benchmark::State &state, QString (*templateFile)())
{
    QTemporaryDir out;
    NoteData data;
    TRpRTF engine(TRpFormatSettings::Polish());
    Prepare(engine, templateFile(), out.filePath(QStringLiteral("out.rtf")));
    engine.Execute({&data.positions});
    for (auto _ : state)
        engine.Execute({&data.positions});
}

} // namespace

BENCHMARK_CAPTURE(BM_FirstRun, note, &noteTemplate)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LaterRun, note, &noteTemplate)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FirstRun, if_blocks_10m, &ifBlocksTemplate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LaterRun, if_blocks_10m, &ifBlocksTemplate)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_CAPTURE(BM_FirstRun, infix_5000, &longInfixTemplate)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
