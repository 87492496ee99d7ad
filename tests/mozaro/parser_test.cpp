#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "mozaro/Parser.h"
#include "platform/Random.h"

namespace {

const double kPi = 3.14159265358979323846;
using Ops = std::vector<TParserOp>;

// Value of text with A=3, B=5, X=2, Y=0.5.
double Eval(const std::string& text) {
    TParser p;
    p.A = 3, p.B = 5, p.X = 2, p.Y = 0.5;
    p.SetExpression(text);
    return p.GetValue();
}

Ops OpsOf(const std::string& text) {
    TParser p;
    p.SetExpression(text);
    return p.CompiledOps();
}

std::string CompileError(const std::string& text) {
    try {
        TParser().SetExpression(text);
    } catch (const EMathParserError& e) {
        return e.Message();
    }
    return "";
}

template <typename E>
bool EvalRaises(const std::string& text) {
    try {
        Eval(text);
    } catch (const E&) {
        return true;
    } catch (...) {
    }
    return false;
}

std::string Repeat(const std::string& s, int n) {
    std::string r;
    while (n-- > 0) r += s;
    return r;
}

struct Case {
    const char* text;
    double value;
};

}  // namespace

TEST(ParserCompile, BlanksBracketsCaseAndGrouping) {
    EXPECT_EQ(OpsOf("r"), Ops{TParserOp::Copy});
    EXPECT_EQ(OpsOf("  R \t"), Ops{TParserOp::Copy});
    EXPECT_EQ(CompileError("R G"), "Expression has blanks");
    EXPECT_EQ(CompileError("(A+B"), "Missing brackets in expression");
    EXPECT_THROW(TParser().SetExpression(")A("), ESyntaxError);
    EXPECT_DOUBLE_EQ(Eval("sin(x/16)*128+128"), std::sin(2.0 / 16) * 128 + 128);
    EXPECT_EQ(Eval("((((A))))"), 3);

    // "-" and "/" group from the left; "*" is looser than DIV, MOD and "/".
    EXPECT_EQ(Eval("A-B-X"), (3.0 - 5) - 2);
    EXPECT_EQ(Eval("B/X/Y"), (5.0 / 2) / 0.5);
    EXPECT_EQ(Eval("A*BDIVX"), 3 * (5 / 2));
    EXPECT_EQ(Eval("BMODXDIVX"), (5 % 2) / 2);
    EXPECT_EQ(Eval("A-B+X"), 0);
    EXPECT_EQ(Eval("X*(A-(B-X))"), 0);
    // A leading "-" negates a bracket, a variable, a power or a function only.
    EXPECT_EQ(Eval("-A^2"), -9);
    EXPECT_EQ(Eval("-A*B"), -15);
    EXPECT_EQ(Eval("A--B*X"), 13);
    EXPECT_DOUBLE_EQ(Eval("2*-PI"), -2 * kPi);
    EXPECT_EQ(Eval("0-A-B"), -8);
    EXPECT_EQ(Eval("0-5"), -5);
    for (const char* bad : {"-A-B", "-5", "A+-B", "A^B^X", "MAX(A,B,X)", "SIN(A,B)", "MAX(A)", "FOO(A)"})
        EXPECT_THROW(Eval(bad), ESyntaxError) << bad;
    EXPECT_EQ(Eval("MAX(MIN(A,B),X)"), 3);
    EXPECT_EQ(Eval("MIN(MAX(A,B),MAX(X,Y))"), 2);
}

TEST(ParserCompile, PowerNodesAndRunningOrder) {
    EXPECT_EQ(OpsOf("X^2"), Ops{TParserOp::Square});
    EXPECT_EQ(OpsOf("X^3"), Ops{TParserOp::Cube});
    EXPECT_EQ(OpsOf("X^4"), Ops{TParserOp::Fourth});
    EXPECT_EQ(OpsOf("X^7"), Ops{TParserOp::IntPower});
    EXPECT_EQ(OpsOf("X^0.5"), Ops{TParserOp::RealPower});
    EXPECT_EQ(OpsOf("X^Y"), Ops{TParserOp::RealPower});
    EXPECT_EQ(Eval("X^10"), 1024);
    EXPECT_EQ(Eval("X^(0-1)"), 0.5);
    EXPECT_DOUBLE_EQ(Eval("X^-PI"), std::pow(2.0, -kPi));

    // Deepest level first, each level in creation order; so the deeper
    // RANDOM (under "*") draws first.
    EXPECT_EQ(OpsOf("SQRT(A*A)+LN(B)"), (Ops{TParserOp::Multiply, TParserOp::Sqrt, TParserOp::Ln, TParserOp::Add}));
    TRandomGenerator g(99);
    const double first = g.NextReal(), second = g.NextReal();
    SetRandSeed(99);
    EXPECT_DOUBLE_EQ(Eval("RANDOM(0)-2*RANDOM(0)"), second - 2 * first);
}

TEST(ParserCompile, ErrorMessagesAndLimits) {
    EXPECT_EQ(CompileError(")A("), "Error parsing expression:\r)A(");
    EXPECT_EQ(CompileError("A+"), "Error parsing expression:\rA+");
    EXPECT_EQ(CompileError("A+B*"), "Error parsing expression:\rA\rB*");
    EXPECT_EQ(CompileError("(A+)"), "Error parsing expression:\r(A\r)");
    EXPECT_EQ(CompileError("a+-b"), "Error parsing expression:\rA+\rB");
    EXPECT_EQ(CompileError(""), "Error parsing expression:\r");

    EXPECT_NO_THROW(Eval(Repeat("SIN(", 20) + "X" + std::string(20, ')')));
    EXPECT_EQ(CompileError(Repeat("SIN(", 21) + "X" + std::string(21, ')')), "Expression contains too many nestings");
    EXPECT_EQ(Eval("A" + Repeat("-A", 20)), 3 - 20 * 3);  // 20 levels
    EXPECT_THROW(Eval("A" + Repeat("-A", 21)), ETooManyNestings);
    // A full tree of depth d has 2^(d-1) operations on its deepest level.
    std::function<std::string(int)> tree = [&](int d) -> std::string {
        return d == 1 ? "A+A" : "(" + tree(d - 1) + ")+(" + tree(d - 1) + ")";
    };
    EXPECT_EQ(Eval(tree(6)), 3 * 64);
    EXPECT_EQ(OpsOf(tree(6)).size(), 63u);
    EXPECT_EQ(CompileError(tree(7)), "Expression is too complex");
}

TEST(ParserCompile, PathologicalTextsFailFast) {
    // These took exponential time or overflowed the stack before.
    EXPECT_THROW(TParser().SetExpression("A" + Repeat("*A-A", 250)), ETooManyNestings);
    EXPECT_THROW(TParser().SetExpression(Repeat("A-", 24) + "A"), ETooManyNestings);
    EXPECT_THROW(TParser().SetExpression(Repeat("A*", 500) + "A+"), ESyntaxError);
    EXPECT_THROW(TParser().SetExpression(Repeat("-(", 64) + "A" + std::string(64, ')')), ETooManyNestings);
    EXPECT_EQ(CompileError(Repeat("A+", 600) + "A"), "Expression contains too many nestings");
    EXPECT_EQ(CompileError(Repeat("SIN(", 30000) + "A" + std::string(30000, ')')),
              "Expression contains too many nestings");
    EXPECT_THROW(TParser().SetExpression(Repeat("A+", 30000) + "A+"), ESyntaxError);
}

TEST(ParserCompile, RedundantBracketsAndLengthAloneRefuseNothing) {
    // Enclosing pairs around a valid inside are dropped, however many.
    EXPECT_EQ(Eval(std::string(65, '(') + "X" + std::string(65, ')')), 2);
    EXPECT_EQ(Eval(std::string(70, '(') + "X+1" + std::string(70, ')')), 3);
    EXPECT_EQ(OpsOf(std::string(70, '(') + "X+1" + std::string(70, ')')), Ops{TParserOp::Add});
    EXPECT_EQ(Eval("A*" + std::string(30000, '(') + "B" + std::string(30000, ')')), 15);
    EXPECT_EQ(Eval(std::string(5000, '(') + "A" + std::string(5000, ')')), 3);
    // A long text that compiles within the limits.
    const std::string longNumber = "X+1." + std::string(1100, '0');
    ASSERT_EQ(longNumber.size(), 1104u);
    EXPECT_EQ(Eval(longNumber), 3);
    // A long text that breaks the level limit says so: "(A-(A-(...": 21
    // levels of one operation each.
    std::string deep = "A";
    for (int k = 0; k < 21; ++k) deep = "(A-" + std::string(40, '(') + deep + std::string(40, ')') + ")";
    ASSERT_GT(deep.size(), 1200u);
    EXPECT_EQ(CompileError(deep), "Expression contains too many nestings");
    // A tab inside is a blank like a space; tabs at the ends are trimmed.
    EXPECT_EQ(CompileError("A\t+B"), "Expression has blanks");
    EXPECT_EQ(Eval("\tA+B\t"), 8);
}

TEST(ParserCompile, FailedCompileNeverAnswersZero) {
    TParser p;
    EXPECT_EQ(p.GetValue(), 0);  // nothing compiled yet
    int calls = 0;
    p.OnParserError = [&](TCustomParser& sender, const EMathParserError& e) {
        EXPECT_EQ(&sender, &p);
        EXPECT_EQ(e.Message(), "Error parsing expression:\rA+");
        ++calls;
    };
    p.SetExpression("A+");  // reported, not thrown
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(p.GetValid());
    EXPECT_THROW(p.GetValue(), ESyntaxError);
    p.SetExpression("A+1");
    EXPECT_EQ(p.GetValue(), 1);

    TParser q;
    EXPECT_THROW(q.SetExpression("(A"), EMissMatchingBracket);
    EXPECT_THROW(q.GetValue(), EMissMatchingBracket);
}

TEST(ParserEval, FunctionsAndOperators) {
    const Case cases[] = {
        {"TAN(0.5)", 0.5463024898437905},
        {"SIN(Y)", 0.479425538604203},
        {"COS(Y)", 0.8775825618903728},
        {"SINH(1)", 1.1752011936438014},
        {"COSH(1)", 1.5430806348152437},
        {"ARCTAN(1)", kPi / 4},
        {"COTAN(1)", 0.6420926159343306},
        {"EXP(1)", 2.718281828459045},
        {"LN(10)", 2.302585092994046},
        {"LOG10(1000)", 3},
        {"LOG2(8)", 3},
        {"SQR(0-3)", 9},
        {"SQRT(16)", 4},
        {"ABS(0-2.5)", 2.5},
        {"TRUNC(0-2.7)", -2},
        {"INT(2.7)", 2},
        {"CEIL(2.1)", 3},
        {"CEIL(0-2.1)", -2},
        {"CEIL(2)", 2},
        {"FLOOR(2.9)", 2},
        {"FLOOR(0-2.1)", -3},
        {"FLOOR(0-2)", -2},
        {"HEAV(0)", 1},
        {"HEAV(0-0.1)", 0},
        {"SIGN(0-3)", -1},
        {"SIGN(0)", 0},
        {"SIGN(0.2)", 1},
        {"ZERO(0)", 0},
        {"ZERO(0.1)", 1},
        {"PH(1)", kPi * kPi - 4 * kPi},
        {"PH(2)", 2 * kPi * kPi - 6 * kPi},
        {"PH(0)", 0},
        // Kept as textures rely on them: ODD is 1 for even integer parts,
        // PRIME is 1 for 1 and 0 for 3.
        {"ODD(2)", 1},
        {"ODD(3)", 0},
        {"ODD(2.9)", 1},
        {"ODD(0-3)", 0},
        {"PRIME(1)", 1},
        {"PRIME(2)", 0},
        {"PRIME(3)", 0},
        {"PRIME(5)", 1},
        {"PRIME(7.9)", 1},
        {"PRIME(0-7)", 1},
        {"PRIME(9)", 0},
        {"PRIME(25)", 0},
        {"PRIME(1000003)", 1},
        {"PRIME(2147483647)", 1},
        {"PRIME(4294967297)", 0},
        {"PRIME(100000000000000000)", 0},
        {"MAX(A,B)", 5},
        {"MIN(A,B)", 3},
        {"POWER(X,0.5)", std::sqrt(2.0)},
        {"POWER(0,X)", 0},
        {"POWER(0-2,3)", -8},
        {"INTPOWER(X,10)", 1024},
        {"INTPOWER(X,0-2)", 0.25},
        {"INTPOWER(X,10.9)", 1024},
        {"INTPOWER(0-1,9007199254740991)", -1},
        {"LOGN(X,8)", 3},
        {"ARG(1,1)", kPi / 4},
        {"ARG(0-1,1)", 3 * kPi / 4},
        {"ARG(0,1)", kPi / 2},
        {"ARG(0,0)", -kPi / 2},
        {"&(6,3)", 2},
        {"\\(6,3)", 7},
        {"|(6,3)", 4},
        {"&(2.5,3)", 2},
        {"\\(3.5,0)", 4},
        {"GRND(0,5)", 5},
        {"7DIV2", 3},
        {"(0-7)DIV2", -3},
        {"7.9DIV2", 3},
        {"7MOD(0-2)", 1},
        {"(0-7)MOD2", -1},
        {"(0-9223372036854775808)MOD(0-1)", 0},
        {"7/2", 3.5},
        {"A*B", 15},
        {"A-B", -2},
        {"A+B", 8},
    };
    for (const Case& c : cases) EXPECT_NEAR(Eval(c.text), c.value, 1e-9 * std::max(1.0, std::fabs(c.value))) << c.text;
    // GAMMA is b times a series for the gamma function of a.
    EXPECT_NEAR(Eval("GAMMA(1,1)"), 1, 1e-4);
    EXPECT_NEAR(Eval("GAMMA(0.5,2)"), 2 * std::sqrt(kPi), 1e-5);
    EXPECT_NEAR(Eval("GAMMA(0-0.5,1)"), -2 * std::sqrt(kPi), 1e-5);
}

TEST(ParserEval, RandomFunctionsFollowTheSeed) {
    const double r1 = TRandomGenerator(1234).NextReal();
    SetRandSeed(1234);
    EXPECT_DOUBLE_EQ(Eval("RND(10.7)"), 10 * r1);
    SetRandSeed(1234);
    EXPECT_DOUBLE_EQ(Eval("RANDOM(A)"), r1);
    // GRND: a normal sample of spread a around b.
    SetRandSeed(77);
    TParser p;
    p.SetExpression("GRND(2,1)");
    double sum = 0, sum2 = 0;
    const int n = 20000;
    for (int k = 0; k < n; ++k) {
        const double v = p.GetValue();
        sum += v, sum2 += v * v;
    }
    EXPECT_NEAR(sum / n, 1, 0.05);
    EXPECT_NEAR(std::sqrt(sum2 / n - (sum / n) * (sum / n)), 2, 0.05);
}

TEST(ParserEval, ArithmeticFaultsAreTypedErrors) {
    for (const char* t : {"1/(A-3)", "LN(0)", "LOG10(0)", "COTAN(0)", "LOGN(1,5)", "INTPOWER(0,0-1)", "POWER(0,0-1)"})
        EXPECT_TRUE(EvalRaises<EZeroDivide>(t)) << t;
    for (const char* t :
         {"0/(A-3)", "LN(0-1)", "LOG2(0-1)", "SQRT(0-1)", "10000000000000000000DIV2", "&(10000000000000000000,1)",
          "INTPOWER(2,100000000000000000000)", "POWER(0-8,0.5)", "GAMMA(0,1)"})
        EXPECT_TRUE(EvalRaises<EInvalidOp>(t)) << t;
    for (const char* t : {"EXP(1000)", "SINH(0-1000)", "10^400", "INTPOWER(10,1000)"})
        EXPECT_TRUE(EvalRaises<EOverflow>(t)) << t;
    EXPECT_TRUE(EvalRaises<EOverflow>("1" + std::string(300, '0') + "*1" + std::string(300, '0')));
    // Integer parts of NaN, infinities and values past 2^63 do not exist.
    for (const char* t : {"ODD(X)", "PRIME(X)", "PH(X)", "PRIME(1000000000000000000000)", "PH(10000000000000000000)"}) {
        for (double x : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
            TParser p;
            p.X = x;
            p.SetExpression(t);
            EXPECT_THROW(p.GetValue(), EInvalidOp) << t << " " << x;
        }
    }
    EXPECT_TRUE(EvalRaises<EDivByZero>("5DIV0"));
    EXPECT_TRUE(EvalRaises<EDivByZero>("5MOD0.5"));
    EXPECT_TRUE(EvalRaises<EIntOverflow>("(0-9223372036854775808)DIV(0-1)"));
    // A number too large to read is no number; one too small is 0.
    EXPECT_THROW(Eval("1" + std::string(400, '0')), ESyntaxError);
    EXPECT_EQ(Eval("0." + std::string(400, '0') + "1"), 0);
}

// ---- the grouping rules the slow way ------------------------------------------
// A literal reading of the rules, trying every occurrence of every operator
// on every sub-text (exponential: short texts only). The parser must agree
// on which texts compile and on what they compute.
namespace literal {

const std::set<std::string> kVars = {"A", "B", "X"}, kFun1 = {"SIN", "ABS"}, kFun2 = {"MAX", "MIN"};
const std::string kOps[] = {"+", "-", "*", "DIV", "MOD", "/", "^"};
// Per operator: the splits a side takes beyond atoms ("n": negation).
const std::string kLeft[] = {"n-*DM/^", "n-*DM/^", "nDM/^", "nDM/^", "nDM/^", "nDM/^", ""};
const std::string kRight[] = {"+-*DM/^", "*DM/^", "*DM/^", "^", "^", "^", ""};

bool Valid(const std::string& t);
bool Split(int op, const std::string& t, size_t* at = nullptr);

// A number with a point, whatever the locale.
double Number(const std::string& t) {
    double v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}
bool Balanced(const std::string& t) {
    return std::count(t.begin(), t.end(), '(') == std::count(t.begin(), t.end(), ')');
}
bool IsNum(const std::string& t) {
    return t == "PI" || t == "-PI" ||
           (t.find_first_not_of("0123456789.") == std::string::npos && std::count(t.begin(), t.end(), '.') <= 1 &&
            t.find_first_of("0123456789") != std::string::npos);
}
bool IsBrack(const std::string& t) {
    return t.size() >= 2 && t.front() == '(' && t.back() == ')' && Valid(t.substr(1, t.size() - 2));
}
size_t OuterComma(const std::string& s) {
    int depth = 0;
    for (size_t c = 0; c < s.size(); ++c) {
        depth += s[c] == '(' ? 1 : s[c] == ')' ? -1 : 0;
        if (s[c] == ',' && depth == 0) return c;
    }
    return std::string::npos;
}
bool IsFunc(const std::string& t, int arity) {
    const size_t k = t.find('(');
    if (k == std::string::npos || k == 0 || t.back() != ')' || !(arity == 1 ? kFun1 : kFun2).count(t.substr(0, k)))
        return false;
    if (arity == 1) return IsBrack(t.substr(k));
    const std::string in = t.substr(k + 1, t.size() - k - 2);
    const size_t c = OuterComma(in);
    return c != std::string::npos && Valid(in.substr(0, c)) && Valid(in.substr(c + 1));
}
bool IsAtom(const std::string& t) { return kVars.count(t) || IsNum(t) || IsBrack(t) || IsFunc(t, 1) || IsFunc(t, 2); }
bool IsNeg(const std::string& t) {
    const std::string r = t.size() >= 2 && t[0] == '-' ? t.substr(1) : "";
    return !r.empty() && (IsBrack(r) || kVars.count(r) || Split(6, r) || IsFunc(r, 1) || IsFunc(r, 2));
}
bool SideOk(const std::string& kinds, const std::string& t) {
    if (t.empty()) return false;
    if (IsAtom(t) || (kinds.find('n') != std::string::npos && IsNeg(t))) return true;
    for (int k = 0; k < 7; ++k)
        if (kinds.find("+-*DM/^"[k]) != std::string::npos && Split(k, t)) return true;
    return false;
}
bool Split(int op, const std::string& t, size_t* at) {
    const std::string& o = kOps[op];
    for (size_t p = t.find(o); p != std::string::npos; p = t.find(o, p + 1)) {
        if (p == 0 || p + o.size() == t.size()) return false;
        const std::string l = t.substr(0, p), r = t.substr(p + o.size());
        if (Balanced(l) && Balanced(r) && SideOk(kLeft[op], l) && SideOk(kRight[op], r)) {
            if (at) *at = p;
            return true;
        }
    }
    return false;
}
bool Valid(const std::string& t) {
    if (t.empty()) return false;
    if (kVars.count(t) || IsNum(t) || IsNeg(t)) return true;
    for (int op = 0; op < 7; ++op)
        if (Split(op, t)) return true;
    return IsFunc(t, 2) || IsFunc(t, 1) || IsBrack(t);
}

// Value of a valid text with A=3, B=5, X=2 (NaN for an arithmetic fault),
// counting its operations.
double Value(std::string t, int& ops) {
    while (IsBrack(t)) t = t.substr(1, t.size() - 2);
    if (kVars.count(t)) return t == "A" ? 3 : t == "B" ? 5 : 2;
    if (IsNum(t)) return t == "PI" ? kPi : t == "-PI" ? -kPi : Number(t);
    ++ops;
    if (IsNeg(t)) return -Value(t.substr(1), ops);
    for (int op = 0; op < 7; ++op) {
        size_t p;
        if (!Split(op, t, &p)) continue;
        const std::string rs = t.substr(p + kOps[op].size());
        const double a = Value(t.substr(0, p), ops);
        if (op == 6 && (rs == "2" || rs == "3" || rs == "4")) return std::pow(a, Number(rs));
        const double b = Value(rs, ops);
        const bool whole = std::fabs(a) < 9e18 && std::fabs(b) < 9e18 && std::trunc(b) != 0;
        switch (op) {
            case 0: return a + b;
            case 1: return a - b;
            case 2: return a * b;
            // NOLINTNEXTLINE(bugprone-integer-division): div truncates toward zero
            case 3: return whole ? double(static_cast<long long>(a) / static_cast<long long>(b)) : NAN;
            case 4: return whole ? double(static_cast<long long>(a) % static_cast<long long>(b)) : NAN;
            case 5: return b == 0 ? NAN : a / b;
            default: return (a == 0 && b < 0) || (a < 0 && b != std::trunc(b)) ? NAN : std::pow(a, b);
        }
    }
    const size_t k = t.find('(');
    const std::string name = t.substr(0, k), in = t.substr(k + 1, t.size() - k - 2);
    if (kFun1.count(name)) {
        const double a = Value(in, ops);
        return name == "SIN" ? std::sin(a) : std::fabs(a);
    }
    const size_t c = OuterComma(in);
    const double a = Value(in.substr(0, c), ops), b = Value(in.substr(c + 1), ops);
    return name == "MAX" ? std::max(a, b) : std::min(a, b);
}

}  // namespace literal

TEST(ParserCompile, AgreesWithTryingEveryCut) {
    const std::vector<std::string> tokens = {"A", "B", "X", "2",   "0.5", "PI", "-PI", "-",    "-",    "+",
                                             "*", "/", "^", "DIV", "MOD", "(",  ")",   "SIN(", "MAX(", ","};
    TRandomGenerator rng(2024);
    int valid = 0;
    for (int round = 0; round < 12000; ++round) {
        std::string text;
        for (int k = 1 + rng.NextInt(9); k > 0; --k) text += tokens[rng.NextInt(static_cast<int>(tokens.size()))];
        if (!literal::Balanced(text)) continue;
        std::string stripped = text;
        while (literal::IsBrack(stripped)) stripped = stripped.substr(1, stripped.size() - 2);

        TParser p;
        p.A = 3, p.B = 5, p.X = 2;
        bool compiled = true;
        try {
            p.SetExpression(text);
        } catch (const ESyntaxError&) {
            compiled = false;
        }
        ASSERT_EQ(compiled, literal::Valid(stripped)) << text;
        if (!compiled) continue;
        ++valid;
        int ops = 0;
        const double want = literal::Value(stripped, ops);
        EXPECT_EQ(p.CompiledOps().size(), static_cast<size_t>(std::max(ops, 1))) << text;
        double got = NAN;
        try {
            got = p.GetValue();
        } catch (const EMathError&) {
        } catch (const EIntError&) {
        }
        if (std::isfinite(want)) EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want))) << text;
        else EXPECT_TRUE(std::isnan(got)) << text;
    }
    EXPECT_GT(valid, 500);
}
