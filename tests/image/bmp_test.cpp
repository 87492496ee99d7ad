// BMP, DIB and RLE files against ImageMagick, and damaged files.
#include <climits>

#include "PeerImages.h"

using namespace peer;

namespace {

void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + i]);
    return v;
}

// A file with a 40-byte info header, each field forgeable.
struct TBmp {
    int32_t Width = 2, Height = 1;
    uint32_t Planes = 1, BitCount = 24, Compression = 0, SizeImage = 0, ColorsUsed = 0, HeaderSize = 40;
    std::vector<uint32_t> Masks, Palette;  // palette entries as stored: blue in the low byte
    std::string Gap, Pixels = std::string(8, '\0');
    int64_t PixelOffset = -1;  // default: behind palette and gap

    std::string Bytes() const {
        std::string s(54, '\0');
        s[0] = 'B', s[1] = 'M';
        const uint32_t fields[] = {
            HeaderSize, uint32_t(Width), uint32_t(Height), Planes | (BitCount << 16), Compression, SizeImage, 0,
            0,          ColorsUsed};
        for (int i = 0; i < 9; ++i) Put32(s, 14 + 4 * i, fields[i]);
        for (const auto* list : {&Masks, &Palette})
            for (uint32_t v : *list) s.append(4, '\0'), Put32(s, s.size() - 4, v);
        s += Gap;
        Put32(s, 10, PixelOffset >= 0 ? uint32_t(PixelOffset) : uint32_t(s.size()));
        s += Pixels;
        Put32(s, 2, uint32_t(s.size()));
        return s;
    }
};

std::unique_ptr<TPixelGraphic> Loaded(const TBmp& b) {
    auto g = std::make_unique<TPixelGraphic>();
    LoadBytes(*g, b.Bytes(), "bmp");
    return g;
}

// The picture of a file with a 108/124-byte header behind a 40-byte one.
std::string WithHeader40(const std::string& v5) {
    const uint32_t size = Get32(v5, 14), offset = Get32(v5, 10);
    std::string out = v5.substr(0, 54) + (Get32(v5, 30) == 3 ? v5.substr(54, 12) : "");
    out += v5.substr(14 + size, offset - 14 - size);
    Put32(out, 14, 40);
    Put32(out, 10, uint32_t(out.size()));
    out += v5.substr(offset);
    Put32(out, 2, uint32_t(out.size()));
    return out;
}

// The same file stored top-down: rows reversed, height negative.
std::string TopDown(const std::string& bmp) {
    const uint32_t offset = Get32(bmp, 10), height = Get32(bmp, 22), bits = uint8_t(bmp[28]);
    const size_t row = (bits * Get32(bmp, 18) + 31) / 32 * 4;
    std::string out = bmp.substr(0, offset);
    Put32(out, 22, uint32_t(-int32_t(height)));
    for (int i = int(height) - 1; i >= 0; --i) out += bmp.substr(offset + row * size_t(i), row);
    return out;
}

}  // namespace

TEST_F(PeerTest, DecodesImageMagicksFilesAtEveryDepthAndHeader) {
    const std::string src = WritePPM(Dir + "/src.ppm", Pattern(37, 23));
    const struct {
        const char *Options, *Output;
        int Tolerance;  // 5- and 6-bit channels are widened differently
    } kCases[] = {
        {"-colors 2 -type Palette -compress None", "BMP3:b1.bmp", 0},
        {"-colors 16 -type Palette -compress None", "BMP3:b4.bmp", 0},
        {"-colors 200 -type Palette -compress None", "BMP3:b8.bmp", 0},
        {"-colors 200 -type Palette -compress RLE", "BMP3:r8.rle", 0},
        {"", "BMP3:b24.bmp", 0},
        {"-colors 2 -type Palette", "v1.bmp", 0},
        {"-colors 200 -type Palette", "v8.bmp", 0},
        {"-define bmp:subtype=RGB565", "v16.bmp", 8},
        {"-define bmp:subtype=RGB555", "v15.bmp", 8},
        {"", "v24.bmp", 0},
        {"-alpha set", "v32.bmp", 0},
        {"-colors 200 -type Palette", "BMP2:o8.bmp", 0},
        {"", "BMP2:o24.dib", 0},
    };
    for (const auto& c : kCases) {
        const std::string path = Make(src, c.Options, c.Output);
        EXPECT_LE(Difference(LoadFile(path), PeerDecode(path)), c.Tolerance) << c.Output;
    }
    // Bit fields behind a 40-byte header, and top-down files.
    const std::string variants[][2] = {{"h16.bmp", WithHeader40(gwtest::ReadFile(Dir + "/v16.bmp"))},
                                       {"h32.bmp", WithHeader40(gwtest::ReadFile(Dir + "/v32.bmp"))},
                                       {"t24.bmp", TopDown(gwtest::ReadFile(Dir + "/b24.bmp"))},
                                       {"t4.bmp", TopDown(gwtest::ReadFile(Dir + "/b4.bmp"))}};
    for (const auto& v : variants) {
        gwtest::WriteFile(Dir + "/" + v[0], v[1]);
        EXPECT_LE(Difference(LoadFile(Dir + "/" + v[0]), PeerDecode(Dir + "/" + v[0])), v[0] == "h16.bmp" ? 8 : 0);
    }
    EXPECT_EQ(Difference(LoadFile(Dir + "/t24.bmp"), LoadFile(Dir + "/b24.bmp")), 0);
    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/t24.bmp", 0, info));
    EXPECT_EQ(info.SubFormat + " " + std::to_string(info.Height), "Windows, RGB, Top-Down -23");
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/r8.rle", 0, info));
    EXPECT_EQ(info.SubFormat + " " + info.ColorCount, "Windows, RLE8 256");
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/o8.bmp", 0, info));
    EXPECT_EQ(info.SubFormat, "OS/2");
}

TEST_F(PeerTest, DecodesRle4LikeImageMagick) {
    // ImageMagick writes no RLE4: per row an absolute run of five pixels,
    // a run of four alternating pixels, end of line; then end of picture.
    TBmp b;
    b.Width = 9, b.Height = 2, b.BitCount = 4, b.Compression = 2;
    for (uint32_t i = 0; i < 16; ++i) b.Palette.push_back(i * 0x0F0D0B);
    b.Pixels = std::string("\x00\x05\x12\x34\x50\x00\x04\x67\x00\x00", 10) +
               std::string("\x00\x05\xAB\xCD\xE0\x00\x04\xF1\x00\x00\x00\x01", 12);
    b.SizeImage = uint32_t(b.Pixels.size());
    const std::string path = Dir + "/r4.bmp";
    gwtest::WriteFile(path, b.Bytes());
    TPixelGraphic g;
    EXPECT_EQ(Difference(LoadFile(path, &g), PeerDecode(path)), 0);
    std::string rows;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x) rows += "0123456789ABCDEF"[g.GetPixel(x, y)];
    EXPECT_EQ(rows,
              "ABCDEF1F1"
              "123456767");
}

TEST_F(PeerTest, ImageMagickReadsWhatWeWrite) {
    TPixelGraphic g24, sys16, bw, grey, few, none;
    ToGraphic(Pattern(37, 23), g24);
    for (auto [g, bits, palette] :
         {std::tuple{&sys16, 1, pSys16}, std::tuple{&bw, 0, pBlackWhite}, std::tuple{&grey, 2, pGray256}}) {
        g->SetSize(37, 23, bits);
        g->SetPaletteType(palette);
        g->CopyRect(0, 0, g24, 0, 0, 37, 23);
    }
    few.SetSize(5, 2, 2);  // a palette of fewer entries than the table
    few.SetPaletteCount(3);
    few.SetPaletteColor(1, RGB(200, 10, 20));
    for (int x = 0; x < 5; ++x) few.SetPixel(x, 1, uint32_t(x % 3));
    none.SetSize(3, 2, 2);  // no palette: a black table, or readers take the pixels for one
    none.SetPixel(1, 1, 7);
    const struct {
        TPixelGraphic* Picture;
        const char* Name;
        uint32_t PixelOffset;
    } kCases[] = {{&g24, "w24.bmp", 54},        {&sys16, "w4.dib", 54 + 64}, {&bw, "w1.bmp", 62},
                  {&grey, "w8.bmp", 54 + 1024}, {&few, "w3.bmp", 54 + 12},   {&none, "w0.bmp", 54 + 1024}};
    for (const auto& c : kCases) {
        const std::string path = Dir + "/" + c.Name;
        c.Picture->SaveToFile(path);
        EXPECT_EQ(Difference(FromGraphic(*c.Picture), PeerDecode(path)), 0) << c.Name;
        EXPECT_EQ(Get32(gwtest::ReadFile(path), 10), c.PixelOffset) << c.Name;
    }
}

TEST_F(FormatTest, BitFieldsAreScaledToEightBitsAndNeverLoop) {
    TBmp b;
    b.BitCount = 16;
    b.Pixels = std::string("\x00\x7C\x1F\x00", 4);  // 5-5-5: red 31, blue 31
    EXPECT_EQ(Loaded(b)->GetPixelColor(0, 0), RGB(255, 0, 0));
    BMP16BitExpand = false;
    EXPECT_EQ(Loaded(b)->GetPixelColor(0, 0), RGB(248, 0, 0));
    BMP16BitExpand = true;
    b.Compression = 3;
    b.Masks = {0, 0x03E0, 0x001F};  // no red bits at all
    EXPECT_EQ(Loaded(b)->GetPixelColor(1, 0), RGB(0, 0, 255));
    b.BitCount = 32;
    b.Masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10-bit channels
    b.Pixels = std::string("\x00\x00\xF0\x3F\xFF\x03\x00\x00", 8);
    const auto g = Loaded(b);
    EXPECT_EQ(g->GetPixelColor(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(g->GetPixelColor(1, 0), RGB(0, 0, 255));
}

TEST_F(FormatTest, PaletteCountAndPixelOffsetAreHonouredSafely) {
    TBmp b;
    b.Width = 8, b.Height = 2, b.BitCount = 1;
    b.Palette = {0, 0xFFFFFF};
    b.Pixels = std::string("\xF0\0\0\0\x0F\0\0\0", 8);
    const auto rows = [](const TPixelGraphic& g) { return g.GetPixel(0, 0) * 10 + g.GetPixel(0, 1); };
    b.ColorsUsed = 5;  // more than the table: two taken, three skipped
    b.Gap = std::string(12, '\x55');
    EXPECT_EQ(rows(*Loaded(b)), 1u);
    EXPECT_EQ(Loaded(b)->GetPaletteCount(), 2);
    b.ColorsUsed = 0;  // pixels further on than the palette's end
    b.Gap = std::string(30, '\x55');
    EXPECT_EQ(rows(*Loaded(b)), 1u);
    b.ColorsUsed = 0xFFFFFFF0u;  // far beyond the file: only the offset leads on
    b.Gap.clear();
    EXPECT_EQ(rows(*Loaded(b)), 1u);
    b.PixelOffset = 0;
    EXPECT_EQ(LoadError(b.Bytes(), "bmp"), "BMP: Unexpected end of file");
}

TEST_F(FormatTest, RunsAreClippedToRowsAndData) {
    TBmp b;
    b.Width = 4, b.Height = 3, b.BitCount = 8, b.Compression = 1;
    b.Palette.assign(256, 0);
    // A run past the right edge, a delta out of the picture, an absolute
    // run longer than the data.
    b.Pixels = std::string("\xFF\x09\x00\x00\x00\x02\x01\x00\x00\x00\x00\x00\x00\x00\x00\xF0\x07\x07", 18);
    b.SizeImage = 18;
    auto g = Loaded(b);
    EXPECT_EQ(g->GetPixel(3, 2) * 10 + g->GetPixel(0, 1), 90u);
    b.BitCount = 4, b.Compression = 2;
    b.Palette.resize(16);
    b.Pixels = std::string("\x00\xFF\x12", 3);  // RLE4: 255 nibbles promised, two there
    b.SizeImage = 3;
    g = Loaded(b);
    EXPECT_EQ(g->GetPixel(0, 2) * 100 + g->GetPixel(1, 2) * 10 + g->GetPixel(2, 2), 120u);
    b.SizeImage = 100;
    EXPECT_EQ(LoadError(b.Bytes(), "bmp"), "BMP: Unexpected end of file");
}

TEST_F(FormatTest, DamagedHeadersGiveTheirMessages) {
    const std::vector<std::pair<void (*)(TBmp&), std::string>> kCases = {
        {[](TBmp&) {}, ""},
        {[](TBmp& b) { b.Pixels.resize(7); }, "BMP: Unexpected end of file"},
        {[](TBmp& b) { b.HeaderSize = 64; }, "BMP: Invalid size of BitmapInfoHeader/BitmapCoreHeader"},
        {[](TBmp& b) { b.HeaderSize = 108; }, "BMP: Unexpected end of file"},  // known size, short file
        {[](TBmp& b) { b.Planes = 2; }, "BMP: BitmapInfoHeader.biPlanes invalid"},
        {[](TBmp& b) { b.BitCount = 2; }, "BMP: BitmapInfoHeader.biBitCount invalid"},
        {[](TBmp& b) { b.Compression = 1; }, "BMP: BitmapInfoHeader.biCompression invalid"},
        {[](TBmp& b) { b.BitCount = 8, b.Compression = 1, b.Height = -1; },  // RLE is never top-down
         "BMP: BitmapInfoHeader.biCompression invalid"},
        {[](TBmp& b) { b.Width = -5; }, "Negative width"},  // the picture's own failure
        {[](TBmp& b) { b.Height = INT_MIN; }, "BMP: BitmapInfoHeader.biHeight invalid"},
        {[](TBmp& b) { b.Width = b.Height = INT_MAX; }, "BMP: Invalid size of Image"},
        {[](TBmp& b) { b.Width = b.Height = 15000; }, "BMP: Unexpected end of file"},  // checked before allocating
        {[](TBmp& b) {  // eight bytes of run-length data for 225 megapixels
             b.Width = b.Height = 15000, b.BitCount = 8, b.Compression = 1, b.SizeImage = 8;
             b.ColorsUsed = 1, b.Palette = {0};
         },
         "BMP: Invalid size of Image"},
    };
    for (const auto& [forge, message] : kCases) {
        TBmp b;
        forge(b);
        EXPECT_EQ(LoadError(b.Bytes(), "bmp"), message);
    }
    EXPECT_EQ(LoadError(TBmp().Bytes().substr(0, 30), "bmp"), "BMP: Unexpected end of file");
    EXPECT_EQ(LoadError("BX" + TBmp().Bytes().substr(2), "bmp"), "Unknown file format");
    const std::string ok = TBmp().Bytes();
    TMemoryStream s(std::vector<uint8_t>(ok.begin(), ok.end()));
    TPixelGraphic g;
    EXPECT_THROW(g.LoadFromStreamIndex(s, "bmp", 1), EPGBMPFileFormatReader);
    TBmp negative;
    negative.Width = -1;
    const std::string bytes = negative.Bytes();
    TMemoryStream n(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_THROW(g.LoadFromStreamExt(n, "bmp"), EPGInvalidSize);
}

TEST_F(FormatTest, PicturesWithoutPixelsWriteNoRows) {
    // 0 x 1,000,000,000 pixels read from a header alone: writing it back
    // writes the header and the palette, not a billion empty rows.
    TBmp b;
    b.Width = 0, b.Height = 1000000000;
    TPixelGraphic g;
    LoadBytes(g, b.Bytes(), "bmp");
    ASSERT_TRUE(g.GetEmpty());
    TMemoryStream out;
    int format = 0;
    g.SaveToClipboardFormat(format, out);
    EXPECT_EQ(out.GetSize(), 40);
    TReadOnlyMemoryStream back(out.Memory(), out.GetSize());
    TPixelGraphic again;
    again.LoadFromClipboardFormat(format, &back);
    EXPECT_EQ(int64_t(again.GetWidth()) * 10 + again.GetHeight(), 1000000000);
}

TEST_F(FormatTest, AbortKeepsTheRowsReadAndEndsTheProgress) {
    TPixelGraphic g;
    int steps = 0, ends = 0;
    g.OnProgress = [&](TPixelGraphic*, int, int, bool& abort) { abort = ++steps == 3; };
    g.OnProgressEnd = [&](TPixelGraphic*) { ++ends; };
    LoadBytes(g, PatternBytes(40, 40, "bmp"), "bmp");
    EXPECT_EQ(steps * 10 + ends, 31);
    EXPECT_NE(g.GetPixelColor(39, 39), 0u);  // bottom rows come first
    EXPECT_EQ(g.GetPixelColor(39, 0), 0u);
}
