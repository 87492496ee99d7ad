// The tile generator's engine: height maps for a new seed (against
// ImageMagick's `convert -size 256x256 plasma:fractal` less its start-up,
// measured with `xc:black`, and the ratio ours / convert), one layer of each algorithm
// plain and with twist, cards and emboss, BlendLayers of each mode, and the
// whole tile (three layers, compose and all three passes) re-rendered and
// rendered first in a new process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "artkit/PaletteText.h"
#include "bench/PeerRatio.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "mozaro/Blend.h"
#include "mozaro/HeightMaps.h"
#include "mozaro/Layer.h"
#include "mozaro/PostProcess.h"
#include "tests/mozaro/WholeTile.h"

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
    const double total = TimeIterations(state, [&] {
        MakeHeightMaps(maps, seed++, 20, 20, rng);
        benchmark::DoNotOptimize(maps.Map2[1000]);
    });
    KeepOurTime("maps", total, state.iterations());
}
BENCHMARK(BM_HeightMapsNewSeed)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plasma less convert's start-up (the same size in one flat colour),
// with the ratio of our new maps to it.
void BM_ImageMagickPlasmaLessStartup(benchmark::State& state) {
    TimePeerCommand(state, "maps", "convert -size 256x256 plasma:fractal null: 2>/dev/null",
                    "convert -size 256x256 xc:black null: 2>/dev/null");
}
BENCHMARK(BM_ImageMagickPlasmaLessStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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
BENCHMARK(BM_Layer)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kAlgorithmCount - 1, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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

// The whole tile as the main form renders it (see WholeTile.h).
struct TWholeTile {
    THeightMapCache Maps;
    TExpressionCache Expressions;
    TPixelGraphic Layers[3], Result;
    std::unique_ptr<TPixelGraphic> Import = Picture(3);
    void Render() { RenderWholeTile(Palette(), Maps, Import.get(), Layers, Result, Expressions); }
};

void BM_WholeTileRerender(benchmark::State& state) {
    TWholeTile tile;
    tile.Render();
    for (auto _ : state) {
        tile.Render();
        benchmark::DoNotOptimize(tile.Result.GetBits());
    }
}
BENCHMARK(BM_WholeTileRerender)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first tile of a new process (height maps, tables and caches all
// cold): this program started again with --first-tile times it.
const char* const kFirstTileFlag = "--first-tile";

void BM_WholeTileFirstInNewProcess(benchmark::State& state) {
    const std::string command = std::string("/proc/") + std::to_string(getpid()) + "/exe " + kFirstTileFlag;
    for (auto _ : state) {
        FILE* child = popen(command.c_str(), "r");
        double seconds = -1;
        if (!child || std::fscanf(child, "%lf", &seconds) != 1) seconds = -1;
        if (child) pclose(child);
        if (seconds < 0) {
            state.SkipWithError("could not run the first tile in a new process");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_WholeTileFirstInNewProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

int main(int argc, char** argv) {
    InitPixelGraphicLibrary();  // as the program starts, before any tile
    if (argc == 2 && std::strcmp(argv[1], kFirstTileFlag) == 0) {
        TWholeTile tile;
        const auto t0 = std::chrono::steady_clock::now();
        tile.Render();
        std::printf("%.9f\n", SecondsSince(t0));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
