// The preset browser on real folders: what it shows, what a click chooses,
// hovering, and that browsing leaves the folder untouched.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QPointer>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

#include "artkit/forms/preset_dlg.h"
#include "glimmo/PresetFixtures.h"
#include "platform/Cursors.h"
#include "platform/MessageBox.h"

using namespace gwtest;

namespace {

void FlushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

QColor CornerOf(QWidget* w) { return w->grab().toImage().pixelColor(1, 1); }

// Shows the dialog modally and clicks the picture of thumbnail n once it is up.
int ExecAndClick(Tpreset_dlg& dlg, int n, QPointer<tthumb>& clicked) {
    QTimer::singleShot(50, [&dlg, n, &clicked] {
        clicked = dlg.Thumbnails().at(n - 1);
        TPicBox* box = clicked->GetPicBox();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
    });
    return dlg.exec();
}

}  // namespace

TEST(PresetBrowser, ShowsTheGoodFilesInNameOrder) {
    const std::string dir = MakeButtonPresetFolder("browse");
    Tpreset_dlg dlg(".glw", "pgimage1");
    EXPECT_EQ(dlg.windowTitle(), "Presets");
    EXPECT_EQ(dlg.size(), QSize(336, 320));
    dlg.FillFromFolder(dir);
    EXPECT_EQ(GetScreenCursor(), crDefault);
    const auto& thumbs = dlg.Thumbnails();
    ASSERT_EQ(thumbs.size(), 4u);
    const char* tips[] = {"a.glw", "B", "b1", "c2"};
    const QSize sizes[] = {{70, 70}, {70, 1}, {17, 70}, {70, 17}};
    for (int i = 0; i < 4; ++i) {
        tthumb* t = thumbs[i];
        EXPECT_EQ(t->objectName(), QString("thumb%1").arg(i + 1));
        EXPECT_EQ(t->toolTip(), tips[i]);
        EXPECT_EQ(t->GetPicBox()->toolTip(), tips[i]);
        EXPECT_EQ(t->geometry(), QRect(76 * i, 0, 75, 75));
        EXPECT_EQ(QSize(t->GetGraphicWidth(), t->GetGraphicHeight()), sizes[i]);
        EXPECT_EQ(t->parentWidget(), dlg.ScrollBox1->widget());
    }
    EXPECT_EQ(thumbs[0]->FileName(), dir + "/a.glw.glw");
    EXPECT_EQ(thumbs[1]->FileName(), dir + "/B.GLW");

    // A second fill replaces the first.
    dlg.FillFromFolder(dir + "/d.glw");
    EXPECT_EQ(dlg.Thumbnails().size(), 1u);
    FlushDeferredDeletes();
    EXPECT_EQ(dlg.ScrollBox1->widget()->findChildren<tthumb*>().size(), 1);
}

TEST(PresetBrowser, AClickChoosesTheFullPathAndCloses) {
    const std::string dir = MakeButtonPresetFolder("click");
    const auto before = Stamps(dir);
    Tpreset_dlg dlg(".glw", "pgimage1");
    for (const std::string& folder : {dir, dir + "/"}) {
        dlg.FillFromFolder(folder);
        QPointer<tthumb> clicked;
        EXPECT_EQ(ExecAndClick(dlg, 1, clicked), 1);
        EXPECT_EQ(dlg.ChosenFile(), dir + "/a.glw.glw");
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_TRUE(dlg.Thumbnails().empty());
        FlushDeferredDeletes();
        EXPECT_TRUE(clicked.isNull());
    }
    dlg.FillFromFolder(dir);
    QPointer<tthumb> clicked;
    EXPECT_EQ(ExecAndClick(dlg, 2, clicked), 1);
    EXPECT_EQ(dlg.ChosenFile(), dir + "/B.GLW");
    FlushDeferredDeletes();
    EXPECT_EQ(Stamps(dir), before);
}

TEST(PresetBrowser, ClosingWithoutAChoice) {
    const std::string dir = MakeButtonPresetFolder("close");
    Tpreset_dlg dlg(".glw", "pgimage1");
    dlg.FillFromFolder(dir);
    QTimer::singleShot(50, [&dlg] { dlg.close(); });
    EXPECT_NE(dlg.exec(), 1);
    EXPECT_EQ(dlg.ChosenFile(), "");
    EXPECT_TRUE(dlg.Thumbnails().empty());
    FlushDeferredDeletes();
    EXPECT_TRUE(dlg.ScrollBox1->widget()->findChildren<tthumb*>().isEmpty());
}

TEST(PresetBrowser, HoverTurnsAThumbnailGrey) {
    const std::string dir = MakeButtonPresetFolder("hover");
    Tpreset_dlg dlg(".glw", "pgimage1");
    dlg.FillFromFolder(dir);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    tthumb* t = dlg.Thumbnails().at(2);  // 17 x 70: black margins left and right
    EXPECT_EQ(CornerOf(t), QColor(Qt::black));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(t->mapToGlobal(QPoint(2, 2))));
    QApplication::sendEvent(t, &enter);
    EXPECT_EQ(CornerOf(t), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(CornerOf(dlg.Thumbnails().at(0)), QColor(Qt::black));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(t, &leave);
    EXPECT_EQ(CornerOf(t), QColor(Qt::black));
    // The picture itself stays as it is.
    const QImage shot = t->grab().toImage();
    const QColor middle = shot.pixelColor(37, 37);
    EXPECT_GT(middle.green(), 150);
    dlg.close();
}

TEST(PresetBrowser, TileFilesWithTheirOwnKey) {
    const std::string dir = TempDir("tiles");
    WriteItems(dir + "/t1.mzo", {{"_result", FlatPictureBytes(256, 256, RGB(10, 120, 240), "bmp")}, {"_strings", "x"}});
    WriteItems(dir + "/T2.MZO", {{"_result", FlatPictureBytes(256, 128, RGB(240, 120, 10), "png")}});
    WriteItems(dir + "/t3.mzo", {{"_strings", "x"}});
    WriteButtonPreset(dir + "/button.glw", 100, 25, 0);
    Tpreset_dlg tiles(".mzo", "_result");
    tiles.FillFromFolder(dir);
    ASSERT_EQ(tiles.Thumbnails().size(), 2u);
    EXPECT_EQ(tiles.Thumbnails()[0]->toolTip(), "t1");
    EXPECT_EQ(tiles.Thumbnails()[1]->toolTip(), "T2");
    EXPECT_EQ(tiles.Thumbnails()[1]->GetGraphicHeight(), 35);
    EXPECT_EQ(tiles.Thumbnails()[0]->GetPixelGraphic()->GetPixelColor(35, 35), RGB(10, 120, 240));

    Tpreset_dlg buttons(".glw", "pgimage1");
    buttons.FillFromFolder(dir);
    EXPECT_EQ(buttons.Thumbnails().size(), 1u);
}
