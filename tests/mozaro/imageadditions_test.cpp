#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cmath>
#include <string>
#include <vector>

#include "mozaro/ImageAdditions.h"
#include "mozaro/engine_support.h"
#include "platform/Colors.h"

using mztest::Picture;

TEST(Mirror, SwapsRawValuesAndReportsProgress) {
    auto row = Picture(5, 2, [](int x, int y) { return RGB(x, y, 0); });
    MirrorHorizontal(*row);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(row->GetPixelColor(x, 1), RGB(4 - x, 1, 0));

    auto column = Picture(1, 4, [](int, int y) { return RGB(y, 0, 0); });
    MirrorHorizontal(*column);
    EXPECT_EQ(column->GetPixelColor(0, 3), RGB(3, 0, 0)) << "one column swaps with itself";
    MirrorVertical(*column);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(column->GetPixelColor(0, y), RGB(3 - y, 0, 0));

    // Palette pictures keep their indices, only moved.
    TPixelGraphic indexed;
    indexed.SetSize(4, 3, 2);
    indexed.SetPaletteType(pGray256);
    for (int x = 0; x < 4; ++x) indexed.SetPixel(x, 0, 10 + x);
    MirrorHorizontal(indexed);
    EXPECT_EQ(indexed.GetPixel(0, 0), 13u);
    EXPECT_EQ(indexed.GetPixel(3, 0), 10u);

    // Start, one step per line, end, change; an abort stops after its line.
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

    TPixelGraphic empty;
    empty.OnProgressStart = [&](TPixelGraphic*) { log += "!"; };
    MirrorVertical(empty);
    EXPECT_EQ(log.find('!'), std::string::npos);
}

TEST(HLS, Conversions) {
    long double H, L, S, R, G, B;
    RGBToHLS(0.5L, 0.5L, 0.5L, H, L, S);
    EXPECT_EQ(L, 0.5L);
    EXPECT_EQ(S, 0);
    EXPECT_EQ(H, HLSUndefinedHue);
    HLSToRGB(H, L, S, R, G, B);
    EXPECT_EQ(R, 0.5L);
    EXPECT_EQ(B, 0.5L);

    RGBToHLS(1, 0, 0, H, L, S);
    EXPECT_EQ(H, 0);
    EXPECT_EQ(L, 0.5L);
    EXPECT_EQ(S, 1);
    RGBToHLS(0, 0, 1, H, L, S);
    EXPECT_EQ(H, 240);
    RGBToHLS(1, 0, 1, H, L, S);
    EXPECT_EQ(H, 300);

    try {
        HLSToRGB(0, 0.5L, 0, R, G, B);
        FAIL() << "a defined hue with saturation 0";
    } catch (const EPGSaturationHue& e) {
        EXPECT_EQ(e.Message(), "Saturation=0 and Hue defined");
    }

    EXPECT_EQ(HueToChannel(390, 0.2L, 0.8L), HueToChannel(30, 0.2L, 0.8L));
    EXPECT_EQ(HueToChannel(-120, 0.2L, 0.8L), HueToChannel(240, 0.2L, 0.8L));
    EXPECT_EQ(HueToChannel(100, 0.2L, 0.8L), 0.8L);

    // Round trips over a grid of colours, light and dark.
    for (int r = 0; r <= 10; r += 2)
        for (int g = 0; g <= 10; g += 5)
            for (int b = 1; b <= 10; b += 3) {
                RGBToHLS(r / 10.0L, g / 10.0L, b / 10.0L, H, L, S);
                HLSToRGB(H, L, S, R, G, B);
                EXPECT_NEAR(static_cast<double>(R), r / 10.0, 1e-12);
                EXPECT_NEAR(static_cast<double>(G), g / 10.0, 1e-12);
                EXPECT_NEAR(static_cast<double>(B), b / 10.0, 1e-12);
            }
}

namespace {
std::vector<int32_t> Kernel(const TConvFilter& f) {
    std::vector<int32_t> k;
    for (int r = 0; r < f.GetHeight(); ++r)
        for (int c = 0; c < f.GetWidth(); ++c) k.push_back(f.GetCoefficient(c, r));
    return k;
}
}  // namespace

TEST(Sharpen, KernelAndDialog) {
    const std::vector<int32_t> half = {-3, -7, -3, -7, 112, -7, -3, -7, -3};
    TConvFilter f;
    SetSharpenKernel(f, dsGaussian, true, 0.75L, 50);
    EXPECT_EQ(Kernel(f), half);
    SetSharpenKernel(f, dsGaussian, false, 0.75L, 50);
    EXPECT_EQ(Kernel(f), half);
    SetSharpenKernel(f, dsGaussian, true, 0.75L, 100);
    EXPECT_EQ(f.GetCoefficient(1, 1), 56);
    EXPECT_EQ(f.GetXOffset(), -1);
    EXPECT_EQ(f.GetBias(), 0);
    EXPECT_THROW(SetSharpenKernel(f, dsGaussian, true, 0.75L, 0), EPGConvFilter);

    // Weights sum to 72, so a flat picture stays as it is.
    auto flat = mztest::Flat(6, 5, RGB(90, 140, 200));
    TPixelGraphic out;
    SetSharpenKernel(f, dsGaussian, true, 0.75L, 50);
    out.ApplyFilter(f, *flat);
    EXPECT_EQ(mztest::Checksum(out), mztest::Checksum(*flat));

    TSharpenFilterDialog dialog;
    EXPECT_EQ(dialog.GetDistributionShape(), dsGaussian);
    EXPECT_EQ(dialog.GetStdDeviation(), 0.75L);
    EXPECT_EQ(dialog.GetPercent(), 50);
    EXPECT_TRUE(dialog.GetUseDistance());
    EXPECT_EQ(dialog.Setting(2).ResetValue, 50);
    EXPECT_EQ(Kernel(dialog.GetConvFilter()), half);
    // As stored on the main form: the deviation alone does not rebuild.
    dialog.SetStdDeviation(1.3L);
    EXPECT_EQ(Kernel(dialog.GetConvFilter()), half);
    dialog.LoadTexts();
    EXPECT_EQ(dialog.GetCaption(), "Sharpen");
    EXPECT_EQ(dialog.Setting(1).Label, "Std. deviation");
    EXPECT_EQ(dialog.Setting(2).Label, "Strength");
}

TEST(Clipboard, CopyPutsThePictureOnTheClipboard) {
    auto g = Picture(9, 7, [](int x, int y) { return RGB(x * 20, y * 30, 200); });
    CopyToClipboard(*g);
    QImage img = QGuiApplication::clipboard()->image();
    ASSERT_EQ(img.width(), 9);
    ASSERT_EQ(img.height(), 7);
    EXPECT_EQ(img.pixelColor(8, 6), QColor(160, 180, 200));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(0, 0, 200));
}
