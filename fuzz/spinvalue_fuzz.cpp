// The spin edit's text: any text parses or is refused without harm, and
// any number written in fixed notation reads back as that number rounded to
// its decimals.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QString>

#include "widgets/RxSpin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    double x;
    std::memcpy(&x, data, sizeof x);
    const int decimal = data[8] % 20;
    const QChar sep = (data[9] & 1) ? QLatin1Char(',') : QLatin1Char('.');
    const TValueType type = (data[9] & 2) ? vtFloat : vtInteger;
    data += 10;
    size -= 10;

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    double v = 0;
    if (ParseSpinValue(text, type, sep, v) && !std::isfinite(v)) std::abort();
    const QString filtered = FilterSpinText(text, type, sep);
    for (QChar c : filtered)
        if (!SpinCharAllowed(c, type, sep, true)) std::abort();

    const QString written = FormatSpinValue(x, vtFloat, decimal, sep);
    if (std::isfinite(x) && std::fabs(x) < 1e15) {
        double back = 0;
        if (!ParseSpinValue(written, vtFloat, sep, back)) std::abort();
        // Off by at most half a unit of the last decimal (and the 15th digit).
        const double tolerance = 0.5 * std::pow(10.0, -std::min(decimal, 18)) + std::fabs(x) * 1e-14 + 1e-300;
        if (std::fabs(back - x) > tolerance * 1.0000001) std::abort();
    }
    const QString integer = FormatSpinValue(x, vtInteger, decimal, sep);
    if (std::isfinite(x) && std::fabs(x) < 2e9) {
        double back = 0;
        if (!ParseSpinValue(integer, vtInteger, sep, back) || back != std::nearbyint(x)) std::abort();
    }
    return 0;
}
