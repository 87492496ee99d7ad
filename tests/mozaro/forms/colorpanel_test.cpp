#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "image/PGFormats.h"
#include "mozaro/forms/ColorPanel.h"
#include "mozaro/forms/form_support.h"
#include "platform/MessageBox.h"

namespace {
TColor At(const QImage& img, int x, int y) { return ImagePixelColor(img, x, y); }
QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Counts its paints.
class TCountingPanel : public TColorPanel {
public:
    using TColorPanel::TColorPanel;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++Paints;
        TColorPanel::paintEvent(e);
    }
};
}  // namespace

TEST(ColorPanel, ShadesOfTheResolvedColour) {
    // clBtnFace resolves to (192, 192, 192): +64 clamps at 255, -64 is 128.
    EXPECT_EQ(TColorPanel::LightShade(clBtnFace), TColor(0xFFFFFF));
    EXPECT_EQ(TColorPanel::DarkShade(clBtnFace), TColor(0x808080));
    EXPECT_EQ(TColorPanel::LightShade(clRed), TColor(0x4040FF));  // (255, 64, 64)
    EXPECT_EQ(TColorPanel::DarkShade(clRed), TColor(0x0000BF));   // (191, 0, 0)
    EXPECT_EQ(TColorPanel::LightShade(TColor(0x102030)), TColor(0x506070));
    EXPECT_EQ(TColorPanel::DarkShade(TColor(0x102030)), TColor(0x000000));
}

TEST(ColorPanel, BevelPixels) {
    TColorPanel panel;
    panel.resize(40, 30);
    EXPECT_EQ(panel.GetCaption(), QString());
    panel.SetColor(clBtnFace);
    // Raised outer bevel of 1: light top and left, dark bottom and right.
    QImage img = Shot(panel);
    EXPECT_EQ(At(img, 0, 0), TColor(0xFFFFFF));
    EXPECT_EQ(At(img, 20, 0), TColor(0xFFFFFF));
    EXPECT_EQ(At(img, 0, 15), TColor(0xFFFFFF));
    EXPECT_EQ(At(img, 39, 15), TColor(0x808080));
    EXPECT_EQ(At(img, 20, 29), TColor(0x808080));
    EXPECT_EQ(At(img, 39, 29), TColor(0x808080));
    EXPECT_EQ(At(img, 20, 15), TColor(0xC0C0C0));

    // Red with the notice's look: no outer bevel, border 2, lowered inner
    // bevel of 3 (dark top and left, light bottom and right).
    panel.SetColor(clRed);
    panel.SetBevelOuter(bvNone);
    panel.SetBorderWidth(2);
    panel.SetBevelInner(bvLowered);
    panel.SetBevelWidth(3);
    img = Shot(panel);
    EXPECT_EQ(At(img, 0, 0), clRed);  // border
    EXPECT_EQ(At(img, 1, 15), clRed);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(At(img, i, 15), TColor(0x0000BF)) << i;
        EXPECT_EQ(At(img, 20, i), TColor(0x0000BF)) << i;
        EXPECT_EQ(At(img, 39 - i, 15), TColor(0x4040FF)) << i;
        EXPECT_EQ(At(img, 20, 29 - i), TColor(0x4040FF)) << i;
    }
    EXPECT_EQ(At(img, 5, 15), clRed);
    EXPECT_EQ(At(img, 34, 15), clRed);
}

TEST(ColorPanel, CaptionCentredByTheHeightOfW) {
    TColorPanel panel;
    panel.resize(200, 60);
    panel.SetColor(clWhite);
    SetFontColor(&panel, clBlack);
    panel.SetCaption(QStringLiteral("W\tW"));
    const QImage img = Shot(panel);
    int top = -1, bottom = -1, left = 1000, right = -1;
    for (int y = 2; y < 58; ++y)
        for (int x = 2; x < 198; ++x)
            if (At(img, x, y) != clWhite) {
                if (top < 0) top = y;
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(top, 0);
    const int h = QFontMetrics(panel.font()).height();
    const int rowTop = (1 + 59 - h) / 2;
    EXPECT_GE(top, rowTop);
    EXPECT_LE(bottom, rowTop + h);
    // Centred horizontally; the tab spreads the two letters apart.
    EXPECT_NEAR((left + right) / 2.0, 100, 3);
    EXPECT_GT(right - left, 3 * QFontMetrics(panel.font()).horizontalAdvance('W'));
}

TEST(ColorPanel, TakesTheColourOfItsFormOrColourPanel) {
    QWidget form;
    QPalette pal = form.palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    form.setPalette(pal);
    QWidget inner(&form);
    auto* onForm = new TColorPanel(&form);
    EXPECT_EQ(onForm->GetColor(), TColor(0x1E140A));
    // A control's owner is its form, whatever lies between.
    auto* nested = new TColorPanel(&inner);
    EXPECT_EQ(nested->GetColor(), TColor(0x1E140A));
    onForm->SetColor(clTeal);
    auto* onPanel = new TColorPanel(onForm);
    EXPECT_EQ(onPanel->GetColor(), clTeal);
    TColorPanel alone;
    EXPECT_EQ(alone.GetColor(), clBtnFace);
    EXPECT_FALSE(alone.GetTransparent());
}

TEST(ColorPanel, ShowNowPaintsWithoutEventProcessing) {
    QWidget form;
    form.resize(300, 200);
    auto* panel = new TCountingPanel(&form);
    panel->setGeometry(20, 20, 200, 50);
    panel->hide();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    panel->Paints = 0;
    panel->ShowNow();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_GE(panel->Paints, 1);
}

// The main form's notice: hidden, and framed by a raised outer and a lowered
// inner bevel, each 3 pixels wide, in shades of its colour.
TEST(ColorPanel, TheMainFormsNotice) {
    InitPixelGraphicLibrary();
    auto form = mozaro::CreateForms(mztest::QuickStart());
    ASSERT_TRUE(form);
    TColorPanel* panel = form->ColorPanel1;
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(panel->GetCaption(), "Parsing file... Please be patient :-)");
    EXPECT_EQ(panel->GetBevelOuter(), bvRaised);
    EXPECT_EQ(panel->GetBevelInner(), bvLowered);
    EXPECT_EQ(panel->GetBevelWidth(), 3);
    EXPECT_EQ(panel->GetBorderWidth(), 0);

    const uint32_t rgb = ColorToRGB(panel->GetColor());
    auto shift = [](uint32_t c, int by) {
        auto ch = [&](int v) { return std::clamp(v + by, 0, 255); };
        return TColor(RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c))));
    };
    const TColor face = TColor(rgb), light = shift(rgb, 64), dark = shift(rgb, -64);
    ASSERT_NE(light, dark);
    const QImage img = Shot(*panel);
    const int w = img.width(), h = img.height(), midX = w / 2, midY = h / 2;
    for (int i = 0; i < 3; ++i) {
        // Outer, raised: light top and left, dark bottom and right.
        EXPECT_EQ(At(img, midX, i), light) << i;
        EXPECT_EQ(At(img, i, midY), light) << i;
        EXPECT_EQ(At(img, midX, h - 1 - i), dark) << i;
        EXPECT_EQ(At(img, w - 1 - i, midY), dark) << i;
        // Inner, lowered: dark top and left, light bottom and right.
        EXPECT_EQ(At(img, midX, 3 + i), dark) << i;
        EXPECT_EQ(At(img, 3 + i, midY), dark) << i;
        EXPECT_EQ(At(img, midX, h - 4 - i), light) << i;
        EXPECT_EQ(At(img, w - 4 - i, midY), light) << i;
    }
    EXPECT_EQ(At(img, 6, 6), face);
    EXPECT_EQ(At(img, w - 7, h - 7), face);
}
