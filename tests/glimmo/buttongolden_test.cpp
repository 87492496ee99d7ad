// Pinned checksums of heavy button designs (smooth and gradient bevels,
// single and double, anti-aliasing, an outlined two-line caption), first
// renders and re-renders, so that faster mixing and smoothing keep every
// pixel. Pinned to this platform's fonts and maths library.
#include <gtest/gtest.h>

#include <string>

#include "glimmo/ButtonRenderer.h"
#include "image/PGraphic.h"

namespace {

uint32_t Checksum(const TPixelGraphic& g) {
    uint32_t h = 2166136261u;
    auto add = [&h](uint32_t v) { h = (h ^ v) * 16777619u; };
    add(uint32_t(g.GetWidth()));
    add(uint32_t(g.GetHeight()));
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) add(g.GetPixelColor(x, y));
    return h;
}

const char* const kPinned =
    "353672167 353672167\n"
    "4229665921 4229665921\n"
    "2151303000 2151303000\n"
    "39921433 39921433\n"
    "2126258762 2126258762\n"
    "1439362129 1439362129\n"
    "2602627050 2602627050\n"
    "2787373485 2787373485\n"
    "680073026 680073026\n"
    "3994634084 3994634084\n"
    "3556501632 3556501632\n"
    "3145463977 3145463977\n"
    "2149322206 2149322206\n"
    "1567370963 1567370963\n"
    "338866394 338866394\n"
    "1184082356 1184082356\n"
    "1330922339 1330922339\n"
    "659285401 659285401\n"
    "1705452488 1705452488\n"
    "411836789 411836789\n"
    "1023600697 1023600697\n"
    "4008484122 4008484122\n"
    "1470610488 1470610488\n"
    "2949697162 2949697162\n";

TEST(ButtonGoldens, HeavyDesignsKeepTheirPixels) {
    std::string table;
    int n = 0;
    for (int shape : {scRoundRect, scRectangle, scOval})
        for (int style : {bvsSmooth, bvsGradient})
            for (int bevel : {60, 17})
                for (bool twice : {true, false}) {
                    TButtonDesign d;
                    d.Width = 200 - 3 * n;
                    d.Height = 180 + n;
                    d.Shape = shape;
                    d.BevelStyle = style;
                    d.BevelWidth = bevel;
                    d.DoubleBevel = twice;
                    d.LightDirection = 1 + n % 9;
                    SetAntiAliasLevel(d.AntiAliasing, n % 2 ? aaLow : aaHigh);
                    d.Caption = "Two lines\nof caption";
                    d.Outlined = true;
                    d.PaintInside = n % 3 != 0;
                    d.FontSize = 24;
                    TButtonRenderer r;
                    r.Design = d;
                    r.SizeChanged = true;
                    r.RefreshButton(true);
                    const uint32_t first = Checksum(r.Preview);
                    r.RenderButton(r.Design, r.Preview);
                    table += std::to_string(first) + " " + std::to_string(Checksum(r.Preview)) + "\n";
                    ++n;
                }
    EXPECT_EQ(table, kPinned);
}

}  // namespace
