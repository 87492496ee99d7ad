#include "mozaro/Parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

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

int64_t TruncChecked(double x) {
    if (!(x >= -kTwo63 && x < kTwo63)) ThrowInvalidOp();  // NaN fails too
    return static_cast<int64_t>(x);
}

int64_t RoundChecked(double x) { return TruncChecked(std::rint(x)); }

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
    const int64_t n = TruncChecked(exponent);
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
        const double p =
            1 + a * (0.5772156649015329 +
                     a * (-0.655878071520254 +
                          a * (-0.04200263503403344 +
                               a * (0.1665386113720805 +
                                    a * (-0.042197733607059154 +
                                         a * (-0.009622023360406271 +
                                              a * (0.00722059947803691 + a * -0.00119394505138151)))))));
        return Divide(b, a * p);
    }
    const double c = -a;
    const double nn =
        -1 + c * (0.5772156649015329 +
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
    return (w - std::rint(w)) * (2 * kPi);
}

double Odd(double x) { return std::fmod(std::trunc(x), 2.0) == 0 ? 1 : 0; }

[[gnu::noinline]] double DivOp(double a, double b) {
    const int64_t x = TruncChecked(a), y = TruncChecked(b);
    if (y == 0) ThrowDivByZero();
    if (y == -1 && x == std::numeric_limits<int64_t>::min()) ThrowIntOverflow();
    return static_cast<double>(x / y);
}

[[gnu::noinline]] double ModOp(double a, double b) {
    const int64_t x = TruncChecked(a), y = TruncChecked(b);
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
const std::array<const char*, soCount> kOpText = {"+", "-", "*", "DIV", "MOD", "/", "^"};
const std::array<int, soCount> kOpLen = {1, 1, 1, 3, 3, 1, 1};
const std::array<TParserOp, soCount> kOpNode = {TParserOp::Add,  TParserOp::Subtract, TParserOp::Multiply,
                                                 TParserOp::Div,  TParserOp::Mod,      TParserOp::Divide,
                                                 TParserOp::RealPower};

// Kinds of term a side of an operator accepts beyond a variable, a number,
// a bracketed expression and a function call: splits by operator bit, and
// a negation.
constexpr unsigned Bit(TSplitOp op) { return 1u << op; }
constexpr unsigned kfNeg = 1u << soCount;
constexpr unsigned kMulOps = Bit(soDiv) | Bit(soMod) | Bit(soSlash);
constexpr std::array<unsigned, soCount> kLeftAccepts = {
    kfNeg | Bit(soMinus) | Bit(soStar) | kMulOps | Bit(soCaret),  // +
    kfNeg | Bit(soMinus) | Bit(soStar) | kMulOps | Bit(soCaret),  // -
    kfNeg | kMulOps | Bit(soCaret),                               // *
    kfNeg | kMulOps | Bit(soCaret),                               // DIV
    kfNeg | kMulOps | Bit(soCaret),                               // MOD
    kfNeg | kMulOps | Bit(soCaret),                               // /
    0,                                                            // ^
};
constexpr std::array<unsigned, soCount> kRightAccepts = {
    Bit(soPlus) | Bit(soMinus) | Bit(soStar) | kMulOps | Bit(soCaret),  // +
    Bit(soStar) | kMulOps | Bit(soCaret),                               // -
    Bit(soStar) | kMulOps | Bit(soCaret),                               // *
    Bit(soCaret),                                                       // DIV
    Bit(soCaret),                                                       // MOD
    Bit(soCaret),                                                       // /
    0,                                                                  // ^
};

}  // namespace

// Compiles one upper-cased, trimmed, blank-free text with balanced bracket
// counts into the parser's node list.
//
// Every question "is span [i, j) a term of kind K" is answered once (memo).
// For a span, each operator has at most one occurrence at which a cut can
// succeed: a side never holds an unbracketed occurrence of the operators it
// refuses, so "+" and "*" can only cut at their first occurrence outside
// brackets, "DIV", "MOD" and "/" at their last, "^" at its only one, and "-"
// at its last occurrence that does not follow an operator or another "-" (such
// a "-" can only start a negation or "-PI", and a right side of "-" holds a
// "-" in no other place, while a left side never ends in an operator). This
// gives the same cuts as trying every occurrence from the left, in
// polynomial time.
class TParserCompiler {
public:
    TParserCompiler(TCustomParser& parser, std::string text)
        : P(parser), s(std::move(text)), n(static_cast<int>(s.size())) {}

    void Run() {
        Prepare();
        int i = 0, j = n;
        while (IsBrack(i, j)) ++i, --j;
        if (!Valid(i, j)) ThrowSyntax(i, j);

        TOperand root = Build(i, j, 1);
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

    // ---- text tables ------------------------------------------------------
    bool IsNumChar(char c) const { return (c >= '0' && c <= '9') || c == FSep; }

    bool Precedes(int p, int from, const char* t) const {
        const int len = static_cast<int>(std::strlen(t));
        return p - len >= from && s.compare(p - len, len, t) == 0;
    }
    // A "-" that does not follow an operator within [from, p).
    bool BinaryLooking(int p, int from) const {
        if (p - 1 >= from && std::strchr("*/^-", s[p - 1]) != nullptr) return false;
        return !Precedes(p, from, "DIV") && !Precedes(p, from, "MOD");
    }

    void Prepare() {
        FSep = '.';
        if (!P.FPointNumberformat) {
            const char* dp = std::localeconv()->decimal_point;
            if (dp && dp[0] && !dp[1]) FSep = dp[0];
        }
        // Bracket groups: FGroup[k] is the innermost open bracket at boundary k.
        FGroup.assign(n + 1, 0);
        std::vector<int> stack;
        int groups = 1;
        FNested = true;
        for (int k = 0; k < n; ++k) {
            if (s[k] == '(') {
                stack.push_back(groups++);
            } else if (s[k] == ')') {
                if (stack.empty()) FNested = false;
                else stack.pop_back();
            }
            FGroup[k + 1] = stack.empty() ? 0 : stack.back();
        }
        if (!stack.empty()) FNested = false;
        if (!FNested) return;  // no span of such a text is a term

        for (auto& list : FOcc) list.assign(groups, {});
        FComma.assign(groups, {});
        for (int k = 0; k < n; ++k) {
            const int g = FGroup[k];
            switch (s[k]) {
                case '+': FOcc[soPlus][g].push_back(k); break;
                case '*': FOcc[soStar][g].push_back(k); break;
                case '/': FOcc[soSlash][g].push_back(k); break;
                case '^': FOcc[soCaret][g].push_back(k); break;
                case ',': FComma[g].push_back(k); break;
                case '-':
                    if (k > 0 && BinaryLooking(k, 0)) FOcc[soMinus][g].push_back(k);
                    break;
                case 'D':
                    if (s.compare(k, 3, "DIV") == 0) FOcc[soDiv][g].push_back(k);
                    break;
                case 'M':
                    if (s.compare(k, 3, "MOD") == 0) FOcc[soMod][g].push_back(k);
                    break;
                default: break;
            }
        }
        FNextOpen.assign(n + 1, n);
        FNumEnd.assign(n + 1, n);
        FSepCount.assign(n + 1, 0);
        for (int k = n - 1; k >= 0; --k) {
            FNextOpen[k] = s[k] == '(' ? k : FNextOpen[k + 1];
            FNumEnd[k] = IsNumChar(s[k]) ? FNumEnd[k + 1] : k;
        }
        for (int k = 0; k < n; ++k) FSepCount[k + 1] = FSepCount[k] + (s[k] == FSep ? 1 : 0);
        FMemo.assign(static_cast<size_t>(n + 1) * (n + 1), 0);
    }

    // ---- kinds of term ---------------------------------------------------------
    bool Nested(int i, int j) const { return FNested && FGroup[i] == FGroup[j]; }

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
        if (!FNested || FNumEnd[i] < j) return false;
        const int seps = FSepCount[j] - FSepCount[i];
        if (seps > 1 || len - seps < 1) return false;
        std::string digits = s.substr(i, len);
        if (FSep != '.') std::replace(digits.begin(), digits.end(), FSep, '.');
        double v = 0;
        const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (res.ec == std::errc::result_out_of_range) {
            // Too small is 0; too large is no number.
            const size_t point = digits.find('.');
            const std::string whole = digits.substr(0, point);
            if (whole.find_first_not_of('0') != std::string::npos) return false;
            v = 0;
        } else if (res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
            return false;
        }
        if (value) *value = v;
        return true;
    }

    bool IsBrack(int i, int j) {
        return j - i >= 3 && s[i] == '(' && s[j - 1] == ')' && Valid(i + 1, j - 1);
    }

    // NAME(...) with NAME in the list of the arity; for two arguments the
    // inside splits at its first comma outside brackets.
    bool IsFunc(int i, int j, int arity, TParserOp* op = nullptr, int* open = nullptr, int* comma = nullptr) {
        if (j - i < 3 || s[j - 1] != ')') return false;
        const int k = FNextOpen[i];
        if (k <= i || k >= j - 1 || static_cast<size_t>(k - i) > P.FLongestFunction) return false;
        const auto& names = arity == 1 ? P.FFunctions1 : P.FFunctions2;
        auto it = names.find(std::string_view(s).substr(i, k - i));
        if (it == names.end()) return false;
        if (op) *op = it->second;
        if (open) *open = k;
        if (arity == 1) return Valid(k + 1, j - 1);
        const auto& commas = FComma[FGroup[k + 1]];
        auto c = std::lower_bound(commas.begin(), commas.end(), k + 1);
        if (c == commas.end() || *c >= j - 1) return false;
        if (comma) *comma = *c;
        return Valid(k + 1, *c) && Valid(*c + 1, j - 1);
    }

    bool IsAtom(int i, int j) {
        return IsVar(i, j) || IsNum(i, j) || IsBrack(i, j) || IsFunc(i, j, 1) || IsFunc(i, j, 2);
    }

    bool IsNeg(int i, int j) {
        return j - i >= 2 && s[i] == '-' &&
               (IsBrack(i + 1, j) || IsVar(i + 1, j) || Split(soCaret, i + 1, j) || IsFunc(i + 1, j, 1) ||
                IsFunc(i + 1, j, 2));
    }

    bool Memo(int kind, int i, int j, bool& value) const {
        const uint16_t m = FMemo[static_cast<size_t>(i) * (n + 1) + j];
        if (!(m & (1u << (2 * kind)))) return false;
        value = (m & (2u << (2 * kind))) != 0;
        return true;
    }
    bool Remember(int kind, int i, int j, bool value) {
        uint16_t& m = FMemo[static_cast<size_t>(i) * (n + 1) + j];
        m = static_cast<uint16_t>(m | (1u << (2 * kind)) | (value ? (2u << (2 * kind)) : 0u));
        return value;
    }

    // A valid expression: a number, a variable, a negation, a split, a
    // function or a bracketed valid expression.
    bool Valid(int i, int j) {
        if (j <= i || !Nested(i, j)) return false;
        bool v;
        if (Memo(0, i, j, v)) return v;
        v = IsVar(i, j) || IsNum(i, j) || IsNeg(i, j);
        for (int op = 0; !v && op < soCount; ++op) v = Split(static_cast<TSplitOp>(op), i, j);
        v = v || IsFunc(i, j, 2) || IsFunc(i, j, 1) || IsBrack(i, j);
        return Remember(0, i, j, v);
    }

    // The only occurrence of op at which [i, j) can be cut, or -1.
    int Cut(TSplitOp op, int i, int j) const {
        const std::vector<int>& v = FOcc[op][FGroup[i]];
        const int len = kOpLen[op];
        switch (op) {
            case soPlus:
            case soStar: {
                auto it = std::lower_bound(v.begin(), v.end(), i);
                return it != v.end() && *it < j ? *it : -1;
            }
            case soDiv:
            case soMod:
            case soSlash: {
                auto it = std::upper_bound(v.begin(), v.end(), j - len);
                if (it == v.begin()) return -1;
                --it;
                return *it >= i ? *it : -1;
            }
            case soCaret: {
                auto it = std::lower_bound(v.begin(), v.end(), i);
                if (it == v.end() || *it >= j) return -1;
                if (it + 1 != v.end() && *(it + 1) < j) return -1;
                return *it;
            }
            case soMinus: {
                auto it = std::upper_bound(v.begin(), v.end(), j - 1);
                if (it != v.begin() && *(it - 1) >= i + 3) return *(it - 1);
                // Close to the start the preceding operator may lie outside the span.
                for (int p = std::min(i + 2, j - 1); p > i; --p) {
                    if (s[p] == '-' && FGroup[p] == FGroup[i] && BinaryLooking(p, i)) return p;
                }
                return -1;
            }
            default: return -1;
        }
    }

    bool Split(TSplitOp op, int i, int j) {
        const int len = kOpLen[op];
        if (j - i < len + 2) return false;
        bool v;
        if (Memo(1 + op, i, j, v)) return v;
        v = false;
        // An occurrence at the first character ends the search.
        if (Nested(i, j) && s.compare(i, len, kOpText[op]) != 0) {
            const int p = Cut(op, i, j);
            if (p > i && p + len < j) v = Side(kLeftAccepts[op], i, p) && Side(kRightAccepts[op], p + len, j);
        }
        return Remember(1 + op, i, j, v);
    }

    bool Side(unsigned accepts, int i, int j) {
        if (j <= i) return false;
        if (IsVar(i, j) || IsNum(i, j)) return true;
        for (int op = 0; op < soCount; ++op) {
            if ((accepts & Bit(static_cast<TSplitOp>(op))) && Split(static_cast<TSplitOp>(op), i, j)) return true;
        }
        if ((accepts & kfNeg) && IsNeg(i, j)) return true;
        return IsBrack(i, j) || IsFunc(i, j, 1) || IsFunc(i, j, 2);
    }

    // ---- failure -------------------------------------------------------------
    // Names the last place where an operator cut the term in two, as the
    // search from the left over every operator would have left it.
    [[noreturn]] void ThrowSyntax(int i, int j) const {
        int cut = -1, cutLen = 0;
        for (int op = 0; op < soCount; ++op) {
            const int len = kOpLen[op];
            for (size_t from = i;;) {
                const size_t p = s.find(kOpText[op], from);
                if (p == std::string::npos || static_cast<int>(p) + len > j) break;
                if (static_cast<int>(p) == i || static_cast<int>(p) + len == j) break;
                cut = static_cast<int>(p);
                cutLen = len;
                from = p + 1;
            }
        }
        if (cut < 0) throw ESyntaxError(kMsgSyntax + s.substr(i, j - i));
        throw ESyntaxError(kMsgSyntax + s.substr(i, cut - i) + "\r" + s.substr(cut + cutLen, j - cut - cutLen));
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

    // Classifies the term [i, j) (known valid) and builds its operation on
    // level, its arguments one level deeper; depth first, left before right.
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
        int open = 0, comma = 0;
        if (IsNeg(i, j)) {
            op = TParserOp::Negate;
            a = Build(i + 1, j, level + 1);
        } else if (int so = FirstSplit(i, j); so >= 0) {
            const TSplitOp sop = static_cast<TSplitOp>(so);
            const int p = Cut(sop, i, j);
            const int r0 = p + kOpLen[so];
            op = kOpNode[so];
            if (sop == soCaret) {
                int ri = r0, rj = j;
                while (IsBrack(ri, rj)) ++ri, --rj;
                double e = 0;
                if (IsNum(ri, rj, &e) && e == std::trunc(e) && std::fabs(e) < kTwo63) {
                    op = e == 2 ? TParserOp::Square
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
        } else if (IsFunc(i, j, 2, &op, &open, &comma)) {
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

    int FirstSplit(int i, int j) {
        for (int op = 0; op < soCount; ++op) {
            if (Split(static_cast<TSplitOp>(op), i, j)) return op;
        }
        return -1;
    }

    // Orders the nodes from the deepest level to level 1, each level in
    // creation order, so that every node runs after the nodes it reads.
    void Link() {
        std::vector<int> order(FPre.size());
        for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
        std::stable_sort(order.begin(), order.end(),
                         [&](int x, int y) { return FPre[x].Level > FPre[y].Level; });
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
    std::vector<int> FGroup;
    std::array<std::vector<std::vector<int>>, soCount> FOcc;
    std::vector<std::vector<int>> FComma;
    std::vector<int> FNextOpen, FNumEnd, FSepCount;
    // Per span: two bits (known, value) for "valid" and for each operator.
    std::vector<uint16_t> FMemo;

    std::vector<TPre> FPre;
    std::vector<double> FConstants;
    std::array<int, TCustomParser::MaxLevels + 1> FLevelCount{};
};

// ---- TCustomParser ------------------------------------------------------------------

TCustomParser::TCustomParser() = default;
TCustomParser::~TCustomParser() = default;

namespace {
bool UsableName(const std::string& name) {
    return !name.empty() && name.find_first_of(" ()+-*/^,") == std::string::npos &&
           name.find("DIV") == std::string::npos && name.find("MOD") == std::string::npos;
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

void TCustomParser::Compile(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    std::string s = text.substr(first, last - first);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (s.find(' ') != std::string::npos) throw EExpressionHasBlanks(kMsgBlanks);
    if (std::count(s.begin(), s.end(), '(') != std::count(s.begin(), s.end(), ')'))
        throw EMissMatchingBracket(kMsgBrackets);
    // Refused up front: the work and the recursion of compiling grow with
    // the length and the bracket depth.
    if (s.size() > MaxExpressionLength) throw EExpressionTooComplex(kMsgTooComplex);
    int depth = 0;
    for (char c : s) {
        if (c == '(' && ++depth > MaxBracketDepth) throw ETooManyNestings(kMsgNestings);
        if (c == ')') --depth;
    }
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

double TCustomParser::Run() {
    using O = TParserOp;
    double last = 0;
    for (TNode& node : FNodes) {
        const double a = node.Arg1IsLast ? last : *node.Arg1;
        const double b = node.Arg2IsLast ? last : *node.Arg2;
        double r;
        switch (node.Op) {
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
            case O::BitAnd: r = static_cast<double>(RoundChecked(a) & RoundChecked(b)); break;
            case O::BitOr: r = static_cast<double>(RoundChecked(a) | RoundChecked(b)); break;
            case O::BitAndNot: r = static_cast<double>(RoundChecked(a) & ~RoundChecked(b)); break;
            case O::GRnd: r = GRnd(a, b); break;
            case O::Gamma: r = Gamma(a, b); break;
            default: throw EParserInternalError(kMsgInternal);
        }
        if (!std::isfinite(r)) ThrowNonFinite(r);
        node.Result = last = r;
    }
    return last;
}

// ---- TParser -------------------------------------------------------------------

TParser::TParser() {
    const std::pair<const char*, double*> vars[] = {
        {"A", &A}, {"B", &B}, {"I", &i}, {"S", &S}, {"M", &M}, {"D", &D},  {"J", &J}, {"K", &K}, {"T", &T},
        {"?", &q}, {"!", &p}, {"Z", &z}, {"L", &zj}, {"R", &r}, {"G", &g}, {"X", &X}, {"Y", &Y},
    };
    for (const auto& v : vars) AddVariable(v.first, v.second);

    using O = TParserOp;
    const std::pair<const char*, O> one[] = {
        {"TAN", O::Tan},     {"SIN", O::Sin},       {"COS", O::Cos},     {"SINH", O::Sinh},   {"COSH", O::Cosh},
        {"ARCTAN", O::ArcTan}, {"COTAN", O::Cotan}, {"EXP", O::Exp},     {"LN", O::Ln},       {"LOG10", O::Log10},
        {"LOG2", O::Log2},   {"SQR", O::Sqr},       {"SQRT", O::Sqrt},   {"ABS", O::Abs},     {"TRUNC", O::Trunc},
        {"INT", O::Int},     {"CEIL", O::Ceil},     {"FLOOR", O::Floor}, {"HEAV", O::Heav},   {"SIGN", O::Sign},
        {"ZERO", O::Zero},   {"PH", O::Ph},         {"RND", O::Rnd},     {"RANDOM", O::Random}, {"ODD", O::Odd},
        {"PRIME", O::Prime},
    };
    for (const auto& f : one) AddFunctionOneParam(f.first, f.second);
    const std::pair<const char*, O> two[] = {
        {"MAX", O::Max},   {"MIN", O::Min},       {"POWER", O::Power},    {"INTPOWER", O::IntPowerFn},
        {"LOGN", O::LogN}, {"ARG", O::Arg},       {"&", O::BitAnd},       {"\\", O::BitOr},
        {"|", O::BitAndNot}, {"GRND", O::GRnd},   {"GAMMA", O::Gamma},
    };
    for (const auto& f : two) AddFunctionTwoParam(f.first, f.second);
}
