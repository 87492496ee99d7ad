#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "artkit/EmbossFilter.h"
#include "artkit/Painters.h"
#include "image/PGCanvas.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"
#include "platform/Random.h"
#include "support/PictureUtil.h"

namespace {

using gwtest::MakeFlat;
using gwtest::Red;

// A ramp whose entries can be told apart: entry i = (i mod 256, i div 256 x 100, 7).
TColourTable IndexRamp() {
    TColourTable ramp{};
    for (int i = 0; i < ColourTableSize; ++i) ramp[i] = RGB(i % 256, i / 256 * 100, 7);
    return ramp;
}

TEST(PainterHelpers, MixKeepsPercentOfTheFirstAndLeavesEqualPixels) {
    TPixelGraphic first, second;
    MakeFlat(first, 2, 1, RGB(200, 100, 0));
    MakeFlat(second, 2, 1, RGB(0, 0, 100));
    first.SetPixelColor(1, 0, RGB(10, 10, 10));
    second.SetPixelColor(1, 0, RGB(10, 10, 10));
    MixGraphics(first, second, 30);
    EXPECT_EQ(first.GetPixelColor(0, 0), RGB(60, 30, 70));
    EXPECT_EQ(first.GetPixelColor(1, 0), RGB(10, 10, 10));
    MixGraphics(first, second, 0);
    EXPECT_EQ(first.GetPixelColor(0, 0), RGB(0, 0, 100));
}

TEST(PainterHelpers, InnerLuminanceGrowsTowardTheLight) {
    TPixelGraphic g;
    MakeFlat(g, 20, 10, RGB(100, 100, 100));
    InnerLuminance(g, 40, 1);
    // Direction 1 measures from the bottom right: Round(Hyp(11, 21) / Hyp(5, 10) x 40) = 85.
    EXPECT_EQ(Red(g, 0, 0), 185);
    EXPECT_EQ(Red(g, 19, 9), 110);
    for (int x = 1; x < 20; ++x) EXPECT_LE(Red(g, x, 5), Red(g, x - 1, 5));

    MakeFlat(g, 20, 10, RGB(100, 100, 100));
    InnerLuminance(g, -40, 9);  // darkest at the bottom right: Round(Hyp(10, 20) / Hyp(5, 10) x 40) = 80
    EXPECT_EQ(Red(g, 19, 9), 20);
    for (int d : {0, 5, 10}) {
        MakeFlat(g, 4, 4, RGB(100, 100, 100));
        InnerLuminance(g, 40, d);
        EXPECT_EQ(Red(g, 0, 0), 100) << d;
    }
}

TEST(GradientFills, LinearRectangularAndRadial) {
    const TColourTable ramp = IndexRamp();
    TPixelGraphic g;

    MakeFlat(g, 3, 5, clBlack);
    LinearGradientFill(g, ramp, 0);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(g.GetPixelColor(2, y), ramp[64 * y]) << y;
    MakeFlat(g, 4, 2, clBlack);
    LinearGradientFill(g, ramp, 90);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(g.GetPixelColor(x, 1), ramp[64 * x]) << x;
    MakeFlat(g, 4, 2, clBlack);
    LinearGradientFill(g, ramp, 45);
    EXPECT_EQ(g.GetPixelColor(1, 1), clBlack);

    // 10 x 4: two steps, the border ring takes entry 0, the inner one 128.
    MakeFlat(g, 10, 4, clBlack);
    RectangularGradientFill(g, ramp);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool border = x == 0 || y == 0 || x == 9 || y == 3;
            EXPECT_EQ(g.GetPixelColor(x, y), ramp[border ? 0 : 128]) << x << "," << y;
        }

    // Pictures one pixel high or wide have no extent for the ramp: entry 0.
    for (auto size : {std::pair<int, int>(7, 1), {1, 7}, {1, 1}}) {
        MakeFlat(g, size.first, size.second, clWhite);
        RectangularGradientFill(g, ramp);
        EXPECT_EQ(g.GetPixelColor(0, 0), ramp[0]);
        MakeFlat(g, size.first, size.second, clWhite);
        LinearGradientFill(g, ramp, 0);
        EXPECT_EQ(g.GetPixelColor(size.first - 1, 0), ramp[0]);
    }

    // Radial: the centre takes entry 0 and the far corner wraps round
    // (Hyp(5, 5) / 7 x 256 = 258 -> 2).
    MakeFlat(g, 10, 10, clBlack);
    RadialGradientFill(g, ramp);
    EXPECT_EQ(g.GetPixelColor(4, 4), ramp[0]);
    EXPECT_EQ(g.GetPixelColor(9, 9), ramp[2]);
    MakeFlat(g, 1, 1, clWhite);
    RadialGradientFill(g, ramp);
    EXPECT_EQ(g.GetPixelColor(0, 0), ramp[0]);
}

// ---- masks ---------------------------------------------------------------------

enum TWhere { wInside, wOutside, wUnsure };

// Where pixel (x, y) lies relative to a convex polygon, with a margin.
TWhere PolygonWhere(const std::vector<TPoint>& poly, double x, double y) {
    double area = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint& a = poly[i];
        const TPoint& b = poly[(i + 1) % poly.size()];
        area += double(a.X) * b.Y - double(b.X) * a.Y;
    }
    bool allInside = true;
    for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint& a = poly[i];
        const TPoint& b = poly[(i + 1) % poly.size()];
        const double ex = b.X - a.X, ey = b.Y - a.Y;
        const double d = (ex * (y - a.Y) - ey * (x - a.X)) / std::hypot(ex, ey) * (area > 0 ? 1 : -1);
        if (d < -1.5) return wOutside;
        if (d < 1.5) allInside = false;
    }
    return allInside ? wInside : wUnsure;
}

TWhere EllipseWhere(double left, double top, double right, double bottom, double x, double y) {
    const double a = (right - left) / 2, b = (bottom - top) / 2;
    const double dx = x - (left + right) / 2, dy = y - (top + bottom) / 2;
    auto rho = [&](double grow) { return std::pow(dx / (a + grow), 2) + std::pow(dy / (b + grow), 2); };
    if (a <= 2 || b <= 2) return a <= 0 || b <= 0 ? wOutside : wUnsure;
    if (rho(-2) <= 1) return wInside;
    if (rho(2) >= 1) return wOutside;
    return wUnsure;
}

TWhere RoundRectWhere(int w, int h, double x, double y) {
    const int hw = w / 2, hh = h / 2;  // the radii halve whole half-sizes
    const double rx = hw / 2.0, ry = hh / 2.0;
    const double cx = std::clamp(x, rx, w - rx), cy = std::clamp(y, ry, h - ry);
    if (x < 1.5 || y < 1.5 || x > w - 1.5 || y > h - 1.5) return x < 0 || y < 0 ? wOutside : wUnsure;
    if (cx == x || cy == y) return wInside;  // not in a corner zone
    return EllipseWhere(cx - rx, cy - ry, cx + rx, cy + ry, x, y);
}

TEST(ShapeMasks, BlackInsideWhiteOutsideWithoutLeaks) {
    for (auto size : {std::pair<int, int>(7, 7), {200, 25}, {25, 200}}) {
        const int w = size.first, h = size.second;
        struct TCase {
            std::string Name;
            std::function<void(TPixelGraphic&)> Make;
            std::function<TWhere(int, int)> Where;
        };
        const std::vector<TCase> cases = {
            {"up", [](TPixelGraphic& m) { TriangleMask(m, 1); },
             [&](int x, int y) {
                 return PolygonWhere({{0, h}, {w / 2, 0}, {w, h}}, x, y);
             }},
            {"right", [](TPixelGraphic& m) { TriangleMask(m, 2); },
             [&](int x, int y) {
                 return PolygonWhere({{0, 0}, {w, h / 2}, {0, h}}, x, y);
             }},
            {"left", [](TPixelGraphic& m) { TriangleMask(m, 3); },
             [&](int x, int y) {
                 return PolygonWhere({{w, h}, {0, h / 2}, {w, 0}}, x, y);
             }},
            {"down", [](TPixelGraphic& m) { TriangleMask(m, 4); },
             [&](int x, int y) {
                 return PolygonWhere({{0, 0}, {w, 0}, {w / 2, h}}, x, y);
             }},
            {"diamond", [](TPixelGraphic& m) { DiamondMask(m); },
             [&](int x, int y) {
                 return PolygonWhere({{0, h / 2}, {w / 2, 0}, {w, h / 2}, {w / 2, h}}, x, y);
             }},
            {"oval", [](TPixelGraphic& m) { OvalMask(m); },
             [&](int x, int y) { return EllipseWhere(5, 5, w - 5, h - 5, x + 0.5, y + 0.5); }},
            {"roundrect", [](TPixelGraphic& m) { RoundRectMask(m); },
             [&](int x, int y) { return RoundRectWhere(w, h, x + 0.5, y + 0.5); }},
        };
        for (const TCase& c : cases) {
            TPixelGraphic mask;
            MakeFlat(mask, w, h, clGray);
            c.Make(mask);
            int inside = 0, wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t px = mask.GetPixelColor(x, y);
                    ASSERT_TRUE(px == clBlack || px == clWhite) << c.Name;
                    const TWhere where = c.Where(x, y);
                    inside += where == wInside;
                    if ((where == wInside && px != clBlack) || (where == wOutside && px != clWhite)) ++wrong;
                }
            EXPECT_EQ(wrong, 0) << c.Name << " " << w << "x" << h;
            // The oval sits 5 pixels inside the border: nothing of it at 7 x 7.
            EXPECT_EQ(inside > 0, !(c.Name == "oval" && w == 7)) << c.Name << " " << w << "x" << h;
        }
    }
}

TEST(ShapeMasks, TriangleSlopesTieTowardTheTop) {
    // The up-triangle of the default 100 x 25 button: its right slope from
    // (50, 0) passes exactly between two rows at every odd column, and the
    // upper pixel is the one lit (so the one below it stays inside).
    TPixelGraphic mask;
    MakeFlat(mask, 100, 25, clGray);
    TriangleMask(mask, 1);
    for (int x = 51; x < 99; x += 2) {
        const int upper = (x - 51) / 2;
        EXPECT_EQ(mask.GetPixelColor(x, upper), clWhite) << x;
        EXPECT_EQ(mask.GetPixelColor(x, upper + 1), clBlack) << x;
    }
}

// ---- ring outlines ---------------------------------------------------------------

using TRingPainter = std::function<void(TPGCanvas&, const TRect&, uint32_t light, int direction, uint32_t shadow)>;

// Colour next to the middle of the segment a-b: +1 light, -1 shadow, 0 none or both.
int EdgeColour(const TPixelGraphic& g, TPoint a, TPoint b) {
    bool light = false, shadow = false;
    for (int y = (a.Y + b.Y) / 2 - 1; y <= (a.Y + b.Y) / 2 + 1; ++y)
        for (int x = (a.X + b.X) / 2 - 1; x <= (a.X + b.X) / 2 + 1; ++x) {
            light |= g.GetPixelColor(x, y) == clWhite;
            shadow |= g.GetPixelColor(x, y) == clRed;
        }
    return light == shadow ? 0 : light ? 1 : -1;
}

TEST(RingOutlines, EveryDirectionLightsTheEdgesItNames) {
    // Each shape: its corners in outline order, a letter for the edge from
    // each corner to the next, and the lit letters for directions 0..9.
    struct TShape {
        TRingPainter Paint;
        std::vector<TPoint> Corners;
        std::string Edges;
        std::vector<std::string> Lit;
    };
    const TShape shapes[] = {
        {[](TPGCanvas& c, const TRect& r, uint32_t l, int d, uint32_t s) { DrawBevelEdges(c, r, l, s, d); },
         {{10, 10}, {50, 10}, {50, 50}, {10, 50}},
         "TRBL",
         {"", "TL", "T", "TR", "L", "", "R", "LB", "B", "BR"}},
        {TriangleUpEdges, {{10, 50}, {30, 10}, {50, 50}}, "lrb", {"", "l", "lr", "r", "l", "", "r", "b", "b", "b"}},
        {TriangleDownEdges, {{10, 10}, {50, 10}, {30, 50}}, "trl", {"", "t", "t", "t", "l", "", "r", "l", "lr", "r"}},
        {TriangleLeftEdges, {{10, 30}, {50, 10}, {50, 50}}, "url", {"", "u", "u", "r", "ul", "", "r", "l", "l", "r"}},
        {TriangleRightEdges, {{10, 10}, {50, 30}, {10, 50}}, "ulL", {"", "L", "u", "u", "L", "", "ul", "L", "l", "l"}},
        {DiamondEdges,
         {{10, 30}, {30, 10}, {50, 30}, {30, 50}},
         "abcd",
         {"", "a", "ab", "b", "ad", "", "bc", "d", "cd", "c"}},
    };
    for (const TShape& shape : shapes)
        for (int d = 0; d <= 10; ++d) {
            TPixelGraphic g;
            MakeFlat(g, 60, 60, clBlack);
            shape.Paint(*g.GetCanvas(), TRect(10, 10, 50, 50), clWhite, d, clRed);
            for (size_t i = 0; i < shape.Edges.size(); ++i) {
                const bool lit = d <= 9 && shape.Lit[d].find(shape.Edges[i]) != std::string::npos;
                const int expected = d == 0 || d == 5 || d > 9 ? 0 : lit ? 1 : -1;
                EXPECT_EQ(EdgeColour(g, shape.Corners[i], shape.Corners[(i + 1) % shape.Corners.size()]), expected)
                    << shape.Edges << " direction " << d << " edge " << shape.Edges[i];
            }
        }
}

// The band from its definition: the midpoint walk, a brush square round
// every point, four mirrored pixels each rounded up or down on their own,
// shaded through the ramp. Odd and even boxes (whole and half centres),
// boxes turned inside out and reaching past the picture.
TEST(RingOutlines, EllipseBevelIsTheMirroredBrushWalk) {
    TColourTable ramp{};
    for (int i = 0; i <= 256; ++i) ramp[i] = RGB(i % 256, 255 - i % 256, (i * 7) % 256);
    TRandomGenerator random(3);
    for (int round = 0; round < 40; ++round) {
        const int left = random.NextInt(30) - 8, top = random.NextInt(24) - 6;
        const int right = left + random.NextInt(50) - 4, bottom = top + random.NextInt(40) - 4;
        const int thickness = 1 + random.NextInt(3);
        const TLightVector light{random.NextInt(3) - 1.0, random.NextInt(4) * 0.5 - 1.5, 0};
        TPixelGraphic got, expected;
        MakeFlat(got, 40, 30, clGray);
        MakeFlat(expected, 40, 30, clGray);
        EllipseBevel(got, left, top, right, bottom, thickness, light, ramp);

        const long double rx = (right - left - 1) / 2.0L, ry = (bottom - top - 1) / 2.0L;
        const long double cx = left + rx, cy = top + ry;
        const int reach = int(std::ceil(thickness / 2.0L)) + 1;
        auto shade = [&](long double x, long double y, double nx, double ny, double nz, bool up, bool upY) {
            const int px = int(up ? std::ceil(x) : std::floor(x)), py = int(upY ? std::ceil(y) : std::floor(y));
            const long double v = std::rint(128.0 * (light.X * nx + light.Y * ny + light.Z * nz)) + 128;
            if (px >= 0 && py >= 0 && px < 40 && py < 30)
                expected.SetPixelColor(px, py, ramp[size_t(std::clamp<long double>(v, 0, 255))]);
        };
        auto plot = [&](long double x, long double y) {
            const int px = int(std::rint(x)), py = int(std::rint(y));
            for (int a = px - reach; a <= px + reach; ++a)
                for (int b = py - reach; b <= py + reach; ++b) {
                    if (a == 0 && b == 0) {
                        shade(cx, cy, 0, 0, 1, true, true);
                        continue;
                    }
                    const double r = std::sqrt(double(a) * a + double(b) * b);
                    const double f = std::sqrt(double(a) * a + double(b) * b + r * r);
                    shade(cx + a, cy - b, a / f, -b / f, r / f, true, true);
                    shade(cx + a, cy + b, a / f, b / f, r / f, true, false);
                    shade(cx - a, cy + b, -a / f, b / f, r / f, false, false);
                    shade(cx - a, cy - b, -a / f, -b / f, r / f, false, true);
                }
        };
        long double x = 0, y = ry, d1 = ry * ry - rx * rx * ry + rx * rx / 4;
        plot(x, y);
        while (ry * ry * (x + 1) < rx * rx * (y - 0.5L)) {
            if (d1 < 0) {
                d1 += ry * ry * (2 * x + 3);
            } else {
                d1 += ry * ry * (2 * x + 3) + rx * rx * (2 - 2 * y);
                y -= 1;
            }
            x += 1;
            plot(x, y);
        }
        long double d2 = ry * ry * (x + 0.5L) * (x + 0.5L) + rx * rx * (y - 1) * (y - 1) - rx * rx * ry * ry;
        while (y > 0) {
            if (d2 >= 0) {
                d2 += rx * rx * (3 - 2 * y);
            } else {
                d2 += ry * ry * (2 * x + 2) + rx * rx * (3 - 2 * y);
                x += 1;
            }
            y -= 1;
            plot(x, y);
        }
        ASSERT_TRUE(gwtest::SamePixels(got, expected)) << left << "," << top << "," << right << "," << bottom;
    }
}

TEST(RingOutlines, RoundRectLightIsTheRampByDistanceEverywhere) {
    // Straight from the definition, in long double, on sizes whose
    // distances often land on whole ramp steps.
    for (auto size : {std::pair<int, int>(200, 200), {1, 1}, {2, 3}, {61, 41}, {256, 96}, {97, 300}})
        for (int d = 0; d <= 9; ++d) {
            const int w = size.first, h = size.second, hw = w / 2, hh = h / 2;
            TPixelGraphic g, work;
            g.SetSize(w, h, 3);
            RoundRectLight(g, RGB(250, 128, 3), RGB(5, 60, 255), d, work);
            const int ox[10] = {0, hw, 0, -hw, hw, 0, -hw, hw, 0, -hw};
            const int oy[10] = {0, hh, hh, hh, 0, 0, 0, -hh, -hh, -hh};
            const long double reach = static_cast<long double>(Round(Hypotenuse(hh, hw)));
            TColourTable ramp{};
            BuildColourRamp(ramp, RGB(250, 128, 3), RGB(5, 60, 255));
            for (int y = 1; y <= h; ++y)
                for (int x = 1; x <= w; ++x) {
                    int64_t k = 0;
                    if (reach != 0)
                        k = Clamp<int64_t>(Trunc(Hypotenuse(y + oy[d] - hh, x + ox[d] - hw) / reach * 256), 0, 255);
                    ASSERT_EQ(work.GetPixelColor(x - 1, y - 1), ramp[255 - k])
                        << w << "x" << h << " direction " << d << " at " << x - 1 << "," << y - 1;
                }
        }
}

TEST(RingOutlines, RoundRectRingMatchesDrawingThroughAMask) {
    TPixelGraphic work;
    MakeFlat(work, 60, 40, clBlack);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) work.SetPixelColor(x, y, RGB(x * 4, y * 6, 99));
    TRandomGenerator random(7);
    for (int i = 0; i < 200; ++i) {
        const TRect r(random.NextInt(80) - 10, random.NextInt(60) - 10, random.NextInt(80) - 10,
                      random.NextInt(60) - 10);
        TPixelGraphic fast, slow, mask;
        MakeFlat(fast, 60, 40, clGray);
        MakeFlat(slow, 60, 40, clGray);
        MakeFlat(mask, 60, 40, clWhite);
        TPGCanvas& c = *mask.GetCanvas();
        c.Pen.Color = clBlack;
        c.Brush.Style = bsClear;
        c.RoundRect(r.Left, r.Top, r.Right, r.Bottom, (r.Right - r.Left) / 2, (r.Bottom - r.Top) / 2);
        DrawMasked(slow, 0, 0, work, mask);
        RoundRectRing(fast, r, work);
        ASSERT_TRUE(gwtest::SamePixels(fast, slow)) << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
    }
}

TEST(EmbossFilter, DifferenceOfDiagonalNeighbours) {
    // A white upper-left neighbour of a black pixel: sum 765, divided (0 as
    // 1), biased, clamped; the flat corner gets the bias alone.
    TPixelGraphic step, out;
    MakeFlat(step, 3, 3, clBlack);
    step.SetPixelColor(0, 0, clWhite);
    const int cases[][4] = {
        {1, 127, 255, 127}, {10, 127, 203, 127}, {0, 127, 255, 127}, {-3, 127, 0, 127}, {10, -1000, 0, 0}};
    for (const auto& c : cases) {
        TEmbossFilter f(c[0], c[1]);
        out.ApplyFilter(f, step);
        EXPECT_EQ(out.GetPixelColor(1, 1), RGB(c[2], c[2], c[2])) << c[0];
        EXPECT_EQ(Red(out, 2, 2), c[3]) << c[0];
    }
}

}  // namespace
