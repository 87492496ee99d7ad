#include "artkit/Plasma.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

#include "artkit/EmbossFilter.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"

double PlasmaOffset(int brightness) { return (100 - brightness) / 100.0; }
double PlasmaScale(int noise) { return noise / 100.0; }

TPlasmaFill::TPlasmaFill(TRandomGenerator& random) : FRandom(random) {
    for (int i = 0; i <= 256; ++i) {
        WarpTable[0][i] = static_cast<float>(-std::sin(i / 64.0));
        WarpTable[1][i] = static_cast<float>(std::sin(i / 64.0));
    }
}

void TPlasmaFill::Seed(TGrid& grid) {
    if (FReseed) FRandom.SetSeed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const int last = PlasmaGridSize - 1;
    for (const auto& corner : {std::pair<int, int>(0, last), {last, last}, {last, 0}, {0, 0}})
        grid[corner.first * PlasmaGridSize + corner.second] = static_cast<uint8_t>(FRandom.NextInt(255));
}

void TPlasmaFill::EdgeMidpoint(TGrid& grid, TGridKind kind, int tx, int ty, int px, int py, int qx, int qy) {
    uint8_t& target = grid[tx * PlasmaGridSize + ty];
    if (target != 0) return;
    const int d = std::abs(px - qx) + std::abs(py - qy);
    const double mean = (grid[px * PlasmaGridSize + py] + grid[qx * PlasmaGridSize + qy]) / 2.0;
    const double r = FRandom.NextReal();
    double value;
    if (kind == gkShape) {
        value = (r - 0.5) * d * 2 + mean;
        if (value < 1) value = 1;
    } else {
        value = (r - FOffset) * d * FScale + mean;
        if (value < 0) value = 0;
    }
    if (value >= 255) value = 255;
    target = static_cast<uint8_t>(Trunc(value));
}

void TPlasmaFill::Subdivide(TGrid& grid, TGridKind kind, int x1, int y1, int x2, int y2) {
    if (x2 - x1 < 2 && y2 - y1 < 2) return;
    const int mx = (x1 + x2) / 2, my = (y1 + y2) / 2;
    EdgeMidpoint(grid, kind, mx, y1, x1, y1, x2, y1);
    EdgeMidpoint(grid, kind, x2, my, x2, y1, x2, y2);
    EdgeMidpoint(grid, kind, mx, y2, x1, y2, x2, y2);
    EdgeMidpoint(grid, kind, x1, my, x1, y1, x1, y2);
    uint8_t& centre = grid[mx * PlasmaGridSize + my];
    if (centre == 0) {
        const int sum = grid[x1 * PlasmaGridSize + y1] + grid[x2 * PlasmaGridSize + y1] +
                        grid[x2 * PlasmaGridSize + y2] + grid[x1 * PlasmaGridSize + y2];
        centre = static_cast<uint8_t>(Trunc(sum / 4.0));
    }
    Subdivide(grid, kind, x1, y1, mx, my);
    Subdivide(grid, kind, mx, y1, x2, my);
    Subdivide(grid, kind, mx, my, x2, y2);
    Subdivide(grid, kind, x1, my, mx, y2);
}

void TPlasmaFill::MakePlasma() {
    Seed(ShapeGrid);
    Subdivide(ShapeGrid, gkShape, 0, 0, PlasmaGridSize - 1, PlasmaGridSize - 1);
}

void TPlasmaFill::MakePlasmaScaled(double offset, double scale) {
    FOffset = offset;
    FScale = scale;
    Seed(PlasmaGrid);
    Subdivide(PlasmaGrid, gkPlasma, 0, 0, PlasmaGridSize - 1, PlasmaGridSize - 1);
}

void TPlasmaFill::RenderPlasma(bool regenerate, TPixelGraphic& image, const TColourTable& palette, int style,
                               double offset, double scale) {
    if (regenerate) {
        PlasmaGrid.fill(0);
        ShapeGrid.fill(0);
        MakePlasmaScaled(offset, scale);
        MakePlasma();
    }
    const int w = std::min(image.GetWidth(), PlasmaGridSize), h = std::min(image.GetHeight(), PlasmaGridSize);
    auto forEachCell = [&](auto colourOf) {
        for (int i = 0; i < w; ++i)
            for (int j = 0; j < h; ++j) image.SetPixelColor(i, j, colourOf(i, j));
    };
    switch (style) {
        case psClouds: forEachCell([&](int i, int j) { return palette[PlasmaCell(i, j)]; }); break;
        case psWood:
            forEachCell([&](int i, int j) {
                const int v = PlasmaCell(i, j);
                return palette[std::abs(Trunc(std::sin(v / 8.0) * v))];
            });
            break;
        case psMarble:
            forEachCell([&](int i, int j) {
                const int32_t v = static_cast<int32_t>(Trunc(std::sin(PlasmaCell(i, j) / 16.0) * 256));
                return palette[v & ShapeCell(i, j)];
            });
            break;
        case psAquarell:
            forEachCell([&](int i, int j) {
                int u = PlasmaCell(i + static_cast<int>(Round(WarpTable[0][i])), j);
                int w2 = PlasmaCell(j + static_cast<int>(Round(WarpTable[1][j])), i);
                if (u > PlasmaImageSize) u -= PlasmaImageSize;
                if (w2 > PlasmaImageSize) w2 -= PlasmaImageSize;
                return palette[ShapeCell(u, w2)];
            });
            break;
        case psBumpySurface: {
            TPixelGraphic flat;
            flat.Assign(&image);
            for (int i = 0; i < w; ++i)
                for (int j = 0; j < h; ++j) flat.SetPixelColor(i, j, palette[PlasmaCell(i, j)]);
            TEmbossFilter emboss(1, 127);
            image.ApplyFilter(emboss, flat);
            for (int y = 0; y < image.GetHeight(); ++y)
                for (int x = 0; x < image.GetWidth(); ++x)
                    image.SetPixelColor(x, y, palette[image.GetPixelColor(x, y) & 0xFF]);
            break;
        }
        default: break;
    }
    image.DoChange();
}

void PaintPaletteStrip(TPixelGraphic& strip, const TColourTable& palette) {
    for (int i = 0; i < ColourTableSize; ++i)
        for (int y = 0; y < 20; ++y) strip.SetPixelColor(i, y, palette[i]);
    strip.DoChange();
}
