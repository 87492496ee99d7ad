#include <gtest/gtest.h>

#include <algorithm>

#include "artkit/PaletteText.h"
#include "artkit/Plasma.h"
#include "image/PGraphic.h"

namespace {

TColourTable IndexPalette() {
    TColourTable p{};
    for (int i = 0; i < ColourTableSize; ++i) p[i] = RGB(i % 256, 255 - i % 256, i / 256);
    return p;
}

TEST(Plasma, FullBrightnessNeverFallsBelowTheCorners) {
    for (uint32_t seed : {1u, 99u, 4242u}) {
        TRandomGenerator random(seed);
        TPlasmaFill plasma(random);
        plasma.SetReseedFromClock(false);
        plasma.MakePlasmaScaled(PlasmaOffset(100), PlasmaScale(200));
        const int corners[] = {plasma.PlasmaCell(0, 0), plasma.PlasmaCell(0, 200), plasma.PlasmaCell(200, 0),
                               plasma.PlasmaCell(200, 200)};
        const int low = *std::min_element(std::begin(corners), std::end(corners));
        EXPECT_GE(*std::min_element(plasma.PlasmaGrid.begin(), plasma.PlasmaGrid.end()), low) << seed;
    }
}

TEST(Plasma, StylesMapTheGridThroughThePalette) {
    const TColourTable palette = IndexPalette();
    TRandomGenerator random(5);
    TPlasmaFill plasma(random);
    TPixelGraphic image;
    image.SetSize(PlasmaImageSize, PlasmaImageSize, 3);

    // A flat plasma embossed is grey 127 everywhere: palette entry 127.
    plasma.PlasmaGrid.fill(77);
    plasma.ShapeGrid.fill(3);
    plasma.RenderPlasma(false, image, palette, psBumpySurface, 0.5, 1);
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) ASSERT_EQ(image.GetPixelColor(x, y), palette[127]) << x << "," << y;

    plasma.RenderPlasma(false, image, palette, psClouds, 0.5, 1);
    EXPECT_EQ(image.GetPixelColor(10, 20), palette[77]);
    // Wood: |Trunc(Sin(77 / 8) x 77)| = 15; marble: Trunc(Sin(77 / 16) x 256) AND 3 = -254 AND 3 = 2.
    plasma.RenderPlasma(false, image, palette, psWood, 0.5, 1);
    EXPECT_EQ(image.GetPixelColor(10, 20), palette[15]);
    plasma.RenderPlasma(false, image, palette, psMarble, 0.5, 1);
    EXPECT_EQ(image.GetPixelColor(10, 20), palette[2]);

    // Every grid value keeps every style's lookups inside grid and palette;
    // row and column 200 never reach the picture.
    for (int i = 0; i < PlasmaGridSize; ++i)
        for (int j = 0; j < PlasmaGridSize; ++j) {
            plasma.PlasmaCell(i, j) = static_cast<uint8_t>((i * 7 + j * 13) % 256);
            plasma.ShapeCell(i, j) = static_cast<uint8_t>(1 + (i * 3 + j) % 255);
        }
    for (int style = 0; style < PlasmaStyleCount; ++style) {
        plasma.RenderPlasma(false, image, palette, style, 0.5, 1);
        EXPECT_EQ(image.GetWidth(), PlasmaImageSize);
        EXPECT_EQ(image.GetHeight(), PlasmaImageSize);
    }
}

}  // namespace
