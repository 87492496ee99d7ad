#pragma once
// Small picture helpers for the button designer's tests.
#include <cstdint>
#include <cstring>

#include "image/PGraphic.h"
#include "platform/Colors.h"

namespace gwtest {

// A 24-bit picture of w x h filled with one colour.
inline void MakeFlat(TPixelGraphic& g, int w, int h, uint32_t colour) {
    g.SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g.SetPixelColor(x, y, colour);
}

// True when both pictures have the same size and pixels.
inline bool SamePixels(const TPixelGraphic& a, const TPixelGraphic& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixelColor(x, y) != b.GetPixelColor(x, y)) return false;
    return true;
}

// Grey level (red channel) of a pixel.
inline int Red(const TPixelGraphic& g, int x, int y) { return GetRValue(g.GetPixelColor(x, y)); }

}  // namespace gwtest
