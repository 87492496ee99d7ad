#include "glimmo/EmbossFilter.h"

#include "image/PGraphic.h"

namespace {

// Sum of the three channels of a colour.
inline int ChannelSum(uint32_t c) { return static_cast<int>((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)); }

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
    const int sum = ChannelSum(u) - ChannelSum(v);
    const int divisor = Divisor == 0 ? 1 : Divisor;
    int64_t value = static_cast<int64_t>(sum) / divisor + Bias;
    if (value < 0) value = 0;
    if (value > 255) value = 255;
    const uint32_t g = static_cast<uint32_t>(value);
    return g | (g << 8) | (g << 16);
}
