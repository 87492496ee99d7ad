// Targa files made by ImageMagick and netpbm, forged layouts, and what
// ImageMagick reads of our files.
#include "FormatFaults.h"

using namespace peer;
using faults::Put16;

namespace {

std::string Header(int imageType, int depth, int width, int height, int descriptor = 0) {
    std::string h(18, '\0');
    h[2] = char(imageType);
    Put16(h, 12, uint32_t(width));
    Put16(h, 14, uint32_t(height));
    h[16] = char(depth);
    h[17] = char(descriptor);
    return h;
}

// The same file with an ID field and a colour map of three entries that a
// true-colour picture does not use.
std::string WithIdAndMap(std::string tga) {
    tga[0] = 5;
    tga[1] = 1;
    Put16(tga, 5, 3);
    tga[7] = 24;
    return tga.substr(0, 18) + "hello" + std::string(9, '\x7F') + tga.substr(18);
}

// ImageMagick keeps a Targa's rows in file order unless asked to orient
// them; the ID field would become a comment.
const char* const kOriented = "-auto-orient -strip";

}  // namespace

TEST_F(PeerTest, DecodesPeerFilesOfEveryKind) {
    WritePPM(Dir + "/src.ppm", Pattern(37, 23));
    Make(Dir + "/src.ppm", "", "t24.tga");
    Make(Dir + "/src.ppm", "-compress RLE", "r24.tga");
    Make(Dir + "/src.ppm", "-colors 50 -type Palette", "cm.tga");
    Make(Dir + "/src.ppm", "-colors 50 -type Palette -compress RLE", "rcm.tga");
    Make(Dir + "/src.ppm", "-type Grayscale", "g8.tga");
    Make(Dir + "/src.ppm", "-alpha set", "a32.tga");
    Make(Dir + "/src.ppm", "-orient TopLeft", "tl.tga");
    std::vector<std::string> names = {"t24.tga", "r24.tga", "cm.tga", "rcm.tga", "g8.tga", "a32.tga", "tl.tga"};
    if (gwtest::PeerAvailable("pamtotga")) {
        faults::Shell(Dir, "pamtotga -name=hello -rgb -norle < src.ppm > id.tga");
        faults::Shell(Dir, "convert src.ppm -colors 40 ppm:- | pamtotga -cmap > ncm.tga");
        names.insert(names.end(), {"id.tga", "ncm.tga"});
    }
    for (const std::string& name : names) {
        const std::string path = Dir + "/" + name;
        EXPECT_EQ(Difference(LoadFile(path), PeerDecode(path, kOriented)), 0) << name;
        faults::ExpectCutsFailCleanly(gwtest::ReadFile(path), "tga", "TGA: ");
    }
    // An ID field and a colour map before true-colour pixels are skipped
    // (netpbm does so too; ImageMagick reads the map as pixels).
    gwtest::WriteFile(Dir + "/idmap.tga", WithIdAndMap(gwtest::ReadFile(Dir + "/t24.tga")));
    EXPECT_EQ(Difference(LoadFile(Dir + "/idmap.tga"), LoadFile(Dir + "/t24.tga")), 0);
    if (gwtest::PeerAvailable("tgatoppm")) {
        faults::Shell(Dir, "tgatoppm idmap.tga > idmap.ppm");
        EXPECT_EQ(Difference(LoadFile(Dir + "/idmap.tga"), PeerDecode(Dir + "/idmap.ppm")), 0);
    }

    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/rcm.tga", 0, info));
    EXPECT_EQ(info.SubFormat + ", " + info.Extra + ", " + info.ColorCount, "Run-length encoded, Color-mapped, 256");
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/g8.tga", 0, info));
    EXPECT_EQ(info.SubFormat + ", " + info.Extra, "Uncompressed, \"Black-and-white\"");
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/a32.tga", 0, info));
    EXPECT_EQ(info.ColorCount, "16.7M ?");
    TMemoryStream zeros(std::vector<uint8_t>(18, 0));  // image type 0
    EXPECT_FALSE(GetPictureInfo(zeros, "tga", 0, info));
}

TEST_F(PeerTest, PacketsRunOnAcrossRowsAndStopAtThePicturesEnd) {
    // 3 x 2, 24 bits: one run of four pixels spans both rows; the last
    // packet promises more pixels than are left.
    const std::string file = Header(10, 24, 3, 2) + std::string("\x83\x01\x02\x03", 4) +
                             std::string("\x7F\x0A\x0B\x0C\x0D\x0E\x0F", 7) + std::string(378, '\x55');
    gwtest::WriteFile(Dir + "/run.tga", file);
    TPixelGraphic g;
    EXPECT_EQ(Difference(LoadFile(Dir + "/run.tga", &g), PeerDecode(Dir + "/run.tga", kOriented)), 0);
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(3, 2, 1));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(0x0C, 0x0B, 0x0A));  // bottom-up: the second file row is on top
    EXPECT_EQ(g.GetPixelColor(2, 1), RGB(3, 2, 1));
}

TEST_F(FormatTest, SixteenBitFilesLoadInAnyOrientation) {
    // Right to left, top to bottom, run-length: 2 x 2.
    const std::string file = Header(10, 16, 2, 2, 0x30) + std::string("\x81\x00\x7C", 3) +  // red run
                             std::string("\x01\x1F\x00\xE0\x03", 5);                        // blue, green
    TPixelGraphic g;
    LoadBytes(g, file, "tga");
    ASSERT_EQ(g.GetBitCount(), 24);
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(248, 0, 0));
    EXPECT_EQ(g.GetPixelColor(1, 1), RGB(0, 0, 248));
    EXPECT_EQ(g.GetPixelColor(0, 1), RGB(0, 248, 0));

    // A colour map that starts at entry 2 fills indices 2 and up.
    std::string mapped = Header(1, 8, 2, 1);
    mapped[1] = 1;
    Put16(mapped, 3, 2);
    Put16(mapped, 5, 2);
    mapped[7] = 24;
    LoadBytes(g, mapped + "\x10\x20\x30\x40\x50\x60" + "\x02\x03", "tga");
    EXPECT_EQ(g.GetPaletteCount(), 4);
    EXPECT_EQ(g.GetPixelColor(0, 0), RGB(0x30, 0x20, 0x10));
    EXPECT_EQ(g.GetPixelColor(1, 0), RGB(0x60, 0x50, 0x40));

    const struct {
        std::string Bytes, Message;
    } kCases[] = {
        {Header(2, 15, 1, 1) + "abc", "TGA: Not supported subformat"},
        {Header(2, 24, 1, 1) + "ab", "TGA: Unexpected end of file"},
        {Header(10, 24, 65535, 65535) + "\xFF" + "abc", "TGA: Unexpected end of file"},  // checked before allocating
        {[&] {
             std::string m = mapped;
             m[7] = 15;
             return m + "abcdefgh";
         }(),
         "TGA: Not supported subformat"},
    };
    for (const auto& c : kCases) EXPECT_EQ(LoadError(c.Bytes, "tga"), c.Message);
    TPictureInfo info;
    TMemoryStream s(std::vector<uint8_t>(18, 0));
    s.Data()[2] = 32;
    try {
        FindFileFormatReader(s, "tga")->GetInfo(s, 0, info);
        ADD_FAILURE();
    } catch (const EPGTGAFileFormatReader& e) {
        EXPECT_EQ(e.Message(), "TGA: Invalid value for ImageType");
    }
}

TEST_F(PeerTest, ImageMagickReadsWhatWeWrite) {
    TPixelGraphic rgb, palette8, grey, four;
    ToGraphic(Pattern(37, 23), rgb);
    palette8.SetSize(37, 23, 2);
    palette8.SetPaletteType(pSpecial216);
    palette8.CopyRect(0, 0, rgb, 0, 0, 37, 23);
    grey.SetSize(37, 23, 2);
    grey.SetPaletteType(pGray256);
    grey.CopyRect(0, 0, rgb, 0, 0, 37, 23);
    grey.SetSaveColorResWarningAction(pgwaIgnore);  // reduced to 256 colours
    four.SetSize(37, 23, 1);
    four.SetPaletteType(pSys16);
    four.CopyRect(0, 0, rgb, 0, 0, 37, 23);
    for (auto [g, name] : {std::pair{&rgb, "w24.tga"}, std::pair{&palette8, "w8.tga"}, std::pair{&grey, "wg.tga"}}) {
        g->SaveToFile(Dir + "/" + name);
        TPixelGraphic back;
        EXPECT_EQ(Difference(LoadFile(Dir + "/" + name, &back), PeerDecode(Dir + "/" + name, kOriented)), 0) << name;
        if (g != &grey) {
            EXPECT_EQ(Difference(FromGraphic(back), FromGraphic(*g)), 0) << name;
        }
    }
    // A 4-bit picture handed straight to the writer is stored as 8-bit indices.
    {
        TFileStream out(Dir + "/w4.tga", fmCreate);
        FindFileFormatWriter("tga")->Write(out, four);
    }
    EXPECT_EQ(Difference(FromGraphic(four), PeerDecode(Dir + "/w4.tga", kOriented)), 0);

    TPixelGraphic flat;
    flat.SetSize(5, 0, 2);
    flat.SetPaletteCount(3);
    TMemoryStream s;
    FindFileFormatWriter("tga")->Write(s, flat);
    EXPECT_EQ(s.GetSize(), 18 + 3 * 3);
    // Sizes beyond the header's 16 bits are refused, not cut short.
    flat.SetSize(70000, 1, 3);
    EXPECT_THROW(FindFileFormatWriter("tga")->Write(s, flat), EPixelGraphic);
    EXPECT_EQ(s.GetSize(), 18 + 3 * 3);
}
