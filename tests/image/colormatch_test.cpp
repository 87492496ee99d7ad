// Nearest-colour lookups, the cell cache, error diffusion and colour reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "image/PGraphic.h"

namespace {

uint32_t Grey(int v) { return RGB(v, v, v); }

int Dist(uint32_t a, uint32_t b) {
    const int dr = int(GetRValue(a)) - GetRValue(b), dg = int(GetGValue(a)) - GetGValue(b),
              db = int(GetBValue(a)) - GetBValue(b);
    return dr * dr + dg * dg + db * db;
}

// Every colour of a 5:6:5 grid, the low bits filled from the high ones.
template <typename F>
void ForGrid(F f) {
    for (int r = 0; r < 32; ++r)
        for (int g = 0; g < 64; ++g)
            for (int b = 0; b < 32; ++b) f(RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)));
}

void PaletteOf(TPixelGraphic& g, TPaletteIdent type, int bitCountNum = 2) {
    g.SetSize(1, 1, bitCountNum);
    g.SetPaletteType(type);
}

}  // namespace

TEST(ColorMatch, CandidateListsGiveANearestEntry) {
    for (TPaletteIdent type : {pSpecial252, pSys16}) {
        TPixelGraphic g;
        PaletteOf(g, type);
        const std::vector<uint32_t> pal(g.GetPalette(), g.GetPalette() + g.GetPaletteCount());
        int wrong = 0;
        ForGrid([&](uint32_t c) {
            const int best = Dist(c, pal[0]) == 0 ? 0 : [&] {
                int d = INT32_MAX;
                for (uint32_t p : pal) d = std::min(d, Dist(c, p));
                return d;
            }();
            const uint32_t i = g.NearestIndex(c);
            if (i >= pal.size() || Dist(c, pal[i]) != best) ++wrong;
        });
        EXPECT_EQ(wrong, 0) << "palette type " << int(type);
    }
}

TEST(ColorMatch, GreyPalettesFollowLuminance) {
    TPixelGraphic g;
    PaletteOf(g, pGray236);
    int wrong = 0;
    ForGrid([&](uint32_t c) {
        const int l = ColorLuminance(c, true);  // 3 x the target grey
        const int got = std::abs(3 * int(GetRValue(g.GetPaletteColor(g.NearestIndex(c)))) - l);
        for (int i = 0; i < 236; ++i)
            if (std::abs(3 * int(GetRValue(g.GetPaletteColor(i))) - l) < got) {
                ++wrong;
                break;
            }
    });
    EXPECT_EQ(wrong, 0);

    TPixelGraphic bw;
    PaletteOf(bw, pBlackWhite, 0);
    bw.SetRGBWeighting(false);
    EXPECT_EQ(bw.NearestIndex(RGB(127, 127, 128)), 0u);  // luminance 382
    EXPECT_EQ(bw.NearestIndex(RGB(127, 128, 128)), 1u);  // 383
    EXPECT_EQ(bw.NearestIndex(Grey(128)), 1u);

    TPixelGraphic g4;
    PaletteOf(g4, pSysGray4);
    g4.SetRGBWeighting(false);
    EXPECT_EQ(g4.NearestIndex(Grey(64)), 0u);  // 192
    EXPECT_EQ(g4.NearestIndex(RGB(64, 64, 65)), 1u);
    EXPECT_EQ(g4.NearestIndex(Grey(255)), 3u);
}

TEST(ColorMatch, CubePalettesRoundPerChannel) {
    TPixelGraphic g;
    PaletteOf(g, pSpecial125);
    EXPECT_EQ(g.NearestIndex(RGB(224, 0, 0)), 100u);  // level 4
    EXPECT_EQ(g.NearestIndex(RGB(223, 0, 0)), 75u);   // level 3
    PaletteOf(g, pSpecial216);
    EXPECT_EQ(g.NearestIndex(RGB(0, 0, 26)), 0u);
    EXPECT_EQ(g.NearestIndex(RGB(0, 0, 27)), 1u);
    EXPECT_EQ(g.NearestIndex(Grey(255)), 215u);
}

TEST(ColorMatch, NoPaletteAndTrueColor) {
    TPixelGraphic g;
    g.SetSize(1, 1, 2);
    EXPECT_THROW(g.NearestIndex(0), EPGNoPalette);
    g.SetSize(1, 1, 3);
    EXPECT_EQ(g.NearestIndex(RGB(1, 2, 3)), RGB(1, 2, 3));
}

TEST(ColorMatch, CellCacheAnswersPerCell) {
    TPixelGraphic g;
    g.SetSize(1, 1, 2);
    g.SetPaletteCount(2);
    g.SetPaletteColor(0, RGB(0, 0, 0));
    g.SetPaletteColor(1, RGB(7, 0, 0));
    // Both entries share a cell; the first to reach it answers for all of it.
    EXPECT_EQ(g.NearestIndex(RGB(7, 0, 0)), 0u);
    g.SetUseColorCache(false);
    EXPECT_EQ(g.NearestIndex(RGB(7, 0, 0)), 1u);
    g.SetUseColorCache(true);

    // A cell far from every entry is searched once, then answers the same
    // for every colour of the cell, even where another entry is nearer.
    g.SetPaletteColor(1, RGB(100, 0, 0));
    EXPECT_EQ(g.NearestIndex(RGB(48, 0, 0)), 0u);
    EXPECT_EQ(g.NearestIndex(RGB(55, 0, 0)), 0u);
    // A palette change drops the cache.
    g.SetPaletteColor(1, RGB(52, 0, 0));
    EXPECT_EQ(g.NearestIndex(RGB(48, 0, 0)), 1u);
}

TEST(ColorMatch, ErrorLimitTable) {
    TPixelGraphic g;
    g.SetSize(4, 1, 2);
    g.SetPaletteType(pGray256);
    g.SetDitherErrorLimitAuto(false);
    g.SetDitherErrorLimit(32);
    g.SetDitherErrorLimitSoft(true);
    g.InitDitherBuffers();
    for (int e = 0; e <= 255; ++e) {
        const int want = e < 16 ? e : e <= 48 ? e / 2 + 8 : 32;
        ASSERT_EQ(g.ErrorLimit(e), want) << e;
        ASSERT_EQ(g.ErrorLimit(-e), -want) << e;
    }
    g.SetDitherErrorLimitSoft(false);
    g.InitDitherBuffers();
    EXPECT_EQ(g.ErrorLimit(31), 31);
    EXPECT_EQ(g.ErrorLimit(-200), -32);
    g.SetDitherErrorLimitAuto(true);  // grey 256: limit 2 with soft knee
    g.InitDitherBuffers();
    EXPECT_EQ(g.ErrorLimit(200), 2);
    g.FreeDitherBuffers();
}

TEST(ColorMatch, DitheredFlatAreasKeepTheirMeanColour) {
    struct Case {
        TPaletteIdent Type;
        int BitCountNum;
        int Step;  // largest gap between neighbouring levels
        bool Grey;
    };
    const Case cases[] = {
        {pBlackWhite, 0, 255, true}, {pSysGray4, 1, 128, true},   {pGray4, 1, 85, true},   {pGray16, 1, 17, true},
        {pGray236, 2, 2, true},      {pGray256, 2, 1, true},      {pSys16, 1, 128, false}, {pSpecial125, 2, 64, false},
        {pSpecial216, 2, 51, false}, {pSpecial252, 2, 32, false},
    };
    const uint32_t flats[] = {RGB(100, 150, 200), RGB(30, 30, 30), RGB(250, 10, 120)};
    for (const Case& c : cases)
        for (uint32_t flat : flats) {
            TPixelGraphic src, dst;
            src.SetSize(64, 64, 3);
            src.SetBackgroundValue(flat);
            src.Clear();
            dst.SetSize(64, 64, c.BitCountNum);
            dst.SetPaletteType(c.Type);
            dst.CopyRect(0, 0, src, 0, 0, 64, 64);
            double sum[3] = {0, 0, 0};
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) {
                    const uint32_t p = dst.GetPixelColor(x, y);
                    sum[0] += GetRValue(p);
                    sum[1] += GetGValue(p);
                    sum[2] += GetBValue(p);
                }
            const int lum = ColorLuminance(flat, true) / 3;
            const int want[3] = {c.Grey ? lum : GetRValue(flat), c.Grey ? lum : GetGValue(flat),
                                 c.Grey ? lum : GetBValue(flat)};
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_LE(std::fabs(sum[ch] / 4096 - want[ch]), c.Step)
                    << "type " << int(c.Type) << " colour " << std::hex << flat << " channel " << ch;
        }
}

TEST(ColorMatch, DitheringMixesNeighbouringLevels) {
    // Grey 100 between the 4-level greys 85 and 170: without dithering every
    // pixel is 85; with it the mean comes close to 100.
    TPixelGraphic src, dst;
    src.SetSize(32, 32, 3);
    src.SetBackgroundValue(Grey(100));
    src.Clear();
    for (bool dither : {false, true}) {
        dst.SetSize(32, 32, 1);
        dst.SetPaletteType(pGray4);
        dst.SetDither(dither);
        dst.CopyRect(0, 0, src, 0, 0, 32, 32);
        int sum = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) sum += GetRValue(dst.GetPixelColor(x, y));
        if (dither) {
            EXPECT_NEAR(sum / 1024.0, 100.0, 3.0);
        } else {
            EXPECT_EQ(sum, 85 * 1024);
        }
    }
}

TEST(ReduceColors, SmallCountsNeverFail) {
    // Distinct colours spread over the cube, so that each has its own cell.
    auto colour = [](int i) { return RGB((i * 97) % 256, (i * 53 + 40) % 256, (i * 181 + 7) % 256); };
    for (int distinct = 1; distinct <= 20; ++distinct)
        for (int count = 1; count <= 16; ++count)
            for (bool palette : {false, true}) {
                TPixelGraphic src, dst;
                src.SetSize(distinct, 3, palette ? 2 : 3);
                if (palette) {
                    src.SetPaletteCount(distinct);
                    for (int i = 0; i < distinct; ++i) src.SetPaletteColor(i, colour(i));
                }
                for (int x = 0; x < distinct; ++x)
                    for (int y = 0; y < 3; ++y) src.SetPixel(x, y, palette ? x : colour(x));
                dst.SetSize(1, 1, 2);
                ReduceColors(dst, src, count, false);
                EXPECT_GE(dst.GetPaletteCount(), 1);
                EXPECT_LE(dst.GetPaletteCount(), count) << distinct << " colours to " << count;
                if (count >= distinct) {
                    EXPECT_EQ(dst.GetPaletteCount(), distinct);
                }
                ReduceColors(dst, src, count + 16, true);
                EXPECT_LE(dst.GetPaletteCount(), count + 16);
            }
}

TEST(ReduceColors, SingleColourAndSystemColours) {
    TPixelGraphic src, dst;
    src.SetSize(5, 5, 3);
    src.SetBackgroundValue(RGB(100, 150, 200));
    src.Clear();
    dst.SetSize(5, 5, 2);
    ReduceColors(dst, src, 256, false);
    ASSERT_EQ(dst.GetPaletteCount(), 1);
    EXPECT_EQ(dst.GetPaletteColor(0), RGB(100, 150, 204));  // cell centre
    ReduceColors(dst, src, 256, true);
    ASSERT_EQ(dst.GetPaletteCount(), 17);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(dst.GetPaletteColor(i + 1), FixedPaletteColors(pSys16)[i]);
    ReduceColors(dst, src, 16, true);
    EXPECT_EQ(dst.GetPaletteType(), pSys16);
    TPixelGraphic empty;
    ReduceColors(dst, empty, 8, false);
    EXPECT_EQ(dst.GetPaletteCount(), 8);
    EXPECT_EQ(dst.GetPaletteColor(7), RGB(192, 192, 192));
}

TEST(ReduceColors, AbortKeepsTheRowsCounted) {
    TPixelGraphic src, dst;
    src.SetSize(2, 2, 3);
    src.SetPixel(0, 0, RGB(255, 0, 0));
    src.SetPixel(1, 0, RGB(255, 0, 0));
    src.SetPixel(0, 1, RGB(0, 0, 255));
    src.SetPixel(1, 1, RGB(0, 255, 0));
    dst.SetSize(2, 2, 2);
    int calls = 0;
    dst.OnProgress = [&](TPixelGraphic*, int, int, bool& abort) {
        ++calls;
        abort = true;
    };
    ReduceColors(dst, src, 8, false);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(dst.GetPaletteCount(), 1);
    EXPECT_EQ(GetGValue(dst.GetPaletteColor(0)), 2);
}

TEST(ReduceColors, OctreeWithEveryOctantToTwo) {
    TPixelGraphic src, dst;
    src.SetSize(8, 1, 2);
    src.SetPaletteCount(8);
    for (int i = 0; i < 8; ++i) {
        src.SetPaletteColor(i, RGB((i & 4) ? 255 : 0, (i & 2) ? 255 : 0, (i & 1) ? 255 : 0));
        src.SetPixel(i, 0, i);
    }
    dst.SetSize(8, 1, 2);
    for (int n = 1; n <= 8; ++n) {
        ReduceColors(dst, src, n, false);
        EXPECT_GE(dst.GetPaletteCount(), 1);
        EXPECT_LE(dst.GetPaletteCount(), n);
    }
}

TEST(ReduceColors, ReducedPictureIsCloseToTheSource) {
    TPixelGraphic src, dst;
    src.SetSize(64, 64, 3);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) src.SetPixel(x, y, RGB(x * 4, y * 4, (x + y) * 2));
    dst.SetSize(64, 64, 2);
    ReduceColors(dst, src, 64, false);
    EXPECT_EQ(dst.GetPaletteCount(), 64);
    dst.SetDither(false);
    dst.CopyRect(0, 0, src, 0, 0, 64, 64);
    double err = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) err += std::sqrt(double(Dist(src.GetPixel(x, y), dst.GetPixelColor(x, y))));
    EXPECT_LT(err / 4096, 24.0);
}
