#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "artkit/Painters.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGCanvas.h"
#include "image/PGFilterDialogs.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"
#include "support/PictureUtil.h"

namespace {

using gwtest::MakeFlat;
using gwtest::Red;
using gwtest::SamePixels;

const uint32_t Fill = RGB(90, 100, 110);

// A design on a flat fill with nothing that blends: bevel opacity 100, no
// anti-aliasing, no caption.
TButtonDesign PlainDesign(int w, int h) {
    TButtonDesign d;
    d.Width = w;
    d.Height = h;
    auto fill = std::make_shared<TPixelGraphic>();
    MakeFlat(*fill, w, h, Fill);
    d.FillImage = fill;
    d.FillMode = fmBitmap;
    d.BitmapPlacement = bpStretch;
    d.BevelOpacity = 100;
    SetAntiAliasLevel(d.AntiAliasing, aaOff);
    d.BevelColors[0] = clWhite;
    d.BevelColors[3] = clBlack;
    d.CanvasColor = RGB(1, 2, 3);
    return d;
}

std::unique_ptr<TPixelGraphic> Render(TButtonRenderer& renderer, const TButtonDesign& d) {
    auto target = std::make_unique<TPixelGraphic>();
    target->SetSize(d.Width, d.Height, 3);
    renderer.RenderButton(d, *target);
    return target;
}

// Pixels where a and b differ: their count, centre of mass and bounds.
struct TDiff {
    int Count = 0;
    double X = 0, Y = 0;
    TRect Bounds;
};
TDiff Difference(const TPixelGraphic& a, const TPixelGraphic& b) {
    TDiff d;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixelColor(x, y) != b.GetPixelColor(x, y)) {
                ++d.Count;
                d.X += x;
                d.Y += y;
                d.Bounds = UnionRect(d.Bounds, TRect(x, y, x + 1, y + 1));
            }
    d.X /= std::max(d.Count, 1);
    d.Y /= std::max(d.Count, 1);
    return d;
}

TEST(ButtonRenderer, EveryCombinationRendersDeterministicallyAtItsSize) {
    TRandomGenerator random(77);
    TButtonRenderer first(random), second(random);
    for (TButtonRenderer* r : {&first, &second}) {
        r->Plasma().SetReseedFromClock(false);
        random.SetSeed(77);
        r->RenderPlasma(true);
    }
    auto bitmap = std::make_shared<TPixelGraphic>();
    MakeFlat(*bitmap, 37, 19, clNavy);
    for (int x = 0; x < 37; ++x) bitmap->SetPixelColor(x, x % 19, clYellow);

    int renders = 0;
    for (int shape = 0; shape < ShapeCodeCount; ++shape)
        for (int style = bvsSolid; style <= bvsSmooth; ++style)
            for (bool twice : {false, true})
                for (int fill = 0; fill < FillModeCount; ++fill)
                    for (TAntiAliasLevel aa : {aaOff, aaLow, aaHigh}) {
                        const TPixelGraphic* results[2];
                        for (int k = 0; k < 2; ++k) {
                            TButtonRenderer& r = k == 0 ? first : second;
                            TButtonDesign d;
                            d.Width = 40 + shape;
                            d.Height = 30 - fill;
                            d.Shape = shape;
                            d.BevelStyle = style;
                            d.BevelWidth = 3 + style;
                            d.DoubleBevel = twice;
                            d.FillMode = fill;
                            d.BitmapPlacement = static_cast<TBitmapPlacement>(renders % 3);
                            d.TargetRect = TRect(30, 2, 4, 20);  // mirrored
                            d.LightDirection = 1 + renders % 9;
                            d.InnerLuminance = renders % 2 ? 30 : 0;
                            d.CanvasColor = RGB(1, 2, 3);
                            d.Caption = "Go";
                            d.Outlined = twice;
                            SetAntiAliasLevel(d.AntiAliasing, aa);
                            if (fill == fmPlasma) {
                                auto plasma = std::make_shared<TPixelGraphic>();
                                plasma->Assign(&r.PlasmaImage);
                                d.FillImage = plasma;
                                d.PlasmaStretch = renders % 2;
                            } else if (fill == fmBitmap) {
                                d.FillImage = bitmap;
                            }
                            r.Design = d;
                            r.SizeChanged = true;
                            r.RefreshButton(false);
                            results[k] = &r.Preview;
                        }
                        ++renders;
                        const TPixelGraphic& p = *results[0];
                        ASSERT_EQ(p.GetWidth(), 40 + shape);
                        ASSERT_EQ(p.GetHeight(), 30 - fill);
                        ASSERT_TRUE(SamePixels(p, *results[1])) << shape << " " << style << " " << fill;
                        if (shape != scRectangle && shape != scSquare) {
                            // The left-pointing triangle's base runs along the right edge.
                            const int w = shape == scTriangleLeft ? 0 : p.GetWidth() - 1, h = p.GetHeight() - 1;
                            for (auto c : {std::pair<int, int>(0, 0), {w, 0}, {0, h}, {w, h}})
                                ASSERT_EQ(p.GetPixelColor(c.first, c.second), RGB(1, 2, 3))
                                    << "shape " << shape << " corner " << c.first << "," << c.second;
                        }
                    }
    EXPECT_EQ(renders, 10 * 3 * 2 * 4 * 3);
    EXPECT_EQ(first.GetLightDirection(), 1 + (renders - 1) % 9);
}

// The renderer keeps its work pictures, the shape's mask and the smoothing
// between renders: whatever it drew before, a design comes out as from a
// renderer that never drew anything.
TEST(ButtonRenderer, AKeptRendererDrawsEachDesignAsANewOne) {
    TButtonRenderer kept;
    auto bitmap = std::make_shared<TPixelGraphic>();
    MakeFlat(*bitmap, 23, 17, clTeal);
    for (int x = 0; x < 23; ++x) bitmap->SetPixelColor(x, x % 17, clYellow);
    for (int n = 0; n < 30; ++n) {
        TButtonDesign d = PlainDesign(44 + 9 * (n / 5 % 2), 36 + 4 * (n / 10));  // runs of one size
        d.Shape = (n * 7) % ShapeCodeCount;
        d.BevelStyle = n % 3;
        d.BevelWidth = 2 + n % 9;
        d.DoubleBevel = n % 4 < 2;
        d.LightDirection = n % 9 == 4 ? 2 : 1 + n % 9;  // 5 keeps the last light on purpose
        d.BevelOpacity = n % 2 ? 100 : 70;
        if (n % 5 == 1) {
            d.FillImage.reset();
            d.FillMode = fmColor;
        } else if (n % 5 == 2) {
            d.FillImage = bitmap;
            d.BitmapPlacement = static_cast<TBitmapPlacement>(n % 3);
            d.TargetRect = TRect(3, 2, 30, 20);
        }
        SetAntiAliasLevel(d.AntiAliasing, static_cast<TAntiAliasLevel>(n % 3));
        d.OutlineBlur.StdDeviation = n % 4 == 3 ? 2.1L : 1.3L;
        d.Caption = n % 6 == 5 ? "" : n % 2 ? "Go\non" : "Go";
        d.FontName = n % 2 ? "Liberation Serif" : "Arial";
        d.FontSize = 9 + n % 5;
        d.Bold = n % 3 == 0;
        d.Italic = n % 4 == 1;
        d.Underline = n % 5 == 3;
        d.HorzAlign = static_cast<THorzAlign>(n % 3);
        d.Outlined = n % 3 != 1;
        d.PaintInside = n % 2 == 0;
        d.TextOpacity = n % 2 ? 100 : 60;
        TButtonRenderer fresh;
        EXPECT_TRUE(SamePixels(*Render(kept, d), *Render(fresh, d))) << "design " << n;
    }
}

TEST(ButtonRenderer, TinyButtonsRenderEveryShape) {
    TButtonRenderer r;
    for (auto size : {std::pair<int, int>(1, 1), {2, 2}, {1, 40}, {40, 1}, {11, 3}})
        for (int shape = 0; shape < ShapeCodeCount; ++shape)
            for (int style = bvsSolid; style <= bvsSmooth; ++style) {
                TButtonDesign d = PlainDesign(size.first, size.second);
                d.Shape = shape;
                d.BevelStyle = style;
                d.BevelWidth = 100;
                d.DoubleBevel = true;
                d.InnerLuminance = -50;
                d.Caption = "Tiny\ntext";
                d.Outlined = true;
                SetAntiAliasLevel(d.AntiAliasing, aaHigh);
                auto p = Render(r, d);
                EXPECT_EQ(p->GetWidth() * 1000 + p->GetHeight(), size.first * 1000 + size.second);
            }
}

TEST(ButtonRenderer, SingleRingsAndTheirQuirks) {
    TButtonRenderer r;
    TButtonDesign d = PlainDesign(30, 12);
    d.BevelWidth = 1;
    // The first ring's right and bottom edges lie outside the picture: only
    // the top row and left column change.
    auto p = Render(r, d);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(p->GetPixelColor(x, y), x == 0 || y == 0 ? clWhite : Fill) << x << "," << y;

    // A smooth bevel of width 1 blends its ring in at 100 % of the old picture.
    d.BevelStyle = bvsSmooth;
    auto smooth = Render(r, d);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(smooth->GetPixelColor(x, y), Fill);

    // Direction 5 lights nothing and keeps the last light vector.
    d.BevelStyle = bvsSolid;
    d.LightDirection = 3;
    Render(r, d);
    d.LightDirection = 5;
    d.BevelWidth = 3;
    auto none = Render(r, d);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(none->GetPixelColor(x, y), Fill);
    EXPECT_EQ(r.GetLightVector().X, 1);
    EXPECT_EQ(r.GetLightVector().Y, -1);
}

TEST(ButtonRenderer, DoubleBevelMirrorsTheInnerRingsAndRestoresTheLight) {
    TButtonRenderer r;
    TButtonDesign d = PlainDesign(100, 25);
    d.BevelWidth = 4;
    d.DoubleBevel = true;
    d.LightDirection = 1;
    auto p = Render(r, d);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(p->GetPixelColor(50, y), y < 4 ? clWhite : clBlack) << y;
    for (int k = 1; k < 8; ++k) EXPECT_EQ(p->GetPixelColor(50, 25 - k), k < 4 ? clBlack : clWhite) << k;
    for (int x = 0; x < 8; ++x) EXPECT_EQ(p->GetPixelColor(x, 12), x < 4 ? clWhite : clBlack) << x;
    EXPECT_EQ(p->GetPixelColor(50, 12), Fill);
    EXPECT_EQ(r.GetLightDirection(), 1);
    EXPECT_EQ(r.GetLightVector().X, -1);
    EXPECT_EQ(r.GetLightVector().Y, -1);

    // The offset moves every ring inward: Round(3 x 0.1 x (12 - 4)) = 2
    // pixels, 12 being the 100 x 25 picture's bevel-width maximum.
    d.RelativeOffset = 3;
    p = Render(r, d);
    EXPECT_EQ(p->GetPixelColor(50, 1), Fill);
    for (int y = 2; y < 10; ++y) EXPECT_EQ(p->GetPixelColor(50, y), y < 6 ? clWhite : clBlack) << y;
}

// The smooth bevel of rounded rectangles and rectangles, step by step from
// the painters: each ring drawn into a copy (through its outline from the
// light field, or as edge lines), then mixed in by e / W x 100 percent; both
// passes (the second mirrored and moved inward under "Double Bevel"), then
// the cut. Rings that cross at the centre and offsets beyond the border
// included.
TEST(ButtonRenderer, SmoothBevelEqualsRingByRingMixing) {
    TRandomGenerator random(31);
    TButtonRenderer renderer;  // kept: its cached rings must follow each design
    for (int round = 0; round < 90; ++round) {
        const int shape = round % 3 == 0 ? scRoundRect : round % 3 == 1 ? scRectangle : scSquare;
        const int w = 1 + random.NextInt(90), h = 1 + random.NextInt(70);
        TButtonDesign d = PlainDesign(w, h);
        auto fill = std::make_shared<TPixelGraphic>();
        fill->SetSize(w, h, 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                fill->SetPixelColor(x, y, round % 4 == 0 ? Fill : uint32_t(random.NextInt(1 << 24)));
        d.FillImage = fill;
        d.BitmapPlacement = bpOriginal;
        d.Shape = shape;
        d.BevelStyle = bvsSmooth;
        d.BevelWidth = 1 + random.NextInt(round % 5 == 0 ? 100 : 30);
        d.RelativeOffset = round % 4 == 1 ? random.NextInt(11) : 0;
        // The inset the renderer derives; negative where the bevel is wider than the slider allows.
        const int offset = BevelOffsetFor(d.RelativeOffset, BevelWidthMaximum(w, h), d.BevelWidth);
        d.DoubleBevel = round % 2 == 1;
        d.LightDirection = 1 + random.NextInt(9);
        d.BevelColors[0] = RGB(random.NextInt(256), random.NextInt(256), random.NextInt(256));
        d.BevelColors[3] = RGB(random.NextInt(256), random.NextInt(256), random.NextInt(256));

        TPixelGraphic b, copy, work, mask, expected;
        b.Assign(fill.get());
        for (int pass = 0; pass < 2; ++pass) {
            const bool twice = pass == 1 && d.DoubleBevel;
            const int inner = twice ? d.BevelWidth : 0;
            const int direction = twice && d.LightDirection != 5 ? 10 - d.LightDirection : d.LightDirection;
            if (shape == scRoundRect) RoundRectLight(b, d.BevelColors[0], d.BevelColors[3], direction, work);
            copy.Assign(&b);
            TRect ring = RingRect(b, offset + inner);
            for (int e = 1; e <= d.BevelWidth; ++e) {
                if (shape != scRoundRect) {
                    DrawBevelEdges(*copy.GetCanvas(), ring, d.BevelColors[0], d.BevelColors[3], direction);
                } else {
                    if (d.BevelWidth >= 2) RoundRectRing(copy, NarrowRect(ring), work);
                    RoundRectRing(copy, ring, work);
                }
                const int k = offset + inner + e;
                ring = TRect(k, k, w - k, h - k);
                MixGraphics(b, copy, int(Trunc(static_cast<long double>(e) / d.BevelWidth * 100)));
            }
        }
        if (shape == scRoundRect) {
            MakeFlat(expected, w, h, d.CanvasColor);
            mask.SetSize(w, h, 3);
            RoundRectMask(mask);
            DrawMasked(expected, 0, 0, b, mask);
        } else {
            expected.Assign(&b);
        }

        auto got = Render(renderer, d);
        ASSERT_TRUE(SamePixels(*got, expected))
            << "round " << round << ": " << w << " x " << h << ", bevel " << d.BevelWidth << ", offset " << offset;
    }
}

TEST(ButtonRenderer, AntiAliasingAboveItsThresholdIsTheSmoothFilter) {
    TButtonRenderer r;
    TButtonDesign d = PlainDesign(50, 20);
    d.BevelWidth = 3;
    d.BevelColors[0] = clYellow;
    auto off = Render(r, d);
    d.AntiAliasing.Percent = 24;
    EXPECT_TRUE(SamePixels(*off, *Render(r, d)));

    for (TAntiAliasLevel level : {aaLow, aaHigh}) {
        SetAntiAliasLevel(d.AntiAliasing, level);
        auto smoothed = Render(r, d);
        TSmoothFilterDialog dialog;
        dialog.SetStdDeviation(1.3L);
        dialog.SetPercent(d.AntiAliasing.Percent);
        dialog.SetUseDistance(false);
        dialog.SetUseDistance(true);
        TPixelGraphic expected;
        expected.ApplyFilter(*dialog.GetFilter(), *off);
        EXPECT_TRUE(SamePixels(*smoothed, expected)) << level;
        EXPECT_FALSE(SamePixels(*smoothed, *off));
    }
}

TEST(ButtonRenderer, SystemColoursDrawAsTheirRGBValues) {
    TButtonRenderer r;
    for (int shape : {scRectangle, scOval, scRoundRect})
        for (int style = bvsSolid; style <= bvsSmooth; ++style) {
            TButtonDesign sys = PlainDesign(40, 30);
            sys.Shape = shape;
            sys.BevelStyle = style;
            const TColor system[4] = {clBtnHighlight, clHighlight, clBtnFace, clBtnShadow};
            std::copy(system, system + 4, sys.BevelColors);
            sys.CanvasColor = sys.TextColor = clWindow;
            sys.OutlineColor = clHighlight;
            sys.Outlined = true;
            sys.Caption = "A";
            TButtonDesign rgb = sys;
            for (TColor* c : {&rgb.BevelColors[0], &rgb.BevelColors[1], &rgb.BevelColors[2], &rgb.BevelColors[3],
                              &rgb.CanvasColor, &rgb.TextColor, &rgb.OutlineColor})
                *c = static_cast<TColor>(ColorToRGB(*c));
            EXPECT_TRUE(SamePixels(*Render(r, sys), *Render(r, rgb))) << shape << " " << style;
        }
}

// ---- caption ----------------------------------------------------------------------

TButtonDesign CaptionDesign() {
    TButtonDesign d = PlainDesign(160, 90);
    d.BevelWidth = 6;
    d.BevelOpacity = 100;
    d.TextOpacity = 100;
    d.TextColor = clWhite;
    d.FontSize = 14;
    return d;
}

TEST(ButtonCaption, EmptyCaptionLeavesThePictureAlone) {
    TButtonRenderer r;
    TButtonDesign plain = CaptionDesign();
    TButtonDesign styled = plain;
    styled.Outlined = true;
    styled.PaintInside = true;
    styled.TextOpacity = 1;
    styled.TextOffsetX = 40;
    styled.Underline = true;
    styled.VertAlign = vaTop;
    EXPECT_TRUE(SamePixels(*Render(r, plain), *Render(r, styled)));
}

TEST(ButtonCaption, TextStaysInItsRectangleAndFollowsTheAlignment) {
    TButtonRenderer r;
    const TButtonDesign base = CaptionDesign();
    auto blank = Render(r, base);
    TButtonDesign d = base;
    d.Caption = "Wrapped words\nand a second line";

    TDiff byV[3], byH[3];
    for (int v = vaTop; v <= vaBottom; ++v) {
        d.VertAlign = static_cast<TVertAlign>(v);
        byV[v] = Difference(*blank, *Render(r, d));
        ASSERT_GT(byV[v].Count, 20) << v;
        EXPECT_GE(byV[v].Bounds.Left, base.BevelWidth);
        EXPECT_LE(byV[v].Bounds.Right, base.Width - base.BevelWidth);
    }
    EXPECT_LT(byV[vaTop].Y, byV[vaCenter].Y);
    EXPECT_LT(byV[vaCenter].Y, byV[vaBottom].Y);
    EXPECT_GE(byV[vaTop].Bounds.Top, base.BevelWidth + 2);
    EXPECT_LE(byV[vaBottom].Bounds.Bottom, base.Height - base.BevelWidth - 2);

    d.VertAlign = vaCenter;
    d.Caption = "ab";
    for (int a = haLeft; a <= haRight; ++a) {
        d.HorzAlign = static_cast<THorzAlign>(a);
        byH[a] = Difference(*blank, *Render(r, d));
    }
    EXPECT_LT(byH[haLeft].X, byH[haCenter].X);
    EXPECT_LT(byH[haCenter].X, byH[haRight].X);
    EXPECT_NEAR(byH[haCenter].X, base.Width / 2.0, 6);

    // The manual offset moves the text by that much.
    d.HorzAlign = haLeft;
    d.TextOffsetX = 7;
    d.TextOffsetY = -5;
    const TDiff moved = Difference(*blank, *Render(r, d));
    EXPECT_NEAR(moved.X - byH[haLeft].X, 7, 0.01);
    EXPECT_NEAR(moved.Y - byH[haLeft].Y, -5, 0.01);
}

TEST(ButtonCaption, OutlineAddsOutlineColouredPixelsNextToTheGlyphs) {
    TButtonRenderer r;
    TButtonDesign d = CaptionDesign();
    auto fill = std::make_shared<TPixelGraphic>();
    MakeFlat(*fill, d.Width, d.Height, clBlack);
    d.FillImage = fill;
    d.BevelColors[0] = d.BevelColors[3] = clBlack;
    d.Caption = "Halo";
    d.FontSize = 24;
    d.Bold = true;
    d.OutlineColor = clRed;
    d.PaintInside = true;

    auto reddish = [](uint32_t c) { return GetRValue(c) > 100 && GetGValue(c) < 60 && GetBValue(c) < 60; };
    auto plain = Render(r, d);
    d.Outlined = true;
    auto outlined = Render(r, d);
    int halo = 0, lonely = 0;
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
            EXPECT_FALSE(reddish(plain->GetPixelColor(x, y)));
            if (!reddish(outlined->GetPixelColor(x, y))) continue;
            ++halo;
            bool nearGlyph = false;
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx) nearGlyph |= outlined->GetPixelColor(x + dx, y + dy) == clWhite;
            lonely += !nearGlyph;
        }
    EXPECT_GT(halo, 30);
    EXPECT_EQ(lonely, 0);
    // The glyphs themselves keep the text colour.
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x)
            if (plain->GetPixelColor(x, y) == clWhite) {
                ASSERT_EQ(outlined->GetPixelColor(x, y), clWhite);
            }
}

// The outline drawn over the whole picture, step by step: the renderer
// blurs only the glyphs' surroundings and must give the same pixels.
void ReferenceOutline(TPixelGraphic& g, unsigned format, int percent, TRect r, const TSmoothSettings& blur) {
    const int w = g.GetWidth(), h = g.GetHeight();
    TPixelGraphic tx, k, s, d;
    MakeFlat(tx, w, h, clWhite);
    d.Assign(&g);
    tx.GetCanvas()->Font = g.GetCanvas()->Font;
    tx.GetCanvas()->Font.Color = clBlack;
    tx.GetCanvas()->Brush.Style = bsClear;
    tx.GetCanvas()->DrawTextEx("Edge of the\npicture", r, format);
    TSmoothFilterDialog dialog;
    dialog.SetDistributionShape(blur.DistributionShape);
    dialog.SetStdDeviation(blur.StdDeviation);
    dialog.SetPercent(blur.Percent);
    dialog.SetUseDistance(!blur.UseDistance);
    dialog.SetUseDistance(blur.UseDistance);
    s.ApplyFilter(*dialog.GetFilter(), tx);
    k.Assign(&s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (k.GetPixelColor(x, y) != clWhite) k.SetPixelColor(x, y, clBlack);
            if (tx.GetPixelColor(x, y) != clWhite) k.SetPixelColor(x, y, clWhite);
            const int q = GetRValue(s.GetPixelColor(x, y)) * 100 / 256;  // white text, red outline
            s.SetPixelColor(x, y, RGB(255, (100 - q) * 255 / 100, (100 - q) * 255 / 100));
        }
    DrawMasked(d, 0, 0, s, k);
    MixGraphics(g, d, percent);
}

TEST(ButtonCaption, OutlineEqualsTheWholePictureComputation) {
    TButtonRenderer r;
    const TSmoothSettings blurs[] = {{dsGaussian, 1.3L, 100, true}, {dsTent, 0.8L, 60, false}};
    const TRect rects[] = {TRect(0, 0, 60, 40), TRect(-8, 20, 50, 60), TRect(30, -5, 90, 12), TRect(10, 10, 10, 30)};
    int n = 0;
    for (const TSmoothSettings& blur : blurs)
        for (const TRect& rect : rects) {
            r.Design.OutlineBlur = blur;
            TPixelGraphic fast, slow;
            MakeFlat(fast, 70, 45, RGB(20, 40, 60));
            for (int x = 0; x < 70; ++x) fast.SetPixelColor(x, x % 45, clYellow);
            slow.Assign(&fast);
            for (TPixelGraphic* g : {&fast, &slow}) {
                g->GetCanvas()->Font.Name = "Arial";
                g->GetCanvas()->Font.SetSize(11 + n % 3);
            }
            const unsigned format = DT_WORDBREAK | DT_NOPREFIX | (n % 3);
            r.DrawCaptionText(fast, clRed, format, 1 + n * 9, "Edge of the\npicture", rect, clWhite);
            ReferenceOutline(slow, format, 1 + n * 9, rect, blur);
            EXPECT_TRUE(SamePixels(fast, slow)) << n++;
        }
}

// The painters lit by the renderer's light directions.
TEST(RingOutlines, EllipseBevelAndRoundRectLightFaceTheLight) {
    TColourTable ramp{};
    BuildColourRamp(ramp, clWhite, clBlack);
    for (int d = 1; d <= 9; ++d) {
        TLightVector light;
        if (!LightVectorOf(d, light)) continue;
        // The direction's step on the 3 x 3 grid, and the band pixels facing
        // toward it and away from it on a 60 x 40 ellipse.
        const int sx = (d - 1) % 3 - 1, sy = (d - 1) / 3 - 1;
        const double n = std::hypot(sx / 30.0, sy / 20.0);
        const int lx = static_cast<int>(std::lround(30 + sx / n)), ly = static_cast<int>(std::lround(20 + sy / n));
        TPixelGraphic g, work;
        MakeFlat(g, 61, 41, clBlue);
        EllipseBevel(g, 0, 0, 61, 41, 1, light, ramp);
        EXPECT_GT(Red(g, lx, ly), 200) << d;
        EXPECT_LT(Red(g, 60 - lx, 40 - ly), 56) << d;

        RoundRectLight(g, clWhite, clBlack, d, work);
        EXPECT_GE(Red(work, 30 + sx * 30, 20 + sy * 20), 240) << d;
        EXPECT_LE(Red(work, 30 - sx * 30, 20 - sy * 20), 130) << d;
    }
}

}  // namespace
