// Compiles arbitrary text as an expression and evaluates what compiles:
// every failure must be one of the parser's typed errors, every answer a
// finite number, compiling the same text again must give the same list, and
// the list staged for a pass over a small grid must give the same bits and
// draws as the whole list run at every point.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

    // A 3 x 2 grid, x outer: the whole list, then the stages, seeded alike.
    const std::vector<double> xs = {vars[3], 0, vars[3]}, ys = {128, vars[0]};
    auto set = [&](TParser& p, size_t x, size_t y) {
        p.X = xs[x];
        p.Y = ys[y];
        p.r = vars[0] + static_cast<double>(x);
        p.g = vars[1] - static_cast<double>(y);
        p.B = vars[2];
    };
    std::vector<uint64_t> expected;
    bool faulted = false;
    SetRandSeed(7);
    try {
        for (size_t x = 0; x < xs.size(); ++x)
            for (size_t y = 0; y < ys.size(); ++y) {
                set(parser, x, y);
                const double v = parser.GetValue();
                uint64_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                expected.push_back(bits);
            }
    } catch (const Exception&) {
        faulted = true;
    }
    const uint32_t seedAfter = GetRandSeed();
    SetRandSeed(7);
    TGridStages stages;
    if (!stages.Prepare(parser, &parser.X, xs, &parser.Y, ys, {&parser.r, &parser.g, &parser.B})) {
        if (!faulted) std::abort();  // only a value that fails somewhere is refused ahead
        return 0;
    }
    std::vector<uint64_t> got;
    bool gotFault = false;
    try {
        for (size_t x = 0; x < xs.size(); ++x) {
            parser.X = xs[x];
            stages.EnterColumn(static_cast<int>(x));
            for (size_t y = 0; y < ys.size(); ++y) {
                set(parser, x, y);
                const double v = stages.Value(static_cast<int>(y));
                uint64_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                got.push_back(bits);
            }
        }
    } catch (const Exception&) {
        gotFault = true;
    }
    if (got != expected || gotFault != faulted || GetRandSeed() != seedAfter) std::abort();
    return 0;
}
