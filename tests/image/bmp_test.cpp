// BMP, DIB and RLE files: against ImageMagick in both directions, and
// hand-made damaged files.
#include <climits>
#include <cstring>

#include "PeerImages.h"

using namespace peer;

namespace {

void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, v);
    Put16(s, at + 2, v >> 16);
}
uint32_t Get32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8) | (uint8_t(s[at + 2]) << 16) | (uint32_t(uint8_t(s[at + 3])) << 24);
}

// A BMP file with a 40-byte info header (or another header size), built
// field by field so that each test can forge one of them.
struct TBmp {
    uint32_t HeaderSize = 40;
    int32_t Width = 1;
    int32_t Height = 1;
    uint16_t Planes = 1;
    uint16_t BitCount = 24;
    uint32_t Compression = 0;
    uint32_t SizeImage = 0;
    uint32_t ColorsUsed = 0;
    std::vector<uint32_t> Masks;   // written after a 40-byte header
    std::vector<uint32_t> Palette;  // $00RRGGBB as stored (blue in the low byte)
    std::string Gap;                // bytes between palette and pixels
    std::string Pixels;
    int64_t PixelOffset = -1;       // default: right behind palette and gap

    std::string Bytes() const {
        std::string s(14 + HeaderSize, '\0');
        s[0] = 'B';
        s[1] = 'M';
        Put32(s, 14, HeaderSize);
        Put32(s, 18, uint32_t(Width));
        Put32(s, 22, uint32_t(Height));
        Put16(s, 26, Planes);
        Put16(s, 28, BitCount);
        Put32(s, 30, Compression);
        Put32(s, 34, SizeImage);
        Put32(s, 46, ColorsUsed);
        for (uint32_t m : Masks) {
            s.resize(s.size() + 4);
            Put32(s, s.size() - 4, m);
        }
        for (uint32_t c : Palette) {
            s.resize(s.size() + 4);
            Put32(s, s.size() - 4, c);
        }
        s += Gap;
        Put32(s, 10, PixelOffset >= 0 ? uint32_t(PixelOffset) : uint32_t(s.size()));
        s += Pixels;
        Put32(s, 2, uint32_t(s.size()));
        return s;
    }
};

std::string LoadError(const std::string& bytes, const std::string& ext = "bmp") {
    TPixelGraphic g;
    try {
        LoadBytes(g, bytes, ext);
    } catch (const EPixelGraphic& e) {
        return e.Message();
    }
    return "";
}

// Turns a file with a 108/124-byte header into the same picture with the
// 40-byte header (bit-field masks then follow the header).
std::string WithInfoHeader40(const std::string& v5) {
    const uint32_t size = Get32(v5, 14);
    const uint32_t compression = Get32(v5, 30);
    std::string out = v5.substr(0, 14 + 40);
    Put32(out, 14, 40);
    if (compression == 3) out += v5.substr(14 + 40, 12);
    const uint32_t oldOffset = Get32(v5, 10);
    out += v5.substr(14 + size, oldOffset - 14 - size);  // palette
    Put32(out, 10, uint32_t(out.size()));
    out += v5.substr(oldOffset);
    Put32(out, 2, uint32_t(out.size()));
    return out;
}

// The same file stored top-down: rows reversed, height negative.
std::string TopDown(const std::string& bmp) {
    const uint32_t offset = Get32(bmp, 10);
    const int32_t width = int32_t(Get32(bmp, 18));
    const int32_t height = int32_t(Get32(bmp, 22));
    const uint32_t bits = uint8_t(bmp[28]) | (uint8_t(bmp[29]) << 8);
    const size_t row = size_t((bits * width + 31) / 32 * 4);
    std::string out = bmp.substr(0, offset);
    Put32(out, 22, uint32_t(-height));
    for (int32_t i = height - 1; i >= 0; --i) out += bmp.substr(offset + row * size_t(i), row);
    return out;
}

class BmpPeerTest : public FormatTest {
protected:
    void SetUp() override {
        if (!HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
        Dir = gwtest::TempDir("bmp");
        Source = Dir + "/source.ppm";
        WritePPM(Source, TestPattern(37, 23));
    }
    std::string Make(const std::string& name, const std::string& options) {
        const std::string path = Dir + "/" + name;
        EXPECT_EQ(Convert("'" + Source + "' " + options + " '" + path + "'"), 0) << options;
        return path;
    }
    // Loads the file with us and with ImageMagick and compares the pixels.
    void ExpectSameAsPeer(const std::string& path, int tolerance = 0) {
        TPixelGraphic g;
        LoadFile(g, path);
        EXPECT_LE(MaxDifference(FromGraphic(g), PeerDecode(path)), tolerance) << path;
    }
    std::string Dir, Source;
};

}  // namespace

TEST_F(BmpPeerTest, DecodesWhatImageMagickWritesAtEveryDepthAndHeader) {
    // 40-byte headers (BMP3), the later 124-byte headers (ImageMagick's
    // default), RLE8, OS/2 core headers.
    const struct {
        const char* Name;
        const char* Options;
        int Tolerance;
    } kCases[] = {
        {"b1.bmp", "-colors 2 -type Palette -compress None BMP3:", 0},
        {"b4.bmp", "-colors 16 -type Palette -compress None BMP3:", 0},
        {"b8.bmp", "-colors 200 -type Palette -compress None BMP3:", 0},
        {"r8.bmp", "-colors 200 -type Palette -compress RLE BMP3:", 0},
        {"b24.bmp", "BMP3:", 0},
        {"v1.bmp", "-colors 2 -type Palette ", 0},
        {"v4.bmp", "-colors 16 -type Palette -compress None ", 0},
        {"v8.bmp", "-colors 200 -type Palette ", 0},
        {"v16.bmp", "-define bmp:subtype=RGB565 ", 8},
        {"v15.bmp", "-define bmp:subtype=RGB555 ", 8},
        {"v24.bmp", "", 0},
        {"v32.bmp", "-alpha set ", 0},
        {"o8.bmp", "-colors 200 -type Palette BMP2:", 0},
        {"o24.bmp", "BMP2:", 0},
    };
    for (const auto& c : kCases) {
        const std::string opts = c.Options;
        const size_t colon = opts.rfind(' ');
        const std::string prefix = opts.substr(colon + 1);
        const std::string path = Dir + "/" + c.Name;
        ASSERT_EQ(Convert("'" + Source + "' " + opts.substr(0, colon + 1) + "'" + prefix + path + "'"), 0) << c.Name;
        ExpectSameAsPeer(path, c.Tolerance);
    }
    // Bit fields and 32 bits behind a 40-byte header.
    for (const char* name : {"v16.bmp", "v32.bmp"}) {
        const std::string path = Dir + "/h40-" + name;
        gwtest::WriteFile(path, WithInfoHeader40(gwtest::ReadFile(Dir + "/" + name)));
        ExpectSameAsPeer(path, std::string(name) == "v16.bmp" ? 8 : 0);
    }
}

TEST_F(BmpPeerTest, TopDownFilesKeepTheirFirstRowOnTop) {
    for (const char* options : {"BMP3:", "-colors 16 -type Palette -compress None BMP3:"}) {
        const std::string bottomUp = Dir + "/bu.bmp";
        ASSERT_EQ(Convert("'" + Source + "' " + std::string(options).substr(0, std::string(options).size() - 5) +
                          " 'BMP3:" + bottomUp + "'"),
                  0);
        const std::string path = Dir + "/td.bmp";
        gwtest::WriteFile(path, TopDown(gwtest::ReadFile(bottomUp)));
        TPixelGraphic a, b;
        LoadFile(a, bottomUp);
        LoadFile(b, path);
        EXPECT_EQ(MaxDifference(FromGraphic(a), FromGraphic(b)), 0);
        ExpectSameAsPeer(path);
        TPictureInfo info;
        ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
        EXPECT_EQ(info.SubFormat, "Windows, RGB, Top-Down");
        EXPECT_EQ(info.Height, -23);
    }
}

TEST_F(BmpPeerTest, Rle4MatchesThePeerAndThePicture) {
    // ImageMagick writes no RLE4, so encode one here: runs of two pixels,
    // an absolute run of odd length, an end of line per row.
    TPixelGraphic src;
    src.SetSize(9, 4, 1);
    src.SetPaletteType(pSys16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) src.SetPixel(x, y, uint32_t((x / 2 + y * 3) & 15));
    std::string data;
    for (int y = 3; y >= 0; --y) {
        auto px = [&](int x) { return char(src.GetPixel(x, y)); };
        data += {char(0), char(5)};  // absolute run of five pixels
        data += {char((px(0) << 4) | px(1)), char((px(2) << 4) | px(3)), char(px(4) << 4), char(0)};
        data += {char(4), char((px(5) << 4) | px(6))};  // run alternating pixels 5 and 6
        data += {char(0), char(0)};
    }
    data += {char(0), char(1)};
    TBmp b;
    b.Width = 9;
    b.Height = 4;
    b.BitCount = 4;
    b.Compression = 2;
    b.SizeImage = uint32_t(data.size());
    for (int i = 0; i < 16; ++i) {
        const uint32_t c = src.GetPaletteColor(i);
        b.Palette.push_back(GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16));
    }
    b.Pixels = data;
    const std::string path = Dir + "/r4.rle";
    gwtest::WriteFile(path, b.Bytes());
    TPixelGraphic g;
    LoadFile(g, path);
    ASSERT_EQ(g.GetBitCount(), 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(g.GetPixel(x, y), src.GetPixel(x, y)) << x << "," << y;
        EXPECT_EQ(g.GetPixel(5, y), src.GetPixel(5, y));
        EXPECT_EQ(g.GetPixel(6, y), src.GetPixel(6, y));
        EXPECT_EQ(g.GetPixel(7, y), src.GetPixel(5, y));
        EXPECT_EQ(g.GetPixel(8, y), src.GetPixel(6, y));
    }
    EXPECT_EQ(MaxDifference(FromGraphic(g), PeerDecode(path, "")), 0);
}

TEST_F(BmpPeerTest, ImageMagickReadsWhatWeWrite) {
    TPixelGraphic g;
    ToGraphic(TestPattern(37, 23), g);
    const auto write = [&](TPixelGraphic& pic, const std::string& name) {
        const std::string path = Dir + "/" + name;
        pic.SetSaveColorResWarningAction(pgwaIgnore);
        pic.SaveToFile(path);
        EXPECT_EQ(MaxDifference(FromGraphic(pic), PeerDecode(path)), 0) << name;
        return gwtest::ReadFile(path);
    };
    const std::string b24 = write(g, "w24.bmp");
    EXPECT_EQ(Get32(b24, 10), 54u);  // no palette
    EXPECT_EQ(b24.size(), 54u + 23 * 112);

    TPixelGraphic p;
    p.SetSize(37, 23, 1);
    p.SetPaletteType(pSys16);
    p.CopyRect(0, 0, g, 0, 0, 37, 23);
    const std::string b4 = write(p, "w4.dib");
    EXPECT_EQ(Get32(b4, 46), 16u);
    EXPECT_EQ(b4.substr(0, 2), "BM");

    TPixelGraphic m;
    m.SetSize(37, 23, 0);
    m.SetPaletteType(pBlackWhite);
    m.CopyRect(0, 0, g, 0, 0, 37, 23);
    write(m, "w1.bmp");

    TPixelGraphic grey;
    grey.SetSize(37, 23, 2);
    grey.SetPaletteType(pGray256);
    grey.CopyRect(0, 0, g, 0, 0, 37, 23);
    write(grey, "w8.bmp");

    // A palette picture with only some entries stores just those.
    TPixelGraphic few;
    few.SetSize(5, 2, 2);
    few.SetPaletteCount(3);
    few.SetPaletteColor(1, RGB(200, 10, 20));
    few.SetPaletteColor(2, RGB(5, 250, 6));
    for (int x = 0; x < 5; ++x) few.SetPixel(x, 1, uint32_t(x % 3));
    const std::string b3 = write(few, "w3.bmp");
    EXPECT_EQ(Get32(b3, 46), 3u);
    EXPECT_EQ(Get32(b3, 10), 54u + 12);
}

TEST_F(FormatTest, PalettePictureWithoutEntriesWritesAFullTable) {
    // Zero colours used would make every reader take the pixels for a
    // palette; the picture draws black, so the table is black.
    TPixelGraphic g;
    g.SetSize(3, 2, 2);
    ASSERT_EQ(g.GetPaletteCount(), 0);
    g.SetPixel(1, 1, 7);
    TMemoryStream s;
    g.SaveToStream(s);
    const std::string bytes(s.Data().begin(), s.Data().end());
    EXPECT_EQ(Get32(bytes, 46), 256u);
    EXPECT_EQ(Get32(bytes, 10), 54u + 1024);
    TPixelGraphic back;
    LoadBytes(back, bytes, "");
    EXPECT_EQ(back.GetPixel(1, 1), 7u);
    EXPECT_EQ(back.GetPixelColor(1, 1), 0u);
}

TEST_F(FormatTest, BitFieldMasksAreScaledAndNeverLoop) {
    // 16 bits, 5-5-5: red 31 reads 255 when expanded, 248 when not; 0 stays 0.
    TBmp b;
    b.Width = 2;
    b.BitCount = 16;
    b.Pixels = std::string("\x00\x7C\x1F\x00", 4);  // red 31 | blue 31
    TPixelGraphic g;
    LoadBytes(g, b.Bytes(), "bmp");
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(0, 0, 255));
    BMP16BitExpand = false;
    LoadBytes(g, b.Bytes(), "bmp");
    BMP16BitExpand = true;
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(248, 0, 0));

    // A zero mask gives a channel of 0 instead of an endless shift.
    b.Compression = 3;
    b.Masks = {0, 0x03E0, 0x001F};
    LoadBytes(g, b.Bytes(), "bmp");
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(0, 0, 255));

    // 10-bit channels are brought down to 8 bits instead of spilling into
    // their neighbours.
    TBmp w;
    w.Width = 2;
    w.BitCount = 32;
    w.Compression = 3;
    w.Masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    w.Pixels = std::string("\x00\x00\xF0\x3F\xFF\x03\x00\x00", 8);  // red 1023 | blue 1023
    LoadBytes(g, w.Bytes(), "bmp");
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(0, 0, 255));
}

TEST_F(FormatTest, PaletteCountAndPixelOffsetAreHonouredSafely) {
    TBmp b;
    b.Width = 8;
    b.Height = 2;
    b.BitCount = 1;
    b.Palette = {0x000000, 0xFFFFFF};
    b.Pixels = std::string("\xF0\0\0\0\x0F\0\0\0", 8);
    // Colours used above the table size: two entries taken, the rest skipped.
    b.ColorsUsed = 5;
    b.Gap = std::string(12, '\x55');
    TPixelGraphic g;
    LoadBytes(g, b.Bytes(), "bmp");
    EXPECT_EQ(g.GetPaletteCount(), 2);
    EXPECT_EQ(g.GetPixel(0, 0), 0u);
    EXPECT_EQ(g.GetPixel(4, 0), 1u);
    EXPECT_EQ(g.GetPixel(0, 1), 1u);

    // A pixel offset past the palette is where the pixels are.
    b.ColorsUsed = 0;
    b.Gap = std::string(30, '\x55');
    LoadBytes(g, b.Bytes(), "bmp");
    EXPECT_EQ(g.GetPixel(4, 0), 1u);
    EXPECT_EQ(g.GetPixel(0, 1), 1u);

    // Colours used far beyond the file: the declared offset still leads to
    // the pixels; without it the file is short.
    b.ColorsUsed = 0xFFFFFFF0u;
    b.Gap.clear();
    LoadBytes(g, b.Bytes(), "bmp");
    EXPECT_EQ(g.GetPixel(0, 1), 1u);
    b.PixelOffset = 0;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: Unexpected end of file");
}

TEST_F(FormatTest, RunLengthDataCannotWritePastRowsOrData) {
    TBmp b;
    b.Width = 4;
    b.Height = 3;
    b.BitCount = 8;
    b.Compression = 1;
    b.Palette.assign(256, 0x00808080);
    b.Palette[9] = 0x00FF0000;
    b.Palette[7] = 0x000000FF;
    // A run past the right edge, a delta out of the picture, an absolute
    // run longer than the data.
    b.Pixels = std::string("\xFF\x09\x00\x00\x00\x02\x01\x00\x00\x00\x00\x00\x00\x00\x00\xF0\x07\x07", 18);
    b.SizeImage = uint32_t(b.Pixels.size());
    TPixelGraphic g;
    LoadBytes(g, b.Bytes(), "rle");
    for (int x = 0; x < 4; ++x) EXPECT_EQ(g.GetPixel(x, 2), 9u);  // bottom row
    EXPECT_EQ(g.GetPixel(0, 0), 0u);

    // RLE4 with an absolute run reaching past the data.
    b.BitCount = 4;
    b.Compression = 2;
    b.Palette.resize(16);
    b.Pixels = std::string("\x00\xFF\x12", 3);
    b.SizeImage = 3;
    LoadBytes(g, b.Bytes(), "rle");
    EXPECT_EQ(g.GetPixel(0, 2), 1u);
    EXPECT_EQ(g.GetPixel(1, 2), 2u);
    EXPECT_EQ(g.GetPixel(2, 2), 0u);

    // Data shorter than the header says is a short file.
    b.SizeImage = 100;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: Unexpected end of file");
}

TEST_F(FormatTest, DamagedHeadersGiveTheirMessages) {
    TBmp ok;
    ok.Width = 2;
    ok.Pixels = std::string(8, '\0');
    EXPECT_EQ(LoadError(ok.Bytes()), "");

    TBmp b = ok;
    b.Pixels.resize(7);
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: Unexpected end of file");
    EXPECT_EQ(LoadError(ok.Bytes().substr(0, 30)), "BMP: Unexpected end of file");

    b = ok;
    b.HeaderSize = 64;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: Invalid size of BitmapInfoHeader/BitmapCoreHeader");
    b = ok;
    b.Planes = 2;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: BitmapInfoHeader.biPlanes invalid");
    b = ok;
    b.BitCount = 2;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: BitmapInfoHeader.biBitCount invalid");
    b = ok;
    b.Compression = 1;  // RLE8 with 24 bits
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: BitmapInfoHeader.biCompression invalid");
    b = ok;
    b.BitCount = 8;
    b.Compression = 1;
    b.Height = -1;  // RLE files are never top-down
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: BitmapInfoHeader.biCompression invalid");

    // Sizes are checked before anything is allocated.
    b = ok;
    b.Width = -5;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: BitmapInfoHeader.biWidth invalid");
    b = ok;
    b.Height = INT_MIN;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: BitmapInfoHeader.biHeight invalid");
    b = ok;
    b.Width = b.Height = 0x7FFFFFFF;
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: Invalid size of Image");
    b = ok;
    b.Width = b.Height = 15000;  // within the limit, but the file is short
    EXPECT_EQ(LoadError(b.Bytes()), "BMP: Unexpected end of file");

    // Content decides: a PNG named .bmp is no BMP, and a .bmp file that is
    // not one has no reader.
    EXPECT_EQ(LoadError("not a bitmap at all"), "Unknown file format");
    TPixelGraphic g;
    TMemoryStream s(Bytes(ok.Bytes()));
    g.SetReadWarningAction(pgwaRaise);
    try {
        g.LoadFromStreamIndex(s, "bmp", 1);
        ADD_FAILURE();
    } catch (const EPGBMPFileFormatReader& e) {
        EXPECT_EQ(e.Message(), "BMP: Index invalid");
    }
}

TEST_F(FormatTest, PictureInfoReadsOnlyTheHeader) {
    TBmp b;
    b.Width = 300;
    b.Height = 200;
    b.BitCount = 8;
    b.Compression = 1;
    b.Palette.assign(256, 0);
    b.Pixels = std::string("\x00\x01", 2);
    b.SizeImage = 2;
    TMemoryStream s(Bytes(b.Bytes()));
    s.SetPosition(0);
    TPictureInfo info;
    ASSERT_TRUE(GetPictureInfo(s, "", 0, info));
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(info.Width, 300);
    EXPECT_EQ(info.Height, 200);
    EXPECT_EQ(info.BitsPerPixel, 8);
    EXPECT_EQ(info.ColorCount, "256");
    EXPECT_EQ(info.SubFormat, "Windows, RLE8");
    EXPECT_EQ(info.Description, "Bitmap");
    EXPECT_EQ(info.ImageCount, 1);
    EXPECT_FALSE(GetPictureInfo(s, "", 1, info));
    b.Planes = 0;
    TMemoryStream bad(Bytes(b.Bytes()));
    EXPECT_FALSE(GetPictureInfo(bad, "bmp", 0, info));
}

TEST_F(FormatTest, AbortKeepsWhatWasReadAndEndsTheProgress) {
    TPixelGraphic src;
    ToGraphic(TestPattern(40, 40), src);
    const std::string bytes = SaveBytes(src, "bmp");
    TPixelGraphic g;
    int steps = 0, ends = 0;
    g.OnProgress = [&](TPixelGraphic*, int, int max, bool& abort) {
        EXPECT_EQ(max, 10);
        abort = ++steps == 3;
    };
    g.OnProgressEnd = [&](TPixelGraphic*) { ++ends; };
    LoadBytes(g, bytes, "bmp");
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(ends, 1);
    ASSERT_EQ(g.GetHeight(), 40);
    // Bottom rows come first in the file: the top row was never read.
    EXPECT_EQ(g.GetPixelColor(5, 39), src.GetPixelColor(5, 39));
    EXPECT_EQ(g.GetPixelColor(5, 0), 0u);
}

TEST_F(FormatTest, PackedDibCarriesThePictureThroughTheClipboardFormat) {
    TPixelGraphic src;
    src.SetSize(6, 5, 1);
    src.SetPaletteType(pGray16);
    for (int x = 0; x < 6; ++x) src.SetPixel(x, x % 5, uint32_t(x + 3));
    TMemoryStream block;
    int format = 0;
    src.SaveToClipboardFormat(format, block);
    EXPECT_EQ(format, CF_DIB);
    EXPECT_LE(block.GetSize(), src.GetStreamSize());
    block.SetPosition(0);
    TPixelGraphic back;
    back.LoadFromClipboardFormat(CF_DIB, &block);
    EXPECT_EQ(back.GetPaletteType(), pGray16);
    EXPECT_EQ(MaxDifference(FromGraphic(src), FromGraphic(back)), 0);
    EXPECT_THROW(back.LoadFromClipboardFormat(2, &block), EPGUnknownClipboardFormat);
    EXPECT_THROW(back.LoadFromClipboardFormat(CF_DIB, nullptr), EPGUnknownClipboardFormat);
}
