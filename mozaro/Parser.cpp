#include "mozaro/Parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/MathUtil.h"
#include "platform/Random.h"

namespace {

const char* const kMsgSyntax = "Error parsing expression:\r";
const char* const kMsgBlanks = "Expression has blanks";
const char* const kMsgTooComplex = "Expression is too complex";
const char* const kMsgNestings = "Expression contains too many nestings";
const char* const kMsgBrackets = "Missing brackets in expression";
const char* const kMsgInternal = "TParser internal error";

const double kPi = 3.14159265358979323846;

// ---- arithmetic with the runtime's faults -----------------------------------
// The longer ones stay out of line so that the evaluation loop stays small.

[[noreturn]] void ThrowInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }
[[noreturn]] void ThrowZeroDivide() { throw EZeroDivide("Floating point division by zero"); }
[[noreturn]] void ThrowOverflow() { throw EOverflow("Floating point overflow"); }
[[noreturn]] void ThrowDivByZero() { throw EDivByZero("Division by zero"); }
[[noreturn]] void ThrowIntOverflow() { throw EIntOverflow("Integer overflow"); }

// 2^63: the first value that no longer fits an int64.
const double kTwo63 = 9223372036854775808.0;

double Divide(double a, double b) {
    if (b == 0) {
        if (a == 0) ThrowInvalidOp();
        ThrowZeroDivide();
    }
    return a / b;
}

// ln, log10, log2: a pole at 0, undefined below.
double Logarithm(double x, double (*fn)(double)) {
    if (x == 0) ThrowZeroDivide();
    if (x < 0) ThrowInvalidOp();
    return fn(x);
}

// a to the power n by squaring: at most 64 squarings whatever n is.
[[gnu::noinline]] double IntPower(double a, double exponent) {
    const int64_t n = Trunc(exponent);
    uint64_t m = n < 0 ? uint64_t(0) - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    double result = 1, base = a;
    while (m) {
        if (m & 1) result *= base;
        m >>= 1;
        if (m) base *= base;
    }
    if (n < 0) return Divide(1, result);
    return result;
}

[[gnu::noinline]] double RealPower(double a, double b) {
    if (b == 0) return 1;
    if (a == 0) {
        if (b > 0) return 0;
        ThrowZeroDivide();
    }
    if (a < 0 && b != std::trunc(b)) ThrowInvalidOp();
    return std::pow(a, b);
}

// Deterministic Miller-Rabin for 64-bit n (these bases cover all of them).
bool IsPrime64(uint64_t n) {
    if (n < 2) return false;
    for (uint64_t p : {2u, 3u, 5u, 7u, 11u, 13u, 17u, 19u, 23u, 29u, 31u, 37u}) {
        if (n % p == 0) return n == p;
    }
    auto mulmod = [](uint64_t a, uint64_t b, uint64_t m) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(a) * b) % m);
    };
    auto powmod = [&](uint64_t b, uint64_t e, uint64_t m) {
        uint64_t r = 1;
        b %= m;
        while (e) {
            if (e & 1) r = mulmod(r, b, m);
            b = mulmod(b, b, m);
            e >>= 1;
        }
        return r;
    };
    uint64_t d = n - 1;
    int s = 0;
    while ((d & 1) == 0) {
        d >>= 1;
        ++s;
    }
    for (uint64_t a : {2u, 3u, 5u, 7u, 11u, 13u, 17u, 19u, 23u, 29u, 31u, 37u}) {
        uint64_t x = powmod(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool composite = true;
        for (int r = 1; r < s; ++r) {
            x = mulmod(x, x, n);
            if (x == n - 1) {
                composite = false;
                break;
            }
        }
        if (composite) return false;
    }
    return true;
}

// 1 for an odd n whose trial division by 3, 5, 7, ... up to its square root
// finds no divisor. The trial loop also divides 3 by itself, so 3 gives 0 and
// 1 gives 1; past 2^20 the same answer comes from a primality test, so that
// one call stays cheap whatever the argument.
[[gnu::noinline]] double Prime(double x) {
    const double ax = std::fabs(x);
    Trunc(ax);                               // raises for NaN, infinities and values past 2^63
    if (ax >= 9007199254740992.0) return 0;  // 2^53 and up: every integer part is even
    const uint64_t n = static_cast<uint64_t>(ax);
    if (n % 2 == 0) return 0;
    if (n >= (uint64_t(1) << 20)) return IsPrime64(n) ? 1 : 0;
    const uint64_t root = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    uint64_t a = 0;
    for (uint64_t i = 3;; i += 2) {
        a = n % i;
        if (a == 0 || root < i) break;
    }
    return a != 0 ? 1 : 0;
}

// Polar method; a draw of exactly (0.5, 0.5) would divide by zero and is
// skipped like one outside the unit circle.
[[gnu::noinline]] double GRnd(double a, double b) {
    double u, s;
    do {
        u = 2 * Random() - 1;
        const double v = 2 * Random() - 1;
        s = v * v + u * u;
    } while (s >= 1 || s == 0);
    return u * std::sqrt(-2 * std::log(s) / s) * a + b;
}

[[gnu::noinline]] double Gamma(double a, double b) {
    if (a == 0) ThrowInvalidOp();  // pole
    if (a > 0) {
        const double p = 1 + a * (0.5772156649015329 +
                                  a * (-0.655878071520254 +
                                       a * (-0.04200263503403344 +
                                            a * (0.1665386113720805 +
                                                 a * (-0.042197733607059154 +
                                                      a * (-0.009622023360406271 +
                                                           a * (0.00722059947803691 + a * -0.00119394505138151)))))));
        return Divide(b, a * p);
    }
    const double c = -a;
    const double nn = -1 + c * (0.5772156649015329 +
                                c * (0.6558780715202537 +
                                     c * (-0.04200263503402113 +
                                          c * (-0.16653861139444134 +
                                               c * (-0.04219773343731192 +
                                                    c * (0.009621911155035977 +
                                                         c * (0.00722083726189317 + c * 0.0011333741672438944)))))));
    return Divide(b, c * nn);
}

[[gnu::noinline]] double Arg(double a, double b) {
    if (a > 0) return std::atan(b / a);
    if (a < 0) return std::atan(b / a) + kPi;
    return b > 0 ? kPi / 2 : -kPi / 2;
}

[[gnu::noinline]] double LogN(double base, double x) {
    const double num = Logarithm(x, std::log);
    return Divide(num, Logarithm(base, std::log));
}

double Ceil(double x) {
    const double t = std::trunc(x);
    return x - t > 0 ? t + 1 : t;
}

double Floor(double x) {
    const double t = std::trunc(x);
    return x - t >= 0 ? t : t - 1;
}

[[gnu::noinline]] double Ph(double x) {
    const double w = x * kPi / 2;
    return (w - static_cast<double>(Round(w))) * (2 * kPi);
}

[[gnu::noinline]] double Odd(double x) { return Trunc(x) % 2 == 0 ? 1 : 0; }

[[gnu::noinline]] double DivOp(double a, double b) {
    const int64_t x = Trunc(a), y = Trunc(b);
    if (y == 0) ThrowDivByZero();
    if (y == -1 && x == std::numeric_limits<int64_t>::min()) ThrowIntOverflow();
    return static_cast<double>(x / y);  // NOLINT(bugprone-integer-division): the integer quotient
}

[[gnu::noinline]] double ModOp(double a, double b) {
    const int64_t x = Trunc(a), y = Trunc(b);
    if (y == 0) ThrowDivByZero();
    if (y == -1) return 0;  // the remainder is 0; the division itself would trap
    return static_cast<double>(x % y);
}

[[noreturn]] void ThrowNonFinite(double r) {
    if (std::isnan(r)) ThrowInvalidOp();
    ThrowOverflow();
}

// ---- compiling ----------------------------------------------------------------

// Operators in the order a term is tried.
enum TSplitOp : int { soPlus, soMinus, soStar, soDiv, soMod, soSlash, soCaret, soCount };
const std::array<int, soCount> kOpLen = {1, 1, 1, 3, 3, 1, 1};
const std::array<TParserOp, soCount> kOpNode = {TParserOp::Add,      TParserOp::Subtract, TParserOp::Multiply,
                                                TParserOp::Div,      TParserOp::Mod,      TParserOp::Divide,
                                                TParserOp::RealPower};
const std::array<const char*, soCount> kOpText = {"+", "-", "*", "DIV", "MOD", "/", "^"};

// A piece of text cut into operands and the operators between them: always
// operand, operator, operand, ..., operand (an operand may be empty).
struct TToken {
    int Op;  // -1 for an operand, else the TSplitOp
    int Begin, End;
};

// What an operand, power or chain can stand for: a term other than a lone
// negation (U), and a lone negation (G).
struct TKind {
    bool U = false, G = false;
    bool Valid() const { return U || G; }
    bool LoneNegation() const { return G && !U; }
};

}  // namespace

// Compiles one upper-cased, trimmed, blank-free text with balanced bracket
// counts into the parser's node list.
//
// The splitting rules amount to a grammar of fixed precedence: a text is
// L0 + L1 + ... (cut at the first "+"), each L is M0 - M1 - ... (cut at the
// last "-" that follows an operand), each M is D0 * D1 * ... (cut at the
// first "*"), each D is u0 op u1 op ... with op one of DIV, MOD, "/" (cut at
// the last), each u one operand or operand ^ operand. What a side of an
// operator refuses comes down to three rules: a lone negation ("-" and a
// bracket, variable, function or power) stands only first in a D, not last
// in a chain of "*" or "+" and nowhere after a "-"; a chain of "-" does not
// begin with "-"; and the operands after DIV, MOD and "/" are no negations.
// So the operators of a text at bracket level zero decide its tree, each
// bracket group is checked once from the inside out, and compiling takes
// time linear in the text (times the 20 levels when building).
class TParserCompiler {
public:
    TParserCompiler(TCustomParser& parser, std::string text)
        : P(parser), s(std::move(text)), n(static_cast<int>(s.size())) {}

    void Run() {
        Prepare();
        if (!FNested || !ValidPiece(0, n)) ThrowSyntax();
        TOperand root = Build(0, n, 1);
        if (root.Kind != TOperand::kNode) {
            const int idx = Place(1);
            FPre[idx].Op = TParserOp::Copy;
            FPre[idx].A = root;
        }
        Link();
    }

private:
    struct TOperand {
        enum { kVar, kConst, kNode } Kind;
        const double* Var;
        int Index;
    };
    struct TPre {
        TParserOp Op;
        TOperand A, B;
        int Level;
        bool Binary;
    };

    // ---- bracket groups -------------------------------------------------------
    // Matches brackets and checks every group's inside, innermost first: as
    // one expression (a bracket, a one-argument function) and as two split
    // at its first comma (a two-argument function).
    void Prepare() {
        FSep = '.';
        if (!P.FPointNumberformat) {
            const char* dp = std::localeconv()->decimal_point;
            if (dp && dp[0] && !dp[1]) FSep = dp[0];
        }
        FMatch.assign(n, -1);
        FComma.assign(n, -1);
        FInside.assign(n, 0);
        FArgs.assign(n, 0);
        std::vector<int> open;
        for (int k = 0; k < n; ++k) {
            if (s[k] == '(') {
                open.push_back(k);
            } else if (s[k] == ',') {
                if (!open.empty() && FComma[open.back()] < 0) FComma[open.back()] = k;
            } else if (s[k] == ')') {
                if (open.empty()) {
                    FNested = false;
                    return;  // no part of such a text is a term
                }
                const int o = open.back();
                open.pop_back();
                FMatch[o] = k;
                FMatch[k] = o;
                FInside[o] = ValidPiece(o + 1, k);
                const int c = FComma[o];
                FArgs[o] = c >= 0 && ValidPiece(o + 1, c) && ValidPiece(c + 1, k);
            }
        }
        FNested = open.empty();
    }

    // ---- operands -----------------------------------------------------------
    bool IsNumChar(char c) const { return (c >= '0' && c <= '9') || c == FSep; }

    bool IsVar(int i, int j, const double** storage = nullptr) const {
        if (j - i <= 0 || static_cast<size_t>(j - i) > P.FLongestVariable) return false;
        auto it = P.FVariables.find(std::string_view(s).substr(i, j - i));
        if (it == P.FVariables.end()) return false;
        if (storage) *storage = it->second;
        return true;
    }

    bool IsNum(int i, int j, double* value = nullptr) const {
        const int len = j - i;
        if (len <= 0) return false;
        if (len == 2 && s.compare(i, 2, "PI") == 0) {
            if (value) *value = kPi;
            return true;
        }
        if (len == 3 && s.compare(i, 3, "-PI") == 0) {
            if (value) *value = -kPi;
            return true;
        }
        int seps = 0;
        for (int k = i; k < j; ++k) {
            if (!IsNumChar(s[k])) return false;
            seps += s[k] == FSep;
        }
        if (seps > 1 || len - seps < 1) return false;
        std::string digits = s.substr(i, len);
        if (FSep != '.') std::replace(digits.begin(), digits.end(), FSep, '.');
        double v = 0;
        const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (res.ec == std::errc::result_out_of_range) {
            // Too small is 0; too large is no number.
            const std::string whole = digits.substr(0, digits.find('.'));
            if (whole.find_first_not_of('0') != std::string::npos) return false;
            v = 0;
        } else if (res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
            return false;
        }
        if (value) *value = v;
        return true;
    }

    // "(" valid ")" as one group.
    bool IsBrack(int i, int j) const { return j - i >= 3 && s[i] == '(' && FMatch[i] == j - 1 && FInside[i]; }

    // NAME(...) with NAME in the list of the arity, the bracket closing at
    // the end; two arguments split at the group's first comma.
    bool IsFunc(int i, int j, int arity, TParserOp* op = nullptr, int* open = nullptr) const {
        if (j - i < 3 || s[j - 1] != ')') return false;
        const int k = FMatch[j - 1];
        if (k <= i || k >= j - 2) return false;
        // The name runs up to the first bracket.
        if (static_cast<size_t>(k - i) > P.FLongestFunction || s.find('(', i) != static_cast<size_t>(k)) return false;
        const auto& names = arity == 1 ? P.FFunctions1 : P.FFunctions2;
        auto it = names.find(std::string_view(s).substr(i, k - i));
        if (it == names.end()) return false;
        if (op) *op = it->second;
        if (open) *open = k;
        return arity == 1 ? FInside[k] : FArgs[k];
    }

    // A variable, a number, a bracket or a function.
    bool IsPrimary(int i, int j) const {
        return IsVar(i, j) || IsNum(i, j) || IsBrack(i, j) || IsFunc(i, j, 1) || IsFunc(i, j, 2);
    }

    // "-" and a bracket, a variable or a function.
    bool IsNegatedPrimary(int i, int j) const {
        return j - i >= 2 && s[i] == '-' &&
               (IsBrack(i + 1, j) || IsVar(i + 1, j) || IsFunc(i + 1, j, 1) || IsFunc(i + 1, j, 2));
    }

    // ---- operators at bracket level zero ------------------------------------
    // A "-" is an operator when it follows an operand: not at the start, not
    // after another operator or an opening bracket.
    bool BinaryMinus(int p, int from) const {
        if (p <= from || std::strchr("+-*/^(", s[p - 1]) != nullptr) return false;
        return !(p - 3 >= from && (s.compare(p - 3, 3, "DIV") == 0 || s.compare(p - 3, 3, "MOD") == 0));
    }

    void Lex(int i, int j, std::vector<TToken>& out) const {
        out.clear();
        int start = i;
        for (int k = i; k < j;) {
            int op = -1;
            switch (s[k]) {
                case '(': k = FMatch[k] + 1; continue;
                case '+': op = soPlus; break;
                case '*': op = soStar; break;
                case '/': op = soSlash; break;
                case '^': op = soCaret; break;
                case '-':
                    if (BinaryMinus(k, i)) op = soMinus;
                    break;
                case 'D':
                    if (k + 3 <= j && s.compare(k, 3, "DIV") == 0) op = soDiv;
                    break;
                case 'M':
                    if (k + 3 <= j && s.compare(k, 3, "MOD") == 0) op = soMod;
                    break;
                default: break;
            }
            if (op < 0) {
                ++k;
                continue;
            }
            out.push_back({-1, start, k});
            out.push_back({op, k, k + kOpLen[op]});
            k += kOpLen[op];
            start = k;
        }
        out.push_back({-1, start, j});
    }

    // ---- validity -----------------------------------------------------------
    // Tokens [a, b] (operands at both ends) split at the operators of a
    // level: 0 "+", 1 "-", 2 "*", 3 DIV, MOD, "/", 4 "^".
    static bool OnLevel(int op, int level) {
        switch (level) {
            case 0: return op == soPlus;
            case 1: return op == soMinus;
            case 2: return op == soStar;
            case 3: return op == soDiv || op == soMod || op == soSlash;
            default: return op == soCaret;
        }
    }

    TKind Kind(const std::vector<TToken>& t, int a, int b, int level) const {
        if (level == 4) return PowerKind(t, a, b);
        TKind first, part;
        bool valid = true;
        int parts = 0;
        for (int from = a;;) {
            int to = from;
            while (to < b && !OnLevel(t[to + 1].Op, level)) to += 2;
            part = Kind(t, from, to, level + 1);
            if (parts == 0) first = part;
            // What a part after the first must not be.
            if (!part.Valid() || (parts > 0 && level == 1 && part.LoneNegation()) ||
                (parts > 0 && level == 3 && !part.U))
                valid = false;
            ++parts;
            if (to == b) break;
            from = to + 2;
        }
        if (!valid) return {};
        if (parts == 1) return first;
        // The last of a chain of "+" or "*" is no lone negation; a chain of
        // "-" does not begin with "-".
        if ((level == 0 || level == 2) && part.LoneNegation()) return {};
        if (level == 1 && s[t[a].Begin] == '-') return {};
        TKind chain;
        chain.U = true;
        return chain;
    }

    // One operand, or operand ^ operand.
    TKind PowerKind(const std::vector<TToken>& t, int a, int b) const {
        TKind k;
        const TToken& x = t[a];
        if (a == b) {
            k.U = IsPrimary(x.Begin, x.End);
            k.G = IsNegatedPrimary(x.Begin, x.End);
        } else if (b == a + 2) {
            const TToken& y = t[b];
            if (IsPrimary(y.Begin, y.End)) {
                k.U = IsPrimary(x.Begin, x.End);
                k.G = x.End - x.Begin >= 2 && s[x.Begin] == '-' && IsPrimary(x.Begin + 1, x.End);
            }
        }
        return k;
    }

    bool ValidPiece(int i, int j) {
        if (j <= i) return false;
        Lex(i, j, FTokens);
        return Kind(FTokens, 0, static_cast<int>(FTokens.size()) - 1, 0).Valid();
    }

    // ---- failure -------------------------------------------------------------
    // Names the last place where an operator cut the text in two, as the
    // search from the left over every operator would have left it.
    [[noreturn]] void ThrowSyntax() const {
        int cut = -1, cutLen = 0;
        for (int op = 0; op < soCount; ++op) {
            const int len = kOpLen[op];
            for (size_t from = 0;;) {
                const size_t p = s.find(kOpText[op], from);
                if (p == std::string::npos || static_cast<int>(p) + len > n) break;
                if (p == 0 || static_cast<int>(p) + len == n) break;
                cut = static_cast<int>(p);
                cutLen = len;
                from = p + 1;
            }
        }
        if (cut < 0) throw ESyntaxError(kMsgSyntax + s);
        throw ESyntaxError(kMsgSyntax + s.substr(0, cut) + "\r" + s.substr(cut + cutLen));
    }

    // ---- building ------------------------------------------------------------
    int Place(int level) {
        if (level > TCustomParser::MaxLevels) throw ETooManyNestings(kMsgNestings);
        if (FLevelCount[level] == TCustomParser::MaxOpsPerLevel) throw EExpressionTooComplex(kMsgTooComplex);
        ++FLevelCount[level];
        FPre.push_back({TParserOp::Copy, {}, {}, level, false});
        return static_cast<int>(FPre.size()) - 1;
    }

    TOperand Constant(double v) {
        FConstants.push_back(v);
        return {TOperand::kConst, nullptr, static_cast<int>(FConstants.size()) - 1};
    }

    // The operator a valid text [i, j) splits at, in the order the terms
    // are tried: the first "+", the last "-", the first "*", the last of
    // DIV, MOD and "/", the "^"; -1 when there is none.
    int SplitAt(int i, int j, int& op) {
        std::vector<TToken> t;
        Lex(i, j, t);
        int at[soCount];
        std::fill(std::begin(at), std::end(at), -1);
        int lastMul = -1, lastMulOp = -1;
        for (const TToken& k : t) {
            if (k.Op == soPlus || k.Op == soStar || k.Op == soCaret) {
                if (at[k.Op] < 0) at[k.Op] = k.Begin;
            } else if (k.Op == soMinus) {
                at[soMinus] = k.Begin;
            } else if (k.Op >= 0) {
                lastMul = k.Begin;
                lastMulOp = k.Op;
            }
        }
        for (int o : {soPlus, soMinus, soStar}) {
            if (at[o] >= 0) {
                op = o;
                return at[o];
            }
        }
        if (lastMul >= 0) {
            op = lastMulOp;
            return lastMul;
        }
        op = soCaret;
        return at[soCaret];
    }

    // Builds the operation of the valid term [i, j) on level, its arguments
    // one level deeper; depth first, left before right. Enclosing brackets
    // add no level.
    TOperand Build(int i, int j, int level) {
        while (IsBrack(i, j)) ++i, --j;
        const double* var = nullptr;
        double value = 0;
        if (IsVar(i, j, &var)) return {TOperand::kVar, var, 0};
        if (IsNum(i, j, &value)) return Constant(value);

        const int idx = Place(level);
        TParserOp op = TParserOp::Copy;
        TOperand a{}, b{};
        bool binary = false;
        int open = 0;
        int so = -1;
        const int p = SplitAt(i, j, so);
        // A negation is tried before the splits: "-" and a power is one.
        const bool negation = s[i] == '-' && (p < 0 ? IsNegatedPrimary(i, j)
                                                    : so == soCaret && IsPrimary(i + 1, p) && IsPrimary(p + 1, j));
        if (negation) {
            op = TParserOp::Negate;
            a = Build(i + 1, j, level + 1);
        } else if (p >= 0) {
            const int r0 = p + kOpLen[so];
            op = kOpNode[so];
            if (so == soCaret) {
                int ri = r0, rj = j;
                while (IsBrack(ri, rj)) ++ri, --rj;
                double e = 0;
                if (IsNum(ri, rj, &e) && e == std::trunc(e) && std::fabs(e) < kTwo63) {
                    op = e == 2   ? TParserOp::Square
                         : e == 3 ? TParserOp::Cube
                         : e == 4 ? TParserOp::Fourth
                                  : TParserOp::IntPower;
                }
            }
            a = Build(i, p, level + 1);
            if (op != TParserOp::Square && op != TParserOp::Cube && op != TParserOp::Fourth) {
                b = Build(r0, j, level + 1);
                binary = true;
            }
            int exponent = 0;
            if (op == TParserOp::Divide && b.Kind == TOperand::kConst &&
                std::frexp(FConstants[b.Index], &exponent) == 0.5 && exponent > -1000 && exponent < 1000) {
                // x / 2^k is exactly x * 2^-k, and a product is much quicker.
                op = TParserOp::Multiply;
                FConstants[b.Index] = 1 / FConstants[b.Index];
            }
        } else if (IsFunc(i, j, 2, &op, &open)) {
            const int comma = FComma[open];
            a = Build(open + 1, comma, level + 1);
            b = Build(comma + 1, j - 1, level + 1);
            binary = true;
        } else if (IsFunc(i, j, 1, &op, &open)) {
            a = Build(open + 1, j - 1, level + 1);
        } else {
            throw EParserInternalError(kMsgInternal);
        }
        FPre[idx].Op = op;
        FPre[idx].A = a;
        FPre[idx].B = b;
        FPre[idx].Binary = binary;
        return {TOperand::kNode, nullptr, idx};
    }

    // Orders the nodes from the deepest level to level 1, each level in
    // creation order, so that every node runs after the nodes it reads.
    void Link() {
        std::vector<int> order(FPre.size());
        for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return FPre[x].Level > FPre[y].Level; });
        std::vector<int> position(FPre.size());
        for (size_t k = 0; k < order.size(); ++k) position[order[k]] = static_cast<int>(k);

        P.FConstants = std::move(FConstants);
        P.FNodes.assign(FPre.size(), TCustomParser::TNode{TParserOp::Copy, false, false, nullptr, nullptr, 0});
        auto address = [&](const TOperand& o) -> const double* {
            switch (o.Kind) {
                case TOperand::kVar: return o.Var;
                case TOperand::kConst: return &P.FConstants[o.Index];
                default: return &P.FNodes[position[o.Index]].Result;
            }
        };
        for (size_t k = 0; k < order.size(); ++k) {
            const TPre& pre = FPre[order[k]];
            TCustomParser::TNode& node = P.FNodes[k];
            node.Op = pre.Op;
            node.Arg1 = address(pre.A);
            node.Arg2 = pre.Binary ? address(pre.B) : node.Arg1;
            const double* last = k > 0 ? &P.FNodes[k - 1].Result : nullptr;
            node.Arg1IsLast = node.Arg1 == last;
            node.Arg2IsLast = node.Arg2 == last;
        }
    }

    TCustomParser& P;
    const std::string s;
    const int n;
    char FSep = '.';
    bool FNested = true;
    // Per bracket: its partner; per opening bracket: the group's first
    // comma (or -1), whether its inside is valid, whether it is valid as
    // two arguments.
    std::vector<int> FMatch, FComma;
    std::vector<uint8_t> FInside, FArgs;
    std::vector<TToken> FTokens;

    std::vector<TPre> FPre;
    std::vector<double> FConstants;
    std::array<int, TCustomParser::MaxLevels + 1> FLevelCount{};
};

// ---- TCustomParser ------------------------------------------------------------------

TCustomParser::TCustomParser() = default;
TCustomParser::~TCustomParser() = default;

namespace {
// A name cannot hold an operator, and cannot begin or end with letters that
// DIV and MOD share ("MODIV" then reads only as MOD and IV...).
bool UsableName(const std::string& name) {
    auto ends = [&](const char* t) { return name.size() >= 2 && name.compare(name.size() - 2, 2, t) == 0; };
    return !name.empty() && name.find_first_of(" ()+-*/^,") == std::string::npos &&
           name.find("DIV") == std::string::npos && name.find("MOD") == std::string::npos &&
           name.compare(0, 2, "IV") != 0 && !ends("MO");
}
}  // namespace

void TCustomParser::AddVariable(const std::string& name, double* storage) {
    if (!UsableName(name)) throw EParserInternalError(kMsgInternal);
    if (FVariables.emplace(name, storage).second) FLongestVariable = std::max(FLongestVariable, name.size());
}

void TCustomParser::AddFunctionOneParam(const std::string& name, TParserOp op) {
    if (!UsableName(name)) throw EParserInternalError(kMsgInternal);
    if (!FFunctions1.emplace(name, op).second || FFunctions2.count(name)) throw EListError("Duplicates not allowed");
    FLongestFunction = std::max(FLongestFunction, name.size());
}

void TCustomParser::AddFunctionTwoParam(const std::string& name, TParserOp op) {
    if (!UsableName(name)) throw EParserInternalError(kMsgInternal);
    if (!FFunctions2.emplace(name, op).second || FFunctions1.count(name)) throw EListError("Duplicates not allowed");
    FLongestFunction = std::max(FLongestFunction, name.size());
}

void TCustomParser::SetExpression(const std::string& text) {
    FExpression = text;
    FNodes.clear();
    FConstants.clear();
    FValid = true;
    FCompileError = nullptr;
    try {
        Compile(text);
    } catch (const EMathParserError& e) {
        FNodes.clear();
        FConstants.clear();
        FValid = false;
        FCompileError = std::current_exception();
        if (!OnParserError) throw;
        OnParserError(*this, e);
    }
}

namespace {
// Spaces, tabs and the other control characters.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

void TCustomParser::Compile(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    std::string s = text.substr(first, last - first);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (std::any_of(s.begin(), s.end(), IsBlank)) throw EExpressionHasBlanks(kMsgBlanks);
    if (std::count(s.begin(), s.end(), '(') != std::count(s.begin(), s.end(), ')'))
        throw EMissMatchingBracket(kMsgBrackets);
    TParserCompiler(*this, std::move(s)).Run();
}

double TCustomParser::GetValue() {
    if (!FValid) std::rethrow_exception(FCompileError);
    if (FNodes.empty()) return 0;
    return Run();
}

std::vector<TParserOp> TCustomParser::CompiledOps() const {
    std::vector<TParserOp> ops;
    for (const TNode& node : FNodes) ops.push_back(node.Op);
    return ops;
}

const double* TCustomParser::SoleVariable() const {
    if (!FValid || FNodes.size() != 1 || FNodes[0].Op != TParserOp::Copy) return nullptr;
    for (const auto& variable : FVariables)
        if (variable.second == FNodes[0].Arg1) return variable.second;
    return nullptr;
}

namespace {
// One node's operation: every way of running a list goes through here, so
// a value worked out ahead is the same double as one worked out in place.
// EvaluateRaw leaves the check for a NaN or an infinity to the caller.
[[gnu::always_inline]] inline double EvaluateRaw(TParserOp op, double a, double b) {
    using O = TParserOp;
    double r;
    switch (op) {
        case O::Copy: r = a; break;
        case O::Negate: r = -a; break;
        case O::Add: r = a + b; break;
        case O::Subtract: r = a - b; break;
        case O::Multiply: r = a * b; break;
        case O::Divide: r = Divide(a, b); break;
        case O::Mod: r = ModOp(a, b); break;
        case O::Div: r = DivOp(a, b); break;
        case O::IntPower:
        case O::IntPowerFn: r = IntPower(a, b); break;
        case O::RealPower:
        case O::Power: r = RealPower(a, b); break;
        case O::Square:
        case O::Sqr: r = a * a; break;
        case O::Cube: r = a * a * a; break;
        case O::Fourth: r = (a * a) * (a * a); break;
        case O::Tan: r = std::tan(a); break;
        case O::Sin: r = std::sin(a); break;
        case O::Cos: r = std::cos(a); break;
        case O::Sinh: r = (std::exp(a) - std::exp(-a)) / 2; break;
        case O::Cosh: r = (std::exp(a) + std::exp(-a)) / 2; break;
        case O::ArcTan: r = std::atan(a); break;
        case O::Cotan: r = Divide(1, std::tan(a)); break;
        case O::Exp: r = std::exp(a); break;
        case O::Ln: r = Logarithm(a, std::log); break;
        case O::Log10: r = Logarithm(a, std::log10); break;
        case O::Log2: r = Logarithm(a, std::log2); break;
        case O::Sqrt:
            if (a < 0) ThrowInvalidOp();
            r = std::sqrt(a);
            break;
        case O::Abs: r = std::fabs(a); break;
        case O::Trunc:
        case O::Int: r = std::trunc(a); break;
        case O::Ceil: r = Ceil(a); break;
        case O::Floor: r = Floor(a); break;
        case O::Heav: r = a >= 0 ? 1 : 0; break;
        case O::Sign: r = a > 0 ? 1 : a < 0 ? -1 : 0; break;
        case O::Zero: r = a == 0 ? 0 : 1; break;
        case O::Ph: r = Ph(a); break;
        case O::Rnd: r = std::trunc(a) * Random(); break;
        case O::Random: r = Random(); break;
        case O::Odd: r = Odd(a); break;
        case O::Prime: r = Prime(a); break;
        case O::Max: r = a > b ? a : b; break;
        case O::Min: r = a < b ? a : b; break;
        case O::LogN: r = LogN(a, b); break;
        case O::Arg: r = Arg(a, b); break;
        case O::BitAnd: r = static_cast<double>(Round(a) & Round(b)); break;
        case O::BitOr: r = static_cast<double>(Round(a) | Round(b)); break;
        case O::BitAndNot: r = static_cast<double>(Round(a) & ~Round(b)); break;
        case O::GRnd: r = GRnd(a, b); break;
        case O::Gamma: r = Gamma(a, b); break;
        default: throw EParserInternalError(kMsgInternal);
    }
    return r;
}

[[gnu::always_inline]] inline double Evaluate(TParserOp op, double a, double b) {
    const double r = EvaluateRaw(op, a, b);
    if (!std::isfinite(r)) ThrowNonFinite(r);
    return r;
}

// Runs nodes [first, end) in order and returns the last result. A node
// whose argument is the node just before it takes it from a register.
template <typename TNodeT>
[[gnu::always_inline]] inline double RunNodes(TNodeT* node, TNodeT* end) {
    double last = 0;
    for (; node != end; ++node) {
        const double a = node->Arg1IsLast ? last : *node->Arg1;
        const double b = node->Arg2IsLast ? last : *node->Arg2;
        *node->ResultCell() = last = Evaluate(node->Op, a, b);
    }
    return last;
}
}  // namespace

double TCustomParser::Run() { return RunNodes(FNodes.data(), FNodes.data() + FNodes.size()); }

// ---- TGridStages --------------------------------------------------------------------

bool TGridStages::Prepare(TCustomParser& parser, double* column, const std::vector<double>& columnValues, double* row,
                          const std::vector<double>& rowValues, const std::vector<const double*>& perPoint,
                          const std::vector<const double*>& rowsOfPerPoint) {
    FColumnAtOnce = false;
    FRowsRead.clear();
    FPointVariable = -1;
    FColumnNodes.clear();
    FPoint.clear();
    FColumnCells.clear();
    FColumnTable.clear();
    FRowCells.clear();
    FRowTable.clear();
    FValue = nullptr;
    std::vector<TCustomParser::TNode>& nodes = parser.FNodes;
    if (!parser.FValid || nodes.empty()) return false;

    // What each node reads, through its arguments and theirs.
    enum : uint8_t { kPass = 0, kColumn = 1, kRow = 2, kPoint = 4 };
    const size_t n = nodes.size();
    auto nodeOf = [&](const double* p) -> ptrdiff_t {
        const auto base = reinterpret_cast<uintptr_t>(nodes.data()), at = reinterpret_cast<uintptr_t>(p);
        if (at < base || at >= base + n * sizeof(TCustomParser::TNode)) return -1;
        return static_cast<ptrdiff_t>((at - base) / sizeof(TCustomParser::TNode));
    };
    std::vector<uint8_t> reads(n, kPass);
    auto readsOf = [&](const double* p) -> uint8_t {
        const ptrdiff_t k = nodeOf(p);
        if (k >= 0) return reads[static_cast<size_t>(k)];
        if (p == column) return kColumn;
        if (p == row) return kRow;
        return std::find(perPoint.begin(), perPoint.end(), p) != perPoint.end() ? kPoint : kPass;
    };
    for (size_t k = 0; k < n; ++k) {
        const TParserOp op = nodes[k].Op;
        const bool drawsRandom = op == TParserOp::Rnd || op == TParserOp::Random || op == TParserOp::GRnd;
        reads[k] = drawsRandom ? kPoint : readsOf(nodes[k].Arg1) | readsOf(nodes[k].Arg2);
        if (reads[k] & kPoint || reads[k] == (kColumn | kRow)) reads[k] = kPoint;
    }

    // The nodes run at every point, and the results they read of the others.
    auto keep = [](std::vector<double*>& cells, double* cell) {
        if (std::find(cells.begin(), cells.end(), cell) == cells.end()) cells.push_back(cell);
    };
    auto needs = [&](const double* p) {
        const ptrdiff_t k = nodeOf(p);
        if (k < 0) return;
        TCustomParser::TNode& node = nodes[static_cast<size_t>(k)];
        if (reads[static_cast<size_t>(k)] == kColumn) keep(FColumnCells, &node.Result);
        if (reads[static_cast<size_t>(k)] == kRow) keep(FRowCells, &node.Result);
    };
    for (size_t k = 0; k < n; ++k) {
        TCustomParser::TNode& node = nodes[k];
        if (reads[k] != kPoint) continue;
        needs(node.Arg1);
        needs(node.Arg2);
        const double* last = FPoint.empty() ? nullptr : FPoint.back().Result;
        FPoint.push_back({node.Op, node.Arg1 == last, node.Arg2 == last, node.Arg1, node.Arg2, &node.Result});
    }
    FValue = &nodes.back().Result;
    needs(FValue);
    FPointVariable = -1;
    if (n == 1 && nodes[0].Op == TParserOp::Copy) {
        const auto it = std::find(perPoint.begin(), perPoint.end(), nodes[0].Arg1);
        if (it != perPoint.end()) FPointVariable = static_cast<int>(it - perPoint.begin());
    }

    // The values worked out ahead, each node reading its arguments' cells.
    FColumnTable.resize(columnValues.size() * FColumnCells.size());
    FRowTable.resize(rowValues.size() * FRowCells.size());
    auto run = [&](uint8_t stage) {
        for (size_t k = 0; k < n; ++k) {
            TCustomParser::TNode& node = nodes[k];
            if (reads[k] == stage) node.Result = Evaluate(node.Op, *node.Arg1, *node.Arg2);
        }
    };
    const double oldColumn = *column, oldRow = *row;
    bool ok = true;
    try {
        run(kPass);
        double* to = FColumnTable.data();
        for (double v : columnValues) {
            *column = v;
            run(kColumn);
            for (const double* cell : FColumnCells) *to++ = *cell;
        }
        to = FRowTable.data();
        for (double v : rowValues) {
            *row = v;
            run(kRow);
            for (const double* cell : FRowCells) *to++ = *cell;
        }
    } catch (const Exception&) {
        ok = false;
    }
    *column = oldColumn;
    *row = oldRow;
    if (!ok) {
        FPoint.clear();
        return false;
    }

    // The same nodes for whole columns, when no draw fixes their order.
    const size_t rows = rowValues.size();
    FColumnAtOnce = rowsOfPerPoint.size() == perPoint.size() &&
                    std::none_of(nodes.begin(), nodes.end(), [](const TCustomParser::TNode& node) {
                        return node.Op == TParserOp::Rnd || node.Op == TParserOp::Random || node.Op == TParserOp::GRnd;
                    });
    if (!FColumnAtOnce) return true;
    FRowValues = rowValues;
    FRowsRead.assign(perPoint.size(), false);
    FColumnResults.assign(FPoint.size() * rows, 0);
    auto span = [&](const double* p) -> TSpan {
        for (size_t k = 0; k < FPoint.size(); ++k)
            if (FPoint[k].Result == p) return {FColumnResults.data() + k * rows, 1};
        for (size_t k = 0; k < FRowCells.size(); ++k)
            if (FRowCells[k] == p) return {FRowTable.data() + k, FRowCells.size()};
        for (size_t k = 0; k < perPoint.size(); ++k) {
            if (perPoint[k] != p) continue;
            FRowsRead[k] = true;
            return {rowsOfPerPoint[k], 1};
        }
        if (p == row) return {FRowValues.data(), 1};
        return {p, 0};
    };
    for (size_t k = 0; k < FPoint.size(); ++k)
        FColumnNodes.push_back(
            {FPoint[k].Op, span(FPoint[k].Arg1), span(FPoint[k].Arg2), FColumnResults.data() + k * rows});
    FColumnValue = span(FValue);
    return true;
}

namespace {
// One operation down a column; the results are checked at the end, so that
// the simple operations run several rows at a time.
template <TParserOp Op, typename A, typename B>
[[gnu::always_inline]] inline void EvaluateColumnOf(A a, B b, double* out, size_t n) {
    // A NaN or an infinity is all ones in the exponent: adding one to the
    // exponent field then carries into the top bit (in integer arithmetic,
    // which runs several rows at a time, in the same run as the operation).
    constexpr uint64_t kExponent = 0x7FF0000000000000u, kExponentOne = 0x0010000000000000u;
    uint64_t special = 0;
    for (size_t y = 0; y < n; ++y) {
        const double r = EvaluateRaw(Op, a(y), b(y));
        out[y] = r;
        uint64_t bits;
        std::memcpy(&bits, &r, sizeof bits);
        special |= (bits & kExponent) + kExponentOne;
    }
    if (!(special >> 63)) return;
    for (size_t y = 0; y < n; ++y)
        if (!std::isfinite(out[y])) ThrowNonFinite(out[y]);
}

template <TParserOp Op>
void EvaluateColumn(const double* a, size_t aStep, const double* b, size_t bStep, double* out, size_t n) {
    auto down = [](const double* p) { return [p](size_t y) { return p[y]; }; };
    auto one = [](const double* p) { return [v = *p](size_t) { return v; }; };
    auto step = [](const double* p, size_t k) { return [p, k](size_t y) { return p[y * k]; }; };
    if (aStep == 1 && bStep == 1) return EvaluateColumnOf<Op>(down(a), down(b), out, n);
    if (aStep == 1 && bStep == 0) return EvaluateColumnOf<Op>(down(a), one(b), out, n);
    if (aStep == 0 && bStep == 1) return EvaluateColumnOf<Op>(one(a), down(b), out, n);
    EvaluateColumnOf<Op>(step(a, aStep), step(b, bStep), out, n);
}
using TColumnFn = void (*)(const double*, size_t, const double*, size_t, double*, size_t);
template <size_t... I>
constexpr std::array<TColumnFn, sizeof...(I)> ColumnFunctions(std::index_sequence<I...>) {
    return {&EvaluateColumn<static_cast<TParserOp>(I)>...};
}
constexpr auto kColumnFunctions =
    ColumnFunctions(std::make_index_sequence<static_cast<size_t>(TParserOp::Gamma) + 1>());
}  // namespace

const double* TGridStages::ColumnValues(double* spare) {
    const size_t rows = FRowValues.size();
    for (const TColumnNode& node : FColumnNodes)
        kColumnFunctions[static_cast<size_t>(node.Op)](node.Arg1.Data, node.Arg1.Step, node.Arg2.Data, node.Arg2.Step,
                                                       node.Result, rows);
    if (FColumnValue.Step == 1) return FColumnValue.Data;
    for (size_t y = 0; y < rows; ++y) spare[y] = FColumnValue.Data[y * FColumnValue.Step];
    return spare;
}

double TGridStages::RunPoint() { return RunNodes(FPoint.data(), FPoint.data() + FPoint.size()); }

// ---- TParser -------------------------------------------------------------------

TParser::TParser() {
    const std::pair<const char*, double*> vars[] = {
        {"A", &A}, {"B", &B}, {"I", &i}, {"S", &S},  {"M", &M}, {"D", &D}, {"J", &J}, {"K", &K}, {"T", &T},
        {"?", &q}, {"!", &p}, {"Z", &z}, {"L", &zj}, {"R", &r}, {"G", &g}, {"X", &X}, {"Y", &Y},
    };
    for (const auto& v : vars) AddVariable(v.first, v.second);

    using O = TParserOp;
    const std::pair<const char*, O> one[] = {
        {"TAN", O::Tan},       {"SIN", O::Sin},     {"COS", O::Cos},     {"SINH", O::Sinh},     {"COSH", O::Cosh},
        {"ARCTAN", O::ArcTan}, {"COTAN", O::Cotan}, {"EXP", O::Exp},     {"LN", O::Ln},         {"LOG10", O::Log10},
        {"LOG2", O::Log2},     {"SQR", O::Sqr},     {"SQRT", O::Sqrt},   {"ABS", O::Abs},       {"TRUNC", O::Trunc},
        {"INT", O::Int},       {"CEIL", O::Ceil},   {"FLOOR", O::Floor}, {"HEAV", O::Heav},     {"SIGN", O::Sign},
        {"ZERO", O::Zero},     {"PH", O::Ph},       {"RND", O::Rnd},     {"RANDOM", O::Random}, {"ODD", O::Odd},
        {"PRIME", O::Prime},
    };
    for (const auto& f : one) AddFunctionOneParam(f.first, f.second);
    const std::pair<const char*, O> two[] = {
        {"MAX", O::Max},     {"MIN", O::Min},   {"POWER", O::Power}, {"INTPOWER", O::IntPowerFn},
        {"LOGN", O::LogN},   {"ARG", O::Arg},   {"&", O::BitAnd},    {"\\", O::BitOr},
        {"|", O::BitAndNot}, {"GRND", O::GRnd}, {"GAMMA", O::Gamma},
    };
    for (const auto& f : two) AddFunctionTwoParam(f.first, f.second);
}
