// The Smart JPEG Saver: the size in the caption is the size of the bytes
// the caller writes, those bytes decode to the picture shown, and nothing
// is written behind the caller's back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "artkit/JpegRendition.h"
#include "artkit/forms/jpeger.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "platform/Streams.h"
#include "support/PictureUtil.h"
#include "support/TestFiles.h"
#include "widgets/RxSlider.h"

using namespace gwtest;

namespace {

// A rendered 200 x 200 button: edges and text make the qualities differ.
void RenderButton(TPixelGraphic& out, int w = 200, int h = 200) {
    TButtonRenderer r;
    r.Design.Width = w;
    r.Design.Height = h;
    r.Design.Shape = scRoundRect;
    r.Design.BevelStyle = bvsSmooth;
    r.Design.Caption = "Buy now";
    r.SizeChanged = true;
    r.RefreshButton(true);
    out.Assign(&r.Preview);
}

long long CaptionSize(const QString& caption) {
    const QRegularExpression re("^Smart JPEG Saver - current file size : (\\d+) bytes$");
    const auto m = re.match(caption);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// Moves the slider to value and lets go of its thumb, as the user does.
void ChooseQuality(Tjpeger_f& saver, int value) {
    saver.RxSlider1->SetValue(value);
    TSliderThumb* thumb = saver.RxSlider1->Thumb();
    QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(2, 2));
}

class SaverTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitPixelGraphicLibrary();
        JpegQuality = 80;
        ASSERT_TRUE(Tmp.isValid());
        OldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", Tmp.path().toUtf8());
    }
    void TearDown() override {
        qputenv("TMPDIR", OldTmp);
        JpegQuality = 80;
    }
    bool TmpEmpty() const { return QDir(Tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty(); }

    QTemporaryDir Tmp;
    QByteArray OldTmp;
    std::string Out = TempDir("jpeger");
};

}  // namespace

TEST_F(SaverTest, CaptionSizeIsTheSizeWrittenAtEveryQuality) {
    TPixelGraphic button;
    RenderButton(button);
    long long previous = -1;
    for (int q : {0, 1, 30, 80, 100}) {
        Tjpeger_f saver;
        saver.SetGraphic(button);
        ChooseQuality(saver, q);
        EXPECT_EQ(saver.Label1->text(), QString("Compression Quality : %1").arg(q));
        EXPECT_EQ(saver.EncodedQuality(), q);
        const long long shown = CaptionSize(saver.windowTitle());
        ASSERT_GT(shown, 0) << saver.windowTitle().toStdString();
        EXPECT_GE(shown, previous) << q;  // more quality, no fewer bytes
        previous = shown;

        QTimer::singleShot(20, [&saver] { saver.BitBtn1->click(); });
        ASSERT_EQ(saver.exec(), 1);
        EXPECT_EQ(JpegQuality, q);
        const std::string file = Out + "/q" + std::to_string(q) + ".jpg";
        saver.SaveJpeg(file);
        EXPECT_EQ(static_cast<long long>(ReadFile(file).size()), shown) << q;

        TPixelGraphic written;
        written.LoadFromFile(file);
        EXPECT_TRUE(SamePixels(written, *saver.PGImage2->GetPixelGraphic())) << q;
        EXPECT_TRUE(SamePixels(button, *saver.PGImage1->GetPixelGraphic()));
    }
    EXPECT_TRUE(TmpEmpty());
}

TEST_F(SaverTest, CancelReturnsTwoAndWritesNothing) {
    TPixelGraphic button;
    RenderButton(button, 100, 25);
    Tjpeger_f saver;
    saver.SetGraphic(button);
    ChooseQuality(saver, 55);
    QTimer::singleShot(20, [&saver] { saver.BitBtn2->click(); });
    EXPECT_EQ(saver.exec(), 2);
    QTimer::singleShot(20, [&saver] { QTest::keyClick(&saver, Qt::Key_Escape); });
    EXPECT_EQ(saver.exec(), 2);
    EXPECT_EQ(JpegQuality, 80);
    EXPECT_TRUE(TmpEmpty());
    EXPECT_TRUE(ListDir(Out).empty());
}

// The slider moved as a user moves it without dragging: keys and clicks on
// its track (each click one step towards the click).
void ClickTrack(TRxSlider* slider, bool belowThumb) {
    const TSliderThumb* thumb = slider->Thumb();
    const int y = thumb->y() + thumb->height() / 2;
    const int x = belowThumb ? thumb->x() - 3 : thumb->x() + thumb->width() + 3;
    ASSERT_GT(x, 0);
    ASSERT_LT(x, slider->width());
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, y));
}

TEST_F(SaverTest, EveryWayOfMovingTheSliderUpdatesPreviewAndSize) {
    Tjpeger_f saver;
    EXPECT_EQ(saver.RxSlider1->GetValue(), 80);
    EXPECT_EQ(saver.Label1->text(), "Compression Quality : 80");
    TPixelGraphic button;
    RenderButton(button, 100, 25);
    saver.SetGraphic(button);
    saver.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&saver));
    saver.RxSlider1->setFocus();

    // After each move: the label, the caption and the picture on the right
    // are those of the quality the slider shows, encoded independently.
    TPixelGraphic before;
    before.Assign(saver.PGImage2->GetPixelGraphic());
    auto expectShown = [&](int quality, const char* how) {
        SCOPED_TRACE(how);
        ASSERT_EQ(saver.RxSlider1->GetValue(), quality);
        EXPECT_EQ(saver.Label1->text(), QString("Compression Quality : %1").arg(quality));
        std::vector<uint8_t> expected;
        TPixelGraphic decoded;
        MakeJpegRendition(button, quality, expected, decoded);
        EXPECT_EQ(CaptionSize(saver.windowTitle()), static_cast<long long>(expected.size()));
        EXPECT_EQ(saver.EncodedJpeg(), expected);
        EXPECT_TRUE(SamePixels(*saver.PGImage2->GetPixelGraphic(), decoded));
        EXPECT_FALSE(SamePixels(*saver.PGImage2->GetPixelGraphic(), before));
        before.Assign(saver.PGImage2->GetPixelGraphic());
    };
    QTest::keyClick(saver.RxSlider1, Qt::Key_Home);
    expectShown(0, "Home");
    QTest::keyClick(saver.RxSlider1, Qt::Key_End);
    expectShown(100, "End");
    QTest::keyClick(saver.RxSlider1, Qt::Key_Left);
    expectShown(99, "Left");
    for (int i = 1; i <= 5; ++i) ClickTrack(saver.RxSlider1, true);
    expectShown(94, "five clicks left of the thumb");
    QTest::keyClick(saver.RxSlider1, Qt::Key_Home);
    ClickTrack(saver.RxSlider1, false);
    expectShown(1, "a click right of the thumb");
    QTest::keyClick(saver.RxSlider1, Qt::Key_Right);
    expectShown(2, "Right");

    // OK hands out the bytes whose size the caption showed.
    const long long shown = CaptionSize(saver.windowTitle());
    QTimer::singleShot(20, [&saver] { saver.BitBtn1->click(); });
    ASSERT_EQ(saver.exec(), 1);
    EXPECT_EQ(JpegQuality, 2);
    const std::string file = Out + "/keys.jpg";
    saver.SaveJpeg(file);
    EXPECT_EQ(static_cast<long long>(ReadFile(file).size()), shown);
}

TEST_F(SaverTest, TheFormFitsThePicture) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    TPixelGraphic button;
    RenderButton(button, 100, 25);
    Tjpeger_f small;
    EXPECT_EQ(small.size(), QSize(400, 333));
    small.SetGraphic(button);
    EXPECT_EQ(small.height(), 125);
    // Narrow: the width stays, unless the caption needs more to be shown
    // whole by the window frame (its text in a bold title font, and the
    // frame's icon and buttons).
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    EXPECT_GE(small.width(), QFontMetrics(title).horizontalAdvance(small.windowTitle()) + 100);
    EXPECT_GE(small.width(), 400);

    TPixelGraphic tall;
    MakeFlat(tall, 50, screen.height() - 100, 0);
    Tjpeger_f tooTall;
    tooTall.SetGraphic(tall);
    EXPECT_EQ(tooTall.height(), 333);  // not fitted
    EXPECT_GE(tooTall.width(), 400);

    const int wide = (screen.width() - 31) / 2;
    if (wide >= 385) {
        TPixelGraphic big;
        MakeFlat(big, wide, 60, 0);
        Tjpeger_f fitted;
        fitted.SetGraphic(big);
        EXPECT_EQ(fitted.size(), QSize(2 * wide + 30, 160));
    }
}

TEST(JpegRendition, DecodesItsOwnBytes) {
    InitPixelGraphicLibrary();
    TPixelGraphic picture;
    MakeFlat(picture, 33, 17, RGB(250, 10, 10));
    std::vector<uint8_t> bytes;
    TPixelGraphic rendition;
    MakeJpegRendition(picture, 90, bytes, rendition);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);  // a JPEG start-of-image marker
    EXPECT_EQ(rendition.GetWidth(), 33);
    EXPECT_EQ(rendition.GetHeight(), 17);
    EXPECT_NEAR(GetRValue(rendition.GetPixelColor(16, 8)), 250, 6);
    EXPECT_EQ(JpegQuality, 80);  // the library-wide quality is not touched
}
