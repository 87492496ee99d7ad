// The options of a load or save: taken on the thread that starts it, so
// that the preview worker never reads a setting a form writes meanwhile;
// and the warning handler they carry.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "image/PGFormats.h"
#include "image/PGPreview.h"
#include "platform/Streams.h"
#include "support/TestFiles.h"

namespace {

// A 1 x 1 BMP of 16 bits (5-5-5) holding white, 0x7FFF: 31 in each
// channel, which reads as 255 with BMP16BitExpand and as 31 << 3 = 248
// without.
std::string WhiteBMP16(const std::string& path) {
    const uint8_t bytes[58] = {
        'B',  'M',  58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,         // file header
        40,   0,    0,  0, 1, 0, 0, 0, 1, 0, 0,  0, 1, 0, 16, 0,  // size, width, height, planes, bits
        0,    0,    0,  0, 4, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0,  // no compression, image size
        0,    0,    0,  0, 0, 0, 0, 0,                            // colours used, important
        0xFF, 0x7F, 0,  0};                                       // the pixel, padded to 4
    TFileStream out(path, fmCreate);
    out.WriteBuffer(bytes, sizeof bytes);
    return path;
}

// Every library setting, each to another value on every call.
void ChangeEverySetting(int i) {
    const bool b = i & 1;
    BMP16BitExpand = b;
    JpegDCTMethod = uint8_t(i % 3);
    JpegWriteDCTMethod = uint8_t(i % 3);
    JpegQuality = uint8_t(i % 101);
    JpegProgressive = b;
    GammaCorrection = b;
    PngFileBackground = b;
    PngWriteGamma = b;
    PxMWriteBinary = b;
    TiffMaxImages = 1 + i % 1000;
    TiffCountImages = b;
    TiffCompression = b ? 32773 : 1;
    TiffWriteCMYK = TiffWhiteIsZero = TiffBigEndian = b;
    TiffResolutionUnit = uint8_t(i % 3);
    TiffXResolution[0] = TiffYResolution[0] = 1 + i % 600;
}

class CodecOptionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override { File = WhiteBMP16(gwtest::TempDir("codecoptions") + "/white16.bmp"); }
    // Back to the defaults for the next test.
    void TearDown() override {
        ShutdownPixelGraphicLibrary();
        InitPixelGraphicLibrary();
    }

    // The preview's first channel, built on a worker thread while this
    // thread changes every setting until it is done.
    int PreviewRedOnWorker(const TPreviewSettings& s) {
        TCreateOpenSaveDialogPaintPGThread worker(false);
        worker.Setup(nullptr, 1, s);
        std::atomic<bool> done{false};
        std::unique_ptr<TPixelGraphic> result;
        std::thread t([&] {
            result = worker.Build();
            done = true;
        });
        for (int i = 0; !done; ++i) ChangeEverySetting(i);
        t.join();
        if (!result) return -1;
        return result->GetScanLine(0)[0];
    }

    std::string File;
};

TPreviewSettings PreviewOf(const std::string& file) {
    TPreviewSettings s;
    s.FileName = file;
    s.Target = TSize(100, 100);
    s.ScreenBits = 24;
    return s;
}

TEST_F(CodecOptionsTest, PreviewReadsTheSettingsOfWhenItWasSetUp) {
    for (int round = 0; round < 20; ++round) {
        BMP16BitExpand = false;
        const TPreviewSettings plain = PreviewOf(File);
        BMP16BitExpand = true;
        const TPreviewSettings expanded = PreviewOf(File);
        BMP16BitExpand = false;
        EXPECT_EQ(PreviewRedOnWorker(expanded), 255);
        BMP16BitExpand = true;
        EXPECT_EQ(PreviewRedOnWorker(plain), 248);
    }
}

TEST_F(CodecOptionsTest, LoadTakesTheSettingsOnItsThreadAndScopesOverrideThem) {
    TPixelGraphic g;
    BMP16BitExpand = false;
    g.LoadFromFile(File);
    EXPECT_EQ(g.GetScanLine(0)[0], 248);
    TCodecOptions o = DefaultCodecOptions();
    EXPECT_FALSE(o.BMP16BitExpand);
    o.BMP16BitExpand = true;
    {
        const TCodecOptionsScope scope(o);
        g.LoadFromFile(File);  // the load's own scope keeps the outer options
        EXPECT_EQ(g.GetScanLine(0)[0], 255);
    }
    g.LoadFromFile(File);
    EXPECT_EQ(g.GetScanLine(0)[0], 248);
}

TEST_F(CodecOptionsTest, WarningsGoToTheHandlerOfTheOptions) {
    const TWarningHandler installed = SetWarningHandler({});
    // Nobody to ask: a box mode goes on, raising raises.
    EXPECT_EQ(AskWarning(pgwaOKBox, "c", "t"), waGoOn);
    EXPECT_EQ(AskWarning(pgwaOKCancelBox, "c", "t"), waGoOn);
    EXPECT_EQ(AskWarning(pgwaRaise, "c", "t"), waRaise);
    EXPECT_EQ(AskWarning(pgwaIgnore, "c", "t"), waGoOn);

    std::string asked;
    SetWarningHandler([&](TPGWarningAction mode, const std::string& caption, const std::string& text) {
        asked += std::to_string(int(mode)) + caption + text + ";";
        return waAbort;
    });
    const TCodecOptions withHandler = DefaultCodecOptions();
    SetWarningHandler({});
    EXPECT_EQ(AskWarning(pgwaOKCancelBox, "c", "t"), waGoOn);
    {
        const TCodecOptionsScope scope(withHandler);
        EXPECT_EQ(AskWarning(pgwaOKCancelBox, "TIFF", "x"), waAbort);
        EXPECT_EQ(AskWarning(pgwaOKBox, "PNG", "y"), waAbort);
        // Ignore and raise never ask.
        EXPECT_EQ(AskWarning(pgwaIgnore, "c", "t"), waGoOn);
        EXPECT_EQ(AskWarning(pgwaRaise, "c", "t"), waRaise);
    }
    EXPECT_EQ(asked, std::to_string(int(pgwaOKCancelBox)) + "TIFFx;" + std::to_string(int(pgwaOKBox)) + "PNGy;");
    SetWarningHandler(installed);
}

}  // namespace
