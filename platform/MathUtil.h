#pragma once
// The three integer conversions every algorithm is written in: Round is to the
// nearest with halves to even, Trunc cuts toward zero, Div truncates.
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/Exception.h"

// A value with no 64-bit integer part (NaN, an infinity, beyond 2^63)
// raises EInvalidOp, as the runtime's conversions do; the cast itself would
// be undefined.
[[noreturn, gnu::cold, gnu::noinline]] inline void IntegerConversionFailed() {
    throw EInvalidOp("Invalid floating point operation");
}
template <typename F>
inline int64_t ToInt64Checked(F truncated) {
    if (!(truncated >= F(-9223372036854775808.0) && truncated < F(9223372036854775808.0))) IntegerConversionFailed();
    return static_cast<int64_t>(truncated);
}

// rint rounds exactly as nearbyint does in the default rounding mode (the
// only one this program uses) but compiles to one instruction, where
// nearbyint saves and restores the floating-point environment: thirty times
// slower in the pixel loops.
inline int64_t Round(long double x) { return ToInt64Checked(std::rintl(x)); }
inline int64_t Round(double x) { return ToInt64Checked(std::rint(x)); }
inline int64_t Round(float x) { return ToInt64Checked(std::rint(static_cast<double>(x))); }
inline int64_t Trunc(long double x) { return ToInt64Checked(x); }
inline int64_t Trunc(double x) { return ToInt64Checked(x); }

// Integer division truncating toward zero (C++ already does; the name keeps
// the formulas readable where they are transcribed).
template <typename T>
constexpr T Div(T a, T b) {
    return a / b;
}
template <typename T>
constexpr T Mod(T a, T b) {
    return a % b;
}

// Modulo whose result has the sign of the divisor (0 <= r < m for m > 0).
template <typename T>
constexpr T PosMod(T a, T m) {
    T r = a % m;
    return r < 0 ? r + m : r;
}

template <typename T>
constexpr T Clamp(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// The framework's MulDiv: a * b / c with a 64-bit product, rounded half away
// from zero; -1 when c is 0 or the result does not fit.
inline int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t p = static_cast<int64_t>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const uint64_t ap = static_cast<uint64_t>(p < 0 ? -p : p);
    const uint64_t ac = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
    const uint64_t q = (ap + ac / 2) / ac;
    if (q > static_cast<uint64_t>(std::numeric_limits<int>::max())) return -1;
    return negative ? -static_cast<int>(q) : static_cast<int>(q);
}

// Checked conversion of a floating value to int32 (NaN, infinities and
// out-of-range values are reported instead of being undefined).
inline bool FloatToInt32Checked(long double v, int32_t& out) {
    if (!(v >= -2147483648.0L && v < 2147483648.0L)) return false;
    out = static_cast<int32_t>(v);
    return true;
}
