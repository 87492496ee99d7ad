#pragma once
// main() of the benchmarks that draw text or widgets: they need a GUI
// application object (offscreen is enough). The pixel library starts as in
// the programs.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "image/PGFormats.h"

#define GW_BENCHMARK_MAIN_WITH_APPLICATION()                                               \
    int main(int argc, char** argv) {                                                      \
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                                      \
        InitPixelGraphicLibrary();                                                         \
        benchmark::Initialize(&argc, argv);                                                \
        benchmark::RunSpecifiedBenchmarks();                                               \
        benchmark::Shutdown();                                                             \
        return 0;                                                                          \
    }
