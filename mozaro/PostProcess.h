#pragma once
// Composing the result tile: the "Basic Texture" layer, the active shader
// layers blended over it by their blend tags, then the optional passes of the
// post-processing page in this order: a 3 x 3 convolution, per-channel colour
// expressions and a displacement by coordinate expressions.
//
// A pass that fails leaves the result as it was before that pass and runs no
// later pass: the expression passes work on a scratch copy and commit only
// when every pixel succeeded. An arithmetic fault in an expression keeps its
// type (EZeroDivide, EDivByZero, ...) and its message names the pass.
#include <array>
#include <cstddef>
#include <list>
#include <memory>
#include <string>

#include "mozaro/Parser.h"

class TPixelGraphic;

// A shader layer as composing sees it.
struct TComposeLayer {
    TPixelGraphic* Image = nullptr;
    bool Active = false;  // "Layer is active"
    int BlendTag = 1;     // tag of the "Blend Mode" menu
};

// The post-processing page: edit texts as typed, check boxes as set.
struct TPostProcessSettings {
    // edEl1 edel2 edel3 / edel4 edel5 edel6 / edel7 edel8 edel9: the matrix
    // rows top to bottom; Matrix[3 * row + column].
    std::array<std::string, 9> Matrix = {"0", "0", "0", "0", "1", "0", "0", "0", "0"};
    std::string edHOffset = "-1";
    std::string edVOffset = "-1";
    std::string edBIAS = "0";
    std::string edAMP = "1";
    bool conon = false;

    std::string rpedit = "r";
    std::string gpedit = "g";
    std::string bpedit = "b";
    bool forcesymetry = true;
    bool rgbon = false;

    std::string xedit = "x";
    std::string yedit = "y";
    bool forcesym2 = true;
    bool dispon = false;
};

// Names of the expression passes, as the page's group captions read; they
// prefix the message of an arithmetic fault in that pass.
extern const char* const kRgbPassName;           // "RGB Expression Parser"
extern const char* const kDisplacementPassName;  // "Displacement Parser"

// Compiled parsers by expression text, so that composing again does not
// recompile texts that did not change. Keeps the most recently used
// Capacity texts (at least 5: one compose uses five).
class TExpressionCache {
public:
    explicit TExpressionCache(size_t capacity = 16);
    // The parser of text, compiled on first use. A text that does not
    // compile raises its EMathParserError and is not kept.
    TParser& Get(const std::string& text);
    // Compiles done so far.
    size_t GetCompileCount() const { return FCompileCount; }

private:
    struct TEntry {
        std::string Text;
        std::unique_ptr<TParser> Parser;
    };
    std::list<TEntry> FEntries;  // most recently used first
    size_t FCapacity;
    size_t FCompileCount = 0;
};

// Recomputes result (256 x 256, 24 bits) from the layer pictures and the
// settings. The result fires one change event at the end.
void PostProcessAndCompose(TPixelGraphic& result, const TPixelGraphic& basic, const TComposeLayer& shader1,
                           const TComposeLayer& shader2, const TPostProcessSettings& settings, TExpressionCache& cache);

// The passes on their own (result must be 24 bits).
// Convolution: the matrix, offsets, bias and amplification texts read as
// integers (EConvertError "'text' is not a valid integer value" otherwise).
void ConvolutionPass(TPixelGraphic& result, const TPostProcessSettings& settings);
// Each pixel becomes the low 8 bits of the truncated values of red, green
// and blue, which see R, G, B of the pixel and X, Y (|x - 128|, |y - 128|
// when symmetric); x runs outer, y inner.
void RgbExpressionPass(TPixelGraphic& result, TParser& red, TParser& green, TParser& blue, bool symmetric);
// Each pixel takes the colour at (|Trunc(new X)|, |Trunc(new Y)|) of the
// picture before the pass, each at most 256 (outside: the background).
void DisplacementPass(TPixelGraphic& result, TParser& newX, TParser& newY, bool symmetric);
