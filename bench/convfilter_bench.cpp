// 3 x 3 convolution of a 4-megapixel 24-bit picture, against `vips conv`
// on the same picture with one worker thread (its start-up, measured on a
// tiny picture, subtracted; for float results the writing of the float file
// too). Counters: ms_per_MP, and ours_over_peer on the peer's lines.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "bench/PeerRatio.h"
#include "image/PGConvFilter.h"
#include "image/PGraphic.h"

namespace {

constexpr int Side = 2048;  // 4 megapixels
constexpr int Kernel[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};

// Smooth noise: neighbouring pixels alike, as in a photo.
void MakePicture(TPixelGraphic& g) {
    g.SetSize(Side, Side, 3);
    std::mt19937 rng(1);
    for (int y = 0; y < Side; ++y) {
        uint8_t* row = g.GetScanLine(y);
        for (int x = 0; x < 3 * Side; ++x) row[x] = static_cast<uint8_t>(((x * 7 + y * 3) & 0xFF) ^ (rng() & 0x1F));
    }
}

void SetKernel(TConvFilter& f) {
    f.SetWidth(3);
    f.SetHeight(3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) f.SetCoefficient(c, r, Kernel[r][c]);
    f.SetXOffset(-1);
    f.SetYOffset(-1);
}

void SetMegapixelCounter(benchmark::State& state, double totalSeconds) {
    if (state.iterations() > 0)
        state.counters["ms_per_MP"] = 1000.0 * totalSeconds / double(state.iterations()) / (double(Side) * Side / 1e6);
}

void BM_ConvFilter3x3(benchmark::State& state) {
    TPixelGraphic src, dst;
    MakePicture(src);
    TConvFilter f;
    SetKernel(f);
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        dst.ApplyFilter(f, src);
        benchmark::DoNotOptimize(dst.GetBits());
        const double t = SecondsSince(t0);
        total += t;
        state.SetIterationTime(t);
    }
    SetMegapixelCounter(state, total);
    KeepOurTime("conv", total, state.iterations());
}
BENCHMARK(BM_ConvFilter3x3)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- the peer -----------------------------------------------------------------

struct TVipsFiles {
    std::string Dir, Big, Tiny, Mask;
    bool Ok = false;
    TVipsFiles() {
        if (std::system("command -v vips >/dev/null 2>&1") != 0) return;
        const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        Dir = std::string(shm) + "/gw_convbench_" + std::to_string(getpid());
        if (std::system(("mkdir -p " + Dir).c_str()) != 0) return;
        Big = Dir + "/big.v";
        Tiny = Dir + "/tiny.v";
        Mask = Dir + "/mask.mat";
        TPixelGraphic g;
        MakePicture(g);
        {
            std::ofstream ppm(Dir + "/big.ppm", std::ios::binary);
            ppm << "P6\n" << Side << " " << Side << "\n255\n";
            for (int y = 0; y < Side; ++y) {
                const uint8_t* row = g.GetScanLine(y);
                for (int x = 0; x < Side; ++x) {
                    const char rgb[3] = {char(row[3 * x + 2]), char(row[3 * x + 1]), char(row[3 * x])};
                    ppm.write(rgb, 3);
                }
            }
            std::ofstream mask(Mask);
            mask << "3 3 16 0\n1 2 1\n2 4 2\n1 2 1\n";
        }
        Ok = std::system(
                 ("vips copy " + Dir + "/big.ppm " + Big + " && vips crop " + Big + " " + Tiny + " 0 0 8 8").c_str()) ==
             0;
    }
    ~TVipsFiles() {
        if (!Dir.empty()) std::system(("rm -rf " + Dir).c_str());
    }
};

void VipsConv(benchmark::State& state, const char* precision) {
    static TVipsFiles files;
    if (!files.Ok) {
        state.SkipWithError("vips not available");
        return;
    }
    setenv("VIPS_CONCURRENCY", "1", 1);
    auto command = [&](const std::string& in) {
        return "vips conv " + in + " " + files.Dir + "/out.v " + files.Mask + " --precision " + precision;
    };
    // Float results make a 50 MB file: the same file written by a plain
    // cast to float is subtracted with the start-up.
    const bool isFloat = std::string(precision) == "float";
    const std::string baseline = isFloat ? "vips cast " + files.Big + " " + files.Dir + "/base.v float"
                                         : command(files.Tiny);
    SetMegapixelCounter(state, TimePeerCommand(state, "conv", command(files.Big), baseline));
}

void BM_VipsConvFloat(benchmark::State& state) { VipsConv(state, "float"); }  // vips's default
void BM_VipsConvInteger(benchmark::State& state) { VipsConv(state, "integer"); }
BENCHMARK(BM_VipsConvFloat)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VipsConvInteger)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
