#include <gtest/gtest.h>

#include <set>
#include <string>

#include "mozaro/Blend.h"
#include "mozaro/engine_support.h"
#include "platform/Colors.h"

using mztest::Flat;
using mztest::Picture;

namespace {

// Blends one pixel pair and returns the new destination colour.
uint32_t BlendOne(uint32_t d, uint32_t s, int mode, int weight = 0) {
    auto dest = Flat(1, 1, d);
    auto src = Flat(1, 1, s);
    BlendLayers(*dest, *src, weight, mode);
    return dest->GetPixelColor(0, 0);
}

uint32_t Grey(int v) { return RGB(v, v, v); }

}  // namespace

TEST(BlendLayers, MixKeepsTheWeightedShareOfTheOldPixel) {
    for (int w : {0, 25, 50, 75, 100}) {
        auto same = Picture(7, 5, [](int x, int y) { return RGB(x * 30, y * 50, 99); });
        auto src = Picture(7, 5, [](int x, int y) { return RGB(x * 30, y * 50, 99); });
        BlendLayers(*same, *src, w, bmMix);
        EXPECT_EQ(mztest::Checksum(*same), mztest::Checksum(*src)) << "weight " << w;
    }
    // The four "Opaque" tags on d = 200, s = 0.
    const int expected[] = {0, 50, 100, 150};
    for (int tag = 1; tag <= 4; ++tag) {
        TBlendTag t = BlendTagInfo(tag);
        EXPECT_EQ(BlendOne(Grey(200), Grey(0), t.Mode, t.Weight), Grey(expected[tag - 1])) << t.Caption;
    }
}

TEST(BlendLayers, ChannelModes) {
    // Difference: below zero it gives s - d - 1, channel by channel.
    EXPECT_EQ(BlendOne(RGB(10, 20, 7), RGB(20, 10, 7), bmDifference), RGB(9, 10, 0));
    EXPECT_EQ(BlendOne(RGB(0, 255, 0), RGB(255, 0, 0), bmDifference), RGB(254, 255, 0));
    EXPECT_EQ(BlendOne(Grey(200), Grey(100), bmSum), Grey(255));
    EXPECT_EQ(BlendOne(Grey(0), Grey(0), bmHypotenuse), Grey(1));
    EXPECT_EQ(BlendOne(RGB(3, 200, 255), RGB(4, 255, 255), bmHypotenuse), RGB(5, 255, 255));
    EXPECT_EQ(BlendOne(RGB(100, 255, 2), RGB(25, 255, 3), bmGeometricMean), RGB(50, 255, 2));
    EXPECT_EQ(BlendOne(RGB(0xF0, 0x0F, 0x55), RGB(0x3C, 0x3C, 0xFF), bmAnd), RGB(0x30, 0x0C, 0x55));
    EXPECT_EQ(BlendOne(RGB(0xF0, 0x0F, 0x55), RGB(0x3C, 0x3C, 0xFF), bmOr), RGB(0xFC, 0x3F, 0xFF));
    EXPECT_EQ(BlendOne(RGB(0xF0, 0x0F, 0x55), RGB(0x3C, 0x3C, 0xFF), bmXor), RGB(0xCC, 0x33, 0xAA));
    EXPECT_EQ(BlendOne(RGB(10, 200, 30), RGB(20, 100, 30), bmMaximum), RGB(20, 200, 30));
    EXPECT_EQ(BlendOne(RGB(10, 200, 30), RGB(20, 100, 30), bmMinimum), RGB(10, 100, 30));
    // The weight holds for every mode, not only for mix.
    EXPECT_EQ(BlendOne(Grey(100), Grey(100), bmSum, 50), Grey(150));
    // Mode 7 and unknown modes leave the picture alone.
    EXPECT_EQ(BlendOne(Grey(100), Grey(7), 7), Grey(100));
    EXPECT_EQ(BlendOne(Grey(100), Grey(7), 99), Grey(100));
}

TEST(BlendLayers, LightenAndDarkenCompareWholePixelsByLuminance) {
    EXPECT_EQ(Luminance(RGB(5, 3, 0)), 2) << "250 / 100 rounds to even";
    EXPECT_EQ(Luminance(RGB(5, 5, 0)), 4) << "350 / 100 rounds to even";
    EXPECT_EQ(Luminance(clWhite), 255);
    const uint32_t red = RGB(255, 0, 0), blue = RGB(0, 0, 200);  // luminance 51 and 60
    EXPECT_EQ(BlendOne(red, blue, bmLighter), blue);
    EXPECT_EQ(BlendOne(blue, red, bmLighter), blue);
    EXPECT_EQ(BlendOne(red, blue, bmDarker), red);
    EXPECT_EQ(BlendOne(blue, red, bmDarker), red);
    // Equal luminance: both keep the destination.
    EXPECT_EQ(BlendOne(RGB(5, 0, 0), RGB(0, 2, 0), bmLighter), RGB(5, 0, 0));
    EXPECT_EQ(BlendOne(RGB(5, 0, 0), RGB(0, 2, 0), bmDarker), RGB(5, 0, 0));
}

TEST(BlendLayers, WarpShiftsByTheSourceLuminanceWrappingByWidthLessOne) {
    auto colour = [](int x, int y) { return RGB(x * 40 + 1, y * 60 + 1, 77); };
    auto dest = Picture(5, 4, colour);
    BlendLayers(*dest, *Flat(5, 4, clBlack), 0, bmWarp);
    EXPECT_EQ(mztest::Checksum(*dest), mztest::Checksum(*Picture(5, 4, colour))) << "a black source moves nothing";

    // (20 + 50 + 30) x 2 x 0.005 = 1: every pixel reads one step down-right,
    // and the last column (row) reads column (row) 1, not 0.
    BlendLayers(*dest, *Flat(5, 4, Grey(2)), 100, bmWarp);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            int sx = x + 1 > 4 ? x + 1 - 4 : x + 1, sy = y + 1 > 3 ? y + 1 - 3 : y + 1;
            ASSERT_EQ(dest->GetPixelColor(x, y), colour(sx, sy)) << x << "," << y;
        }
    // White gives 127.5, rounded to 128: far beyond a small picture, which
    // then reads its background instead of memory outside it.
    dest->SetBackgroundColor(RGB(1, 2, 3));
    BlendLayers(*dest, *Flat(5, 4, clWhite), 0, bmWarp);
    EXPECT_EQ(dest->GetPixelColor(2, 2), RGB(1, 2, 3));
}

TEST(BlendLayers, SourceSmallerThanDestinationReadsItsBackground) {
    auto dest = Flat(4, 4, Grey(10));
    auto src = Flat(2, 2, Grey(20));
    src->SetBackgroundColor(Grey(30));
    BlendLayers(*dest, *src, 0, bmSum);
    EXPECT_EQ(dest->GetPixelColor(1, 1), Grey(30));
    EXPECT_EQ(dest->GetPixelColor(3, 3), Grey(40));
}

TEST(BlendTags, TableAndUnknownTags) {
    std::set<int> tags;
    for (const TBlendTag& t : kBlendTags) {
        tags.insert(t.Tag);
        EXPECT_EQ(BlendTagInfo(t.Tag).Mode, t.Mode);
        EXPECT_EQ(NormalizeBlendTag(t.Tag), t.Tag);
    }
    EXPECT_EQ(tags.size(), 16u);
    EXPECT_EQ(*tags.begin(), 1);
    EXPECT_EQ(*tags.rbegin(), 16);
    EXPECT_STREQ(BlendTagInfo(8).Caption, "Subtractice");
    EXPECT_EQ(BlendTagInfo(8).Mode, bmDifference);
    EXPECT_EQ(BlendTagInfo(7).Mode, bmSum);
    EXPECT_EQ(BlendTagInfo(9).Mode, bmGeometricMean);
    EXPECT_EQ(BlendTagInfo(10).Mode, bmHypotenuse);
    EXPECT_EQ(BlendTagInfo(14).Mode, bmMaximum);
    EXPECT_EQ(BlendTagInfo(16).Mode, bmWarp);
    EXPECT_STREQ(kBlendTags[6].Caption, "Lights only") << "menu order";
    for (int bad : {0, -1, 17, 1000}) {
        EXPECT_EQ(BlendTagInfo(bad).Mode, bmMix) << bad;
        EXPECT_EQ(BlendTagInfo(bad).Weight, 0) << bad;
        EXPECT_EQ(NormalizeBlendTag(bad), kOpaqueBlendTag) << bad;
    }
}

namespace {

// Card by card, as the cards are described: the first card in list order
// that holds the pixel decides.
uint32_t ReferenceCard(const std::vector<TCardsFilter::TCard>& cards, TPixelGraphic& src, int x, int y,
                       uint32_t border, uint32_t outside) {
    const long double W = src.GetWidth(), H = src.GetHeight();
    for (const auto& c : cards) {
        long double l = c.Left - c.HShift, t = c.Top - c.VShift;
        if (!(l <= x / W && x / W <= l + c.Width && t <= y / H && y / H <= t + c.Height)) continue;
        if (!(l <= (x - 1) / W && (x + 1) / W <= l + c.Width && t <= (y - 1) / H && (y + 1) / H <= t + c.Height))
            return border;
        long double sx = std::nearbyintl(x + W * c.HShift), sy = std::nearbyintl(y + H * c.VShift);
        if (sx < 0 || sy < 0 || sx >= W || sy >= H) return outside;
        return src.GetPixelColor(static_cast<int>(sx), static_cast<int>(sy));
    }
    return outside;
}

}  // namespace

TEST(CardsFilter, MatchesCardByCardPlacementAndDrawsTwoRealsPerCard) {
    auto src = Picture(97, 64, [](int x, int y) { return RGB(x * 2, y * 3, (x ^ y) & 255); });
    for (uint32_t seed : {1u, 99u, 123456789u}) {
        TRandomGenerator gen(seed), expected(seed);
        TCardsFilter cards(clRed, clBlue);
        cards.Generator = &gen;
        cards.BeginProcess(src.get());
        ASSERT_EQ(cards.Cards().size(), 16u);
        for (const auto& c : cards.Cards()) {
            long double u = expected.NextReal(), v = expected.NextReal();
            EXPECT_EQ(c.HShift, (u - 0.5L) * 0.2L / 4);
            EXPECT_EQ(c.VShift, (v - 0.5L) * 0.2L / 4);
        }
        EXPECT_EQ(gen.GetSeed(), expected.GetSeed());
        const auto placed = cards.Cards();
        int gaps = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 97; ++x) {
                uint32_t want = ReferenceCard(placed, *src, x, y, clRed, clBlue);
                ASSERT_EQ(cards.CalcDestPixel(x, y), want) << x << "," << y << " seed " << seed;
                gaps += want == clBlue;
            }
        EXPECT_GT(gaps, 0) << "shifted cards open gaps";
        cards.EndProcess();
    }
}

TEST(CardsFilter, UnshiftedCardsDrawBordersOnTheQuarterLines) {
    auto src = Picture(256, 256, [](int x, int y) { return RGB(x, y, 9); });
    TPixelGraphic out;
    TCardsFilter cards(clWhite, clBlack);
    cards.MaxHShift = cards.MaxVShift = 0;
    out.ApplyFilter(cards, *src);
    for (int k = 0; k < 256; ++k) {
        bool line = k % 64 == 0;
        EXPECT_EQ(out.GetPixelColor(k, 100) == clWhite, line) << "column " << k;
        EXPECT_EQ(out.GetPixelColor(100, k) == clWhite, line) << "row " << k;
    }
    EXPECT_EQ(out.GetPixelColor(255, 255), RGB(255, 255, 9)) << "the last column is no border";
    EXPECT_EQ(out.GetPixelColor(70, 130), RGB(70, 130, 9));
    EXPECT_THROW(src->ApplyFilter(cards, *src), EPGFilter);
}
