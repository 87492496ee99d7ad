// Expression parser and post-processing: the RGB expression pass against the
// same formula as compiled C++ and against ImageMagick's -fx, a whole compose
// with all three passes, and compiles of pathological texts.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/PGraphic.h"
#include "mozaro/Parser.h"
#include "mozaro/PostProcess.h"
#include "platform/Colors.h"

namespace {

const char* const kTypical = "SIN(X/16)*128+128";

void FillTile(TPixelGraphic& pic) {
    pic.SetSize(256, 256, 3);
    for (int y = 0; y < 256; ++y) {
        uint8_t* row = pic.GetScanLine(y);
        for (int x = 0; x < 256; ++x) {
            row[3 * x] = static_cast<uint8_t>(x);
            row[3 * x + 1] = static_cast<uint8_t>(y);
            row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
        }
    }
}

void BM_RgbExpressionPass(benchmark::State& state) {
    TPixelGraphic pic;
    FillTile(pic);
    TParser red, green, blue;
    for (TParser* p : {&red, &green, &blue}) p->SetExpression(kTypical);
    for (auto _ : state) {
        RgbExpressionPass(pic, red, green, blue, false);
        benchmark::DoNotOptimize(pic.GetBits());
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_RgbExpressionPass)->Unit(benchmark::kMillisecond);

// The same pass with the formula compiled in: same loop order, scratch copy
// and commit, so that only the evaluation differs.
void BM_RgbLambdaPass(benchmark::State& state) {
    TPixelGraphic pic;
    FillTile(pic);
    // The variables pass through memory as they do for the parser, so that
    // the compiler cannot share one sine between channels or pixels.
    auto channel = [](double r, double g, double b, double x, double y) {
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(g);
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        return std::sin(x / 16) * 128 + 128;
    };
    const int rowSize = pic.GetRowSize();
    std::vector<uint8_t> work(static_cast<size_t>(rowSize) * 256);
    for (auto _ : state) {
        std::memcpy(work.data(), pic.GetBits(), work.size());
        for (int x = 0; x < 256; ++x) {
            for (int y = 0; y < 256; ++y) {
                uint8_t* px = work.data() + static_cast<size_t>(y) * rowSize + 3 * x;
                const double r = px[2], g = px[1], b = px[0];
                const double vr = channel(r, g, b, x, y), vg = channel(r, g, b, x, y), vb = channel(r, g, b, x, y);
                px[0] = static_cast<uint8_t>(static_cast<int32_t>(vb) & 0xFF);
                px[1] = static_cast<uint8_t>(static_cast<int32_t>(vg) & 0xFF);
                px[2] = static_cast<uint8_t>(static_cast<int32_t>(vr) & 0xFF);
            }
        }
        std::memcpy(pic.GetBits(), work.data(), work.size());
        benchmark::DoNotOptimize(pic.GetBits());
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_RgbLambdaPass)->Unit(benchmark::kMillisecond);

// ImageMagick's -fx on one thread, less the same command without -fx (its
// start-up, the blank canvas and the file write).
double SecondsOf(const std::string& command) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_ImageMagickFx(benchmark::State& state) {
    const std::string out = "/tmp/parser_bench_fx_" + std::to_string(::getpid()) + ".ppm";
    const std::string base = "convert -limit thread 1 -size 256x256 xc: ";
    for (auto _ : state) {
        const double fx = SecondsOf(base + "-fx \"sin(i/16)*0.5+0.5\" " + out);
        const double plain = SecondsOf(base + out);
        if (fx < 0 || plain < 0) {
            state.SkipWithError("ImageMagick convert is not available");
            break;
        }
        state.SetIterationTime(std::max(fx - plain, 1e-6));
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_ImageMagickFx)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ComposeAllPasses(benchmark::State& state) {
    TPixelGraphic basic, layer1, layer2, result;
    FillTile(basic);
    FillTile(layer1);
    FillTile(layer2);
    TComposeLayer s1{&layer1, true, 3}, s2{&layer2, true, 10};
    TPostProcessSettings settings;
    settings.conon = settings.rgbon = settings.dispon = true;
    settings.Matrix = {"0", "-1", "0", "-1", "5", "-1", "0", "-1", "0"};
    settings.rpedit = kTypical;
    settings.gpedit = "(r+g)/2";
    settings.bpedit = "b*COS(Y/20)";
    TExpressionCache cache;
    for (auto _ : state) {
        PostProcessAndCompose(result, basic, s1, s2, settings, cache);
        benchmark::DoNotOptimize(result.GetBits());
    }
}
BENCHMARK(BM_ComposeAllPasses)->Unit(benchmark::kMillisecond);

std::string Repeat(const std::string& s, size_t length) {
    std::string r;
    while (r.size() + s.size() <= length) r += s;
    return r;
}

// Texts that took exponential time before; each compile fails or succeeds
// in polynomial time.
void BM_PathologicalCompile(benchmark::State& state) {
    std::vector<std::string> texts;
    texts.push_back("A" + Repeat("*A-A", 1000));
    texts.push_back("A" + Repeat("-A", 1023));
    texts.push_back(Repeat("A*A-", 1020) + "A");
    texts.push_back(Repeat("A+", 1022) + "A");
    texts.push_back(Repeat("-(", 128) + "A" + std::string(64, ')'));
    texts.push_back(std::string(60, '(') + Repeat("A*(B)-", 900) + "A" + std::string(60, ')'));
    texts.push_back(std::string(5000, '(') + "A" + std::string(5000, ')'));
    const std::string& text = texts[static_cast<size_t>(state.range(0))];
    for (auto _ : state) {
        TParser parser;
        try {
            parser.SetExpression(text);
        } catch (const EMathParserError&) {
        }
    }
    state.SetLabel(text.substr(0, 12) + "... (" + std::to_string(text.size()) + " chars)");
}
BENCHMARK(BM_PathologicalCompile)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
