#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QTest>

#include "menus97/Edit97.h"
#include "platform/Paint.h"

namespace {

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QApplication::sendEvent(w, &e);
}

void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

const TColor kFace = static_cast<TColor>(ColorToRGB(clBtnFace));
const TColor kWindow = static_cast<TColor>(ColorToRGB(clWindow));
const TColor kShadow = static_cast<TColor>(ColorToRGB(clBtnShadow));
const TColor kLight = static_cast<TColor>(ColorToRGB(clBtnHighlight));

// The colours of the three rings, read at the middle of the left side, and
// of the outer ring's top and bottom.
struct Rings {
    TColor outerLeft, outerTop, outerBottom, middle, inner, inside;
};
Rings RingsOf(TEdit97& e) {
    const QImage img = e.grab().toImage();
    const int y = e.height() / 2, x = e.width() / 2;
    return {ImagePixelColor(img, 0, y), ImagePixelColor(img, x, 0), ImagePixelColor(img, x, e.height() - 1),
            ImagePixelColor(img, 1, y), ImagePixelColor(img, 2, y), ImagePixelColor(img, 3, y)};
}
bool IsFlat(const Rings& r) {
    return r.outerLeft == kFace && r.outerTop == kFace && r.outerBottom == kFace && r.middle == kFace &&
           r.inner == kWindow;
}
bool IsHot(const Rings& r) {
    return r.outerLeft == kShadow && r.outerTop == kShadow && r.outerBottom == kLight && r.middle == kFace &&
           r.inner == kWindow;
}

class CountingEdit : public TEdit97 {
public:
    using TEdit97::TEdit97;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TEdit97::paintEvent(event);
    }
};

}  // namespace

TEST(Edit97, BorderArithmetic) {
    EXPECT_TRUE(Edit97IsHot(true, false, false));
    EXPECT_TRUE(Edit97IsHot(true, true, true));  // focused: whatever else
    EXPECT_TRUE(Edit97IsHot(false, true, false));
    EXPECT_FALSE(Edit97IsHot(false, true, true));
    EXPECT_FALSE(Edit97IsHot(false, false, false));
    EXPECT_EQ(Edit97Height(13), 19);
}

TEST(Edit97, HeightFollowsTheFont) {
    TEdit97 e;
    EXPECT_EQ(e.height(), 19);
    QFont f = e.font();
    f.setPixelSize(20);
    e.setFont(f);
    EXPECT_EQ(e.height(), QFontMetrics(f, &e).height() + 6);
    e.resize(e.width(), 40);
    e.Loaded();
    EXPECT_EQ(e.height(), QFontMetrics(f, &e).height() + 6);
}

TEST(Edit97, BackgroundFollowsEnabled) {
    TEdit97 e;
    EXPECT_EQ(RingsOf(e).inside, kWindow);
    e.setEnabled(false);
    EXPECT_EQ(e.GetColor(), clBtnFace);
    EXPECT_EQ(RingsOf(e).inside, kFace);
    EXPECT_TRUE(IsFlat(RingsOf(e)));
    e.setEnabled(true);
    EXPECT_EQ(RingsOf(e).inside, kWindow);
}

TEST(Edit97, DisabledTextIsGreyOnTheFace) {
    TEdit97 e;
    e.resize(120, e.height());
    e.SetText(QStringLiteral("HIH ||| HIH"));
    e.setEnabled(false);
    const QImage img = e.grab().toImage();
    // The darkest ink is the system's grey text, well apart from the face.
    int darkest = 255, inked = 0;
    for (int y = 3; y < e.height() - 3; ++y)
        for (int x = 3; x < e.width() - 3; ++x) {
            const int g = GetGValue(ImagePixelColor(img, x, y));
            darkest = std::min(darkest, g);
            inked += g < 0xA0;
        }
    EXPECT_EQ(darkest, GetGValue(ColorToRGB(clGrayText)));
    EXPECT_GT(inked, 20);
    EXPECT_EQ(e.palette().color(QPalette::Disabled, QPalette::Text), ToQColor(clGrayText));
}

TEST(Edit97, KeepsItsOwnHeightInALayout) {
    QWidget form;
    auto* layout = new QFormLayout(&form);
    auto* edit = new TEdit97;
    auto* plain = new QLineEdit;
    layout->addRow(QStringLiteral("Edit97"), edit);
    layout->addRow(QStringLiteral("QLineEdit"), plain);
    form.show();
    QApplication::processEvents();
    const int rule = QFontMetrics(edit->font(), edit).height() + 6;
    EXPECT_EQ(edit->height(), rule);
    EXPECT_EQ(edit->sizeHint().height(), rule);
    EXPECT_EQ(edit->minimumSizeHint().height(), rule);
    EXPECT_EQ(edit->width(), plain->width());
    QFont f = form.font();
    f.setPixelSize(24);
    form.setFont(f);
    QApplication::processEvents();
    EXPECT_EQ(edit->height(), QFontMetrics(f, edit).height() + 6);
}

TEST(Edit97, HotUnderTheMouseAndWhileFocused) {
    QWidget form;
    form.resize(300, 100);
    auto* a = new TEdit97(&form);
    auto* b = new CountingEdit(&form);
    auto* plain = new QLineEdit(&form);
    // Away from the pointer, which rests at the screen's origin.
    a->move(20, 5);
    b->move(20, 30);
    plain->move(20, 60);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    plain->setFocus();

    EXPECT_TRUE(IsFlat(RingsOf(*a)));
    Enter(a);
    EXPECT_TRUE(IsHot(RingsOf(*a)));
    Leave(a);
    EXPECT_TRUE(IsFlat(RingsOf(*a)));

    a->setFocus();
    ASSERT_TRUE(a->hasFocus());
    EXPECT_TRUE(IsHot(RingsOf(*a)));
    Enter(a);
    Leave(a);
    EXPECT_TRUE(IsHot(RingsOf(*a)));  // a focused edit keeps it

    // With the focus in one edit, hovering another leaves it flat.
    Enter(b);
    EXPECT_TRUE(b->MouseIn());
    EXPECT_TRUE(IsFlat(RingsOf(*b)));

    // A focus change anywhere repaints the hovered edit, which turns hot.
    QApplication::processEvents();
    b->paints = 0;
    plain->setFocus();
    QApplication::processEvents();
    EXPECT_GT(b->paints, 0);
    EXPECT_TRUE(IsHot(RingsOf(*b)));
    EXPECT_TRUE(IsFlat(RingsOf(*a)));
}

TEST(Edit97, OnChangeForEveryTextChange) {
    TEdit97 e;
    std::vector<QString> seen;
    e.OnChange = [&](QObject*) { seen.push_back(e.GetText()); };
    e.SetText("12");
    QTest::keyClicks(&e, "3");
    e.SetText("12");
    e.SetText("12");
    EXPECT_EQ(seen, (std::vector<QString>{"12", "123", "12"}));

    e.SetCharCase(ecUpperCase);
    seen.clear();
    e.SetText("abc");
    EXPECT_EQ(e.GetText(), "ABC");
    EXPECT_EQ(seen.back(), "ABC");
    e.SetMaxLength(2);
    e.SetText("wxyz");
    EXPECT_EQ(e.GetText(), "WX");
}
