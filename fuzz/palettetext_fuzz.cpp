// Palette texts come from parameter files and the user-gradient store: any
// text must either read into components of 1..256 or raise the conversion
// error with the components untouched.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "artkit/PaletteText.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TPaletteStops stops;
    stops.fill(77);
    const TPaletteStops before = stops;
    try {
        ReadPaletteText(text, stops);
    } catch (const EConvertError&) {
        if (stops != before) std::abort();
        return 0;
    }
    for (int32_t v : stops)
        if (v < 1 || v > 256) std::abort();
    if (PaletteTextToStops(WritePaletteText(stops)) != stops) std::abort();
    const TColourTable table = ExpandPalette(stops);
    if ((table[0] >> 24) != 0 || (table[256] >> 24) != 0) std::abort();
    return 0;
}
