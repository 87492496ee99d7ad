// The staged evaluation of the expression passes against running the whole
// list at every point: on generated texts mixing X, Y, the pixel's R, G, B,
// other variables, constants and the random functions, every value must be
// the same double, every fault the same at the same point, and the random
// generator must end where it ends when every point runs the whole list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <typeinfo>
#include <vector>

#include "image/PGraphic.h"
#include "mozaro/Parser.h"
#include "mozaro/PostProcess.h"
#include "platform/Colors.h"
#include "platform/Random.h"

namespace {

// Texts from a small grammar: every operation bracketed, so that each one
// compiles whatever the operator's side rules.
class TTextMaker {
public:
    TTextMaker(uint32_t seed, bool random) : FRng(seed), FRandom(random) {}

    std::string Make(int depth) {
        const int choice = Pick(depth <= 0 ? 3 : 10);
        if (choice < 3) return Leaf();
        switch (Pick(5)) {
            case 0: {
                static const char* const ops[] = {"+", "-", "*", "/", "DIV", "MOD"};
                return "(" + Make(depth - 1) + ops[Pick(6)] + Make(depth - 1) + ")";
            }
            case 1: {
                static const char* const powers[] = {"^2", "^3", "^4", "^0.5", "^5"};
                return "((" + Make(depth - 1) + ")" + powers[Pick(5)] + ")";
            }
            case 2: return "(-(" + Make(depth - 1) + "))";
            case 3: {
                static const char* const one[] = {"SIN",   "COS",   "TAN",   "SQRT", "LN",     "EXP",  "ABS",
                                                  "TRUNC", "FLOOR", "CEIL",  "SIGN", "ARCTAN", "PH",   "ODD",
                                                  "HEAV",  "SQR",   "COTAN", "ZERO", "PRIME",  "SINH", "LOG2"};
                if (FRandom && Pick(4) == 0) return (Pick(2) ? "RND(" : "RANDOM(") + Make(depth - 1) + ")";
                return std::string(one[Pick(21)]) + "(" + Make(depth - 1) + ")";
            }
            default: {
                static const char* const two[] = {"MAX", "MIN", "POWER", "ARG", "&", "LOGN", "INTPOWER", "GAMMA"};
                const char* name = FRandom && Pick(4) == 0 ? "GRND" : two[Pick(8)];
                return std::string(name) + "(" + Make(depth - 1) + "," + Make(depth - 1) + ")";
            }
        }
    }

private:
    int Pick(int n) { return static_cast<int>(FRng.NextInt(n)); }
    std::string Leaf() {
        static const char* const leaves[] = {"X", "Y", "X", "Y", "R", "G", "B", "A", "3", "0.5", "17", "PI", "0", "2"};
        return leaves[Pick(14)];
    }
    TRandomGenerator FRng;
    bool FRandom;
};

// What evaluating gave at one point: the double's bits or the fault.
struct TOutcome {
    uint64_t Bits = 0;
    std::string Fault;  // type and message
    bool operator==(const TOutcome& o) const { return Bits == o.Bits && Fault == o.Fault; }
};

template <typename F>
TOutcome Outcome(F&& evaluate) {
    TOutcome o;
    try {
        const double v = evaluate();
        std::memcpy(&o.Bits, &v, sizeof v);
    } catch (const Exception& e) {
        o.Fault = std::string(typeid(e).name()) + ": " + e.Message();
    }
    return o;
}

// The grid: symmetric coordinates, so that values repeat as in the passes.
struct TGrid {
    std::vector<double> Xs, Ys;
    std::vector<uint8_t> Rgb;  // per point (x outer), three bytes
    TGrid(int columns, int rows) {
        for (int x = 0; x < columns; ++x) Xs.push_back(std::abs(x - columns / 2));
        for (int y = 0; y < rows; ++y) Ys.push_back(std::abs(y - rows / 2) * 1.5);
        TRandomGenerator rng(99);
        for (int k = 0; k < 3 * columns * rows; ++k) Rgb.push_back(static_cast<uint8_t>(rng.NextInt(256)));
    }
    const uint8_t* At(size_t x, size_t y) const { return Rgb.data() + 3 * (x * Ys.size() + y); }
    void Set(TParser& p, size_t x, size_t y) const {
        p.X = Xs[x];
        p.Y = Ys[y];
        p.r = At(x, y)[0];
        p.g = At(x, y)[1];
        p.B = At(x, y)[2];
    }
};

// The whole list at every point, x outer: until the first fault, or each
// point on its own.
std::vector<TOutcome> Reference(TParser& p, const TGrid& grid, bool untilFault = true) {
    std::vector<TOutcome> out;
    for (size_t x = 0; x < grid.Xs.size(); ++x) {
        for (size_t y = 0; y < grid.Ys.size(); ++y) {
            grid.Set(p, x, y);
            out.push_back(Outcome([&] { return p.GetValue(); }));
            if (untilFault && !out.back().Fault.empty()) return out;
        }
    }
    return out;
}

bool AnyFault(const std::vector<TOutcome>& v) { return !v.empty() && !v.back().Fault.empty(); }

struct TCounts {
    int Compiled = 0, Hoisted = 0, Faulted = 0;
};

// Compiles text into p, A set; false when it does not compile.
bool Compiles(TParser& p, const std::string& text) {
    p.A = 1.25;
    try {
        p.SetExpression(text);
    } catch (const EMathParserError&) {
        return false;
    }
    return true;
}

// Point by point (x outer, y inner) against the reference, the generator
// seeded alike.
void ExpectPointByPointSame(const std::string& text, const TGrid& grid, TCounts& counts) {
    TParser p;
    if (!Compiles(p, text)) return;
    ++counts.Compiled;
    SetRandSeed(4711);
    const std::vector<TOutcome> expected = Reference(p, grid);
    const uint32_t seedAfter = GetRandSeed();
    if (AnyFault(expected)) ++counts.Faulted;

    SetRandSeed(4711);
    TGridStages stages;
    if (!stages.Prepare(p, &p.X, grid.Xs, &p.Y, grid.Ys, {&p.r, &p.g, &p.B})) {
        // Only a value that fails somewhere is refused ahead.
        EXPECT_TRUE(AnyFault(expected)) << text;
        return;
    }
    EXPECT_EQ(GetRandSeed(), 4711u) << text << ": preparing drew random numbers";
    if (stages.PointNodeCount() < p.CompiledOps().size()) ++counts.Hoisted;
    std::vector<TOutcome> got;
    for (size_t x = 0; x < grid.Xs.size() && !AnyFault(got); ++x) {
        p.X = grid.Xs[x];
        stages.EnterColumn(static_cast<int>(x));
        for (size_t y = 0; y < grid.Ys.size(); ++y) {
            grid.Set(p, x, y);
            got.push_back(Outcome([&] { return stages.Value(static_cast<int>(y)); }));
            if (!got.back().Fault.empty()) break;
        }
    }
    ASSERT_EQ(got.size(), expected.size()) << text;
    for (size_t k = 0; k < got.size(); ++k) ASSERT_TRUE(got[k] == expected[k]) << text << " at point " << k;
    EXPECT_EQ(GetRandSeed(), seedAfter) << text;
}

// A whole line at once, Y outer and X along the line as the pure passes run
// it, against the reference point by point.
void ExpectLinesSame(const std::string& text, const TGrid& grid) {
    TParser p;
    if (!Compiles(p, text)) return;
    const std::vector<TOutcome> expected = Reference(p, grid, false);
    const size_t columns = grid.Xs.size(), rows = grid.Ys.size();
    std::vector<double> r(columns), g(columns), b(columns), spare(columns);
    TGridStages stages;
    if (!stages.Prepare(p, &p.Y, grid.Ys, &p.X, grid.Xs, {&p.r, &p.g, &p.B}, {r.data(), g.data(), b.data()})) {
        EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [](const TOutcome& o) { return !o.Fault.empty(); }))
            << text;
        return;
    }
    ASSERT_TRUE(stages.GetColumnAtOnce()) << text;
    for (size_t y = 0; y < rows; ++y) {
        bool lineFaults = false;
        for (size_t x = 0; x < columns; ++x) {
            r[x] = grid.At(x, y)[0];
            g[x] = grid.At(x, y)[1];
            b[x] = grid.At(x, y)[2];
            lineFaults = lineFaults || !expected[x * rows + y].Fault.empty();
        }
        p.Y = grid.Ys[y];
        stages.EnterColumn(static_cast<int>(y));
        const double* line = nullptr;
        try {
            line = stages.ColumnValues(spare.data());
        } catch (const Exception&) {
        }
        ASSERT_EQ(line == nullptr, lineFaults) << text << " in row " << y;
        if (lineFaults) return;
        for (size_t x = 0; x < columns; ++x) {
            uint64_t bits;
            std::memcpy(&bits, &line[x], sizeof bits);
            ASSERT_EQ(bits, expected[x * rows + y].Bits) << text << " at x " << x << ", y " << y;
        }
    }
}

}  // namespace

TEST(GridStages, WhatRunsWhere) {
    auto pointNodes = [](const char* text) {
        TParser p;
        p.SetExpression(text);
        TGridStages stages;
        const std::vector<double> values = {0, 1, 2};
        EXPECT_TRUE(stages.Prepare(p, &p.X, values, &p.Y, values, {&p.r, &p.g, &p.B})) << text;
        return stages.PointNodeCount();
    };
    EXPECT_EQ(pointNodes("SIN(X/16)*128+128"), 0u);  // once per column
    EXPECT_EQ(pointNodes("B*COS(Y/20)"), 1u);        // the product
    EXPECT_EQ(pointNodes("X+SIN(Y/8)*4"), 1u);       // the sum
    EXPECT_EQ(pointNodes("SIN(A)+X"), 0u);
    EXPECT_EQ(pointNodes("R"), 1u);
    EXPECT_EQ(pointNodes("RND(X)+SIN(Y)"), 2u);  // a draw never moves
    EXPECT_EQ(pointNodes("RANDOM(5)"), 1u);
    EXPECT_EQ(pointNodes("GRND(1,0)*X"), 2u);
}

TEST(GridStages, ValuesOfTheFirstColumnAndRow) {
    // Worked by hand: X takes 0, 3; Y takes 1, 4; R is 10 everywhere.
    TParser p;
    p.SetExpression("X*10+Y^2+R/2");
    TGridStages stages;
    ASSERT_TRUE(stages.Prepare(p, &p.X, {0, 3}, &p.Y, {1, 4}, {&p.r}));
    p.r = 10;
    stages.EnterColumn(1);
    p.X = 3;
    p.Y = 4;
    EXPECT_EQ(stages.Value(1), 30 + 16 + 5);
    p.Y = 1;
    EXPECT_EQ(stages.Value(0), 30 + 1 + 5);
    stages.EnterColumn(0);
    p.X = 0;
    EXPECT_EQ(stages.Value(0), 0 + 1 + 5);
}

TEST(GridStages, FaultsAheadLeaveThePointByPointRun) {
    TParser p;
    p.SetExpression("R+LN(X)");  // LN(0) in column 1
    TGridStages stages;
    EXPECT_FALSE(stages.Prepare(p, &p.X, {2, 0, 1}, &p.Y, {0}, {&p.r}));
    p.SetExpression("R/X");  // the point's node faults, not the preparation
    EXPECT_TRUE(stages.Prepare(p, &p.X, {2, 0, 1}, &p.Y, {0}, {&p.r}));
    stages.EnterColumn(1);
    p.X = 0;
    p.r = 1;
    EXPECT_THROW(stages.Value(0), EZeroDivide);
    TParser none;
    EXPECT_FALSE(stages.Prepare(none, &none.X, {0}, &none.Y, {0}, {}));
}

TEST(GridStages, GeneratedTextsGiveTheSameBits) {
    const TGrid grid(19, 13);
    TCounts counts, randomCounts;
    for (uint32_t seed = 1; seed <= 600; ++seed) {
        TTextMaker pure(seed, false);
        const std::string text = pure.Make(1 + static_cast<int>(seed % 5));
        ExpectPointByPointSame(text, grid, counts);
        ExpectLinesSame(text, grid);
        TTextMaker drawing(seed, true);
        ExpectPointByPointSame(drawing.Make(1 + static_cast<int>(seed % 5)), grid, randomCounts);
    }
    // The generator reaches what it is meant to test.
    EXPECT_GT(counts.Compiled, 500);
    EXPECT_GT(counts.Hoisted, 250);
    EXPECT_GT(counts.Faulted, 20);
    EXPECT_GT(randomCounts.Hoisted, 150);
}

TEST(GridStages, ParserTextsGiveTheSameBits) {
    const TGrid grid(9, 7);
    TCounts counts;
    const char* const texts[] = {
        "r",
        "g",
        "b",
        "x",
        "y",
        "SIN(X/16)*128+128",
        "(r+g)/2",
        "b*COS(Y/20)",
        "SIN(X/16)*r/2+g/2",
        "x+SIN(y/8)*4",
        "X^2+Y^2",
        "SQRT(X*X+Y*Y)*4",
        "ARG(X,Y)*40",
        "MAX(R,G)-MIN(B,X)",
        "XDIVYMODX",
        "RND(X+1)*Y",
        "GRND(X,Y)+RANDOM(1)",
        "COTAN(X)",
        "LOGN(Y,X)",
        "GAMMA(X-2,Y)",
        "PRIME(X*Y+1)",
        "INTPOWER(Y,X)",
        "POWER(X,Y)",
        "&(X,Y)+PH(Y)",
        "5",
        "PI",
        "A",
        "-SIN(X)",
    };
    for (const char* text : texts) {
        ExpectPointByPointSame(text, grid, counts);
        if (!std::string(text).empty() && std::string(text).find("RND") == std::string::npos &&
            std::string(text).find("RANDOM") == std::string::npos)
            ExpectLinesSame(text, grid);
    }
    EXPECT_EQ(counts.Compiled, static_cast<int>(std::size(texts)));
}

namespace {

uint8_t ReferenceLowByte(double v) {
    double t = std::fmod(std::trunc(v), 256.0);
    if (t < 0) t += 256;
    return static_cast<uint8_t>(t);
}

double Coordinate(int v, bool symmetric) { return symmetric ? std::abs(v - 128) : v; }

void FillPicture(TPixelGraphic& pic, int w, int h) {
    pic.SetSize(w, h, 3);
    TRandomGenerator rng(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pic.SetPixelColor(x, y, RGB(rng.NextInt(256), rng.NextInt(256), rng.NextInt(256)));
}

// The RGB pass as the whole lists run it point by point; the fault's type
// and message, or "" when the pass went through.
std::string ReferenceRgb(TPixelGraphic& pic, TParser* const (&p)[3], bool symmetric) {
    TPixelGraphic work;
    work.Assign(&pic);
    try {
        for (int x = 0; x < pic.GetWidth(); ++x) {
            for (int y = 0; y < pic.GetHeight(); ++y) {
                const uint32_t c = work.GetPixelColor(x, y);
                double v[3];
                for (int k = 0; k < 3; ++k) {
                    p[k]->r = GetRValue(c);
                    p[k]->g = GetGValue(c);
                    p[k]->B = GetBValue(c);
                    p[k]->X = Coordinate(x, symmetric);
                    p[k]->Y = Coordinate(y, symmetric);
                }
                for (int k = 0; k < 3; ++k) v[k] = p[k]->GetValue();
                work.SetPixelColor(x, y, RGB(ReferenceLowByte(v[0]), ReferenceLowByte(v[1]), ReferenceLowByte(v[2])));
            }
        }
    } catch (const Exception& e) {
        return typeid(e).name();
    }
    pic.Assign(&work);
    return "";
}

std::string ReferenceDisplacement(TPixelGraphic& pic, TParser& nx, TParser& ny, bool symmetric) {
    TPixelGraphic source, out;
    source.Assign(&pic);
    out.Assign(&pic);
    try {
        for (int x = 0; x < pic.GetWidth(); ++x) {
            for (int y = 0; y < pic.GetHeight(); ++y) {
                const uint32_t c = source.GetPixelColor(x, y);
                for (TParser* p : {&nx, &ny}) {
                    p->r = GetRValue(c);
                    p->g = GetGValue(c);
                    p->B = GetBValue(c);
                    p->X = Coordinate(x, symmetric);
                    p->Y = Coordinate(y, symmetric);
                }
                const double a = std::min(std::fabs(std::trunc(nx.GetValue())), 256.0);
                const double b = std::min(std::fabs(std::trunc(ny.GetValue())), 256.0);
                const int sx = static_cast<int>(a), sy = static_cast<int>(b);
                out.SetPixelColor(x, y,
                                  sx < pic.GetWidth() && sy < pic.GetHeight() ? source.GetPixelColor(sx, sy)
                                                                              : pic.GetBackgroundColor());
            }
        }
    } catch (const Exception& e) {
        return typeid(e).name();
    }
    pic.Assign(&out);
    return "";
}

template <typename F>
std::string FaultOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return typeid(e).name();
    }
    return "";
}

bool SamePixels(const TPixelGraphic& a, const TPixelGraphic& b) {
    return a.GetBitsSize() == b.GetBitsSize() &&
           std::memcmp(a.GetBits(), b.GetBits(), static_cast<size_t>(a.GetBitsSize())) == 0;
}

}  // namespace

// The passes against themselves written point by point: texts of their own
// per channel (random ones draw in the order red, green, blue per pixel).
TEST(GridStages, PassesEqualThePointByPointPasses) {
    TPixelGraphic start;
    FillPicture(start, 160, 144);
    int compiled = 0, faulted = 0;
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        const bool random = seed % 3 == 0, symmetric = seed % 2 == 0;
        TTextMaker maker(seed * 7919, random);
        TParser red, green, blue;
        try {
            red.SetExpression(maker.Make(3));
            green.SetExpression(seed % 4 == 1 ? red.GetExpression() : maker.Make(3));
            blue.SetExpression(seed % 4 == 1 ? red.GetExpression() : maker.Make(2));
        } catch (const EMathParserError&) {
            continue;
        }
        ++compiled;
        TParser* const parsers[3] = {&red, &green, &blue};
        TPixelGraphic expected, got;
        expected.Assign(&start);
        got.Assign(&start);
        SetRandSeed(seed);
        const std::string expectedFault = ReferenceRgb(expected, parsers, symmetric);
        const uint32_t seedAfter = GetRandSeed();
        SetRandSeed(seed);
        EXPECT_EQ(FaultOf([&] { RgbExpressionPass(got, red, green, blue, symmetric); }), expectedFault)
            << red.GetExpression() << " / " << green.GetExpression() << " / " << blue.GetExpression();
        EXPECT_TRUE(SamePixels(got, expected)) << red.GetExpression();
        if (random && expectedFault.empty()) {
            EXPECT_EQ(GetRandSeed(), seedAfter) << red.GetExpression();
        }
        if (!expectedFault.empty()) ++faulted;

        expected.Assign(&start);
        got.Assign(&start);
        SetRandSeed(seed);
        const std::string expectedShift = ReferenceDisplacement(expected, green, blue, symmetric);
        const uint32_t shiftSeed = GetRandSeed();
        SetRandSeed(seed);
        EXPECT_EQ(FaultOf([&] { DisplacementPass(got, green, blue, symmetric); }), expectedShift)
            << green.GetExpression() << " / " << blue.GetExpression();
        EXPECT_TRUE(SamePixels(got, expected)) << green.GetExpression() << " / " << blue.GetExpression();
        if (random && expectedShift.empty()) {
            EXPECT_EQ(GetRandSeed(), shiftSeed) << green.GetExpression();
        }
    }
    EXPECT_GT(compiled, 50);
    EXPECT_GT(faulted, 3);
}

// Channels whose text is R, G or B alone, swapped and mixed with others, and
// values too large for a 64-bit integer.
TEST(GridStages, ChannelTextsEqualThePointByPointPass) {
    TPixelGraphic start;
    FillPicture(start, 64, 40);
    const char* const triples[][3] = {{"r", "g", "b"},
                                      {"g", "b", "r"},
                                      {"b", "b", "g"},
                                      {"r", "SIN(X/16)*128+128", "b"},
                                      {"X+Y", "r", "R"},
                                      {"g", "g", "g"},
                                      // each channel its own, in any case and brackets, or nearly
                                      {"R", "G", "B"},
                                      {"(r)", "((g))", "b"},
                                      {"r+0", "g", "b"},
                                      {"r", "g", "b*1"},
                                      {"r", "g", "SIN(X)*b"},
                                      {"r", "b", "g"},
                                      // values past 2^31 and their negatives
                                      {"X*Y*1000000+r", "0-X*Y*1000000", "X*100000000"},
                                      // magnitudes past 2^63 in some pixels of a row and not in others
                                      {"EXP(X/2+20)", "0-EXP(Y/3+30)", "X*Y*10000000000000000"},
                                      {"EXP(X/2+20)", "EXP(X/2+20)", "EXP(X/2+20)"}};
    for (const auto& t : triples) {
        TParser red, green, blue;
        red.SetExpression(t[0]);
        green.SetExpression(t[1]);
        blue.SetExpression(t[2]);
        TParser* const parsers[3] = {&red, &green, &blue};
        for (bool symmetric : {false, true}) {
            TPixelGraphic expected, got;
            expected.Assign(&start);
            got.Assign(&start);
            ASSERT_EQ(ReferenceRgb(expected, parsers, symmetric), "");
            RgbExpressionPass(got, red, green, blue, symmetric);
            EXPECT_TRUE(SamePixels(got, expected)) << t[0] << " / " << t[1] << " / " << t[2];
        }
    }
}

// The text that is one variable alone, whatever its case and brackets.
TEST(GridStages, SoleVariable) {
    TParser p;
    p.SetExpression("R");
    EXPECT_EQ(p.SoleVariable(), &p.r);
    p.SetExpression("(((b)))");
    EXPECT_EQ(p.SoleVariable(), &p.B);
    p.SetExpression("y");
    EXPECT_EQ(p.SoleVariable(), &p.Y);
    for (const char* text : {"r+0", "R*1", "5", "-R", "ABS(r)"}) {
        p.SetExpression(text);
        EXPECT_EQ(p.SoleVariable(), nullptr) << text;
    }
    p.OnParserError = [](TCustomParser&, const EMathParserError&) {};
    p.SetExpression("r+");
    EXPECT_EQ(p.SoleVariable(), nullptr);
}

// The displacement pass on texts that are a coordinate alone, shifted,
// mirrored or out of the picture on either side; in a picture wider and
// taller than 256, where a coordinate past 256 takes the pixel at 256.
TEST(GridStages, DisplacementTextsEqualThePointByPointPass) {
    TPixelGraphic start;
    FillPicture(start, 301, 259);
    const char* const pairs[][2] = {{"x", "y"},
                                    {"X", "(Y)"},
                                    {"y", "x"},
                                    {"x+0", "y"},
                                    {"0-x", "y-20"},
                                    {"x*5-100", "y*7"},
                                    {"x+SIN(y/8)*4", "y"},
                                    {"r", "g+b"},
                                    {"x*100000000000", "0-y*100000000000"},
                                    {"300.5", "0-255.9"},
                                    {"x+20", "y+3"},
                                    {"257-x", "0-y-1"}};
    for (const auto& t : pairs) {
        TParser newX, newY;
        newX.SetExpression(t[0]);
        newY.SetExpression(t[1]);
        for (bool symmetric : {false, true}) {
            TPixelGraphic expected, got;
            expected.Assign(&start);
            got.Assign(&start);
            ASSERT_EQ(ReferenceDisplacement(expected, newX, newY, symmetric), "");
            DisplacementPass(got, newX, newY, symmetric);
            EXPECT_TRUE(SamePixels(got, expected)) << t[0] << " / " << t[1];
        }
    }
}
