// The two expression passes of the post-processing page against the same
// formulas written as C++ lambdas. Each lambda pass has the pass's loop (x
// outer, y inner, symmetric coordinates, scratch copy and commit), so only
// the evaluation differs. "Lambda": one lambda per pixel taking R, G, B and
// X, Y, optimised as the compiler will (it keeps a sine in the loop, as the
// sine may set errno). "LambdaByParts": what depends on X alone worked out
// once per column and on Y alone once per row, by hand. Each lambda's
// benchmark prints "ours_over_peer": the parser pass's time over its own.
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
using TXy = std::array<double, 2>;

std::string Key(const char* pass, const char* name) { return std::string(pass) + ": " + name; }

// The parser pass; its time kept for the lambdas' ratios.
void RgbPassParser(benchmark::State& state, const char* name, const char* red, const char* green, const char* blue) {
    TPixelGraphic pic;
    FillTile(pic);
    TParser p[3];
    p[0].SetExpression(red);
    p[1].SetExpression(green);
    p[2].SetExpression(blue);
    const double total = TimeIterations(state, [&] {
        RgbExpressionPass(pic, p[0], p[1], p[2], true);
        benchmark::DoNotOptimize(pic.GetBits());
    });
    KeepOurTime(Key("rgb", name), total, state.iterations());
    state.SetLabel(name);
}

// The same pass with the formulas compiled in. Per pixel: value(r, g, b, x,
// y) gives red, green and blue. By parts, as one would hoist them by hand:
// column(x) once per column, row(y) once per row for a table, then
// value(r, g, b, x, y, column value, row value).
template <typename Column, typename Row, typename Value>
void RgbPassLambda(benchmark::State& state, const char* name, Column column, Row row, Value value) {
    TPixelGraphic pic;
    FillTile(pic);
    const int rowSize = pic.GetRowSize();
    std::vector<uint8_t> work(static_cast<size_t>(rowSize) * kTile);
    std::array<double, kTile> rows{};
    const double total = TimeIterations(state, [&] {
        std::memcpy(work.data(), pic.GetBits(), work.size());
        for (int y = 0; y < kTile; ++y) rows[y] = row(Coordinate(y, true));
        for (int x = 0; x < kTile; ++x) {
            const double cx = Coordinate(x, true);
            const double c = column(cx);
            for (int y = 0; y < kTile; ++y) {
                uint8_t* px = work.data() + static_cast<size_t>(y) * rowSize + 3 * x;
                const TRgb v = value(px[2], px[1], px[0], cx, Coordinate(y, true), c, rows[y]);
                px[0] = LowByte(v[2]);
                px[1] = LowByte(v[1]);
                px[2] = LowByte(v[0]);
            }
        }
        std::memcpy(pic.GetBits(), work.data(), work.size());
        benchmark::DoNotOptimize(pic.GetBits());
    });
    SetRatioToOurs(state, Key("rgb", name), total);
    state.SetLabel(name);
}

void DisplacementPassParser(benchmark::State& state, const char* name, const char* newX, const char* newY) {
    TPixelGraphic pic;
    FillTile(pic);
    TParser p[2];
    p[0].SetExpression(newX);
    p[1].SetExpression(newY);
    const double total = TimeIterations(state, [&] {
        DisplacementPass(pic, p[0], p[1], true);
        benchmark::DoNotOptimize(pic.GetBits());
    });
    KeepOurTime(Key("displacement", name), total, state.iterations());
    state.SetLabel(name);
}

template <typename Column, typename Row, typename Value>
void DisplacementPassLambda(benchmark::State& state, const char* name, Column column, Row row, Value value) {
    TPixelGraphic pic;
    FillTile(pic);
    const int rowSize = pic.GetRowSize();
    std::vector<uint8_t> source(static_cast<size_t>(rowSize) * kTile);
    const uint32_t background = pic.GetBackgroundColor();
    const uint8_t outside[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    std::array<double, kTile> rows{};
    const double total = TimeIterations(state, [&] {
        uint8_t* const bits = pic.GetBits();
        std::memcpy(source.data(), bits, source.size());
        for (int y = 0; y < kTile; ++y) rows[y] = row(Coordinate(y, true));
        for (int x = 0; x < kTile; ++x) {
            const double cx = Coordinate(x, true);
            const double c = column(cx);
            for (int y = 0; y < kTile; ++y) {
                const uint8_t* px = source.data() + static_cast<size_t>(y) * rowSize + 3 * x;
                const TXy v = value(px[2], px[1], px[0], cx, Coordinate(y, true), c, rows[y]);
                const int sx = Displaced(v[0]), sy = Displaced(v[1]);
                const uint8_t* from =
                    sx < kTile && sy < kTile ? source.data() + static_cast<size_t>(sy) * rowSize + 3 * sx : outside;
                std::memcpy(bits + static_cast<size_t>(y) * rowSize + 3 * x, from, 3);
            }
        }
        benchmark::DoNotOptimize(pic.GetBits());
    });
    SetRatioToOurs(state, Key("displacement", name), total);
    state.SetLabel(name);
}

auto kNone = [](double) { return 0.0; };

// Each parser pass runs right before its lambdas, so that the ratios compare
// figures taken under the same conditions.
template <typename PerPixel, typename Column, typename Row, typename ByParts>
void RegisterRgb(const char* name, const char* red, const char* green, const char* blue, PerPixel perPixel,
                 Column column, Row row, ByParts byParts) {
    benchmark::RegisterBenchmark("BM_RgbPassParser", RgbPassParser, name, red, green, blue)
        ->Unit(benchmark::kMicrosecond);
    auto pixel = [perPixel](double r, double g, double b, double x, double y, double, double) {
        return perPixel(r, g, b, x, y);
    };
    benchmark::RegisterBenchmark("BM_RgbPassLambda", RgbPassLambda<decltype(kNone), decltype(kNone), decltype(pixel)>,
                                 name, kNone, kNone, pixel)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_RgbPassLambdaByParts", RgbPassLambda<Column, Row, ByParts>, name, column, row,
                                 byParts)
        ->Unit(benchmark::kMicrosecond);
}

template <typename PerPixel, typename Column, typename Row, typename ByParts>
void RegisterDisplacement(const char* name, const char* newX, const char* newY, PerPixel perPixel, Column column,
                          Row row, ByParts byParts) {
    benchmark::RegisterBenchmark("BM_DisplacementPassParser", DisplacementPassParser, name, newX, newY)
        ->Unit(benchmark::kMicrosecond);
    auto pixel = [perPixel](double r, double g, double b, double x, double y, double, double) {
        return perPixel(r, g, b, x, y);
    };
    benchmark::RegisterBenchmark("BM_DisplacementPassLambda",
                                 DisplacementPassLambda<decltype(kNone), decltype(kNone), decltype(pixel)>, name, kNone,
                                 kNone, pixel)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_DisplacementPassLambdaByParts", DisplacementPassLambda<Column, Row, ByParts>, name,
                                 column, row, byParts)
        ->Unit(benchmark::kMicrosecond);
}

void Register() {
    RegisterRgb(
        "default", "r", "g", "b",
        [](double r, double g, double b, double, double) {
            return TRgb{r, g, b};
        },
        kNone, kNone,
        [](double r, double g, double b, double, double, double, double) {
            return TRgb{r, g, b};
        });
    RegisterRgb(
        "sine and cosine", "SIN(X/16)*128+128", "(r+g)/2", "b*COS(Y/20)",
        [](double r, double g, double b, double x, double y) {
            return TRgb{std::sin(x / 16) * 128 + 128, (r + g) / 2, b * std::cos(y / 20)};
        },
        [](double x) { return std::sin(x / 16) * 128 + 128; }, [](double y) { return std::cos(y / 20); },
        [](double r, double g, double b, double, double, double c, double h) {
            return TRgb{c, (r + g) / 2, b * h};
        });
    RegisterRgb(
        "whole tile", "SIN(X/16)*r/2+g/2", "SIN(X/16)*r/2+g/2", "SIN(X/16)*r/2+g/2",
        [](double r, double g, double, double x, double) {
            const double v = std::sin(x / 16) * (r / 2) + g / 2;
            return TRgb{v, v, v};
        },
        [](double x) { return std::sin(x / 16); }, kNone,
        [](double r, double g, double, double, double, double c, double) {
            const double v = c * (r / 2) + g / 2;
            return TRgb{v, v, v};
        });
    RegisterDisplacement(
        "default", "x", "y",
        [](double, double, double, double x, double y) {
            return TXy{x, y};
        },
        kNone, kNone,
        [](double, double, double, double x, double y, double, double) {
            return TXy{x, y};
        });
    RegisterDisplacement(
        "whole tile", "x+SIN(y/8)*4", "y",
        [](double, double, double, double x, double y) {
            return TXy{x + std::sin(y / 8) * 4, y};
        },
        kNone, [](double y) { return std::sin(y / 8) * 4; },
        [](double, double, double, double x, double y, double, double h) {
            return TXy{x + h, y};
        });
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
