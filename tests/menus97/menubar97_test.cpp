#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "menus97/MenuBar97.h"
#include "menus97/Menus97.h"

namespace {

struct PanelForm {
    QWidget form;
    TMainMenu menu{&form};
    TMainMenus97 m97{&form};
    TMenuBar97* panel;
    std::vector<TMenuItem*> tops;
    PanelForm() {
        for (const char* caption : {"&File", "&Edit", "&Window"}) {
            auto* top = new TMenuItem;
            top->SetCaption(caption);
            auto* sub = new TMenuItem;
            sub->SetCaption("Entry");
            top->Add(sub);
            menu.GetItems()->Add(top);
            tops.push_back(top);
        }
        m97.SetMainMenu(&menu);
        form.resize(400, 300);
        panel = new TMenuBar97(&form);
        m97.SetToolBar(panel);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    TMenuSpeedButton* Button(int i) const { return panel->Buttons()[i]; }
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

TEST(MenuBar97, AltEntersMenuModeAndLeftWraps) {
    PanelForm s;
    QTest::keyClick(&s.form, Qt::Key_Alt);
    EXPECT_TRUE(s.panel->MenuMode());
    EXPECT_EQ(s.panel->Current(), 0);
    QTest::keyClick(s.panel, Qt::Key_Left);
    EXPECT_EQ(s.panel->Current(), 2);
    QTest::keyClick(s.panel, Qt::Key_Right);
    EXPECT_EQ(s.panel->Current(), 0);
    QTest::keyClick(s.panel, Qt::Key_Escape);
    EXPECT_FALSE(s.panel->MenuMode());
}

TEST(MenuBar97, HiddenButtonsAreSkipped) {
    PanelForm s;
    s.tops[1]->SetVisible(false);
    s.panel->Rebuild();
    EXPECT_TRUE(s.Button(2)->isHidden());
    EXPECT_EQ(s.Button(2)->Item(), nullptr);  // its menu is dropped
    EXPECT_EQ(s.Button(1)->Item(), s.tops[2]);
    s.panel->SetMenuMode(true);
    s.panel->Step(1);
    EXPECT_EQ(s.panel->Current(), 1);
    s.panel->Step(1);
    EXPECT_EQ(s.panel->Current(), 0);
    s.panel->Step(-1);
    EXPECT_EQ(s.panel->Current(), 1);
}

TEST(MenuBar97, HoveringAndKeysSwitchMenusAndASecondPressCloses) {
    PanelForm s;
    QTest::mousePress(s.Button(0), Qt::LeftButton, {}, QPoint(3, 3));
    QMenu* first = s.tops[0]->DropDown();
    QMenu* second = s.tops[1]->DropDown();
    ASSERT_TRUE(first->isVisible());
    EXPECT_EQ(s.panel->Tracked(), s.Button(0));
    const QPoint over1 = s.Button(1)->mapToGlobal(QPoint(4, 4));
    QTest::mouseMove(first, first->mapFromGlobal(over1));
    QApplication::processEvents();
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(s.panel->Tracked(), s.Button(1));
    // Left from the open menu goes to the previous one.
    QTest::keyClick(second, Qt::Key_Left);
    QApplication::processEvents();
    EXPECT_TRUE(first->isVisible());
    // A press on the open menu's own button only closes it.
    const QPoint over0 = s.Button(0)->mapToGlobal(QPoint(4, 4));
    QTest::mousePress(first, Qt::LeftButton, {}, first->mapFromGlobal(over0));
    QApplication::processEvents();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(s.panel->Tracked(), nullptr);
}

TEST(MenuBar97, RemovingThePanelShowsTheBar) {
    PanelForm s;
    s.m97.SetToolBar(nullptr);
    EXPECT_FALSE(s.m97.GetHideMenuBar());
    EXPECT_FALSE(s.menu.GetMenuBar()->isHidden());
    EXPECT_FALSE(s.menu.GetMenuBar()->isNativeMenuBar());
    s.m97.SetHideMenuBar(true);
    EXPECT_TRUE(s.menu.GetMenuBar()->isHidden());
    s.m97.SetMenuBarBorder(true);
    EXPECT_FALSE(s.m97.GetMenuBarBorder());
}

}  // namespace
