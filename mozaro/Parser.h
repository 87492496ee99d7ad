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
    static constexpr int MaxLevels = 20;       // nesting of operations
    static constexpr int MaxOpsPerLevel = 50;  // operations on one level

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
    // The variable whose value the text always is (such as "R" or "(r)"),
    // else nullptr; nullptr too after a failed compile.
    const double* SoleVariable() const;

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
    friend class TGridStages;

    struct TNode {
        TParserOp Op;
        // The argument is the result of the node just before: taken from a
        // register instead of memory, which keeps chains of nodes short.
        bool Arg1IsLast, Arg2IsLast;
        const double* Arg1;
        const double* Arg2;
        double Result;
        double* ResultCell() { return &Result; }
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

// A parser's compiled list split for a pass over a grid of points, by what
// each node reads. A node reading neither the column variable nor the row
// variable (nor anything read from a node that does) runs once, when the pass
// is prepared; one reading only the column variable once per column, only the
// row variable once per row; the rest at every point. The random functions
// always run at every point, in the list's order, so they draw what running
// the whole list per point draws. Every value is the same double the whole
// list gives, as every node runs the same operation on the same arguments.
//
// Variables other than the column, row and per-point ones must keep their
// values through the pass, and the parser must not compile a new text.
class TGridStages {
public:
    // Splits parser's list for a pass that sets *column to columnValues[x] in
    // column x, *row to rowValues[y] in row y and changes the variables at
    // perPoint at every point, and works out every column and row value ahead.
    // For whole columns at once, rowsOfPerPoint[k] is where the pass puts the
    // column's values of perPoint[k], row by row (may be empty otherwise).
    // False when nothing was compiled or a value worked out ahead fails: the
    // pass then runs the whole list per point instead, which raises that fault
    // at the point where it belongs.
    bool Prepare(TCustomParser& parser, double* column, const std::vector<double>& columnValues, double* row,
                 const std::vector<double>& rowValues, const std::vector<const double*>& perPoint,
                 const std::vector<const double*>& rowsOfPerPoint = {});
    // Enters column x: its values for the nodes at every point.
    void EnterColumn(int x) {
        const double* v = FColumnTable.data() + static_cast<size_t>(x) * FColumnCells.size();
        for (double* cell : FColumnCells) *cell = *v++;
    }
    // The parser's value at row y of the column entered, the column and row
    // variables set to that point's values and the per-point ones to its own.
    double Value(int y) {
        const double* v = FRowTable.data() + static_cast<size_t>(y) * FRowCells.size();
        for (double* cell : FRowCells) *cell = *v++;
        return FPoint.empty() ? *FValue : RunPoint();
    }
    // True when no node draws random numbers and the pass gave the rows of
    // its per-point variables: then a whole column can run node by node.
    bool GetColumnAtOnce() const { return FColumnAtOnce; }
    // The values at every row of the column entered (rowValues.size() of
    // them), the column variable set and the rows of the per-point variables
    // filled: where the last node left them, or in spare when they are one
    // value for every row or a row table's. A fault may come from a later row
    // than running point by point would raise it at.
    const double* ColumnValues(double* spare);
    // Whether running whole columns reads the rows of perPoint[k].
    bool ReadsRowsOf(size_t k) const { return k < FRowsRead.size() && FRowsRead[k]; }
    // k when the text is perPoint[k] alone (its value is that variable's,
    // when finite), else -1.
    int GetPointVariable() const { return FPointVariable; }
    // Nodes left to run at every point (for inspection).
    size_t PointNodeCount() const { return FPoint.size(); }

private:
    struct TNode {
        TParserOp Op;
        bool Arg1IsLast, Arg2IsLast;
        const double* Arg1;
        const double* Arg2;
        double* Result;
        double* ResultCell() { return Result; }
    };
    // Values along a column: Data[y * Step] (Step 0: one value for all rows).
    struct TSpan {
        const double* Data;
        size_t Step;
    };
    struct TColumnNode {
        TParserOp Op;
        TSpan Arg1, Arg2;
        double* Result;  // one value per row
    };
    double RunPoint();

    std::vector<TNode> FPoint;          // the nodes run at every point, in list order
    std::vector<double*> FColumnCells;  // results of column nodes read at every point
    std::vector<double> FColumnTable;   // their values, column by column
    std::vector<double*> FRowCells;     // the same for rows
    std::vector<double> FRowTable;
    const double* FValue = nullptr;  // the last node's result

    int FPointVariable = -1;
    bool FColumnAtOnce = false;
    std::vector<TColumnNode> FColumnNodes;  // FPoint for whole columns
    std::vector<double> FColumnResults;     // their results, node by node
    std::vector<double> FRowValues;
    TSpan FColumnValue{};         // the last node's results
    std::vector<bool> FRowsRead;  // per per-point variable
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
