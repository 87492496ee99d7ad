// PBM, PGM and PPM files against netpbm and ImageMagick, both ways, and
// damaged files.
#include "FormatFaults.h"

using namespace peer;

namespace {

class PnmPeerTest : public PeerTest {
protected:
    void SetUp() override {
        PeerTest::SetUp();
        if (!IsSkipped()) GW_NEED_TOOL("pnmtoplainpnm", "netpbm");
    }
};

std::string Decoded(const std::string& bytes, const std::string& ext) {
    TPixelGraphic g;
    LoadBytes(g, bytes, ext);
    std::string out;
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) {
            const uint32_t c = g.GetPixelColor(x, y);
            out += std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
                   std::to_string(GetBValue(c)) + " ";
        }
    return out;
}

std::string WriteError(TPixelGraphic& g, const std::string& ext) {
    TMemoryStream s;
    try {
        FindFileFormatWriter(ext)->Write(s, g);
    } catch (const Exception& e) {
        return e.Message() + (s.GetSize() ? " (bytes written)" : "");
    }
    return "";
}

}  // namespace

TEST_F(PnmPeerTest, DecodesNetpbmFilesPlainAndRaw) {
    WritePPM(Dir + "/raw.ppm", Pattern(37, 23));
    faults::Shell(Dir, "ppmtopgm raw.ppm > raw.pgm && pamditherbw raw.pgm | pamtopnm > raw.pbm");
    for (const char* kind : {"pbm", "pgm", "ppm"})
        faults::Shell(Dir, std::string("pnmtoplainpnm raw.") + kind + " > plain." + kind);
    faults::Shell(Dir, "pnmdepth 1023 raw.ppm | pnmtoplainpnm > deep.ppm && pnmdepth 1023 raw.pgm > deep.pgm");
    for (const char* name : {"raw.pbm", "plain.pbm", "raw.pgm", "plain.pgm", "raw.ppm", "plain.ppm"}) {
        const std::string path = Dir + "/" + name;
        EXPECT_EQ(Difference(LoadFile(path), PeerDecode(path)), 0) << name;
        faults::ExpectCutsFailCleanly(gwtest::ReadFile(path), ExtensionOf(name), "PBM, PGM, PPM: ");
    }
    // Plain files accept any maximum: values are scaled by value * 255 div max.
    TRGB expected = Pattern(37, 23);
    for (uint8_t& v : expected.Data) v = uint8_t((v * 1023 + 127) / 255 * 255 / 1023);
    EXPECT_EQ(Difference(LoadFile(Dir + "/deep.ppm"), expected), 0);
    EXPECT_EQ(LoadError(gwtest::ReadFile(Dir + "/deep.pgm"), "pgm"), "PBM, PGM, PPM: Not supported subformat");

    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/plain.pgm", 0, info));
    EXPECT_EQ(
        info.SubFormat + " " + info.ColorCount + " " + std::to_string(info.Width) + "x" + std::to_string(info.Height),
        "ASCII 256 37x23");
}

TEST_F(PnmPeerTest, NetpbmAndImageMagickReadWhatWeWrite) {
    TPixelGraphic picture;
    ToGraphic(Pattern(37, 23), picture);
    picture.SetSaveColorResWarningAction(pgwaIgnore);
    for (bool binary : {false, true}) {
        PxMWriteBinary = binary;
        for (const char* ext : {"pbm", "pgm", "ppm"}) {
            const std::string path = Dir + "/out" + (binary ? "b." : "a.") + ext;
            picture.SaveToFile(path);  // 24 bits reduced to what the kind holds
            TPixelGraphic written;
            LoadFile(path, &written);
            EXPECT_EQ(Difference(FromGraphic(written), PeerDecode(path)), 0) << path;
            EXPECT_EQ(gwtest::Run("pnmfile '" + path + "' | grep -q '" + (binary ? "raw" : "plain") + "'"), 0) << path;
            EXPECT_EQ(written.GetBitCount(), ext[1] == 'b' ? 1 : ext[1] == 'g' ? 8 : 24);
        }
    }
    PxMWriteBinary = false;
    EXPECT_EQ(Difference(LoadFile(Dir + "/outb.ppm"), Pattern(37, 23)), 0);
}

TEST_F(FormatTest, TextValuesAreReadSafely) {
    // A plain bitmap has one digit a pixel, with or without blanks.
    EXPECT_EQ(Decoded("P1\n3 2\n010\n1 1\t0", "pbm"), "255,255,255 0,0,0 255,255,255 0,0,0 0,0,0 255,255,255 ");
    // Values above the maximum are clamped and stay in their channel.
    EXPECT_EQ(Decoded("P3 2 1 15 99 0 15 15 15 15\n", "ppm"), "255,0,255 255,255,255 ");
    // Comments between the numbers; the last number may end the file.
    EXPECT_EQ(Decoded("P2\n2 # width\n# the height:\n1\n255\n10 77", "pgm"), "10,10,10 77,77,77 ");
    EXPECT_EQ(Decoded("P5 2 1 3\n\x01\x03", "pgm"), "85,85,85 255,255,255 ");

    const struct {
        const char *Bytes, *Ext, *Message;
    } kCases[] = {
        {"P2\n2 1\n0\n0 0\n", "pgm", "PBM, PGM, PPM: Not supported subformat"},  // maximum 0
        {"P3\n0 5\n255\n", "ppm", "PBM, PGM, PPM: Not supported subformat"},
        {"P2\n123456789012345678901234567890 2\n255\n1 2", "pgm", "PBM, PGM, PPM: Invalid size of Image"},
        {"P6\n4000 4000\n255\n\x01\x02\x03", "ppm", "PBM, PGM, PPM: Unexpected end of file"},
        {"P1\n3 3\n0 1 0 1", "pbm", "PBM, PGM, PPM: Unexpected end of file"},
        {"P2\n2 1\n", "pgm", "PBM, PGM, PPM: Unexpected end of file"},
    };
    for (const auto& c : kCases) EXPECT_EQ(LoadError(c.Bytes, c.Ext), c.Message) << c.Bytes;
    TMemoryStream s(std::vector<uint8_t>{'P', '2', ' ', '1', ' ', '1', ' ', '9', ' ', '1'});
    TPixelGraphic g;
    try {
        g.LoadFromStreamIndex(s, "pgm", 1);
        ADD_FAILURE();
    } catch (const EPGPxMFileFormatReader& e) {
        EXPECT_EQ(e.Message(), "PxM: Index invalid");
    }
}

TEST_F(FormatTest, WritersTakeOnlyTheirOwnResolution) {
    TPixelGraphic rgb, colours, grey, twoColours, bw, empty;
    rgb.SetSize(3, 2, 3);
    colours.SetSize(3, 2, 2);
    colours.SetPaletteCount(2);
    colours.SetPaletteColor(1, RGB(255, 0, 0));
    grey.SetSize(3, 2, 2);
    grey.SetPaletteType(pGray256);
    twoColours.SetSize(3, 2, 0);
    twoColours.SetPaletteCount(2);
    twoColours.SetPaletteColor(0, RGB(255, 0, 0));
    bw.SetSize(3, 2, 0);
    bw.SetPaletteType(pBlackWhite);
    empty.SetSize(0, 4, 3);
    EXPECT_EQ(WriteError(rgb, "pgm"), "PGM: Invalid color resolution");
    EXPECT_EQ(WriteError(colours, "pgm"), "PGM: Invalid color resolution");  // indices are no grey levels
    EXPECT_EQ(WriteError(grey, "pgm"), "");
    EXPECT_EQ(WriteError(twoColours, "pbm"), "PBM: Invalid color resolution");
    EXPECT_EQ(WriteError(bw, "pbm"), "");
    EXPECT_EQ(WriteError(grey, "ppm"), "PPM: Invalid color resolution");
    EXPECT_EQ(WriteError(empty, "ppm"), "PBM, PGM, PPM: Width = 0 or Height = 0");

    bw.SetPixel(1, 0, 1);
    EXPECT_EQ(SaveBytes(bw, "pbm"), "P1\n3 2\n1 0 1\n1 1 1\n");
    grey.SetPixel(2, 1, 200);
    EXPECT_EQ(SaveBytes(grey, "pgm"), "P2\n3 2\n255\n0 0 0\n0 0 200\n");
    // Through the save path a colour picture becomes grey first.
    rgb.SetPixel(0, 0, RGB(255, 255, 255));
    rgb.SetSaveColorResWarningAction(pgwaIgnore);
    EXPECT_EQ(SaveBytes(rgb, "pgm").substr(0, 15), "P2\n3 2\n255\n255 ");
}
