#include "mozaro/Blend.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "artkit/Painters.h"
#include "image/PGraphic.h"
#include "mozaro/RecentTables.h"
#include "platform/MathUtil.h"

namespace {

// n / d rounded to the nearest integer, halves to even, for n >= 0: exact,
// so weighted sums that land on a half behave as halves.
int RoundDiv(int n, int d) {
    int q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && (q & 1))) ++q;
    return q;
}

int WeightedSum(uint32_t c) { return 20 * (c & 0xFF) + 50 * ((c >> 8) & 0xFF) + 30 * ((c >> 16) & 0xFF); }

// Row access that reads 24-bit rows in place and anything else pixel by
// pixel; pixels outside the picture read its background value.
void ReadRow(TPixelGraphic& g, int y, int width, std::vector<uint32_t>& out) {
    out.resize(width);
    const uint8_t* row = g.GetBitCountNum() == 3 ? g.GetScanLine(y) : nullptr;
    const int inside = row ? std::min(width, g.GetWidth()) : 0;
    for (int x = 0; x < inside; ++x)
        out[x] = row[3 * x + 2] | (row[3 * x + 1] << 8) | (static_cast<uint32_t>(row[3 * x]) << 16);
    for (int x = inside; x < width; ++x) out[x] = g.GetPixelColor(x, y);
}

void WriteRow(TPixelGraphic& g, int y, const std::vector<uint32_t>& colors) {
    const int width = static_cast<int>(colors.size());
    uint8_t* row = g.GetBitCountNum() == 3 ? g.GetScanLine(y) : nullptr;
    for (int x = 0; x < width; ++x) {
        if (!row) {
            g.SetPixelColor(x, y, colors[x]);
            continue;
        }
        row[3 * x] = static_cast<uint8_t>(colors[x] >> 16);
        row[3 * x + 1] = static_cast<uint8_t>(colors[x] >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(colors[x]);
    }
}

// Forms the blend colour m per channel and weighs it against d.
template <typename Channel>
uint32_t Combine(uint32_t d, uint32_t s, int weight, Channel channel) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int dc = (d >> shift) & 0xFF, sc = (s >> shift) & 0xFF;
        const int m = channel(dc, sc) & 0xFF;
        out |= static_cast<uint32_t>((((100 - weight) * m + weight * dc) / 100) & 0xFF) << shift;
    }
    return out;
}

// Runs op(d, s) -> new colour over every destination pixel, row by row.
template <typename Op>
void BlendPixels(TPixelGraphic& dest, TPixelGraphic& source, Op op) {
    const int w = dest.GetWidth(), h = dest.GetHeight();
    if (w <= 0 || h <= 0 || dest.GetEmpty()) return;
    std::vector<uint32_t> drow, srow;
    for (int y = 0; y < h; ++y) {
        ReadRow(dest, y, w, drow);
        ReadRow(source, y, w, srow);
        for (int x = 0; x < w; ++x) drow[x] = op(drow[x], srow[x]);
        WriteRow(dest, y, drow);
    }
}

template <typename Channel>
void BlendChannels(TPixelGraphic& dest, TPixelGraphic& source, int weight, Channel channel) {
    BlendPixels(dest, source, [&](uint32_t d, uint32_t s) { return Combine(d, s, weight, channel); });
}

// A costly channel function (roots) as a table of every (d, s), made once.
template <typename Channel>
auto Tabled(Channel channel) {
    static const std::vector<uint8_t> table = [&] {
        std::vector<uint8_t> t(256 * 256);
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) t[d * 256 + s] = static_cast<uint8_t>(channel(d, s));
        return t;
    }();
    return [](int d, int s) { return int(table[d * 256 + s]); };
}

void Warp(TPixelGraphic& dest, TPixelGraphic& source) {
    const int w = dest.GetWidth(), h = dest.GetHeight();
    if (w <= 0 || h <= 0 || dest.GetEmpty()) return;
    std::vector<uint32_t> old(static_cast<size_t>(w) * h), srow, row;
    for (int y = 0; y < h; ++y) {
        ReadRow(dest, y, w, row);
        std::copy(row.begin(), row.end(), old.begin() + static_cast<size_t>(y) * w);
    }
    for (int y = 0; y < h; ++y) {
        ReadRow(source, y, w, srow);
        for (int x = 0; x < w; ++x) {
            const int k = RoundDiv(WeightedSum(srow[x]), 200);
            // The wrap subtracts width - 1, not width: stored tiles rely on it.
            int sx = x + k, sy = y + k;
            if (sx > w - 1) sx -= w - 1;
            if (sy > h - 1) sy -= h - 1;
            // k can exceed a small picture's size: such reads fall outside.
            row[x] = (sx < w && sy < h) ? old[static_cast<size_t>(sy) * w + sx] : dest.GetBackgroundColor();
        }
        WriteRow(dest, y, row);
    }
}

}  // namespace

int Luminance(uint32_t color) { return RoundDiv(WeightedSum(color), 100); }

void BlendLayers(TPixelGraphic& destination, TPixelGraphic& source, int weight, int mode) {
    weight = Clamp(weight, 0, 100);
    switch (mode) {
        case bmMix: MixGraphics(destination, source, weight); break;
        case bmLighter:
        case bmDarker:
            BlendPixels(destination, source, [&](uint32_t d, uint32_t s) {
                const int ld = Luminance(d), ls = Luminance(s);
                if (s == d || (mode == bmLighter ? ld >= ls : ls >= ld)) return d;
                return Combine(d, s, weight, [](int, int sc) { return sc; });
            });
            break;
        case bmDifference:
            // Below zero the result is s - d - 1: textures depend on it.
            BlendChannels(destination, source, weight,
                          [](int d, int s) { return d >= s ? d - s : (255 - (d - s)) % 256; });
            break;
        case bmSum:
            BlendChannels(destination, source, weight, [](int d, int s) { return std::min(d + s, 255); });
            break;
        case bmGeometricMean:
            BlendChannels(destination, source, weight, Tabled([](int d, int s) {
                              return static_cast<int>(Trunc(std::sqrt(static_cast<double>(d * s))));
                          }));
            break;
        case bmHypotenuse:
            BlendChannels(destination, source, weight, Tabled([](int d, int s) {
                              return static_cast<int>(std::min<int64_t>(Trunc(Hypotenuse(s + 1, d)), 255));
                          }));
            break;
        case bmAnd: BlendChannels(destination, source, weight, [](int d, int s) { return d & s; }); break;
        case bmOr: BlendChannels(destination, source, weight, [](int d, int s) { return d | s; }); break;
        case bmXor: BlendChannels(destination, source, weight, [](int d, int s) { return d ^ s; }); break;
        case bmMaximum: BlendChannels(destination, source, weight, [](int d, int s) { return std::max(d, s); }); break;
        case bmMinimum: BlendChannels(destination, source, weight, [](int d, int s) { return std::min(d, s); }); break;
        case bmWarp: Warp(destination, source); break;
        default: return;
    }
    destination.DoChange();
}

const TBlendTag kBlendTags[kBlendTagCount] = {
    {1, "Opaque", bmMix, 0},
    {2, "75 % Opaque", bmMix, 25},
    {3, "50 % Opaque", bmMix, 50},
    {4, "25 % Opaque", bmMix, 75},
    {5, "Lighten", bmLighter, 0},
    {6, "Darken", bmDarker, 0},
    {14, "Lights only", bmMaximum, 0},
    {15, "Shadows only", bmMinimum, 0},
    {7, "Additive", bmSum, 0},
    {8, "Subtractice", bmDifference, 0},
    {9, "Multiply", bmGeometricMean, 0},
    {10, "Negative Multiply", bmHypotenuse, 0},
    {11, "Bitwise OR", bmOr, 0},
    {12, "Bitwise AND", bmAnd, 0},
    {13, "Bitwise XOR", bmXor, 0},
    {16, "Warp", bmWarp, 0},
};

TBlendTag BlendTagInfo(int tag) {
    for (const TBlendTag& t : kBlendTags)
        if (t.Tag == tag) return t;
    return kBlendTags[0];
}

int NormalizeBlendTag(int tag) { return BlendTagInfo(tag).Tag; }

// ---- cards --------------------------------------------------------------------

void TCardsFilter::BeginProcess(TPixelGraphic* ASource) {
    TPGFilter::BeginProcess(ASource);
    FSpots.reset();
    FCards.clear();
    const int n = CardsPerSide;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            TCard card;
            card.Left = static_cast<long double>(c) / n;
            card.Top = static_cast<long double>(r) / n;
            card.Width = 1.0L / n;
            card.Height = 1.0L / n;
            const long double u = Generator->NextReal();
            const long double v = Generator->NextReal();
            card.HShift = (u - 0.5L) * MaxHShift / n;
            card.VShift = (v - 0.5L) * MaxVShift / n;
            FCards.push_back(card);
        }
    BuildAxis(ASource->GetWidth(), true, FColumns);
    BuildAxis(ASource->GetHeight(), false, FRows);
    FRead = TColorReader(ASource);
}

void TCardsFilter::BuildAxis(int size, bool horizontal, TAxis& axis) const {
    size = std::max(size, 0);
    axis.Inside.assign(size, 0);
    axis.Inner.assign(size, 0);
    axis.Shifted.assign(static_cast<size_t>(size) * kCardCount, kUnknown);
    axis.Shift.resize(kCardCount);
    std::vector<long double> fraction(static_cast<size_t>(size) + 2);  // k / size for k = -1..size
    for (int k = -1; k <= size; ++k) fraction[k + 1] = static_cast<long double>(k) / size;
    for (int i = 0; i < kCardCount; ++i) {
        const TCard& card = FCards[i];
        const long double shift = horizontal ? card.HShift : card.VShift;
        const long double start = (horizontal ? card.Left : card.Top) - shift;
        const long double end = start + (horizontal ? card.Width : card.Height);
        axis.Shift[i] = size * shift;
        for (int k = 0; k < size; ++k) {
            const long double before = fraction[k], at = fraction[k + 1], after = fraction[k + 2];
            if (start <= at && at <= end) axis.Inside[k] |= uint16_t(1u << i);
            if (start <= before && after <= end) axis.Inner[k] |= uint16_t(1u << i);
        }
    }
}

inline int32_t TCardsFilter::ShiftedPosition(TAxis& axis, int card, int k) {
    const int size = static_cast<int>(axis.Inside.size());
    int32_t& p = axis.Shifted[static_cast<size_t>(card) * size + k];
    if (p == kUnknown)
        p = static_cast<int32_t>(Clamp<int64_t>(Round(k + axis.Shift[card]), -1, size));  // -1, size: outside
    return p;
}

inline TCardsFilter::TSpot TCardsFilter::Locate(int X, int Y, int& SX, int& SY) {
    const int W = static_cast<int>(FColumns.Inside.size()), H = static_cast<int>(FRows.Inside.size());
    if (X < 0 || Y < 0 || X >= W || Y >= H) return spOutside;
    const unsigned inside = FColumns.Inside[X] & FRows.Inside[Y];
    if (!inside) return spOutside;
    const int i = __builtin_ctz(inside);
    if (!(FColumns.Inner[X] & FRows.Inner[Y] & (1u << i))) return spBorder;
    SX = ShiftedPosition(FColumns, i, X);
    SY = ShiftedPosition(FRows, i, Y);
    if (SX < 0 || SY < 0 || SX >= W || SY >= H) return spOutside;
    return spSource;
}

uint32_t TCardsFilter::CalcDestPixel(int X, int Y) {
    int sx = 0, sy = 0;
    switch (Locate(X, Y, sx, sy)) {
        case spOutside: return OutsideColor;
        case spBorder: return BorderColor;
        case spSource: break;
    }
    return FRead(sx, sy);
}

std::shared_ptr<TCardsFilter::TSpotTable> TCardsFilter::SpotTable() {
    const TPixelGraphic& s = *Source;
    const int w = s.GetWidth(), h = s.GetHeight();
    std::vector<long double> shifts;
    for (const TCard& card : FCards) shifts.insert(shifts.end(), {card.HShift, card.VShift});
    thread_local TRecentTables<TSpotTable> kept;
    if (auto table = kept.Find([&](const TSpotTable& t) {
            return t.Width == w && t.Height == h && t.RowSize == s.GetRowSize() && t.Shifts == shifts;
        }))
        return table;
    auto table = std::make_shared<TSpotTable>();
    table->Width = w;
    table->Height = h;
    table->RowSize = s.GetRowSize();
    table->Shifts = std::move(shifts);
    table->RowStart.reserve(static_cast<size_t>(h) + 1);
    for (int y = 0; y < h; ++y) {
        table->RowStart.push_back(static_cast<uint32_t>(table->Runs.size()));
        for (int x = 0; x < w; ++x) {
            int sx = 0, sy = 0;
            const TSpot spot = Locate(x, y, sx, sy);
            const int32_t offset = spot == spSource   ? static_cast<int32_t>(int64_t(sy) * table->RowSize + 3 * sx)
                                   : spot == spBorder ? kBorderSpot
                                                      : kOutsideSpot;
            if (x > 0) {
                TSpotRun& last = table->Runs.back();
                if (last.Offset >= 0 ? offset == last.Offset + 3 * last.Count : offset == last.Offset) {
                    ++last.Count;
                    continue;
                }
            }
            table->Runs.push_back({x, 1, offset});
        }
    }
    table->RowStart.push_back(static_cast<uint32_t>(table->Runs.size()));
    kept.Keep(table);
    return table;
}

void TCardsFilter::CalcDestRow(int Y, uint8_t* Row, int Width) {
    const TPixelGraphic& s = *Source;
    const int w = s.GetWidth(), h = s.GetHeight();
    // Pictures up to 4 megapixels keep a table.
    const bool tabled = s.GetBitCountNum() == 3 && !s.GetEmpty() && Width == w && Y >= 0 && Y < h &&
                        w == static_cast<int>(FColumns.Inside.size()) && h == static_cast<int>(FRows.Inside.size()) &&
                        int64_t(w) * h <= (int64_t(1) << 22) && int64_t(s.GetRowSize()) * h < INT32_MAX;
    if (!tabled) {
        TPGFilter::CalcDestRow(Y, Row, Width);
        return;
    }
    if (!FSpots) FSpots = SpotTable();
    const uint8_t* bits = s.GetBits();
    const uint8_t outside[3] = {GetBValue(OutsideColor), GetGValue(OutsideColor), GetRValue(OutsideColor)};
    const uint8_t border[3] = {GetBValue(BorderColor), GetGValue(BorderColor), GetRValue(BorderColor)};
    const TSpotRun* run = FSpots->Runs.data();
    for (uint32_t k = FSpots->RowStart[Y]; k < FSpots->RowStart[Y + 1]; ++k) {
        const TSpotRun& r = run[k];
        uint8_t* p = Row + 3 * r.X;
        if (r.Offset >= 0) {
            std::memcpy(p, bits + r.Offset, 3 * static_cast<size_t>(r.Count));
            continue;
        }
        const uint8_t* c = r.Offset == kBorderSpot ? border : outside;
        for (int i = 0; i < r.Count; ++i, p += 3) {
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
        }
    }
}

void TCardsFilter::EndProcess() {
    FSpots.reset();
    FCards.clear();
    FColumns = TAxis();
    FRows = TAxis();
    FRead = TColorReader();
    TPGFilter::EndProcess();
}
