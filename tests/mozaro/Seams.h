#pragma once
// How well a tile repeats: placed beside itself, its last column runs into
// its first, and that step should be no larger than the largest between two
// neighbouring columns inside; the same for the rows. A step is the mean
// absolute difference of the red, green and blue channels along the two
// columns (rows).
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "image/PGraphic.h"

namespace mztest {

// A picture as its size and channel c (0 red, 1 green, 2 blue) of pixel (x, y).
struct TChannels {
    int Width = 0, Height = 0;
    std::function<int(int x, int y, int c)> At;
};

inline TChannels ChannelsOf(const TPixelGraphic& g) {
    return {g.GetWidth(), g.GetHeight(),
            [&g](int x, int y, int c) { return static_cast<int>((g.GetPixelColor(x, y) >> (8 * c)) & 255); }};
}

inline double ColumnStep(const TChannels& p, int a, int b) {
    double sum = 0;
    for (int y = 0; y < p.Height; ++y)
        for (int c = 0; c < 3; ++c) sum += std::abs(p.At(a, y, c) - p.At(b, y, c));
    return sum / (p.Height * 3);
}

inline double RowStep(const TChannels& p, int a, int b) {
    double sum = 0;
    for (int x = 0; x < p.Width; ++x)
        for (int c = 0; c < 3; ++c) sum += std::abs(p.At(x, a, c) - p.At(x, b, c));
    return sum / (p.Width * 3);
}

struct TSeams {
    double WrapColumns = 0, InnerColumns = 0;  // last to first column; largest inner step
    double WrapRows = 0, InnerRows = 0;
};

inline TSeams MeasureSeams(const TChannels& p) {
    TSeams s;
    for (int i = 0; i + 1 < p.Width; ++i) s.InnerColumns = std::max(s.InnerColumns, ColumnStep(p, i, i + 1));
    for (int i = 0; i + 1 < p.Height; ++i) s.InnerRows = std::max(s.InnerRows, RowStep(p, i, i + 1));
    s.WrapColumns = ColumnStep(p, p.Width - 1, 0);
    s.WrapRows = RowStep(p, p.Height - 1, 0);
    return s;
}

}  // namespace mztest
