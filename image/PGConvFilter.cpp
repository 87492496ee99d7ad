#include "image/PGConvFilter.h"

#include <algorithm>
#include <cmath>

#include "image/PGExceptions.h"
#include "image/PGMessages.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"

namespace {

constexpr int32_t MaxMatrixSize = 99;
constexpr int MsgOutOfRange = 41;  // "%S1 out of range"
constexpr int MsgXYIndex = 1;      // "X, Y index out of range"

[[noreturn]] void RaiseOutOfRange(const char* what) { throw EPGConvFilter(FormatLangStr1(MsgOutOfRange, what)); }

// Density of a shape with variance sigma^2.
long double Density(TDistributionShape shape, long double sigma, long double x) {
    const long double pi = 3.14159265358979323846264338327950288L;
    switch (shape) {
        case dsGaussian: return (1.0L / (sigma * std::sqrt(2.0L * pi))) * std::exp(-(x * x) / (2.0L * sigma * sigma));
        case dsTent: {
            const long double a = std::sqrt(6.0L) * sigma;
            return std::fabs(x) <= a ? std::fabs(x) * (-1.0L / (a * a)) + 1.0L / a : 0.0L;
        }
        case dsRect: {
            const long double a = std::sqrt(3.0L) * sigma;
            return std::fabs(x) <= a ? 1.0L / (2.0L * a) : 0.0L;
        }
    }
    return 0.0L;
}

}  // namespace

TConvFilter::TConvFilter() : FCoefficients(1, 1) {}

TConvFilter::~TConvFilter() = default;

void TConvFilter::SetWidth(int32_t N) {
    if (N < 1 || N > MaxMatrixSize) RaiseOutOfRange("TConvFilter.Width");
    Resize(N, FHeight);
}

void TConvFilter::SetHeight(int32_t N) {
    if (N < 1 || N > MaxMatrixSize) RaiseOutOfRange("TConvFilter.Height");
    Resize(FWidth, N);
}

// Old coefficients are not kept: a new size starts from zeros.
void TConvFilter::Resize(int32_t width, int32_t height) {
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    FCoefficients.assign(size_t(FWidth) * size_t(FHeight), 0);
    Invalidate();
}

int32_t TConvFilter::GetCoefficient(int32_t Col, int32_t Row) const {
    if (Col < 0 || Col >= FWidth || Row < 0 || Row >= FHeight) throw EPGConvFilter(GetLangStr(MsgXYIndex));
    return FCoefficients[size_t(Col) + size_t(Row) * size_t(FWidth)];
}

void TConvFilter::SetCoefficient(int32_t Col, int32_t Row, int32_t Value) {
    if (Col < 0 || Col >= FWidth || Row < 0 || Row >= FHeight) throw EPGConvFilter(GetLangStr(MsgXYIndex));
    FCoefficients[size_t(Col) + size_t(Row) * size_t(FWidth)] = Value;
    Invalidate();
}

void TConvFilter::SetXOffset(int32_t Value) {
    FXOffset = Value;
    Invalidate();
}

void TConvFilter::SetYOffset(int32_t Value) {
    FYOffset = Value;
    Invalidate();
}

void TConvFilter::SetFactor(long double Value) {
    FFactor = Value;
    Invalidate();
}

void TConvFilter::SetBias(long double Value) {
    FBias = Value;
    Invalidate();
}

int64_t TConvFilter::CoefficientSum() const {
    int64_t s = 0;
    for (int32_t c : FCoefficients) s += c;
    return s;
}

// ---- convolution ------------------------------------------------------------

void TConvFilter::BeginProcess(TPixelGraphic* ASource) {
    TPGFilter::BeginProcess(ASource);
    Invalidate();
    if (Source) Prepare();
}

void TConvFilter::EndProcess() {
    Invalidate();
    FTable = nullptr;
    FRowSums16 = {};
    FRowSums32 = {};
    FRowColours = {};
    TPGFilter::EndProcess();
}

bool TConvFilter::PreparedFor(const TPixelGraphic* source) const {
    // The pixel memory may have been replaced since BeginProcess (a resize,
    // or a caller driving CalcDestPixel on its own): then rebuild rather than
    // read through stale pointers.
    return source == FPrepared && source->GetBits() == FBits && source->GetWidth() == FSrcWidth &&
           source->GetHeight() == FSrcHeight && source->GetRowSize() == FRowSize &&
           source->GetBitCountNum() == FBitCountNum;
}

uint8_t TConvFilter::Channel(int64_t sum, int64_t weight) const {
    if (FFactor == 1.0L && FBiasAdd == 0.0L && weight > 0) {
        // The plain mean, in integers: sum / weight is correctly rounded in
        // long double and can never land on a half it is not exactly, so
        // rounding the exact quotient halves-to-even gives the same.
        if (sum <= 0) return 0;
        if (sum >= 255 * weight) return 255;
        const int64_t q = sum / weight, twice = 2 * (sum % weight);
        return static_cast<uint8_t>(twice > weight || (twice == weight && (q & 1)) ? q + 1 : q);
    }
    const long double m = weight != 0 ? static_cast<long double>(sum) / static_cast<long double>(weight)
                                      : static_cast<long double>(sum);
    const long double v = FFactor * m + FBiasAdd;
    if (!(v > 0.0L)) return 0;  // also NaN from a NaN factor or bias
    if (v >= 255.0L) return 255;
    return static_cast<uint8_t>(Round(v));
}

// Channel (FTableBase + i, FFullWeight) for i = 0..range - 1.
void TConvFilter::FillTable(std::vector<uint8_t>& table, int64_t range) const {
    table.resize(size_t(range));
    const int64_t w = FFullWeight;
    if (!(FFactor == 1.0L && FBiasAdd == 0.0L && w > 0)) {
        for (int64_t i = 0; i < range; ++i) table[size_t(i)] = Channel(FTableBase + i, w);
        return;
    }
    // The plain mean, stepped along the sums: quotient and remainder of the
    // sum by the weight advance without a division per entry.
    int64_t i = 0;
    for (; i < range && FTableBase + i <= 0; ++i) table[size_t(i)] = 0;
    if (i == range) return;
    const int64_t start = FTableBase + i;
    int64_t q = start / w, r = start % w;
    for (; i < range && FTableBase + i < 255 * w; ++i) {
        const int64_t twice = 2 * r;
        table[size_t(i)] = static_cast<uint8_t>(twice > w || (twice == w && (q & 1)) ? q + 1 : q);
        if (++r == w) {
            r = 0;
            ++q;
        }
    }
    for (; i < range; ++i) table[size_t(i)] = 255;
}

void TConvFilter::Prepare() {
    const TPixelGraphic* s = Source;
    FPrepared = s;
    FBits = s->GetBits();
    FRowSize = s->GetRowSize();
    FSrcWidth = s->GetWidth();
    FSrcHeight = s->GetHeight();
    FBitCountNum = s->GetBitCountNum();
    FDirect = FBitCountNum == 3 && FBits != nullptr;
    FBiasAdd = FBias * 255 * 0.01L;

    FTaps.clear();
    FFullWeight = 0;
    int64_t negative = 0, positive = 0;
    for (int32_t row = 0; row < FHeight; ++row)
        for (int32_t col = 0; col < FWidth; ++col) {
            const int32_t w = FCoefficients[size_t(col) + size_t(row) * size_t(FWidth)];
            if (w == 0) continue;  // adds nothing to any sum
            const ptrdiff_t offset = (ptrdiff_t(FYOffset) + row) * FRowSize + (ptrdiff_t(FXOffset) + col) * 3;
            FTaps.push_back(TTap{offset, col, row, w});
            FFullWeight += w;
            (w < 0 ? negative : positive) += w;
        }

    // Inner pixels: every matrix cell falls inside the source.
    auto span = [](int64_t lo, int64_t hi, int size, int& first, int& last) {
        first = static_cast<int>(std::max<int64_t>(lo, 0));
        last = static_cast<int>(std::min<int64_t>(hi, int64_t(size) - 1));
    };
    span(-int64_t(FXOffset), int64_t(FSrcWidth) - FWidth - FXOffset, FSrcWidth, FInnerX0, FInnerX1);
    span(-int64_t(FYOffset), int64_t(FSrcHeight) - FHeight - FYOffset, FSrcHeight, FInnerY0, FInnerY1);

    // Inner pixels share one weight sum, so their channel value depends on
    // the channel sum alone: tabulate it when the range of sums is small.
    // The table is filled by Channel itself, so results are unchanged.
    FTable = nullptr;
    const int64_t innerPixels =
        std::max<int64_t>(0, int64_t(FInnerX1) - FInnerX0 + 1) * std::max<int64_t>(0, int64_t(FInnerY1) - FInnerY0 + 1);
    FTableBase = 255 * negative;
    const int64_t range = 255 * (positive - negative) + 1;
    const int64_t limit = std::min<int64_t>(int64_t(1) << 20, std::max<int64_t>(4096, 3 * innerPixels));
    // A table too large for one picture pays off when the same kernel runs
    // again (a renderer's redraws): the second run builds it.
    TTableCache& c = FTableCache;
    const bool again = c.Range == range && c.Base == FTableBase && c.Weight == FFullWeight && c.Factor == FFactor &&
                       c.BiasAdd == FBiasAdd;
    const bool kept = again && !c.Table.empty();
    if (!again) {
        c.Table.clear();
        c.Range = range;
        c.Base = FTableBase;
        c.Weight = FFullWeight;
        c.Factor = FFactor;
        c.BiasAdd = FBiasAdd;
    }
    if (innerPixels > 0 && (kept || range <= limit || (again && range <= (int64_t(1) << 20)))) {
        if (!kept) FillTable(c.Table, range);
        FTable = c.Table.data();
    }
    // Rows at once need a source that is not the target and sums that fit
    // 32 bits; 16-bit sums are kept modulo 65536 (exact when the range of
    // sums is no wider, every partial sum lying in it too).
    FCachedRow = -1;
    FShortSums = range <= 65536;
    FRowsAtOnce = FDirect && !CanProcessPaletteAndIdenticalSource() &&
                  (FShortSums || (255 * positive <= INT32_MAX && 255 * negative >= INT32_MIN));
    if (FRowsAtOnce) {
        const size_t n = size_t(FSrcWidth);
        FRowSums16.resize(FShortSums ? 3 * n : 0);
        FRowSums32.resize(FShortSums ? 0 : 3 * n);
        FRowColours.resize(size_t(std::max(0, FInnerX1 - FInnerX0 + 1)));
        if (FShortSums) PrepareGroups();
        // Edge pixels divide by the weight of the cells inside: a rectangle
        // of the matrix, summed from these prefixes.
        FWeightPrefix.assign(size_t(FWidth + 1) * size_t(FHeight + 1), 0);
        for (int32_t row = 0; row < FHeight; ++row)
            for (int32_t col = 0; col < FWidth; ++col)
                FWeightPrefix[size_t(row + 1) * size_t(FWidth + 1) + size_t(col + 1)] =
                    FCoefficients[size_t(col) + size_t(row) * size_t(FWidth)] +
                    FWeightPrefix[size_t(row) * size_t(FWidth + 1) + size_t(col + 1)] +
                    FWeightPrefix[size_t(row + 1) * size_t(FWidth + 1) + size_t(col)] -
                    FWeightPrefix[size_t(row) * size_t(FWidth + 1) + size_t(col)];
    }
}

// Weighted sums of every byte of n pixels of row Y from column x0, one tap
// at a time over the span so that the compiler can vectorise. Cells outside
// the source add nothing.
template <typename TSum>
void TConvFilter::SumRow(TSum* out, int Y, int x0, int n) const {
    std::fill(out, out + 3 * ptrdiff_t(n), TSum(0));
    for (const TTap& t : FTaps) {
        const int64_t sy = int64_t(Y) + FYOffset + t.Row;
        if (sy < 0 || sy >= FSrcHeight) continue;
        const int64_t dx = int64_t(FXOffset) + t.Col;
        const int64_t first = std::max<int64_t>(x0, -dx), end = std::min<int64_t>(int64_t(x0) + n, FSrcWidth - dx);
        if (first >= end) continue;
        const uint8_t* src = FBits + sy * FRowSize + (first + dx) * 3;
        TSum* o = out + 3 * (first - x0);
        const TSum w = TSum(t.Weight);
        for (ptrdiff_t i = 0, count = ptrdiff_t(3 * (end - first)); i < count; ++i)
            o[i] = TSum(o[i] + w * TSum(src[i]));
    }
}

void TConvFilter::PrepareGroups() {
    FRowGroups.clear();
    for (int32_t row = 0; row < FHeight; ++row) {
        const int32_t* c = FCoefficients.data() + size_t(row) * size_t(FWidth);
        if (std::all_of(c, c + FWidth, [](int32_t w) { return w == 0; })) continue;
        auto same = [&](const TRowGroup& g) {
            return std::equal(c, c + FWidth, FCoefficients.data() + size_t(g.Rows[0]) * size_t(FWidth));
        };
        auto group = std::find_if(FRowGroups.begin(), FRowGroups.end(), same);
        if (group != FRowGroups.end()) {
            group->Rows.push_back(row);
            continue;
        }
        TRowGroup g;
        g.Rows.push_back(row);
        for (int32_t col = 0; col < FWidth; ++col) {
            if (c[col] == 0) continue;
            // Weights act modulo 65536, as in the sums.
            const uint16_t w = uint16_t(c[col]);
            auto it = std::find_if(g.Weights.begin(), g.Weights.end(),
                                   [w](const TWeightColumns& k) { return k.Weight == w; });
            if (it == g.Weights.end()) it = g.Weights.insert(g.Weights.end(), TWeightColumns{w, {}});
            it->Cols.push_back(col);
        }
        FRowGroups.push_back(std::move(g));
    }
    FGroupSums.assign(3 * (size_t(FSrcWidth) + size_t(FWidth)), 0);
}

// With g the sum of a group's source rows (zero beyond the picture's sides):
// out[x] = sum over weights w of w * (sum of g[x + XOffset + col] over w's
// columns), all modulo 65536 like SumRow, which it equals.
void TConvFilter::SumRowGrouped(uint16_t* out, int Y, int x0, int n) {
    const ptrdiff_t count = 3 * ptrdiff_t(n);
    std::fill(out, out + count, uint16_t(0));
    // g holds source columns x0 + XOffset .. x0 + XOffset + n + Width - 2.
    const int64_t gx0 = int64_t(x0) + FXOffset;
    const int64_t first = std::max<int64_t>(gx0, 0);
    const int64_t end = std::min<int64_t>(gx0 + n + FWidth - 1, FSrcWidth);
    uint16_t* g = FGroupSums.data();
    for (const TRowGroup& group : FRowGroups) {
        bool any = false;
        for (int32_t row : group.Rows) {
            const int64_t sy = int64_t(Y) + FYOffset + row;
            if (sy < 0 || sy >= FSrcHeight || first >= end) continue;
            if (!any) std::fill(g, g + 3 * (ptrdiff_t(n) + FWidth - 1), uint16_t(0));
            any = true;
            const uint8_t* src = FBits + sy * FRowSize + first * 3;
            uint16_t* to = g + 3 * (first - gx0);
            for (ptrdiff_t i = 0, m = ptrdiff_t(3 * (end - first)); i < m; ++i) to[i] = uint16_t(to[i] + src[i]);
        }
        if (!any) continue;
        for (const TWeightColumns& k : group.Weights) {
            const uint32_t w = k.Weight;  // unsigned products: no overflow
            const uint16_t* a = g + 3 * ptrdiff_t(k.Cols[0]);
            if (k.Cols.size() == 1) {
                for (ptrdiff_t i = 0; i < count; ++i) out[i] = uint16_t(out[i] + w * a[i]);
            } else if (k.Cols.size() == 2) {
                const uint16_t* b = g + 3 * ptrdiff_t(k.Cols[1]);
                for (ptrdiff_t i = 0; i < count; ++i) out[i] = uint16_t(out[i] + w * uint16_t(a[i] + b[i]));
            } else {
                for (const int32_t col : k.Cols) {
                    const uint16_t* c = g + 3 * ptrdiff_t(col);
                    for (ptrdiff_t i = 0; i < count; ++i) out[i] = uint16_t(out[i] + w * c[i]);
                }
            }
        }
    }
}

int64_t TConvFilter::WeightInside(int X, int Y) const {
    const int64_t x0 = int64_t(X) + FXOffset, y0 = int64_t(Y) + FYOffset;
    const int64_t c0 = std::max<int64_t>(0, -x0), c1 = std::min<int64_t>(FWidth - 1, FSrcWidth - 1 - x0);
    const int64_t r0 = std::max<int64_t>(0, -y0), r1 = std::min<int64_t>(FHeight - 1, FSrcHeight - 1 - y0);
    if (c0 > c1 || r0 > r1) return 0;
    const int64_t* p = FWeightPrefix.data();
    const int64_t stride = FWidth + 1;
    return p[(r1 + 1) * stride + c1 + 1] - p[r0 * stride + c1 + 1] - p[(r1 + 1) * stride + c0] + p[r0 * stride + c0];
}

uint8_t TConvFilter::InnerChannel(int64_t sum) const {
    return FTable ? FTable[sum - FTableBase] : Channel(sum, FFullWeight);
}

void TConvFilter::ComputeInnerRow(int Y) {
    auto lookUp = [&](const auto* sums) {
        for (size_t i = 0, n = FRowColours.size(); i < n; ++i)
            FRowColours[i] = uint32_t(InnerChannel(SumValue(sums[3 * i + 2]))) |
                             uint32_t(InnerChannel(SumValue(sums[3 * i + 1]))) << 8 |
                             uint32_t(InnerChannel(SumValue(sums[3 * i]))) << 16;
    };
    const int n = int(FRowColours.size());
    if (FShortSums) {
        SumRowGrouped(FRowSums16.data(), Y, FInnerX0, n);
        lookUp(FRowSums16.data());
    } else {
        SumRow(FRowSums32.data(), Y, FInnerX0, n);
        lookUp(FRowSums32.data());
    }
    FCachedRow = Y;
}

// Channel bytes of a whole row from its sums (both in blue, green, red
// order): inner pixels by their sum alone, edge pixels divided by the weight
// of their cells inside the source.
template <typename TSum>
void TConvFilter::StoreRow(const TSum* sums, int Y, uint8_t* Row, int Width) const {
    int x0 = Width, x1 = Width;  // the inner span [x0, x1)
    if (Y >= FInnerY0 && Y <= FInnerY1 && FInnerX0 <= FInnerX1) {
        x0 = FInnerX0;
        x1 = FInnerX1 + 1;
    }
    if (FTable) {
        const uint8_t* table = FTable - FTableBase;
        for (ptrdiff_t k = 3 * ptrdiff_t(x0); k < 3 * ptrdiff_t(x1); ++k) Row[k] = table[SumValue(sums[k])];
    } else {
        for (ptrdiff_t k = 3 * ptrdiff_t(x0); k < 3 * ptrdiff_t(x1); ++k)
            Row[k] = Channel(SumValue(sums[k]), FFullWeight);
    }
    auto edge = [&](int x) {
        const int64_t w = WeightInside(x, Y);
        for (int k = 3 * x; k < 3 * x + 3; ++k) Row[k] = Channel(SumValue(sums[k]), w);
    };
    for (int x = 0; x < x0; ++x) edge(x);
    for (int x = x1; x < Width; ++x) edge(x);
}

void TConvFilter::CalcDestRow(int Y, uint8_t* Row, int Width) {
    const TPixelGraphic* s = Source;
    if (s == nullptr || Width != s->GetWidth()) {
        TPGFilter::CalcDestRow(Y, Row, Width);
        return;
    }
    if (!PreparedFor(s)) Prepare();
    if (!FRowsAtOnce) {
        for (int x = 0; x < Width; ++x) PutRowPixel(Row + 3 * x, CalcPixel(x, Y));
        return;
    }
    if (FShortSums) {
        SumRowGrouped(FRowSums16.data(), Y, 0, Width);
        StoreRow(FRowSums16.data(), Y, Row, Width);
    } else {
        SumRow(FRowSums32.data(), Y, 0, Width);
        StoreRow(FRowSums32.data(), Y, Row, Width);
    }
}

uint32_t TConvFilter::CalcDestPixel(int X, int Y) {
    const TPixelGraphic* s = Source;
    // A row already computed: its colours are values, safe to hand out even
    // if the caller has since touched the source.
    const uint64_t i = uint64_t(int64_t(X) - FInnerX0);
    if (Y == FCachedRow && s == FPrepared && s != nullptr && i < FRowColours.size()) return FRowColours[i];
    return CalcPixel(X, Y);
}

uint32_t TConvFilter::CalcPixel(int X, int Y) {
    const TPixelGraphic* s = Source;
    if (s == nullptr) return 0;
    if (!PreparedFor(s)) Prepare();

    int64_t W = 0, R = 0, G = 0, B = 0;
    const bool inner = X >= FInnerX0 && X <= FInnerX1 && Y >= FInnerY0 && Y <= FInnerY1;
    if (inner && FRowsAtOnce) {
        if (Y != FCachedRow) ComputeInnerRow(Y);
        return FRowColours[size_t(X - FInnerX0)];
    }
    if (inner) {
        W = FFullWeight;
        if (FDirect) {
            const uint8_t* p = FBits + ptrdiff_t(Y) * FRowSize + ptrdiff_t(X) * 3;
            for (const TTap& t : FTaps) {
                const uint8_t* q = p + t.Offset;
                B += int64_t(t.Weight) * q[0];
                G += int64_t(t.Weight) * q[1];
                R += int64_t(t.Weight) * q[2];
            }
        } else {
            for (const TTap& t : FTaps) {
                const uint32_t c = s->GetPixelColor(X + FXOffset + t.Col, Y + FYOffset + t.Row);
                R += int64_t(t.Weight) * GetRValue(c);
                G += int64_t(t.Weight) * GetGValue(c);
                B += int64_t(t.Weight) * GetBValue(c);
            }
        }
        if (FTable)
            return uint32_t(FTable[size_t(R - FTableBase)]) | uint32_t(FTable[size_t(G - FTableBase)]) << 8 |
                   uint32_t(FTable[size_t(B - FTableBase)]) << 16;
    } else if (FDirect) {
        // Cells outside the source take no part; the weights of the rest
        // renormalise the mean. The cells inside form a rectangle of the matrix.
        const int64_t x0 = int64_t(X) + FXOffset, y0 = int64_t(Y) + FYOffset;
        const int64_t c0 = std::max<int64_t>(0, -x0), c1 = std::min<int64_t>(FWidth - 1, FSrcWidth - 1 - x0);
        const int64_t r0 = std::max<int64_t>(0, -y0), r1 = std::min<int64_t>(FHeight - 1, FSrcHeight - 1 - y0);
        for (int64_t r = r0; r <= r1; ++r) {
            const int32_t* w = FCoefficients.data() + r * FWidth;
            const uint8_t* q = FBits + ptrdiff_t(y0 + r) * FRowSize + ptrdiff_t(x0 + c0) * 3;
            for (int64_t c = c0; c <= c1; ++c, q += 3) {
                if (w[c] == 0) continue;
                W += w[c];
                B += int64_t(w[c]) * q[0];
                G += int64_t(w[c]) * q[1];
                R += int64_t(w[c]) * q[2];
            }
        }
    } else {
        // As above, each cell read through the picture.
        for (const TTap& t : FTaps) {
            const int64_t sx = int64_t(X) + FXOffset + t.Col;
            const int64_t sy = int64_t(Y) + FYOffset + t.Row;
            if (sx < 0 || sx >= FSrcWidth || sy < 0 || sy >= FSrcHeight) continue;
            const uint32_t c = s->GetPixelColor(int(sx), int(sy));
            W += t.Weight;
            R += int64_t(t.Weight) * GetRValue(c);
            G += int64_t(t.Weight) * GetGValue(c);
            B += int64_t(t.Weight) * GetBValue(c);
        }
    }
    return uint32_t(Channel(R, W)) | uint32_t(Channel(G, W)) << 8 | uint32_t(Channel(B, W)) << 16;
}

// ---- kernels ----------------------------------------------------------------

void TConvFilter::SetDistributionKernel(TDistributionShape Shape, bool UseDistance, long double StdDeviation) {
    if (!(StdDeviation > 0.0L) || !std::isfinite(StdDeviation)) RaiseOutOfRange("StdDeviation");
    const long double sigma = StdDeviation;
    auto f = [&](long double x) { return Density(Shape, sigma, x); };
    const bool scaled = Shape != dsRect;
    const long double f0 = f(0);
    long double scale = 1.0L;
    if (scaled) {
        scale = UseDistance ? 16.0L / f0 : 16.0L / (f0 * f0);
        if (!std::isfinite(scale) || !(scale > 0.0L)) RaiseOutOfRange("StdDeviation");
    }
    // Weight at distance n along an axis is gone. The search stops past the
    // largest radius a matrix can hold; SetWidth then refuses the size.
    auto gone = [&](int n) {
        if (!scaled) return f(n) <= 0.0L;
        const long double v = UseDistance ? f(n) * scale : f(n) * scale * f0;
        return Round(v) <= 0;
    };
    int n = 0;
    while (n <= (MaxMatrixSize + 1) / 2 && !gone(n)) ++n;
    const int r = n - 1;
    SetWidth(2 * r + 1);
    SetHeight(2 * r + 1);
    for (int row = 0; row <= 2 * r; ++row)
        for (int col = 0; col <= 2 * r; ++col) {
            const long double dx = col - r, dy = row - r;
            long double v;
            if (UseDistance) {
                v = f(std::sqrt(dx * dx + dy * dy));
                if (scaled) v *= scale;
            } else {
                v = scaled ? f(dx) * scale * f(dy) : f(dx) * f(dy);
            }
            SetCoefficient(col, row, scaled ? static_cast<int32_t>(Round(v)) : (v > 0.0L ? 1 : 0));
        }
    SetXOffset(-r);
    SetYOffset(-r);
    SetBias(0);
    SetFactor(1);
}

void TConvFilter::SetSmoothKernel(TDistributionShape Shape, bool UseDistance, long double StdDeviation,
                                  long double Percent) {
    if (!(Percent > 0.0L) || !std::isfinite(Percent)) RaiseOutOfRange("Percent");
    SetDistributionKernel(Shape, UseDistance, StdDeviation);
    const long double add = (100.0L / Percent - 1.0L) * static_cast<long double>(CoefficientSum());
    if (!(std::fabs(add) < 4294967296.0L)) RaiseOutOfRange("Percent");
    const int64_t centre = GetCoefficient(-FXOffset, -FYOffset) + Round(add);
    if (centre < INT32_MIN || centre > INT32_MAX) RaiseOutOfRange("Percent");
    SetCoefficient(-FXOffset, -FYOffset, static_cast<int32_t>(centre));
}
