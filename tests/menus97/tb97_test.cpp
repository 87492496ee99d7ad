#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "menus97/TB97.h"
#include "platform/Exception.h"

namespace {

QImage Strip(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(0, 128, 128));  // the transparent colour (bottom-left)
    for (int x = 2; x < w; x += 4) img.setPixel(x, h / 2, qRgb(0, 0, 0));
    return img;
}

struct Form {
    QWidget form;
    TDock97* top;
    TDock97* left;
    TToolbar97* bar;
    std::vector<TToolbarButton97*> buttons;
    Form() {
        form.resize(600, 400);
        top = new TDock97(&form, dpTop);
        left = new TDock97(&form, dpLeft);
        bar = new TToolbar97(top);
        bar->SetCaption("Formatting");
        bar->SetDefaultDock(top);
        for (int i = 0; i < 3; ++i) {
            auto* b = new TToolbarButton97(bar);
            b->SetGlyph(Strip(16, 16));
            buttons.push_back(b);
        }
        new TToolbarSep97(bar);
        buttons.push_back(new TToolbarButton97(bar));
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::processEvents();
        top->ArrangeToolbars();
    }
    // A point of the form in the toolbar's coordinates.
    QPoint InBar(QPoint formPoint) const { return bar->mapFromGlobal(form.mapToGlobal(formPoint)); }
};

TEST(TB97Widgets, PlacementMessages) {
    QWidget form;
    auto message = [](auto f) {
        try {
            f();
        } catch (const EInvalidOperation& e) {
            return e.Message();
        }
        return std::string("none");
    };
    EXPECT_EQ(message([] { TDock97 d(nullptr); }), kTB97DockOwnedByForm);
    auto* dock = new TDock97(&form);
    EXPECT_EQ(message([&] { new TDock97(dock); }), kTB97DockInsideDock);
    auto* bar = new TToolbar97(dock);
    EXPECT_EQ(message([&] { new TDock97(bar); }), kTB97DockInsideDock);
    auto* panel = new QWidget(&form);
    EXPECT_EQ(message([&] { new TToolbar97(panel); }), kTB97ToolbarPlacement);
    EXPECT_EQ(message([] { TToolbar97 t(nullptr); }), kTB97ToolbarOwnedByForm);
    EXPECT_EQ(message([&] { new TToolbarSep97(&form); }), kTB97SepPlacement);
    form.show();
    EXPECT_EQ(message([&] { dock->hide(); }), kTB97CannotHideDock);
    EXPECT_EQ(message([&] { dock->SetPosition(dpLeft); }), kTB97CannotChangePosition);
    auto* empty = new TDock97(&form);
    EXPECT_EQ(message([&] { empty->SetPosition(dpBottom); }), "none");
    TGlyphList list(17, 17);
    EXPECT_EQ(message([&] { list.AddMasked(QImage(16, 17, QImage::Format_RGB32), clOlive); }), kTB97InvalidImageSize);
}

TEST(TB97Widgets, DockedLayoutAndRows) {
    Form f;
    EXPECT_EQ(f.bar->GetDockedTo(), f.top);
    // Grip margin 11, three 23-pixel buttons, a 6-pixel separator, one more.
    EXPECT_EQ(f.buttons[0]->geometry(), QRect(11, 2, 23, 22));
    EXPECT_EQ(f.buttons[3]->x(), 11 + 3 * 23 + 6);
    EXPECT_EQ(f.bar->size(), QSize(11 + 4 * 23 + 6 + 2, 26));
    EXPECT_EQ(f.top->height(), 26);
    EXPECT_EQ(f.left->width(), 0);
    EXPECT_EQ(f.left->y(), 26);
    // A second toolbar: a negative DockPos sorts first; asked into the
    // first one's place it pushes that one aside.
    auto* second = new TToolbar97(f.top);
    new TToolbarButton97(second);
    QApplication::processEvents();
    EXPECT_EQ(second->GetDockPos(), 0);
    EXPECT_EQ(f.bar->GetDockPos(), second->width());
    second->SetDockPos(5);
    EXPECT_EQ(f.bar->GetDockPos(), 5 + second->width());
    EXPECT_EQ(second->GetDockRow(), 0);
}

TEST(TB97Widgets, DragToLeftDockToFloatingWithCtrlAndBackByDoubleClick) {
    Form f;
    int changed = 0;
    f.bar->OnDockChanged = [&](QObject*) { ++changed; };
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(f.bar->Dragging());
    QTest::mouseMove(f.bar, f.InBar(QPoint(1, 200)));
    EXPECT_EQ(f.bar->DragTarget(), f.left);
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, f.InBar(QPoint(1, 200)));
    EXPECT_FALSE(f.bar->Dragging());
    EXPECT_EQ(f.bar->GetDockedTo(), f.left);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(f.left->width(), 27);
    EXPECT_EQ(f.top->height(), 0);
    EXPECT_EQ(f.bar->width(), 27);  // vertical now
    EXPECT_EQ(f.buttons[0]->geometry(), QRect(2, 11, 23, 22));

    // With Ctrl held the toolbar floats even over a dock.
    QTest::mousePress(f.bar, Qt::LeftButton, Qt::ControlModifier, QPoint(5, 5));
    QTest::keyPress(f.bar, Qt::Key_Control);
    QTest::mouseMove(f.bar, f.InBar(QPoint(300, 10)));
    EXPECT_EQ(f.bar->DragTarget(), nullptr);
    const QRect expected = f.bar->DragRect();
    QTest::mouseRelease(f.bar, Qt::LeftButton, Qt::ControlModifier, f.InBar(QPoint(300, 10)));
    QTest::keyRelease(f.bar, Qt::Key_Control);
    EXPECT_TRUE(f.bar->IsFloating());
    EXPECT_EQ(f.bar->GetFloatingRect().TopLeft(), TPoint(expected.left(), expected.top()));
    EXPECT_TRUE(f.bar->FloatParent()->isVisible());
    EXPECT_EQ(f.left->width(), 0);

    // A double click docks it to its default dock, first in row 0.
    auto* other = new TToolbar97(f.top);
    new TToolbarButton97(other);
    QApplication::processEvents();
    f.top->ArrangeToolbars();
    QTest::mouseDClick(f.bar, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(f.bar->GetDockedTo(), f.top);
    EXPECT_EQ(f.bar->GetDockRow(), 0);
    EXPECT_EQ(f.bar->GetDockPos(), 0);
    EXPECT_EQ(other->GetDockPos(), f.bar->width());
    EXPECT_FALSE(f.bar->FloatParent()->isVisible());
    // And floats again.
    QTest::mouseDClick(f.bar, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(f.bar->IsFloating());
}

TEST(TB97Widgets, EscapeAndALostGrabCancelTheDrag) {
    Form f;
    const QRect before = f.bar->geometry();
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(f.bar, f.InBar(QPoint(1, 200)));
    QTest::keyClick(f.bar, Qt::Key_Escape);
    EXPECT_FALSE(f.bar->Dragging());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, f.InBar(QPoint(1, 200)));
    EXPECT_EQ(f.bar->GetDockedTo(), f.top);
    EXPECT_EQ(f.bar->geometry(), before);

    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(f.bar, f.InBar(QPoint(1, 200)));
    QEvent ungrab(QEvent::UngrabMouse);
    QApplication::sendEvent(f.bar, &ungrab);
    EXPECT_FALSE(f.bar->Dragging());
    EXPECT_EQ(f.bar->GetDockedTo(), f.top);
}

TEST(TB97Widgets, CloseBoxHidesAndFiresOnClose) {
    Form f;
    f.bar->SetDockedTo(nullptr);
    TFloatParent* fp = f.bar->FloatParent();
    ASSERT_TRUE(fp->isVisible());
    EXPECT_TRUE(fp->ShownCaption().endsWith("...") || fp->ShownCaption() == "Formatting");
    f.bar->SetCaption("A caption far too long for this little floating toolbar");
    EXPECT_TRUE(fp->ShownCaption().endsWith("..."));
    EXPECT_GE(fp->ShownCaption().size(), 5);
    int closed = 0;
    f.bar->OnClose = [&](QObject*) { ++closed; };
    const QPoint box = fp->CloseBox().center();
    QTest::mousePress(fp, Qt::LeftButton, {}, box);
    EXPECT_TRUE(fp->CloseBoxPressed());
    QTest::mouseMove(fp, QPoint(2, fp->height() / 2));  // off the box: released look
    EXPECT_FALSE(fp->CloseBoxPressed());
    QTest::mouseMove(fp, box);
    QTest::mouseRelease(fp, Qt::LeftButton, {}, box);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(fp->isVisible());
    EXPECT_TRUE(f.bar->isHidden());
}

TEST(TB97Widgets, ResizingSnapsToTheSizeList) {
    Form f;
    f.bar->SetDockedTo(nullptr);
    TFloatParent* fp = f.bar->FloatParent();
    const QSize single = fp->size();
    const QPoint right = fp->mapToGlobal(QPoint(fp->width() - 1, fp->height() / 2));
    f.bar->BeginResize(Qt::RightEdge, right);
    ASSERT_TRUE(f.bar->Resizing());
    // Half the width: the toolbar wraps at its separator.
    const QPoint to = fp->mapToGlobal(QPoint(single.width() / 2 + 10, fp->height() / 2));
    QTest::mouseMove(fp, fp->mapFromGlobal(to));
    QTest::mouseRelease(fp, Qt::LeftButton, {}, fp->mapFromGlobal(to));
    EXPECT_FALSE(f.bar->Resizing());
    EXPECT_LT(fp->width(), single.width());
    EXPECT_GT(fp->height(), single.height());
    EXPECT_EQ(f.bar->LastArrangement().SeparatorLines.size(), 1u);
    // Esc cancels a resize.
    const QSize now = fp->size();
    f.bar->BeginResize(Qt::RightEdge, fp->mapToGlobal(QPoint(fp->width() - 1, 5)));
    QTest::mouseMove(fp, QPoint(single.width() + 50, 5));
    QTest::keyClick(fp, Qt::Key_Escape);
    EXPECT_FALSE(f.bar->Resizing());
    EXPECT_EQ(fp->size(), now);
}

TEST(TB97Buttons, GlyphStripsAndSharedLists) {
    TToolbarButton97 a, b;
    EXPECT_EQ(a.size(), QSize(23, 22));
    EXPECT_TRUE(a.GetFlat() && a.GetDropdownArrow() && a.GetOpaque());
    EXPECT_EQ(a.GetMargin(), -1);
    EXPECT_EQ(a.GetSpacing(), 4);
    a.SetGlyph(Strip(64, 16));
    EXPECT_EQ(a.GetNumGlyphs(), 4);
    b.SetGlyph(Strip(96, 16));
    EXPECT_EQ(b.GetNumGlyphs(), 1);
    b.SetNumGlyphs(7);
    EXPECT_EQ(b.GetNumGlyphs(), 5);
    b.SetNumGlyphs(0);
    EXPECT_EQ(b.GetNumGlyphs(), 1);
    a.SetGlyph(QImage(16, 0, QImage::Format_RGB32));  // counts as none
    EXPECT_EQ(a.Glyph().GlyphSize(), TSize(0, 0));
    EXPECT_EQ(a.Glyph().CreateImage(bsUp), -1);

    const int lists = TGlyphCache::ListCount();
    a.SetGlyph(Strip(16, 16));
    b.SetGlyph(Strip(16, 16));
    a.Glyph().CreateImage(bsUp);
    b.Glyph().CreateImage(bsDisabled);
    EXPECT_EQ(TGlyphCache::ListCount(), lists + 1);  // one 17 x 17 list for both
    EXPECT_EQ(a.Glyph().List(), b.Glyph().List());
    EXPECT_EQ(a.Glyph().List()->GetWidth(), 17);
    // The disabled image: the dark dots embossed (highlight below right).
    const QImage dis = b.Glyph().List()->GetImage(b.Glyph().CreateImage(bsDisabled));
    EXPECT_EQ(dis.pixel(2, 8) & 0xFFFFFF, ToQColor(clBtnShadow).rgb() & 0xFFFFFF);
    EXPECT_EQ(dis.pixel(3, 9) & 0xFFFFFF, ToQColor(clBtnHighlight).rgb() & 0xFFFFFF);
    a.SetGlyph(QImage());
    b.SetGlyph(QImage());
    EXPECT_EQ(TGlyphCache::ListCount(), lists);
}

TEST(TB97Buttons, GroupedButtonsLatch) {
    Form f;
    TToolbarButton97* a = f.buttons[0];
    TToolbarButton97* b = f.buttons[1];
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    int clicks = 0;
    a->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a->GetDown());
    EXPECT_EQ(a->State(), bsExclusive);
    EXPECT_EQ(clicks, 1);
    // Without AllowAllUp a second click leaves it down.
    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a->GetDown());
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(a->GetDown());
    // AllowAllUp set on one is taken over by the group.
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->GetAllowAllUp());
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(b->GetDown());
    // Released outside the button: no click.
    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(a->GetDown());
    EXPECT_EQ(clicks, 2);
}

TEST(TB97Buttons, DropDownsAndSplitClicks) {
    Form f;
    TPopupMenu menu;
    auto* item = new TMenuItem;
    item->SetCaption("Entry");
    menu.GetItems()->Add(item);
    int shown = 0;
    menu.OnPopup = [&](QObject*) { ++shown; };
    TToolbarButton97* b = f.buttons[3];
    b->SetDropdownMenu(&menu);
    b->SetDropdownCombo(true);
    EXPECT_EQ(b->width(), 34);
    int clicks = 0;
    b->OnClick = [&](QObject*) { ++clicks; };
    // The main part clicks.
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(shown, 0);
    // The last 11 pixels open the menu on the press; a press on the button
    // while it is open closes it without opening it again.
    bool wasOpen = false;
    QTimer::singleShot(50, [&] {
        wasOpen = menu.GetWidget()->isVisible();
        const QPoint g = b->mapToGlobal(QPoint(28, 5));
        QTest::mousePress(menu.GetWidget(), Qt::LeftButton, {}, menu.GetWidget()->mapFromGlobal(g));
    });
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(28, 5));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(28, 5));
    EXPECT_TRUE(wasOpen);
    EXPECT_FALSE(menu.GetWidget()->isVisible());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(clicks, 1);
    QApplication::processEvents();
    EXPECT_EQ(shown, 1);

    // A plain drop-down button: the whole button opens, a direct second
    // press only closes.
    b->SetDropdownCombo(false);
    EXPECT_EQ(b->width(), 23);
    QTimer::singleShot(50, [&] { QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5)); });
    QTimer::singleShot(2000, [&] { menu.GetWidget()->close(); });  // safety
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(menu.GetWidget()->isVisible());
    EXPECT_EQ(b->State(), bsUp);
}

TEST(TB97Buttons, LayoutFollowsStateAndMode) {
    TToolbarButton97 b;
    b.resize(60, 22);
    b.SetGlyph(Strip(16, 16));
    b.SetCaption("Go");
    const TB97ButtonLayoutOut up = b.CurrentLayout();
    EXPECT_LT(up.GlyphPos.X, up.TextRect.Left);
    b.SetDisplayMode(dmGlyphOnly);
    EXPECT_EQ(b.CurrentLayout().GlyphPos, TPoint(1 + (58 - 16 + 1) / 2, 3));
    b.SetDisplayMode(dmTextOnly);
    EXPECT_EQ(b.CurrentLayout().TextRect.Width(), up.TextRect.Width());
    b.SetLayout(blGlyphRight);
    b.SetDisplayMode(dmBoth);
    EXPECT_GT(b.CurrentLayout().GlyphPos.X, b.CurrentLayout().TextRect.Left);
}

}  // namespace
