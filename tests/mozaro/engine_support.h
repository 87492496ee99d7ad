#pragma once
// Pictures for the tile generator's engine tests.
#include <cstdint>
#include <functional>
#include <memory>

#include "artkit/PaletteText.h"
#include "image/PGraphic.h"

namespace mztest {

// A 24-bit picture whose pixel (x, y) has colour fn(x, y).
std::unique_ptr<TPixelGraphic> Picture(int width, int height, const std::function<uint32_t(int, int)>& fn);
// Every pixel of a picture as one colour.
std::unique_ptr<TPixelGraphic> Flat(int width, int height, uint32_t colour);
// FNV-1a over the colours, row by row (size included).
uint32_t Checksum(const TPixelGraphic& g);
// A palette whose entries all differ, with unequal first and last stops.
const TColourTable& TestPalette();

}  // namespace mztest
