// The picture dialogs' preview without widgets: information lines of every
// format, the fitting rule, and the preview build at several screen depths,
// synchronously and on its thread.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "PaintEvents.h"
#include "PeerImages.h"
#include "image/PGPreview.h"

using namespace peer;

namespace {

class PreviewTest : public FormatTest {
protected:
    void SetUp() override { Dir = gwtest::TempDir("preview"); }
    std::string Dir;
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += "[" + l + "]";
    return all;
}

std::string InfoOf(const std::string& path) {
    TPictureInfo info;
    if (!GetPictureFileInfo(path, 0, info)) return "(none)";
    return Joined(PictureInfoLines(info));
}

// Four blocks of system colours: red, lime / blue, yellow.
TRGB Quadrants(int w, int h) {
    TRGB im{w, h, std::vector<uint8_t>(size_t(3) * w * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &im.Data[3 * (size_t(y) * w + x)];
            const bool right = x >= w / 2, low = y >= h / 2;
            const uint8_t c[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
            const uint8_t* q = c[(low ? 2 : 0) + (right ? 1 : 0)];
            p[0] = q[0], p[1] = q[1], p[2] = q[2];
        }
    return im;
}

std::string Save(const TRGB& im, const std::string& path) {
    TPixelGraphic g;
    ToGraphic(im, g);
    g.SetSaveColorResWarningAction(pgwaIgnore);
    g.SaveToFile(path);
    return path;
}

std::unique_ptr<TPixelGraphic> BuildPreview(const std::string& file, int screenBits,
                                            TPalette8BitSys8BitGraphic p8 = pOptimized252Sys16) {
    TCreateOpenSaveDialogPaintPGThread worker(false);
    TPreviewSettings s;
    s.FileName = file;
    s.Target = TSize(134, 134);
    s.ScreenBits = screenBits;
    s.Palette8BitSys8BitGraphic = p8;
    worker.Setup(nullptr, 1, s);
    return worker.Build();
}

}  // namespace

TEST_F(PreviewTest, InformationLinesOfEachFormat) {
    const TRGB im = Pattern(100, 25);
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.bmp")), "[Bitmap][Windows, RGB][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.dib")), "[Bitmap][Windows, RGB][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.jpg")), "[JPEG (JFIF compliant)][JFIF, YCbCr][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.pbm")), "[Portable Bitmap][ASCII][100x25x2 1 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.pgm")), "[Portable Graymap][ASCII][100x25x256 8 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.ppm")), "[Portable Pixelmap][ASCII][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.png")), "[Portable Network Graphics][RGB][(gama)][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.tga")), "[Truevision Targa][Uncompressed][True-color][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Save(im, Dir + "/a.tif")), "[Tagged Image File Format][I, Uncompr., RGB][100x25x16.7 M 24 bit]");
    EXPECT_EQ(InfoOf(Dir + "/missing.bmp"), "(none)");
    gwtest::WriteFile(Dir + "/text.bmp", "not a picture at all");
    EXPECT_EQ(InfoOf(Dir + "/text.bmp"), "(none)");
    EXPECT_EQ(InfoOf(Dir), "(none)");

    if (!gwtest::HaveTool("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    const std::string ppm = WritePPM(Dir + "/src.ppm", im);
    ASSERT_EQ(gwtest::Run("convert " + ppm + " " + Dir + "/b.pcx"), 0);
    ASSERT_EQ(gwtest::Run("convert " + ppm + " -colors 200 -compress rle " + Dir + "/b.bmp"), 0);
    ASSERT_EQ(gwtest::Run("convert " + ppm + " -type TrueColorAlpha -interlace PNG PNG32:" + Dir + "/c.png"), 0);
    EXPECT_EQ(InfoOf(Dir + "/b.pcx"), "[Paintbrush][Version 3.0 (5)][100x25x16.7M 24 bit]");
    EXPECT_EQ(InfoOf(Dir + "/b.bmp"), "[Bitmap][Windows, RLE8][100x25x256 8 bit]");
    const std::string png = InfoOf(Dir + "/c.png");
    EXPECT_EQ(png.find("[Portable Network Graphics][RGB, alpha, interlaced]["), 0u) << png;
    EXPECT_NE(png.find("][100x25x16.7M? 32 bit]"), std::string::npos) << png;

    // Several images are counted after the size.
    TPictureInfo many;
    many.Description = "Tagged Image File Format";
    many.Width = 640, many.Height = 480, many.ColorCount = "16.7M", many.BitsPerPixel = 24, many.ImageCount = 3;
    EXPECT_EQ(Joined(PictureInfoLines(many)), "[Tagged Image File Format][640x480x16.7M 24 bit, 3]");
}

TEST_F(PreviewTest, FittingKeepsTheRatio) {
    EXPECT_EQ(FitPictureSize(TSize(400, 100), TSize(134, 134)), TSize(134, 33));
    EXPECT_EQ(FitPictureSize(TSize(100, 400), TSize(134, 134)), TSize(33, 134));
    EXPECT_EQ(FitPictureSize(TSize(134, 200), TSize(134, 134)), TSize(89, 134));  // 134 * 134 / 200 = 89.8
    EXPECT_EQ(FitPictureSize(TSize(50, 50), TSize(134, 134)), TSize(50, 50));
    EXPECT_EQ(FitPictureSize(TSize(134, 134), TSize(134, 134)), TSize(134, 134));
    EXPECT_EQ(FitPictureSize(TSize(1000, 1), TSize(50, 50)), TSize(50, 1));  // never below one pixel
    EXPECT_EQ(FitPictureSize(TSize(1, 1000), TSize(50, 50)), TSize(1, 50));
    EXPECT_EQ(FitPictureSize(TSize(300, 300), TSize(200, 100)), TSize(100, 100));
}

TEST_F(PreviewTest, ProgressIsReportedSparingly) {
    EXPECT_FALSE(PreviewProgressDue(5, 5, 1000, 0));      // same percentage
    EXPECT_FALSE(PreviewProgressDue(6, 5, 1050, 1010));   // same tick interval and sixteenth
    EXPECT_TRUE(PreviewProgressDue(6, 5, 1100, 1010));    // next 100 ms
    EXPECT_TRUE(PreviewProgressDue(16, 15, 1050, 1010));  // next sixteenth
}

TEST_F(PreviewTest, SmallPictureStaysOneToOneAtEveryDepth) {
    const TRGB im = Quadrants(30, 20);
    const std::string file = Save(im, Dir + "/small.bmp");
    for (int bits : {24, 8, 4}) {
        SCOPED_TRACE(bits);
        std::unique_ptr<TPixelGraphic> p = BuildPreview(file, bits);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->GetBitCount(), bits == 24 ? 24 : bits == 8 ? 8 : 4);
        if (bits == 4) {
            EXPECT_EQ(p->GetPaletteType(), pSys16);
        }
        // Only system colours: exact, but for the optimised palette's
        // 5:6:5 cells.
        EXPECT_LE(Difference(FromGraphic(*p), im), bits == 8 ? 4 : 0);
    }
}

TEST_F(PreviewTest, LargePictureIsShrunkWithItsRatio) {
    // Left half red, right half blue.
    TRGB im{400, 100, std::vector<uint8_t>(3 * 400 * 100)};
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x) im.Data[3 * (y * 400 + x) + (x < 200 ? 0 : 2)] = 255;
    const std::string file = Save(im, Dir + "/large.png");
    for (int bits : {24, 8, 4}) {
        SCOPED_TRACE(bits);
        std::unique_ptr<TPixelGraphic> p = BuildPreview(file, bits);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->GetWidth(), 134);
        EXPECT_EQ(p->GetHeight(), 33);
        EXPECT_EQ(p->GetBitCount(), bits == 24 ? 24 : bits == 8 ? 8 : 4);
        const TRGB shown = FromGraphic(*p);
        auto near = [&](int x, int y, int r, int b) {
            const uint8_t* q = &shown.Data[3 * (y * shown.Width + x)];
            return std::abs(q[0] - r) <= 4 && q[1] <= 4 && std::abs(q[2] - b) <= 4;
        };
        EXPECT_TRUE(near(0, 0, 255, 0));
        EXPECT_TRUE(near(60, 32, 255, 0));
        EXPECT_TRUE(near(75, 16, 0, 255));
        EXPECT_TRUE(near(133, 32, 0, 255));
    }
}

TEST_F(PreviewTest, PaletteChoicesOfAnEightBitScreen) {
    // A grey picture keeps its own palette with pSource, and gets an
    // optimised palette with the default choice.
    TRGB im = Pattern(40, 30);
    for (size_t i = 0; i < im.Data.size(); i += 3) im.Data[i + 1] = im.Data[i + 2] = im.Data[i];
    TPixelGraphic grey;
    ToGraphic(im, grey);
    const std::string file = Dir + "/grey.pgm";
    grey.SetSaveColorResWarningAction(pgwaIgnore);
    grey.SaveToFile(file);

    std::unique_ptr<TPixelGraphic> own = BuildPreview(file, 8, pSource);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->GetBitCount(), 8);
    EXPECT_EQ(own->GetPaletteType(), pGray256);
    EXPECT_EQ(Difference(FromGraphic(*own), im), 0);

    std::unique_ptr<TPixelGraphic> reduced = BuildPreview(file, 8);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->GetBitCount(), 8);
    EXPECT_LE(reduced->GetPaletteCount(), 252);
    EXPECT_LT(Difference(FromGraphic(*reduced), im, true), 2.0);

    std::unique_ptr<TPixelGraphic> fixed = BuildPreview(file, 8, pGray16);
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->GetPaletteType(), pGray16);
}

TEST_F(PreviewTest, MissingAndUnreadableFilesGiveNothing) {
    EXPECT_EQ(BuildPreview(Dir + "/missing.png", 24), nullptr);
    gwtest::WriteFile(Dir + "/broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "truncated");
    EXPECT_THROW(BuildPreview(Dir + "/broken.png", 24), EPixelGraphic);

    // On the thread a failure posts nothing.
    TPaintReceiver receiver;
    TCreateOpenSaveDialogPaintPGThread worker(false);
    TPreviewSettings s;
    s.FileName = Dir + "/broken.png";
    s.Target = TSize(134, 134);
    worker.Setup(&receiver, 7, s);
    worker.Resume();
    worker.WaitFor();
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_TRUE(receiver.Results.empty());
}

TEST_F(PreviewTest, ThreadPostsResultAndProgressTaggedWithItsGeneration) {
    const std::string file = Save(Pattern(600, 450), Dir + "/photo.bmp");
    TPaintReceiver receiver;
    {
        TCreateOpenSaveDialogPaintPGThread worker(false);
        TPreviewSettings s;
        s.FileName = file;
        s.Target = TSize(134, 134);
        s.ScreenBits = 8;
        worker.Setup(&receiver, 42, s);
        worker.Resume();
        worker.WaitFor();
    }
    QCoreApplication::sendPostedEvents(&receiver);
    ASSERT_EQ(receiver.Results.size(), 1u);
    EXPECT_EQ(receiver.ResultGenerations[0], 42u);
    EXPECT_EQ(receiver.Results[0]->GetWidth(), 134);
    EXPECT_EQ(receiver.Results[0]->GetHeight(), 100);  // 134 * 450 / 600 = 100.5
    // Reading and shrinking are stage 1, the colour conversion stage 2;
    // every sixteenth is reported.
    bool first = false, second = false;
    for (auto [stage, percent] : receiver.Progress) {
        EXPECT_TRUE(stage == 1 || stage == 2) << stage;
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
        first = first || stage == 1;
        second = second || stage == 2;
    }
    std::string seen;
    for (auto [stage, percent] : receiver.Progress) seen += std::to_string(stage) + ":" + std::to_string(percent) + " ";
    EXPECT_TRUE(first && second) << seen;
    EXPECT_EQ(receiver.Results[0]->GetBitCount(), 8);

    // A worker stopped before it starts posts nothing; an idle one never runs.
    TPaintReceiver none;
    TCreateOpenSaveDialogPaintPGThread stopped(false), idle(true);
    TPreviewSettings s;
    s.FileName = file;
    s.Target = TSize(134, 134);
    stopped.Setup(&none, 1, s);
    idle.Setup(&none, 1, s);
    stopped.Terminate();
    stopped.Resume();
    idle.Resume();
    stopped.WaitFor();
    idle.WaitFor();
    EXPECT_FALSE(idle.isRunning() || idle.isFinished());
    QCoreApplication::sendPostedEvents(&none);
    EXPECT_TRUE(none.Results.empty());
}

TEST_F(PreviewTest, PathsLongerThan256Characters) {
    std::string dir = Dir;
    while (dir.size() < 300) dir += "/" + std::string(40, 'd');
    ASSERT_EQ(gwtest::Run("mkdir -p '" + dir + "'"), 0);
    const std::string file = Save(Quadrants(30, 20), dir + "/" + std::string(60, 'p') + ".bmp");
    ASSERT_GT(file.size(), 360u);
    EXPECT_EQ(InfoOf(file), "[Bitmap][Windows, RGB][30x20x16.7M 24 bit]");
    std::unique_ptr<TPixelGraphic> p = BuildPreview(file, 24);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->GetWidth(), 30);
}
