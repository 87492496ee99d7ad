// Expression parser and post-processing: the RGB expression pass against the
// same formula as compiled C++ and against ImageMagick's -fx, a whole compose
// with all three passes, and compiles of texts up to 64 KiB.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/PeerRatio.h"
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
    const double total = TimeIterations(state, [&] {
        RgbExpressionPass(pic, red, green, blue, false);
        benchmark::DoNotOptimize(pic.GetBits());
    });
    KeepOurTime("rgb", total, state.iterations());
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
void BM_ImageMagickFx(benchmark::State& state) {
    const std::string out = "/tmp/parser_bench_fx_" + std::to_string(::getpid()) + ".ppm";
    const std::string base = "convert -limit thread 1 -size 256x256 xc: ";
    TimePeerCommand(state, "rgb", base + "-fx \"sin(i/16)*0.5+0.5\" " + out, base + out);
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

// The largest legal tree: 1, 2, 4, .. 32 operations on levels 1 to 6 and 50
// on each of the 14 levels below (763 operations), every one bracketed.
std::string WidestTree() {
    std::vector<int> perLevel = {1};
    while (perLevel.size() < 20) perLevel.push_back(std::min(50, 2 * perLevel.back()));
    // Children per node, level by level: the first nodes take two.
    std::function<std::string(size_t, int)> node = [&](size_t level, int index) -> std::string {
        const int below = level + 1 < perLevel.size() ? perLevel[level + 1] : 0;
        std::string left = "A", right = "B";
        if (2 * index < below) left = node(level + 1, 2 * index);
        if (2 * index + 1 < below) right = node(level + 1, 2 * index + 1);
        return "(" + left + "+" + right + ")";
    };
    return node(0, 0);
}

// Texts up to 64 KiB: the longest legal ones compile and the others fail,
// each in well under 100 ms.
void BM_Compile(benchmark::State& state) {
    const size_t k64 = 64 * 1024;
    auto fill = [&](const std::string& unit, const std::string& head = "", const std::string& tail = "") {
        std::string t = head;
        while (t.size() + unit.size() + tail.size() <= k64) t += unit;
        return t + tail;
    };
    const std::string half(k64 / 2 - 8, '(');
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"legal: widest tree", WidestTree()},
        {"legal: brackets", half + "X+1" + std::string(half.size(), ')')},
        {"legal: number", fill("0", "X+1.")},
        {"legal: bracketed tree", std::string(20000, '(') + WidestTree() + std::string(20000, ')')},
        {"nestings: A+A+..", fill("A+", "", "A")},
        {"nestings: SIN(SIN(..",
         [&] {
             std::string t;
             for (size_t n = 0; n < (k64 - 1) / 5; ++n) t += "SIN(";
             return t + "A" + std::string(t.size() / 4, ')');
         }()},
        {"complex: wide and long", fill("(A+B)*", "", "A")},
        {"syntax: A*A-..+", fill("A*A-", "", "+")},
        {"syntax: brackets", half + "A+" + std::string(half.size(), ')')},
        {"syntax: operators", fill("+-*/^")},
        {"syntax: A+-..", fill("A+-", "", "B")},
    };
    const auto& [name, text] = cases[static_cast<size_t>(state.range(0))];
    for (auto _ : state) {
        TParser parser;
        try {
            parser.SetExpression(text);
        } catch (const EMathParserError&) {
        }
    }
    state.SetLabel(std::string(name) + " (" + std::to_string(text.size()) + " chars)");
}
BENCHMARK(BM_Compile)->DenseRange(0, 10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
