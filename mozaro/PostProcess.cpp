#include "mozaro/PostProcess.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/PGConvFilter.h"
#include "image/PGraphic.h"
#include "mozaro/Blend.h"
#include "mozaro/ScratchPictures.h"
#include "platform/Colors.h"

const char* const kRgbPassName = "RGB Expression Parser";
const char* const kDisplacementPassName = "Displacement Parser";

namespace {

constexpr int kTile = 256;

// The runtime's text-to-integer conversion: optional blanks and sign, then
// decimal digits, within 32 bits.
int32_t TextToInt(const std::string& text) {
    size_t k = 0;
    while (k < text.size() && text[k] == ' ') ++k;
    bool negative = false;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) negative = text[k++] == '-';
    bool ok = k < text.size();
    int64_t v = 0;
    for (; ok && k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') ok = false;
        else v = v * 10 + (text[k] - '0');
        if (v > 2147483648LL) ok = false;
    }
    if (negative) v = -v;
    if (!ok || v > 2147483647LL) throw EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int32_t>(v);
}

// Raises the fault in flight again as the first of E... it is, its message
// prefixed.
template <typename E, typename... Rest>
[[noreturn]] void RethrowPrefixed(const std::string& prefix) {
    try {
        throw;
    } catch (const E& e) {
        throw E(prefix + e.Message());
    } catch (...) {
        if constexpr (sizeof...(Rest) > 0) RethrowPrefixed<Rest...>(prefix);
        throw;
    }
}

// Runs body; an arithmetic fault leaves with its own type and the pass named.
template <typename F>
void RunNamingPass(const char* pass, F&& body) {
    const std::string prefix = std::string(pass) + ": ";
    try {
        body();
    } catch (const EMathError&) {
        RethrowPrefixed<EZeroDivide, EInvalidOp, EOverflow, EMathError>(prefix);
    } catch (const EIntError&) {
        RethrowPrefixed<EDivByZero, EIntOverflow, EIntError>(prefix);
    }
}

// The three or two parsers of a pass see the same variables.
void SetVariables(TParser* const* parsers, int count, const uint8_t* bgr, double x, double y) {
    for (int k = 0; k < count; ++k) {
        TParser& p = *parsers[k];
        p.r = bgr[2];
        p.g = bgr[1];
        p.B = bgr[0];
        p.X = x;
        p.Y = y;
    }
}

// Low 8 bits of the value truncated toward zero (300 gives 44, -1 gives 255).
uint8_t LowByte(double v) {
    // Within 2^63 the conversion truncates exactly, and its low byte is the
    // remainder modulo 256 in two's complement.
    if (std::fabs(v) < 9223372036854775808.0) return static_cast<uint8_t>(static_cast<int64_t>(v));
    double t = std::fmod(std::trunc(v), 256.0);
    if (t < 0) t += 256;
    return static_cast<uint8_t>(t);
}

// Whether all n values lie below 2^31 in magnitude, where a conversion to
// 32 bits truncates them exactly. Their exponents are checked (in integer
// arithmetic, several at a time).
bool BelowTwo31(const double* v, size_t n) {
    constexpr uint64_t kExponent = 0x7FF0000000000000u;
    // Adding 2048 - (1023 + 31) to the exponent field carries into the top
    // bit exactly when the magnitude is 2^31 or more.
    constexpr uint64_t kLift = uint64_t(2048 - 1054) << 52;
    uint64_t over = 0;
    for (size_t x = 0; x < n; ++x) {
        uint64_t bits;
        std::memcpy(&bits, v + x, sizeof bits);
        over |= (bits & kExponent) + kLift;
    }
    return !(over >> 63);
}

// LowByte of n values: below 2^31 one conversion each, which runs several
// values at a time too.
void LowBytes(const double* v, size_t n, uint8_t* out) {
    if (!BelowTwo31(v, n)) {
        for (size_t x = 0; x < n; ++x) out[x] = LowByte(v[x]);
        return;
    }
    for (size_t x = 0; x < n; ++x) out[x] = static_cast<uint8_t>(static_cast<int32_t>(v[x]));
}

// The bytes of n values below 2^31 in magnitude, each three times in a row
// at out: a pixel's three bytes in one store of four, the fourth overwritten
// by the next pixel's (the last pixel's three stored alone).
[[gnu::noinline]] void GreyRow(const double* v, size_t n, uint8_t* out) {
    if (!n) return;
    for (size_t x = 0; x + 1 < n; ++x, out += 3) {
        const uint32_t four = static_cast<uint8_t>(static_cast<int32_t>(v[x])) * 0x010101u;
        std::memcpy(out, &four, 4);
    }
    const uint8_t b = static_cast<uint8_t>(static_cast<int32_t>(v[n - 1]));
    out[0] = b;
    out[1] = b;
    out[2] = b;
}

// |Trunc(v)| limited to at most 256: |v| below 256 truncates to the same
// integer, and the limit comes first (several values at a time, no branch).
int Displaced(double v) {
    const double a = std::fabs(v);
    return static_cast<int>(a < kTile ? a : kTile);
}

// Where the pixels of a row of the displacement pass come from, by their
// new coordinates: the offset in the source, or -1 outside it.
[[gnu::noinline]] void SourceOffsets(const double* nx, const double* ny, int width, int height, ptrdiff_t rowSize,
                                     ptrdiff_t* out) {
    auto offset = [=](int sx, int sy) -> ptrdiff_t {
        return (sx < width) & (sy < height) ? sy * rowSize + 3 * sx : -1;
    };
    int x = 0;
#if defined(__SSE2__)
    // Displaced two values at a time (the values are finite, so the smaller
    // of |v| and 256 is Displaced's limit).
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128d limit = _mm_set1_pd(kTile);
    for (; x + 2 <= width; x += 2) {
        alignas(16) int32_t sx[4], sy[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(sx),
                        _mm_cvttpd_epi32(_mm_min_pd(_mm_and_pd(_mm_loadu_pd(nx + x), magnitude), limit)));
        _mm_store_si128(reinterpret_cast<__m128i*>(sy),
                        _mm_cvttpd_epi32(_mm_min_pd(_mm_and_pd(_mm_loadu_pd(ny + x), magnitude), limit)));
        out[x] = offset(sx[0], sy[0]);
        out[x + 1] = offset(sx[1], sy[1]);
    }
#endif
    for (; x < width; ++x) out[x] = offset(Displaced(nx[x]), Displaced(ny[x]));
}

[[gnu::noinline]] void FetchPixels(const ptrdiff_t* offsets, int width, const uint8_t* source, const uint8_t* outside,
                                   uint8_t* to) {
    for (int x = 0; x < width; ++x, to += 3) std::memcpy(to, offsets[x] < 0 ? outside : source + offsets[x], 3);
}

double Coordinate(int v, bool symmetric) { return symmetric ? std::abs(v - kTile / 2) : v; }

// A copy of the pixels of a 24-bit picture, in a scratch picture.
struct TScratch {
    explicit TScratch(const TPixelGraphic& picture)
        : Width(picture.GetWidth()),
          Height(picture.GetHeight()),
          RowSize(picture.GetRowSize()),
          Size(picture.GetBits() ? static_cast<size_t>(picture.GetBitsSize()) : 0),
          Store(0) {
        if (!Size) return;
        Store->SetSizeForOverwrite(Width, Height, 3);
        Bits = Store->GetBits();
        std::memcpy(Bits, picture.GetBits(), Size);
    }
    uint8_t* Pixel(int x, int y) { return Bits + Offset(x, y); }
    const uint8_t* Pixel(int x, int y) const { return Bits + Offset(x, y); }
    size_t Offset(int x, int y) const { return static_cast<size_t>(y) * RowSize + 3 * static_cast<size_t>(x); }
    void CopyTo(TPixelGraphic& picture) const {
        if (Size) std::memcpy(picture.GetBits(), Bits, Size);
    }
    void CopyFrom(const TPixelGraphic& picture) {
        if (Size) std::memcpy(Bits, picture.GetBits(), Size);
    }
    int Width, Height, RowSize;
    size_t Size;
    TScratchPicture Store;
    uint8_t* Bits = nullptr;
};

// 0.0 .. 255.0 by byte: looked up, the bytes three apart are read one by one.
constexpr std::array<double, 256> kByteValues = [] {
    std::array<double, 256> v{};
    for (int k = 0; k < 256; ++k) v[static_cast<size_t>(k)] = k;
    return v;
}();

// The parsers of a pass split by what their nodes read (TGridStages): X
// per column, Y per row, R, G and B per pixel. When no text draws random
// numbers the order of the pixels does not matter, and whole rows run node by
// node (Y the outer variable, X down the line); else x runs outer and y
// inner, point by point, as the whole lists would, the parsers' variables set
// as they would see them.
class TPassStages {
public:
    bool Prepare(TParser* const* parsers, int count, bool symmetric, int width, int height, bool bytes = false) {
        FBytes = bytes;
        std::vector<double> xs(static_cast<size_t>(std::max(width, 0))), ys(static_cast<size_t>(std::max(height, 0)));
        for (size_t k = 0; k < xs.size(); ++k) xs[k] = Coordinate(static_cast<int>(k), symmetric);
        for (size_t k = 0; k < ys.size(); ++k) ys[k] = Coordinate(static_cast<int>(k), symmetric);
        for (std::vector<double>& line : FIn) line.resize(xs.size());
        FAtOnce = true;
        for (int k = 0; k < count && FAtOnce; ++k) {
            TParser& p = *parsers[k];
            FOut[k].resize(xs.size());
            FAtOnce = FStages[k].Prepare(p, &p.Y, ys, &p.X, xs, {&p.r, &p.g, &p.B},
                                         {FIn[0].data(), FIn[1].data(), FIn[2].data()}) &&
                      FStages[k].GetColumnAtOnce();
        }
        if (FAtOnce) return true;
        FRows = std::move(ys);
        for (int k = 0; k < count; ++k) {
            TParser& p = *parsers[k];
            if (!FStages[k].Prepare(p, &p.X, xs, &p.Y, FRows, {&p.r, &p.g, &p.B})) return false;
        }
        return true;
    }
    // No parser draws random numbers: whole rows run node by node.
    bool RowsAtOnce() const { return FAtOnce; }

    // Rows at once: the values of the parsers at every pixel of row y of
    // picture, Line(k)[x].
    void RowValues(TParser* const* parsers, int count, const TScratch& picture, int y, double cy) {
        // R, G and B of the row, those that a text reads, in one run along
        // the row.
        bool read[3] = {};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < count; ++k) read[c] = read[c] || (Channel(k) < 0 && FStages[k].ReadsRowsOf(c));
        ReadRow(picture.Pixel(0, y), read[0], read[1], read[2]);
        for (int k = 0; k < count; ++k) {
            if (FBytes && Channel(k) >= 0) continue;
            parsers[k]->Y = cy;
            FStages[k].EnterColumn(y);
            FLine[k] = FStages[k].ColumnValues(FOut[k].data());
        }
    }
    const double* Line(int k) const { return FLine[k]; }
    // The values of the channels read (R, G, B) of the row at px into FIn.
    void ReadRow(const uint8_t* px, bool r, bool g, bool b) {
        const size_t n = FIn[0].size();
        double* const to[3] = {FIn[0].data(), FIn[1].data(), FIn[2].data()};
        if (r && g && b) {
            for (size_t x = 0; x < n; ++x, px += 3) {
                to[0][x] = kByteValues[px[2]];
                to[1][x] = kByteValues[px[1]];
                to[2][x] = kByteValues[px[0]];
            }
            return;
        }
        if (r + g + b == 2) {
            // The two channels read, c0 before c1.
            const int c0 = r ? 0 : 1, c1 = b ? 2 : 1;
            double* const to0 = to[c0];
            double* const to1 = to[c1];
            const uint8_t* p0 = px + 2 - c0;
            const uint8_t* p1 = px + 2 - c1;
            for (size_t x = 0; x < n; ++x) {
                to0[x] = kByteValues[p0[3 * x]];
                to1[x] = kByteValues[p1[3 * x]];
            }
            return;
        }
        for (int c = 0; c < 3; ++c) {
            if (!(c == 0 ? r : c == 1 ? g : b)) continue;
            const uint8_t* from = px + 2 - c;
            for (size_t x = 0; x < n; ++x, from += 3) to[c][x] = kByteValues[*from];
        }
    }
    // Rows at once, for a pass that takes bytes as they are: the byte of the
    // pixel (0 blue, 1 green, 2 red) that is parser k's value when its text
    // is R, G or B alone, else -1. Such a parser's line is not worked out.
    int Channel(int k) const {
        if (!FBytes) return -1;
        const int v = FStages[k].GetPointVariable();
        return v < 0 ? -1 : 2 - v;
    }

    // Point by point: enters column x, then the values of the parsers at row
    // y of it, R, G, B from the pixel bgr, in the parsers' order.
    void EnterColumn(TParser* const* parsers, int count, int x, double cx) {
        FColumnX = cx;
        for (int k = 0; k < count; ++k) {
            parsers[k]->X = cx;
            FStages[k].EnterColumn(x);
        }
    }
    void Values(TParser* const* parsers, int count, int y, const uint8_t* bgr, double* out) {
        SetVariables(parsers, count, bgr, FColumnX, FRows[static_cast<size_t>(y)]);
        for (int k = 0; k < count; ++k) out[k] = FStages[k].Value(y);
    }

private:
    TGridStages FStages[3];
    std::vector<double> FRows;
    double FColumnX = 0;
    std::vector<double> FIn[3];   // R, G, B along a row
    std::vector<double> FOut[3];  // room for each parser's values along a row
    const double* FLine[3] = {};  // the values
    bool FBytes = false;
    bool FAtOnce = false;
};

void Require24Bits(const TPixelGraphic& picture) {
    if (picture.GetBitCountNum() != 3) throw EInvalidOperation("Post-processing needs a 24-bit picture");
}

// True when b always gives what a gives: the same parser, or the same text
// compiled the same way. Random functions draw anew on every evaluation.
bool SameValues(const TParser& a, const TParser& b) {
    if (&a != &b && (a.GetExpression() != b.GetExpression() || a.GetPointNumberformat() != b.GetPointNumberformat() ||
                     !a.GetValid() || !b.GetValid()))
        return false;
    for (TParserOp op : a.CompiledOps())
        if (op == TParserOp::Rnd || op == TParserOp::Random || op == TParserOp::GRnd) return false;
    return true;
}

}  // namespace

TExpressionCache::TExpressionCache(size_t capacity) : FCapacity(std::max<size_t>(capacity, 5)) {}

TParser& TExpressionCache::Get(const std::string& text) {
    for (auto it = FEntries.begin(); it != FEntries.end(); ++it) {
        if (it->Text == text) {
            FEntries.splice(FEntries.begin(), FEntries, it);
            return *FEntries.front().Parser;
        }
    }
    auto parser = std::make_unique<TParser>();
    ++FCompileCount;
    parser->SetExpression(text);
    FEntries.push_front({text, std::move(parser)});
    while (FEntries.size() > FCapacity) FEntries.pop_back();
    return *FEntries.front().Parser;
}

void ConvolutionPass(TPixelGraphic& result, const TPostProcessSettings& settings) {
    Require24Bits(result);
    TConvFilter filter;
    filter.SetWidth(3);
    filter.SetHeight(3);
    filter.SetXOffset(TextToInt(settings.edHOffset));
    filter.SetYOffset(TextToInt(settings.edVOffset));
    filter.SetBias(TextToInt(settings.edBIAS));
    filter.SetFactor(TextToInt(settings.edAMP));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) filter.SetCoefficient(col, row, TextToInt(settings.Matrix[3 * row + col]));
    }
    TScratchPicture filtered(0);
    filtered->ApplyFilter(filter, result);
    if (filtered->GetBits() && filtered->GetBitsSize() == result.GetBitsSize())
        std::memcpy(result.GetBits(), filtered->GetBits(), static_cast<size_t>(result.GetBitsSize()));
    result.DoChange();
}

void RgbExpressionPass(TPixelGraphic& result, TParser& red, TParser& green, TParser& blue, bool symmetric) {
    Require24Bits(result);
    // Each channel its own byte: nothing to work out, nothing can fail, and
    // no random number is drawn.
    if (red.SoleVariable() == &red.r && green.SoleVariable() == &green.g && blue.SoleVariable() == &blue.B) {
        result.DoChange();
        return;
    }
    TScratch work(result);
    TParser* const parsers[] = {&red, &green, &blue};
    // Three equal texts: one evaluation serves all channels.
    const bool grey = SameValues(red, green) && SameValues(red, blue);
    const int count = grey ? 1 : 3;
    TPassStages stages;
    // A channel's text R, G or B alone gives the pixel's byte (a value 0..255
    // keeps its low byte).
    const bool staged = stages.Prepare(parsers, count, symmetric, work.Width, work.Height, true);
    auto rowsAtOnce = [&] {
        const int width = work.Width, height = work.Height;
        const size_t w = static_cast<size_t>(std::max(width, 0));
        // The row's new blue, green and red bytes, each one after the other.
        std::vector<uint8_t> bytes(3 * w);
        const int parserOf[3] = {grey ? 0 : 2, grey ? 0 : 1, 0};
        for (int y = 0; y < height; ++y) {
            stages.RowValues(parsers, count, work, y, Coordinate(y, symmetric));
            const uint8_t* const old = work.Pixel(0, y);
            uint8_t* const row = result.GetBits() + work.Offset(0, y);
            const int cb = stages.Channel(parserOf[0]), cg = stages.Channel(parserOf[1]), cr = stages.Channel(0);
            if (cb >= 0 && cg >= 0 && cr >= 0) {
                // Bytes swapped only.
                for (size_t x = 0; x < 3 * w; x += 3) {
                    row[x] = old[x + static_cast<size_t>(cb)];
                    row[x + 1] = old[x + static_cast<size_t>(cg)];
                    row[x + 2] = old[x + static_cast<size_t>(cr)];
                }
                continue;
            }
            if (grey && stages.Channel(0) < 0 && BelowTwo31(stages.Line(0), w)) {
                // One value for the three bytes, converted as it is stored.
                GreyRow(stages.Line(0), w, row);
                continue;
            }
            if (!grey && cb < 0 && cg < 0 && cr < 0 && BelowTwo31(stages.Line(2), w) && BelowTwo31(stages.Line(1), w) &&
                BelowTwo31(stages.Line(0), w)) {
                // Three values per pixel, converted as they are stored.
                const double* const vb = stages.Line(2);
                const double* const vg = stages.Line(1);
                const double* const vr = stages.Line(0);
                for (size_t x = 0; x < w; ++x) {
                    row[3 * x] = static_cast<uint8_t>(static_cast<int32_t>(vb[x]));
                    row[3 * x + 1] = static_cast<uint8_t>(static_cast<int32_t>(vg[x]));
                    row[3 * x + 2] = static_cast<uint8_t>(static_cast<int32_t>(vr[x]));
                }
                continue;
            }
            const uint8_t* line[3];
            for (int c = 0; c < 3; ++c) {
                const int k = parserOf[c];
                uint8_t* const out = bytes.data() + c * w;
                line[c] = out;
                if (c > 0 && grey) {
                    line[c] = line[0];
                } else if (stages.Channel(k) >= 0) {
                    const uint8_t* from = old + stages.Channel(k);
                    for (size_t x = 0; x < w; ++x, from += 3) out[x] = *from;
                } else {
                    LowBytes(stages.Line(k), w, out);
                }
            }
            uint8_t* px = row;
            for (size_t x = 0; x < w; ++x, px += 3) {
                px[0] = line[0][x];
                px[1] = line[1][x];
                px[2] = line[2][x];
            }
        }
    };
    auto pointByPoint = [&](bool useStages) {
        for (int x = 0; x < work.Width; ++x) {
            const double cx = Coordinate(x, symmetric);
            if (useStages) stages.EnterColumn(parsers, count, x, cx);
            for (int y = 0; y < work.Height; ++y) {
                uint8_t* px = work.Pixel(x, y);
                double v[3];
                if (useStages) {
                    stages.Values(parsers, count, y, px, v);
                } else {
                    SetVariables(parsers, count, px, cx, Coordinate(y, symmetric));
                    for (int k = 0; k < count; ++k) v[k] = parsers[k]->GetValue();
                }
                px[0] = LowByte(v[grey ? 0 : 2]);
                px[1] = LowByte(v[grey ? 0 : 1]);
                px[2] = LowByte(v[0]);
            }
        }
    };
    // Whole rows read the copy and write the result; point by point works in
    // the copy, as a pixel's new bytes must not change the pixels after it.
    bool written = false;
    RunNamingPass(kRgbPassName, [&] {
        if (staged && stages.RowsAtOnce()) {
            try {
                rowsAtOnce();
                written = true;
                return;
            } catch (const Exception&) {
                // The whole lists point by point from the start: that raises
                // the fault of the first pixel in the pass's order, and the
                // result is the picture as it was.
                work.CopyTo(result);
                pointByPoint(false);
                return;
            }
        }
        pointByPoint(staged);
    });
    if (!written) work.CopyTo(result);
    result.DoChange();
}

void DisplacementPass(TPixelGraphic& result, TParser& newX, TParser& newY, bool symmetric) {
    Require24Bits(result);
    // Every pixel is written, so the pass works in the result itself and the
    // copy it reads from puts the picture back when an expression fails.
    const TScratch source(result);
    TParser* const parsers[] = {&newX, &newY};
    const uint32_t background = result.GetBackgroundColor();
    const uint8_t outside[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    uint8_t* const bits = result.GetBits();
    TPassStages stages;
    const bool staged = stages.Prepare(parsers, 2, symmetric, source.Width, source.Height);
    // Copies of what every pixel needs, which the byte stores cannot change.
    const int width = source.Width, height = source.Height;
    const size_t rowSize = static_cast<size_t>(source.RowSize);
    const uint8_t* const from0 = source.Bits;
    auto put = [=](int x, int y, double newXValue, double newYValue) {
        const int sx = Displaced(newXValue);
        const int sy = Displaced(newYValue);
        const uint8_t* from = outside;
        if (sx < width && sy < height) from = from0 + static_cast<size_t>(sy) * rowSize + 3 * static_cast<size_t>(sx);
        std::memcpy(bits + static_cast<size_t>(y) * rowSize + 3 * static_cast<size_t>(x), from, 3);
    };
    auto rowsAtOnce = [&] {
        // Where each pixel of a row comes from: its offset in the source, or
        // -1 outside. Worked out for the whole row first, then fetched.
        std::vector<ptrdiff_t> offsets(static_cast<size_t>(std::max(width, 0)));
        for (int y = 0; y < height; ++y) {
            stages.RowValues(parsers, 2, source, y, Coordinate(y, symmetric));
            SourceOffsets(stages.Line(0), stages.Line(1), width, height, static_cast<ptrdiff_t>(rowSize),
                          offsets.data());
            FetchPixels(offsets.data(), width, from0, outside, bits + static_cast<size_t>(y) * rowSize);
        }
    };
    auto pointByPoint = [&](bool useStages) {
        for (int x = 0; x < source.Width; ++x) {
            const double cx = Coordinate(x, symmetric);
            if (useStages) stages.EnterColumn(parsers, 2, x, cx);
            for (int y = 0; y < source.Height; ++y) {
                double v[2];
                if (useStages) {
                    stages.Values(parsers, 2, y, source.Pixel(x, y), v);
                } else {
                    SetVariables(parsers, 2, source.Pixel(x, y), cx, Coordinate(y, symmetric));
                    v[0] = newX.GetValue();
                    v[1] = newY.GetValue();
                }
                put(x, y, v[0], v[1]);
            }
        }
    };
    try {
        RunNamingPass(kDisplacementPassName, [&] {
            if (staged && stages.RowsAtOnce()) {
                try {
                    rowsAtOnce();
                    return;
                } catch (const Exception&) {
                    // The whole lists point by point: every pixel is written
                    // anew, and the fault raised is the first pixel's in the
                    // pass's order.
                    pointByPoint(false);
                    return;
                }
            }
            pointByPoint(staged);
        });
    } catch (...) {
        source.CopyTo(result);
        throw;
    }
    result.DoChange();
}

void PostProcessAndCompose(TPixelGraphic& result, const TPixelGraphic& basic, const TComposeLayer& shader1,
                           const TComposeLayer& shader2, const TPostProcessSettings& settings,
                           TExpressionCache& cache) {
    result.BeginUpdate();
    try {
        result.SetSize(kTile, kTile, 3);
        result.StretchFrom(basic);
        for (const TComposeLayer* layer : {&shader1, &shader2}) {
            if (!layer->Active || !layer->Image) continue;
            const TBlendTag tag = BlendTagInfo(layer->BlendTag);
            BlendLayers(result, *layer->Image, tag.Weight, tag.Mode);
        }
        if (settings.conon) ConvolutionPass(result, settings);
        if (settings.rgbon) {
            // Compiled in this order, so the first bad text is the one reported.
            TParser& red = cache.Get(settings.rpedit);
            TParser& green = cache.Get(settings.gpedit);
            TParser& blue = cache.Get(settings.bpedit);
            RgbExpressionPass(result, red, green, blue, settings.forcesymetry);
        }
        if (settings.dispon) {
            TParser& newX = cache.Get(settings.xedit);
            TParser& newY = cache.Get(settings.yedit);
            DisplacementPass(result, newX, newY, settings.forcesym2);
        }
    } catch (...) {
        result.EndUpdate();
        throw;
    }
    result.EndUpdate();
}
