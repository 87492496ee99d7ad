#pragma once
// main() of the benchmarks that draw text or widgets: they need a GUI
// application object (offscreen is enough).
#include <benchmark/benchmark.h>

#include <QApplication>

#define GW_BENCHMARK_MAIN_WITH_APPLICATION()                                                  \
    int main(int argc, char** argv) {                                                       \
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");  \
        QApplication app(argc, argv);                                                       \
        benchmark::Initialize(&argc, argv);                                                 \
        benchmark::RunSpecifiedBenchmarks();                                                \
        benchmark::Shutdown();                                                              \
        return 0;                                                                           \
    }
