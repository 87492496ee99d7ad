// Colour and integer texts of parameter files: any text converts or raises
// EConvertError, and what converts is written back to a text that converts
// to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Colors.h"
#include "platform/Exception.h"
#include "platform/IntText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    int32_t value = 0;
    const bool isInt = TryStrToInt(text, value);
    try {
        if (StrToInt(text) != value || !isInt) std::abort();
    } catch (const EConvertError&) {
        if (isInt) std::abort();
    }
    if (StrToIntDef(text, 12345) != (isInt ? value : 12345)) std::abort();
    if (isInt && StrToInt(std::to_string(value)) != value) std::abort();

    try {
        const TColor c = StringToColor(text);
        if (StringToColor(ColorToString(c)) != c) std::abort();
    } catch (const EConvertError&) {
    }
    if (size >= 4) {
        const TColor c = static_cast<TColor>(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                             uint32_t(data[3]) << 24);
        if (StringToColor(ColorToString(c)) != c) std::abort();
    }
    return 0;
}
