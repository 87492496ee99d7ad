#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QTest>

#include "widgets/kv_btns.h"
#include "widgets/widgets_support.h"

using wtest::PixelAt;
using wtest::SolidImage;
using wtest::THost;

namespace {
void Enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(w, &e);
}
void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}
}  // namespace

TEST(KVFace, LayoutOfTheFourGlyphPositions) {
    // Odd sizes everywhere, so that each "div" shows.
    auto f = KVFaceLayout(blGlyphLeft, 75, 25, 31, 13, 15, 15, 2, 4);
    EXPECT_EQ((std::vector<int>{f.TextX, f.TextY, f.GlyphX, f.GlyphY, f.MarkX, f.MarkY}),
              (std::vector<int>{31, 6, 14, 5, 64, 7}));
    f = KVFaceLayout(blGlyphRight, 75, 25, 31, 13, 15, 15, 2, 4);
    EXPECT_EQ((std::vector<int>{f.TextX, f.TextY, f.GlyphX, f.GlyphY, f.MarkX, f.MarkY}),
              (std::vector<int>{13, 6, 47, 5, 9, 7}));
    f = KVFaceLayout(blGlyphTop, 75, 25, 31, 13, 15, 15, 2, 4);
    EXPECT_EQ((std::vector<int>{f.TextX, f.TextY, f.GlyphX, f.GlyphY, f.MarkX, f.MarkY}),
              (std::vector<int>{18, 13, 30, -4, 53, 14}));
    f = KVFaceLayout(blGlyphBottom, 75, 25, 31, 13, 15, 15, 2, 4);
    EXPECT_EQ((std::vector<int>{f.TextX, f.TextY, f.GlyphX, f.GlyphY, f.MarkX, f.MarkY}),
              (std::vector<int>{18, -4, 30, 13, 53, -3}));
    // Without a drop-down reserve the top and bottom layouts centre the text.
    f = KVFaceLayout(blGlyphTop, 75, 25, 31, 13, 15, 15, 2, 0);
    EXPECT_EQ(f.TextX, 22);
    EXPECT_EQ(f.MarkX, 55);
}

TEST(KVBaseButton, GlyphCells) {
    TKV_Button b;
    b.SetGlyph(SolidImage(40, 16, clRed));
    EXPECT_EQ(b.GlyphCellCount(), 0);  // not a whole multiple: no count yet
    EXPECT_EQ(b.GlyphCellWidth(), 40);
    b.SetGlyph(SolidImage(48, 16, clRed));
    EXPECT_EQ(b.GlyphCellCount(), 3);
    EXPECT_EQ(b.GlyphCellWidth(), 16);
    b.SetGlyph(SolidImage(40, 16, clRed));
    EXPECT_EQ(b.GlyphCellCount(), 3);  // the previous count stays
    EXPECT_EQ(b.GlyphCellWidth(), 13);
    b.SetGlyph(SolidImage(16, 16, clRed));
    EXPECT_EQ(b.GlyphCellCount(), 1);
    b.SetGlyph(QImage());
    EXPECT_EQ(b.GlyphCellCount(), 0);
    EXPECT_EQ(b.GlyphCellWidth(), 0);
    EXPECT_TRUE(b.GetGlyph().isNull());
}

TEST(KVBaseButton, DownIsExclusiveAmongSiblingsOfAGroup) {
    QWidget form;
    QWidget panelA(&form), panelB(&form);
    TKV_Button a1(&panelA), a2(&panelA), a3(&panelA), b1(&panelB);
    for (TKV_Button* b : {&a1, &a2, &b1}) b->SetGroupIndex(3);
    a3.SetGroupIndex(4);

    a1.SetDown(true);
    a3.SetDown(true);
    b1.SetDown(true);
    EXPECT_TRUE(a1.GetDown());
    a2.SetDown(true);
    EXPECT_FALSE(a1.GetDown());
    EXPECT_TRUE(a2.GetDown());
    EXPECT_TRUE(a3.GetDown());  // another group
    EXPECT_TRUE(b1.GetDown());  // same group on another panel

    // Group 0 ignores Down; leaving a group puts a down button up.
    TKV_Button free(&panelA);
    free.SetDown(true);
    EXPECT_FALSE(free.GetDown());
    a2.SetGroupIndex(0);
    EXPECT_FALSE(a2.GetDown());
}

TEST(KVBaseButton, RecolouringGivesFourTonesOnACopy) {
    QImage glyph = SolidImage(5, 1, clFuchsia);
    glyph.setPixel(1, 0, qRgb(250, 250, 60));   // 560: white
    glyph.setPixel(2, 0, qRgb(100, 100, 101));  // 301: light
    glyph.setPixel(3, 0, qRgb(100, 100, 100));  // 300: shadow
    glyph.setPixel(4, 0, qRgb(50, 50, 50));     // 150: black
    const QImage original = glyph.copy();
    const QImage out = KVRecolorGlyph(glyph, clYellow, clNavy);
    EXPECT_EQ(glyph, original);
    EXPECT_EQ(PixelAt(out, 0, 0), clFuchsia);
    EXPECT_EQ(PixelAt(out, 1, 0), clWhite);
    EXPECT_EQ(PixelAt(out, 2, 0), clYellow);
    EXPECT_EQ(PixelAt(out, 3, 0), clNavy);
    EXPECT_EQ(PixelAt(out, 4, 0), clBlack);
    // Larger than 10000 pixels: left as it is.
    QImage big = SolidImage(101, 100, clFuchsia);
    big.setPixel(5, 5, qRgb(255, 255, 255));
    EXPECT_EQ(PixelAt(KVRecolorGlyph(big, clYellow, clNavy), 5, 5), clWhite);
    big.setPixel(5, 5, qRgb(100, 100, 100));
    EXPECT_EQ(PixelAt(KVRecolorGlyph(big, clYellow, clNavy), 5, 5), static_cast<TColor>(RGB(100, 100, 100)));
}

TEST(KVButtonPaint, EdgeFrameFaceAndFlatLook) {
    THost host(60, 40);
    auto* b = new TKV_Button(&host);
    b->SetBounds(10, 5, 30, 20);
    b->SetColor(clTeal);
    QImage img = host.Shot();
    // Raised edge: highlight top-left, dark shadow outside and shadow inside
    // on the bottom-right; the face in Color.
    EXPECT_EQ(PixelAt(img, 10, 5), clWhite);
    EXPECT_EQ(PixelAt(img, 39, 5), clBlack);
    EXPECT_EQ(PixelAt(img, 38, 6), clGray);
    EXPECT_EQ(PixelAt(img, 10, 24), clBlack);
    EXPECT_EQ(PixelAt(img, 20, 15), clTeal);
    EXPECT_EQ(PixelAt(img, 9, 5), clLime);

    // Sunken while down.
    b->SetGroupIndex(1);
    b->SetDown(true);
    img = host.Shot();
    EXPECT_EQ(PixelAt(img, 10, 5), clBlack);
    EXPECT_EQ(PixelAt(img, 11, 6), clGray);
    EXPECT_EQ(PixelAt(img, 39, 24), clWhite);
    b->SetDown(false);

    // Flat: no frame at rest, a Light/Shadow frame under the mouse.
    b->SetFlat(true);
    b->SetLightColor(clYellow);
    b->SetShadowColor(clMaroon);
    EXPECT_EQ(PixelAt(host.Shot(), 10, 5), clTeal);
    Enter(b);
    img = host.Shot();
    EXPECT_EQ(PixelAt(img, 10, 5), clYellow);
    EXPECT_EQ(PixelAt(img, 39, 24), clMaroon);
    Leave(b);
    EXPECT_FALSE(b->IsRaised());
    EXPECT_EQ(PixelAt(host.Shot(), 10, 5), clTeal);
}

TEST(KVButtonPaint, GlyphCellsByStateAndGreyedWhenFlatAtRest) {
    THost host(40, 40);
    auto* b = new TKV_Button(&host);
    b->SetBounds(0, 0, 40, 40);
    // Three 8 x 8 cells: red, blue, green, with a fuchsia key in the corners.
    QImage glyph = SolidImage(24, 8, clRed);
    for (int y = 0; y < 8; ++y)
        for (int x = 8; x < 24; ++x) glyph.setPixel(x, y, x < 16 ? qRgb(0, 0, 255) : qRgb(0, 255, 0));
    for (int c = 0; c < 3; ++c) {
        glyph.setPixel(c * 8, 0, qRgb(255, 0, 255));
        glyph.setPixel(c * 8, 7, qRgb(255, 0, 255));
    }
    b->SetGlyph(glyph);
    // No caption: glyph left of centre by the spacing, vertically centred.
    const auto f = KVFaceLayout(blGlyphLeft, 40, 40, 0, QFontMetrics(b->font()).height(), 8, 8, 1, 0);
    const int gx = f.GlyphX + 4, gy = f.GlyphY + 4;
    EXPECT_EQ(PixelAt(host.Shot(), gx, gy), clRed);
    // The key colour (bottom-left pixel) shows the face below.
    EXPECT_EQ(PixelAt(host.Shot(), f.GlyphX, f.GlyphY + 7), static_cast<TColor>(ColorToRGB(clBtnFace)));

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(b->PressedState(), 2);
    EXPECT_EQ(PixelAt(host.Shot(), gx, gy), clLime);  // third cell while pressed
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(b->PressedState(), 0);

    b->SetEnabled(false);
    EXPECT_EQ(PixelAt(host.Shot(), gx, gy), clBlue);  // second cell when disabled
    b->SetEnabled(true);

    // Flat at rest with GrayedInactive: red (sum 255) becomes the shadow tone.
    b->SetFlat(true);
    b->SetShadowColor(clPurple);
    EXPECT_EQ(PixelAt(host.Shot(), gx, gy), clPurple);
    b->SetGrayedInactive(false);
    EXPECT_EQ(PixelAt(host.Shot(), gx, gy), clRed);
    EXPECT_EQ(PixelAt(b->GetGlyph(), 4, 4), clRed);  // the stored glyph is untouched
}

TEST(KVButtonEvents, ClickDropDownMenuAndAccelerator) {
    THost host(100, 50);
    auto* b = new TKV_Button(&host);
    b->SetBounds(0, 0, 60, 25);
    host.show();
    int clicks = 0;
    b->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b->GetDown());  // clicking never sets Down

    // The menu reference is dropped when the menu goes away.
    auto* menu = new QMenu(&host);
    b->SetDropDownMenu(menu);
    EXPECT_EQ(b->GetDropDownMenu(), menu);
    delete menu;
    EXPECT_EQ(b->GetDropDownMenu(), nullptr);

    // Alt + the accelerator clicks the button once.
    b->SetCaption(QStringLiteral("&Go"));
    QApplication::setActiveWindow(&host);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    QTest::keyClick(host.windowHandle(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 2);
    b->SetEnabled(false);
    QTest::keyClick(host.windowHandle(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 2);
}

TEST(KVButtonPaint, OwnerDrawAndTransparentStyles) {
    THost host(30, 20);
    auto* b = new TKV_Button(&host);
    b->SetBounds(0, 0, 30, 20);
    b->SetStyle(kvsOwnerdraw);
    TRect seen;
    b->OnDraw = [&](QPainter& canvas, const TRect& r, bool& drawFace, bool down) {
        EXPECT_TRUE(drawFace);
        EXPECT_FALSE(down);
        seen = r;
        FillRect(canvas, r, clNavy);
        drawFace = false;
    };
    QImage img = host.Shot();
    EXPECT_EQ(seen, TRect(0, 0, 30, 20));
    EXPECT_EQ(PixelAt(img, 0, 0), clNavy);  // no frame over it
    EXPECT_EQ(PixelAt(img, 29, 19), clNavy);

    // Transparent: the host shows inside the frame.
    b->SetStyle(kvsTransparent);
    img = host.Shot();
    EXPECT_EQ(PixelAt(img, 15, 10), clLime);
    EXPECT_EQ(PixelAt(img, 0, 0), clWhite);
}

TEST(KVGradientButton, LinesRoundHalvesToEvenAndEmptyButtons) {
    EXPECT_EQ(KVGradientLineColor(clBlack, clWhite, 10, 5), static_cast<TColor>(RGB(128, 128, 128)));  // 127.5
    EXPECT_EQ(KVGradientLineColor(clBlack, clWhite, 10, 3), static_cast<TColor>(RGB(76, 76, 76)));     // 76.5
    EXPECT_EQ(KVGradientLineColor(clRed, clBlue, 0, 0), clRed);

    THost host(12, 8);
    auto* b = new TKV_GradientButton(&host);
    b->SetBounds(0, 0, 10, 8);
    b->SetLightColor(clBlack);
    b->SetShadowColor(clWhite);
    QImage img = host.Shot();
    EXPECT_EQ(PixelAt(img, 3, 4), static_cast<TColor>(RGB(76, 76, 76)));
    EXPECT_EQ(PixelAt(img, 5, 4), static_cast<TColor>(RGB(128, 128, 128)));
    b->SetVertical(true);  // now rows: n = 8
    img = host.Shot();
    EXPECT_EQ(PixelAt(img, 4, 4), static_cast<TColor>(RGB(128, 128, 128)));
    EXPECT_EQ(PixelAt(img, 4, 3), PixelAt(img, 6, 3));

    // Empty buttons paint without dividing by their size.
    b->SetBounds(0, 0, 0, 8);
    host.Shot();
    b->SetBounds(0, 0, 10, 0);
    b->SetVertical(false);
    host.Shot();
}

TEST(KVImageButton, PicksItsImageByState) {
    THost host(20, 20);
    auto* b = new TKV_ImageButton(&host);
    b->SetBounds(0, 0, 20, 20);
    b->SetBevelWidth(0);
    QImage up = SolidImage(10, 10, clRed);
    up.setPixel(0, 0, qRgb(255, 255, 255));  // the transparent colour
    b->SetUpImage(up);
    EXPECT_FALSE(b->GetDownImage().isNull());  // copies of the up image
    EXPECT_FALSE(b->GetMouseOverImage().isNull());
    b->SetMouseOverImage(SolidImage(10, 10, clBlue));
    QImage img = host.Shot();
    EXPECT_EQ(PixelAt(img, 10, 10), clRed);  // stretched over the button
    EXPECT_EQ(PixelAt(img, 0, 0), clLime);   // transparent pixel
    Enter(b);
    EXPECT_TRUE(b->IsMouseOver());
    EXPECT_EQ(PixelAt(host.Shot(), 10, 10), clBlue);
    Leave(b);

    b->SetTransparent(false);
    b->SetStretch(false);
    b->SetDownImage(SolidImage(10, 10, clGreen));
    b->SetGroupIndex(2);
    b->SetDown(true);  // opaque images follow Down as well
    img = host.Shot();
    EXPECT_EQ(PixelAt(img, 5, 5), clGreen);
    EXPECT_EQ(PixelAt(img, 15, 15), clLime);  // the parent's colour
}
