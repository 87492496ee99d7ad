// The tile generator's engine: height maps for a new seed (against
// ImageMagick's `convert -size 256x256 plasma:fractal`, its start-up measured
// with `xc:black` and subtracted by the reader), one layer of each algorithm
// plain and with twist, cards and emboss, and BlendLayers of each mode.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "glimmo/PaletteText.h"
#include "image/PGraphic.h"
#include "mozaro/Blend.h"
#include "mozaro/HeightMaps.h"
#include "mozaro/Layer.h"

namespace {

const TColourTable& Palette() {
    static const TColourTable table = PaletteTextToTable("1;20;60;90;256;30;256;180;120;40;70;256;200;1;100;");
    return table;
}

std::unique_ptr<TPixelGraphic> Picture(int seed) {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(256, 256, 3);
    for (int y = 0; y < 256; ++y) {
        uint8_t* row = g->GetScanLine(y);
        for (int x = 0; x < 3 * 256; ++x) row[x] = static_cast<uint8_t>((x * seed + y * 31 + (x ^ y)) & 0xFF);
    }
    return g;
}

void BM_HeightMapsNewSeed(benchmark::State& state) {
    THeightMaps maps;
    TRandomGenerator rng;
    int32_t seed = 1;
    for (auto _ : state) {
        MakeHeightMaps(maps, seed++, 20, 20, rng);
        benchmark::DoNotOptimize(maps.Map2[1000]);
    }
}
BENCHMARK(BM_HeightMapsNewSeed)->Unit(benchmark::kMillisecond)->UseRealTime();

void RunCommand(benchmark::State& state, const char* command) {
    for (auto _ : state)
        if (std::system(command) != 0) {
            state.SkipWithError("ImageMagick's convert is not available");
            break;
        }
}
void BM_ImageMagickPlasma(benchmark::State& state) {
    RunCommand(state, "convert -size 256x256 plasma:fractal null: 2>/dev/null");
}
void BM_ImageMagickStartup(benchmark::State& state) {
    RunCommand(state, "convert -size 256x256 xc:black null: 2>/dev/null");
}
BENCHMARK(BM_ImageMagickPlasma)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ImageMagickStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// A re-render: the maps are cached, as when a slider other than a
// turbulence moves. Argument: algorithm; second: all modifiers on.
void BM_Layer(benchmark::State& state) {
    TLayerParams p;
    p.Algorithm = static_cast<int>(state.range(0));
    p.Cycle = 17;
    if (state.range(1)) {
        p.Twist = 18;
        p.Cards = true;
        p.Embossed = true;
    }
    THeightMapCache cache;
    auto import = Picture(3);
    TPixelGraphic layer;
    for (auto _ : state) RenderLayer(p, Palette(), cache, import.get(), layer);
    state.SetLabel(kAlgorithmNames[p.Algorithm]);
}
BENCHMARK(BM_Layer)->ArgsProduct({benchmark::CreateDenseRange(0, kAlgorithmCount - 1, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlendLayers(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    auto dest = Picture(5), src = Picture(11), fresh = Picture(5);
    for (auto _ : state) {
        state.PauseTiming();
        dest->CopyRect(0, 0, *fresh, 0, 0, 256, 256);
        state.ResumeTiming();
        BlendLayers(*dest, *src, mode == bmMix ? 25 : 0, mode);
    }
}
BENCHMARK(BM_BlendLayers)->DenseRange(0, 6)->DenseRange(8, 13)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
