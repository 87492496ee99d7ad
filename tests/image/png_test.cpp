// PNG files: against ImageMagick in both directions, transparency on a
// background, gamma, warnings, aborts and broken files.
#include <zlib.h>

#include "PeerImages.h"
#include "platform/MessageBox.h"

using namespace peer;

namespace {

class PngPeerTest : public FormatTest {
protected:
    void SetUp() override {
        if (!HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
        // ImageMagick writes a gamma chunk but decodes without applying it.
        GammaCorrection = false;
        Dir = gwtest::TempDir("png");
        Source = Dir + "/source.ppm";
        WritePPM(Source, TestPattern(37, 23));
    }
    void TearDown() override { GammaCorrection = true; }
    std::string Make(const std::string& name, const std::string& options) {
        const std::string path = Dir + "/" + name;
        EXPECT_EQ(Convert("'" + Source + "' " + options), 0) << options;
        return path;
    }
    std::string Dir, Source;
};

// PNG chunk helpers for hand-made files.
void PutBE32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += char((v >> (8 * i)) & 0xFF);
}
std::string Chunk(const std::string& type, const std::string& data) {
    std::string c;
    PutBE32(c, uint32_t(data.size()));
    c += type + data;
    PutBE32(c, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(c.data() + 4), uInt(c.size() - 4))));
    return c;
}
std::string Header(uint32_t width, uint32_t height, int depth, int colorType) {
    std::string d;
    PutBE32(d, width);
    PutBE32(d, height);
    d += {char(depth), char(colorType), 0, 0, 0};
    return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", d);
}
std::string Compressed(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    out.resize(size);
    return out;
}
// An 8-bit RGBA picture of width x 1: pixel i has alpha alphas[i].
std::string RgbaRow(const std::vector<std::array<uint8_t, 4>>& pixels, const std::string& extra = "") {
    std::string raw(1, '\0');
    for (const auto& p : pixels) raw.append(reinterpret_cast<const char*>(p.data()), 4);
    return Header(uint32_t(pixels.size()), 1, 8, 6) + extra + Chunk("IDAT", Compressed(raw)) + Chunk("IEND", "");
}

std::string LoadError(const std::string& bytes, TPGWarningAction mode = pgwaRaise) {
    TPixelGraphic g;
    try {
        LoadBytes(g, bytes, "png", mode);
    } catch (const EPixelGraphic& e) {
        return e.Message();
    }
    return "";
}

std::string SmallPng() {
    TPixelGraphic g;
    ToGraphic(TestPattern(40, 30), g);
    return SaveBytes(g, "png");
}

}  // namespace

TEST_F(PngPeerTest, DecodesWhatImageMagickWrites) {
    const struct {
        const char* Name;
        const char* Options;
        int BitCount;
        TPaletteIdent Palette;
        int Tolerance;
    } kCases[] = {
        {"g1.png", "-colorspace Gray -define png:bit-depth=1 -define png:color-type=0", 1, pBlackWhite, 0},
        {"g2.png", "-colorspace Gray -depth 2 -define png:bit-depth=2 -define png:color-type=0", 4, pGray4, 0},
        {"g4.png", "-colorspace Gray -depth 4 -define png:bit-depth=4 -define png:color-type=0", 4, pGray16, 0},
        {"g8.png", "-colorspace Gray -depth 8", 8, pGray256, 0},
        {"g16.png", "-colorspace Gray -depth 16", 8, pGray256, 1},
        {"p4.png", "-colors 12 -define png:bit-depth=4 PNG8:", 4, pUnknown, 0},
        {"p8.png", "PNG8:", 8, pUnknown, 0},
        {"rgb8.png", "PNG24:", 24, pTrueColor, 0},
        {"rgb16.png", "-depth 16 PNG48:", 24, pTrueColor, 1},
        {"inter.png", "-interlace PNG PNG24:", 24, pTrueColor, 0},
        {"pinter.png", "-interlace PNG PNG8:", 8, pUnknown, 0},
    };
    for (const auto& c : kCases) {
        std::string opts = c.Options;
        std::string prefix;
        if (!opts.empty() && opts.back() == ':') {
            prefix = opts.substr(opts.rfind(' ') + 1);
            opts = opts.substr(0, opts.size() - prefix.size());
        }
        const std::string path = Make(c.Name, opts + " '" + prefix + Dir + "/" + c.Name + "'");
        TPixelGraphic g;
        LoadFile(g, path);
        EXPECT_EQ(g.GetBitCount(), c.BitCount) << c.Name;
        EXPECT_EQ(g.GetPaletteType(), c.Palette) << c.Name;
        EXPECT_LE(MaxDifference(FromGraphic(g), PeerDecode(path)), c.Tolerance) << c.Name;
    }
}

TEST_F(PngPeerTest, TransparencyIsComposedOnTheFilesBackground) {
    const struct {
        const char* Name;
        const char* Options;
        uint32_t Background;
    } kCases[] = {
        {"rgba.png", "-alpha set -channel A -fx 'i/w' +channel -background '#00ff00' PNG32:", RGB(0, 255, 0)},
        {"rgba16.png", "-alpha set -channel A -fx 'i/w' +channel -depth 16 -background '#00ff00' PNG64:",
         RGB(0, 255, 0)},
        {"ptrns.png", "-colors 8 -alpha set -channel A -fx 'i<w/2?0:1' +channel -background '#0000ff' PNG8:",
         RGB(0, 0, 255)},
        {"ga.png", "-colorspace Gray -depth 8 -alpha set -channel A -fx 'i/w' +channel -background white PNG:",
         RGB(255, 255, 255)},
    };
    for (const auto& c : kCases) {
        const std::string opts = c.Options;
        const std::string prefix = opts.substr(opts.rfind(' ') + 1);
        // Without a gamma chunk: libpng then composes on the stored values,
        // as ImageMagick does (with one it composes in linear light).
        const std::string path = Make(c.Name, opts.substr(0, opts.size() - prefix.size()) +
                                                  "-define png:exclude-chunk=gAMA,cHRM '" + prefix + Dir + "/" +
                                                  c.Name + "'");
        TPixelGraphic g;
        LoadFile(g, path);
        EXPECT_EQ(g.GetBackgroundColor(), c.Background) << c.Name;
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", GetRValue(c.Background), GetGValue(c.Background),
                      GetBValue(c.Background));
        const TRGBImage theirs = PeerDecode(path, std::string("-background '") + colour + "' -alpha remove");
        EXPECT_LE(MaxDifference(FromGraphic(g), theirs), 1) << c.Name;
    }
}

TEST_F(PngPeerTest, ImageMagickReadsWhatWeWrite) {
    TPixelGraphic g;
    ToGraphic(TestPattern(37, 23), g);
    TPixelGraphic bw, sys16, grey, palette;
    bw.SetSize(37, 23, 0);
    bw.SetPaletteType(pBlackWhite);
    sys16.SetSize(37, 23, 1);
    sys16.SetPaletteType(pSys16);
    grey.SetSize(37, 23, 2);
    grey.SetPaletteType(pGray256);
    palette.SetSize(37, 23, 2);
    palette.SetPaletteType(pSpecial216);
    const struct {
        TPixelGraphic* Picture;
        const char* Name;
        const char* SubFormat;
        int Bits;
    } kCases[] = {
        {&g, "w24.png", "RGB", 24},          {&bw, "w1.png", "palette", 1},
        {&sys16, "w4.png", "palette", 4},    {&grey, "w8g.png", "GrayScale", 8},
        {&palette, "w8p.png", "palette", 8},
    };
    for (const auto& c : kCases) {
        if (c.Picture != &g) c.Picture->CopyRect(0, 0, g, 0, 0, 37, 23);
        const std::string path = Dir + "/" + c.Name;
        c.Picture->SaveToFile(path);
        EXPECT_EQ(MaxDifference(FromGraphic(*c.Picture), PeerDecode(path)), 0) << c.Name;
        TPictureInfo info;
        ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
        EXPECT_EQ(info.SubFormat, c.SubFormat);
        EXPECT_EQ(info.BitsPerPixel, c.Bits);
        EXPECT_EQ(info.Extra.rfind("(gama", 0), 0u) << info.Extra;
        TPixelGraphic back;
        LoadFile(back, path);
        EXPECT_NEAR(double(back.GetGamma()), 1.8, 1e-4);  // written as 1 / 1.8
        EXPECT_EQ(MaxDifference(FromGraphic(*c.Picture), FromGraphic(back)), 0) << c.Name;
    }
}

TEST_F(FormatTest, TwoBitGreyBecomesFourBitsWithFourGreys) {
    // Grey 2-bit, 5 x 1: values 0 1 2 3 2.
    std::string raw = {0, char(0x1B), char(0x80)};
    const std::string png = Header(5, 1, 2, 0) + Chunk("IDAT", Compressed(raw)) + Chunk("IEND", "");
    TPixelGraphic g;
    LoadBytes(g, png, "png");
    ASSERT_EQ(g.GetBitCount(), 4);
    EXPECT_EQ(g.GetPaletteType(), pGray4);
    const uint32_t expected[] = {0, 1, 2, 3, 2};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(g.GetPixel(x, 0), expected[x]);
    EXPECT_EQ(g.GetPixelColor(3, 0), RGB(255, 255, 255));
}

TEST_F(FormatTest, BackgroundIsTakenInTheFilesSampleDepth) {
    // Without a background chunk transparency goes onto the picture's own
    // background colour: red stays red in an 8-bit file.
    const std::string noChunk = RgbaRow({{10, 20, 30, 0}, {10, 20, 30, 255}, {200, 100, 0, 128}});
    TPixelGraphic g;
    g.SetBackgroundColor(RGB(255, 0, 0));
    LoadBytes(g, noChunk, "png");
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(10, 20, 30));
    EXPECT_EQ(g.GetPixelColor(2, 0), RGB(227, 50, 0));  // (200 * 128 + 255 * 127) / 255

    // An 8-bit background chunk (0, 255, 0) is green, for the pixels and
    // for the picture's background colour.
    std::string bkgd;
    for (int v : {0, 255, 0}) bkgd += {char(v >> 8), char(v & 0xFF)};
    const std::string withChunk = RgbaRow({{10, 20, 30, 0}}, Chunk("bKGD", bkgd));
    TPixelGraphic h;
    LoadBytes(h, withChunk, "png");
    EXPECT_EQ(h.GetPixelColor(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(h.GetBackgroundColor(), RGB(0, 255, 0));

    // A palette with a transparent entry: the composed colour is in the
    // palette read after the transformations.
    const std::string plte = std::string("\xFF\x00\x00\x00\x00\xFF", 6);
    const std::string idat = Compressed(std::string("\x00\x00\x01", 3));
    const std::string paletteFile = Header(2, 1, 8, 3) + Chunk("PLTE", plte) + Chunk("tRNS", std::string(1, '\0')) +
                                    Chunk("IDAT", idat) + Chunk("IEND", "");
    TPixelGraphic p;
    p.SetBackgroundColor(RGB(0, 200, 0));
    LoadBytes(p, paletteFile, "png");
    EXPECT_EQ(p.GetPixelColor(0, 0), RGB(0, 200, 0));
    EXPECT_EQ(p.GetPixelColor(1, 0), RGB(0, 0, 255));

    // With PngFileBackground off the chunk is not used.
    PngFileBackground = false;
    TPixelGraphic k;
    k.SetBackgroundColor(RGB(0, 0, 255));
    LoadBytes(k, withChunk, "png");
    PngFileBackground = true;
    EXPECT_EQ(k.GetPixelColor(0, 0), RGB(0, 0, 255));
}

TEST_F(FormatTest, FileGammaIsCorrectedToTheDisplay) {
    TPixelGraphic src;
    src.SetSize(4, 1, 3);
    src.SetPixel(1, 0, RGB(128, 64, 255));
    src.SetGamma(2.2L);  // stored as 1 / 2.2
    const std::string bytes = SaveBytes(src, "png");

    GammaCorrection = false;
    TPixelGraphic raw;
    LoadBytes(raw, bytes, "png");
    GammaCorrection = true;
    EXPECT_NEAR(double(raw.GetGamma()), 2.2, 1e-4);
    EXPECT_EQ(raw.GetPixelColor(1, 0), RGB(128, 64, 255));

    TPixelGraphic corrected;
    LoadBytes(corrected, bytes, "png");
    EXPECT_NEAR(double(corrected.GetGamma()), 1.8, 1e-9);
    const double ratio = double(raw.GetGamma()) / 1.8;
    auto expect = [&](int v) { return int(std::nearbyint(255 * std::pow(v / 255.0, ratio))); };
    EXPECT_EQ(corrected.GetPixelColor(1, 0), RGB(expect(128), expect(64), 255));

    // Within 5 % of the display's gamma nothing is changed.
    src.SetGamma(1.85L);
    TPixelGraphic near;
    LoadBytes(near, SaveBytes(src, "png"), "png");
    EXPECT_EQ(near.GetPixelColor(1, 0), RGB(128, 64, 255));
}

TEST_F(FormatTest, AbortStopsQuietlyAndKeepsTheRows) {
    TPixelGraphic g;
    int calls = 0, ends = 0;
    g.OnProgress = [&](TPixelGraphic*, int step, int max, bool& abort) {
        EXPECT_EQ(max, 30);
        EXPECT_EQ(step, calls);
        abort = ++calls == 10;
    };
    g.OnProgressEnd = [&](TPixelGraphic*) { ++ends; };
    LoadBytes(g, SmallPng(), "png");
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(ends, 1);
    const TRGBImage pattern = TestPattern(40, 30);
    EXPECT_EQ(FromGraphic(g).At(39, 9)[0], pattern.At(39, 9)[0]);
    EXPECT_EQ(g.GetPixelColor(39, 29), 0u);
}

TEST_F(FormatTest, WarningsFollowTheWarningMode) {
    // A text chunk with a broken checksum is a warning, not an error.
    std::string png = SmallPng();
    std::string text = Chunk("tEXt", std::string("Comment\0x", 9));
    text[text.size() - 1] ^= 0x55;
    png.insert(33, text);  // behind the header chunk
    EXPECT_EQ(LoadError(png, pgwaIgnore), "");
    EXPECT_EQ(LoadError(png, pgwaRaise).rfind("PNG: ", 0), 0u);
    std::vector<TMessageBoxRequest> shown;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        shown.push_back(r);
        return int(mrCancel);
    });
    EXPECT_EQ(LoadError(png, pgwaOKCancelBox), "PNG: Operation aborted on user request");
    SetMessageBoxHandler(old);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "PNG Warning");
}

TEST_F(FormatTest, BrokenFilesRaiseThePngException) {
    const std::string png = SmallPng();
    EXPECT_EQ(LoadError(png.substr(0, png.size() - 30)).rfind("PNG: ", 0), 0u);
    EXPECT_EQ(LoadError(png.substr(0, 20)), "PNG: Unexpected end of file");
    std::string badCrc = png;
    badCrc[30] ^= 1;  // inside the header chunk
    EXPECT_EQ(LoadError(badCrc).rfind("PNG: ", 0), 0u);
    // Huge dimensions are refused before any pixel memory is taken.
    EXPECT_EQ(LoadError(Header(900000, 900000, 8, 2) + Chunk("IDAT", "") + Chunk("IEND", "")),
              "PNG: Invalid size of Image");
    TPixelGraphic g;
    TMemoryStream s(Bytes(png));
    EXPECT_THROW(g.LoadFromStreamIndex(s, "png", 2), EPGPNGFileFormatReaderWriter);

    TPictureInfo info;
    TMemoryStream ok(Bytes(png));
    ASSERT_TRUE(GetPictureInfo(ok, "", 0, info));
    EXPECT_EQ(info.Width, 40);
    EXPECT_EQ(info.ColorCount, "16.7M");
    EXPECT_EQ(info.SubFormat, "RGB");
    EXPECT_EQ(info.Extra, "(gama)");
    EXPECT_FALSE(GetPictureInfo(ok, "", 1, info));
}
