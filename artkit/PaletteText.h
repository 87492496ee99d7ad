#pragma once
// Gradient palettes: five colour stops carried as a short text ("palette
// text") and expanded into a 257-entry colour table. Both programs read and
// write the same text and use the same expansion.
//
// Colour helpers both programs use live next door:
//   artkit/Painters.h     ClampRGB, ShiftColor, Hypotenuse, MixGraphics,
//                         BoolToText / TextToBool
//   artkit/EmbossFilter.h TEmbossFilter
#include <array>
#include <cstdint>
#include <string>

// Fifteen stop components, each in 1..256 (a value v stands for the colour
// component v - 1): stop 1 red, green, blue, then stops 2..5 likewise.
constexpr int PaletteComponentCount = 15;
using TPaletteStops = std::array<int32_t, PaletteComponentCount>;

// 257 colours ($00BBGGRR), entries 0..256. Stops sit at 0, 64, 128, 192, 256.
constexpr int ColourTableSize = 257;
using TColourTable = std::array<uint32_t, ColourTableSize>;

// What the text "default" stands for.
extern const char* const DefaultPaletteText;
// Palette texts are short strings: only this many characters are read.
constexpr size_t MaxPaletteTextLength = 255;

// Clamps a component set from outside to 1..256.
int32_t ClampPaletteComponent(int64_t value);

// Reads a palette text ("default" included) into the components. The whole
// text is parsed first: a field that is no integer raises EConvertError and
// leaves the components untouched. Missing fields read as 1.
void ReadPaletteText(const std::string& text, TPaletteStops& stops);
TPaletteStops PaletteTextToStops(const std::string& text);

// Every component followed by ";" (the last one too).
std::string WritePaletteText(const TPaletteStops& stops);

// Four segments of 65 entries sharing their end entries 64, 128 and 192.
void ExpandPalette(const TPaletteStops& stops, TColourTable& table);
TColourTable ExpandPalette(const TPaletteStops& stops);
// Reads and expands in one step (raises like ReadPaletteText).
TColourTable PaletteTextToTable(const std::string& text);
