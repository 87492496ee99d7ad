// TIFF files made by ImageMagick and tiffcp, what libtiff and ImageMagick
// read of ours, and forged directories.
#include <sstream>

#include "FormatFaults.h"

using namespace peer;
using faults::Put16;
using faults::Put32;

namespace {

class TiffPeerTest : public PeerTest {
protected:
    void SetUp() override {
        PeerTest::SetUp();
        if (!IsSkipped()) GW_NEED_TOOL("tiffcp", "libtiff-tools");
    }
    void TearDown() override { ResetTiffSettings(); }

    static void ResetTiffSettings() {
        TiffCompression = 1;
        TiffWriteCMYK = TiffWhiteIsZero = TiffBigEndian = TiffCountImages = false;
    }
    // The raw CMYK samples of a file as ImageMagick reads them, turned to
    // colours the way the reader does (red = 255 - C - K, at least 0).
    TRGB CmykAsRGB(const std::string& file) {
        faults::Shell(Dir, "convert '" + file + "' -depth 8 CMYK:raw.cmyk");
        const std::string raw = gwtest::ReadFile(Dir + "/raw.cmyk");
        TRGB im{37, 23, {}};
        for (size_t i = 0; i + 3 < raw.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                im.Data.push_back(uint8_t(std::max(255 - uint8_t(raw[i + c]) - uint8_t(raw[i + 3]), 0)));
        return im;
    }
    // libtiff's own reading (ImageMagick misreads 4-bit white-is-zero).
    TRGB LibtiffDecode(const std::string& file) {
        faults::Shell(Dir, "tifftopnm '" + file + "' > '" + file + ".pnm'");
        return PeerDecode(file + ".pnm");
    }
    std::string Info(const std::string& file) {
        faults::Shell(Dir, "tiffinfo '" + file + "' > info.txt");
        return gwtest::ReadFile(Dir + "/info.txt");
    }
};

// Stands for the offset of the data behind the directory (plus a few).
constexpr uint32_t kData = 0xDA000000;

// A little-endian TIFF of one directory; entries are (tag, type, count,
// value) and Data follows the directory; a value kData + k is the offset of
// its byte k.
struct TForged {
    std::vector<std::array<uint32_t, 4>> Entries;
    std::string Data;

    uint32_t DataAt() const { return uint32_t(8 + 2 + 12 * Entries.size() + 4); }
    std::string Bytes() const {
        std::string s("II\x2A\0\x08\0\0\0", 8);
        s.append(2 + 12 * Entries.size() + 4, '\0');
        Put16(s, 8, uint32_t(Entries.size()));
        for (size_t i = 0; i < Entries.size(); ++i) {
            const auto& e = Entries[i];
            Put16(s, 10 + 12 * i, e[0]);
            Put16(s, 12 + 12 * i, e[1]);
            Put32(s, 14 + 12 * i, e[2]);
            Put32(s, 18 + 12 * i, e[3] - kData < 0x1000 ? e[3] - kData + DataAt() : e[3]);
        }
        return s + Data;
    }
    void Set(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
        for (auto& e : Entries)
            if (e[0] == tag) {
                e = {tag, type, count, value};
                return;
            }
        Entries.push_back({tag, type, count, value});
    }
};

// 8 x 2 bilevel with only the tags that have no default.
TForged Minimal() {
    TForged f;
    f.Entries = {{256, 3, 1, 8}, {257, 3, 1, 2}, {273, 4, 1, kData}};
    f.Data = "\x0F\xF0";
    return f;
}

std::string Bits(const TPixelGraphic& g) {
    std::string s;
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) s += char('0' + g.GetPixel(x, y));
    return s;
}

}  // namespace

TEST_F(TiffPeerTest, DecodesPeerFilesOfEveryLayout) {
    WritePPM(Dir + "/src.ppm", Pattern(37, 23));
    const char* const kMade[][2] = {
        {"-compress None", "rgb.tif"},
        {"-compress RLE", "rgbpb.tif"},  // PackBits
        {"-type Grayscale -compress None", "g8.tif"},
        {"-type Grayscale -depth 4 -compress None", "g4.tif"},
        {"-type Palette -compress None", "p8.tif"},
        {"-type Palette -compress None", "p4.tif"},
        {"-monochrome -depth 1 -compress None", "bw.tif"},
        {"-monochrome -depth 1 -define quantum:polarity=min-is-white -compress None", "bwwz.tif"},
        {"-alpha set -compress None", "rgba.tif"},
        {"-colorspace CMYK -compress None", "cmyk.tif"},
    };
    std::vector<std::string> names;
    // Palette pictures from colours of 8 bits, which the map holds exactly.
    faults::Shell(Dir, "convert src.ppm -colors 50 q8.ppm && convert src.ppm -colors 16 q4.ppm");
    for (const auto& m : kMade) {
        const std::string name = m[1];
        Make(Dir + (name[0] == 'p' ? "/q" + name.substr(1, 1) + ".ppm" : "/src.ppm"), m[0], name);
        names.push_back(name);
    }
    // Big-endian copies, strips of several sizes, PackBits.
    const char* const kCopies[][3] = {
        {"-B -r 1", "rgb.tif", "be1.tif"},
        {"-B -c packbits -r 7", "g8.tif", "bepb.tif"},
        {"-r 5", "p8.tif", "s5.tif"},
        {"-B -c packbits -r 2", "bw.tif", "bwpb.tif"},
        {"-c packbits -r 3", "p4.tif", "p4pb.tif"},
        {"-B -r 4", "cmyk.tif", "becmyk.tif"},
        {"-B -c packbits", "rgba.tif", "bergba.tif"},
    };
    for (const auto& c : kCopies) {
        faults::Shell(Dir, std::string("tiffcp ") + c[0] + " " + c[1] + " " + c[2]);
        names.push_back(c[2]);
    }
    for (const std::string& name : names) {
        const std::string path = Dir + "/" + name;
        const bool cmyk = name.find("cmyk") != std::string::npos;
        EXPECT_EQ(Difference(LoadFile(path), cmyk ? CmykAsRGB(path) : PeerDecode(path)), 0) << name;
        faults::ExpectCutsFailCleanly(gwtest::ReadFile(path), "tif", "TIFF");
    }
    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/bepb.tif", 0, info));
    EXPECT_EQ(info.SubFormat + " " + info.ColorCount, "M, PackBits, BlackIsZero 256");
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/cmyk.tif", 0, info));
    EXPECT_EQ(info.SubFormat + " " + info.ColorCount, "I, Uncompr., CMYK 16.7 M");

    // Other compressions are named.
    faults::Shell(Dir, "tiffcp -c lzw rgb.tif lzw.tif && tiffcp -c zip rgb.tif zip.tif");
    EXPECT_EQ(LoadError(gwtest::ReadFile(Dir + "/lzw.tif"), "tif"), "TIFF: Unsupported compression LZW");
    EXPECT_EQ(LoadError(gwtest::ReadFile(Dir + "/zip.tif"), "tif"), "TIFF: Unsupported compression 8");
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/lzw.tif", 0, info));
    EXPECT_EQ(info.SubFormat + " " + info.Extra, "I, LZW, RGB (Unsupported compression)");

    // A second image is reached only when the chain is walked.
    Make(Dir + "/src.ppm", "-compress None " + Dir + "/g8.tif", "two.tif");
    TPixelGraphic g;
    EXPECT_THROW(g.LoadFromFileExt(Dir + "/two.tif", 1), EPGTIFFileFormatReader);
    TiffCountImages = true;
    g.LoadFromFileExt(Dir + "/two.tif", 1);
    EXPECT_EQ(Difference(FromGraphic(g), PeerDecode(Dir + "/g8.tif")), 0);
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/two.tif", 0, info));
    EXPECT_EQ(info.ImageCount, 2);
}

TEST_F(TiffPeerTest, LibtiffAndImageMagickReadWhatWeWrite) {
    TPixelGraphic rgb;
    ToGraphic(Pattern(37, 23), rgb);
    TPaletteKinds kinds(rgb);
    TPixelGraphic &grey8 = kinds.Grey8, &palette8 = kinds.Palette8, &grey4 = kinds.Grey4, &sys16 = kinds.Sys16,
                  &bw = kinds.BW;
    int n = 0;
    for (TPixelGraphic* g : {&rgb, &grey8, &palette8, &grey4, &sys16, &bw}) {
        const std::string plain = Dir + "/w" + std::to_string(n++) + ".tif";
        g->SaveToFile(plain);
        const TRGB expected = FromGraphic(*g);
        // Palette entries are stored as value * 256, which 16-bit readers
        // take as one less than full at the top.
        EXPECT_LE(Difference(PeerDecode(plain), expected), g == &palette8 || g == &sys16 ? 1 : 0) << plain;
        EXPECT_EQ(Difference(LoadFile(plain), expected), 0) << plain;
        // Every setting stores the same pixels.
        for (int variant = 0; variant < 3; ++variant) {
            TiffCompression = variant != 1 ? 32773 : 1;
            TiffBigEndian = variant != 0;
            TiffWhiteIsZero = variant == 2;
            const std::string file = plain + std::to_string(variant) + ".tif";
            g->SaveToFile(file);
            EXPECT_EQ(Difference(LoadFile(file), expected), 0) << file;
            EXPECT_EQ(Difference(LibtiffDecode(file), LibtiffDecode(plain)), 0) << file;
            if (!TiffWhiteIsZero || g == &rgb || g == &palette8 || g == &sys16) {
                EXPECT_EQ(gwtest::Run("tiffcmp '" + plain + "' '" + file + "' >/dev/null 2>&1"), 0) << file;
            }
            ResetTiffSettings();
        }
    }
    TiffWriteCMYK = true;
    rgb.SaveToFile(Dir + "/cmyk.tif");
    EXPECT_EQ(Difference(CmykAsRGB(Dir + "/cmyk.tif"), Pattern(37, 23)), 0);
    EXPECT_EQ(Difference(LoadFile(Dir + "/cmyk.tif"), Pattern(37, 23)), 0);
    ResetTiffSettings();

    // Strip sizing: rows per strip = 32767 div the worst row.
    TPixelGraphic tall;
    tall.SetSize(100, 400, 3);
    for (int packBits = 0; packBits < 2; ++packBits) {
        TiffCompression = packBits ? 32773 : 1;
        tall.SaveToFile(Dir + "/tall.tif");
        EXPECT_NE(Info(Dir + "/tall.tif").find(packBits ? "Rows/Strip: 54" : "Rows/Strip: 109"), std::string::npos);
        EXPECT_EQ(Difference(PeerDecode(Dir + "/tall.tif"), FromGraphic(tall)), 0);
    }
}

TEST_F(FormatTest, ForgedDirectoriesAreReadSafely) {
    // Missing tags take their defaults: one sample of one bit, no
    // compression, one strip; no photometric means white is zero.
    TPixelGraphic g;
    LoadBytes(g, Minimal().Bytes(), "tif");
    EXPECT_EQ(Bits(g), "1111000000001111");

    const auto with = [](void (*forge)(TForged&)) {
        TForged f = Minimal();
        forge(f);
        return f.Bytes();
    };
    // "One strip" in the largest row count loads; so does a single strip
    // that claims fewer rows when warnings are ignored.
    LoadBytes(g, with([](TForged& f) { f.Set(278, 4, 1, 0xFFFFFFFF); }), "tif");
    EXPECT_EQ(Bits(g), "1111000000001111");
    LoadBytes(g, with([](TForged& f) { f.Set(278, 3, 1, 1); }), "tif", pgwaIgnore);
    EXPECT_EQ(Bits(g), "1111000000001111");
    // RowsPerStrip 0 reads as a missing tag: one strip holds every row.
    LoadBytes(g, with([](TForged& f) { f.Set(278, 3, 1, 0); }), "tif");
    EXPECT_EQ(Bits(g), "1111000000001111");

    // The colour map holds count / 3 entries per channel.
    TForged p;
    p.Entries = {{256, 3, 1, 2}, {257, 3, 1, 1},     {258, 3, 1, 8},
                 {262, 3, 1, 3}, {273, 4, 1, kData}, {320, 3, 6, kData + 2}};
    p.Data = std::string("\x01\x00", 2) + std::string("\x00\x10\x00\x20\x00\x30\x00\x40\x00\x50\x00\x60", 12);
    LoadBytes(g, p.Bytes(), "tif");
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(0x20, 0x40, 0x60));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(0x10, 0x30, 0x50));

    const std::vector<std::pair<std::string, std::string>> kCases = {
        {with([](TForged& f) { f.Set(278, 3, 1, 0), f.Set(273, 4, 2, 8); }), "TIFF: Invalid RowsPerStrip"},
        {with([](TForged& f) { f.Set(278, 3, 1, 1); }),
         "TIFF: NumStripOffsets<>(ImageLength+RowsPerStrip-1) div RowsPerStrip"},
        {with([](TForged& f) { f.Set(273, 4, 2, 8); }), "TIFF: Invalid RowsPerStrip"},
        {with([](TForged& f) { f.Set(273, 4, 0x40000000, 8); }), "TIFF: Unexpected end of file"},
        {with([](TForged& f) { f.Set(258, 4, 0x40000000, 8); }), "TIFF: Invalid count of SamplesPerPixel"},
        {with([](TForged& f) { f.Set(258, 5, 1, 8); }), "TIFF: Unsupported field Type: 5"},
        {with([](TForged& f) { f.Set(277, 3, 1, 2); }), "TIFF: Invalid SamplesPerPixel"},
        {with([](TForged& f) { f.Set(258, 3, 1, 2); }), "TIFF: Invalid SamplesPerPixel"},
        {with([](TForged& f) { f.Set(284, 3, 1, 2); }), "TIFF: PlanarConfiguration invalid"},
        {with([](TForged& f) { f.Set(259, 3, 1, 2); }), "TIFF: Unsupported compression CCITT 1D"},
        {with([](TForged& f) { f.Set(256, 4, 1, 0x7FFFFFFF), f.Set(257, 4, 1, 0x7FFFFFFF); }),
         "TIFF: Invalid size of Image"},
        {with([](TForged& f) { f.Set(256, 4, 1, 30000), f.Set(257, 4, 1, 30000); }), "TIFF: Unexpected end of file"},
        {with([](TForged& f) { f.Set(259, 3, 1, 32773), f.Data = std::string("\x05\x01\x00\x00", 4); }),
         "TIFF (PackBits): Invalid count of bytes in row 0"},
        {with([](TForged& f) { f.Set(273, 4, 1, 0xFFFFFFF0u); }), "TIFF: Unexpected end of file"},
    };
    for (const auto& [bytes, message] : kCases) EXPECT_EQ(LoadError(bytes, "tif"), message);
    const std::string ok = Minimal().Bytes();
    EXPECT_EQ(faults::ReaderError(ok, "II\x2B" + ok.substr(3), "tif"), "TIFF: Not a TIF file");
    EXPECT_EQ(faults::ReaderError(ok, "MM" + ok.substr(2), "tif"), "TIFF: Not a TIF file");
    TMemoryStream s(std::vector<uint8_t>(ok.begin(), ok.end()));
    EXPECT_THROW(g.LoadFromStreamIndex(s, "tif", 1), EPGTIFFileFormatReader);
}

TEST_F(FormatTest, WriterRefusesEmptyPicturesAndUnknownCompression) {
    TPixelGraphic g;
    g.SetSize(4, 0, 3);
    TMemoryStream s;
    TFileFormatWriter* w = FindFileFormatWriter("tiff");
    ASSERT_NE(w, nullptr);
    try {
        w->Write(s, g);
        ADD_FAILURE();
    } catch (const EPGTIFFileFormatWriter& e) {
        EXPECT_EQ(e.Message(), "TIFF: Width = 0 or Height = 0");
    }
    g.SetSize(4, 1, 3);
    TiffCompression = 5;
    EXPECT_THROW(w->Write(s, g), EPGTIFFileFormatWriter);
    TiffCompression = 1;
    EXPECT_EQ(s.GetSize(), 0);

    // A TIFF inside a larger stream: offsets count from its own start.
    s.WriteBuffer("prefix", 6);
    g.SetPixel(3, 0, RGB(1, 2, 3));
    w->Write(s, g);
    s.SetPosition(6);
    TPixelGraphic back;
    back.LoadFromStreamExt(s, "tif");
    EXPECT_EQ(back.GetPixelColor(3, 0), RGB(1, 2, 3));
}
