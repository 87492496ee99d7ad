#include "platform/Colors.h"

#include <strings.h>
#include <cstdio>

#include "platform/Exception.h"
#include "platform/IntText.h"

namespace {
struct ColorIdent {
    TColor value;
    const char* name;
};
const ColorIdent kIdents[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

// The classic (Windows Standard) scheme.
const uint32_t kSysColors[25] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225),
};
}  // namespace

uint32_t GetSysColor(int index) {
    if (index < 0 || index > 24) return 0;
    return kSysColors[index];
}

uint32_t ColorToRGB(TColor c) {
    uint32_t u = static_cast<uint32_t>(c);
    if (u & 0x80000000u) return GetSysColor(static_cast<int>(u & 0xFF));
    return u & 0xFFFFFFu;
}

std::string ColorToString(TColor c) {
    for (const auto& id : kIdents)
        if (id.value == c) return id.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%.8X", static_cast<uint32_t>(c));
    return buf;
}

bool IdentToColor(const std::string& ident, TColor& out) {
    for (const auto& id : kIdents)
        if (strcasecmp(id.name, ident.c_str()) == 0) {
            out = id.value;
            return true;
        }
    return false;
}

TColor StringToColor(const std::string& s) {
    TColor c;
    if (IdentToColor(s, c)) return c;
    // Blanks around the number and a C-style "0x" are accepted as well.
    std::string t = s;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
    const size_t sign = t.find_first_not_of(" \t");
    const size_t at = sign != std::string::npos && (t[sign] == '+' || t[sign] == '-') ? sign + 1 : sign;
    if (at != std::string::npos && (t.compare(at, 2, "0x") == 0 || t.compare(at, 2, "0X") == 0)) t.replace(at, 2, "$");
    int32_t v;
    if (!TryStrToInt(t, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}
