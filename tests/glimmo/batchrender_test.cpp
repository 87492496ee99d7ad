#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "glimmo/BatchRender.h"
#include "image/PGFormats.h"
#include "platform/Streams.h"
#include "support/PictureUtil.h"
#include "support/TestFiles.h"

namespace {

using gwtest::SamePixels;

QString Temp(const char* name) { return QString::fromStdString(gwtest::TempDir(name)); }

TEST(BatchNames, CaptionLinesSplitLikeAStringList) {
    EXPECT_EQ(BatchCaptionLines("home\nnews"), QStringList({"home", "news"}));
    EXPECT_EQ(BatchCaptionLines("home\nnews\n"), QStringList({"home", "news"}));  // no extra line
    EXPECT_EQ(BatchCaptionLines("home\r\n\r\nnews\r"), QStringList({"home", "", "news"}));
    EXPECT_EQ(BatchCaptionLines(""), QStringList());
    EXPECT_EQ(BatchCaptionLines("\n"), QStringList({""}));
    EXPECT_EQ(BatchCaptionLines(QString::fromUtf8("Caf\xC3\xA9")), QStringList({QString::fromUtf8("Caf\xC3\xA9")}));
}

TEST(BatchNames, ExtensionsByFormatIndex) {
    EXPECT_EQ(BatchExtension(0), ".bmp");
    EXPECT_EQ(BatchExtension(1), ".jpg");
    EXPECT_EQ(BatchExtension(2), ".png");
    EXPECT_EQ(BatchExtension(3), ".tif");
    EXPECT_EQ(BatchExtension(4), "");
    EXPECT_EQ(BatchExtension(-1), "");
}

TEST(BatchNames, BaseNamePlusCaptionPlusExtensionInsideTheFolder) {
    const TBatchNames n = BuildBatchFileNames("/out", "marble", {"home", "news", "", "../x"}, ".png");
    ASSERT_TRUE(n.Ok()) << n.Error.toStdString();
    EXPECT_EQ(n.Paths,
              QStringList({"/out/marblehome.png", "/out/marblenews.png", "/out/marble.png", "/out/marble..x.png"}));
    // The folder may come with or without its separator.
    EXPECT_EQ(BuildBatchFileNames("/out/", "marble", {"home"}, ".png").Paths, QStringList({"/out/marblehome.png"}));
    // Separators and control characters go, from the base name too.
    EXPECT_EQ(BuildBatchFileNames("/out", "a/b\tc", {QString("d\x01") + QChar(0x85) + "e/"}, ".bmp").Paths,
              QStringList({"/out/abcde.bmp"}));
    for (const QString& p : BuildBatchFileNames("/out", "../..", {"/../etc/passwd"}, ".png").Paths)
        EXPECT_EQ(QFileInfo(p).absolutePath(), "/out") << p.toStdString();
}

TEST(BatchNames, CollidingCaptionsAreNumberedIdenticalOnesShareAFile) {
    const TBatchNames n = BuildBatchFileNames("/out", "m", {"a/b", "ab", "a\nb", "ab", "a/b", "ab (2)"}, ".png");
    ASSERT_TRUE(n.Ok());
    EXPECT_EQ(n.Paths, QStringList({"/out/mab.png", "/out/mab (2).png", "/out/mab (3).png", "/out/mab (2).png",
                                    "/out/mab.png", "/out/mab (2) (2).png"}));
}

TEST(BatchNames, OverlongAndDotNamesAreRefusedNamingTheLine) {
    const QString longCaption(300, QChar('x'));
    TBatchNames n = BuildBatchFileNames("/out", "marble", {"home", longCaption, "news"}, ".png");
    EXPECT_FALSE(n.Ok());
    EXPECT_EQ(n.BadLine, 1);
    EXPECT_TRUE(n.Error.startsWith("Line 2 ")) << n.Error.toStdString();
    // Bytes count, not characters: 124 two-byte letters and "m.png" are 253
    // bytes, 125 make 255, 126 are too many.
    const QString e = QString::fromUtf8("\xC3\xA9");
    EXPECT_TRUE(BuildBatchFileNames("/out", "m", {e.repeated(125)}, ".png").Ok());
    EXPECT_FALSE(BuildBatchFileNames("/out", "m", {e.repeated(126)}, ".png").Ok());
    // The number counts too.
    const QString fits(255 - 5, QChar('y'));
    n = BuildBatchFileNames("/out", "", {fits, fits + "/"}, ".png");
    EXPECT_EQ(n.BadLine, 1);
    // A name that is only dots cannot be a file.
    EXPECT_EQ(BuildBatchFileNames("/out", ".", {""}, "").BadLine, 0);
    EXPECT_EQ(BuildBatchFileNames("/out", "", {"a", ".."}, "").BadLine, 1);
}

// ---- rendering and saving -------------------------------------------------------

class Batch : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        Design.Width = 64;
        Design.Height = 24;
        Design.BevelStyle = bvsSolid;
        Design.FontSize = 10;
        Preview.SetSize(Design.Width, Design.Height, 3);
        auto fill = std::make_shared<TPixelGraphic>();
        gwtest::MakeFlat(*fill, Design.Width, Design.Height, RGB(40, 90, 160));
        Design.FillImage = fill;
    }
    // The button for one caption, rendered directly.
    void Direct(const QString& caption, TPixelGraphic& out) {
        out.Assign(&Preview);
        Renderer.RenderButton(Design, out, caption.toStdString());
    }

    TButtonRenderer Renderer;
    TButtonDesign Design;
    TPixelGraphic Preview;
};

TEST_F(Batch, EveryFormatDecodesBackAtTheButtonsSize) {
    const QStringList captions = BatchCaptionLines("home\nnews\n\n");
    ASSERT_EQ(captions.size(), 3);
    for (int format = 0; format < 4; ++format) {
        const QString dir = Temp("batchformats");
        const TBatchNames names = BuildBatchFileNames(dir, "marble", captions, BatchExtension(format));
        ASSERT_TRUE(names.Ok());
        QList<int> reported;
        const TBatchResult r = RunBatch(Renderer, Design, Preview, captions, names.Paths, [&](int line) {
            reported << line;
            return true;
        });
        EXPECT_EQ(r.Error, "");
        EXPECT_FALSE(r.Cancelled);
        EXPECT_EQ(r.Written, 3);
        EXPECT_EQ(reported, QList<int>({0, 1, 2}));
        const std::string ext = BatchExtension(format).toStdString();
        std::vector<std::string> expected = {"marble" + ext, "marblehome" + ext, "marblenews" + ext};
        std::vector<std::string> files = gwtest::ListDir(dir.toStdString());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, expected) << ext;
        for (int i = 0; i < 3; ++i) {
            const std::string path = names.Paths[i].toStdString();
            TPixelGraphic back;
            back.LoadFromFile(path);
            EXPECT_EQ(back.GetWidth(), 64) << path;
            EXPECT_EQ(back.GetHeight(), 24) << path;
            if (gwtest::HaveTool("identify")) {
                EXPECT_EQ(gwtest::Run("test \"$(identify -format '%w %h' '" + path + "')\" = '64 24'"), 0) << path;
            }
            if (format != 1) {  // lossless: the very button
                TPixelGraphic direct;
                Direct(captions[i], direct);
                EXPECT_TRUE(SamePixels(back, direct)) << path;
            }
        }
    }
}

TEST_F(Batch, JpegIsSavedAtQuality80WhateverTheLibrarySetting) {
    const uint8_t before = JpegQuality;
    JpegQuality = 30;  // as the JPEG saver leaves it
    const QString dir = Temp("batchjpeg");
    const TBatchNames names = BuildBatchFileNames(dir, "b", {"OK"}, ".jpg");
    const TBatchResult r = RunBatch(Renderer, Design, Preview, {"OK"}, names.Paths, nullptr);
    JpegQuality = before;
    ASSERT_EQ(r.Written, 1);
    TPixelGraphic direct;
    Direct("OK", direct);
    TMemoryStream at80, at30;
    SaveToStreamExtWithJpegQuality(direct, at80, "jpg", 80);
    SaveToStreamExtWithJpegQuality(direct, at30, "jpg", 30);
    const std::string file = gwtest::ReadFile(names.Paths[0].toStdString());
    EXPECT_EQ(file, std::string(at80.Data().begin(), at80.Data().end()));
    EXPECT_NE(file, std::string(at30.Data().begin(), at30.Data().end()));
}

TEST_F(Batch, CancelAfterTheFirstFileLeavesOneFile) {
    const QString dir = Temp("batchcancel");
    const QStringList captions = {"one", "two", "three"};
    const TBatchNames names = BuildBatchFileNames(dir, "c", captions, ".png");
    const TBatchResult r = RunBatch(Renderer, Design, Preview, captions, names.Paths, [](int) { return false; });
    EXPECT_TRUE(r.Cancelled);
    EXPECT_EQ(r.Written, 1);
    EXPECT_EQ(gwtest::ListDir(dir.toStdString()), std::vector<std::string>({"cone.png"}));
    // Stopping at the last line is no cancel.
    const TBatchResult last = RunBatch(Renderer, Design, Preview, {"x"}, {dir + "/x.png"}, [](int) { return false; });
    EXPECT_FALSE(last.Cancelled);
}

TEST_F(Batch, IdenticalCaptionsWriteOneFile) {
    const QString dir = Temp("batchsame");
    const QStringList captions = {"same", "same"};
    const TBatchNames names = BuildBatchFileNames(dir, "s", captions, ".bmp");
    int reports = 0;
    const TBatchResult r = RunBatch(Renderer, Design, Preview, captions, names.Paths, [&](int) { return ++reports; });
    EXPECT_EQ(r.Written, 1);
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(gwtest::ListDir(dir.toStdString()).size(), 1u);
}

TEST_F(Batch, AFailedWriteEndsTheRunNamingTheFileAndKeepsEarlierFiles) {
    const QString dir = Temp("batchfail");
    const QStringList paths = {dir + "/first.png", dir + "/missing/second.png", dir + "/third.png"};
    const TBatchResult r = RunBatch(Renderer, Design, Preview, {"1", "2", "3"}, paths, nullptr);
    EXPECT_EQ(r.Written, 1);
    EXPECT_FALSE(r.Cancelled);
    EXPECT_TRUE(r.Error.contains(dir + "/missing/second.png")) << r.Error.toStdString();
    EXPECT_EQ(gwtest::ListDir(dir.toStdString()), std::vector<std::string>({"first.png"}));
}

TEST(BatchFolder, WritableIsTriedAndLeavesNothing) {
    const QString dir = Temp("batchprobe");
    EXPECT_TRUE(FolderWritable(dir));
    EXPECT_TRUE(gwtest::ListDir(dir.toStdString()).empty());
    EXPECT_FALSE(FolderWritable(dir + "/missing"));
    // A folder nobody may create files in, even the superuser.
    EXPECT_FALSE(FolderWritable("/proc"));
    if (geteuid() != 0) {
        ::chmod(dir.toStdString().c_str(), 0555);
        EXPECT_FALSE(FolderWritable(dir));
        ::chmod(dir.toStdString().c_str(), 0755);
    }
}

// Points the user's XDG pictures folder at folder (user-dirs.dirs).
void SetPicturesFolder(const QString& folder) {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty());
    ASSERT_TRUE(QDir().mkpath(config));
    QFile dirs(config + "/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dirs.write(("XDG_PICTURES_DIR=\"" + folder + "\"\n").toUtf8());
}

TEST(BatchFolder, StartsAtTheLastFolderElseThePicturesFolderElseHome) {
    const QString dir = Temp("batchstart");
    const QString pictures = dir + "/Bilder";
    ASSERT_TRUE(QDir().mkpath(pictures));
    ASSERT_TRUE(QDir().mkpath(dir + "/last"));
    SetPicturesFolder(pictures);
    EXPECT_EQ(BatchStartFolder(dir + "/last/"), dir + "/last/");
    EXPECT_EQ(BatchStartFolder(""), pictures);
    EXPECT_EQ(BatchStartFolder(dir + "/gone/"), pictures);  // the last folder went meanwhile
    EXPECT_EQ(BatchStartFolder("relative"), pictures);
    SetPicturesFolder(dir + "/no pictures");
    EXPECT_EQ(BatchStartFolder(""), QDir::homePath());
}

}  // namespace
