#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/PGClipboard.h"
#include "mozaro/ImageAdditions.h"
#include "mozaro/SharpenFilterDialog.h"
#include "mozaro/engine_support.h"
#include "platform/Colors.h"

using mztest::Picture;

TEST(Mirror, SwapsRawValuesAndReportsProgress) {
    auto row = Picture(5, 1, [](int x, int) { return RGB(x, 0, 0); });
    MirrorHorizontal(*row);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(row->GetPixelColor(x, 0), RGB(4 - x, 0, 0));
    auto column = Picture(1, 4, [](int, int y) { return RGB(y, 0, 0); });
    MirrorHorizontal(*column);  // one column swaps with itself
    MirrorVertical(*column);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(column->GetPixelColor(0, y), RGB(3 - y, 0, 0));

    // Start, one step per row, end, change; an abort stops after its row.
    std::string log;
    auto g = Picture(3, 4, [](int x, int y) { return RGB(x, y, 0); });
    g->OnProgressStart = [&](TPixelGraphic*) { log += "S"; };
    g->OnProgress = [&](TPixelGraphic*, int step, int max, bool& abort) {
        log += std::to_string(step) + "/" + std::to_string(max);
        abort = step == 1;
    };
    g->OnProgressEnd = [&](TPixelGraphic*) { log += "E"; };
    g->OnChange = [&](TPixelGraphic*) { log += "C"; };
    MirrorHorizontal(*g);
    EXPECT_EQ(log, "S0/31/3EC");
    EXPECT_EQ(g->GetPixelColor(0, 1), RGB(2, 1, 0));
    EXPECT_EQ(g->GetPixelColor(0, 2), RGB(0, 2, 0)) << "rows after the abort stay";
}

TEST(HLS, Conversions) {
    long double H, L, S, R, G, B;
    RGBToHLS(0.5L, 0.5L, 0.5L, H, L, S);
    EXPECT_TRUE(L == 0.5L && S == 0 && H == HLSUndefinedHue);
    HLSToRGB(H, L, S, R, G, B);
    EXPECT_TRUE(R == 0.5L && G == 0.5L && B == 0.5L);
    RGBToHLS(1, 0, 0, H, L, S);
    EXPECT_TRUE(H == 0 && L == 0.5L && S == 1);
    RGBToHLS(0, 0, 1, H, L, S);
    EXPECT_EQ(H, 240);
    RGBToHLS(1, 0, 1, H, L, S);
    EXPECT_EQ(H, 300);
    try {
        HLSToRGB(0, 0.5L, 0, R, G, B);
        ADD_FAILURE() << "a defined hue with saturation 0";
    } catch (const EPGSaturationHue& e) {
        EXPECT_EQ(e.Message(), "Saturation=0 and Hue defined");
    }
    EXPECT_EQ(HueToChannel(390, 0.2L, 0.8L), HueToChannel(30, 0.2L, 0.8L));
    EXPECT_EQ(HueToChannel(-120, 0.2L, 0.8L), HueToChannel(240, 0.2L, 0.8L));
}

TEST(Sharpen, KernelAndDialog) {
    auto kernel = [](const TConvFilter& f) {
        std::vector<int32_t> k;
        for (int r = 0; r < f.GetHeight(); ++r)
            for (int c = 0; c < f.GetWidth(); ++c) k.push_back(f.GetCoefficient(c, r));
        return k;
    };
    const std::vector<int32_t> half = {-3, -7, -3, -7, 112, -7, -3, -7, -3};
    TConvFilter f;
    SetSharpenKernel(f, dsGaussian, false, 0.75L, 50);
    EXPECT_EQ(kernel(f), half);
    SetSharpenKernel(f, dsGaussian, true, 0.75L, 100);
    EXPECT_EQ(f.GetCoefficient(1, 1), 56) << "replaced, not added to";
    EXPECT_THROW(SetSharpenKernel(f, dsGaussian, true, 0.75L, 0), EPGConvFilter);

    TSharpenFilterDialog dialog;
    EXPECT_EQ(dialog.GetStdDeviation(), 0.75L);
    EXPECT_EQ(dialog.GetPercent(), 50);
    EXPECT_EQ(kernel(dialog.GetConvFilter()), half);
    dialog.SetStdDeviation(1.3L);  // as stored on the main form: no rebuild
    EXPECT_EQ(kernel(dialog.GetConvFilter()), half);
    dialog.LoadTexts();
    EXPECT_EQ(dialog.GetCaption(), "Sharpen");
    EXPECT_EQ(dialog.Setting(2).Label, "Strength");
    // The weights sum to 72: a flat picture stays as it is.
    auto flat = mztest::Flat(6, 5, RGB(90, 140, 200));
    TPixelGraphic out;
    out.ApplyFilter(*dialog.GetFilter(), *flat);
    EXPECT_EQ(mztest::Checksum(out), mztest::Checksum(*flat));
}

TEST(Clipboard, CopyPutsThePictureOnTheClipboard) {
    auto g = Picture(9, 7, [](int x, int y) { return RGB(x * 20, y * 30, 200); });
    CopyToClipboard(*g);
    ASSERT_TRUE(ClipboardHasGraphic());
    TPixelGraphic back;
    PasteGraphicFromClipboard(back);
    EXPECT_EQ(mztest::Checksum(back), mztest::Checksum(*g));
}
