// The picture core: memory layout, palettes, pixel access, size changes,
// copying and resampling, change and progress events, and the message table.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "image/PGFilter.h"
#include "image/PGraphic.h"

namespace {

uint32_t Grey(int v) { return RGB(v, v, v); }

// A one-row 24-bit picture of greys.
void GreyRow(TPixelGraphic& g, const std::vector<int>& values) {
    g.SetSize(static_cast<int>(values.size()), 1, 3);
    for (size_t i = 0; i < values.size(); ++i) g.SetPixel(static_cast<int>(i), 0, Grey(values[i]));
}

std::vector<int> RedRow(const TPixelGraphic& g, int y = 0) {
    std::vector<int> out;
    out.reserve(static_cast<size_t>(g.GetWidth()));
    for (int x = 0; x < g.GetWidth(); ++x) out.push_back(GetRValue(g.GetPixelColor(x, y)));
    return out;
}

std::vector<int> Stretched(const std::vector<int>& source, int width, TStretchMode mode) {
    TPixelGraphic src, dst;
    GreyRow(src, source);
    dst.SetSize(width, 1, 3);
    dst.SetStretchMode(mode);
    dst.StretchFrom(src);
    return RedRow(dst);
}

}  // namespace

TEST(PGMessages, TableAndFormatting) {
    EXPECT_EQ(GetLangStr(1), "X, Y index out of range");
    EXPECT_EQ(GetLangStr(84), "");
    EXPECT_EQ(GetLangStr(85), "");
    EXPECT_EQ(FormatLangStr1(19, "xyz"), "Unknown file extension \"xyz\"");
    EXPECT_EQ(FormatLangStr1(31, "CreateDIBSection"), "CreateDIBSection failed");
    // An argument holding a later placeholder is not substituted again.
    EXPECT_EQ(FormatLangStr3(17, "%S2", "a", "b"),
              "The graphic cannot be saved to a %S2 file with the current color resolution (a).\r\r"
              "The graphic will be saved with a different color resolution (b).");
    // A text without "%S2" is left alone by the second replacement.
    EXPECT_EQ(FormatLangStr2(20, "Index", "unused"), "Invalid value for Index");
    EXPECT_NO_THROW(CheckLangStrOrder());
    const TPGLangStrEntry broken[3] = {{0, ""}, {2, "x"}, {1, "y"}};
    try {
        CheckLangStrOrder(broken, 3);
        FAIL();
    } catch (const EPixelGraphic& e) {
        EXPECT_STREQ(e.what(), "PGLangStrEntries order wrong 1 and 2 are not identical");
    }
}

TEST(PixelGraphic, ByteLayoutOfEachDepth) {
    TPixelGraphic g;
    g.SetSize(33, 2, 0);
    EXPECT_EQ(g.GetRowSize(), 8);
    g.SetPixel(0, 1, 1);
    g.SetPixel(9, 1, 1);
    g.SetPixel(10, 1, 2);                          // only 1 sets a bit
    EXPECT_EQ(g.GetScanLine(1), g.GetBits() + 8);  // rows are top-down
    EXPECT_EQ(g.GetScanLine(1)[0], 0x80);
    EXPECT_EQ(g.GetScanLine(1)[1], 0x40);
    EXPECT_EQ(g.GetScanLine(0)[0], 0x00);
    g.SetPixel(0, 1, 0);
    EXPECT_EQ(g.GetScanLine(1)[0], 0x00);

    g.SetSize(3, 2, 1);
    EXPECT_EQ(g.GetRowSize(), 4);
    g.SetPixel(0, 0, 0xA);
    g.SetPixel(1, 0, 0x15);  // low nibble only
    g.SetPixel(2, 0, 0x7);
    EXPECT_EQ(g.GetBits()[0], 0xA5);
    EXPECT_EQ(g.GetBits()[1], 0x70);
    EXPECT_EQ(g.GetPixel(1, 0), 5u);

    g.SetSize(3, 2, 3);
    EXPECT_EQ(g.GetRowSize(), 12);
    EXPECT_EQ(g.GetBitsSize(), 24);
    g.SetPixel(2, 1, RGB(1, 2, 3));
    const uint8_t* p = g.GetScanLine(1) + 6;
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(g.GetPixel(2, 1), RGB(1, 2, 3));
    QImage view = g.QImageView();
    EXPECT_EQ(view.bytesPerLine(), 12);
    EXPECT_EQ(view.pixel(2, 1), qRgb(1, 2, 3));
}

TEST(PixelGraphic, PixelsOutsideThePicture) {
    TPixelGraphic g;
    g.SetSize(2, 2, 2);
    g.SetPaletteType(pGray256);
    g.SetBackgroundValue(7);
    EXPECT_EQ(g.GetPixel(-1, 0), 7u);
    EXPECT_EQ(g.GetPixel(0, 2), 7u);
    EXPECT_EQ(g.GetPixelColor(5, 5), Grey(7));
    g.SetPixel(2, 0, 99);  // ignored
    g.SetPixelColor(-1, -1, clWhite);
    EXPECT_EQ(g.GetPixel(1, 0), 0u);
    g.SetRangeCheck(true);
    EXPECT_THROW(g.GetPixel(-1, 0), EPGXYIndexOutOfRange);
    EXPECT_THROW(g.SetPixel(0, 2, 1), EPGXYIndexOutOfRange);
    try {
        g.SetPixelColor(2, 2, 0);
        FAIL();
    } catch (const EPGXYIndexOutOfRange& e) {
        EXPECT_STREQ(e.what(), "X, Y index out of range");
    }
}

TEST(PixelGraphic, FixedPaletteTables) {
    struct Case {
        TPaletteIdent Type;
        int Count;
        int Index;
        uint32_t Colour;
    };
    const Case cases[] = {
        {pBlackWhite, 2, 1, Grey(255)},
        {pSysGray4, 4, 1, Grey(128)},
        {pSys16, 16, 1, RGB(128, 0, 0)},
        {pSys16, 16, 7, RGB(192, 192, 192)},
        {pSys16, 16, 12, RGB(0, 0, 255)},
        {pGray4, 4, 2, Grey(170)},
        {pGray16, 16, 1, Grey(17)},
        {pGray236, 236, 1, Grey(1)},
        {pGray236, 236, 117, Grey(127)},
        {pGray236, 236, 235, Grey(255)},
        {pGray256, 256, 200, Grey(200)},
        {pSpecial125, 125, 1 * 25 + 2 * 5 + 3, RGB(64, 128, 192)},
        {pSpecial125, 125, 124, Grey(255)},
        {pSpecial216, 216, 43, Grey(51)},
        {pSpecial216, 216, 215, Grey(255)},
        {pSpecial252, 252, 16, RGB(0, 0, 0x40)},
        {pSpecial252, 252, 125, RGB(0x20, 0x20, 0x20)},
        {pSpecial252, 252, 251, RGB(0xe0, 0x60, 0xc0)},
    };
    for (const Case& c : cases) {
        TPixelGraphic g;
        g.SetSize(1, 1, 2);
        g.SetPaletteType(c.Type);
        EXPECT_EQ(g.GetPaletteType(), c.Type);
        EXPECT_EQ(g.GetPaletteCount(), c.Count) << int(c.Type);
        EXPECT_EQ(g.GetPaletteColor(c.Index), c.Colour) << int(c.Type) << " entry " << c.Index;
    }
    // The 252-colour table starts with the system colours, holds no
    // duplicates and only the levels 0, 32, ..., 224, 255.
    const std::vector<uint32_t>& t252 = FixedPaletteColors(pSpecial252);
    const std::vector<uint32_t>& t16 = FixedPaletteColors(pSys16);
    ASSERT_EQ(t252.size(), 252u);
    EXPECT_TRUE(std::equal(t16.begin(), t16.end(), t252.begin()));
    EXPECT_EQ(std::set<uint32_t>(t252.begin(), t252.end()).size(), 252u);
    for (uint32_t c : t252)
        for (int v : {GetRValue(c), GetGValue(c), GetBValue(c)}) EXPECT_TRUE(v == 255 || v % 32 == 0) << v;
}

TEST(PixelGraphic, ClassifyPaletteRecognisesEveryFixedType) {
    for (int t = pBlackWhite; t <= pSpecial252; ++t) {
        TPixelGraphic g;
        g.SetSize(1, 1, 2);
        g.SetPaletteType(static_cast<TPaletteIdent>(t));
        g.SetPaletteColor(0, g.GetPaletteColor(0));
        ASSERT_EQ(g.GetPaletteType(), pUnknown);
        g.ClassifyPalette();
        EXPECT_EQ(g.GetPaletteType(), t);
    }
    TPixelGraphic g;
    g.SetSize(1, 1, 2);
    g.SetPaletteCount(4);
    const int levels[4] = {0, 128, 192, 255};
    for (int i = 0; i < 4; ++i) g.SetPaletteColor(i, Grey(levels[i]));
    g.ClassifyPalette();
    EXPECT_EQ(g.GetPaletteType(), pSysGray4);
    EXPECT_TRUE(g.GetGreyPalette());
    g.SetPaletteColor(3, RGB(255, 255, 254));
    g.ClassifyPalette();
    EXPECT_EQ(g.GetPaletteType(), pUnknown);
    EXPECT_FALSE(g.GetGreyPalette());
    g.SetPaletteCount(0);
    g.ClassifyPalette();
    EXPECT_EQ(g.GetPaletteType(), pNone);
}

TEST(PixelGraphic, PaletteOperationsAndFaults) {
    TPixelGraphic g;
    g.SetSize(2, 1, 3);
    g.SetSize(2, 1, 2);
    // A 24-bit picture switched to 8 bits has no palette yet: its colours are
    // refused instead of being written as garbage indices.
    EXPECT_EQ(g.GetPaletteType(), pTrueColor);
    EXPECT_THROW(g.SetPixelColor(0, 0, clWhite), EPGNoPalette);
    EXPECT_THROW(g.SetPaletteColor(0, clWhite), EPGNoPalette);
    EXPECT_EQ(g.GetPixelColor(0, 0), 0u);
    g.SetPaletteCount(2);
    g.SetPaletteColor(0, RGB(10, 20, 30));
    g.SetPaletteColor(1, RGB(40, 50, 60));
    EXPECT_THROW(g.SetPaletteColor(2, 0), EPGInvalidPaletteIndex);
    EXPECT_THROW(g.GetPaletteColor(-1), EPGInvalidPaletteIndex);
    EXPECT_THROW(g.SetPaletteCount(257), EPGInvalidPaletteIndex);
    // An index beyond the palette reads as entry 0, as a DIB colour table does.
    g.SetPixel(1, 0, 200);
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(10, 20, 30));
    // A 256-entry palette cut to the 4-bit table keeps its first 16 entries.
    g.SetPaletteType(pGray256);
    g.SetSize(2, 1, 1);
    EXPECT_EQ(g.GetPaletteCount(), 16);
    EXPECT_EQ(g.GetPaletteColor(15), Grey(15));
    g.SetUseColorCache(false);
    g.SetBackgroundColor(Grey(14));
    EXPECT_EQ(g.GetBackgroundValue(), 14u);
    EXPECT_EQ(g.GetBackgroundColor(), Grey(14));
}

TEST(PixelGraphic, SetSizeAndClear) {
    TPixelGraphic g;
    int changes = 0;
    g.OnChange = [&](TPixelGraphic*) { ++changes; };
    EXPECT_TRUE(g.GetEmpty());
    g.SetSize(0, 10, 2);
    EXPECT_TRUE(g.GetEmpty());
    EXPECT_EQ(g.GetBits(), nullptr);
    EXPECT_EQ(changes, 1);
    try {
        g.SetSize(-1, -1, 3);
        FAIL();
    } catch (const EPGInvalidSize& e) {
        EXPECT_STREQ(e.what(), "Negative width");
    }
    EXPECT_THROW(g.SetSize(1, -1, 3), EPGInvalidSize);
    EXPECT_THROW(g.SetSize(1, 1, 4), EPGInvalidBitCountNum);

    // The same size again erases to the background value.
    g.SetSize(3, 2, 3);
    g.SetPixel(1, 1, clWhite);
    g.SetBackgroundValue(RGB(1, 2, 3));
    g.SetSize(3, 2, 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(g.GetPixel(x, y), RGB(1, 2, 3));

    // Clear fills partial bytes of 1 and 4-bit rows exactly.
    for (int n : {0, 1}) {
        TPixelGraphic p;
        p.SetSize(11, 2, n);
        p.SetBackgroundValue(1);
        p.Clear();
        for (int x = 0; x < 11; ++x) EXPECT_EQ(p.GetPixel(x, 1), 1u);
    }

    // Too large for memory: refused before allocating, leaving 0 x 0.
    try {
        g.SetSize(100000, 100000, 3);
        FAIL();
    } catch (const EPixelGraphic& e) {
        EXPECT_STREQ(e.what(), "CreateDIBSection failed");
    }
    EXPECT_EQ(g.GetWidth(), 0);
    EXPECT_EQ(g.GetHeight(), 0);
    EXPECT_TRUE(g.GetEmpty());
    EXPECT_EQ(g.GetScanLine(0), nullptr);
    EXPECT_THROW(g.SetSize(0x7FFFFFFF, 0x7FFFFFFF, 3), EPixelGraphic);
}

TEST(PixelGraphic, AssignCopiesEverythingAndIgnoresItself) {
    TPixelGraphic a, b;
    a.SetSize(3, 2, 1);
    a.SetPaletteType(pSys16);
    a.SetPixel(2, 1, 9);
    a.SetDither(false);
    a.SetStretchMode(smFast);
    a.SetBackgroundValue(4);
    int changes = 0;
    b.OnChange = [&](TPixelGraphic*) { ++changes; };
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.GetWidth(), 3);
    EXPECT_EQ(b.GetBitCountNum(), 1);
    EXPECT_EQ(b.GetPaletteType(), pSys16);
    EXPECT_EQ(b.GetPixelColor(2, 1), RGB(255, 0, 0));
    EXPECT_FALSE(b.GetDither());
    EXPECT_EQ(b.GetStretchMode(), smFast);
    EXPECT_EQ(b.GetBackgroundValue(), 4u);
    b.Assign(&b);
    EXPECT_EQ(b.GetPixel(2, 1), 9u);
    b.Assign(nullptr);
    EXPECT_TRUE(b.GetEmpty());
    EXPECT_EQ(b.GetBitCountNum(), 3);
}

TEST(PixelGraphic, ChangeEventsAreSilentInsideBeginUpdate) {
    TPixelGraphic g;
    int changes = 0;
    g.OnChange = [&](TPixelGraphic* sender) {
        EXPECT_EQ(sender, &g);
        ++changes;
    };
    g.BeginUpdate();
    g.BeginUpdate();
    g.SetSize(4, 4, 3);
    g.Clear();
    g.DoChange();
    g.EndUpdate();
    EXPECT_EQ(changes, 0);
    g.EndUpdate();
    EXPECT_EQ(changes, 1);
    g.Clear();
    EXPECT_EQ(changes, 2);
}

TEST(PixelGraphic, StretchSamplers) {
    // Shrinking 3 -> 2: one pixel, two taps, area.
    EXPECT_EQ(Stretched({0, 90, 180}, 2, smFast), (std::vector<int>{0, 90}));
    EXPECT_EQ(Stretched({0, 90, 180}, 2, smMedium), (std::vector<int>{22, 157}));
    EXPECT_EQ(Stretched({0, 90, 180}, 2, smPrecise), (std::vector<int>{30, 150}));
    // Enlarging: the two-tap sampler clamps its tap beyond the right edge.
    EXPECT_EQ(Stretched({0, 100}, 4, smFast), (std::vector<int>{0, 0, 100, 100}));
    EXPECT_EQ(Stretched({0, 100}, 4, smPrecise), (std::vector<int>{0, 25, 75, 100}));
    EXPECT_EQ(Stretched({0, 90}, 3, smMedium), (std::vector<int>{0, 45, 90}));

    // Both axes at once: rows weigh the column sums.
    TPixelGraphic src, dst;
    src.SetSize(2, 2, 3);
    src.SetPixel(1, 0, Grey(100));
    src.SetPixel(0, 1, Grey(100));
    src.SetPixel(1, 1, Grey(200));
    dst.SetSize(4, 4, 3);
    dst.StretchFrom(src);
    EXPECT_EQ(dst.GetPixel(1, 1), Grey(50));
    EXPECT_EQ(dst.GetPixel(3, 3), Grey(200));

    // A destination rectangle partly outside writes only inside pixels.
    dst.SetBackgroundValue(Grey(7));
    dst.Clear();
    dst.StretchRect(-2, 2, 4, 4, src, 0, 0, 2, 2);
    EXPECT_EQ(dst.GetPixel(0, 2), Grey(75));
    EXPECT_EQ(dst.GetPixel(2, 2), Grey(7));
    EXPECT_EQ(dst.GetPixel(0, 1), Grey(7));
}

TEST(PixelGraphic, CopyRectClipsToBothPictures) {
    TPixelGraphic src, dst;
    src.SetSize(3, 3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) src.SetPixel(x, y, RGB(16 * x, 16 * y, 8));
    for (int n : {3, 2}) {
        dst.SetSize(4, 4, n);
        if (n == 2) {
            dst.SetPaletteType(pUnknown);
            dst.SetPaletteCount(256);
            for (int i = 0; i < 256; ++i) dst.SetPaletteColor(i, RGB(16 * (i % 16), 16 * (i / 16), 8));
            dst.SetDither(false);
        }
        dst.SetBackgroundValue(n == 3 ? clWhite : 255);
        dst.Clear();
        dst.CopyRect(-1, 2, src, 0, 0, 3, 3);
        EXPECT_EQ(dst.GetPixelColor(0, 2), RGB(16, 0, 8));
        EXPECT_EQ(dst.GetPixelColor(1, 3), RGB(32, 16, 8));
        EXPECT_EQ(dst.GetPixel(2, 2), n == 3 ? uint32_t(clWhite) : 255u);
        EXPECT_EQ(dst.GetPixel(0, 1), n == 3 ? uint32_t(clWhite) : 255u);
        dst.CopyRect(3, 0, src, 2, 2, 3, 3);
        EXPECT_EQ(dst.GetPixelColor(3, 0), RGB(32, 32, 8));
        EXPECT_EQ(dst.GetPixel(3, 1), n == 3 ? uint32_t(clWhite) : 255u);
    }
    // Onto itself with overlap: reads the pixels as they were.
    TPixelGraphic row;
    GreyRow(row, {1, 2, 3, 4});
    row.CopyRect(1, 0, row, 0, 0, 3, 1);
    EXPECT_EQ(RedRow(row), (std::vector<int>{1, 1, 2, 3}));
}

namespace {
struct TRecordingFilter : TPGFilter {
    std::vector<std::pair<int, int>> Calls;
    bool InPlace = false;
    uint32_t CalcDestPixel(int X, int Y) override {
        Calls.emplace_back(X, Y);
        return Grey(X * 10 + Y);
    }
    bool CanProcessPaletteAndIdenticalSource() override { return InPlace; }
    uint32_t CalcDestPaletteColor(uint32_t c) override { return c ^ 0xFFFFFF; }
};
}  // namespace

TEST(PixelGraphic, ApplyFilter) {
    TPixelGraphic src, dst;
    src.SetSize(3, 2, 3);
    TRecordingFilter f;
    dst.ApplyFilter(f, src);
    EXPECT_EQ(dst.GetWidth(), 3);
    const std::vector<std::pair<int, int>> order = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}};
    EXPECT_EQ(f.Calls, order);
    EXPECT_EQ(dst.GetPixel(2, 1), Grey(21));
    EXPECT_EQ(f.Source, nullptr);

    // A filter that cannot work in place is refused before anything changes.
    try {
        dst.ApplyFilter(f, dst);
        FAIL();
    } catch (const EPGFilter& e) {
        EXPECT_STREQ(e.what(), "Cannot apply this filter to a source that is identical to the target");
    }
    EXPECT_EQ(dst.GetPixel(2, 1), Grey(21));

    // Palette path: only the entries change.
    TPixelGraphic pal;
    pal.SetSize(2, 1, 2);
    pal.SetPaletteType(pGray4);
    pal.SetPixel(1, 0, 3);
    f.InPlace = true;
    f.Calls.clear();
    pal.ApplyFilter(f, pal);
    EXPECT_TRUE(f.Calls.empty());
    EXPECT_EQ(pal.GetPixel(1, 0), 3u);
    EXPECT_EQ(pal.GetPixelColor(1, 0), Grey(0));
    EXPECT_EQ(pal.GetPixelColor(0, 0), Grey(255));
}

TEST(PixelGraphic, ProgressAbortKeepsTheRest) {
    TPixelGraphic src, dst;
    src.SetSize(4, 4, 2);
    src.SetPaletteType(pGray256);
    src.SetBackgroundValue(200);
    src.Clear();
    for (int stretch = 0; stretch < 2; ++stretch) {
        dst.SetSize(4, 4, 3);
        std::vector<int> steps;
        bool ended = false;
        dst.OnProgress = [&](TPixelGraphic*, int step, int max, bool& abort) {
            steps.push_back(step);
            EXPECT_EQ(max, 3);
            abort = true;
        };
        dst.OnProgressEnd = [&](TPixelGraphic*) { ended = true; };
        if (stretch) dst.StretchRect(0, 0, 4, 4, src, 0, 0, 2, 2);
        else dst.CopyRect(0, 0, src, 0, 0, 4, 4);
        EXPECT_EQ(steps, std::vector<int>{0});
        EXPECT_TRUE(ended);
        EXPECT_EQ(dst.GetPixel(1, 0), Grey(200));
        EXPECT_EQ(dst.GetPixel(1, 1), 0u);
    }
}

TEST(PixelGraphic, DrawsOntoAPaintDevice) {
    TPixelGraphic g;
    g.SetSize(2, 1, 1);
    g.SetPaletteType(pSys16);
    g.SetPixel(0, 0, 9);   // red
    g.SetPixel(1, 0, 12);  // blue
    QImage out(4, 2, QImage::Format_RGB32);
    out.fill(Qt::white);
    {
        QPainter p(&out);
        g.Draw(p, TRect(0, 0, 4, 1));
        g.Draw(p, TRect(3, 1, -1, 2));  // mirrored
    }
    EXPECT_EQ(out.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(3, 1), qRgb(255, 0, 0));
}

TEST(PixelGraphic, PowerHelper) {
    EXPECT_EQ(Power(0, 2), 0.0L);
    EXPECT_EQ(Power(5, 0), 1.0L);
    EXPECT_NEAR(static_cast<double>(Power(2, 10)), 1024.0, 1e-9);
    EXPECT_THROW(Power(-1, 0.5), EPixelGraphic);
}
