#include "artkit/EmbossFilter.h"

#include "image/PGraphic.h"

namespace {

// Sum of the three channels of a colour.
inline int ChannelSum(uint32_t c) { return static_cast<int>((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)); }

// Grey level of a channel-sum difference, limited to 0..255.
uint8_t Level(int sum, int32_t divisor, int32_t bias) {
    int64_t value = static_cast<int64_t>(sum) / (divisor == 0 ? 1 : divisor) + bias;
    if (value < 0) value = 0;
    if (value > 255) value = 255;
    return static_cast<uint8_t>(value);
}

}  // namespace

void TEmbossFilter::BeginProcess(TPixelGraphic* ASource) {
    TPGFilter::BeginProcess(ASource);
    // 24-bit sources are read straight from their rows.
    FRead = TColorReader(ASource);
    FReadFor = ASource;
}

uint32_t TEmbossFilter::CalcDestPixel(int X, int Y) {
    const TPixelGraphic& s = *Source;
    if (FReadFor != Source) BeginProcess(Source);  // called outside a run
    const uint32_t c = FRead(X, Y);
    const uint32_t u = (X - 1 < 0 || Y - 1 < 0) ? c : FRead(X - 1, Y - 1);
    const uint32_t v = (X + 1 < s.GetWidth() && Y + 1 < s.GetHeight()) ? FRead(X + 1, Y + 1) : c;
    // (Ru - Rc) + ... + (Rc - Rv) + ... is the channel sums' difference.
    const uint32_t g = Level(ChannelSum(u) - ChannelSum(v), Divisor, Bias);
    return g | (g << 8) | (g << 16);
}

void TEmbossFilter::BuildLevels() {
    for (int d = -765; d <= 765; ++d) FLevels[d + 765] = Level(d, Divisor, Bias);
    FLevelsDivisor = Divisor;
    FLevelsBias = Bias;
    FLevelsBuilt = true;
}

void TEmbossFilter::CalcDestRow(int Y, uint8_t* Row, int Width) {
    const TPixelGraphic& s = *Source;
    const int w = s.GetWidth(), h = s.GetHeight();
    if (s.GetBitCountNum() != 3 || s.GetEmpty() || Width != w || Y < 0 || Y >= h) {
        TPGFilter::CalcDestRow(Y, Row, Width);
        return;
    }
    if (!FLevelsBuilt || FLevelsDivisor != Divisor || FLevelsBias != Bias) BuildLevels();
    auto sum = [](const uint8_t* p) { return p[0] + p[1] + p[2]; };
    const uint8_t* bits = s.GetBits();
    const ptrdiff_t rowSize = s.GetRowSize();
    const uint8_t* centre = bits + rowSize * Y;
    // Upper-left and lower-right neighbours; the centre stands in for those
    // beyond the edges.
    const uint8_t* up = Y > 0 ? centre - rowSize : nullptr;
    const uint8_t* down = Y + 1 < h ? centre + rowSize : nullptr;
    for (int x = 0; x < w; ++x) {
        const int c = sum(centre + 3 * x);
        const int u = up && x > 0 ? sum(up + 3 * (x - 1)) : c;
        const int v = down && x + 1 < w ? sum(down + 3 * (x + 1)) : c;
        const uint8_t g = FLevels[u - v + 765];
        uint8_t* p = Row + 3 * x;
        p[0] = p[1] = p[2] = g;
    }
}
