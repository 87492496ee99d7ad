#pragma once
// TParser: compiles a per-pixel formula such as "(R+G)/2" or
// "SIN(X/16)*128+128" once into a flat list of operation nodes over
// real-valued variables, then evaluates the list for every pixel.
//
// The text is split at operators (no tokenizer): a term is, in this order, a
// variable, a number, a negation, a split at "+", "-", "*", "DIV", "MOD", "/",
// "^", a two-argument function or a one-argument function. Which side of an
// operator may hold which kind of term fixes precedence and grouping:
// "+" and "-" bind loosest and "-" groups from the left, "*" binds looser than
// "DIV", "MOD" and "/" (which group from the left), A^B^C needs brackets, and
// a leading "-" only negates a bracket, a variable, a power or a function
// ("-5" is refused: write 0-5).
//
// Compiling takes time linear in the text: the operators outside brackets
// decide the tree, and each bracket group is checked once. Enclosing
// brackets add no level, so a text is refused only by its syntax and by the
// two limits on the operations it makes.
//
// Evaluation errors are typed (platform/Exception.h): EZeroDivide, EInvalidOp,
// EOverflow for real arithmetic, EDivByZero and EIntOverflow for DIV and MOD.
// No result leaves a node as a NaN or an infinity.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exception.h"

GW_DECLARE_EXCEPTION(EMathParserError, Exception)
GW_DECLARE_EXCEPTION(ESyntaxError, EMathParserError)
GW_DECLARE_EXCEPTION(EExpressionHasBlanks, EMathParserError)
GW_DECLARE_EXCEPTION(EExpressionTooComplex, EMathParserError)
GW_DECLARE_EXCEPTION(ETooManyNestings, EMathParserError)
GW_DECLARE_EXCEPTION(EMissMatchingBracket, EMathParserError)
GW_DECLARE_EXCEPTION(EParserInternalError, EMathParserError)

// What a compiled node computes. The first group are the operators, the
// rest the built-in functions.
enum class TParserOp : uint8_t {
    Copy,
    Negate,
    Add,
    Subtract,
    Multiply,
    Divide,
    Mod,
    Div,
    IntPower,
    RealPower,
    Square,
    Cube,
    Fourth,
    // one argument
    Tan,
    Sin,
    Cos,
    Sinh,
    Cosh,
    ArcTan,
    Cotan,
    Exp,
    Ln,
    Log10,
    Log2,
    Sqr,
    Sqrt,
    Abs,
    Trunc,
    Int,
    Ceil,
    Floor,
    Heav,
    Sign,
    Zero,
    Ph,
    Rnd,
    Random,
    Odd,
    Prime,
    // two arguments
    Max,
    Min,
    Power,
    IntPowerFn,
    LogN,
    Arg,
    BitAnd,
    BitOr,
    BitAndNot,
    GRnd,
    Gamma,
};

class TCustomParser {
public:
    static constexpr int MaxLevels = 20;          // nesting of operations
    static constexpr int MaxOpsPerLevel = 50;     // operations on one level

    TCustomParser();
    virtual ~TCustomParser();
    TCustomParser(const TCustomParser&) = delete;
    TCustomParser& operator=(const TCustomParser&) = delete;

    const std::string& GetExpression() const { return FExpression; }
    // Drops the compiled list and compiles text. A compile error flags the
    // parser invalid and goes to OnParserError when assigned, else to the
    // caller.
    void SetExpression(const std::string& text);
    // Runs the compiled list and returns the last node's result; 0 before
    // any text was set. A parser whose last compile failed raises that
    // compile error again instead of answering a made-up value.
    double GetValue();
    // Numbers with a point as decimal separator (default), else with the
    // C library locale's separator. Takes effect at the next compile.
    bool GetPointNumberformat() const { return FPointNumberformat; }
    void SetPointNumberformat(bool v) { FPointNumberformat = v; }
    // False after a failed compile.
    bool GetValid() const { return FValid; }

    std::function<void(TCustomParser& sender, const EMathParserError& error)> OnParserError;

    // The compiled list in running order (for inspection).
    std::vector<TParserOp> CompiledOps() const;

protected:
    // Names are upper case and hold no blank, bracket, comma or operator
    // text, and neither begin with "IV" nor end with "MO" (so that the
    // operators of a text are found without knowing the names). A second
    // variable of a name is ignored; a second function of a name raises
    // EListError.
    void AddVariable(const std::string& name, double* storage);
    void AddFunctionOneParam(const std::string& name, TParserOp op);
    void AddFunctionTwoParam(const std::string& name, TParserOp op);

private:
    friend class TParserCompiler;

    struct TNode {
        TParserOp Op;
        // The argument is the result of the node just before: taken from a
        // register instead of memory, which keeps chains of nodes short.
        bool Arg1IsLast, Arg2IsLast;
        const double* Arg1;
        const double* Arg2;
        double Result;
    };
    using TNameMap = std::map<std::string, TParserOp, std::less<>>;

    void Compile(const std::string& text);
    double Run();

    std::string FExpression;
    bool FPointNumberformat = true;
    bool FValid = true;
    std::exception_ptr FCompileError;
    std::map<std::string, double*, std::less<>> FVariables;
    TNameMap FFunctions1;
    TNameMap FFunctions2;
    size_t FLongestVariable = 0;
    size_t FLongestFunction = 0;
    std::vector<TNode> FNodes;
    std::vector<double> FConstants;
};

// The parser of the post-processing passes, with its 17 variables. Names in
// expressions: A B I S M D J K T X Y, "?" (q), "!" (p), Z (z), L (zj), R (r),
// G (g).
class TParser : public TCustomParser {
public:
    TParser();

    double A = 0, B = 0, i = 0, S = 0, M = 0, D = 0, J = 0, K = 0, T = 0, X = 0, Y = 0;
    double q = 0, p = 0, z = 0, zj = 0, r = 0, g = 0;
};
