// The format registry and the load and save paths: lookup by content and
// extension, conversion to what a writer can store, safe saving, form
// streaming, warnings.
#include <cstring>
#include <thread>

#include "PeerImages.h"
#include "platform/MessageBox.h"

using namespace peer;

namespace {

// Stores no resolution at all / fails half-way through.
struct TTestWriter : TFileFormatWriter {
    TTestWriter(const char* ext, TColorResolutions can) {
        Extension = ext;
        CanWriteResolutions = can;
    }
    std::string ClassName() const override { return "TTestWriter"; }
    void Write(TStream& stream, TPixelGraphic&) override {
        stream.WriteBuffer("partial", 7);
        throw EPixelGraphic("disk full");
    }
};

class RegistryTest : public FormatTest {
protected:
    static void SetUpTestSuite() {
        InitPixelGraphicLibrary();
        InitPixelGraphicLibrary();  // a second call changes nothing
        RegisterFileFormatWriter(std::make_unique<TTestWriter>("nothing", 0));
        RegisterFileFormatWriter(std::make_unique<TTestWriter>("fail", AllColorResolutions));
    }
};

std::string SaveError(TPixelGraphic& g, const std::string& ext) {
    try {
        SaveBytes(g, ext);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

}  // namespace

TEST_F(RegistryTest, ListsAreSortedAndContentDecidesBeforeTheName) {
    std::string readers, writers;
    for (auto* r : FileFormatReaders()) readers += r->Extension + (r->HasSignature ? "+ " : " ");
    for (auto* w : FileFormatWriters()) writers += w->Extension + (w->Enabled ? " " : "- ");
    EXPECT_EQ(readers.find("bmp+ dib+ "), 0u) << readers;
    EXPECT_NE(readers.find("jif+ jpeg+ jpg+ "), std::string::npos) << readers;
    EXPECT_NE(writers.find("jif- jpeg- jpg "), std::string::npos) << writers;
    for (size_t i = 1; i < FileFormatReaders().size(); ++i)
        EXPECT_LT(FileFormatReaders()[i - 1]->Extension, FileFormatReaders()[i]->Extension);
    EXPECT_EQ(FindFileFormatWriter("rle"), nullptr);
    EXPECT_EQ(FindFileFormatWriter(".PNG")->CanWriteResolutions, 255);
    EXPECT_EQ(FindFileFormatWriter("jpg")->CanWriteResolutions, 160);

    const std::string png = PatternBytes(6, 4, "png"), bmp = PatternBytes(6, 4, "bmp");
    TPixelGraphic g;
    LoadBytes(g, png, ".BMP");
    EXPECT_EQ(Difference(FromGraphic(g), Pattern(6, 4)), 0);
    LoadBytes(g, bmp, "jpg");
    EXPECT_EQ(Difference(FromGraphic(g), Pattern(6, 4)), 0);
    TMemoryStream s(std::vector<uint8_t>(png.begin(), png.end()));
    s.SetPosition(3);
    EXPECT_EQ(FindFileFormatReader(s, "png"), nullptr);  // the bytes there are no PNG
    EXPECT_EQ(s.GetPosition(), 3);
    EXPECT_EQ(LoadError("BX" + bmp.substr(2), "bmp"), "Unknown file format");
    EXPECT_THROW(LoadBytes(g, "junk", "bmp"), EPGUnknownFileFormat);
    EXPECT_TRUE(g.GetEmpty());  // a load starts by emptying the picture
}

TEST_F(RegistryTest, SavingConvertsByThePreferenceTableAfterAsking) {
    TPixelGraphic g, back;
    g.SetSize(4, 3, 1);
    g.SetPaletteType(pSys16);
    g.SetPixel(1, 1, 9);
    g.SetSaveColorResWarningAction(pgwaRaise);
    EXPECT_EQ(SaveError(g, "jpg"),
              "The graphic cannot be saved with to a JPEG (JFIF compliant) file with the current color resolution "
              "(16 system colors)");
    EXPECT_EQ(SaveError(g, "bmp"), "");  // BMP keeps every resolution
    EXPECT_EQ(SaveError(g, "nothing"), "TTestWriter.CanWriteResolutions is empty");
    EXPECT_EQ(SaveError(g, "XyZ"), "Unknown file extension \"xyz\"");

    std::vector<TMessageBoxRequest> shown;
    int answer = mrOk;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        shown.push_back(r);
        return answer;
    });
    g.SetSaveColorResWarningAction(pgwaOKCancelBox);
    LoadBytes(back, SaveBytes(g, "jpg"), "jpg");
    EXPECT_EQ(back.GetBitCount(), 24);                                    // 3, 4, 6, 7: JPEG stores only 5 and 7
    EXPECT_EQ(g.GetBitCount() * 100 + g.GetPaletteType(), 400 + pSys16);  // the picture itself is kept
    answer = mrCancel;
    EXPECT_THROW(SaveBytes(g, "jpg"), EPGCannotWriteColorRes);
    g.SetSaveColorResWarningAction(pgwaOKBox);
    EXPECT_EQ(SaveError(g, "jpg"), "");
    SetMessageBoxHandler(old);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].Text,
              "The graphic cannot be saved to a JPEG (JFIF compliant) file with the current color resolution (16 "
              "system colors).\r\rThe graphic will be saved with a different color resolution (16.7 million "
              "colors).");
    EXPECT_EQ(shown[0].Buttons * 10 + shown[2].Buttons, mbOKCancel * 10 + mbOK);

    TColorResolution r;  // black and white goes to 256 greys, 2 colours to 256 colours
    ASSERT_TRUE(PreferredColorResolution(crBlackWhite, 160, r));
    EXPECT_EQ(r, crGray256);
    ASSERT_TRUE(PreferredColorResolution(cr2Colors, ColorResolutionBit(crSys16) | ColorResolutionBit(cr256Colors), r));
    EXPECT_EQ(r, cr256Colors);
}

TEST_F(RegistryTest, FailedSavesLeaveFilesAsTheyWere) {
    const std::string dir = gwtest::TempDir("save");
    TPixelGraphic g;
    ToGraphic(Pattern(8, 8), g);
    gwtest::WriteFile(dir + "/keep.fail", "old contents");
    EXPECT_THROW(g.SaveToFile(dir + "/keep.fail"), EPixelGraphic);
    EXPECT_THROW(g.SaveToFile(dir + "/new.fail"), EPixelGraphic);
    EXPECT_THROW(g.SaveToFile(dir + "/new.unknown"), EPGUnknownExtension);
    EXPECT_EQ(gwtest::ReadFile(dir + "/keep.fail"), "old contents");
    EXPECT_EQ(gwtest::ListDir(dir), std::vector<std::string>{"keep.fail"});
    gwtest::WriteFile(dir + "/pic.png", "old contents");  // a good save replaces it
    g.SaveToFile(dir + "/pic.png");
    EXPECT_EQ(Difference(FromGraphic(g), LoadFile(dir + "/pic.png")), 0);
    EXPECT_THROW(g.LoadFromFile(dir + "/missing.png"), EFOpenError);
}

TEST_F(RegistryTest, FormStreamingSkipsToTheEndOfItsBlock) {
    TPixelGraphic g, back;
    g.SetSize(5, 3, 1);
    g.SetPaletteType(pGray16);
    g.SetPixel(4, 2, 11);
    TMemoryStream s;
    g.WriteData(s);
    const int64_t end = s.GetPosition();
    s.WriteBuffer("next", 4);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadValue<uint32_t>() + 4, uint64_t(end));
    s.SetPosition(0);
    back.ReadData(s);
    EXPECT_EQ(s.GetPosition(), end);
    EXPECT_EQ(back.GetPaletteType(), pGray16);
    EXPECT_EQ(back.GetPixel(4, 2), 11u);

    // A block that says it is shorter than its picture: the picture is read
    // from the block alone, never from what follows it.
    std::vector<uint8_t> bytes = s.Data();
    const uint32_t shorter = static_cast<uint32_t>(end - 4 - 10);
    std::memcpy(bytes.data(), &shorter, 4);
    TMemoryStream cut(bytes);
    EXPECT_THROW(back.ReadData(cut), EPGBMPFileFormatReader);
    EXPECT_EQ(cut.GetPosition(), 4 + int64_t(shorter));
}

TEST_F(RegistryTest, InformationNeverRaises) {
    TPictureInfo info;
    EXPECT_FALSE(GetPictureFileInfo("/no/such/file.png", 0, info));
    EXPECT_FALSE(GetPictureFileInfo(gwtest::TempDir("info") + "/", 0, info));
    TMemoryStream junk(std::vector<uint8_t>{'B', 'M', 1, 2});
    EXPECT_FALSE(GetPictureInfo(junk, "bmp", 0, info));
    EXPECT_EQ(ExtensionOf("/a.b/Photo.JPG") + "|" + ExtensionOf("noext"), "jpg|");
    EXPECT_EQ(BitCountToNum(24), 3);
    EXPECT_THROW(BitCountToNum(16), EPGInvalidBitCountNum);
}

TEST_F(RegistryTest, WarningBoxesAppearOnlyOnTheGuiThread) {
    int shown = 0;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest&) { return ++shown, int(mrCancel); });
    const TWarningAnswer onGui = AskWarning(pgwaOKCancelBox, "c", "t");
    TWarningAnswer offGui = waRaise, offGuiRaise = waGoOn;
    std::thread([&] {
        offGui = AskWarning(pgwaOKCancelBox, "c", "t");
        offGuiRaise = AskWarning(pgwaRaise, "c", "t");
    }).join();
    SetMessageBoxHandler(old);
    EXPECT_EQ(onGui * 100 + offGui * 10 + offGuiRaise, waAbort * 100 + waGoOn * 10 + waRaise);
    EXPECT_EQ(shown, 1);
}
