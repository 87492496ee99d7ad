// The two expression passes of the post-processing page against the same
// formulas written as C++ lambdas. Each lambda pass has the pass's loop (x
// outer, y inner, symmetric coordinates, scratch copy and commit), so only
// the evaluation differs; the lambdas take the pixel's R, G, B and X, Y and
// return what the texts return, and the compiler optimises them as it will.
// The lambda's benchmark prints "ours_over_peer": the parser pass's time over
// the lambda's.
//
// Texts: the page's defaults, the sine and cosine texts of the compose
// benchmark and of the whole tile.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/PeerRatio.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "mozaro/Parser.h"
#include "mozaro/PostProcess.h"
#include "platform/Colors.h"

namespace {

constexpr int kTile = 256;

void FillTile(TPixelGraphic& pic) {
    pic.SetSize(kTile, kTile, 3);
    for (int y = 0; y < kTile; ++y) {
        uint8_t* row = pic.GetScanLine(y);
        for (int x = 0; x < kTile; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 7 + y);
            row[3 * x + 1] = static_cast<uint8_t>(y * 3 + (x >> 2));
            row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
        }
    }
}

double Coordinate(int v, bool symmetric) { return symmetric ? std::abs(v - kTile / 2) : v; }

uint8_t LowByte(double v) { return static_cast<uint8_t>(static_cast<int32_t>(v) & 0xFF); }

int Displaced(double v) {
    const double a = std::fabs(std::trunc(v));
    return a >= kTile ? kTile : static_cast<int>(a);
}

using TRgb = std::array<double, 3>;
using TRgbFn = TRgb (*)(double r, double g, double b, double x, double y);
using TXyFn = std::array<double, 2> (*)(double r, double g, double b, double x, double y);

struct TRgbCase {
    const char* Name;
    const char* Red;
    const char* Green;
    const char* Blue;
    TRgbFn Lambda;
};

const TRgbCase kRgbCases[] = {
    {"default", "r", "g", "b", [](double r, double g, double b, double, double) { return TRgb{r, g, b}; }},
    {"sine and cosine", "SIN(X/16)*128+128", "(r+g)/2", "b*COS(Y/20)",
     [](double r, double g, double b, double x, double y) {
         return TRgb{std::sin(x / 16) * 128 + 128, (r + g) / 2, b * std::cos(y / 20)};
     }},
    {"whole tile", "SIN(X/16)*r/2+g/2", "SIN(X/16)*r/2+g/2", "SIN(X/16)*r/2+g/2",
     [](double r, double g, double, double x, double) {
         const double v = std::sin(x / 16) * (r / 2) + g / 2;
         return TRgb{v, v, v};
     }},
};

struct TXyCase {
    const char* Name;
    const char* NewX;
    const char* NewY;
    TXyFn Lambda;
};

const TXyCase kXyCases[] = {
    {"default", "x", "y", [](double, double, double, double x, double y) { return std::array<double, 2>{x, y}; }},
    {"whole tile", "x+SIN(y/8)*4", "y",
     [](double, double, double, double x, double y) { return std::array<double, 2>{x + std::sin(y / 8) * 4, y}; }},
};

std::string Key(const char* pass, const char* name) { return std::string(pass) + ": " + name; }

void BM_RgbPassParser(benchmark::State& state) {
    const TRgbCase& c = kRgbCases[state.range(0)];
    TPixelGraphic pic;
    FillTile(pic);
    TParser red, green, blue;
    red.SetExpression(c.Red);
    green.SetExpression(c.Green);
    blue.SetExpression(c.Blue);
    const double total = TimeIterations(state, [&] {
        RgbExpressionPass(pic, red, green, blue, true);
        benchmark::DoNotOptimize(pic.GetBits());
    });
    KeepOurTime(Key("rgb", c.Name), total, state.iterations());
    state.SetLabel(c.Name);
}

void BM_RgbPassLambda(benchmark::State& state) {
    const TRgbCase& c = kRgbCases[state.range(0)];
    TPixelGraphic pic;
    FillTile(pic);
    const int rowSize = pic.GetRowSize();
    std::vector<uint8_t> work(static_cast<size_t>(rowSize) * kTile);
    const TRgbFn f = c.Lambda;
    const double total = TimeIterations(state, [&] {
        std::memcpy(work.data(), pic.GetBits(), work.size());
        for (int x = 0; x < kTile; ++x) {
            const double cx = Coordinate(x, true);
            for (int y = 0; y < kTile; ++y) {
                uint8_t* px = work.data() + static_cast<size_t>(y) * rowSize + 3 * x;
                const TRgb v = f(px[2], px[1], px[0], cx, Coordinate(y, true));
                px[0] = LowByte(v[2]);
                px[1] = LowByte(v[1]);
                px[2] = LowByte(v[0]);
            }
        }
        std::memcpy(pic.GetBits(), work.data(), work.size());
        benchmark::DoNotOptimize(pic.GetBits());
    });
    SetRatioToOurs(state, Key("rgb", c.Name), total);
    state.SetLabel(c.Name);
}

void BM_DisplacementPassParser(benchmark::State& state) {
    const TXyCase& c = kXyCases[state.range(0)];
    TPixelGraphic pic;
    FillTile(pic);
    TParser newX, newY;
    newX.SetExpression(c.NewX);
    newY.SetExpression(c.NewY);
    const double total = TimeIterations(state, [&] {
        DisplacementPass(pic, newX, newY, true);
        benchmark::DoNotOptimize(pic.GetBits());
    });
    KeepOurTime(Key("displacement", c.Name), total, state.iterations());
    state.SetLabel(c.Name);
}

void BM_DisplacementPassLambda(benchmark::State& state) {
    const TXyCase& c = kXyCases[state.range(0)];
    TPixelGraphic pic;
    FillTile(pic);
    const int rowSize = pic.GetRowSize();
    std::vector<uint8_t> source(static_cast<size_t>(rowSize) * kTile);
    const uint32_t background = pic.GetBackgroundColor();
    const uint8_t outside[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    const TXyFn f = c.Lambda;
    const double total = TimeIterations(state, [&] {
        uint8_t* const bits = pic.GetBits();
        std::memcpy(source.data(), bits, source.size());
        for (int x = 0; x < kTile; ++x) {
            const double cx = Coordinate(x, true);
            for (int y = 0; y < kTile; ++y) {
                const uint8_t* px = source.data() + static_cast<size_t>(y) * rowSize + 3 * x;
                const std::array<double, 2> v = f(px[2], px[1], px[0], cx, Coordinate(y, true));
                const int sx = Displaced(v[0]), sy = Displaced(v[1]);
                const uint8_t* from =
                    sx < kTile && sy < kTile ? source.data() + static_cast<size_t>(sy) * rowSize + 3 * sx : outside;
                std::memcpy(bits + static_cast<size_t>(y) * rowSize + 3 * x, from, 3);
            }
        }
        benchmark::DoNotOptimize(pic.GetBits());
    });
    SetRatioToOurs(state, Key("displacement", c.Name), total);
    state.SetLabel(c.Name);
}

// Each parser pass runs right before its lambda, so the ratio compares
// figures taken under the same conditions.
void Register() {
    for (int k = 0; k < static_cast<int>(std::size(kRgbCases)); ++k) {
        benchmark::RegisterBenchmark("BM_RgbPassParser", BM_RgbPassParser)->Arg(k)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_RgbPassLambda", BM_RgbPassLambda)->Arg(k)->Unit(benchmark::kMicrosecond);
    }
    for (int k = 0; k < static_cast<int>(std::size(kXyCases)); ++k) {
        benchmark::RegisterBenchmark("BM_DisplacementPassParser", BM_DisplacementPassParser)
            ->Arg(k)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_DisplacementPassLambda", BM_DisplacementPassLambda)
            ->Arg(k)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    InitPixelGraphicLibrary();
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
