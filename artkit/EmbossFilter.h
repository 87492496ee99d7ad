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
    void CalcDestRow(int Y, uint8_t* Row, int Width) override;
    // Reads neighbours, so it never works in place nor on palette entries.
    bool CanProcessPaletteAndIdenticalSource() override { return false; }

    // A divisor of 0 is taken as 1.
    int32_t Divisor = 1;
    int32_t Bias = 0;

private:
    // Grey level by channel-sum difference + 765, for Divisor and Bias as
    // they were when it was built.
    void BuildLevels();
    uint8_t FLevels[2 * 765 + 1] = {};
    int32_t FLevelsDivisor = 0, FLevelsBias = 0;
    bool FLevelsBuilt = false;
    TColorReader FRead;
    const TPixelGraphic* FReadFor = nullptr;
};
