#pragma once
// The emboss filter of the plasma fill and of the tile generator's layers:
// a grey picture from the difference between each pixel's upper-left and
// lower-right neighbours.
#include <cstdint>

#include "image/PGColorReader.h"
#include "image/PGFilter.h"

class TEmbossFilter : public TPGFilter {
public:
    TEmbossFilter() = default;
    TEmbossFilter(int32_t divisor, int32_t bias) : Divisor(divisor), Bias(bias) {}

    void BeginProcess(TPixelGraphic* ASource) override;
    uint32_t CalcDestPixel(int X, int Y) override;
    // Reads neighbours, so it never works in place nor on palette entries.
    bool CanProcessPaletteAndIdenticalSource() override { return false; }

    // A divisor of 0 is taken as 1.
    int32_t Divisor = 1;
    int32_t Bias = 0;

private:
    TColorReader FRead;
    const TPixelGraphic* FReadFor = nullptr;
};
