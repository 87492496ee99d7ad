// The picture control on the offscreen screen: what it paints, how the mouse
// drags the selection and pans, the display copy arriving from the worker
// (and a stale one being dropped), loading and saving.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <cstdio>
#include <set>

#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "platform/Paint.h"
#include "support/TestFiles.h"

namespace {

const TColor kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kYellow = 0x00FFFF;

std::unique_ptr<TPixelGraphic> Solid(int w, int h, TColor colour) {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->SetPixel(x, y, colour);
    return g;
}

// Four quadrants: red top-left, blue top-right, green bottom-left, yellow
// bottom-right.
std::unique_ptr<TPixelGraphic> Quadrants(int size) {
    auto g = Solid(size, size, kRed);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            g->SetPixel(x, y, y < size / 2 ? (x < size / 2 ? kRed : kBlue) : (x < size / 2 ? kGreen : kYellow));
    return g;
}

std::unique_ptr<TPixelGraphic> Gradient(int w, int h) {
    auto g = Solid(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->SetPixel(x, y, RGB(x * 255 / w, y * 255 / h, 128));
    return g;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void Press(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
void MoveTo(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
void Release(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

class PGImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        SetDisplayBitsPerPixel(0);
        Img = std::make_unique<TPGImage>();
    }
    void TearDown() override {
        Img.reset();
        SetDisplayBitsPerPixel(0);
    }
    void Show(int w = 100, int h = 100) {
        Img->SetBounds(0, 0, w, h);
        Img->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Img.get()));
    }
    // The control as painted, and a pixel of its client area.
    QImage Shot() { return Img->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    TColor ClientPixel(const QImage& shot, int x, int y) {
        const int b = Img->GetBorderWidth();
        return ImagePixelColor(shot, x + b, y + b);
    }
    // Processes events until the display copy arrives.
    bool WaitForCopy() {
        return QTest::qWaitFor([&] { return Img->GetPaintPixelGraphic() != nullptr; }, 5000);
    }
    void WaitForWorker() {
        while (Img->IsBuilding()) QThread::msleep(1);
    }
    std::unique_ptr<TPGImage> Img;
};

}  // namespace

TEST_F(PGImageTest, BorderMarginsAndPicture) {
    EXPECT_EQ(Img->GetClientRect(), TRect(0, 0, 96, 96));
    Img->SetPixelGraphic(Solid(10, 10, kRed));
    Show();
    QImage shot = Shot();
    EXPECT_EQ(ImagePixelColor(shot, 0, 0), TColor(ColorToRGB(clBtnShadow)));  // sunken edge
    EXPECT_EQ(ImagePixelColor(shot, 1, 1), TColor(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(ImagePixelColor(shot, 99, 99), TColor(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(ClientPixel(shot, 9, 9), kRed);
    EXPECT_EQ(ClientPixel(shot, 10, 9), TColor(ColorToRGB(clBtnFace)));
    EXPECT_EQ(ClientPixel(shot, 9, 10), TColor(ColorToRGB(clBtnFace)));
    // Centred, and the margins in the control's colour.
    Img->SetCenter(true);
    Img->SetColor(kGreen);
    EXPECT_EQ(Img->GetPicBoxRect(), TRect(43, 43, 53, 53));
    shot = Shot();
    EXPECT_EQ(ClientPixel(shot, 43, 43), kRed);
    EXPECT_EQ(ClientPixel(shot, 52, 52), kRed);
    EXPECT_EQ(ClientPixel(shot, 42, 48), kGreen);
    EXPECT_EQ(ClientPixel(shot, 48, 53), kGreen);
    Img->SetBorderStyle(bsNone);
    EXPECT_EQ(Img->GetClientRect(), TRect(0, 0, 100, 100));
}

namespace {
// The quadrant colour of picture pixel (x, y) of Quadrants(10).
TColor QuadrantAt(int x, int y) { return y < 5 ? (x < 5 ? kRed : kBlue) : (x < 5 ? kGreen : kYellow); }

// What tile mode m shows at client (x, y) for a 10 x 10 picture at origin o.
TColor TiledAt(TTiling m, int x, int y, int ox = 0, int oy = 0) {
    const int i = (x - ox) >= 0 ? (x - ox) / 10 : ((x - ox) - 9) / 10;
    const int g = (y - oy) >= 0 ? (y - oy) / 10 : ((y - oy) - 9) / 10;
    int px = x - ox - 10 * i, py = y - oy - 10 * g;
    if ((m == tMirror || m == tMirrorHorizontal) && (i & 1)) px = 9 - px;
    if ((m == tMirror || m == tMirrorVertical) && (g & 1)) py = 9 - py;
    return QuadrantAt(px, py);
}
}  // namespace

TEST_F(PGImageTest, TilesRepeatAndMirrorOverTheWholeClient) {
    Img->SetPixelGraphic(Quadrants(10));
    Show();
    for (TTiling mode : {tRepeat, tMirrorHorizontal, tMirrorVertical, tMirror}) {
        Img->SetTiling(mode);
        const QImage shot = Shot();
        for (int y = 0; y < 96; y += 3)
            for (int x = 0; x < 96; x += 3)
                ASSERT_EQ(ClientPixel(shot, x, y), TiledAt(mode, x, y)) << int(mode) << " at " << x << "," << y;
    }
    // Centred: the tiles reach up and left from the picture.
    Img->SetCenter(true);
    const QImage shot = Shot();
    for (int y = 0; y < 96; y += 7)
        for (int x = 0; x < 96; x += 5) ASSERT_EQ(ClientPixel(shot, x, y), TiledAt(tMirror, x, y, 43, 43));
}

TEST_F(PGImageTest, FewMirroredTilesAndFlipsDrawThroughTheRectangle) {
    // Two tiles: the mirrored one is drawn without a mirrored copy.
    Img->SetPixelGraphic(Quadrants(10));
    Img->SetTiling(tMirror);
    Show(24, 14);
    QImage shot = Shot();
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 10; ++y) ASSERT_EQ(ClientPixel(shot, x, y), TiledAt(tMirror, x, y)) << x << "," << y;
    Img->SetTiling(tNone);
    Img->SetFlipHorizontal(true);
    Img->SetFlipVertical(true);
    shot = Shot();
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y) ASSERT_EQ(ClientPixel(shot, x, y), QuadrantAt(9 - x, 9 - y));
}

TEST_F(PGImageTest, ZoomMapsPixelsAndTilesTheZoomedPicture) {
    Img->SetPixelGraphic(Quadrants(10));
    Img->SetStretch(sZoomKAR);
    int zoomChanges = 0;
    Img->OnZoomFactorChange = [&](QObject*) { ++zoomChanges; };
    Img->SetZoomFactor(3);
    EXPECT_EQ(zoomChanges, 1);
    EXPECT_EQ(double(Img->GetZoom()), 3.0);
    EXPECT_EQ(Img->GetPicBoxRect(), TRect(0, 0, 30, 30));
    Img->SetTiling(tRepeat);
    Show();
    const QImage shot = Shot();
    EXPECT_EQ(ClientPixel(shot, 14, 14), kRed);
    EXPECT_EQ(ClientPixel(shot, 15, 0), kBlue);
    EXPECT_EQ(ClientPixel(shot, 29, 29), kYellow);
    EXPECT_EQ(ClientPixel(shot, 31, 2), kRed);
    EXPECT_EQ(ClientPixel(shot, 89, 89), kYellow);  // tile (2, 2), picture (9, 9)
    EXPECT_EQ(ClientPixel(shot, 95, 95), kRed);     // tile (3, 3), picture (1, 1)
}

TEST_F(PGImageTest, APictureFittedToNothingIsNotTiled) {
    Img->SetPixelGraphic(Solid(3000, 1, kRed));
    Img->SetStretch(sAlwaysKAR);
    Img->SetTiling(tMirror);
    Show();
    EXPECT_EQ(Img->GetPicBoxRect().Height(), 0);
    const QImage shot = Shot();
    EXPECT_EQ(ClientPixel(shot, 50, 50), TColor(ColorToRGB(clBtnFace)));
}

TEST_F(PGImageTest, ScrollBarsFollowThePictureAndCentre) {
    Img->SetPixelGraphic(Solid(300, 300, kRed));
    EXPECT_FALSE(Img->GetHorzScrollBar()->isHidden());
    EXPECT_FALSE(Img->GetVertScrollBar()->isHidden());
    EXPECT_EQ(Img->GetClientRect(), TRect(0, 0, 80, 80));
    EXPECT_EQ(Img->GetHorzScrollBar()->maximum(), 220);
    Img->SetCenter(true);
    EXPECT_EQ(Img->GetHorzScrollBar()->value(), 110);
    EXPECT_EQ(Img->GetPicBoxRect(), TRect(-110, -110, 190, 190));
    // Only the bar the picture needs.
    Img->SetPixelGraphic(Solid(300, 50, kRed));
    EXPECT_FALSE(Img->GetHorzScrollBar()->isHidden());
    EXPECT_TRUE(Img->GetVertScrollBar()->isHidden());
    EXPECT_EQ(Img->GetClientRect(), TRect(0, 0, 96, 80));
    EXPECT_EQ(Img->GetPicBoxRect().Top, 15);
    Img->SetAutoScroll(false);
    EXPECT_TRUE(Img->GetHorzScrollBar()->isHidden());
    EXPECT_EQ(Img->GetClientRect(), TRect(0, 0, 96, 96));
}

TEST_F(PGImageTest, PanningMovesTheScrollPositions) {
    Img->SetPixelGraphic(Solid(300, 300, kRed));
    Show();
    QWidget* box = Img->GetPicBox();
    Press(box, QPoint(50, 50));
    EXPECT_EQ(Img->GetDragState(), dsPanning);
    MoveTo(box, QPoint(30, 40));
    EXPECT_EQ(Img->GetHorzScrollBar()->value(), 20);
    EXPECT_EQ(Img->GetVertScrollBar()->value(), 10);
    EXPECT_EQ(Img->GetPicBoxRect().TopLeft(), TPoint(-20, -10));
    // The box moved under the mouse: the same screen point is (50, 50) again.
    MoveTo(box, QPoint(45, 50));
    EXPECT_EQ(Img->GetHorzScrollBar()->value(), 25);
    EXPECT_EQ(Img->GetVertScrollBar()->value(), 10);
    Release(box, QPoint(45, 50));
    EXPECT_EQ(Img->GetDragState(), dsIdle);
    EXPECT_FALSE(Img->GetSelection());
}

TEST_F(PGImageTest, DraggingCreatesMovesAndResizesTheSelection) {
    Img->SetPixelGraphic(Solid(50, 50, kRed));
    Img->SetStretch(sZoomKAR);
    Img->SetZoomFactor(2);
    Img->SetActionMode(amCreateSelection);
    int made = 0, changes = 0;
    Img->OnSelectionMade = [&](QObject*) { ++made; };
    Img->OnSelectionChange = [&](QObject*) { ++changes; };
    std::vector<std::pair<int, int>> userDowns;
    Img->PicBoxOnMouseDown() = [&](QObject*, TMouseButton, TShiftState, int x, int y) { userDowns.emplace_back(x, y); };
    Show(200, 200);
    QWidget* box = Img->GetPicBox();

    Press(box, QPoint(20, 20));
    EXPECT_TRUE(Img->GetSelection());
    MoveTo(box, QPoint(41, 61));
    Release(box, QPoint(41, 61));
    EXPECT_EQ(Img->GetSelectionRect(), (TSelectionRect{10, 10, 11, 21}));
    EXPECT_EQ(made, 1);
    EXPECT_GE(changes, 2);
    EXPECT_EQ(userDowns, (std::vector<std::pair<int, int>>{{20, 20}}));

    // Moving by a point inside.
    Img->SetActionMode(amMoveResizeCreateSelection);
    Press(box, QPoint(30, 30));
    EXPECT_EQ(Img->GetDragState(), dsMovingSelection);
    MoveTo(box, QPoint(50, 40));
    Release(box, QPoint(50, 40));
    EXPECT_EQ(Img->GetSelectionRect(), (TSelectionRect{20, 15, 11, 21}));
    EXPECT_EQ(made, 2);

    // The bottom-right handle: frame (40, 30, 62, 72), handle (65, 75, 70, 80).
    EXPECT_EQ(Img->GetSelectionFrame(), TRect(40, 30, 62, 72));
    Press(box, QPoint(66, 76));
    EXPECT_EQ(Img->GetDragState(), dsHandleBottomRight);
    MoveTo(box, QPoint(80, 90));
    EXPECT_EQ(Img->GetSelectionRect(), (TSelectionRect{20, 15, 18, 28}));
    MoveTo(box, QPoint(0, 0));  // never below one pixel
    EXPECT_EQ(Img->GetSelectionRect(), (TSelectionRect{20, 15, 1, 1}));
    Release(box, QPoint(0, 0));
    EXPECT_EQ(made, 3);

    // The same value again is no change.
    changes = 0;
    Img->SetSelectionLeft(20);
    EXPECT_EQ(changes, 0);
    Img->SetSelection(false);
    EXPECT_EQ(changes, 1);
}

TEST_F(PGImageTest, MarchingAntsFrameTheSelection) {
    Img->SetPixelGraphic(Solid(50, 50, kGreen));
    Img->SetSelectionRect(10, 10, 20, 20);
    Img->SetSelection(true);
    Show();
    const QImage shot = Shot();
    std::set<TColor> frame;
    for (int k = 9; k <= 30; ++k)
        for (const TPoint& p : {TPoint(k, 9), TPoint(k, 30), TPoint(9, k), TPoint(30, k)})
            frame.insert(ClientPixel(shot, p.X, p.Y));
    EXPECT_EQ(frame, (std::set<TColor>{TColor(0xFFFFFF), TColor(0x0000FF)}));
    EXPECT_EQ(ClientPixel(shot, 10, 10), kGreen);  // inside stays the picture
    EXPECT_EQ(ClientPixel(shot, 8, 8), kGreen);
    const int phase = Img->GetMarchingPhase();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Img->GetMarchingPhase() != phase; }, 2000));
}

TEST_F(PGImageTest, DisplayCopyArrivesFromTheWorker) {
    Img->SetPixelGraphic(Gradient(40, 30));
    Img->SetStretch(sAlways);
    Img->SetStretchMode(smPrecise);
    int painting = 0, painted = 0;
    Img->OnPainting = [&](QObject*) { ++painting; };
    Img->OnPaint = [&](QObject*) { ++painted; };
    Show();
    ASSERT_TRUE(WaitForCopy());
    const TPixelGraphic* copy = Img->GetPaintPixelGraphic();
    EXPECT_EQ(copy->GetWidth(), 96);
    EXPECT_EQ(copy->GetHeight(), 96);
    EXPECT_EQ(copy->GetBitCount(), 24);
    const QImage shot = Shot();
    EXPECT_EQ(ClientPixel(shot, 70, 20), TColor(copy->GetPixelColor(70, 20)));
    EXPECT_GT(painting, 0);
    EXPECT_EQ(painting, painted);
    // A resize makes the copy stale: it is built again at the new size.
    Img->SetBounds(0, 0, 60, 50);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Img->GetPaintPixelGraphic() && Img->GetPaintPixelGraphic()->GetWidth() == 56; }, 5000));
}

TEST_F(PGImageTest, PendingCopyShowsFrameAndClocks) {
    Img->SetPixelGraphic(Gradient(900, 900));
    Img->SetStretch(sAlways);
    Img->SetStretchMode(smPrecise);
    Img->SetPicBoxFrameColor(kBlue);
    Show(200, 200);
    // Painted before the worker can have delivered.
    Img->SetBounds(0, 0, 150, 150);
    const QImage shot = Shot();
    ASSERT_EQ(Img->GetPaintPixelGraphic(), nullptr);
    EXPECT_EQ(ClientPixel(shot, 0, 70), kBlue);
    EXPECT_EQ(ClientPixel(shot, 145, 70), kBlue);
    EXPECT_EQ(ClientPixel(shot, 70, 30), TColor(ColorToRGB(clBtnFace)));
    // The centre clock's rim, drawn in the line colour, and its hands.
    EXPECT_EQ(ClientPixel(shot, 73, 66), TColor(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(ClientPixel(shot, 73, 70), TColor(ColorToRGB(clBtnShadow)));
    WaitForWorker();
}

TEST_F(PGImageTest, EightBitScreenAndReduceOnLoad) {
    SetDisplayBitsPerPixel(8);
    Img->SetPixelGraphic(Gradient(40, 30));
    Show();
    ASSERT_TRUE(WaitForCopy());
    EXPECT_EQ(Img->GetPaintPixelGraphic()->GetBitCount(), 8);
    EXPECT_EQ(Img->GetStageCount(), 2);

    // With reduce-on-load the reduced copy replaces the picture.
    // (Asking for the picture stops the worker, so the test waits for the
    // worker itself.)
    Img->SetReduceOnLoad(true);
    Img->SetPixelGraphic(Gradient(40, 30));
    ASSERT_TRUE(Img->CreatePaintPixelGraphic());
    WaitForWorker();
    QCoreApplication::sendPostedEvents(Img.get(), TPaintResultEvent::EventType);
    EXPECT_EQ(Img->GetPixelGraphic()->GetBitCount(), 8);
    EXPECT_EQ(Img->GetPaintPixelGraphic(), nullptr);
    EXPECT_FALSE(Img->CreatePaintPixelGraphic());  // drawn directly from now on
}

TEST_F(PGImageTest, AStaleResultIsDroppedUnread) {
    // A result posted just before its build is stopped must not replace the
    // picture that came after it.
    Img->SetReduceOnLoad(true);
    Img->SetStretch(sAlways);
    Img->SetStretchMode(smPrecise);
    Img->SetPixelGraphic(Gradient(40, 30));
    ASSERT_TRUE(Img->CreatePaintPixelGraphic());
    WaitForWorker();  // finished and posted, not yet received
    TPixelGraphic* next = new TPixelGraphic;
    next->SetSize(7, 5, 3);
    Img->SetPixelGraphic(next);
    QCoreApplication::sendPostedEvents(Img.get(), TPaintResultEvent::EventType);
    EXPECT_EQ(Img->GetPixelGraphic(), next);
    EXPECT_EQ(Img->GetPixelGraphic()->GetWidth(), 7);

    // Without reduce-on-load the stale copy is not shown either.
    Img->SetReduceOnLoad(false);
    ASSERT_TRUE(Img->CreatePaintPixelGraphic());
    WaitForWorker();
    Img->SetPixelGraphic(Gradient(40, 30));
    QCoreApplication::sendPostedEvents(Img.get(), TPaintResultEvent::EventType);
    EXPECT_EQ(Img->GetPaintPixelGraphic(), nullptr);
}

TEST_F(PGImageTest, DestroyedWhileBuilding) {
    Img->SetPixelGraphic(Gradient(1200, 1200));
    Img->SetStretch(sAlways);
    Img->SetStretchMode(smPrecise);
    ASSERT_TRUE(Img->CreatePaintPixelGraphic());
    EXPECT_TRUE(Img->IsBuilding());
    Img.reset();  // the sanitizer build reports anything left behind
    // A finished build whose result is still queued goes with the control.
    Img = std::make_unique<TPGImage>();
    Img->SetPixelGraphic(Gradient(40, 30));
    Img->SetStretch(sAlways);
    Img->SetStretchMode(smPrecise);
    ASSERT_TRUE(Img->CreatePaintPixelGraphic());
    WaitForWorker();
    Img.reset();
}

TEST_F(PGImageTest, WithoutThreadTheCopyIsBuiltAtOnce) {
    Img->SetUseThread(false);
    Img->SetPixelGraphic(Gradient(40, 30));
    Img->SetStretch(sAlways);
    Img->SetStretchMode(smMedium);
    EXPECT_TRUE(Img->CreatePaintPixelGraphic());
    ASSERT_NE(Img->GetPaintPixelGraphic(), nullptr);
    EXPECT_EQ(Img->GetPaintPixelGraphic()->GetWidth(), 96);
}

TEST_F(PGImageTest, SettingItsOwnPictureAgainKeepsIt) {
    Img->SetPixelGraphic(Solid(10, 10, kRed));
    TPixelGraphic* g = Img->GetPixelGraphic();
    int changes = 0;
    Img->OnPixelGraphicChange = [&](QObject*) { ++changes; };
    Img->SetPixelGraphic(g);
    EXPECT_EQ(Img->GetPixelGraphic(), g);
    EXPECT_EQ(g->GetPixel(3, 3), uint32_t(kRed));
    EXPECT_EQ(changes, 1);
    // Changing the picture runs the change handling.
    g->SetSize(20, 15, 3);
    EXPECT_EQ(Img->GetGraphicWidth(), 20);
    EXPECT_EQ(changes, 2);
    Img->SetPixelGraphic(nullptr);
    EXPECT_EQ(Img->GetGraphicWidth(), 0);
}

TEST_F(PGImageTest, AnAttachedPictureIsFollowedButNeverFreed) {
    auto owned = Solid(10, 10, kRed);
    int changes = 0;
    Img->OnPixelGraphicChange = [&](QObject*) { ++changes; };
    Img->AttachPixelGraphic(owned.get());
    EXPECT_TRUE(Img->IsPixelGraphicAttached());
    EXPECT_EQ(Img->GetPixelGraphic(), owned.get());
    owned->SetSize(30, 12, 3);  // the owner renders anew: the control follows
    EXPECT_EQ(Img->GetGraphicWidth(), 30);
    EXPECT_EQ(changes, 2);
    // Another picture replaces it without freeing it (ASan would report a
    // double free when `owned` goes), and the old one calls back no more.
    Img->SetPixelGraphic(Solid(5, 5, kBlue));
    EXPECT_FALSE(Img->IsPixelGraphicAttached());
    owned->SetSize(8, 8, 3);
    EXPECT_EQ(Img->GetGraphicWidth(), 5);
    EXPECT_EQ(changes, 3);
    Img->AttachPixelGraphic(owned.get());
    Img.reset();  // the control goes first; the picture stays usable
    owned->SetSize(4, 4, 3);
    EXPECT_EQ(owned->GetWidth(), 4);
}

TEST_F(PGImageTest, SaveAndLoadThroughTheControl) {
    const std::string dir = gwtest::TempDir("pgimage");
    EXPECT_THROW(Img->SaveToFile(dir + "/none.bmp"), EPGEmpty);
    Img->SetPixelGraphic(Quadrants(10));
    Img->SaveToFile(dir + "/q.bmp");
    EXPECT_EQ(Img->GetFileName(), dir + "/q.bmp");

    TPGImage other;
    other.SetShowHourGlass(false);
    other.SetFileName(dir + "/q.bmp");
    EXPECT_EQ(other.GetGraphicWidth(), 10);
    EXPECT_EQ(other.GetFileName(), dir + "/q.bmp");
    EXPECT_EQ(other.GetPixelGraphic()->ToQImage(), Img->GetPixelGraphic()->ToQImage());

    // Colons and backslashes are ordinary characters of a file name here.
    ASSERT_EQ(std::rename((dir + "/q.bmp").c_str(), (dir + "/c:\\").c_str()), 0);
    other.LoadFromFile(dir + "/c:\\");
    EXPECT_EQ(other.GetGraphicWidth(), 10);

    // A folder alone empties the control.
    other.LoadFromFile(dir + "/");
    EXPECT_EQ(other.GetPixelGraphic(), nullptr);
    EXPECT_EQ(other.GetFileName(), "");

    // A broken file leaves the control empty with no file name.
    other.LoadFromFile(dir + "/c:\\");
    gwtest::WriteFile(dir + "/broken.bmp", "BM this is no bitmap");
    EXPECT_THROW(other.LoadFromFile(dir + "/broken.bmp"), EPixelGraphic);
    EXPECT_EQ(other.GetPixelGraphic(), nullptr);
    EXPECT_EQ(other.GetGraphicWidth(), 0);
    EXPECT_EQ(other.GetFileName(), "");
}
