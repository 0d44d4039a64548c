// Number and date texts of the engine, which a register report writes for
// every record: canonical floats, reading them back, currency amounts, dates
// and times in the Polish settings. Figures are per call.
//   build-folder/bench/bench_formats

#include <benchmark/benchmark.h>

#include "rpformatsettings.h"

using namespace rtfreport;

namespace {

void BM_FloatToCanonical(benchmark::State &state, TRpFloat value)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(FloatToCanonical(value));
}
BENCHMARK_CAPTURE(BM_FloatToCanonical, amount, 1234.56L);
BENCHMARK_CAPTURE(BM_FloatToCanonical, sum_of_tenths, 0.1L + 0.2L);
BENCHMARK_CAPTURE(BM_FloatToCanonical, large, 1e20L);
BENCHMARK_CAPTURE(BM_FloatToCanonical, integer, 42.0L);

void BM_TryTextToFloat(benchmark::State &state)
{
    const QString text = QStringLiteral("1234.56");
    for (auto _ : state)
        benchmark::DoNotOptimize(TryTextToFloat(text, u'.'));
}
BENCHMARK(BM_TryTextToFloat);

void BM_CurrencyToText(benchmark::State &state)
{
    const TRpFormatSettings polish = TRpFormatSettings::Polish();
    for (auto _ : state)
        benchmark::DoNotOptimize(CurrencyToText(123456789, polish));
}
BENCHMARK(BM_CurrencyToText);

// 2021-11-30 10:15:30.250
constexpr TRpDateTime SomeMoment = 44530 + (10 * 3600 + 15 * 60 + 30.25) / 86400;

void BM_DateToStr(benchmark::State &state)
{
    const TRpFormatSettings polish = TRpFormatSettings::Polish();
    for (auto _ : state)
        benchmark::DoNotOptimize(DateToStr(SomeMoment, polish));
}
BENCHMARK(BM_DateToStr);

void BM_TimeToStr(benchmark::State &state)
{
    const TRpFormatSettings polish = TRpFormatSettings::Polish();
    for (auto _ : state)
        benchmark::DoNotOptimize(TimeToStr(SomeMoment, polish));
}
BENCHMARK(BM_TimeToStr);

} // namespace

BENCHMARK_MAIN();
