// Docks re-arrange on every resize and drag step, and a floating toolbar's
// size list is made when a resize starts: both must stay well below a frame.
#include <benchmark/benchmark.h>

#include "menus97/TB97Layout.h"

namespace {

std::vector<TB97Item> Buttons(int n) {
    std::vector<TB97Item> items;
    for (int i = 0; i < n; ++i) {
        TB97Item it;
        it.Width = 23;
        it.Height = 22;
        if (i % 5 == 4) {
            it.Separator = true;
        }
        items.push_back(it);
    }
    return items;
}

// Twelve toolbars of 20 buttons over three rows: each toolbar lays out its
// buttons, then the dock arranges the bars.
void BM_ArrangeDock12x20(benchmark::State& state) {
    std::vector<std::vector<TB97Item>> toolbars(12, Buttons(20));
    const TB97Margins m = TB97ToolbarMargins(false, true);
    for (auto _ : state) {
        std::vector<TB97DockBar> bars;
        for (int i = 0; i < 12; ++i) {
            const TB97ToolbarResult r = TB97ArrangeToolbar(toolbars[i], false, false, m, kTB97Unlimited, 26);
            TB97DockBar b;
            b.DockRow = i % 3;
            b.DockPos = (i * 137) % 900;
            b.Length = r.Client.cx;
            b.Content = r.ContentHeight;
            bars.push_back(b);
        }
        benchmark::DoNotOptimize(TB97ArrangeDock(bars, 1280, false, false));
    }
}
BENCHMARK(BM_ArrangeDock12x20)->Unit(benchmark::kMicrosecond);

void BM_SizeList60(benchmark::State& state) {
    const std::vector<TB97Item> items = Buttons(60);
    const TB97Margins m = TB97ToolbarMargins(true, true);
    for (auto _ : state) benchmark::DoNotOptimize(TB97SizeList(items, m, TSize(6, 20), true));
}
BENCHMARK(BM_SizeList60)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
