#pragma once
// Reads the colours of a picture that stays unchanged while it is read (the
// source of a filter run): 24-bit rows straight from memory, anything else,
// and pixels outside, through GetPixelColor.
#include <cstdint>

#include "image/PGraphic.h"

class TColorReader {
public:
    TColorReader() = default;
    explicit TColorReader(const TPixelGraphic* graphic) : FGraphic(graphic) {
        if (graphic && graphic->GetBitCountNum() == 3 && !graphic->GetEmpty()) {
            FBits = graphic->GetBits();
            FRowSize = graphic->GetRowSize();
            FWidth = graphic->GetWidth();
            FHeight = graphic->GetHeight();
        }
    }
    uint32_t operator()(int x, int y) const {
        if (FBits && static_cast<unsigned>(x) < static_cast<unsigned>(FWidth) &&
            static_cast<unsigned>(y) < static_cast<unsigned>(FHeight)) {
            const uint8_t* p = FBits + static_cast<int64_t>(FRowSize) * y + 3 * x;
            return p[2] | (p[1] << 8) | (static_cast<uint32_t>(p[0]) << 16);
        }
        return FGraphic->GetPixelColor(x, y);
    }

private:
    const TPixelGraphic* FGraphic = nullptr;
    const uint8_t* FBits = nullptr;
    int FRowSize = 0, FWidth = 0, FHeight = 0;
};
