// Copying inserted RTF into the body: TRpStream::Process over a 10 MB
// document of LibreOffice-written text, lists and tables (the body of the
// test fixture repeated under its own header tables). Target: 100 MB/s.
//   build-folder/bench/bench_rtfstream

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "rprtf_document.h"
#include "rprtfstream.h"

using namespace rtfreport;

namespace {

constexpr qsizetype DocumentSize = 10 * 1024 * 1024;

// The fixture's header tables once, then its body repeated to 10 MB.
QByteArray LibreOfficeDocument()
{
    QFile file(QDir::cleanPath(MIRELO_BENCH_DATA "/../../tests/rtfreport/data/rtf_inserted_by_libreoffice.rtf"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray fixture = file.readAll();
    const qsizetype bodyStart = fixture.indexOf("\\pard\\plain");
    const qsizetype bodyEnd = fixture.lastIndexOf('}');
    const QByteArray body = fixture.mid(bodyStart, bodyEnd - bodyStart);
    QByteArray document = fixture.left(bodyStart);
    document.reserve(DocumentSize + body.size() + 1);
    while (document.size() < DocumentSize)
        document += body;
    return document + "}";
}

void BM_ProcessLibreOfficeDocument(benchmark::State &state)
{
    QByteArray input = LibreOfficeDocument();
    if (input.isEmpty()) {
        state.SkipWithError("the LibreOffice fixture is missing");
        return;
    }
    TRpRtfDocument document;
    document.ProcessLists = state.range(0) != 0;
    QByteArray output;
    output.reserve(input.size() + 1024 * 1024);
    for (auto _ : state) {
        QBuffer source(&input);
        source.open(QIODevice::ReadOnly);
        output.resize(0);
        QBuffer out(&output);
        out.open(QIODevice::WriteOnly);
        document.FRTFListTable.Clear();
        TRpStream stream(&document, &source);
        stream.SetOutStream(&out);
        stream.FontTable().Add("{\\f0\\froman\\fcharset238 Times New Roman;}");
        stream.Process();
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(state.iterations() * input.size());
    state.counters["output_bytes"] = double(output.size());
}

BENCHMARK(BM_ProcessLibreOfficeDocument)->Arg(0)->Arg(1)->ArgName("lists")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
