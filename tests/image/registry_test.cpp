// The format registry and the load and save paths: lookup by content and
// extension, colour-resolution conversion with its warning modes, safe
// saving over existing files, form streaming.
#include <thread>

#include "PeerImages.h"
#include "platform/MessageBox.h"

using namespace peer;

namespace {

// A writer that stores nothing it cannot: registered by the tests below.
class TNothingWriter : public TFileFormatWriter {
public:
    TNothingWriter() {
        Extension = "nothing";
        Description = "Nothing";
    }
    std::string ClassName() const override { return "TNothingWriter"; }
};

// Fails half-way through, after some bytes went out.
class TFailingWriter : public TFileFormatWriter {
public:
    TFailingWriter() {
        Extension = "fail";
        Description = "Failing";
        CanWriteResolutions = AllColorResolutions;
    }
    std::string ClassName() const override { return "TFailingWriter"; }
    void Write(TStream& stream, TPixelGraphic&) override {
        stream.WriteBuffer("partial", 7);
        throw EPixelGraphic("disk full");
    }
};

class RegistryTest : public FormatTest {
protected:
    static void SetUpTestSuite() {
        InitPixelGraphicLibrary();
        static bool registered = false;
        if (!registered) {
            RegisterFileFormatWriter(std::make_unique<TNothingWriter>());
            RegisterFileFormatWriter(std::make_unique<TFailingWriter>());
            registered = true;
        }
    }
};

std::string SaveError(TPixelGraphic& g, const std::string& ext) {
    try {
        SaveBytes(g, ext);
    } catch (const EPixelGraphic& e) {
        return e.Message();
    }
    return "";
}

TPixelGraphic* Sys16Picture(TPixelGraphic& g) {
    g.SetSize(4, 3, 1);
    g.SetPaletteType(pSys16);
    for (int x = 0; x < 4; ++x) g.SetPixel(x, 1, uint32_t(x + 9));
    return &g;
}

}  // namespace

TEST_F(RegistryTest, ListsAreSortedAndComplete) {
    InitPixelGraphicLibrary();  // a second call changes nothing
    const auto& readers = FileFormatReaders();
    const auto& writers = FileFormatWriters();
    for (size_t i = 1; i < readers.size(); ++i) EXPECT_LT(readers[i - 1]->Extension, readers[i]->Extension);
    for (size_t i = 1; i < writers.size(); ++i) EXPECT_LT(writers[i - 1]->Extension, writers[i]->Extension);
    for (const char* ext : {"bmp", "dib", "rle", "jpg", "jpeg", "jif", "png"}) {
        const auto it = std::find_if(readers.begin(), readers.end(), [&](auto* r) { return r->Extension == ext; });
        ASSERT_NE(it, readers.end()) << ext;
        EXPECT_TRUE((*it)->HasSignature) << ext;
    }
    for (const char* ext : {"bmp", "dib", "jpg", "jpeg", "jif", "png"}) EXPECT_NE(FindFileFormatWriter(ext), nullptr);
    EXPECT_EQ(FindFileFormatWriter("rle"), nullptr);
    EXPECT_EQ(FindFileFormatWriter(".PNG"), FindFileFormatWriter("png"));
    EXPECT_FALSE(FindFileFormatWriter("jpeg")->Enabled);
    EXPECT_TRUE(FindFileFormatWriter("jpg")->Enabled);
    EXPECT_EQ(FindFileFormatWriter("jpg")->CanWriteResolutions, 160);
    EXPECT_EQ(FindFileFormatWriter("png")->CanWriteResolutions, 255);
}

TEST_F(RegistryTest, ContentDecidesBeforeTheName) {
    TPixelGraphic src;
    ToGraphic(TestPattern(6, 4), src);
    const std::string png = SaveBytes(src, "png");
    const std::string bmp = SaveBytes(src, "bmp");
    TPixelGraphic g;
    LoadBytes(g, png, ".BMP");
    EXPECT_EQ(MaxDifference(FromGraphic(g), FromGraphic(src)), 0);
    LoadBytes(g, bmp, "jpg");
    EXPECT_EQ(MaxDifference(FromGraphic(g), FromGraphic(src)), 0);
    TMemoryStream s(Bytes(png));
    s.SetPosition(3);
    EXPECT_EQ(FindFileFormatReader(s, "png"), nullptr);  // bytes decide, and these are no PNG
    EXPECT_EQ(s.GetPosition(), 3);
    s.SetPosition(0);
    ASSERT_NE(FindFileFormatReader(s, ""), nullptr);
    EXPECT_EQ(FindFileFormatReader(s, "")->Extension, "png");
    try {
        LoadBytes(g, "BX" + bmp.substr(2), "bmp");
        ADD_FAILURE();
    } catch (const EPGUnknownFileFormat& e) {
        EXPECT_EQ(e.Message(), "Unknown file format");
    }
    EXPECT_TRUE(g.GetEmpty());  // a load starts by emptying the picture
}

TEST_F(RegistryTest, ResolutionsFollowThePreferenceTable) {
    TColorResolution r;
    ASSERT_TRUE(PreferredColorResolution(cr16Colors, 160, r));
    EXPECT_EQ(r, crTrueColor);  // 4, 6, 7
    ASSERT_TRUE(PreferredColorResolution(crBlackWhite, 160, r));
    EXPECT_EQ(r, crGray256);
    ASSERT_TRUE(PreferredColorResolution(crTrueColor, 160, r));
    EXPECT_EQ(r, crTrueColor);
    ASSERT_TRUE(PreferredColorResolution(cr2Colors, ColorResolutionBit(crSys16) | ColorResolutionBit(cr256Colors), r));
    EXPECT_EQ(r, cr256Colors);  // 1, 4, 6
    EXPECT_FALSE(PreferredColorResolution(crGray16, 0, r));
    EXPECT_EQ(ColorResolutionText(crSys16), "16 system colors");

    TPixelGraphic g;
    Sys16Picture(g);
    g.SetSaveColorResWarningAction(pgwaRaise);
    EXPECT_EQ(SaveError(g, "jpg"),
              "The graphic cannot be saved with to a JPEG (JFIF compliant) file with the current color resolution "
              "(16 system colors)");
    EXPECT_EQ(SaveError(g, "bmp"), "");  // BMP keeps every resolution without a word
    EXPECT_EQ(SaveError(g, "nothing"), "TNothingWriter.CanWriteResolutions is empty");
    EXPECT_EQ(SaveError(g, "XyZ"), "Unknown file extension \"xyz\"");

    // Asked and confirmed: converted to 24 bits, the picture itself unchanged.
    std::vector<TMessageBoxRequest> shown;
    int answer = mrOk;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        shown.push_back(r);
        return answer;
    });
    g.SetSaveColorResWarningAction(pgwaOKCancelBox);
    TPixelGraphic back;
    LoadBytes(back, SaveBytes(g, "jpg"), "jpg");
    EXPECT_EQ(back.GetBitCount(), 24);
    EXPECT_EQ(g.GetBitCount(), 4);
    EXPECT_EQ(g.GetPaletteType(), pSys16);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text,
              "The graphic cannot be saved to a JPEG (JFIF compliant) file with the current color resolution (16 "
              "system colors).\r\rThe graphic will be saved with a different color resolution (16.7 million "
              "colors).");
    EXPECT_EQ(shown[0].Buttons, mbOKCancel);
    answer = mrCancel;
    EXPECT_THROW(SaveBytes(g, "jpg"), EPGCannotWriteColorRes);
    g.SetSaveColorResWarningAction(pgwaOKBox);
    EXPECT_EQ(SaveError(g, "jpg"), "");
    EXPECT_EQ(shown.back().Buttons, mbOK);
    SetMessageBoxHandler(old);

    // Black and white goes to 256 greys.
    TPixelGraphic bw;
    bw.SetSize(5, 5, 0);
    bw.SetPaletteType(pBlackWhite);
    bw.SetPixel(2, 2, 1);
    bw.SetSaveColorResWarningAction(pgwaIgnore);
    LoadBytes(back, SaveBytes(bw, "jpg"), "jpg");
    EXPECT_EQ(back.GetBitCount(), 8);
    EXPECT_EQ(back.GetPaletteType(), pGray256);
}

TEST_F(RegistryTest, FailedSavesLeaveFilesAsTheyWere) {
    const std::string dir = gwtest::TempDir("save");
    TPixelGraphic g;
    ToGraphic(TestPattern(8, 8), g);
    const std::string existing = dir + "/keep.fail";
    gwtest::WriteFile(existing, "old contents");
    EXPECT_THROW(g.SaveToFile(existing), EPixelGraphic);
    EXPECT_EQ(gwtest::ReadFile(existing), "old contents");
    EXPECT_THROW(g.SaveToFile(dir + "/new.fail"), EPixelGraphic);
    EXPECT_THROW(g.SaveToFile(dir + "/new.unknown"), EPGUnknownExtension);
    EXPECT_EQ(gwtest::ListDir(dir), std::vector<std::string>{"keep.fail"});

    // A successful save replaces the file.
    const std::string png = dir + "/pic.png";
    gwtest::WriteFile(png, "old contents");
    g.SaveToFile(png);
    TPixelGraphic back;
    LoadFile(back, png);
    EXPECT_EQ(MaxDifference(FromGraphic(g), FromGraphic(back)), 0);
    EXPECT_THROW(back.LoadFromFile(dir + "/missing.png"), EFOpenError);
}

TEST_F(RegistryTest, FormStreamingSkipsToTheEndOfItsBlock) {
    TPixelGraphic g;
    Sys16Picture(g);
    TMemoryStream s;
    g.WriteData(s);
    const int64_t end = s.GetPosition();
    s.WriteBuffer("next", 4);
    s.SetPosition(0);
    uint32_t length = 0;
    s.ReadBuffer(&length, 4);
    EXPECT_EQ(int64_t(length) + 4, end);
    s.SetPosition(0);
    TPixelGraphic back;
    back.ReadData(s);
    EXPECT_EQ(s.GetPosition(), end);
    EXPECT_EQ(back.GetPaletteType(), pSys16);
    EXPECT_EQ(MaxDifference(FromGraphic(g), FromGraphic(back)), 0);
}

TEST_F(RegistryTest, InformationNeverRaises) {
    TPictureInfo info;
    EXPECT_FALSE(GetPictureFileInfo("/no/such/file.png", 0, info));
    EXPECT_FALSE(GetPictureFileInfo(gwtest::TempDir("info") + "/", 0, info));
    TMemoryStream junk(Bytes("junk"));
    EXPECT_FALSE(GetPictureInfo(junk, "png", 0, info));
    EXPECT_EQ(ExtensionOf("/a.b/Photo.JPG"), "jpg");
    EXPECT_EQ(ExtensionOf("noext"), "");
    EXPECT_EQ(BitCountToNum(24), 3);
    try {
        BitCountToNum(16);
        ADD_FAILURE();
    } catch (const EPGInvalidBitCountNum& e) {
        EXPECT_EQ(e.Message(), "Invalid value for BitCountNum");
    }
}

TEST_F(RegistryTest, WarningsOffTheGuiThreadAreNotShown) {
    int shown = 0;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest&) {
        ++shown;
        return int(mrCancel);
    });
    TWarningAnswer onGui = AskWarning(pgwaOKCancelBox, "c", "t");
    TWarningAnswer offGui = waRaise, offGuiRaise = waGoOn;
    std::thread([&] {
        offGui = AskWarning(pgwaOKCancelBox, "c", "t");
        offGuiRaise = AskWarning(pgwaRaise, "c", "t");
    }).join();
    SetMessageBoxHandler(old);
    EXPECT_EQ(onGui, waAbort);
    EXPECT_EQ(offGui, waGoOn);
    EXPECT_EQ(offGuiRaise, waRaise);
    EXPECT_EQ(shown, 1);
}
