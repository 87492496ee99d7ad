#pragma once
// The plasma fill: two 201 x 201 height grids grown by midpoint
// displacement, mapped through a 257-entry palette into a 200 x 200 picture
// in one of five styles.
#include <array>
#include <cstdint>

#include "artkit/PaletteText.h"
#include "platform/Random.h"

class TPixelGraphic;

enum TPlasmaStyle : uint8_t { psClouds = 0, psWood = 1, psMarble = 2, psAquarell = 3, psBumpySurface = 4 };
constexpr int PlasmaStyleCount = 5;
constexpr int PlasmaGridSize = 201;
constexpr int PlasmaImageSize = 200;

// Displacement offset and scale of the plasma grid from the "Brightness"
// (1..100) and "Noise" (1..200) sliders.
double PlasmaOffset(int brightness);
double PlasmaScale(int noise);

class TPlasmaFill {
public:
    using TGrid = std::array<uint8_t, PlasmaGridSize * PlasmaGridSize>;

    // Draws from random (not owned). Each grid reseeds it from the clock
    // first unless reseeding is turned off (tests seed it themselves).
    explicit TPlasmaFill(TRandomGenerator& random = GlobalRandom());

    void SetReseedFromClock(bool reseed) { FReseed = reseed; }

    // Grows ShapeGrid from four random corners.
    void MakePlasma();
    // Grows PlasmaGrid with the given displacement offset and scale.
    void MakePlasmaScaled(double offset, double scale);
    // With regenerate, clears both grids and grows them anew; then maps
    // PlasmaGrid into image by style (cells outside the image are skipped)
    // and signals the image's change.
    void RenderPlasma(bool regenerate, TPixelGraphic& image, const TColourTable& palette, int style, double offset,
                      double scale);

    // Cell (i, j), i the column and j the row of the picture.
    uint8_t& PlasmaCell(int i, int j) { return PlasmaGrid[i * PlasmaGridSize + j]; }
    uint8_t& ShapeCell(int i, int j) { return ShapeGrid[i * PlasmaGridSize + j]; }

    // A cell holding 0 counts as not yet computed.
    TGrid PlasmaGrid{};
    TGrid ShapeGrid{};
    // Row 0: -Sin(i / 64), row 1: Sin(i / 64), i = 0..256.
    std::array<std::array<float, 257>, 2> WarpTable{};

private:
    enum TGridKind { gkShape, gkPlasma };
    void Seed(TGrid& grid);
    void Subdivide(TGrid& grid, TGridKind kind, int x1, int y1, int x2, int y2);
    void EdgeMidpoint(TGrid& grid, TGridKind kind, int tx, int ty, int px, int py, int qx, int qy);

    TRandomGenerator& FRandom;
    bool FReseed = true;
    double FOffset = 0.5;
    double FScale = 1.0;
};

// Draws a palette as 257 vertical lines of height 20 (column i in entry i)
// into its 256 x 20 strip.
void PaintPaletteStrip(TPixelGraphic& strip, const TColourTable& palette);
