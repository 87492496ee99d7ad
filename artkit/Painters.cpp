#include "artkit/Painters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "image/PGCanvas.h"
#include "image/PGraphic.h"
#include "platform/Colors.h"
#include "platform/MathUtil.h"

namespace {

const char* const ShapeNames[ShapeCodeCount] = {"oval",       "rectangle",    "square",       "circle",
                                                "triangleup", "triangledown", "triangleleft", "triangleright",
                                                "roundrect",  "diamond"};
const char* const FillNames[FillModeCount] = {"plasma", "bitmap", "color", "gradient"};

inline bool Is24(const TPixelGraphic& g) { return g.GetBitCountNum() == 3 && !g.GetEmpty(); }

// Sets pixel x of a 24-bit row (blue, green, red bytes).
inline void SetRowColor(uint8_t* row, int x, uint32_t c) {
    uint8_t* p = row + 3 * x;
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
}

// Trunc((256 - i) x from / 256 + i x to / 256) per channel, in floating point.
uint32_t RampEntry(uint32_t from, uint32_t to, int i) {
    auto channel = [i](int a, int b) {
        return static_cast<int>(Trunc(static_cast<double>(256 - i) * a / 256.0 + static_cast<double>(i) * b / 256.0));
    };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

}  // namespace

// ---- shapes and fills --------------------------------------------------------

void ShapeCodeToName(int code, std::string& name) {
    code &= 0x7F;
    if (code >= 0 && code < ShapeCodeCount) name = ShapeNames[code];
}

int ShapeNameToCode(const std::string& name) {
    for (int code = 0; code < ShapeCodeCount; ++code)
        if (name == ShapeNames[code]) return code;
    return scOval;
}

void FillStyleToName(int code, std::string& name) {
    if (code >= 0 && code < FillModeCount) name = FillNames[code];
}

int FillStyleFromName(const std::string& name) {
    if (name == "plasma") return fmPlasma;
    if (name == "bitmap") return fmBitmap;
    if (name == "gradient") return fmGradient;
    return fmColor;
}

std::string BoolToText(bool value) { return value ? "true" : "false"; }
bool TextToBool(const std::string& text) { return text == "true"; }

// ---- numbers -----------------------------------------------------------------

long double Hypotenuse(long double a, long double b) {
    a = std::fabs(a);
    b = std::fabs(b);
    const long double big = std::max(a, b), small = std::min(a, b);
    if (small == 0) return big;
    const long double q = small / big;
    return big * std::sqrt(1.0L + q * q);
}

int CeilValue(long double x) {
    const int64_t t = Trunc(x);
    return static_cast<int>(x - static_cast<long double>(t) > 0 ? t + 1 : t);
}

int FloorValue(long double x) {
    const int64_t t = Trunc(x);
    return static_cast<int>(x - static_cast<long double>(t) < 0 ? t - 1 : t);
}

// ---- rectangles --------------------------------------------------------------

TRect RingRect(const TPixelGraphic& graphic, int n) {
    return TRect(n, n, graphic.GetWidth() - n, graphic.GetHeight() - n);
}
TRect NarrowRect(const TRect& r) { return TRect(r.Left + 1, r.Top, r.Right - 1, r.Bottom); }
TRect InsetRect(const TRect& r, int n) { return TRect(r.Left + n, r.Top + n, r.Right - n, r.Bottom - n); }

// ---- colours -----------------------------------------------------------------

uint32_t ClampRGB(int r, int g, int b) { return RGB(Clamp(r, 0, 255), Clamp(g, 0, 255), Clamp(b, 0, 255)); }

uint32_t ShiftColor(uint32_t colour, int amount) {
    return ClampRGB(GetRValue(colour) + amount, GetGValue(colour) + amount, GetBValue(colour) + amount);
}

int LuminanceAmount(long double e, long double f, int amount, long double halfDiagonal) {
    return static_cast<int>(Round(Hypotenuse(f + 1, e + 1) / halfDiagonal * amount));
}

void MixGraphics(TPixelGraphic& first, const TPixelGraphic& second, int percent) {
    MixGraphicsRect(first, second, percent, TRect(0, 0, first.GetWidth(), first.GetHeight()));
}

namespace {

// Mixes the pixels of area of first with those of second dx, dy further
// left and up; area lies in both.
void MixArea(TPixelGraphic& first, const TPixelGraphic& second, int dx, int dy, int percent, const TRect& r) {
    if (r.IsEmpty() || &first == &second) return;
    const int p = percent, q = 100 - percent;
    if (Is24(first) && Is24(second) && p >= 0 && p <= 100) {
        // Equal channels mix to themselves, so the pixel test needs no
        // branch. The sum fits 16 bits, and x div 100 = (x * 41944) >> 22
        // for every x up to 25500 (a 16-bit high multiply, then a shift).
        // Blocks where the two already agree are skipped (the smooth bevel
        // mixes large areas that only its rings changed).
        const uint16_t up = static_cast<uint16_t>(p), uq = static_cast<uint16_t>(q);
        auto mix = [up, uq](uint8_t* __restrict a, const uint8_t* __restrict b, int n) {
            for (int i = 0; i < n; ++i) {
                const uint16_t sum = static_cast<uint16_t>(uq * b[i] + up * a[i]);
                a[i] = static_cast<uint8_t>(static_cast<uint16_t>((static_cast<uint32_t>(sum) * 41944u) >> 16) >> 6);
            }
        };
        constexpr int kBlock = 64;
        for (int y = r.Top; y < r.Bottom; ++y) {
            uint8_t* a = first.GetScanLine(y) + 3 * r.Left;
            const uint8_t* b = second.GetScanLine(y - dy) + 3 * (r.Left - dx);
            const int n = 3 * r.Width();
            int i = 0;
            for (; i + kBlock <= n; i += kBlock) {
                uint64_t differ = 0;
                for (int k = 0; k < kBlock; k += 8) {
                    uint64_t u, v;
                    std::memcpy(&u, a + i + k, 8);
                    std::memcpy(&v, b + i + k, 8);
                    differ |= u ^ v;
                }
                if (differ) mix(a + i, b + i, kBlock);
            }
            mix(a + i, b + i, n - i);
        }
        return;
    }
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            const uint32_t a = first.GetPixelColor(x, y), b = second.GetPixelColor(x - dx, y - dy);
            if (a == b) continue;
            auto mix = [p, q](int ca, int cb) { return (q * cb + p * ca) / 100; };
            first.SetPixelColor(
                x, y,
                RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b))));
        }
}

}  // namespace

void MixGraphicsRect(TPixelGraphic& first, const TPixelGraphic& second, int percent, const TRect& area) {
    const TRect r = IntersectRect(area, TRect(0, 0, std::min(first.GetWidth(), second.GetWidth()),
                                              std::min(first.GetHeight(), second.GetHeight())));
    MixArea(first, second, 0, 0, percent, r);
}

void MixGraphicsAt(TPixelGraphic& first, int x, int y, const TPixelGraphic& second, int percent) {
    const TRect r = IntersectRect(TRect(0, 0, first.GetWidth(), first.GetHeight()),
                                  TRect(x, y, x + second.GetWidth(), y + second.GetHeight()));
    MixArea(first, second, x, y, percent, r);
}

// ---- light and shading -------------------------------------------------------

void BuildColourRamp(TColourTable& ramp, uint32_t c1, uint32_t c2) {
    for (int i = 0; i < ColourTableSize; ++i) ramp[i] = RampEntry(c2, c1, i);
}

namespace {

// The ramp entry of the light falling on normal n.
inline int64_t BevelRampIndex(double nx, double ny, double nz, const TLightVector& light) {
    return Clamp<int64_t>(Round(128.0 * (light.X * nx + light.Y * ny + light.Z * nz)) + 128, 0, 255);
}

}  // namespace

void ShadeBevelPixel(TPixelGraphic& graphic, int x, int y, double nx, double ny, double nz, const TLightVector& light,
                     const TColourTable& ramp) {
    graphic.SetPixelColor(x, y, ramp[BevelRampIndex(nx, ny, nz, light)]);
}

void EllipseBevel(TPixelGraphic& graphic, int left, int top, int right, int bottom, int thickness,
                  const TLightVector& light, const TColourTable& ramp) {
    const long double rx = (right - left - 1) / 2.0L, ry = (bottom - top - 1) / 2.0L;
    const long double cx = left + rx, cy = top + ry;
    const int reach = CeilValue(thickness / 2.0L) + 1;
    // cx and cy are whole or half numbers: rounding them once and adding the
    // whole offsets gives what rounding every sum would.
    const int ceilX = CeilValue(cx), floorX = FloorValue(cx), ceilY = CeilValue(cy), floorY = FloorValue(cy);
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    const bool direct = Is24(graphic) && graphic.GetBits();

    auto shade = [&](int x, int y, double nx, double ny, double nz) {
        if (direct && x >= 0 && y >= 0 && x < w && y < h)
            SetRowColor(graphic.GetScanLine(y), x, ramp[BevelRampIndex(nx, ny, nz, light)]);
        else ShadeBevelPixel(graphic, x, y, nx, ny, nz, light, ramp);
    };
    auto mirrored = [&](int a, int b) {
        if (a == 0 && b == 0) {
            shade(ceilX, ceilY, 0, 0, 1);
            return;
        }
        const double r = std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b);
        const double f = std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b + r * r);
        shade(ceilX + a, ceilY - b, a / f, -b / f, r / f);
        shade(ceilX + a, floorY + b, a / f, b / f, r / f);
        shade(floorX - a, floorY + b, -a / f, b / f, r / f);
        shade(floorX - a, ceilY - b, -a / f, -b / f, r / f);
    };
    auto plot = [&](long double x, long double y) {
        const int px = static_cast<int>(Round(x)), py = static_cast<int>(Round(y));
        for (int a = px - reach; a <= px + reach; ++a)
            for (int b = py - reach; b <= py + reach; ++b) mirrored(a, b);
    };

    // Midpoint ellipse walk over the first quadrant.
    const long double rx2 = rx * rx, ry2 = ry * ry;
    long double x = 0, y = ry;
    long double d1 = ry2 - rx2 * ry + rx2 / 4;
    plot(x, y);
    while (ry2 * (x + 1) < rx2 * (y - 0.5L)) {
        if (d1 < 0) {
            d1 += ry2 * (2 * x + 3);
        } else {
            d1 += ry2 * (2 * x + 3) + rx2 * (2 - 2 * y);
            y -= 1;
        }
        x += 1;
        plot(x, y);
    }
    long double d2 = ry2 * (x + 0.5L) * (x + 0.5L) + rx2 * (y - 1) * (y - 1) - rx2 * ry2;
    while (y > 0) {
        if (d2 >= 0) {
            d2 += rx2 * (3 - 2 * y);
        } else {
            d2 += ry2 * (2 * x + 2) + rx2 * (3 - 2 * y);
            x += 1;
        }
        y -= 1;
        plot(x, y);
    }
}

void InnerLuminance(TPixelGraphic& graphic, int amount, int direction) {
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    const long double half = Hypotenuse(h / 2.0L, w / 2.0L);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int e = w - x, f = h - y;
            int p, q;
            switch (direction) {
                case 1:
                    p = e;
                    q = f;
                    break;
                case 2:
                    p = f;
                    q = f;
                    break;
                case 3:
                    p = x;
                    q = f;
                    break;
                case 4:
                    p = e;
                    q = e;
                    break;
                case 6:
                    p = x;
                    q = x;
                    break;
                case 7:
                    p = e;
                    q = y;
                    break;
                case 8:
                    p = y;
                    q = y;
                    break;
                case 9:
                    p = x;
                    q = y;
                    break;
                default: return;
            }
            graphic.SetPixelColor(x, y, ShiftColor(graphic.GetPixelColor(x, y), LuminanceAmount(p, q, amount, half)));
        }
}

// ---- masks and composing -----------------------------------------------------

void DrawMasked(TPixelGraphic& target, int x, int y, const TPixelGraphic& image, const TPixelGraphic& mask) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + image.GetWidth(), target.GetWidth());
    const int y1 = std::min(y + image.GetHeight(), target.GetHeight());
    if (x0 >= x1 || y0 >= y1) return;
    const bool fast = Is24(target) && Is24(image) && Is24(mask) && mask.GetWidth() >= image.GetWidth() &&
                      mask.GetHeight() >= image.GetHeight();
    for (int ty = y0; ty < y1; ++ty) {
        const int sy = ty - y;
        if (fast) {
            uint8_t* t = target.GetScanLine(ty) + 3 * x0;
            const uint8_t* s = image.GetScanLine(sy) + 3 * (x0 - x);
            const uint8_t* m = mask.GetScanLine(sy) + 3 * (x0 - x);
            for (int i = 0; i < 3 * (x1 - x0); ++i) t[i] = static_cast<uint8_t>(((t[i] ^ s[i]) & m[i]) ^ s[i]);
            continue;
        }
        for (int tx = x0; tx < x1; ++tx) {
            const int sx = tx - x;
            const uint32_t s = image.GetPixelColor(sx, sy);
            target.SetPixelColor(tx, ty, ((target.GetPixelColor(tx, ty) ^ s) & mask.GetPixelColor(sx, sy)) ^ s);
        }
    }
    target.DoChange();
}

// ---- fills -------------------------------------------------------------------

void RoundRectLight(const TPixelGraphic& graphic, uint32_t light, uint32_t shadow, int direction, TPixelGraphic& work) {
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    if (work.GetWidth() != w || work.GetHeight() != h || work.GetBitCountNum() != 3) work.SetSize(w, h, 3);
    if (work.GetEmpty()) return;
    const int hw = w / 2, hh = h / 2;
    const long double reach = static_cast<long double>(Round(Hypotenuse(hh, hw)));
    uint32_t ramp[256];
    for (int i = 0; i < 256; ++i) ramp[i] = RampEntry(shadow, light, i);
    int ox = 0, oy = 0;
    switch (direction) {
        case 1:
            ox = hw;
            oy = hh;
            break;
        case 2:
            ox = 0;
            oy = hh;
            break;
        case 3:
            ox = -hw;
            oy = hh;
            break;
        case 4:
            ox = hw;
            oy = 0;
            break;
        case 6:
            ox = -hw;
            oy = 0;
            break;
        case 7:
            ox = hw;
            oy = -hh;
            break;
        case 8:
            ox = 0;
            oy = -hh;
            break;
        case 9:
            ox = -hw;
            oy = -hh;
            break;
        default: break;  // no light side: the field is centred
    }
    // The ramp index Trunc(distance / reach x 256) in double precision: its
    // error stays below 1e-12, so only a value that close to a whole number
    // could truncate otherwise than the long double definition; those few
    // are computed by the definition.
    const double scale = reach != 0 ? 256.0 / static_cast<double>(reach) : 0.0;
    for (int y = 1; y <= h; ++y) {
        uint8_t* row = work.GetScanLine(y - 1);
        const int64_t dy = y + oy - hh;
        for (int x = 1; x <= w; ++x) {
            int64_t k = 0;
            if (reach != 0) {
                const int64_t dx = x + ox - hw;
                const double v = std::sqrt(static_cast<double>(dx * dx + dy * dy)) * scale;
                k = static_cast<int64_t>(v);
                const double fraction = v - static_cast<double>(k);
                if (fraction > 1e-9 && fraction < 1 - 1e-9) k = Clamp<int64_t>(k, 0, 255);
                else k = Clamp<int64_t>(Trunc(Hypotenuse(y + oy - hh, x + ox - hw) / reach * 256), 0, 255);
            }
            SetRowColor(row, x - 1, ramp[255 - k]);
        }
    }
    work.DoChange();
}

void RadialGradientFill(TPixelGraphic& graphic, const TColourTable& ramp) {
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    const int hw = w / 2, hh = h / 2;
    const long double reach = static_cast<long double>(Trunc(Hypotenuse(hw, hh)));
    for (int x = 1; x <= w; ++x)
        for (int y = 1; y <= h; ++y) {
            int64_t k = 0;
            if (reach != 0) k = Trunc(Hypotenuse(x - hw, y - hh) / reach * 256) & 0xFF;
            graphic.SetPixelColor(x - 1, y - 1, ramp[k]);
        }
    graphic.DoChange();
}

// ---- ring outlines -----------------------------------------------------------

namespace {

// Draws a closed outline of corners (clockwise) whose edge i runs from
// corner i to corner i + 1: the lit edges (bits of lit, one contiguous run)
// as one polyline in the light colour, then the others in the shadow colour.
void DrawRingOutline(TPGCanvas& canvas, const std::vector<TPoint>& corners, unsigned lit, uint32_t light,
                     uint32_t shadow) {
    const int n = static_cast<int>(corners.size());
    const unsigned all = (1u << n) - 1;
    lit &= all;
    if (lit == 0) return;
    // The lit run starts at the lit edge whose predecessor is dark.
    int start = 0;
    for (int i = 0; i < n; ++i)
        if ((lit >> i & 1) && !(lit >> ((i + n - 1) % n) & 1)) start = i;
    int count = 0;
    while (count < n && (lit >> ((start + count) % n) & 1)) ++count;

    std::vector<TPoint> points;
    for (int i = 0; i <= count; ++i) points.push_back(corners[(start + i) % n]);
    canvas.Pen.Color = static_cast<TColor>(light);
    canvas.Polyline(points);
    if (count == n) return;
    points.clear();
    for (int i = count; i <= n; ++i) points.push_back(corners[(start + i) % n]);
    canvas.Pen.Color = static_cast<TColor>(shadow);
    canvas.Polyline(points);
}

// Lit edges by painter direction 1..9 (index 0 and 5 light nothing).
using TLitTable = unsigned[10];

unsigned LitEdges(const TLitTable& table, int direction) {
    return direction >= 0 && direction <= 9 ? table[direction] : 0;
}

}  // namespace

void DrawBevelEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, uint32_t shadow, int direction) {
    // Edges: 0 top, 1 right, 2 bottom, 3 left.
    static const TLitTable lit = {0, 0b1001, 0b0001, 0b0011, 0b1000, 0, 0b0010, 0b1100, 0b0100, 0b0110};
    DrawRingOutline(canvas, {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}},
                    LitEdges(lit, direction), light, shadow);
}

void TriangleUpEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow) {
    // Edges: 0 left slope, 1 right slope, 2 base.
    static const TLitTable lit = {0, 0b001, 0b011, 0b010, 0b001, 0, 0b010, 0b100, 0b100, 0b100};
    const int mx = (r.Left + r.Right) / 2;
    DrawRingOutline(canvas, {{r.Left, r.Bottom}, {mx, r.Top}, {r.Right, r.Bottom}}, LitEdges(lit, direction), light,
                    shadow);
}

void TriangleDownEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow) {
    // Edges: 0 top, 1 right slope, 2 left slope.
    static const TLitTable lit = {0, 0b001, 0b001, 0b001, 0b100, 0, 0b010, 0b100, 0b110, 0b010};
    const int mx = (r.Left + r.Right) / 2;
    DrawRingOutline(canvas, {{r.Left, r.Top}, {r.Right, r.Top}, {mx, r.Bottom}}, LitEdges(lit, direction), light,
                    shadow);
}

void TriangleLeftEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow) {
    // Edges: 0 upper slope, 1 right edge, 2 lower slope.
    static const TLitTable lit = {0, 0b001, 0b001, 0b010, 0b101, 0, 0b010, 0b100, 0b100, 0b010};
    const int my = (r.Top + r.Bottom) / 2;
    DrawRingOutline(canvas, {{r.Left, my}, {r.Right, r.Top}, {r.Right, r.Bottom}}, LitEdges(lit, direction), light,
                    shadow);
}

void TriangleRightEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow) {
    // Edges: 0 upper slope, 1 lower slope, 2 left edge.
    static const TLitTable lit = {0, 0b100, 0b001, 0b001, 0b100, 0, 0b011, 0b100, 0b010, 0b010};
    const int my = (r.Top + r.Bottom) / 2;
    DrawRingOutline(canvas, {{r.Left, r.Top}, {r.Right, my}, {r.Left, r.Bottom}}, LitEdges(lit, direction), light,
                    shadow);
}

void DiamondEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow) {
    // Edges: 0 upper-left, 1 upper-right, 2 lower-right, 3 lower-left; each
    // drawn as its own segment.
    static const TLitTable lit = {0, 0b0001, 0b0011, 0b0010, 0b1001, 0, 0b0110, 0b1000, 0b1100, 0b0100};
    if (direction < 1 || direction > 9 || direction == 5) return;
    const unsigned edges = lit[direction];
    const int mx = (r.Left + r.Right) / 2, my = (r.Top + r.Bottom) / 2;
    const TPoint corners[4] = {{r.Left, my}, {mx, r.Top}, {r.Right, my}, {mx, r.Bottom}};
    for (int i = 0; i < 4; ++i) {
        canvas.Pen.Color = static_cast<TColor>(edges >> i & 1 ? light : shadow);
        canvas.MoveTo(corners[i].X, corners[i].Y);
        canvas.LineTo(corners[(i + 1) % 4].X, corners[(i + 1) % 4].Y);
    }
}

// ---- rounded rectangles ------------------------------------------------------

std::vector<TPoint> RoundRectOutline(const TRect& rect, int width, int height) {
    std::vector<TPoint> points = RoundRectPenPixels(rect.Left, rect.Top, rect.Right, rect.Bottom,
                                                    (rect.Right - rect.Left) / 2, (rect.Bottom - rect.Top) / 2);
    points.erase(std::remove_if(
                     points.begin(), points.end(),
                     [width, height](const TPoint& p) { return p.X < 0 || p.Y < 0 || p.X >= width || p.Y >= height; }),
                 points.end());
    return points;
}

void RoundRectRing(TPixelGraphic& graphic, const TRect& rect, const TPixelGraphic& work) {
    CopyPixelsAt(graphic, RoundRectOutline(rect, graphic.GetWidth(), graphic.GetHeight()), work);
}

TRect CopyPixelsAt(TPixelGraphic& graphic, const std::vector<TPoint>& points, const TPixelGraphic& work) {
    if (points.empty()) return TRect();
    int left = points[0].X, top = points[0].Y, right = left, bottom = top;
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    const bool direct = Is24(graphic) && Is24(work) && work.GetWidth() >= w && work.GetHeight() >= h &&
                        graphic.GetBits() && work.GetBits();
    uint8_t* to = graphic.GetBits();
    const uint8_t* from = work.GetBits();
    const ptrdiff_t toRow = graphic.GetRowSize(), fromRow = work.GetRowSize();
    for (const TPoint& p : points) {
        left = std::min(left, p.X);
        right = std::max(right, p.X);
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
        if (p.X < 0 || p.Y < 0 || p.X >= w || p.Y >= h) continue;
        if (direct) std::memcpy(to + p.Y * toRow + 3 * p.X, from + p.Y * fromRow + 3 * p.X, 3);
        else graphic.SetPixelColor(p.X, p.Y, work.GetPixelColor(p.X, p.Y));
    }
    graphic.DoChange();
    return TRect(left, top, right + 1, bottom + 1);
}

// ---- masks -------------------------------------------------------------------

namespace {

using TInsideTest = std::function<bool(int x, int y)>;

// A black 24-bit mask picture.
TPGCanvas& BlackMask(TPixelGraphic& mask) {
    if (mask.GetBitCountNum() != 3) mask.SetSize(mask.GetWidth(), mask.GetHeight(), 3);
    TPGCanvas& canvas = *mask.GetCanvas();
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = clBlack;
    canvas.FillRect(TRect(0, 0, mask.GetWidth(), mask.GetHeight()));
    canvas.Pen.Color = clWhite;
    canvas.Brush.Style = bsClear;
    return canvas;
}

// Floods the black 4-connected area around seed white (the outline stops
// it), unless that area holds a pixel that lies surely inside the shape: on
// small pictures a seed can fall inside, and flooding it would wash the
// whole shape out.
void FloodOutside(TPixelGraphic& mask, TPoint seed, const TInsideTest& inside) {
    const int w = mask.GetWidth(), h = mask.GetHeight();
    auto black = [&](int x, int y) {
        const uint8_t* p = mask.GetScanLine(y) + 3 * x;
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    };
    if (seed.X < 0 || seed.Y < 0 || seed.X >= w || seed.Y >= h || mask.GetEmpty() || !black(seed.X, seed.Y)) return;
    std::vector<bool> seen(static_cast<size_t>(w) * h, false);
    std::vector<TPoint> area{seed}, stack{seed};
    seen[static_cast<size_t>(seed.Y) * w + seed.X] = true;
    while (!stack.empty()) {
        const TPoint p = stack.back();
        stack.pop_back();
        if (inside(p.X, p.Y)) return;
        const TPoint next[4] = {{p.X - 1, p.Y}, {p.X + 1, p.Y}, {p.X, p.Y - 1}, {p.X, p.Y + 1}};
        for (const TPoint& q : next) {
            if (q.X < 0 || q.Y < 0 || q.X >= w || q.Y >= h) continue;
            const size_t k = static_cast<size_t>(q.Y) * w + q.X;
            if (seen[k] || !black(q.X, q.Y)) continue;
            seen[k] = true;
            stack.push_back(q);
            area.push_back(q);
        }
    }
    for (const TPoint& p : area) std::memset(mask.GetScanLine(p.Y) + 3 * p.X, 0xFF, 3);
    mask.DoChange();
}

// Black picture, white closed outline through the corners, then the
// outside flooded white from the seeds.
void PolygonMask(TPixelGraphic& mask, const std::vector<TPoint>& corners, const std::vector<TPoint>& seeds) {
    TPGCanvas& canvas = BlackMask(mask);
    std::vector<TPoint> closed = corners;
    closed.push_back(corners.front());
    canvas.Polyline(closed);
    // Surely inside: at least one pixel from every edge (the lines pass
    // through the corners' pixel coordinates, clockwise or not).
    const TInsideTest inside = [&corners](int x, int y) {
        const size_t n = corners.size();
        int sign = 0;
        for (size_t i = 0; i < n; ++i) {
            const TPoint& a = corners[i];
            const TPoint& b = corners[(i + 1) % n];
            const double ex = b.X - a.X, ey = b.Y - a.Y;
            const double length = std::sqrt(ex * ex + ey * ey);
            if (length == 0) return false;
            const double d = (ex * (y - a.Y) - ey * (x - a.X)) / length;
            const int s = d > 0 ? 1 : -1;
            if (std::fabs(d) < 1.0 || (sign != 0 && s != sign)) return false;
            sign = s;
        }
        return true;
    };
    for (const TPoint& s : seeds) FloodOutside(mask, s, inside);
}

// Pixel centre (x + 0.5, y + 0.5) surely inside the ellipse of the box.
bool InsideEllipse(int x, int y, double left, double top, double right, double bottom) {
    const double margin = 2;
    const double a = (right - left) / 2 - margin, b = (bottom - top) / 2 - margin;
    if (a <= 0 || b <= 0) return false;
    const double dx = (x + 0.5 - (left + right) / 2) / a, dy = (y + 0.5 - (top + bottom) / 2) / b;
    return dx * dx + dy * dy <= 1;
}

}  // namespace

void TriangleMask(TPixelGraphic& mask, int orientation) {
    const int w = mask.GetWidth(), h = mask.GetHeight();
    switch (orientation) {
        case 1: PolygonMask(mask, {{0, h}, {w / 2, 0}, {w, h}}, {{1, 1}, {w - 1, 1}}); break;
        case 2: PolygonMask(mask, {{0, 0}, {w, h / 2}, {0, h}}, {{w - 1, h - 1}, {w - 1, 1}}); break;
        case 3: PolygonMask(mask, {{w, h}, {0, h / 2}, {w, 0}}, {{1, h - 1}, {1, 1}}); break;
        case 4: PolygonMask(mask, {{0, 0}, {w, 0}, {w / 2, h}}, {{1, h - 1}, {w - 1, h - 1}}); break;
        default: break;
    }
}

void DiamondMask(TPixelGraphic& mask) {
    const int w = mask.GetWidth(), h = mask.GetHeight();
    PolygonMask(mask, {{0, h / 2}, {w / 2, 0}, {w, h / 2}, {w / 2, h}},
                {{1, 1}, {1, h - 1}, {w - 1, h - 1}, {w - 1, 1}});
}

void OvalMask(TPixelGraphic& mask) {
    const int w = mask.GetWidth(), h = mask.GetHeight();
    BlackMask(mask).Ellipse(5, 5, w - 5, h - 5);
    FloodOutside(mask, TPoint(1, 1), [w, h](int x, int y) { return InsideEllipse(x, y, 5, 5, w - 5, h - 5); });
}

void RoundRectMask(TPixelGraphic& mask) {
    const int w = mask.GetWidth(), h = mask.GetHeight();
    BlackMask(mask).RoundRect(0, 0, w, h, w / 2, h / 2);
    // Corners are quarter ellipses of a (w div 2) x (h div 2) box.
    const int cw = w / 2, ch = h / 2;
    const TInsideTest inside = [=](int x, int y) {
        const double px = x + 0.5, py = y + 0.5, margin = 2;
        if (px < margin || py < margin || px > w - margin || py > h - margin) return false;
        const double left = px < cw / 2.0 ? 0 : px > w - cw / 2.0 ? w - cw : -1;
        const double top = py < ch / 2.0 ? 0 : py > h - ch / 2.0 ? h - ch : -1;
        if (left < 0 || top < 0) return true;
        return InsideEllipse(x, y, left, top, left + cw, top + ch);
    };
    for (const TPoint& s : {TPoint(1, 1), TPoint(1, h - 1), TPoint(w - 1, 1), TPoint(w - 1, h - 1)})
        FloodOutside(mask, s, inside);
}

bool ShapeMask(TPixelGraphic& mask, int shape) {
    switch (shape & 0x7F) {
        case scOval:
        case scCircle: OvalMask(mask); return true;
        case scTriangleUp: TriangleMask(mask, 1); return true;
        case scTriangleDown: TriangleMask(mask, 4); return true;
        case scTriangleLeft: TriangleMask(mask, 3); return true;
        case scTriangleRight: TriangleMask(mask, 2); return true;
        case scRoundRect: RoundRectMask(mask); return true;
        case scDiamond: DiamondMask(mask); return true;
        default: return false;
    }
}

// ---- gradient fills ----------------------------------------------------------

void LinearGradientFill(TPixelGraphic& graphic, const TColourTable& ramp, int angle) {
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    TPGCanvas& canvas = *graphic.GetCanvas();
    if (angle == 0) {
        for (int y = 0; y < h; ++y) {
            // A single row has no extent to spread the ramp over: entry 0.
            const int64_t index = h > 1 ? Round(static_cast<long double>(y) / (h - 1) * 256) : 0;
            canvas.Pen.Color = static_cast<TColor>(ramp[index]);
            canvas.MoveTo(0, y);
            canvas.LineTo(w, y);
        }
    } else if (angle == 90) {
        for (int x = 0; x < w; ++x) {
            canvas.Pen.Color = static_cast<TColor>(ramp[Round(static_cast<long double>(x) / w * 256)]);
            canvas.MoveTo(x, 0);
            canvas.LineTo(x, h);
        }
    }
}

void RectangularGradientFill(TPixelGraphic& graphic, const TColourTable& ramp) {
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    const int steps = (std::min(w, h) / 2) & 0xFF;
    TPGCanvas& canvas = *graphic.GetCanvas();
    canvas.Brush.Style = bsClear;
    TRect r(0, 0, w, h);
    for (int k = 0; k <= steps; ++k) {
        // Fewer than two rows or columns leave one ring: entry 0.
        const int64_t index = steps > 0 ? Round(static_cast<long double>(k) / steps * 256) & 0xFF : 0;
        canvas.Pen.Color = static_cast<TColor>(ramp[index]);
        canvas.Rectangle(r);
        r = InsetRect(r, 1);
    }
    canvas.Brush.Style = bsSolid;
}
