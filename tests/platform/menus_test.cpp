#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QTest>

#include "platform/Menus.h"
#include "support/TestFiles.h"

namespace {

TMenuItem* AddItem(TMenuItem* parent, const QString& caption) {
    auto* item = new TMenuItem;
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

// Measures every entry 50 x 20 and fills it red.
class RedPainter : public TMenuItemPainter {
public:
    int measured = 0;
    void MeasureMenuItem(TMenuItem*, QWidget*, int& width, int& height) override {
        ++measured;
        width = 50;
        height = 20;
    }
    void DrawMenuItem(TMenuItem*, QWidget*, QPainter& canvas, const TRect& rect, TOwnerDrawState) override {
        canvas.fillRect(rect.ToQRect(), Qt::red);
    }
};

}  // namespace

TEST(MenuModel, TreeOwnsItsItems) {
    TPopupMenu menu;
    TMenuItem* root = menu.GetItems();
    TMenuItem* file = AddItem(root, "&File");
    TMenuItem* open = AddItem(file, "&Open");
    TMenuItem* save = AddItem(file, "&Save");
    TMenuItem* edit = AddItem(root, "&Edit");
    EXPECT_EQ(file->GetMenu(), &menu);
    EXPECT_EQ(save->GetMenuIndex(), 1);
    EXPECT_EQ(root->Find("Edit"), edit);
    EXPECT_EQ(menu.FindItem(save->GetCommand()), save);
    EXPECT_NE(open->GetCommand(), save->GetCommand());
    ASSERT_NE(file->DropDown(), nullptr);
    EXPECT_EQ(file->Action()->menu(), file->DropDown());
    EXPECT_EQ(file->DropDown()->actions(), (QList<QAction*>{open->Action(), save->Action()}));

    // Moving an item takes it out of its old place; an ancestor cannot
    // become a child.
    edit->Insert(0, save);
    EXPECT_EQ(file->Count(), 1);
    EXPECT_EQ(save->GetParent(), edit);
    save->Add(edit);
    EXPECT_EQ(edit->GetParent(), root);
    file->Insert(0, save);
    EXPECT_EQ(file->DropDown()->actions().first(), save->Action());

    bool openGone = false;
    QObject::connect(open, &QObject::destroyed, [&] { openGone = true; });
    delete file;
    EXPECT_TRUE(openGone);
    EXPECT_EQ(root->Count(), 1);
    TMenuItem* loose = AddItem(root, "Loose");
    root->Remove(loose);
    EXPECT_EQ(loose->GetMenu(), nullptr);
    EXPECT_EQ(root->Count(), 1);
    delete loose;
}

TEST(MenuModel, RadioItemsOfAGroupExcludeEachOther) {
    TPopupMenu menu;
    std::vector<TMenuItem*> items;
    for (int i = 0; i < 4; ++i) {
        items.push_back(AddItem(menu.GetItems(), QString::number(i)));
        items.back()->SetRadioItem(true);
        items.back()->SetGroupIndex(i < 3 ? 1 : 2);
    }
    items[0]->SetChecked(true);
    items[3]->SetChecked(true);
    items[1]->SetChecked(true);
    EXPECT_FALSE(items[0]->GetChecked());
    EXPECT_TRUE(items[1]->GetChecked());
    EXPECT_TRUE(items[3]->GetChecked());
    // Plain check items are independent.
    TMenuItem* a = AddItem(menu.GetItems(), "a");
    TMenuItem* b = AddItem(menu.GetItems(), "b");
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_TRUE(a->GetChecked());
}

TEST(MenuModel, ClicksPopupsAndShortCuts) {
    QMainWindow form;
    TMainMenu main(&form);
    EXPECT_EQ(form.menuBar(), main.GetMenuBar());
    TMenuItem* file = AddItem(main.GetItems(), "&File");
    TMenuItem* load = AddItem(file, "&Load");
    load->SetShortCut(TextToShortCut("Ctrl+L"));
    EXPECT_EQ(ShortCutToText(load->GetShortCut()), "Ctrl+L");
    EXPECT_EQ(load->Action()->text(), "&Load\tCtrl+L");
    int loads = 0;
    load->OnClick = [&](QObject*) { ++loads; };
    load->Action()->trigger();
    EXPECT_EQ(loads, 1);
    load->SetEnabled(false);
    load->Click();
    EXPECT_EQ(loads, 1);
    load->SetEnabled(true);

    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(loads, 2);
    load->SetShortCut(QKeySequence());
    QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(loads, 2);

    // Opening a popup fires OnPopup, however it is opened; opening a
    // drop-down clicks its entry so that it can fill it.
    TPopupMenu popup;
    TMenuItem* presets = AddItem(popup.GetItems(), "Presets");
    AddItem(presets, "Default");
    int popups = 0, fills = 0;
    popup.OnPopup = [&](QObject*) { ++popups; };
    presets->OnClick = [&](QObject*) { ++fills; };
    std::vector<TMenuItem*> showing;
    QObject::connect(&popup, &TMenu::DropDownShowing, [&](TMenuItem* owner) { showing.push_back(owner); });
    popup.GetWidget()->popup(QPoint(0, 0));
    presets->DropDown()->popup(QPoint(10, 10));
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(showing, (std::vector<TMenuItem*>{popup.GetItems(), presets}));
    presets->DropDown()->hide();
    popup.GetWidget()->hide();
}

TEST(MenuModel, OwnerDrawnEntriesAreMeasuredAndPaintedByTheirPainter) {
    RedPainter painter;
    TPopupMenu menu;
    TMenuItem* a = AddItem(menu.GetItems(), "Alpha");
    TMenuItem* line = AddItem(menu.GetItems(), "-");
    AddItem(menu.GetItems(), "Omega")->SetOwnerDraw(&painter);
    a->SetShortCut(QKeySequence("Ctrl+A"));
    TMenuPopup* w = menu.GetWidget();
    a->SetOwnerDraw(&painter);
    EXPECT_EQ(a->Action()->text(), "Alpha");  // the painter draws its own short-cut
    EXPECT_TRUE(line->Action()->isSeparator());
    EXPECT_EQ(line->Action()->text(), "");  // else a style draws it as a titled section
    EXPECT_TRUE(w->HasOwnerDrawnEntries());
    w->popup(QPoint(0, 0));
    const QRect r = w->actionGeometry(a->Action());
    EXPECT_EQ(r, QRect(3, 3, 50 + 12, 20));
    EXPECT_EQ(w->actionGeometry(line->Action()).height(), 9);
    EXPECT_TRUE(line->Action()->isSeparator());
    EXPECT_EQ(line->Action()->text(), "");  // drawn as a line, with no title
    const QImage img = w->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(r.center())), QColor(Qt::red));
    // The classic separator's etched line.
    const QRect s = w->actionGeometry(line->Action());
    EXPECT_EQ(QColor(img.pixel(s.left() + 5, s.top() + 4)), QColor(128, 128, 128));
    EXPECT_EQ(QColor(img.pixel(s.left() + 5, s.top() + 5)), QColor(255, 255, 255));

    // A painter that goes leaves the entry to the style.
    auto* brief = new RedPainter;
    a->SetOwnerDraw(brief);
    delete brief;
    EXPECT_EQ(a->GetOwnerDraw(), nullptr);
    EXPECT_FALSE(w->grab().isNull());
    w->hide();
}

// Plain menus (no painter) in the system colour table: clMenu face (silver),
// the clHighlight bar (navy) with clHighlightText, clMenuText and
// clGrayText, in the application's font, in drop-downs and on the bar.
TEST(MenuLook, PlainMenusTakeTheSystemMenuColoursAndTheFormsFont) {
    TPopupMenu menu;
    TMenuItem* first = AddItem(menu.GetItems(), "First entry");
    TMenuItem* gone = AddItem(menu.GetItems(), "Disabled entry");
    gone->SetEnabled(false);
    TMenuPopup* w = menu.GetWidget();
    w->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->font(), QApplication::font());
    w->setActiveAction(first->Action());
    const QImage img = w->grab().toImage();
    img.save(QString::fromStdString(gwtest::TempDir("menulook") + "/popup.png"));
    const QRect a = w->actionGeometry(first->Action());
    const QRect d = w->actionGeometry(gone->Action());
    auto count = [&](const QRect& r, QColor c) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += QColor(img.pixel(x, y)) == c;
        return n;
    };
    const QColor silver(192, 192, 192), navy(0, 0, 128), grey(128, 128, 128);
    // The classic raised frame: a dark outer edge at the right and bottom,
    // the highlight inside at the left and top.
    EXPECT_EQ(QColor(img.pixel(img.width() - 1, img.height() / 2)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(img.pixel(1, img.height() / 2)), QColor(255, 255, 255));
    EXPECT_GE(a.left(), 3);
    // The selected entry: mostly the bar, its text white.
    EXPECT_GT(count(a, navy), a.width() * a.height() / 2);
    int light = 0;  // the antialiased text, near white
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x) light += qGray(img.pixel(x, y)) > 200;
    EXPECT_GT(light, 10);
    EXPECT_EQ(count(a, silver), 0);
    // The disabled entry on the face, its text grey.
    EXPECT_GT(count(d, silver), d.width() * d.height() / 2);
    EXPECT_GT(count(d, grey), 5);
    w->hide();

    QMainWindow form;
    TMainMenu bar(&form);
    TMenuItem* file = AddItem(bar.GetItems(), "&File");
    AddItem(file, "Open");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QMenuBar* mb = bar.GetMenuBar();
    EXPECT_EQ(mb->font(), QApplication::font());
    const QImage barImg = mb->grab().toImage();
    const QRect f = mb->actionGeometry(file->Action());
    EXPECT_EQ(QColor(barImg.pixel(f.right() + 20, f.center().y())), silver);
    int black = 0;
    for (int x = f.left(); x <= f.right(); ++x)
        for (int y = f.top(); y <= f.bottom(); ++y) black += QColor(barImg.pixel(x, y)) == QColor(0, 0, 0);
    EXPECT_GT(black, 5);  // clMenuText
}
