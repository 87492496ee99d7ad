#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "menus97/MenuBar97.h"
#include "menus97/Menus97.h"
#include "menus97/TB97.h"
#include "platform/Colors.h"

namespace {

QRgb Rgb(TColor c) { return ToQColor(c).rgb() & 0xFFFFFF; }

// Top-level entries of menu with one entry each under them.
std::vector<TMenuItem*> AddTops(TMainMenu& menu, std::initializer_list<const char*> captions) {
    std::vector<TMenuItem*> tops;
    for (const char* caption : captions) {
        auto* top = new TMenuItem;
        top->SetCaption(caption);
        auto* sub = new TMenuItem;
        sub->SetCaption("Entry");
        top->Add(sub);
        menu.GetItems()->Add(top);
        tops.push_back(top);
    }
    return tops;
}

struct PanelForm {
    QWidget form;
    TMainMenu menu{&form};
    TMainMenus97 m97{&form};
    TMenuBar97* panel;
    std::vector<TMenuItem*> tops;
    PanelForm() {
        tops = AddTops(menu, {"&File", "&Edit", "&Window"});
        m97.SetMainMenu(&menu);
        form.resize(400, 300);
        panel = new TMenuBar97(&form);
        m97.SetToolBar(panel);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        PointAway();
    }
    TMenuSpeedButton* Button(int i) const { return panel->Buttons()[i]; }
    // How each button is drawn, read from the panel's pixels: the top-left
    // corner of its frame is the highlight when raised (hot), the shadow
    // when sunken (pressed) and the face when flat.
    std::string Looks() const {
        QApplication::processEvents();
        const QImage img = panel->grab().toImage();
        std::string looks;
        for (TMenuSpeedButton* b : panel->Buttons()) {
            if (b->isHidden()) continue;
            const QRgb c = img.pixel(b->x(), b->y()) & 0xFFFFFF;
            looks += c == Rgb(clBtnHighlight) ? 'H' : c == Rgb(clBtnShadow) ? 'P' : c == Rgb(clBtnFace) ? '-' : '?';
        }
        return looks;
    }
    // The pointer moves (the platform tells the window under it).
    static void MoveTo(QPoint global) {
        // A pointer already there moves nowhere: it comes from one pixel off.
        if (QCursor::pos() == global) QCursor::setPos(global + QPoint(1, 0));
        QCursor::setPos(global);
        QApplication::processEvents();
        QApplication::processEvents();  // and what the move set off
    }
    void PointAt(int i) const { MoveTo(Button(i)->mapToGlobal(QPoint(5, 5))); }
    void PointAway() const { MoveTo(form.mapToGlobal(QPoint(200, 250))); }
};

TEST(MenuBar97, OneButtonPerTopLevelEntry) {
    PanelForm s;
    ASSERT_EQ(s.panel->Buttons().size(), 3u);
    EXPECT_TRUE(s.menu.GetMenuBar()->isHidden());
    EXPECT_TRUE(s.m97.GetHideMenuBar());
    s.m97.SetHideMenuBar(false);  // ignored while the panel is set
    EXPECT_TRUE(s.m97.GetHideMenuBar());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.Button(i)->GetCaption(), Menus97EntryText(s.tops[i]->GetCaption()));
        EXPECT_GE(s.Button(i)->width(), 6 * s.Button(i)->GetCaption().size());
        EXPECT_EQ(s.Button(i)->height(), s.m97.GetDefaultItemHeight() - 1);
    }
    EXPECT_EQ(s.Button(1)->x(), s.Button(0)->x() + s.Button(0)->width());
    EXPECT_GE(s.form.minimumWidth(), s.panel->MinimumWidth());
}

TEST(MenuBar97, MenuModeShowsOneHotOrPressedButtonAtATime) {
    PanelForm s;
    EXPECT_EQ(s.Looks(), "---");
    QTest::keyClick(&s.form, Qt::Key_Alt);
    ASSERT_TRUE(s.panel->MenuMode());
    EXPECT_EQ(s.panel->Current(), 0);
    EXPECT_EQ(s.Looks(), "H--");
    QTest::keyClick(s.panel, Qt::Key_Left);  // wraps to the last
    EXPECT_EQ(s.panel->Current(), 2);
    EXPECT_EQ(s.Looks(), "--H");
    QTest::keyClick(s.panel, Qt::Key_Right);
    QTest::keyClick(s.panel, Qt::Key_Right);
    EXPECT_EQ(s.Looks(), "-H-");
    // Down opens the current menu: its button looks pressed.
    QTest::keyClick(s.panel, Qt::Key_Down);
    QMenu* edit = s.tops[1]->DropDown();
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(s.Looks(), "-P-");
    // Right in the open menu goes to the next one.
    QTest::keyClick(edit, Qt::Key_Right);
    QApplication::processEvents();
    QMenu* window = s.tops[2]->DropDown();
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(s.Looks(), "--P");
    // Esc closes it and leaves the button hot in menu mode; Esc again
    // leaves menu mode.
    QTest::keyClick(window, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(s.panel->MenuMode());
    EXPECT_EQ(s.Looks(), "--H");
    QTest::keyClick(s.panel, Qt::Key_Escape);
    EXPECT_FALSE(s.panel->MenuMode());
    EXPECT_EQ(s.Looks(), "---");
}

TEST(MenuBar97, HoveringAndKeysSwitchMenusAndTheLooksFollow) {
    PanelForm s;
    s.PointAt(0);
    EXPECT_EQ(s.Looks(), "H--");
    s.PointAt(1);
    EXPECT_EQ(s.Looks(), "-H-");
    QTest::mousePress(s.Button(0), Qt::LeftButton, {}, QPoint(3, 3));
    QMenu* first = s.tops[0]->DropDown();
    QMenu* second = s.tops[1]->DropDown();
    ASSERT_TRUE(first->isVisible());
    EXPECT_EQ(s.panel->Tracked(), s.Button(0));
    EXPECT_EQ(s.Looks(), "P--");
    // Moving over the next button while a menu is open opens its menu.
    s.PointAt(1);
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(s.panel->Tracked(), s.Button(1));
    EXPECT_EQ(s.Looks(), "-P-");
    // Left from the open menu goes to the previous one.
    QTest::keyClick(second, Qt::Key_Left);
    QApplication::processEvents();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(s.Looks(), "P--");
    // A press on the open menu's own button only closes it; the pointer is
    // over it, so it is hot.
    s.PointAt(0);
    EXPECT_EQ(s.Looks(), "P--");
    const QPoint over0 = s.Button(0)->mapToGlobal(QPoint(4, 4));
    QTest::mousePress(first, Qt::LeftButton, {}, first->mapFromGlobal(over0));
    QApplication::processEvents();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(s.panel->Tracked(), nullptr);
    EXPECT_EQ(s.Looks(), "H--");
    // Closed with the pointer elsewhere: no button stays raised.
    QTest::mousePress(s.Button(1), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(second->isVisible());
    s.PointAway();
    EXPECT_EQ(s.Looks(), "-P-");
    QTest::keyClick(second, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(s.Looks(), "---");
    s.PointAt(2);
    s.PointAway();
    EXPECT_EQ(s.Looks(), "---");
}

TEST(MenuBar97, ThePanelFollowsTheMenu) {
    PanelForm s;
    // Added after the panel was set: a fourth button once the change is done.
    auto* help = new TMenuItem;
    s.menu.GetItems()->Add(help);
    help->SetCaption("&Help");
    help->Add(new TMenuItem);
    QApplication::processEvents();
    ASSERT_EQ(s.panel->Buttons().size(), 4u);
    EXPECT_EQ(s.Button(3)->GetCaption(), "&Help");
    EXPECT_EQ(s.Button(3)->Item(), help);
    EXPECT_FALSE(s.Button(3)->isHidden());
    EXPECT_EQ(s.Button(3)->x(), s.Button(2)->x() + s.Button(2)->width());
    // Renamed: the caption and the widths follow.
    const int before = s.Button(0)->width();
    s.tops[0]->SetCaption("&Document files");
    QApplication::processEvents();
    EXPECT_EQ(s.Button(0)->GetCaption(), "&Document files");
    EXPECT_GT(s.Button(0)->width(), before);
    EXPECT_EQ(s.Button(1)->x(), s.Button(0)->x() + s.Button(0)->width());
    // Hidden: its button goes, navigation skips it.
    s.tops[1]->SetVisible(false);
    QApplication::processEvents();
    EXPECT_EQ(s.Button(1)->Item(), s.tops[2]);
    EXPECT_TRUE(s.Button(3)->isHidden());
    EXPECT_EQ(s.Button(3)->Item(), nullptr);  // its menu is dropped
    s.panel->SetMenuMode(true);
    s.panel->Step(1);
    EXPECT_EQ(s.panel->Current(), 1);
    s.panel->Step(1);
    s.panel->Step(1);
    EXPECT_EQ(s.panel->Current(), 0);
    s.panel->Step(-1);
    EXPECT_EQ(s.panel->Current(), 2);
    // Deleted: gone as well.
    delete help;
    QApplication::processEvents();
    EXPECT_TRUE(s.Button(2)->isHidden());
}

TEST(MenuBar97, ThePanelFollowsTheFormsWidth) {
    PanelForm s;
    EXPECT_EQ(s.panel->width(), 400);
    s.form.resize(1000, 300);
    QApplication::processEvents();
    EXPECT_EQ(s.panel->width(), 1000);
    s.form.resize(500, 300);
    QApplication::processEvents();
    EXPECT_EQ(s.panel->width(), 500);
    // Without FullSize: its minimum width, which then leaves room for the
    // three window buttons.
    const int full = s.panel->MinimumWidth();
    s.panel->SetFullSize(false);
    EXPECT_EQ(s.panel->MinimumWidth(), full - 14 + 4 * TB97CaptionButtonWidth() + 18);
    EXPECT_EQ(s.panel->width(), s.panel->MinimumWidth());
    s.form.resize(900, 300);
    QApplication::processEvents();
    EXPECT_EQ(s.panel->width(), s.panel->MinimumWidth());
}

TEST(MenuBar97, RemovingThePanelShowsTheBar) {
    PanelForm s;
    s.m97.SetToolBar(nullptr);
    EXPECT_FALSE(s.m97.GetHideMenuBar());
    EXPECT_FALSE(s.menu.GetMenuBar()->isHidden());
    s.m97.SetHideMenuBar(true);
    EXPECT_TRUE(s.menu.GetMenuBar()->isHidden());
    s.m97.SetMenuBarBorder(true);
    EXPECT_FALSE(s.m97.GetMenuBarBorder());
}

// The form's own menu bar, its entries drawn by the component.
struct BarForm {
    QWidget form;
    TMainMenu menu{&form};
    TMainMenus97 m97{&form};
    TImageList images{16, 16};
    std::vector<TMenuItem*> tops;
    BarForm() {
        QImage red(16, 16, QImage::Format_RGB32);
        red.fill(QColor(255, 0, 0));
        images.Add(red);
        tops = AddTops(menu, {"&File", "&Edit"});
        tops[0]->SetTag(4097);  // the bar entry with image 0
        m97.SetImages(&images);
        m97.SetMainMenu(&menu);
        form.resize(400, 300);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::processEvents();
    }
    QMenuBar* Bar() const { return menu.GetMenuBar(); }
    QRect EntryRect(int i) const { return Bar()->actionGeometry(tops[i]->Action()); }
    QImage Shot() const {
        QApplication::processEvents();
        return Bar()->grab().toImage();
    }
};

TEST(MainMenus97, TheBarsEntriesAreOwnerDrawn) {
    BarForm s;
    const QRect file = s.EntryRect(0), edit = s.EntryRect(1);
    ASSERT_FALSE(file.isEmpty());
    // Measured as the component measures bar entries: the text + 5, and
    // the image's width + 2 more for the entry with an image.
    const QFontMetrics fm(s.m97.GetFont().Font, s.Bar());
    // (The "&" taken off again may round by a pixel.)
    EXPECT_NEAR(edit.width(), fm.horizontalAdvance("Edit") + 5, 1);
    EXPECT_NEAR(file.width(), fm.horizontalAdvance("File") + 5 + 16 + 2, 1);
    EXPECT_EQ(file.height(), s.m97.GetDefaultItemHeight());
    const QImage img = s.Shot();
    // The image at (left + 3, top + 1); the bar elsewhere in Brush.
    EXPECT_EQ(img.pixel(file.left() + 3, file.top() + 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(file.left() + 18, file.top() + 16) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(file.left() + 2, file.top() + 1) & 0xFFFFFF, Rgb(clBtnFace));
    EXPECT_EQ(img.pixel(s.Bar()->width() - 2, 1) & 0xFFFFFF, Rgb(clBtnFace));
    s.m97.SetBrush(clWhite);
    s.Bar()->update();
    EXPECT_EQ(s.Shot().pixel(s.Bar()->width() - 2, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(s.Shot().pixel(edit.left() + 1, edit.top() + 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(MainMenus97, MenuBarBorderFramesTheBar) {
    BarForm s;
    const QImage plain = s.Shot();
    s.m97.SetMenuBarBorder(true);
    ASSERT_TRUE(s.m97.GetMenuBarBorder());
    QApplication::processEvents();
    const QImage framed = s.Shot();
    EXPECT_NE(plain, framed);
    const int w = s.Bar()->width(), h = s.Bar()->height();
    // A raised frame across the whole bar: light top and left, dark right
    // and bottom, also beyond the entries.
    EXPECT_EQ(plain.pixel(0, 0) & 0xFFFFFF, Rgb(clBtnFace));
    EXPECT_EQ(framed.pixel(0, 0) & 0xFFFFFF, Rgb(clBtnHighlight));
    EXPECT_EQ(framed.pixel(w / 2, 0) & 0xFFFFFF, Rgb(clBtnHighlight));
    EXPECT_EQ(framed.pixel(w - 1, h / 2) & 0xFFFFFF, Rgb(clBtnShadow));
    EXPECT_EQ(framed.pixel(w / 2, h - 1) & 0xFFFFFF, Rgb(clBtnShadow));
    // The entries move 2 right and 2 down inside it.
    const QRect file = s.EntryRect(0);
    EXPECT_EQ(framed.pixel(file.left() + 5, file.top() + 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(framed.pixel(file.left() + 3, file.top() + 1) & 0xFFFFFF, 0xFF0000u);
}

TEST(MainMenus97, ASelectedBarEntryIsRaisedAndPressedWhileOpen) {
    BarForm s;
    const QRect edit = s.EntryRect(1);
    // Pointed at: raised.
    QTest::mouseMove(s.Bar(), edit.center());
    QApplication::processEvents();
    ASSERT_EQ(s.Bar()->activeAction(), s.tops[1]->Action());
    EXPECT_FALSE(s.m97.BarDropped());
    EXPECT_EQ(s.Shot().pixel(edit.left(), edit.top()) & 0xFFFFFF, Rgb(clBtnHighlight));
    // Opened: pressed, and the flag says a drop-down of the bar is open.
    QTest::mouseClick(s.Bar(), Qt::LeftButton, {}, edit.center());
    QApplication::processEvents();
    QMenu* dropDown = s.tops[1]->DropDown();
    ASSERT_TRUE(dropDown->isVisible());
    EXPECT_TRUE(s.m97.BarDropped());
    EXPECT_EQ(s.Shot().pixel(edit.left(), edit.top()) & 0xFFFFFF, Rgb(clBtnShadow));
    dropDown->close();
    QApplication::processEvents();
    EXPECT_FALSE(s.m97.BarDropped());
}

}  // namespace
