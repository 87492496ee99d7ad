#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/PGraphic.h"
#include "mozaro/PostProcess.h"
#include "platform/Colors.h"
#include "platform/Random.h"

namespace {

// A 256 x 256 picture whose colour at (x, y) is f(x, y).
template <typename F>
void Fill(TPixelGraphic& pic, F f, int size = 256) {
    pic.SetSize(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pic.SetPixelColor(x, y, f(x, y));
}
uint32_t Grey(int v) { return RGB(v, v, v); }

uint32_t Pattern(int x, int y) { return RGB(x, y, (x * 7 + y * 3) & 0xFF); }

std::vector<uint8_t> Pixels(const TPixelGraphic& pic) {
    std::vector<uint8_t> v(static_cast<size_t>(pic.GetRowSize()) * pic.GetHeight());
    std::memcpy(v.data(), pic.GetBits(), v.size());
    return v;
}

struct Compose {
    TPixelGraphic basic, layer1, layer2, result;
    TComposeLayer shader1, shader2;
    TPostProcessSettings settings;
    TExpressionCache cache;

    Compose() {
        Fill(basic, Pattern);
        shader1.Image = &layer1;
        shader2.Image = &layer2;
    }
    void Run() { PostProcessAndCompose(result, basic, shader1, shader2, settings, cache); }
    // The message of what running raised.
    template <typename E>
    std::string RunFailing() {
        try {
            Run();
        } catch (const E& e) {
            return e.Message();
        }
        return "(nothing raised)";
    }
};

}  // namespace

TEST(PostProcessCompose, LayersBlendByTagInOrder) {
    Compose c;
    int changes = 0;
    c.result.OnChange = [&](TPixelGraphic*) { ++changes; };
    c.Run();
    EXPECT_EQ(c.result.GetBitCountNum(), 3);
    EXPECT_EQ(Pixels(c.result), Pixels(c.basic));  // nothing active, every pass off
    // The default settings of every pass change nothing; one change event.
    c.settings.conon = c.settings.rgbon = c.settings.dispon = true;
    c.settings.forcesym2 = false;
    c.Run();
    EXPECT_EQ(Pixels(c.result), Pixels(c.basic));
    EXPECT_EQ(changes, 2);
    c.settings = TPostProcessSettings();

    // "25 % Opaque" keeps 75 % of the old pixel; an inactive layer counts for nothing.
    Fill(c.basic, [](int, int) { return Grey(200); });
    Fill(c.layer1, [](int, int) { return Grey(0); });
    Fill(c.layer2, [](int, int) { return Grey(255); });
    c.shader1 = {&c.layer1, true, 4};
    c.shader2 = {&c.layer2, false, 1};
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(17, 3), Grey(150));

    // Layer 1 first, then layer 2: Opaque, then Additive.
    Fill(c.layer1, [](int x, int) { return RGB(x, 10, 0); });
    Fill(c.layer2, [](int, int) { return Grey(100); });
    c.shader1 = {&c.layer1, true, 1};
    c.shader2 = {&c.layer2, true, 7};
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(20, 9), RGB(120, 110, 100));
    EXPECT_EQ(c.result.GetPixelColor(200, 9), RGB(255, 110, 100));

    // A smaller basic texture is stretched over the tile.
    Fill(
        c.basic, [](int, int) { return RGB(1, 2, 3); }, 16);
    c.shader1.Active = c.shader2.Active = false;
    c.Run();
    EXPECT_EQ(c.result.GetWidth(), 256);
    EXPECT_EQ(c.result.GetPixelColor(255, 255), RGB(1, 2, 3));
}

TEST(PostProcessConvolution, MatrixOffsetsAndFailures) {
    Compose c;
    c.settings.conon = true;
    // Only the top-left cell: every inner pixel takes its upper-left neighbour.
    c.settings.Matrix = {"1", "0", "0", "0", "0", "0", "0", "0", "0"};
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(50, 60), Pattern(49, 59));
    // Bias in percent of full scale, amplification as a factor.
    c.settings.Matrix = {"0", "0", "0", "0", "1", "0", "0", "0", "0"};
    c.settings.edBIAS = "10";
    c.settings.edAMP = " 2";
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(50, 60), RGB(126, 146, 62));
    // Huge user numbers stay in range.
    c.settings.edAMP = "2147483647";
    c.settings.Matrix[0] = "-2147483648";
    EXPECT_NO_THROW(c.Run());

    // A text that is no integer: the blended layers stay, later passes do not run.
    c.settings = TPostProcessSettings();
    c.settings.conon = c.settings.rgbon = true;
    c.settings.rpedit = "0";
    for (const char* bad : {"1.5", "abc", "", "99999999999", "- 1"}) {
        c.settings.Matrix[5] = bad;
        EXPECT_EQ(c.RunFailing<EConvertError>(), std::string("'") + bad + "' is not a valid integer value");
        EXPECT_EQ(Pixels(c.result), Pixels(c.basic)) << bad;
    }
}

TEST(PostProcessRgb, ChannelsFromExpressions) {
    Compose c;
    c.settings.rgbon = true;
    c.settings.forcesymetry = false;
    c.Run();
    EXPECT_EQ(Pixels(c.result), Pixels(c.basic));  // "r", "g", "b"

    // Low 8 bits of the truncated value; X is |x - 128| when symmetric.
    c.settings.rpedit = "300";
    c.settings.gpedit = "0-1.5";
    c.settings.bpedit = "x";
    c.settings.forcesymetry = true;
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(0, 5), RGB(44, 255, 128));
    EXPECT_EQ(c.result.GetPixelColor(255, 5), RGB(44, 255, 127));
    EXPECT_EQ(c.result.GetPixelColor(128, 5), RGB(44, 255, 0));
    EXPECT_EQ(c.result.GetPixelColor(1, 9), c.result.GetPixelColor(255, 9));
    c.settings.forcesymetry = false;
    c.settings.rpedit = "(r+g)/2";
    c.settings.gpedit = "y";
    c.settings.bpedit = "10000000000000000000000+b";
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(200, 7), RGB((200 + 7) / 2, 7, 0));

    // x runs outer, y inner, and each pixel evaluates red, green, blue in turn.
    c.settings.rpedit = "RANDOM(0)*256";
    c.settings.gpedit = "RANDOM(0)*256";
    c.settings.bpedit = "RANDOM(0)*256";
    SetRandSeed(42);
    c.Run();
    TRandomGenerator g(42);
    auto draw = [&g] { return static_cast<int>(g.NextReal() * 256); };
    bool same = true;
    for (int x = 0; x < 256 && same; ++x)
        for (int y = 0; y < 256 && same; ++y) {
            const int r = draw(), gr = draw(), b = draw();
            same = c.result.GetPixelColor(x, y) == RGB(r, gr, b);
        }
    EXPECT_TRUE(same);
    const auto first = Pixels(c.result);
    SetRandSeed(42);
    c.Run();
    EXPECT_EQ(Pixels(c.result), first);
    SetRandSeed(43);
    c.Run();
    EXPECT_NE(Pixels(c.result), first);
}

TEST(PostProcessRgb, FailuresLeaveThePictureAsBeforeThePass) {
    Compose c;
    c.settings.conon = true;
    c.settings.Matrix = {"1", "0", "0", "0", "0", "0", "0", "0", "0"};
    c.Run();
    const auto convolved = Pixels(c.result);

    c.settings.rgbon = c.settings.dispon = true;
    c.settings.xedit = "0";  // would blank the picture if it ran
    c.settings.forcesymetry = false;
    c.settings.rpedit = "r";
    c.settings.gpedit = "gDIV(x-200)";  // fails at column 200
    EXPECT_EQ(c.RunFailing<EDivByZero>(), "RGB Expression Parser: Division by zero");
    EXPECT_EQ(Pixels(c.result), convolved);

    c.settings.gpedit = "LN(x-100)";
    EXPECT_EQ(c.RunFailing<EInvalidOp>(), "RGB Expression Parser: Invalid floating point operation");
    EXPECT_EQ(Pixels(c.result), convolved);

    // A text that does not compile: its own error, nothing changed.
    c.settings.gpedit = "g";
    c.settings.bpedit = "B G";
    EXPECT_EQ(c.RunFailing<EExpressionHasBlanks>(), "Expression has blanks");
    EXPECT_EQ(Pixels(c.result), convolved);

    // The displacement pass fails the same way.
    c.settings.bpedit = "b";
    c.settings.xedit = "x/(y-3)*0";
    EXPECT_EQ(c.RunFailing<EZeroDivide>(), "Displacement Parser: Floating point division by zero");
    EXPECT_EQ(Pixels(c.result), convolved);
    // Five whole columns moved before the fault: all put back.
    c.settings.xedit = "255-x+1/(x-5)";
    EXPECT_EQ(c.RunFailing<EZeroDivide>(), "Displacement Parser: Floating point division by zero");
    EXPECT_EQ(Pixels(c.result), convolved);
}

TEST(PostProcessDisplacement, CoordinatesFromExpressions) {
    Compose c;
    c.settings.dispon = true;
    // Symmetric: (x, y) takes (|x - 128|, |y - 128|), a four-fold mirror.
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(3, 250), Pattern(125, 122));
    EXPECT_EQ(c.result.GetPixelColor(200, 100), Pattern(72, 28));
    EXPECT_EQ(c.result.GetPixelColor(10, 20), c.result.GetPixelColor(246, 236));

    // Coordinates are |Trunc(v)| up to 256, which reads the background.
    c.settings.forcesym2 = false;
    c.settings.xedit = "0-x-0.9";
    c.settings.yedit = "r";
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(30, 0), Pattern(30, 30));
    c.settings.xedit = "300";
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(30, 0), c.result.GetBackgroundColor());
    c.settings.xedit = "0-10000000000000000000000";
    c.Run();
    EXPECT_EQ(c.result.GetPixelColor(77, 1), c.result.GetBackgroundColor());
}

TEST(PostProcessCache, UnchangedTextsAreNotRecompiled) {
    Compose c;
    c.settings.rgbon = c.settings.dispon = true;
    c.Run();
    EXPECT_EQ(c.cache.GetCompileCount(), 5u);
    c.Run();
    EXPECT_EQ(c.cache.GetCompileCount(), 5u);
    c.settings.gpedit = "G*2";
    c.Run();
    EXPECT_EQ(c.cache.GetCompileCount(), 6u);

    // A failed compile is not kept; the same parser serves equal texts.
    c.settings.gpedit = "G*";
    EXPECT_THROW(c.Run(), ESyntaxError);
    EXPECT_THROW(c.Run(), ESyntaxError);
    EXPECT_EQ(c.cache.GetCompileCount(), 8u);
    EXPECT_EQ(&c.cache.Get("r"), &c.cache.Get("r"));

    // Beyond its capacity the least recently used text goes.
    TExpressionCache small(5);
    for (const char* t : {"1", "2", "3", "4", "5", "6"}) small.Get(t);
    small.Get("6");
    EXPECT_EQ(small.GetCompileCount(), 6u);
    small.Get("1");
    EXPECT_EQ(small.GetCompileCount(), 7u);
}
