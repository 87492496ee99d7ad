// Pixel access at each depth and resampling with each sampler.
#include <benchmark/benchmark.h>

#include "image/PGraphic.h"

namespace {

void MakeSource(TPixelGraphic& g, int w, int h, int bitCountNum) {
    g.SetSize(w, h, bitCountNum);
    if (bitCountNum != 3) g.SetPaletteType(bitCountNum == 0 ? pBlackWhite : bitCountNum == 1 ? pSys16 : pGray256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            g.SetPixel(x, y, bitCountNum == 3 ? RGB(x, y, x ^ y) : static_cast<uint32_t>(x * 7 + y * 3));
}

void BM_GetPixel(benchmark::State& state) {
    TPixelGraphic g;
    MakeSource(g, 256, 256, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) sum += g.GetPixel(x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 65536);
    state.SetLabel(std::to_string(g.GetBitCount()) + " bit");
}
BENCHMARK(BM_GetPixel)->DenseRange(0, 3);

void BM_SetPixel(benchmark::State& state) {
    TPixelGraphic g;
    MakeSource(g, 256, 256, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) g.SetPixel(x, y, static_cast<uint32_t>(x + y));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 65536);
    state.SetLabel(std::to_string(g.GetBitCount()) + " bit");
}
BENCHMARK(BM_SetPixel)->DenseRange(0, 3);

void BM_StretchRect(benchmark::State& state) {
    TPixelGraphic src, dst;
    MakeSource(src, 256, 256, 3);
    dst.SetSize(512, 512, 3);
    dst.SetStretchMode(static_cast<TStretchMode>(state.range(0)));
    for (auto _ : state) dst.StretchRect(0, 0, 512, 512, src, 0, 0, 256, 256);
    state.SetItemsProcessed(state.iterations() * 512 * 512);
    static const char* const names[] = {"smFast (one pixel)", "smMedium (area)", "smPrecise (two taps)"};
    state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_StretchRect)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
