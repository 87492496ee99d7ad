#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QTest>
#include <QVBoxLayout>

#include "image/PGControls.h"
#include "platform/Paint.h"

namespace {
// A host window of a known colour, rendered with its children.
struct Host : QWidget {
    explicit Host(int w = 120, int h = 80) {
        resize(w, h);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, ToQColor(clLime));
        setPalette(pal);
    }
    QImage Shot() { return grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Records the regions a widget is asked to paint.
struct PaintRecorder : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};
}  // namespace

TEST(PGControls, WhichCountAsTransparent) {
    QWidget plain;
    TPGLabel label;
    TPGRadioButton radio;
    TPGCheckBox check;
    TPGGroupBox group;
    TPGPanel panel;
    TPGBevel bevel;
    for (QWidget* w : std::initializer_list<QWidget*>{&label, &radio, &check, &group, &panel, &bevel})
        EXPECT_TRUE(IsTransparentPGControl(w)) << w->metaObject()->className();
    EXPECT_FALSE(IsTransparentPGControl(&plain));
    EXPECT_FALSE(IsTransparentPGControl(nullptr));
    check.SetTransparent(false);
    panel.SetTransparent(false);
    label.SetTransparent(false);
    EXPECT_FALSE(IsTransparentPGControl(&check));
    EXPECT_FALSE(IsTransparentPGControl(&panel));
    EXPECT_FALSE(IsTransparentPGControl(&label));
}

TEST(PGControls, ALabelInATransparentPanelRepaintsThePanel) {
    Host host;
    auto* panel = new TPGPanel(&host);
    panel->setGeometry(10, 10, 100, 60);
    auto* label = new TPGLabel(panel);
    label->setGeometry(5, 5, 30, 15);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    PaintRecorder rec;
    panel->installEventFilter(&rec);

    QApplication::processEvents();
    rec.painted = QRegion();
    label->SetCaption(QStringLiteral("x"));
    QTRY_VERIFY(!rec.painted.isEmpty());
    EXPECT_TRUE(rec.painted.contains(panel->rect())) << "the whole panel";

    // Inside an opaque panel only the label's own area is repainted.
    panel->SetTransparent(false);
    QApplication::processEvents();
    rec.painted = QRegion();
    label->SetCaption(QStringLiteral("y"));
    QTRY_VERIFY(!rec.painted.isEmpty());
    EXPECT_FALSE(rec.painted.contains(QRect(60, 40, 5, 5)));
    EXPECT_TRUE(rec.painted.contains(label->geometry()));
}

TEST(PGControls, OpaqueCheckBoxHasItsColour) {
    Host host;
    auto* check = new TPGCheckBox(&host);
    check->setGeometry(0, 0, 100, 30);
    check->SetCaption(QStringLiteral("A"));
    const QPoint corner(99, 29);
    EXPECT_EQ(ImagePixelColor(host.Shot(), corner.x(), corner.y()), clLime);
    check->SetColor(clRed);
    check->SetTransparent(false);
    EXPECT_EQ(ImagePixelColor(host.Shot(), corner.x(), corner.y()), clRed);
}

TEST(PGControls, GroupBoxFrameAndCaptionGap) {
    Host host(100, 60);
    auto* box = new TPGGroupBox(&host);
    box->setGeometry(0, 0, 100, 60);
    const int h = QFontMetrics(box->font()).height();
    const int top = h / 2 - 1;
    QImage img = host.Shot();
    // 3-D frame: shadow at its place, highlight one pixel right and down.
    EXPECT_EQ(ImagePixelColor(img, 50, top), clGray);
    EXPECT_EQ(ImagePixelColor(img, 50, top + 1), clWhite);
    EXPECT_EQ(ImagePixelColor(img, 0, 40), clGray);
    EXPECT_EQ(ImagePixelColor(img, 99, 40), clWhite);
    EXPECT_EQ(ImagePixelColor(img, 50, 30), clLime);  // transparent inside

    // The caption interrupts the frame line; opaque boxes fill with Color.
    box->SetCaption(QStringLiteral("WWWW"));
    box->SetTransparent(false);
    box->SetColor(clYellow);
    img = host.Shot();
    EXPECT_NE(ImagePixelColor(img, 12, top), clGray);
    EXPECT_EQ(ImagePixelColor(img, 90, top), clGray);
    EXPECT_EQ(ImagePixelColor(img, 50, 30), clYellow);
    box->SetCtl3D(false);
    EXPECT_EQ(ImagePixelColor(host.Shot(), 90, top), clBlack);
}

TEST(PGControls, OpaqueGroupBoxFillsTheColumnsBesideItsCaption) {
    Host host(100, 60);
    auto* box = new TPGGroupBox(&host);
    box->setGeometry(0, 0, 100, 60);
    box->SetCaption(QStringLiteral("Wood"));
    box->SetTransparent(false);
    box->SetColor(clYellow);
    const QFontMetrics fm(box->font(), box);
    const int h = fm.height(), right = 8 + fm.horizontalAdvance(QStringLiteral("Wood"));
    const QImage img = host.Shot();
    // The frame stops a pixel before and after the caption; those columns
    // show the colour all the way down the caption's rows.
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(ImagePixelColor(img, 7, y), clYellow) << y;
        EXPECT_EQ(ImagePixelColor(img, right, y), clYellow) << y;
    }
    EXPECT_EQ(ImagePixelColor(img, 6, h / 2 - 1), clGray);
    EXPECT_EQ(ImagePixelColor(img, right + 1, h / 2 - 1), clGray);
}

TEST(PGControls, GroupBoxAndPanelHoldALayout) {
    QWidget form;
    auto* outer = new QVBoxLayout(&form);
    auto* box = new TPGGroupBox;
    box->SetCaption(QStringLiteral("A rather long caption"));
    auto* inside = new QVBoxLayout(box);
    auto* child = new TPGCheckBox;
    child->SetCaption(QStringLiteral("Inside"));
    inside->addWidget(child);
    auto* panel = new TPGPanel;
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);
    auto* inPanel = new QVBoxLayout(panel);
    auto* label = new TPGLabel;
    label->SetCaption(QStringLiteral("In the panel"));
    inPanel->addWidget(label);
    auto* bevel = new TPGBevel;
    bevel->SetShape(bsTopLine);
    outer->addWidget(box);
    outer->addWidget(panel);
    outer->addWidget(bevel);
    form.show();
    QApplication::processEvents();
    const QFontMetrics fm(box->font(), box);
    // The child lies inside the frame and below the caption.
    EXPECT_GE(child->y(), fm.height());
    EXPECT_GE(child->x(), 2);
    EXPECT_LE(child->geometry().bottom(), box->height() - 3);
    EXPECT_GE(box->width(), 8 + fm.horizontalAdvance(box->GetCaption()));
    // Inside the panel's bevels and border (1 + 2 + 1 pixels).
    EXPECT_GE(label->x(), 4);
    EXPECT_GE(label->y(), 4);
    EXPECT_LE(label->geometry().bottom(), panel->height() - 5);
    // A line bevel is two pixels high and as wide as the form lets it.
    EXPECT_EQ(bevel->height(), 2);
    EXPECT_EQ(bevel->width(), box->width());
}

TEST(PGControls, PanelsAndBevel) {
    Host host(100, 60);
    auto* panel = new TPGPanel(&host);
    panel->setGeometry(0, 0, 50, 40);
    panel->SetTransparent(false);
    panel->SetColor(clTeal);
    QImage img = host.Shot();
    EXPECT_EQ(ImagePixelColor(img, 0, 0), clWhite);  // raised outer bevel
    EXPECT_EQ(ImagePixelColor(img, 49, 39), clGray);
    EXPECT_EQ(ImagePixelColor(img, 25, 5), clTeal);

    // Transparent: bevels and border only.
    panel->SetTransparent(true);
    panel->SetBevelInner(bvLowered);
    img = host.Shot();
    EXPECT_EQ(ImagePixelColor(img, 0, 0), clWhite);
    EXPECT_EQ(ImagePixelColor(img, 1, 1), clGray);  // inner bevel, lowered
    EXPECT_EQ(ImagePixelColor(img, 25, 5), clLime);

    auto* bevel = new TPGBevel(&host);
    bevel->setGeometry(60, 10, 20, 20);
    img = host.Shot();
    EXPECT_EQ(ImagePixelColor(img, 60, 10), clGray);  // lowered box
    EXPECT_EQ(ImagePixelColor(img, 79, 29), clWhite);
    EXPECT_EQ(ImagePixelColor(img, 70, 20), clLime);
}
