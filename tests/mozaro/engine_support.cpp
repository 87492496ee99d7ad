#include "mozaro/engine_support.h"

namespace mztest {

std::unique_ptr<TPixelGraphic> Picture(int width, int height, const std::function<uint32_t(int, int)>& fn) {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(width, height, 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) g->SetPixelColor(x, y, fn(x, y));
    return g;
}

std::unique_ptr<TPixelGraphic> Flat(int width, int height, uint32_t colour) {
    return Picture(width, height, [colour](int, int) { return colour; });
}

uint32_t Checksum(const TPixelGraphic& g) {
    uint32_t h = 2166136261u;
    auto add = [&h](uint32_t v) {
        for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 16777619u;
    };
    add(static_cast<uint32_t>(g.GetWidth()));
    add(static_cast<uint32_t>(g.GetHeight()));
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) add(g.GetPixelColor(x, y));
    return h;
}

const TColourTable& TestPalette() {
    static const TColourTable table = PaletteTextToTable("1;20;60;90;256;30;256;180;120;40;70;256;200;1;100;");
    return table;
}

}  // namespace mztest
