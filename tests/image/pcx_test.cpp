// PCX files made by netpbm and ImageMagick, and damaged ones.
#include "FormatFaults.h"

using namespace peer;
using faults::Put16;

namespace {

// A header for width x 1 pixels; lines follow.
std::string Header(int width, int bitsPerPlane, int planes, int bytesPerLine, int version = 5) {
    std::string h(128, '\0');
    h[0] = 10, h[1] = char(version), h[2] = 1, h[3] = char(bitsPerPlane);
    Put16(h, 8, uint32_t(width - 1));
    h[65] = char(planes);
    Put16(h, 66, uint32_t(bytesPerLine));
    Put16(h, 68, 1);
    return h;
}

std::string Palette256() {
    std::string p(769, '\0');
    p[0] = 12;
    for (int i = 0; i < 256; ++i) p[1 + 3 * i] = char(i), p[2 + 3 * i] = char(255 - i), p[3 + 3 * i] = 7;
    return p;
}

}  // namespace

TEST_F(PeerTest, DecodesPeerFilesAtEveryDepth) {
    GW_NEED_TOOL("ppmtopcx", "netpbm");
    WritePPM(Dir + "/src.ppm", Pattern(37, 23));
    faults::Shell(Dir, "convert src.ppm -colors 2 -monochrome pbm:- | ppmtopcx > n1.pcx");
    faults::Shell(Dir, "convert src.ppm -colors 16 ppm:- | ppmtopcx -planes 4 > n4.pcx");
    faults::Shell(Dir, "convert src.ppm -colors 200 ppm:- | ppmtopcx -8bit > n8.pcx");
    faults::Shell(Dir, "ppmtopcx -24bit < src.ppm > n24.pcx");
    Make(Dir + "/src.ppm", "-colors 200 -type Palette", "m8.pcx");
    Make(Dir + "/src.ppm", "", "m24.pcx");
    const int kBits[] = {1, 4, 8, 24, 8, 24};
    int i = 0;
    for (const char* name : {"n1.pcx", "n4.pcx", "n8.pcx", "n24.pcx", "m8.pcx", "m24.pcx"}) {
        const std::string path = Dir + "/" + name;
        // netpbm's own files are decoded by netpbm (ImageMagick reads a
        // 1-bit file with the colours swapped).
        std::string decoded = path;
        if (name[0] == 'n') faults::Shell(Dir, "pcxtoppm " + std::string(name) + " > " + (decoded += ".ppm"));
        TPixelGraphic g;
        EXPECT_EQ(Difference(LoadFile(path, &g), PeerDecode(decoded)), 0) << name;
        EXPECT_EQ(g.GetBitCount(), kBits[i++]) << name;
        faults::ExpectCutsFailCleanly(gwtest::ReadFile(path), "pcx", "PCX: ");
    }
    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/n24.pcx", 0, info));
    EXPECT_EQ(info.ColorCount + " " + info.SubFormat + " " + std::to_string(info.Width), "16.7M Version 3.0 (5) 37");
}

TEST_F(FormatTest, OneByteLinesMayEachBeOneLiteral) {
    // 1 x 7 pixels, one byte per line, each line a single literal byte:
    // seven bytes of data in all, as netpbm writes such a picture.
    std::string f = Header(1, 1, 1, 1) + std::string("\x00\x80\x00\x80\x00\x00\x80", 7);
    Put16(f, 10, 6);
    TPixelGraphic g;
    LoadBytes(g, f, "pcx");
    ASSERT_EQ(g.GetWidth() * 100 + g.GetHeight(), 107);
    std::string rows;
    for (int y = 0; y < 7; ++y) rows += char('0' + g.GetPixel(0, y));
    EXPECT_EQ(rows, "0101001");
    // One byte fewer cannot hold the seven lines.
    EXPECT_EQ(LoadError(f.substr(0, f.size() - 1), "pcx"), "PCX: Unexpected end of file");

    // Two lines of 64 bytes need a run of 63 and a literal each: six bytes.
    std::string w = Header(64, 8, 1, 64) + "\xFF\x05\x07\xFF\x05\x07" + Palette256();
    Put16(w, 10, 1);
    LoadBytes(g, w, "pcx");
    EXPECT_EQ(g.GetPixel(62, 1) * 10 + g.GetPixel(63, 1), 57u);
}

TEST_F(FormatTest, NegativeSizesAreThePicturesFailures) {
    std::string f = Header(1, 8, 1, 1) + "\x01" + Palette256();
    Put16(f, 4, 3);  // x min 3, x max 0: width -2
    TPixelGraphic g;
    TMemoryStream s(std::vector<uint8_t>(f.begin(), f.end()));
    EXPECT_THROW(g.LoadFromStreamExt(s, "pcx"), EPGInvalidSize);
    EXPECT_EQ(LoadError(f, "pcx"), "Negative width");
    Put16(f, 4, 0);
    Put16(f, 6, 3);  // y min 3, y max 0
    EXPECT_EQ(LoadError(f, "pcx"), "Negative height");
}

TEST_F(PeerTest, NetpbmOneByteLines) {
    GW_NEED_TOOL("ppmtopcx", "netpbm");
    gwtest::WriteFile(Dir + "/tall.pbm", "P1\n1 7\n1\n0\n1\n0\n1\n1\n0\n");
    faults::Shell(Dir, "ppmtopcx < tall.pbm > tall.pcx");
    ASSERT_EQ(gwtest::ReadFile(Dir + "/tall.pcx").size(), 135u);
    TPixelGraphic g;
    EXPECT_EQ(Difference(LoadFile(Dir + "/tall.pcx", &g), PeerDecode(Dir + "/tall.pbm")), 0);
}

TEST_F(FormatTest, LinesAreDecodedWithinTheirLength) {
    // A run of 63 that crosses the line end fills the line and is dropped
    // there; the next line starts afresh.
    std::string f = Header(70, 8, 1, 70) + "\xFF\x05\xFF\x06" + "\xFF\x07\xC7\x08" + Palette256();
    f[10] = 1;  // two rows
    TPixelGraphic g;
    LoadBytes(g, f, "pcx");
    ASSERT_EQ(g.GetHeight(), 2);
    EXPECT_EQ(g.GetPixel(62, 0) * 10 + g.GetPixel(69, 0), 56u);
    EXPECT_EQ(g.GetPixel(0, 1) * 10 + g.GetPixel(69, 1), 78u);  // a carried run would give 6 first
    EXPECT_EQ(g.GetPaletteColor(6), RGB(6, 249, 7));

    // 4 bits: plane k gives bit k of the pixel; a version 3 file has the
    // system colours.
    const std::string four = Header(3, 1, 4, 1, 3) + std::string("\xA0\x60\x00\xC1\xE0", 5);
    LoadBytes(g, four, "pcx");
    EXPECT_EQ(g.GetPixel(0, 0) * 10000 + g.GetPixel(1, 0) * 100 + g.GetPixel(2, 0), 91011u);
    EXPECT_EQ(g.GetPaletteType(), pSys16);
}

TEST_F(FormatTest, DamagedFilesGiveTheirMessages) {
    const std::string line8 = "\xC5\x01";
    const struct {
        std::string Bytes, Message;
    } kCases[] = {
        {Header(5, 8, 1, 5) + line8 + Palette256(), ""},
        // Fewer bytes per line than the width needs: refused, never read past.
        {Header(40, 8, 1, 4) + line8 + Palette256(), "PCX: BytesPerLine invalid"},
        {Header(20, 1, 1, 2) + line8, "PCX: BytesPerLine invalid"},
        {Header(9, 8, 3, 8) + line8, "PCX: BytesPerLine invalid"},
        // An 8-bit file shorter than the palette block.
        {Header(5, 8, 1, 5) + line8, "PCX: Unexpected end of file"},
        {Header(5, 8, 1, 5) + line8 + std::string(769, '\0'), "PCX: Unknown subformat"},
        {Header(5, 8, 2, 5) + line8, "PCX: Unknown subformat"},
        {Header(5, 2, 1, 5) + line8, "PCX: Unknown subformat"},
        // A header claiming 65536 x 65536 pixels in a tiny file.
        {[&] {
             std::string h = Header(65536, 8, 3, 65535);
             Put16(h, 10, 65535);
             return h + line8;
         }(),
         "PCX: Invalid size of Image"},
        {[&] {
             std::string h = Header(8000, 8, 1, 8000);
             Put16(h, 10, 8000);
             return h + line8 + Palette256();
         }(),
         "PCX: Unexpected end of file"},
    };
    for (const auto& c : kCases) EXPECT_EQ(LoadError(c.Bytes, "pcx"), c.Message) << c.Message;

    // A missing palette marker leaves the stream where it was.
    const std::string bad = Header(5, 8, 1, 5) + line8 + std::string(769, '\0');
    TMemoryStream s(std::vector<uint8_t>(bad.begin(), bad.end()));
    TPixelGraphic g;
    s.SetPosition(0);
    TFileFormatReader* reader = FindFileFormatReader(s, "pcx");
    ASSERT_NE(reader, nullptr);
    EXPECT_THROW(reader->Read(s, g, 0), EPGPCXFileFormatReader);
    EXPECT_EQ(s.GetPosition(), 128);
    EXPECT_THROW(reader->Read(s, g, 1), EPGPCXFileFormatReader);
}
