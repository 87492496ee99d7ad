#pragma once
// Colours as the framework holds them: $00BBGGRR, red in the low byte. Values
// with the top byte $80 name system colours, resolved to fixed classic RGB
// values so that every machine draws the same pixels.
#include <cstdint>
#include <string>

using TColor = int32_t;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0, clBackground = clSystemColor | 1, clActiveCaption = clSystemColor | 2,
                 clInactiveCaption = clSystemColor | 3, clMenu = clSystemColor | 4, clWindow = clSystemColor | 5,
                 clWindowFrame = clSystemColor | 6, clMenuText = clSystemColor | 7, clWindowText = clSystemColor | 8,
                 clCaptionText = clSystemColor | 9, clActiveBorder = clSystemColor | 10,
                 clInactiveBorder = clSystemColor | 11, clAppWorkSpace = clSystemColor | 12,
                 clHighlight = clSystemColor | 13, clHighlightText = clSystemColor | 14, clBtnFace = clSystemColor | 15,
                 clBtnShadow = clSystemColor | 16, clGrayText = clSystemColor | 17, clBtnText = clSystemColor | 18,
                 clInactiveCaptionText = clSystemColor | 19, clBtnHighlight = clSystemColor | 20,
                 cl3DDkShadow = clSystemColor | 21, cl3DLight = clSystemColor | 22, clInfoText = clSystemColor | 23,
                 clInfoBk = clSystemColor | 24;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

inline constexpr uint8_t GetRValue(uint32_t c) { return static_cast<uint8_t>(c & 0xFF); }
inline constexpr uint8_t GetGValue(uint32_t c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline constexpr uint8_t GetBValue(uint32_t c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
inline constexpr uint32_t RGB(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}

// RGB value of a system colour index (0..24), classic scheme.
uint32_t GetSysColor(int index);
// Resolves system colours to RGB; other values keep their low three bytes
// (clNone and clDefault resolve to black and white as the framework did not).
uint32_t ColorToRGB(TColor c);
// "clBlack" .. or "$" and eight hex digits.
std::string ColorToString(TColor c);
// Identifier, "$hex", or decimal; raises EConvertError on anything else.
TColor StringToColor(const std::string& s);
bool IdentToColor(const std::string& ident, TColor& out);
