#include <gtest/gtest.h>

#include "mozaro/Blend.h"
#include "mozaro/engine_support.h"
#include "platform/Colors.h"

using mztest::Flat;
using mztest::Picture;

namespace {

uint32_t BlendOne(uint32_t d, uint32_t s, int mode, int weight = 0) {
    auto dest = Flat(1, 1, d);
    BlendLayers(*dest, *Flat(1, 1, s), weight, mode);
    return dest->GetPixelColor(0, 0);
}

uint32_t Grey(int v) { return RGB(v, v, v); }

}  // namespace

TEST(BlendLayers, EveryMode) {
    const int opaque[] = {0, 50, 100, 150};  // tags 1..4 on d = 200, s = 0
    for (int tag = 1; tag <= 4; ++tag)
        EXPECT_EQ(BlendOne(Grey(200), Grey(0), BlendTagInfo(tag).Mode, BlendTagInfo(tag).Weight),
                  Grey(opaque[tag - 1]));
    EXPECT_EQ(BlendOne(RGB(10, 20, 7), RGB(20, 10, 7), bmDifference), RGB(9, 10, 0)) << "s - d - 1 below zero";
    EXPECT_EQ(BlendOne(Grey(200), Grey(100), bmSum), Grey(255));
    EXPECT_EQ(BlendOne(Grey(0), Grey(0), bmHypotenuse), Grey(1));
    EXPECT_EQ(BlendOne(RGB(3, 200, 255), RGB(4, 255, 255), bmHypotenuse), RGB(5, 255, 255));
    EXPECT_EQ(BlendOne(RGB(100, 255, 2), RGB(25, 255, 3), bmGeometricMean), RGB(50, 255, 2));
    EXPECT_EQ(BlendOne(RGB(0xF0, 0x0F, 0x55), RGB(0x3C, 0x3C, 0xFF), bmXor), RGB(0xCC, 0x33, 0xAA));
    EXPECT_EQ(BlendOne(RGB(10, 200, 30), RGB(20, 100, 30), bmMaximum), RGB(20, 200, 30));
    EXPECT_EQ(BlendOne(Grey(100), Grey(100), bmSum, 50), Grey(150)) << "the weight holds for every mode";
    EXPECT_EQ(BlendOne(Grey(100), Grey(7), 7), Grey(100)) << "mode 7 is unused";
    // Lighten and darken compare whole pixels by luminance (51 and 60 here;
    // 250 / 100 rounds to the even 2).
    const uint32_t red = RGB(255, 0, 0), blue = RGB(0, 0, 200);
    EXPECT_EQ(Luminance(RGB(5, 3, 0)), 2);
    EXPECT_EQ(BlendOne(red, blue, bmLighter), blue);
    EXPECT_EQ(BlendOne(red, blue, bmDarker), red);
    EXPECT_EQ(BlendOne(RGB(5, 0, 0), RGB(0, 2, 0), bmLighter), RGB(5, 0, 0)) << "equal luminance keeps d";
}

TEST(BlendLayers, WarpShiftsByTheSourceLuminanceWrappingByWidthLessOne) {
    auto colour = [](int x, int y) { return RGB(x * 40 + 1, y * 60 + 1, 77); };
    auto dest = Picture(5, 4, colour);
    BlendLayers(*dest, *Flat(5, 4, clBlack), 0, bmWarp);
    EXPECT_EQ(mztest::Checksum(*dest), mztest::Checksum(*Picture(5, 4, colour))) << "a black source moves nothing";
    // Grey 2 gives k = 1: the last column (row) reads column (row) 1.
    BlendLayers(*dest, *Flat(5, 4, Grey(2)), 100, bmWarp);
    EXPECT_EQ(dest->GetPixelColor(0, 0), colour(1, 1));
    EXPECT_EQ(dest->GetPixelColor(4, 3), colour(1, 1));
    EXPECT_EQ(dest->GetPixelColor(3, 1), colour(4, 2));
    // White gives k = 128, beyond a small picture: its background, no stray read.
    dest->SetBackgroundColor(RGB(1, 2, 3));
    BlendLayers(*dest, *Flat(5, 4, clWhite), 0, bmWarp);
    EXPECT_EQ(dest->GetPixelColor(2, 2), RGB(1, 2, 3));
}

TEST(BlendTags, UnknownTagsAreOpaque) {
    for (const TBlendTag& t : kBlendTags) EXPECT_EQ(NormalizeBlendTag(t.Tag), t.Tag);
    EXPECT_EQ(BlendTagInfo(8).Mode, bmDifference);
    for (int bad : {0, 17, -1000}) EXPECT_EQ(NormalizeBlendTag(bad), kOpaqueBlendTag) << bad;
}

TEST(CardsFilter, ShiftedCardsLeaveGapsAndBorders) {
    auto src = Picture(97, 64, [](int x, int y) { return RGB(x * 2, y * 3, 1); });
    TRandomGenerator gen(123456789u), expected(123456789u);
    TCardsFilter cards(clRed, clBlue);
    cards.Generator = &gen;
    cards.BeginProcess(src.get());
    for (const auto& c : cards.Cards()) {  // two draws per card, in row-major order
        long double u = expected.NextReal(), v = expected.NextReal();
        ASSERT_EQ(c.HShift, (u - 0.5L) * 0.2L / 4);
        ASSERT_EQ(c.VShift, (v - 0.5L) * 0.2L / 4);
    }
    int gaps = 0, borders = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 97; ++x) {
            gaps += cards.CalcDestPixel(x, y) == clBlue;
            borders += cards.CalcDestPixel(x, y) == clRed;
        }
    EXPECT_GT(gaps, 0);
    EXPECT_GT(borders, 4 * 97);
    cards.EndProcess();

    TCardsFilter unshifted(clWhite, clBlack);
    unshifted.MaxHShift = unshifted.MaxVShift = 0;
    TPixelGraphic out;
    out.ApplyFilter(unshifted, *src);
    EXPECT_EQ(out.GetPixelColor(24, 20), clWhite) << "24 / 97 lies on the first card's right edge";
    EXPECT_EQ(out.GetPixelColor(25, 20), clWhite) << "and 24 / 97 outside the second card";
    EXPECT_EQ(out.GetPixelColor(26, 20), src->GetPixelColor(26, 20));
    EXPECT_EQ(out.GetPixelColor(96, 63), src->GetPixelColor(96, 63)) << "the last column is no border";
    EXPECT_THROW(src->ApplyFilter(unshifted, *src), EPGFilter);
}
