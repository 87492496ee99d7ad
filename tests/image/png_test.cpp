// PNG files against ImageMagick; transparency, gamma, warnings, aborts and
// broken files.
#include <zlib.h>

#include <cmath>

#include "PeerImages.h"
#include "platform/MessageBox.h"

using namespace peer;

namespace {

std::string Chunk(const std::string& type, const std::string& data) {
    std::string c;
    for (uint32_t v : {uint32_t(data.size())})
        for (int i = 3; i >= 0; --i) c += char(v >> (8 * i));
    c += type + data;
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(c.data() + 4), uInt(c.size() - 4)));
    for (int i = 3; i >= 0; --i) c += char(crc >> (8 * i));
    return c;
}

// A whole file: header, extra chunks, the rows (each with its filter byte).
std::string Png(uint32_t width, uint32_t height, int depth, int colorType, const std::string& rows,
                const std::string& extra = "") {
    std::string ihdr;
    for (uint32_t v : {width, height})
        for (int i = 3; i >= 0; --i) ihdr += char(v >> (8 * i));
    ihdr += {char(depth), char(colorType), 0, 0, 0};
    uLongf size = compressBound(uLong(rows.size()));
    std::string z(size, '\0');
    compress(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()));
    z.resize(size);
    return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", ihdr) + extra + Chunk("IDAT", z) + Chunk("IEND", "");
}

class PngPeerTest : public PeerTest {
protected:
    // ImageMagick writes a gamma chunk but decodes without applying it.
    void SetUp() override {
        PeerTest::SetUp();
        GammaCorrection = false;
    }
    void TearDown() override { GammaCorrection = true; }
};

}  // namespace

TEST_F(PngPeerTest, DecodesImageMagicksFiles) {
    const std::string src = WritePPM(Dir + "/src.ppm", Pattern(37, 23));
    const char* grey = "-colorspace Gray -define png:color-type=0";
    const std::string fixed = " -define png:exclude-chunk=gAMA,cHRM";  // see below
    const struct {
        std::string Options;
        const char* Output;
        int Bits;
        TPaletteIdent Palette;
        std::string Background;  // composed on, for files with transparency
    } kCases[] = {
        {grey + std::string(" -define png:bit-depth=1"), "g1.png", 1, pBlackWhite, ""},
        {grey + std::string(" -depth 2 -define png:bit-depth=2"), "g2.png", 4, pGray4, ""},
        {grey + std::string(" -depth 4 -define png:bit-depth=4"), "g4.png", 4, pGray16, ""},
        {"-colorspace Gray -depth 8", "g8.png", 8, pGray256, ""},
        {"-colorspace Gray -depth 16", "g16.png", 8, pGray256, ""},
        {"-colors 12 -define png:bit-depth=4", "PNG8:p4.png", 4, pUnknown, ""},
        {"", "PNG8:p8.png", 8, pUnknown, ""},
        {"-depth 16", "PNG48:rgb16.png", 24, pTrueColor, ""},
        {"-interlace PNG", "PNG24:inter.png", 24, pTrueColor, ""},
        {"-interlace PNG", "PNG8:pinter.png", 8, pUnknown, ""},
        // With a gamma chunk libpng composes in linear light, ImageMagick on
        // the stored values: compare files without one.
        {"-alpha set -channel A -fx 'i/w' +channel -background '#00ff00'" + fixed, "PNG32:rgba.png", 24, pTrueColor,
         "#00ff00"},
        {"-alpha set -channel A -fx 'i/w' +channel -depth 16 -background '#00ff00'" + fixed, "PNG64:rgba16.png", 24,
         pTrueColor, "#00ff00"},
        {"-colors 8 -alpha set -channel A -fx 'i<w/2?0:1' +channel -background '#0000ff'" + fixed, "PNG8:ptrns.png", 8,
         pUnknown, "#0000ff"},
        {"-colorspace Gray -depth 8 -alpha set -channel A -fx 'i/w' +channel -background white" + fixed, "ga.png", 8,
         pGray256, "#ffffff"},
    };
    for (const auto& c : kCases) {
        const std::string path = Make(src, c.Options, c.Output);
        TPixelGraphic g;
        const TRGB ours = LoadFile(path, &g);
        EXPECT_EQ(g.GetBitCount() * 100 + g.GetPaletteType(), c.Bits * 100 + c.Palette) << c.Output;
        const std::string compose = c.Background.empty() ? "" : "-background '" + c.Background + "' -alpha remove";
        EXPECT_LE(Difference(ours, PeerDecode(path, compose)), 1) << c.Output;  // 16 bits round either way
        if (!c.Background.empty()) {
            const uint32_t bg = g.GetBackgroundColor();
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", GetRValue(bg), GetGValue(bg), GetBValue(bg));
            EXPECT_EQ(hex, c.Background) << "the file's background becomes the picture's";
        }
    }
}

TEST_F(PngPeerTest, ImageMagickReadsWhatWeWrite) {
    TPixelGraphic g24, bw, sys16, grey, palette;
    ToGraphic(Pattern(37, 23), g24);
    const struct {
        TPixelGraphic* Picture;
        int BitCountNum;
        TPaletteIdent Palette;
        const char *Name, *SubFormat;
    } kCases[] = {{&g24, 3, pTrueColor, "w24.png", "RGB (gama)"},
                  {&bw, 0, pBlackWhite, "w1.png", "palette (gama, plte)"},
                  {&sys16, 1, pSys16, "w4.png", "palette (gama, plte)"},
                  {&grey, 2, pGray256, "w8g.png", "GrayScale (gama)"},
                  {&palette, 2, pSpecial216, "w8p.png", "palette (gama, plte)"}};
    for (const auto& c : kCases) {
        if (c.Picture != &g24) {
            c.Picture->SetSize(37, 23, c.BitCountNum);
            c.Picture->SetPaletteType(c.Palette);
            c.Picture->CopyRect(0, 0, g24, 0, 0, 37, 23);
        }
        const std::string path = Dir + "/" + c.Name;
        c.Picture->SaveToFile(path);
        EXPECT_EQ(Difference(FromGraphic(*c.Picture), PeerDecode(path)), 0) << c.Name;
        TPictureInfo info;
        ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
        EXPECT_EQ(info.SubFormat + " " + info.Extra, c.SubFormat);
        TPixelGraphic back;
        EXPECT_EQ(Difference(FromGraphic(*c.Picture), LoadFile(path, &back)), 0) << c.Name;
        EXPECT_NEAR(double(back.GetGamma()), 1.8, 1e-4);  // stored as 1 / 1.8
    }
}

TEST_F(FormatTest, TwoBitGreyBecomesFourBitsWithFourGreys) {
    TPixelGraphic g;
    LoadBytes(g, Png(5, 1, 2, 0, std::string("\x00\x1B\x80", 3)), "png");  // 0 1 2 3 2
    EXPECT_EQ(g.GetBitCount() * 100 + g.GetPaletteType(), 400 + pGray4);
    std::string values;
    for (int x = 0; x < 5; ++x) values += char('0' + g.GetPixel(x, 0));
    EXPECT_EQ(values, "01232");
}

TEST_F(FormatTest, BackgroundIsGivenInTheFilesSampleDepth) {
    const auto load = [](const std::string& png, uint32_t background, TPixelGraphic& g) {
        g.SetBackgroundColor(background);
        LoadBytes(g, png, "png");
    };
    // No background chunk: transparency goes onto the picture's own colour,
    // which stays red in an 8-bit file.
    TPixelGraphic a, b, c, d;
    load(Png(3, 1, 8, 6, std::string("\0\x0A\x14\x1E\0\x0A\x14\x1E\xFF\xC8\x64\x00\x80", 13)), RGB(255, 0, 0), a);
    EXPECT_EQ(FromGraphic(a).Data, (std::vector<uint8_t>{255, 0, 0, 10, 20, 30, 227, 50, 0}));
    // An 8-bit background chunk (0, 255, 0): green, also as the picture's.
    const std::string green = Chunk("bKGD", std::string("\0\0\0\xFF\0\0", 6));
    load(Png(1, 1, 8, 6, std::string(5, '\0'), green), RGB(0, 0, 255), b);
    EXPECT_EQ(b.GetPixelColor(0, 0) * 10 + (b.GetBackgroundColor() == RGB(0, 255, 0)), RGB(0, 255, 0) * 10 + 1);
    PngFileBackground = false;
    load(Png(1, 1, 8, 6, std::string(5, '\0'), green), RGB(0, 0, 255), c);
    PngFileBackground = true;
    EXPECT_EQ(c.GetPixelColor(0, 0), RGB(0, 0, 255));
    // A palette with a transparent entry: read after libpng composed it.
    const std::string plte = Chunk("PLTE", std::string("\xFF\0\0\0\0\xFF", 6)) + Chunk("tRNS", std::string(1, '\0'));
    load(Png(2, 1, 8, 3, std::string("\0\0\1", 3), plte), RGB(0, 200, 0), d);
    EXPECT_EQ(FromGraphic(d).Data, (std::vector<uint8_t>{0, 200, 0, 0, 0, 255}));
}

TEST_F(FormatTest, FileGammaIsCorrectedToTheDisplays) {
    TPixelGraphic src, raw, corrected, near;
    src.SetSize(2, 1, 3);
    src.SetPixel(1, 0, RGB(128, 64, 255));
    src.SetGamma(2.2L);  // stored as 1 / 2.2
    const std::string bytes = SaveBytes(src, "png");
    GammaCorrection = false;
    LoadBytes(raw, bytes, "png");
    GammaCorrection = true;
    EXPECT_NEAR(double(raw.GetGamma()), 2.2, 1e-4);
    EXPECT_EQ(raw.GetPixelColor(1, 0), RGB(128, 64, 255));
    LoadBytes(corrected, bytes, "png");
    EXPECT_EQ(double(corrected.GetGamma()), 1.8);
    const auto expect = [&](int v) { return int(std::nearbyint(255 * std::pow(v / 255.0, raw.GetGamma() / 1.8))); };
    EXPECT_EQ(corrected.GetPixelColor(1, 0), RGB(expect(128), expect(64), 255));
    src.SetGamma(1.85L);  // within 5 %: nothing changes
    LoadBytes(near, SaveBytes(src, "png"), "png");
    EXPECT_EQ(near.GetPixelColor(1, 0), RGB(128, 64, 255));
}

TEST_F(FormatTest, AbortStopsQuietlyAndKeepsTheRows) {
    TPixelGraphic g;
    int calls = 0, ends = 0;
    g.OnProgress = [&](TPixelGraphic*, int step, int max, bool& abort) {
        EXPECT_EQ(step * 100 + max, calls * 100 + 30);
        abort = ++calls == 10;
    };
    g.OnProgressEnd = [&](TPixelGraphic*) { ++ends; };
    LoadBytes(g, PatternBytes(40, 30, "png"), "png");
    EXPECT_EQ(calls * 10 + ends, 101);
    EXPECT_EQ(GetRValue(g.GetPixelColor(39, 9)), 255);
    EXPECT_EQ(g.GetPixelColor(39, 29), 0u);
}

TEST_F(FormatTest, WarningsAndBrokenFiles) {
    // A text chunk with a broken checksum is a warning, not an error.
    std::string png = PatternBytes(40, 30, "png");
    std::string text = Chunk("tEXt", std::string("Comment\0x", 9));
    text.back() ^= 0x55;
    const std::string warned = png.substr(0, 33) + text + png.substr(33);
    EXPECT_EQ(LoadError(warned, "png", pgwaIgnore), "");
    EXPECT_EQ(LoadError(warned, "png").rfind("PNG: ", 0), 0u);
    std::string caption;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        caption = r.Caption;
        return int(mrCancel);
    });
    EXPECT_EQ(LoadError(warned, "png", pgwaOKCancelBox), "PNG: Operation aborted on user request");
    SetMessageBoxHandler(old);
    EXPECT_EQ(caption, "PNG Warning");

    EXPECT_EQ(LoadError(png.substr(0, png.size() - 30), "png").rfind("PNG: ", 0), 0u);
    EXPECT_EQ(LoadError(png.substr(0, 20), "png"), "PNG: Unexpected end of file");
    png[30] ^= 1;  // the header's checksum
    EXPECT_EQ(LoadError(png, "png").rfind("PNG: ", 0), 0u);
    EXPECT_EQ(LoadError(Png(900000, 900000, 8, 2, ""), "png"), "PNG: Invalid size of Image");
    EXPECT_EQ(LoadError(Png(8000, 8000, 8, 2, ""), "png"), "PNG: Unexpected end of file");  // before allocating
}
