#include "mozaro/Layer.h"

#include <algorithm>
#include <array>
#include <cmath>
#if defined(__SSE2__)
#endif

#include "artkit/EmbossFilter.h"
#include "artkit/Painters.h"
#include "image/PGraphic.h"
#include "mozaro/Blend.h"
#include "mozaro/ImageAdditions.h"
#include "mozaro/RecentTables.h"
#include "mozaro/ScratchPictures.h"
#include "platform/MathUtil.h"

const char* const kAlgorithmNames[kAlgorithmCount] = {
    "Shifted Plasma 1",
    "Shifted Plasma 2",
    "Shifted Plasma 3",
    "Vertical Waves",
    "Glas Blocks",
    "Shifted Plasma 4",
    "Diagonal Waves",
    "Mirrored Plasma",
    "Dots",
    "Squares",
    "Rectanges",
    "Double Plasma",
    "Simple Plasma",
    "Noisy Plasma",
    "Noise Rings",
    "Tree Bark",
    "Weave",
    "Concentric Plasma",
    "Kaleidoscope",
    "Horizontal Waves",
    "White Noise",
    "Horizontal Gradient",
    "Vertical Gradient",
    "Radial Gradient",
    "Image File",
};

TLayerParams TLayerParams::Clamped() const {
    TLayerParams p = *this;
    p.Algorithm = Clamp(Algorithm, 0, kAlgorithmCount - 1);
    p.Brightness = Clamp(Brightness, -100, 100);
    p.Cycle = Clamp(Cycle, -255, 255);
    p.Amplitude = Clamp(Amplitude, 32, 128);
    p.Turbulence1 = Clamp(Turbulence1, 0, 80);
    p.Turbulence2 = Clamp(Turbulence2, 0, 80);
    p.Twist = Clamp(Twist, -18, 18);
    return p;
}

int WrapPalettePosition(int64_t p) {
    if (p > 255) return static_cast<int>((p - 1) % 255 + 1);
    if (p < 0) return static_cast<int>(PosMod<int64_t>(p, 255));
    return static_cast<int>(p);
}

uint32_t LayerColor(const TColourTable& palette, int64_t p, int brightness) {
    const uint32_t c = palette[WrapPalettePosition(p)];
    return ClampRGB(GetRValue(c) + brightness, GetGValue(c) + brightness, GetBValue(c) + brightness);
}

// ---- twist ----------------------------------------------------------------------

namespace {
constexpr double kPi = 3.14159265358979323846;

// Above this many squared distances the turns are not worth keeping.
constexpr double kMaxTurnTable = 1 << 20;
}  // namespace

std::shared_ptr<TOilFilter::TTurnTable> TOilFilter::TurnTable(int width, int height, int32_t strength, bool& repeat) {
    thread_local TRecentTables<TTurnTable> kept;
    if (auto table = kept.Find(
            [&](const TTurnTable& t) { return t.Width == width && t.Height == height && t.Strength == strength; })) {
        repeat = true;
        return table;
    }
    repeat = false;
    auto table = std::make_shared<TTurnTable>();
    table->Width = width;
    table->Height = height;
    table->Strength = strength;
    const double r = std::min(width, height) * 0.5;
    const size_t slotCount = r * r < kMaxTurnTable ? static_cast<size_t>(r * r) + 1 : 0;
    table->Slot.assign(slotCount, 0);
    // Fewer than half of the squared distances are sums of two squares:
    // room for all at once spares the copies of a growing list.
    table->Turns.reserve(slotCount / 2 + 1);
    table->Turns.assign(1, {1.0, 0.0});
    kept.Keep(table);
    return table;
}

void TOilFilter::BeginProcess(TPixelGraphic* ASource) {
    TPGFilter::BeginProcess(ASource);
    FTable = TurnTable(ASource->GetWidth(), ASource->GetHeight(), Strength, FRepeat);
    FCentreX = ASource->GetWidth() / 2;
    FCentreY = ASource->GetHeight() / 2;
    FRadius = std::min(ASource->GetWidth(), ASource->GetHeight()) * 0.5;
    FRead = TColorReader(ASource);
}

inline void TOilFilter::SourceOf(int X, int Y, int& SX, int& SY) {
    int cx = FCentreX, cy = FCentreY;
    if (cx == X) cx = X + 1;
    if (cy == Y) cy = Y + 1;
    const int64_t dx = X - cx, dy = Y - cy;
    const int64_t d2 = dy * dy + dx * dx;
    // d < R exactly when d^2 < R^2: R is a multiple of 1/2 and d the
    // correctly rounded root of an integer. Outside the circle nothing turns.
    if (!(static_cast<double>(d2) < FRadius * FRadius)) {
        SX = X;
        SY = Y;
        return;
    }
    TTurnTable& table = *FTable;
    const bool kept = static_cast<size_t>(d2) < table.Slot.size();
    std::array<double, 2> turn;
    if (kept && table.Slot[d2]) {
        turn = table.Turns[table.Slot[d2]];
    } else {
        const double d = std::sqrt(static_cast<double>(d2));
        const double angle = (1 - std::cos(d / FRadius * 6.28)) * Strength;
        const double a = angle * kPi / 180;
        turn = {std::cos(a), std::sin(a)};
        if (kept) {
            table.Slot[d2] = static_cast<uint32_t>(table.Turns.size());
            table.Turns.push_back(turn);
        }
    }
    SX = static_cast<int>(Round(cx + dx * turn[0] - dy * turn[1]));
    SY = static_cast<int>(Round(cy + dx * turn[1] + dy * turn[0]));
}

uint32_t TOilFilter::CalcDestPixel(int X, int Y) {
    int sx, sy;
    SourceOf(X, Y, sx, sy);
    return FRead(sx, sy);
}

namespace {
// A kept twist entry that says "work this pixel out" (outside the source);
// a small table's index 65535 says it too, which only costs that pixel a
// detour.
constexpr int32_t kWorkOutOffset = -1;
constexpr uint16_t kWorkOutPixel = 0xFFFF;

// Small pictures without row padding: pixel indices of 16 bits, half the
// table of byte offsets.
bool SmallTurnTable(int w, int h, int rowSize) { return int64_t(w) * h <= 65536 && rowSize == 3 * w; }
}  // namespace

void TOilFilter::BuildOffsets(const TPixelGraphic& source) {
    TTurnTable& table = *FTable;
    const int w = source.GetWidth(), h = source.GetHeight();
    table.RowSize = source.GetRowSize();
    const bool small = SmallTurnTable(w, h, table.RowSize);
    table.Offsets.clear();
    table.Pixels.clear();
    if (small) table.Pixels.resize(static_cast<size_t>(w) * h);
    else table.Offsets.resize(static_cast<size_t>(w) * h);
    size_t k = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, ++k) {
            int sx, sy;
            SourceOf(x, y, sx, sy);
            const bool inside = static_cast<unsigned>(sx) < static_cast<unsigned>(w) &&
                                static_cast<unsigned>(sy) < static_cast<unsigned>(h);
            if (small) table.Pixels[k] = inside ? static_cast<uint16_t>(sy * w + sx) : kWorkOutPixel;
            else
                table.Offsets[k] = inside ? static_cast<int32_t>(int64_t(sy) * table.RowSize + 3 * sx) : kWorkOutOffset;
        }
}

void TOilFilter::CalcDestRow(int Y, uint8_t* Row, int Width) {
    const TPixelGraphic& s = *Source;
    const int w = s.GetWidth(), h = s.GetHeight();
    // Pictures up to 4 megapixels keep a table (16 MiB at most).
    const bool tabled = s.GetBitCountNum() == 3 && !s.GetEmpty() && Width == w && Y >= 0 && Y < h &&
                        int64_t(w) * h <= (int64_t(1) << 22) && int64_t(s.GetRowSize()) * h < INT32_MAX;
    if (!tabled) {
        TPGFilter::CalcDestRow(Y, Row, Width);
        return;
    }
    const size_t n = static_cast<size_t>(w) * h;
    const bool built = FTable->RowSize == s.GetRowSize() && (FTable->Offsets.size() == n || FTable->Pixels.size() == n);
    if (!built && !FRepeat) {
        // The first run for this size and strength reads its sources as it
        // goes: the table pays off only when a re-render asks again.
        for (int x = 0; x < w; ++x) {
            int sx, sy;
            SourceOf(x, Y, sx, sy);
            PutRowPixel(Row + 3 * x, FRead(sx, sy));
        }
        return;
    }
    if (!built) BuildOffsets(s);
    const uint8_t* bits = s.GetBits();
    // entry[x] x scale is the byte offset of target pixel x's source.
    auto copy = [&](const auto* entry, auto workOut, int scale) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = Row + 3 * x;
            if (entry[x] != workOut) {
                const uint8_t* q = bits + static_cast<size_t>(entry[x]) * scale;
                p[0] = q[0];
                p[1] = q[1];
                p[2] = q[2];
            } else {
                PutRowPixel(p, TOilFilter::CalcDestPixel(x, Y));
            }
        }
    };
    if (!FTable->Pixels.empty()) copy(FTable->Pixels.data() + static_cast<size_t>(w) * Y, kWorkOutPixel, 3);
    else copy(FTable->Offsets.data() + static_cast<size_t>(w) * Y, kWorkOutOffset, 1);
}

void TOilFilter::EndProcess() {
    FRead = TColorReader();
    FTable.reset();
    TPGFilter::EndProcess();
}

// ---- algorithms -----------------------------------------------------------------

namespace {

struct TTexture {
    const THeightMaps& Maps;
    int Amp;
    int C;                     // cycle
    std::array<int, 256> W{};  // W(v) = Trunc(Sin(v / amp) x 255)

    TTexture(const THeightMaps& maps, int amp, int cycle) : Maps(maps), Amp(amp), C(cycle) {
        for (int v = 0; v < 256; ++v) W[v] = static_cast<int>(Trunc(std::sin(static_cast<double>(v) / Amp) * 255));
    }
    int A(int i, int j) const { return Maps.Map1[i * kMapSize + j]; }
    int B(int i, int j) const { return Maps.Map2[i * kMapSize + j]; }
    // Cells far outside the map are read at t mod 256, which keeps the map's
    // period (the formulas reach about -801..801).
    static int Wrap(int t) { return PosMod(t, 256); }
    // k = Trunc(amp x 0.03125) x pi, kept in single precision.
    float K() const { return static_cast<float>(Trunc(Amp * 0.03125) * kPi); }
};

// Writes lut[position(x, y)] into every pixel of the tile.
template <typename Position>
void FillTile(TPixelGraphic& work, const std::array<uint32_t, 256>& lut, Position position) {
    for (int y = 0; y < kTileSize; ++y) {
        uint8_t* row = work.GetScanLine(y);
        for (int x = 0; x < kTileSize; ++x) {
            PutRowPixel(row + 3 * x, lut[WrapPalettePosition(position(x, y))]);
        }
    }
}

// A function of the integers lo..hi, worked out once and indexed by the integer.
struct TSineTable {
    int Lo;
    std::vector<double> Values;
    template <typename Arg>
    TSineTable(int lo, int hi, Arg arg) : Lo(lo), Values(hi - lo + 1) {
        for (int i = lo; i <= hi; ++i) Values[i - lo] = arg(i);
    }
    double operator[](int i) const { return Values[i - Lo]; }
};

// "Vertical", "Horizontal" and "Diagonal Waves": z = Sin(zArg / 128 x k);
// p = |Trunc(Sin(z + wArg / 128 x k) x A(x, y))| - c. zArg spans lo..hi.
template <typename Args>
void Waves(TPixelGraphic& work, const std::array<uint32_t, 256>& lut, const TTexture& t, int lo, int hi, Args args) {
    const double k = t.K();
    TSineTable z(lo, hi, [&](int i) { return std::sin(i / 128.0 * k); });
    FillTile(work, lut, [&](int x, int y) {
        int zArg, wArg;
        args(x, y, zArg, wArg);
        return std::llabs(Trunc(std::sin(z[zArg] + wArg / 128.0 * k) * t.A(x, y))) - t.C;
    });
}

void RunAlgorithm(int algorithm, TPixelGraphic& work, const std::array<uint32_t, 256>& lut, const TTexture& t,
                  TRandomGenerator& rng, const TPixelGraphic* importImage) {
    const int c = t.C, amp = t.Amp;
    switch (algorithm) {
        case algShiftedPlasma1:
            FillTile(work, lut, [&](int x, int y) { return t.W[t.A(t.B(x, y), t.B(y, x))] - c; });
            break;
        case algShiftedPlasma2: FillTile(work, lut, [&](int x, int y) { return t.W[t.B(x, y)] - c; }); break;
        case algShiftedPlasma3:
            FillTile(work, lut, [&](int x, int y) { return (t.W[t.B(x, y)] & t.A(x, y)) - c; });
            break;
        case algVerticalWaves:
            Waves(work, lut, t, 0, 400, [&](int x, int y, int& zArg, int& wArg) {
                zArg = y - t.B(y, x) / 4 + 128;
                wArg = x - t.B(x, y) / 4 + 128;
            });
            break;
        case algHorizontalWaves:
            Waves(work, lut, t, 0, 400, [&](int x, int y, int& zArg, int& wArg) {
                zArg = x - t.B(x, y) / 4 + 128;
                wArg = y - t.B(y, x) / 4 + 128;
            });
            break;
        case algDiagonalWaves:
            Waves(work, lut, t, 0, 800, [&](int x, int y, int& zArg, int& wArg) {
                zArg = x + y - t.B(x, y) / 2 + 256;
                wArg = y - t.B(y, x) / 2 - x + 256;
            });
            break;
        case algGlasBlocks: {
            std::array<int, 256> tt;
            for (int n = 0; n < 256; ++n)
                tt[n] = TTexture::Wrap(static_cast<int>(Trunc(std::sqrt(129.0 * 129 + (n + 1.0) * (n + 1)))));
            FillTile(work, lut, [&](int x, int y) { return t.W[t.A(t.B(tt[y], tt[y]), t.B(tt[x], tt[x]))] - c; });
            break;
        }
        case algShiftedPlasma4:
            FillTile(work, lut, [&](int x, int y) {
                const int h = t.A(t.B(x, y), t.B(y, x));
                return (h & (h + amp)) - c;
            });
            break;
        case algMirroredPlasma: {
            // Depends on the pair (B(y, x), B(x, y)) only; pairs recur, so
            // each is worked out once.
            std::vector<int16_t> known(256 * 256, -1);
            FillTile(work, lut, [&](int x, int y) {
                const int b1 = t.B(y, x), b2 = t.B(x, y);
                int16_t& v = known[b1 * 256 + b2];
                if (v < 0) {
                    const double a = std::atan2(static_cast<double>(b1), static_cast<double>(b2 + 1));
                    v = static_cast<int16_t>(Trunc(std::fabs(std::sin(a * amp * 0.01)) * 255));
                }
                return v - c;
            });
            break;
        }
        case algDots: {
            TSineTable edge(0, 128, [&](int i) { return std::sin(i / (amp * 0.125)); });
            TSineTable sum(0, 510, [&](int i) { return std::sin(static_cast<double>(i) / amp); });
            FillTile(work, lut, [&](int x, int y) {
                const int m = t.B(x, y), n = t.B(y, x);
                return Trunc(edge[std::abs(y - 128)] * sum[m + n] * edge[std::abs(x - 128)] * t.A(m, n));
            });
            break;
        }
        case algSquares:
        case algRectanges: {
            std::array<int, 256> r;
            for (int i = 0; i < 256; ++i) r[i] = static_cast<int>(Trunc(std::abs(i - 128) / 256.0 * kPi * 100));
            if (algorithm == algSquares) {
                TSineTable s(0, 160, [&](int i) { return std::sin(static_cast<double>(i) / amp); });
                FillTile(work, lut, [&](int x, int y) {
                    const int a = t.A(t.B(x, y), t.B(y, x));
                    return Trunc(s[r[x]] * a) & Trunc(s[r[y]] * a);
                });
            } else {
                TSineTable s(0, 400, [&](int i) { return std::sin(static_cast<double>(i) / amp * 5); });
                FillTile(work, lut, [&](int x, int y) {
                    const int m = t.B(x, y), n = t.B(y, x);
                    const int v = r[y] + n / 8 + r[x] + m / 8;
                    return Trunc(s[v] * t.A(m, n));
                });
            }
            break;
        }
        case algDoublePlasma: FillTile(work, lut, [&](int x, int y) { return t.A(t.B(x, y), t.B(y, x)) - c; }); break;
        case algSimplePlasma: FillTile(work, lut, [&](int x, int y) { return t.B(x, y) - c; }); break;
        case algNoisyPlasma: {
            std::array<double, 256> ca, sb;
            for (int i = 0; i < 256; ++i) {
                ca[i] = std::cos(i / (amp * 0.1));
                sb[i] = std::sin(i / (amp * 0.125));
            }
            FillTile(work, lut, [&](int x, int y) {
                const int b = t.B(x, y);
                return Trunc(std::fabs(ca[t.A(x, y)] * sb[b] * b)) - c;
            });
            break;
        }
        case algNoiseRings:
            FillTile(work, lut, [&](int x, int y) { return ((t.B(x, y) / (amp / 5)) & 1) ? t.A(x, y) - c : -c; });
            break;
        case algTreeBark:
            FillTile(work, lut, [&](int x, int y) {
                const int b = t.B(x, y);
                const int r = (std::abs(x - 128) + b) / 2, s = (std::abs(y - 128) + b) / 2;
                return t.W[t.B(t.A(r, y), t.A(y, s))] - c;
            });
            break;
        case algWeave: {
            const uint32_t background = work.GetBackgroundColor();
            TSineTable s(0, 256, [&](int i) { return std::sin(i / (amp * 10.0)); });
            for (int y = 0; y <= 256; ++y)
                for (int x = 0; x <= 256; ++x) {
                    work.SetPixelColor(static_cast<int>(Trunc(s[x] * 128)) + 128, y,
                                       lut[WrapPalettePosition(t.A(x, y) - c)]);
                    const int wy = static_cast<int>(Trunc(s[y] * 128)) + 128;
                    if (work.GetPixelColor(x, wy) == background)
                        work.SetPixelColor(x, wy, lut[WrapPalettePosition(t.B(x, y) - c)]);
                }
            break;
        }
        case algConcentricPlasma:
            FillTile(work, lut, [&](int x, int y) {
                const int64_t v = Round(t.A(x, y) * 0.03125) + amp;
                const int64_t dy = std::abs(y - 128) + 1 + v, dx = std::abs(x - 128) + 1 + v;
                return (t.B(x, y) - c) & Trunc(std::sqrt(static_cast<double>(dy * dy + dx * dx)));
            });
            break;
        case algKaleidoscope: {
            // Depends on |x - 128| and |y - 128| only: worked out per quadrant cell.
            std::vector<int> cell(129 * 129);
            for (int m = 0; m <= 128; ++m)
                for (int n = 0; n <= 128; ++n) {
                    const int v = t.W[t.B(m, n)];
                    const int64_t tt = Trunc(std::atan2(static_cast<double>(v + m), static_cast<double>(v + n)) * v);
                    cell[m * 129 + n] = static_cast<int>(PosMod<int64_t>(tt, 256));
                }
            FillTile(work, lut, [&](int x, int y) {
                const int tt = cell[std::abs(x - 128) * 129 + std::abs(y - 128)];
                return t.A(tt, tt) - c;
            });
            break;
        }
        case algWhiteNoise:
            // One draw for every cell of the 257 x 257 walk, also where the
            // pixel falls outside the tile: later draws depend on the count.
            for (int y = 0; y <= 256; ++y) {
                uint8_t* row = y < kTileSize ? work.GetScanLine(y) : nullptr;
                for (int x = 0; x <= 256; ++x) {
                    const int r = rng.NextInt(256);
                    if (!row || x >= kTileSize) continue;
                    const uint32_t col = lut[WrapPalettePosition(r - c)];
                    row[3 * x] = static_cast<uint8_t>(col >> 16);
                    row[3 * x + 1] = static_cast<uint8_t>(col >> 8);
                    row[3 * x + 2] = static_cast<uint8_t>(col);
                }
            }
            break;
        case algHorizontalGradient: FillTile(work, lut, [&](int x, int) { return x - c; }); break;
        case algVerticalGradient: FillTile(work, lut, [&](int, int y) { return y; }); break;
        case algRadialGradient:
            FillTile(work, lut, [&](int x, int y) {
                const int64_t dx = x == 127 ? 1 : x - 127, dy = y == 127 ? 1 : y - 127;
                return Trunc(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
            });
            break;
        case algImageFile:
            if (importImage && !importImage->GetEmpty()) work.StretchFrom(*importImage);
            break;
    }
}

}  // namespace

void RenderTexture(const TLayerParams& params, const TColourTable& palette, const THeightMaps& maps,
                   TRandomGenerator& rng, const TPixelGraphic* importImage, TPixelGraphic& work) {
    const TLayerParams p = params.Clamped();
    // A fresh black tile whatever work held before: the twist reads the
    // background beyond the edges, so none may linger from an earlier render.
    work.SetBackgroundValue(0);
    work.SetSizeForOverwrite(kTileSize, kTileSize, 3);
    work.Clear();
    std::array<uint32_t, 256> lut;
    for (int i = 0; i < 256; ++i) lut[i] = LayerColor(palette, i, p.Brightness);
    if (p.Algorithm == algDiagonalWaves || p.Algorithm == algWeave) {  // Weave writes over this colour only
        work.SetBackgroundColor(palette[WrapPalettePosition(1 - p.Cycle)]);
        work.Clear();
    }
    TTexture texture(maps, p.Amplitude, p.Cycle);
    RunAlgorithm(p.Algorithm, work, lut, texture, rng, importImage);

    if (p.FlipHorizontal) MirrorHorizontal(work);
    if (p.FlipVertical) MirrorVertical(work);
    // The filters need a source apart from their target: each runs from the
    // picture as it stands into the other of two, which then stands for it.
    TScratchPicture spare(1);
    TPixelGraphic* current = &work;
    auto filter = [&](TPGFilter& f) {
        TPixelGraphic* target = current == &work ? &*spare : &work;
        target->SetBackgroundValue(current->GetBackgroundValue());
        target->ApplyFilter(f, *current);
        current = target;
    };
    if (p.Twist != 0) {
        TOilFilter oil(p.Twist * 10);
        filter(oil);
    }
    if (p.Cards) {
        TCardsFilter cards(LayerColor(palette, 255 - p.Cycle, p.Brightness),
                           LayerColor(palette, 0 - p.Cycle, p.Brightness));
        cards.Generator = &rng;
        filter(cards);
    }
    if (current != &work) work.Assign(current);
}

void RenderLayer(const TLayerParams& params, const TColourTable& palette, THeightMapCache& maps,
                 const TPixelGraphic* importImage, TPixelGraphic& layer, TPixelGraphic* view, TRandomGenerator& rng) {
    const TLayerParams p = params.Clamped();
    auto set = maps.Get(SeedFromText(p.SeedText), p.Turbulence1, p.Turbulence2);
    rng.SetSeed(set->StateAfter);
    TScratchPicture scratch(0);
    TPixelGraphic& work = *scratch;
    RenderTexture(p, palette, set->Maps, rng, importImage, work);

    TEmbossFilter emboss(1, 127);
    if (view) {
        if (view->GetWidth() <= 0 || view->GetHeight() <= 0) view->SetSize(kTileSize, kTileSize, 3);
        if (p.Embossed) {
            // The view's part is embossed on its own, so its right and
            // bottom edges are embossed as edges.
            TPixelGraphic part;
            part.SetSize(view->GetWidth(), view->GetHeight(), 3);
            part.CopyRect(0, 0, work, 0, 0, view->GetWidth(), view->GetHeight());
            view->ApplyFilter(emboss, part);
        } else {
            view->CopyRect(0, 0, work, 0, 0, view->GetWidth(), view->GetHeight());
        }
    }
    if (p.Embossed) layer.ApplyFilter(emboss, work);
    else layer.Assign(&work);
}

void DrawPaletteStrip(TPixelGraphic& strip, const TColourTable& palette, int cycle, int brightness) {
    cycle = Clamp(cycle, -255, 255);
    brightness = Clamp(brightness, -100, 100);
    const int rows = std::min(strip.GetHeight(), 20);
    for (int i = 0; i <= 256 && i < strip.GetWidth(); ++i) {
        const uint32_t c = LayerColor(palette, i - cycle, brightness);
        for (int y = 0; y < rows; ++y) strip.SetPixelColor(i, y, c);
    }
    strip.DoChange();
}
