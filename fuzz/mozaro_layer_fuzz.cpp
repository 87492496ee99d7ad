// Layer values as a damaged or forged tile file can carry them: any integer
// for every slider, any seed text, any palette, any blend mode, weight and
// tag. Rendering and blending must stay inside the pictures and give the
// same picture twice.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/PGraphic.h"
#include "mozaro/Blend.h"
#include "mozaro/Layer.h"

namespace {

struct TBytes {
    const uint8_t* Data;
    size_t Size;
    int32_t Int() {
        int32_t v = 0;
        size_t n = Size < 4 ? Size : 4;
        std::memcpy(&v, Data, n);
        Data += n;
        Size -= n;
        return v;
    }
};

uint32_t Sum(const TPixelGraphic& g) {
    uint32_t h = 2166136261u;
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) h = (h ^ g.GetPixelColor(x, y)) * 16777619u;
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TBytes in{data, size};
    TLayerParams p;
    p.Algorithm = in.Int();
    p.Brightness = in.Int();
    p.Cycle = in.Int();
    p.Amplitude = in.Int();
    p.Turbulence1 = in.Int();
    p.Turbulence2 = in.Int();
    p.Twist = in.Int();
    const int32_t flags = in.Int();
    p.FlipHorizontal = flags & 1;
    p.FlipVertical = flags & 2;
    p.Cards = flags & 4;
    p.Embossed = flags & 8;
    const int32_t mode = in.Int(), weight = in.Int(), tag = in.Int();
    // Unsigned shift: a negative high word is an ordinary input.
    const uint64_t high = static_cast<uint32_t>(in.Int());
    const int64_t position = static_cast<int64_t>(high << 32 | static_cast<uint32_t>(in.Int()));
    TColourTable palette;
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint32_t>(in.Int()) ^ (i * 0x010203u);
    p.SeedText.assign(reinterpret_cast<const char*>(in.Data), in.Size);

    const int w = WrapPalettePosition(position);
    if (w < 0 || w > 255) std::abort();
    const int normal = NormalizeBlendTag(tag);
    if (normal < 1 || normal > 16 || BlendTagInfo(normal).Tag != normal) std::abort();

    THeightMapCache cache;
    TPixelGraphic import, layer, again, view;
    import.SetSize(256, 256, 3);
    view.SetSize(1 + (flags >> 8 & 0xFF), 1 + (flags >> 16 & 0xFF), 3);
    RenderLayer(p, palette, cache, &import, layer, &view);
    RenderLayer(p, palette, cache, &import, again);
    if (layer.GetWidth() != 256 || layer.GetHeight() != 256 || Sum(layer) != Sum(again)) std::abort();

    BlendLayers(again, layer, weight, mode);
    BlendLayers(view, layer, weight, mode);  // sizes differ
    DrawPaletteStrip(view, palette, p.Cycle, p.Brightness);
    return 0;
}
