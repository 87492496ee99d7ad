#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cmath>
#include <set>

#include "widgets/ArtDraw.h"
#include "widgets/ArtLabel.h"
#include "widgets/Gradient.h"
#include "widgets/widgets_support.h"

using wtest::PixelAt;
using wtest::SolidImage;
using wtest::THost;

namespace {
TColor Grey(int v) { return static_cast<TColor>(RGB(v, v, v)); }

QImage Paint(const TGradient& g, int w, int h, TRect r = TRect()) {
    QImage img = SolidImage(w, h, clLime);
    QPainter p(&img);
    DrawGradient(p, r.IsEmpty() ? TRect(0, 0, w, h) : r, g);
    return img;
}
}  // namespace

TEST(ColourRoutines, ClampLightenDarkenSplit) {
    EXPECT_EQ(ClampToByte(0.5), 0);
    EXPECT_EQ(ClampToByte(1.5), 2);
    EXPECT_EQ(ClampToByte(254.5), 254);
    EXPECT_EQ(ClampToByte(300), 255);
    EXPECT_EQ(ClampToByte(-3), 0);
    EXPECT_EQ(ClampToByte(std::nan("")), 0);
    EXPECT_EQ(LightenColor(clBtnFace, 64), clWhite);  // 192 + 64, resolved and limited
    EXPECT_EQ(DarkenColor(static_cast<TColor>(RGB(10, 100, 200)), 64), static_cast<TColor>(RGB(0, 36, 136)));
    int r, g, b;
    SplitColor(clBtnFace, r, g, b);  // not resolved
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{15, 0, 0}));
}

TEST(GradientPainter, LineBandsWalkOnFromTheBoundary) {
    TGradient g;
    g.SetLineSize(1);
    g.SetColorCount(2);
    g.SetColor(1, clBlack);
    g.SetColor(2, Grey(100));
    g.SetColor(3, clWhite);
    // A 6 x 10 rectangle: segment length 5; the boundary is passed after the
    // band that ends at it, and the colour walks on from where it is.
    const QImage img = Paint(g, 6, 10);
    const int expect[10] = {0, 20, 40, 60, 80, 111, 142, 173, 204, 235};
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(PixelAt(img, 0, y), Grey(expect[y])) << "row " << y;
        EXPECT_EQ(PixelAt(img, 5, y), Grey(expect[y])) << "row " << y;  // tiled strip
    }

    // Vertical direction: the same walk from left to right.
    g.SetLineDirection(diVertical);
    const QImage v = Paint(g, 10, 3);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(PixelAt(v, x, 2), Grey(expect[x])) << "column " << x;
}

TEST(GradientPainter, ArtLabelDefaultStrip) {
    // The label's default gradient on 100 x 40: 8 x 40 strip, segment 13,
    // silver through grey and black to white top to bottom.
    TArtLabel label;
    const QImage img = Paint(*label.GetGradient(), 100, 40);
    // Two-pixel bands; the walk overshoots grey before the first boundary
    // and reaches nearly black at the second; past white it is limited.
    const std::vector<std::pair<int, int>> rows = {{0, 192}, {1, 192}, {12, 133}, {14, 113},
                                                   {24, 15}, {26, 54}, {28, 93},  {39, 255}};
    for (const auto& [y, v] : rows) {
        EXPECT_EQ(PixelAt(img, 0, y), Grey(v)) << "row " << y;
        EXPECT_EQ(PixelAt(img, 99, y), Grey(v)) << "row " << y;
    }
}

TEST(GradientPainter, NestedRectanglesAndOneColour) {
    TGradient g;
    g.SetGradientStyle(gsRect);
    g.SetColorCount(2);
    g.SetLineSize(2);
    g.SetColor(1, clBlack);
    g.SetColor(2, Grey(250));
    // Segment length (100 div 2) div 2 = 25: each step adds 2/25 of the way;
    // ten rectangles at y = 0, 2, .., 18, the innermost at 18/25.
    const QImage img = Paint(g, 100, 40);
    std::set<TColor> colours;
    for (int step = 0; step < 10; ++step) {
        EXPECT_EQ(PixelAt(img, 50, 2 * step), Grey(20 * step)) << "step " << step;
        EXPECT_EQ(PixelAt(img, 2 * step, 20), Grey(20 * step)) << "step " << step;
        colours.insert(PixelAt(img, 50, 2 * step));
    }
    EXPECT_EQ(PixelAt(img, 50, 20), Grey(180));
    EXPECT_EQ(colours.size(), 10u);
    EXPECT_EQ(PixelAt(img, 99, 39), clBlack);

    // ColorCount 1 paints Color1 alone in every style.
    g.SetColorCount(1);
    g.SetColor(1, clNavy);
    for (TGradientStyle style : {gsLine, gsEllipse, gsRect, gsCustomRect}) {
        g.SetGradientStyle(style);
        const QImage one = Paint(g, 60, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x) {
                const TColor c = PixelAt(one, x, y);
                ASSERT_TRUE(c == clNavy || (style == gsEllipse && c == clLime)) << style << " " << x << "," << y;
            }
        EXPECT_EQ(PixelAt(one, 30, 15), clNavy);
    }
}

TEST(GradientPainter, CustomRectanglesSmallAreasAndNothingAtZero) {
    TGradient g;
    g.SetGradientStyle(gsCustomRect);
    g.SetColorCount(1);
    g.SetLineSize(5);
    g.SetColor(1, clMaroon);
    std::vector<TRect> rects;
    g.OnDrawRect = [&](QObject* sender, QPainter& canvas, const TRect& r) {
        EXPECT_EQ(sender, nullptr);
        EXPECT_EQ(canvas.brush().color(), ToQColor(clMaroon));
        EXPECT_EQ(canvas.pen().style(), Qt::NoPen);
        rects.push_back(r);
    };
    const QImage img = Paint(g, 40, 20);
    EXPECT_EQ(rects, (std::vector<TRect>{TRect(0, 0, 40, 20), TRect(5, 5, 35, 15)}));
    EXPECT_EQ(PixelAt(img, 20, 10), clLime);  // the handler paints nothing

    // Areas smaller than the colour count: no division by zero.
    TGradient small;
    small.SetColorCount(4);
    small.SetLineSize(1);
    for (TGradientStyle style : {gsLine, gsRect, gsEllipse}) {
        small.SetGradientStyle(style);
        const QImage s = Paint(small, 3, 2);
        if (style != gsEllipse) {
            EXPECT_EQ(PixelAt(s, 0, 0), clGray) << style;
        }
    }
    // A right or bottom coordinate of 0 draws nothing.
    EXPECT_EQ(PixelAt(Paint(small, 5, 5, TRect(-5, 0, 0, 5)), 0, 0), clLime);
}

TEST(GradientObject, ChangeEventsAndAssign) {
    TGradient a, b;
    int changes = 0;
    b.OnChange = [&](QObject* s) {
        EXPECT_EQ(s, &b);
        ++changes;
    };
    b.SetLineSize(3);  // unchanged: no event
    EXPECT_EQ(changes, 0);
    b.SetColor(5, clRed);
    EXPECT_EQ(changes, 1);
    a.SetGradientStyle(gsEllipse);
    a.SetColorCount(4);
    a.SetColor(2, clTeal);
    a.SetLineDirection(diVertical);
    a.OnDrawRect = [](QObject*, QPainter&, const TRect&) {};
    b.Assign(a);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(b.GetGradientStyle(), gsEllipse);
    EXPECT_EQ(b.GetColorCount(), 4);
    EXPECT_EQ(b.GetColor(2), clTeal);
    EXPECT_EQ(b.GetColor(5), clBlack);
    EXPECT_EQ(b.GetLineDirection(), diVertical);
    EXPECT_FALSE(b.OnDrawRect);  // events are not copied
}

TEST(TextRoutines, TileAndFilledText) {
    QImage tile = SolidImage(3, 2, clRed);
    tile.setPixel(0, 0, qRgb(0, 0, 255));
    QImage img = SolidImage(10, 8, clLime);
    {
        QPainter p(&img);
        TileBitmap(p, tile, TRect(1, 1, 8, 6));
    }
    EXPECT_EQ(PixelAt(img, 1, 1), clBlue);
    EXPECT_EQ(PixelAt(img, 7, 5), clBlue);
    EXPECT_EQ(PixelAt(img, 6, 4), clRed);
    EXPECT_EQ(PixelAt(img, 8, 5), clLime);
    EXPECT_EQ(PixelAt(img, 7, 6), clLime);

    // Letters filled with a picture: only picture colours and the old
    // background appear, and both do.
    QImage canvas = SolidImage(120, 40, clLime);
    {
        QPainter p(&canvas);
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(30);
        f.setBold(true);
        p.setFont(f);
        DrawTextFilledStretched(p, 2, 2, SolidImage(4, 4, clPurple), QStringLiteral("HHH"));
    }
    std::set<TColor> seen;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) seen.insert(PixelAt(canvas, x, y));
    EXPECT_EQ(seen, (std::set<TColor>{clLime, clPurple}));
}

TEST(ArtLabelTest, GeometryFollowsTheFontMetrics) {
    TArtLabel label;
    EXPECT_EQ(label.size(), QSize(64, 25));
    EXPECT_EQ(label.GetCaption(), QStringLiteral("Art Label"));
    EXPECT_EQ(label.font().pointSize(), 24);
    EXPECT_TRUE(label.font().bold());
    label.resize(300, 80);
    const QFontMetrics fm = label.WorkMetrics();
    const int tw = fm.horizontalAdvance(label.GetCaption()), th = fm.height();
    EXPECT_EQ(label.TextOrigin(), TPoint(2, std::max((80 - th) / 2, 2)));
    label.SetTextAlign(taRightJustify);
    EXPECT_EQ(label.TextOrigin(), TPoint(300 - tw - 2, std::max((80 - th) / 2, 2)));
    label.SetTextAlign(taCenter);
    EXPECT_EQ(label.TextOrigin(), TPoint((300 - tw) / 2, (80 - th) / 2));
    // Too small for the text: left keeps 2 pixels, centre goes to 0.
    label.resize(20, 10);
    EXPECT_EQ(label.TextOrigin(), TPoint(0, 0));
    label.SetTextAlign(taLeftJustify);
    EXPECT_EQ(label.TextOrigin(), TPoint(2, 2));

    // AutoSize: caption width + 4 by the height of "Wg" + 4, whatever the caption.
    label.SetAutoSize(true);
    EXPECT_EQ(label.size(), QSize(tw + 4, fm.height() + 4));
    label.SetCaption(QStringLiteral("..."));
    EXPECT_EQ(label.size(), QSize(fm.horizontalAdvance(QStringLiteral("...")) + 4, fm.height() + 4));
}

TEST(ArtLabelTest, StylesAndTransparency) {
    THost host(200, 60, clLime);
    auto* label = new TArtLabel(&host);
    label->SetBounds(0, 0, 200, 60);
    label->SetColor(clSilver);
    SetFontColor(label, clNavy);
    auto colours = [&] {
        const QImage img = host.Shot();
        std::set<TColor> s;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 200; ++x) s.insert(PixelAt(img, x, y));
        return s;
    };
    // No style: no text at all, the label's colour only.
    label->SetArtStyle(0);
    EXPECT_EQ(colours(), (std::set<TColor>{clSilver}));

    // A transparent label with only a fill style has no mask: nothing shows.
    label->SetArtStyle(ArtStyleOf({asGradient}));
    label->SetTransparent(true);
    EXPECT_EQ(colours(), (std::set<TColor>{clLime}));

    // A transparent label with a shadow covers the host with the shadow and
    // the letters only.
    label->SetArtStyle(ArtStyleOf({asShadow}));
    label->SetShadowColor(clMaroon);
    const std::set<TColor> shadow = colours();
    EXPECT_TRUE(shadow.count(clLime));
    EXPECT_TRUE(shadow.count(clMaroon));
    EXPECT_FALSE(shadow.count(clSilver));

    // The gradient bitmap is rebuilt after a gradient change.
    label->SetTransparent(false);
    label->SetArtStyle(ArtStyleOf({asGradient}));
    host.Shot();
    EXPECT_FALSE(label->GradientStale());
    label->GetGradient()->SetColor(1, clRed);
    EXPECT_TRUE(label->GradientStale());
    TGradient other;
    other.SetColorCount(1);
    other.SetColor(1, clYellow);
    label->SetGradient(other);
    const std::set<TColor> filled = colours();
    EXPECT_TRUE(filled.count(clYellow));
    EXPECT_TRUE(filled.count(clSilver));
    EXPECT_EQ(label->GetGradient()->GetColorCount(), 1);
}
