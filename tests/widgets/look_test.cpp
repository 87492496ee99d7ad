// One look for every form: the application's palette is the system colour
// table, and standard Qt controls share the owner-drawn controls' face and
// frame colours.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <set>

#include "platform/Paint.h"
#include "platform/Style.h"
#include "widgets/kv_btns.h"

namespace {

TColor Rgb(TColor c) { return static_cast<TColor>(ColorToRGB(c)); }
QImage Shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// The colours of the outer two rings of a control.
std::set<TColor> FrameColors(const QImage& img) {
    std::set<TColor> colors;
    const int w = img.width(), h = img.height();
    for (int ring = 0; ring < 2; ++ring) {
        for (int x = ring; x < w - ring; ++x) {
            colors.insert(ImagePixelColor(img, x, ring));
            colors.insert(ImagePixelColor(img, x, h - 1 - ring));
        }
        for (int y = ring; y < h - ring; ++y) {
            colors.insert(ImagePixelColor(img, ring, y));
            colors.insert(ImagePixelColor(img, w - 1 - ring, y));
        }
    }
    return colors;
}

}  // namespace

TEST(Look, ApplicationPaletteIsTheSystemColourTable) {
    const QPalette pal = QApplication::palette();
    const struct {
        QPalette::ColorRole role;
        TColor color;
    } roles[] = {
        {QPalette::Window, clBtnFace},
        {QPalette::WindowText, clWindowText},
        {QPalette::Base, clWindow},
        {QPalette::Text, clWindowText},
        {QPalette::Button, clBtnFace},
        {QPalette::ButtonText, clBtnText},
        {QPalette::Light, clBtnHighlight},
        {QPalette::Midlight, cl3DLight},
        {QPalette::Dark, clBtnShadow},
        {QPalette::Shadow, cl3DDkShadow},
        {QPalette::Highlight, clHighlight},
        {QPalette::HighlightedText, clHighlightText},
        {QPalette::ToolTipBase, clInfoBk},
        {QPalette::ToolTipText, clInfoText},
        {QPalette::PlaceholderText, clGrayText},
    };
    for (const auto& r : roles)
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
            EXPECT_EQ(FromQColor(pal.color(g, r.role)), Rgb(r.color)) << r.role;
    // Disabled text is the system's grey, disabled edits show the face.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        EXPECT_EQ(FromQColor(pal.color(QPalette::Disabled, role)), Rgb(clGrayText)) << role;
    EXPECT_EQ(FromQColor(pal.color(QPalette::Disabled, QPalette::Base)), Rgb(clBtnFace));
    EXPECT_EQ(pal, SystemColorPalette());
    // The face is the classic silver.
    EXPECT_EQ(Rgb(clBtnFace), static_cast<TColor>(0xC0C0C0));

    // Fusion underneath, whatever the desktop.
    const QStyle* style = QApplication::style();
    const auto* proxy = qobject_cast<const QProxyStyle*>(style);
    const QString base = proxy ? proxy->baseStyle()->name() : style->name();
    EXPECT_EQ(base.toLower(), QStringLiteral("fusion"));
}

TEST(Look, StandardControlsShareFaceAndFrameWithOurs) {
    QWidget form;
    auto* row = new QHBoxLayout(&form);
    auto* edit = new QLineEdit(QStringLiteral("Edit"));
    auto* combo = new QComboBox;
    combo->addItem(QStringLiteral("Combo"));
    auto* push = new QPushButton(QStringLiteral("Push"));
    auto* ours = new TKV_Button;
    ours->SetCaption(QStringLiteral("Push"));
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(combo), static_cast<QWidget*>(push),
                       static_cast<QWidget*>(ours)})
        row->addWidget(w);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    edit->setFocus();
    QApplication::processEvents();

    // The push buttons at one size: the same face and the same frame,
    // pixel for pixel.
    push->setFixedSize(75, 25);
    ours->setFixedSize(75, 25);
    QApplication::processEvents();
    const QImage a = Shot(push), b = Shot(ours);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 75; ++x) {
            if (x >= 2 && x < 73 && y >= 2 && y < 23) continue;
            EXPECT_EQ(ImagePixelColor(a, x, y), ImagePixelColor(b, x, y)) << x << "," << y;
        }
    EXPECT_EQ(ImagePixelColor(a, 4, 12), Rgb(clBtnFace));
    EXPECT_EQ(ImagePixelColor(b, 4, 12), Rgb(clBtnFace));

    // The sunken frames of the edit and the combo box: the same four
    // colours of the 3-D edges; no other outline, no focus ring.
    const std::set<TColor> sunken = {Rgb(clBtnShadow), Rgb(clBtnHighlight), Rgb(cl3DDkShadow), Rgb(cl3DLight)};
    const QImage e = Shot(edit), c = Shot(combo);
    ASSERT_TRUE(edit->hasFocus());
    EXPECT_EQ(FrameColors(e), sunken);
    EXPECT_EQ(FrameColors(c), sunken);
    EXPECT_EQ(ImagePixelColor(e, 0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(ImagePixelColor(e, 1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(ImagePixelColor(e, e.width() - 1, e.height() - 1), Rgb(clBtnHighlight));
    EXPECT_EQ(ImagePixelColor(c, 0, 0), Rgb(clBtnShadow));
    // The combo box's arrow button is a push button's face and frame.
    const int ax = c.width() - 3 - 8, ay = 4;
    EXPECT_EQ(ImagePixelColor(c, ax, ay), Rgb(clBtnFace));
    EXPECT_EQ(ImagePixelColor(c, c.width() - 3, c.height() / 2), Rgb(cl3DDkShadow));
    // The line edit's inside is the window colour.
    EXPECT_EQ(ImagePixelColor(e, e.width() - 4, e.height() / 2), Rgb(clWindow));
    // The buttons' rings hold the edges' colours and the face (inside the
    // highlight, top and left), nothing else.
    std::set<TColor> raised = sunken;
    raised.insert(Rgb(clBtnFace));
    for (TColor color : FrameColors(b)) EXPECT_TRUE(raised.count(color)) << std::hex << color;
}
