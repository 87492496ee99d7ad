// 256-colour reduction with error diffusion of a 1-megapixel photo-like
// picture, against ImageMagick's convert doing the same in this run (the
// ratio ours / convert printed by the peer).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/PeerRatio.h"
#include "image/PGraphic.h"
#include "platform/Random.h"

namespace {

// Smooth shading, a few hard-edged shapes and sensor-like noise.
void PhotoLike(TPixelGraphic& g, int w, int h) {
    g.SetSize(w, h, 3);
    TRandomGenerator rnd(12345);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            double r = 120 + 90 * std::sin(6 * u + 2 * v), gr = 110 + 80 * std::cos(5 * v - 3 * u),
                   b = 100 + 70 * std::sin(9 * u * v + 1);
            if ((x - 300) * (x - 300) + (y - 400) * (y - 400) < 150 * 150) r = 220, gr = 60 + 100 * v, b = 40;
            if (x > 650 && x < 900 && y > 100 && y < 300) gr = 200 - 100 * u, b = 230;
            const double n = (rnd.NextReal() - 0.5) * 16;
            auto clamp = [](double c) { return static_cast<int>(std::max(0.0, std::min(255.0, c))); };
            g.SetPixel(x, y, RGB(clamp(r + n), clamp(gr + n), clamp(b + n)));
        }
}

void Reduce(const TPixelGraphic& src, TPixelGraphic& dst) {
    dst.SetSize(src.GetWidth(), src.GetHeight(), 2);
    ReduceColors(dst, src, 256, false);
    dst.CopyRect(0, 0, src, 0, 0, src.GetWidth(), src.GetHeight());
}

void BM_Reduce256Dithered(benchmark::State& state) {
    TPixelGraphic src, dst;
    PhotoLike(src, 1024, 1024);
    const double total = TimeIterations(state, [&] { Reduce(src, dst); });
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
    KeepOurTime("reduce", total, state.iterations());
}
BENCHMARK(BM_Reduce256Dithered)->Unit(benchmark::kMillisecond);

void WritePPM(const TPixelGraphic& g, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(f, "P6\n%d %d\n255\n", g.GetWidth(), g.GetHeight());
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) {
            const uint32_t c = g.GetPixel(x, y);
            const unsigned char rgb[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
            std::fwrite(rgb, 1, 3, f);
        }
    std::fclose(f);
}

// convert's time for the same picture less the same command without the
// reduction (start-up, reading and writing). A 1 x 1 picture would not do
// as the start-up: its dithering set-up alone is most of convert's work.
void BM_ConvertPeer(benchmark::State& state) {
    const std::string dir = "/tmp/colorreduce_bench_" + std::to_string(getpid());
    std::system(("mkdir -p " + dir).c_str());
    TPixelGraphic src;
    PhotoLike(src, 1024, 1024);
    WritePPM(src, dir + "/in.ppm");
    const std::string opts = " -dither FloydSteinberg -colors 256 ";
    TimePeerCommand(state, "reduce", "convert " + dir + "/in.ppm" + opts + dir + "/out.bmp",
                    "convert " + dir + "/in.ppm " + dir + "/plain.bmp");
    std::system(("rm -rf " + dir).c_str());
}
BENCHMARK(BM_ConvertPeer)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
