#include "artkit/PaletteText.h"

#include "platform/Colors.h"
#include "platform/Exception.h"
#include "platform/IntText.h"
#include "platform/MathUtil.h"

const char* const DefaultPaletteText = "0;0;0;128;128;128;256;256;256;128;128;128;0;0;0";

int32_t ClampPaletteComponent(int64_t value) { return static_cast<int32_t>(Clamp<int64_t>(value, 1, 256)); }

void ReadPaletteText(const std::string& text, TPaletteStops& stops) {
    std::string source = text == "default" ? std::string(DefaultPaletteText) : text;
    if (source.size() > MaxPaletteTextLength) source.resize(MaxPaletteTextLength);

    // Parse into a scratch copy so that a bad field changes nothing.
    TPaletteStops parsed{};
    size_t pos = 0;
    for (int k = 0; k < PaletteComponentCount; ++k) {
        std::string field;
        if (pos < source.size()) {
            const size_t semicolon = source.find(';', pos);
            const size_t end = semicolon == std::string::npos ? source.size() : semicolon;
            field = source.substr(pos, end - pos);
            pos = semicolon == std::string::npos ? source.size() : semicolon + 1;
        }
        if (field.empty()) {
            parsed[k] = 1;
            continue;
        }
        parsed[k] = ClampPaletteComponent(StrToInt(field));
    }
    stops = parsed;
}

TPaletteStops PaletteTextToStops(const std::string& text) {
    TPaletteStops stops{};
    ReadPaletteText(text, stops);
    return stops;
}

std::string WritePaletteText(const TPaletteStops& stops) {
    std::string out;
    for (int32_t v : stops) out += std::to_string(v) + ";";
    return out;
}

void ExpandPalette(const TPaletteStops& stops, TColourTable& table) {
    auto component = [&](int index) { return static_cast<int>(stops[index]) - 1; };
    auto step = [](int s, int e, int i) {
        // (e - s) * i / 64 is a multiple of 1/64, exact in a double.
        const int64_t v = s < e ? s + Round(static_cast<double>(e - s) * i / 64.0)
                                : s - Round(static_cast<double>(s - e) * i / 64.0);
        return static_cast<int>(Clamp<int64_t>(v, 0, 255));
    };
    for (int k = 0; k < 4; ++k) {
        const int from = 3 * k, to = 3 * (k + 1);
        for (int i = 0; i <= 64; ++i) {
            table[64 * k + i] = RGB(step(component(from), component(to), i),
                                    step(component(from + 1), component(to + 1), i),
                                    step(component(from + 2), component(to + 2), i));
        }
    }
}

TColourTable ExpandPalette(const TPaletteStops& stops) {
    TColourTable table{};
    ExpandPalette(stops, table);
    return table;
}

TColourTable PaletteTextToTable(const std::string& text) { return ExpandPalette(PaletteTextToStops(text)); }
