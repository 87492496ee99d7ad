// The canvas over a picture's pixels: shapes with GDI's edge conventions,
// flood fills that stay inside aliased outlines, picture copies with raster
// operations, and text.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <set>

#include "image/PGCanvas.h"

namespace {

void Make(TPixelGraphic& g, int w, int h, int bitCountNum = 3, uint32_t background = clBlack) {
    g.SetSize(w, h, bitCountNum);
    if (bitCountNum == 0) g.SetPaletteType(pBlackWhite);
    if (bitCountNum == 2) g.SetPaletteType(pSys16);
    g.SetBackgroundColor(background);
    g.Clear();
}

// Outline in white on black, then a white flood fill from a corner: what is
// left black must be the shape's inside (with a pixel of slack at the edge).
void CheckMask(int bitCountNum, const std::function<void(TPGCanvas&)>& shape,
               const std::function<double(double, double)>& inside) {
    TPixelGraphic m;
    Make(m, 60, 40, bitCountNum);
    TPGCanvas& c = *m.GetCanvas();
    c.Pen.Color = clWhite;
    c.Brush.Style = bsClear;
    shape(c);
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.FloodFill(1, 1, clBlack, fsSurface);
    int black = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const double d = inside(x + 0.5, y + 0.5);  // > 0 inside, in pixels from the edge
            const bool isBlack = m.GetPixelColor(x, y) == 0;
            black += isBlack;
            if (d >= 1.5) {
                EXPECT_TRUE(isBlack) << x << "," << y;
            }
            if (d <= -0.5) {
                EXPECT_FALSE(isBlack) << x << "," << y;
            }
        }
    EXPECT_GT(black, 500);
}

// Signed distance (approximately, in pixels) inside the ellipse of a box.
double EllipseDepth(double x, double y, double l, double t, double r, double b) {
    const double cx = (l + r) / 2, cy = (t + b) / 2, a = (r - l) / 2, e = (b - t) / 2;
    const double k = std::hypot((x - cx) / a, (y - cy) / e);
    return (1 - k) * std::min(a, e);
}

}  // namespace

TEST(PGCanvas, FloodFillStaysOutsideClosedOutlines) {
    for (int depth : {3, 0, 2}) {
        CheckMask(
            depth, [](TPGCanvas& c) { c.Ellipse(5, 5, 55, 35); },
            [](double x, double y) { return EllipseDepth(x, y, 5, 5, 55, 35); });
        CheckMask(
            depth, [](TPGCanvas& c) { c.RoundRect(2, 3, 58, 38, 28, 17); },
            [](double x, double y) {
                // Inside the rectangle, and inside the corner ellipse where it applies.
                const double edge = std::min({x - 2, 58 - x, y - 3, 38 - y});
                const double ex = x < 16 ? 16 : x > 44 ? 44 : x, ey = y < 11.5 ? 11.5 : y > 29.5 ? 29.5 : y;
                if (ex == x || ey == y) return edge;
                return (1 - std::hypot((x - ex) / 14, (y - ey) / 8.5)) * 8.5;
            });
    }
}

TEST(PGCanvas, ShapesTouchTheirBoxAndKeepEdgesExclusive) {
    TPixelGraphic g;
    Make(g, 20, 12);
    TPGCanvas& c = *g.GetCanvas();
    c.Pen.Color = clRed;
    c.Brush.Color = clBlue;
    c.Rectangle(1, 1, 5, 4);
    EXPECT_EQ(g.GetPixel(1, 1), uint32_t(clRed));
    EXPECT_EQ(g.GetPixel(4, 3), uint32_t(clRed));
    EXPECT_EQ(g.GetPixel(2, 2), uint32_t(clBlue));
    EXPECT_EQ(g.GetPixel(5, 1), 0u);
    EXPECT_EQ(g.GetPixel(1, 4), 0u);

    c.Ellipse(8, 2, 19, 11);  // 11 x 9 box
    EXPECT_EQ(g.GetPixel(8, 6), uint32_t(clRed));
    EXPECT_EQ(g.GetPixel(18, 6), uint32_t(clRed));
    EXPECT_EQ(g.GetPixel(13, 2), uint32_t(clRed));
    EXPECT_EQ(g.GetPixel(13, 10), uint32_t(clRed));
    EXPECT_EQ(g.GetPixel(13, 6), uint32_t(clBlue));
    EXPECT_EQ(g.GetPixel(19, 6), 0u);
    EXPECT_EQ(g.GetPixel(8, 2), 0u);
    // Left-right and top-bottom symmetric.
    for (int y = 2; y < 11; ++y)
        for (int x = 8; x < 19; ++x) {
            EXPECT_EQ(g.GetPixel(x, y), g.GetPixel(26 - x, y));
            EXPECT_EQ(g.GetPixel(x, y), g.GetPixel(x, 12 - y));
        }

    g.Clear();
    c.FillRect(TRect(2, 2, 4, 3));
    EXPECT_EQ(g.GetPixel(3, 2), uint32_t(clBlue));
    EXPECT_EQ(g.GetPixel(4, 2), 0u);
    EXPECT_EQ(g.GetPixel(2, 3), 0u);
    c.Brush.Style = bsClear;
    c.FillRect(TRect(0, 0, 20, 12));
    EXPECT_EQ(g.GetPixel(0, 0), 0u);
}

// The pen pixels of a rounded rectangle are those the canvas lights, in row
// order, each once; boxes reaching past the picture keep their pixels
// outside it. A corner under 2 pixels is the plain rectangle's border.
TEST(PGCanvas, RoundRectPenPixelsAreTheDrawnOutline) {
    std::mt19937 rng(5);
    auto pick = [&rng](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    for (int round = 0; round < 300; ++round) {
        const int x1 = pick(-10, 70), y1 = pick(-10, 50), x2 = pick(-10, 90), y2 = pick(-10, 70);
        const int w = round % 7 == 0 ? pick(0, 1) : (x2 - x1) / 2, h = round % 5 == 0 ? pick(-3, 30) : (y2 - y1) / 2;
        TPixelGraphic g;
        Make(g, 80, 60);
        TPGCanvas& c = *g.GetCanvas();
        c.Pen.Color = clWhite;
        c.Brush.Style = bsClear;
        c.RoundRect(x1, y1, x2, y2, w, h);
        const std::vector<TPoint> points = RoundRectPenPixels(x1, y1, x2, y2, w, h);
        std::set<std::pair<int, int>> listed;
        for (size_t i = 0; i < points.size(); ++i) {
            const TPoint& p = points[i];
            ASSERT_TRUE(p.X >= x1 && p.X < x2 && p.Y >= y1 && p.Y < y2) << p.X << "," << p.Y;
            if (i > 0) {
                ASSERT_TRUE(std::make_pair(p.Y, p.X) > std::make_pair(points[i - 1].Y, points[i - 1].X));
            }
            if (p.X >= 0 && p.Y >= 0 && p.X < 80 && p.Y < 60) listed.insert({p.X, p.Y});
        }
        std::set<std::pair<int, int>> lit;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                if (g.GetPixelColor(x, y) == clWhite) lit.insert({x, y});
        ASSERT_EQ(listed, lit) << x1 << "," << y1 << "," << x2 << "," << y2 << " corner " << w << " x " << h;
        if (w < 2 && x2 > x1 && y2 > y1) {
            const int bw = x2 - x1, bh = y2 - y1;
            const int border = bw <= 2 || bh <= 2 ? bw * bh : 2 * bw + 2 * (bh - 2);
            EXPECT_EQ(int(points.size()), border);
        }
    }
}

TEST(PGCanvas, LinesLeaveOutTheirEndPixel) {
    TPixelGraphic g;
    Make(g, 10, 10);
    TPGCanvas& c = *g.GetCanvas();
    c.Pen.Color = clWhite;
    c.MoveTo(0, 0);
    c.LineTo(5, 0);
    EXPECT_EQ(g.GetPixel(4, 0), uint32_t(clWhite));
    EXPECT_EQ(g.GetPixel(5, 0), 0u);
    c.LineTo(5, 5);
    EXPECT_EQ(g.GetPixel(5, 0), uint32_t(clWhite));
    EXPECT_EQ(g.GetPixel(5, 4), uint32_t(clWhite));
    EXPECT_EQ(g.GetPixel(5, 5), 0u);
    EXPECT_EQ(c.PenPos, TPoint(5, 5));
    c.Polyline({TPoint(0, 9), TPoint(3, 6), TPoint(9, 6)});
    EXPECT_EQ(g.GetPixel(0, 9), uint32_t(clWhite));
    EXPECT_EQ(g.GetPixel(1, 8), uint32_t(clWhite));
    EXPECT_EQ(g.GetPixel(8, 6), uint32_t(clWhite));
    EXPECT_EQ(g.GetPixel(9, 6), 0u);
    // Lines leave the picture without harm, even with range checking on.
    g.SetRangeCheck(true);
    c.MoveTo(-5, -5);
    c.LineTo(20, 20);
    EXPECT_EQ(g.GetPixel(7, 7), uint32_t(clWhite));
}

TEST(PGCanvas, LinesLightTheSamePixelsEitherWay) {
    // Each column of a flat line lights the pixel nearest the exact line;
    // a tie goes to the upper pixel, whichever end the line starts at. The
    // slope of the up-triangle of a 100 x 25 button ties every other column.
    auto lit = [](int x1, int y1, int x2, int y2) {
        TPixelGraphic g;
        Make(g, 101, 26);
        TPGCanvas& c = *g.GetCanvas();
        c.Pen.Color = clWhite;
        c.MoveTo(x1, y1);
        c.LineTo(x2, y2);
        std::set<std::pair<int, int>> pixels;
        for (int y = 0; y < 26; ++y)
            for (int x = 0; x < 101; ++x)
                if (g.GetPixel(x, y)) pixels.insert({x, y});
        return pixels;
    };
    for (const auto& [x1, y1, x2, y2] : {std::array<int, 4>{50, 0, 100, 25}, {0, 25, 50, 0}, {3, 1, 10, 20}}) {
        std::set<std::pair<int, int>> expected;
        const bool flat = std::abs(x2 - x1) >= std::abs(y2 - y1);
        const int n = flat ? std::abs(x2 - x1) : std::abs(y2 - y1);
        for (int i = 0; i <= n; ++i) {
            // The exact offset is i * delta / n; nearest, halves to the smaller.
            const int delta = flat ? y2 - y1 : x2 - x1;
            const int other = (flat ? y1 : x1) + int(std::ceil(double(2 * i * delta - n) / (2 * n)));
            const int along = flat ? x1 + i * (x2 > x1 ? 1 : -1) : y1 + i * (y2 > y1 ? 1 : -1);
            expected.insert(flat ? std::pair{along, other} : std::pair{other, along});
        }
        auto forward = expected, backward = expected;
        forward.erase({x2, y2});
        backward.erase({x1, y1});
        EXPECT_EQ(lit(x1, y1, x2, y2), forward) << x1 << "," << y1 << " to " << x2 << "," << y2;
        EXPECT_EQ(lit(x2, y2, x1, y1), backward) << x2 << "," << y2 << " to " << x1 << "," << y1;
    }
    const auto up = lit(50, 0, 100, 25);
    EXPECT_TRUE(up.count({51, 0}));
    EXPECT_FALSE(up.count({51, 1}));
}

TEST(PGCanvas, DrawingFiresTheChangeEvent) {
    TPixelGraphic g;
    Make(g, 4, 4);
    int changes = 0;
    g.OnChange = [&](TPixelGraphic*) { ++changes; };
    g.GetCanvas()->Rectangle(0, 0, 2, 2);
    EXPECT_EQ(changes, 1);
    g.BeginUpdate();
    g.GetCanvas()->SetPixel(3, 3, clWhite);
    EXPECT_EQ(changes, 1);
    g.EndUpdate();
    EXPECT_EQ(changes, 2);
}

TEST(PGCanvas, MaskedDrawWithRasterOperations) {
    // Image through a mask: SRCINVERT, SRCAND, SRCINVERT leaves the image
    // where the mask is black and the canvas where it is white.
    TPixelGraphic canvas, image, mask;
    Make(canvas, 4, 1, 3, RGB(10, 20, 30));
    Make(image, 4, 1, 3, RGB(200, 100, 50));
    Make(mask, 4, 1, 3, clWhite);
    mask.SetPixel(1, 0, 0);
    mask.SetPixel(2, 0, 0);
    TPGCanvas& c = *canvas.GetCanvas();
    c.CopyMode = cmSrcInvert;
    c.Draw(0, 0, image);
    c.CopyMode = cmSrcAnd;
    c.Draw(0, 0, mask);
    c.CopyMode = cmSrcInvert;
    c.Draw(0, 0, image);
    EXPECT_EQ(canvas.GetPixel(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(canvas.GetPixel(1, 0), RGB(200, 100, 50));
    EXPECT_EQ(canvas.GetPixel(2, 0), RGB(200, 100, 50));
    EXPECT_EQ(canvas.GetPixel(3, 0), RGB(10, 20, 30));
}

TEST(PGCanvas, StretchDrawAndMirroring) {
    TPixelGraphic src, dst;
    Make(src, 2, 1);
    src.SetPixel(0, 0, clRed);
    src.SetPixel(1, 0, clBlue);
    Make(dst, 6, 2);
    TPGCanvas& c = *dst.GetCanvas();
    c.StretchDraw(TRect(0, 0, 4, 1), src);
    EXPECT_EQ(dst.GetPixel(1, 0), uint32_t(clRed));
    EXPECT_EQ(dst.GetPixel(2, 0), uint32_t(clBlue));
    EXPECT_EQ(dst.GetPixel(4, 0), 0u);
    c.StretchDraw(TRect(3, 1, -1, 2), src);  // mirrored into columns 0..3
    EXPECT_EQ(dst.GetPixel(0, 1), uint32_t(clBlue));
    EXPECT_EQ(dst.GetPixel(3, 1), uint32_t(clRed));
    EXPECT_EQ(dst.GetPixel(4, 1), 0u);
    // Onto itself.
    c.Draw(2, 0, dst);
    EXPECT_EQ(dst.GetPixel(3, 0), uint32_t(clRed));
    EXPECT_EQ(dst.GetPixel(4, 0), uint32_t(clBlue));
}

TEST(PGCanvas, TextMeasuresWrapsAndStaysInside) {
    TPixelGraphic g;
    Make(g, 120, 100, 3, clWhite);
    TPGCanvas& c = *g.GetCanvas();
    c.Font.Name = "Arial";
    c.Font.SetSize(10);
    EXPECT_EQ(c.Font.Height, -13);
    EXPECT_EQ(c.Font.GetSize(), 10);
    c.Font.Color = clBlack;
    c.Brush.Style = bsClear;
    const std::string text = "The quick brown fox jumps over the lazy dog";
    const int lineHeight = c.TextHeight("Wg");
    EXPECT_GT(lineHeight, 8);
    EXPECT_GT(c.TextWidth(text), 150);

    TRect one(0, 0, 1000, 0);
    const int h1 = c.DrawText(text, one, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    TRect narrow(10, 10, 70, 10);
    const int hn = c.DrawText(text, narrow, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    EXPECT_EQ(h1, lineHeight);
    EXPECT_GE(hn, 3 * lineHeight);
    EXPECT_EQ(hn % lineHeight, 0);
    EXPECT_EQ(narrow.Bottom - narrow.Top, hn);

    TRect box(10, 10, 70, 60);
    c.DrawText(text, box, DT_WORDBREAK | DT_NOPREFIX | DT_CENTER);
    int inked = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x)
            if (g.GetPixel(x, y) != uint32_t(clWhite)) {
                ++inked;
                EXPECT_TRUE(box.Contains(x, y)) << x << "," << y;
            }
    EXPECT_GT(inked, 100);
}

TEST(PGCanvas, TextOnPalettePicturesUsesPaletteColours) {
    TPixelGraphic g;
    Make(g, 80, 20, 2, clWhite);
    TPGCanvas& c = *g.GetCanvas();
    c.Font.Name = "Arial";
    c.Font.Color = RGB(250, 5, 5);
    c.Brush.Color = RGB(0, 0, 120);  // solid: the text cell is filled
    c.TextOut(2, 2, "Hello");
    EXPECT_EQ(c.PenPos, TPoint(2 + c.TextWidth("Hello"), 2));
    int red = 0, navy = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x) {
            const uint32_t i = g.GetPixel(x, y);
            EXPECT_TRUE(i == 9 || i == 4 || i == 15) << i;  // red, navy, white
            red += i == 9;
            navy += i == 4;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(navy, 20);
    EXPECT_EQ(g.GetPixel(1, 1), 15u);
}
