#include "platform/IntText.h"

#include "platform/Exception.h"

bool TryStrToInt(const std::string& text, int32_t& value) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const bool hex = i < n && text[i] == '$';
    if (hex) ++i;
    if (i >= n) return false;
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const char ch = text[i];
        int digit;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        else if (hex && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        else if (hex && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        else return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        const uint32_t bits = static_cast<uint32_t>(magnitude);
        value = static_cast<int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

int32_t StrToInt(const std::string& text) {
    int32_t v;
    if (!TryStrToInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
    int32_t v;
    return TryStrToInt(text, v) ? v : fallback;
}
