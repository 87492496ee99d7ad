// Compiles arbitrary text as an expression and evaluates what compiles:
// every failure must be one of the parser's typed errors, every answer a
// finite number, and compiling the same text again must give the same list.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mozaro/Parser.h"
#include "platform/Random.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first bytes choose the variables, the rest is the text.
    double vars[4] = {0, 0, 0, 0};
    for (int k = 0; k < 4 && size > 0; ++k, ++data, --size) vars[k] = static_cast<int8_t>(*data) * 3.5;
    const std::string text(reinterpret_cast<const char*>(data), size);

    TParser parser;
    try {
        parser.SetExpression(text);
    } catch (const EMathParserError&) {
        return 0;
    }
    TParser again;
    again.SetExpression(text);
    if (again.CompiledOps() != parser.CompiledOps()) std::abort();

    SetRandSeed(static_cast<uint32_t>(size));
    for (int round = 0; round < 3; ++round) {
        parser.r = vars[0] + round;
        parser.g = vars[1];
        parser.B = vars[2];
        parser.X = vars[3] * round;
        parser.Y = 128 - round;
        try {
            if (!std::isfinite(parser.GetValue())) std::abort();
        } catch (const EMathError&) {
        } catch (const EIntError&) {
        }
    }
    return 0;
}
