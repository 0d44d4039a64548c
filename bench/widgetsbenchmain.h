#pragma once
// The main of a benchmark that shows windows: a widgets application on the
// offscreen platform around the registered benchmarks. `beforeExit` frees
// what must go while the application still exists (the windows).

#include <QApplication>

#include <benchmark/benchmark.h>

#include <functional>

namespace bench {

inline int runWithWidgets(int argc, char **argv, const std::function<void()> &beforeExit)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    beforeExit();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
