#pragma once
// The runtime's text-to-integer conversions: leading blanks, an optional
// sign, then decimal digits or "$" and hexadecimal digits, nothing after
// them. Decimal values must lie within 32 bits; hexadecimal text covers the
// whole 32-bit pattern, read as signed ("$FFFFFFFF" is -1).
#include <cstdint>
#include <string>

bool TryStrToInt(const std::string& text, int32_t& value);
// Raises EConvertError "'text' is not a valid integer value".
int32_t StrToInt(const std::string& text);
int32_t StrToIntDef(const std::string& text, int32_t fallback);
