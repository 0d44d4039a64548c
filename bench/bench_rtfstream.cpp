// Copying inserted RTF into the body: TRpStream::Process over a 10 MB
// document of LibreOffice-written text, lists and tables (the body of the
// test fixture repeated under its own header tables). Target: within 100
// times a plain memcpy of the same bytes, measured in the same run:
//   memcpy_ms      the best of several copies of the input
//   x_memcpy       the mean time of one Process (the CPU column) over it
//   x_memcpy_best  the best Process over it (steadier on a busy machine)
//   build-folder/bench/bench_rtfstream

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

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

// The thread's processor time, as the CPU column: four builds may share the
// machine's two cores, and time spent waiting for one is nobody's.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The yardstick: the fastest of several copies of `bytes`. The destination
// is written once before timing, so that page faults are not counted, and
// the compiler must assume each copy is read.
double BestMemcpySeconds(const QByteArray &bytes, int copies = 15)
{
    std::vector<char> destination(size_t(bytes.size()));
    std::memset(destination.data(), 1, destination.size());
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < copies; ++i) {
        benchmark::DoNotOptimize(destination.data());
        const double start = ThreadSeconds();
        std::memcpy(destination.data(), bytes.constData(), size_t(bytes.size()));
        benchmark::ClobberMemory();
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
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
    double memcpySeconds = BestMemcpySeconds(input);
    double total = 0;
    double best = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        const double start = ThreadSeconds();
        QBuffer source(&input);
        source.open(QIODevice::ReadOnly);
        output.resize(0);
        QBuffer out(&output);
        out.open(QIODevice::WriteOnly);
        document.m_rtfListTable.Clear();
        TRpStream stream(&document, &source);
        stream.SetOutStream(&out);
        stream.FontTable().Add("{\\f0\\froman\\fcharset238 Times New Roman;}");
        stream.Process();
        benchmark::DoNotOptimize(output.data());
        const double seconds = ThreadSeconds() - start;
        total += seconds;
        best = std::min(best, seconds);
    }
    // Copies before and after the runs: the machine's load may change between.
    memcpySeconds = std::min(memcpySeconds, BestMemcpySeconds(input));
    state.SetBytesProcessed(state.iterations() * input.size());
    state.counters["output_bytes"] = double(output.size());
    state.counters["memcpy_ms"] = memcpySeconds * 1000;
    state.counters["x_memcpy"] = total / double(state.iterations()) / memcpySeconds;
    state.counters["x_memcpy_best"] = best / memcpySeconds;
}

BENCHMARK(BM_ProcessLibreOfficeDocument)->Arg(0)->Arg(1)->ArgName("lists")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
