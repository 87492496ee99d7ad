#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

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
    EXPECT_EQ(message([] { TDock97 d(nullptr); }), "TDock97 must be owned by a form");
    auto* dock = new TDock97(&form);
    const std::string inside = "A TDock97 control cannot be placed inside a TToolbar97 or another TDock97";
    EXPECT_EQ(message([&] { new TDock97(dock); }), inside);
    auto* bar = new TToolbar97(dock);
    EXPECT_EQ(message([&] { new TDock97(bar); }), inside);
    auto* panel = new QWidget(&form);
    EXPECT_EQ(message([&] { new TToolbar97(panel); }),
              "TToolbar97 can only be placed on a TDock97 or directly on the form");
    EXPECT_EQ(message([] { TToolbar97 t(nullptr); }), "TToolbar97 must be owned by a form");
    EXPECT_EQ(message([&] { new TToolbarSep97(&form); }), "TToolbarSep97 can only be placed on a TToolbar97");
    form.show();
    EXPECT_EQ(message([&] { dock->hide(); }), "Cannot hide a TDock97");
    EXPECT_EQ(message([&] { dock->SetPosition(dpLeft); }),
              "Cannot change Position of a TDock97 if it already contains controls");
    auto* empty = new TDock97(&form);
    EXPECT_EQ(message([&] { empty->SetPosition(dpBottom); }), "none");
    TGlyphList list(17, 17);
    EXPECT_EQ(message([&] { list.AddMasked(QImage(16, 17, QImage::Format_RGB32), clOlive); }), "Invalid image size");
    // A list whose images were taken away behind its back cannot take the
    // next one into the slot it picks.
    const QImage cell = Strip(17, 17);
    EXPECT_EQ(list.AddMasked(cell, clOlive), 0);
    EXPECT_EQ(list.AddMasked(cell, clOlive), 1);
    static_cast<TImageList&>(list).Delete(0);
    EXPECT_EQ(message([&] { list.AddMasked(cell, clOlive); }), "Unable to Replace Image");
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
    // A second toolbar goes after the first; asked into the first one's
    // place it pushes that one aside.
    auto* second = new TToolbar97(f.top);
    new TToolbarButton97(second);
    QApplication::processEvents();
    EXPECT_EQ(f.bar->GetDockPos(), 0);
    EXPECT_EQ(second->GetDockPos(), f.bar->width());
    f.bar->SetDockPos(5);
    EXPECT_EQ(second->GetDockPos(), 5 + f.bar->width());
    second->SetDockPos(0);
    EXPECT_EQ(second->GetDockPos(), 0);
    EXPECT_EQ(f.bar->GetDockPos(), second->width());
    EXPECT_EQ(second->GetDockRow(), 0);
}

TEST(TB97Widgets, ToolbarsCreatedInOrderLieInThatOrder) {
    QWidget form;
    form.resize(800, 300);
    auto* dock = new TDock97(&form, dpTop);
    std::vector<TToolbar97*> bars;
    for (int n = 1; n <= 3; ++n) {
        auto* t = new TToolbar97(dock);
        for (int i = 0; i < n; ++i) new TToolbarButton97(t);
        bars.push_back(t);
    }
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
    // Grip 11, n buttons of 23, right margin 2.
    const int w1 = 11 + 23 + 2, w2 = 11 + 2 * 23 + 2, w3 = 11 + 3 * 23 + 2;
    ASSERT_EQ(bars[0]->width(), w1);
    EXPECT_EQ(bars[0]->geometry(), QRect(0, 0, w1, 26));
    EXPECT_EQ(bars[1]->geometry(), QRect(w1, 0, w2, 26));
    EXPECT_EQ(bars[2]->geometry(), QRect(w1 + w2, 0, w3, 26));
    // Stored as arranged: the positions are the places.
    EXPECT_EQ(bars[0]->GetDockPos(), 0);
    EXPECT_EQ(bars[1]->GetDockPos(), w1);
    EXPECT_EQ(bars[2]->GetDockPos(), w1 + w2);
    // Moving one: the others keep their places (no place left over from
    // an arrangement made while they were being filled).
    bars[0]->SetDockPos(300);
    EXPECT_EQ(bars[1]->x(), w1);
    EXPECT_EQ(bars[2]->x(), w1 + w2);
    EXPECT_EQ(bars[0]->x(), 300);
    // Onto the second: behind it, and the third pushed along behind.
    bars[0]->SetDockPos(w1 + 10);
    EXPECT_EQ(bars[1]->x(), w1);
    EXPECT_EQ(bars[0]->x(), w1 + w2);
    EXPECT_EQ(bars[2]->x(), w1 + w2 + w1);
    // Dragged by its grip to the start of the row, where the second lies:
    // it goes first.
    bars[1]->SetDockPos(0);
    ASSERT_EQ(bars[1]->x(), 0);
    QTest::mousePress(bars[2], Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(bars[2]->Dragging());
    const QPoint start = bars[2]->mapFromGlobal(form.mapToGlobal(QPoint(5, 5)));
    QTest::mouseMove(bars[2], start);
    QTest::mouseRelease(bars[2], Qt::LeftButton, {}, start);
    EXPECT_EQ(bars[2]->GetDockPos(), 0);
    EXPECT_EQ(bars[2]->x(), 0);
    EXPECT_EQ(bars[1]->x(), w3);
    EXPECT_EQ(bars[0]->x(), w3 + w2);
    // Floated and dropped there again: first again.
    bars[2]->SetDockedTo(nullptr);
    EXPECT_EQ(bars[1]->x(), w3);  // the others keep their places
    bars[1]->SetDockPos(0);
    const QPoint grip = bars[2]->mapFromGlobal(bars[2]->FloatParent()->mapToGlobal(QPoint(6, 6)));
    QTest::mousePress(bars[2], Qt::LeftButton, {}, grip);
    ASSERT_TRUE(bars[2]->Dragging());
    const QPoint back = bars[2]->mapFromGlobal(form.mapToGlobal(QPoint(3, 10)));
    QTest::mouseMove(bars[2], back);
    ASSERT_EQ(bars[2]->DragTarget(), dock);
    QTest::mouseRelease(bars[2], Qt::LeftButton, {}, back);
    EXPECT_EQ(bars[2]->GetDockedTo(), dock);
    EXPECT_EQ(bars[2]->x(), 0);
    EXPECT_EQ(bars[1]->x(), w3);
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

// After a drag loop, however it ends, the pointer belongs to the widget
// under it again: a move over another toolbar's button makes it hot.
TEST(TB97Widgets, AfterADragTheNextMoveReachesTheWidgetUnderThePointer) {
    Form f;
    auto* other = new TToolbar97(f.top);
    other->SetCaption("Standard");
    auto* target = new TToolbarButton97(other);
    target->SetGlyph(Strip(16, 16));
    QApplication::processEvents();
    f.top->ArrangeToolbars();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    // Through the window, as the platform delivers the pointer.
    QWindow* win = f.form.windowHandle();
    auto overTarget = [&] {
        const QPoint g = target->mapToGlobal(QPoint(8, 8));
        QTest::mouseMove(win, f.form.mapFromGlobal(g));
        QApplication::processEvents();
        return target->MouseIn();
    };
    auto leave = [&] {
        QTest::mouseMove(win, QPoint(300, 300));
        target->CheckMouse();
        ASSERT_FALSE(target->MouseIn());
    };
    const QPoint grip = f.form.mapFromGlobal(f.bar->mapToGlobal(QPoint(5, 5)));
    // A press and release on the grip without moving.
    QTest::mousePress(win, Qt::LeftButton, {}, grip);
    ASSERT_TRUE(f.bar->Dragging());
    QTest::mouseRelease(win, Qt::LeftButton, {}, grip);
    EXPECT_FALSE(f.bar->Dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(overTarget());
    leave();
    // A drag ended by Esc, the button released afterwards.
    QTest::mousePress(win, Qt::LeftButton, {}, grip);
    QTest::mouseMove(win, QPoint(300, 200));
    QTest::keyClick(&f.form, Qt::Key_Escape);
    EXPECT_FALSE(f.bar->Dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_TRUE(overTarget());
    leave();
    // A drag with Ctrl going down and up on the way, ending with a drop
    // over the other toolbar: it docks beside it and the button takes moves.
    QTest::mousePress(win, Qt::LeftButton, {}, grip);
    QTest::keyPress(&f.form, Qt::Key_Control);
    QTest::mouseMove(win, QPoint(300, 200));
    QTest::keyRelease(&f.form, Qt::Key_Control);
    const QPoint drop = f.form.mapFromGlobal(other->mapToGlobal(QPoint(other->width() - 2, 5)));
    QTest::mouseMove(win, drop);
    EXPECT_EQ(f.bar->DragTarget(), f.top);
    QTest::mouseRelease(win, Qt::LeftButton, {}, drop);
    EXPECT_FALSE(f.bar->Dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(f.bar->GetDockedTo(), f.top);
    EXPECT_TRUE(overTarget());
    leave();
    // A lost grab ends it too.
    QTest::mousePress(win, Qt::LeftButton, {}, QPoint(f.bar->x() + 5, f.bar->y() + 5) + f.top->pos());
    ASSERT_TRUE(f.bar->Dragging());
    QEvent ungrab(QEvent::UngrabMouse);
    QApplication::sendEvent(f.bar, &ungrab);
    EXPECT_FALSE(f.bar->Dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_TRUE(overTarget());
}

QRgb Rgb(TColor c) { return ToQColor(c).rgb() & 0xFFFFFF; }

// Another window of the application, shown and active.
struct OtherWindow {
    QWidget window;
    OtherWindow() {
        window.resize(100, 100);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

// The pointer moves (the platform tells the window under it).
void PointerTo(QPoint global) {
    if (QCursor::pos() == global) QCursor::setPos(global + QPoint(1, 0));
    QCursor::setPos(global);
    QApplication::processEvents();
}

TEST(TB97Widgets, AFloatingToolbarSharesItsFormsActivation) {
    Form f;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    f.bar->SetDockedTo(nullptr);
    TFloatParent* fp = f.bar->FloatParent();
    // Shown without taking the activation from the form (this platform
    // activates every window shown; the activation is handed back).
    QTest::qWait(50);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&f.form));
    ASSERT_TRUE(fp->isVisible());
    const QPoint inCaption(TB97FrameWidth() + 1, TB97FrameWidth() + 1);
    auto caption = [&] { return fp->grab().toImage().pixel(inCaption) & 0xFFFFFF; };
    EXPECT_EQ(caption(), Rgb(clActiveCaption));
    // Another window of the application active: shown, with an inactive caption.
    OtherWindow other;
    EXPECT_TRUE(fp->isVisible());
    EXPECT_EQ(caption(), Rgb(clInactiveCaption));
    // A click on the floating toolbar activates its form.
    QTest::mouseClick(fp->windowHandle(), Qt::LeftButton, {}, f.bar->mapTo(fp, QPoint(2, 2)));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&f.form));
    EXPECT_EQ(caption(), Rgb(clActiveCaption));
    // The application inactive: hidden; active again: shown.
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(fp->isVisible());
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(fp->isVisible());
    // Unless it asks to stay.
    f.bar->SetHideWhenInactive(false);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(fp->isVisible());
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    // Hidden by the user: not shown again by activation.
    f.bar->setVisible(false);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(fp->isVisible());
}

TEST(TB97Widgets, DocksTellOfToolbarsComingAndGoingAndShowTheirMenus) {
    Form f;
    std::vector<std::pair<bool, TToolbar97*>> told;
    f.top->OnInsertRemoveBar = [&](QObject* sender, bool inserting, TToolbar97* bar) {
        EXPECT_EQ(sender, f.top);
        told.emplace_back(inserting, bar);
    };
    auto* made = new TToolbar97(f.top);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], std::make_pair(true, made));
    delete made;
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1], std::make_pair(false, made));
    // Floating and docking again tell too.
    f.bar->SetDockedTo(nullptr);
    f.bar->SetDockedTo(f.top);
    ASSERT_EQ(told.size(), 4u);
    EXPECT_EQ(told[2], std::make_pair(false, f.bar));
    EXPECT_EQ(told[3], std::make_pair(true, f.bar));
    f.top->OnInsertRemoveBar = nullptr;

    // A right click shows the toolbar's menu, also over one of its buttons;
    // on the dock beside the toolbar, the dock's.
    TPopupMenu barMenu, dockMenu;
    barMenu.GetItems()->Add(new TMenuItem);
    dockMenu.GetItems()->Add(new TMenuItem);
    int barShown = 0, dockShown = 0;
    barMenu.OnPopup = [&](QObject*) { ++barShown; };
    dockMenu.OnPopup = [&](QObject*) { ++dockShown; };
    f.bar->SetPopupMenu(&barMenu);
    f.top->SetPopupMenu(&dockMenu);
    auto rightClick = [](QWidget* w, QPoint at) {
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &e);
        QApplication::processEvents();
    };
    rightClick(f.buttons[0], QPoint(5, 5));
    EXPECT_EQ(barShown, 1);
    EXPECT_TRUE(barMenu.GetWidget()->isVisible());
    barMenu.GetWidget()->close();
    rightClick(f.top, QPoint(f.top->width() - 5, 5));
    EXPECT_EQ(dockShown, 1);
    EXPECT_EQ(barShown, 1);
    dockMenu.GetWidget()->close();
    // Without a menu of its own the toolbar leaves it to the dock.
    f.bar->SetPopupMenu(nullptr);
    rightClick(f.bar, QPoint(2, 2));
    EXPECT_EQ(dockShown, 2);
    dockMenu.GetWidget()->close();
}

TEST(TB97Widgets, NoHintsWhileDragging) {
    Form f;
    TToolbarButton97* b = f.buttons[1];
    b->setToolTip("Second");
    auto hint = [&] {
        QToolTip::hideText();
        QHelpEvent e(QEvent::ToolTip, QPoint(5, 5), b->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(b, &e);
        return QToolTip::isVisible() && QToolTip::text() == "Second";
    };
    ASSERT_TRUE(hint());
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(f.bar->Dragging());
    EXPECT_FALSE(hint());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(hint());
    QToolTip::hideText();
}

TEST(TB97Widgets, ADockThatAllowsNoDraggingStillTakesDrops) {
    Form f;
    f.left->SetAllowDrag(false);
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(f.bar, f.InBar(QPoint(1, 200)));
    EXPECT_EQ(f.bar->DragTarget(), f.left);
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, f.InBar(QPoint(1, 200)));
    EXPECT_EQ(f.bar->GetDockedTo(), f.left);
    // Docked there it has no grip: 2 + 23 + 2 wide, the buttons from 2 down.
    EXPECT_EQ(f.bar->width(), 27);
    EXPECT_EQ(f.buttons[0]->geometry(), QRect(2, 2, 23, 22));
    // And cannot be dragged from it.
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(f.bar->Dragging());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(1, 1));
}

// Floating windows moved by the compositor, as on Wayland.
struct CompositorMoves {
    CompositorMoves() { TB97SetMover(TB97Mover::Compositor); }
    ~CompositorMoves() { TB97SetMover(TB97Mover::FromPlatform); }
};

// A drag over w from at: enter, move, then (with drop) the drop; whether
// the move, or the drop, was accepted.
bool DragOver(QWidget* w, QPoint at, const QMimeData& data, bool drop, Qt::KeyboardModifiers mods = {}) {
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());  // moves follow, wherever it enters
    QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &move);
    if (!drop) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(w, &leave);
        return move.isAccepted();
    }
    QDropEvent e(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &e);
    return e.isAccepted();
}

TEST(TB97Widgets, CompositorRouteDocksByADropOntoTheForm) {
    CompositorMoves compositor;
    Form f;
    auto* other = new TToolbar97(f.top);
    new TToolbarButton97(other);
    QApplication::processEvents();
    f.bar->SetDockedTo(nullptr);
    f.top->ArrangeToolbars();
    ASSERT_EQ(f.top->RowSizes(), std::vector<int>{26});
    TFloatParent* fp = f.bar->FloatParent();

    // Dragging the caption leaves it to the compositor: no drag of our own.
    QTest::mousePress(fp, Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mouseMove(fp, QPoint(60, 30));
    QTest::mouseRelease(fp, Qt::LeftButton, {}, QPoint(60, 30));
    EXPECT_TRUE(f.bar->findChildren<QDrag*>().isEmpty());
    // Dragging the body (outside the buttons) starts a drag that names the
    // toolbar and where it was grabbed in its window.
    QTest::mousePress(f.bar, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(f.bar, QPoint(2, 3));
    EXPECT_TRUE(f.bar->findChildren<QDrag*>().isEmpty());  // not beyond the drag distance yet
    QTest::mouseMove(f.bar, QPoint(40, 30));
    const QList<QDrag*> drags = f.bar->findChildren<QDrag*>();
    ASSERT_EQ(drags.size(), 1);
    QPointF grab;
    ASSERT_TRUE(f.bar->ReadDragData(drags[0]->mimeData(), &grab));
    const QPoint inWindow = f.bar->mapTo(fp, QPoint(2, 2));
    EXPECT_DOUBLE_EQ(grab.x(), double(inWindow.x()) / fp->width());
    EXPECT_DOUBLE_EQ(grab.y(), double(inWindow.y()) / fp->height());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(40, 30));
    // The drag found no drop here; the form takes no drops again.
    EXPECT_TRUE(f.bar->IsFloating());
    EXPECT_FALSE(f.form.acceptDrops());
    // Another toolbar's data, or data of another kind, is not ours.
    EXPECT_FALSE(other->ReadDragData(drags[0]->mimeData(), nullptr));
    QMimeData text;
    text.setText("Formatting");
    EXPECT_FALSE(f.bar->ReadDragData(&text, nullptr));

    // Grabbed at its middle: docked 111 x 26 on top, 27 x 107 on the left
    // (11 + 4 x 22 + 6 + 2 along).
    std::unique_ptr<QMimeData> data(f.bar->MakeDragData(QPointF(0.5, 0.5)));
    f.form.setAcceptDrops(true);  // as while the drag runs
    const TRect floating = f.bar->GetFloatingRect();
    // Outside every dock zone: no drop there; it stays floating.
    EXPECT_FALSE(DragOver(&f.form, QPoint(300, 200), *data, false));
    EXPECT_FALSE(DragOver(&f.form, QPoint(300, 200), *data, true));
    EXPECT_TRUE(f.bar->IsFloating());
    EXPECT_TRUE(fp->isVisible());
    EXPECT_EQ(f.bar->GetFloatingRect(), floating);
    // Ctrl keeps it floating over a dock.
    EXPECT_TRUE(DragOver(&f.form, QPoint(200, 30), *data, false));
    EXPECT_FALSE(DragOver(&f.form, QPoint(200, 30), *data, false, Qt::ControlModifier));
    EXPECT_FALSE(DragOver(&f.form, QPoint(200, 30), *data, true, Qt::ControlModifier));
    EXPECT_TRUE(f.bar->IsFloating());
    // Dropped at a form point (floating again first): where it docks.
    auto dropAt = [&](QPoint at) {
        f.bar->SetDockedTo(nullptr);
        EXPECT_TRUE(DragOver(&f.form, at, *data, true));
        return std::make_tuple(f.bar->GetDockedTo(), f.bar->GetDockRow(), f.bar->GetDockPos());
    };
    // 4 pixels below the top dock's only row (its rectangle 145..256 x
    // 17..43, centre 29): a new row under it, at 145.
    EXPECT_EQ(dropAt(QPoint(200, 30)), std::make_tuple(f.top, 1, 145));
    EXPECT_EQ(other->GetDockRow(), 0);
    EXPECT_EQ(f.top->height(), 52);
    EXPECT_FALSE(fp->isVisible());
    // Within the row: beside the other toolbar.
    EXPECT_EQ(dropAt(QPoint(300, 13)), std::make_tuple(f.top, 0, 245));
    EXPECT_EQ(f.top->height(), 26);
    // Onto the empty left dock (1 pixel thick, from y 26): its rectangle
    // starts at y 200 - 53 = 147, 121 down the dock.
    EXPECT_EQ(dropAt(QPoint(5, 200)), std::make_tuple(f.left, 0, 121));
    EXPECT_EQ(f.left->width(), 27);
    // A double click still docks it to its default dock.
    f.bar->SetDockedTo(nullptr);
    QTest::mouseDClick(f.bar, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(f.bar->GetDockedTo(), f.top);
    EXPECT_EQ(f.bar->GetDockPos(), 0);
}

TEST(TB97Widgets, FloatingWindowComesBackWhenTheWorkAreaChanges) {
    Form f;
    f.bar->SetDockedTo(nullptr);
    TFloatParent* fp = f.bar->FloatParent();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    // Partly off the right edge, and partly above and left of the work
    // area, when the screen tells of a changed work area.
    fp->move(area.right() - 20, area.top() + 50);
    emit screen->availableGeometryChanged(area);
    QApplication::processEvents();
    EXPECT_EQ(fp->pos(), QPoint(area.right() + 1 - fp->width(), area.top() + 50));
    EXPECT_EQ(f.bar->GetFloatingRect().TopLeft(), TPoint(fp->x(), fp->y()));
    fp->move(area.left() - 30, area.top() - 10);
    emit screen->availableGeometryChanged(area);
    QApplication::processEvents();
    EXPECT_EQ(fp->pos(), area.topLeft());
}

TEST(TB97Widgets, CloseBoxHidesAndFiresOnClose) {
    Form f;
    f.bar->SetDockedTo(nullptr);
    TFloatParent* fp = f.bar->FloatParent();
    ASSERT_TRUE(fp->isVisible());
    // The caption's room: from the frame to the close box, less 4.
    QFont font = fp->font();
    font.setPixelSize(11);
    font.setBold(true);
    const QFontMetrics fm(font);
    const int room = fp->CloseBox().left() - TB97FrameWidth() - 4;
    ASSERT_LT(fm.horizontalAdvance("Formatting"), room);
    EXPECT_EQ(fp->ShownCaption(), "Formatting");
    const QString longer = "A caption far too long for this little floating toolbar";
    ASSERT_GT(fm.horizontalAdvance(longer), room);
    f.bar->SetCaption(longer);
    const QString shown = fp->ShownCaption();
    EXPECT_TRUE(shown.endsWith("..."));
    EXPECT_TRUE(longer.startsWith(shown.chopped(3)));
    EXPECT_LE(fm.horizontalAdvance(shown), room);
    // One character more would not fit.
    EXPECT_GT(fm.horizontalAdvance(longer.left(shown.size() - 3 + 1) + "..."), room);
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
    // Resized by the compositor to the same width: the same size once it pauses.
    {
        CompositorMoves compositor;
        Form g;
        g.bar->SetDockedTo(nullptr);
        TFloatParent* gp = g.bar->FloatParent();
        ASSERT_EQ(gp->size(), single);
        gp->resize(single.width() / 2 + 10, single.height());
        EXPECT_TRUE(QTest::qWaitFor([&] { return gp->size() == fp->size(); }, 2000));
        EXPECT_EQ(g.bar->LastArrangement().SeparatorLines.size(), 1u);
        EXPECT_EQ(g.bar->GetFloatingWidth(), f.bar->GetFloatingWidth());
    }
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

TEST(TB97Buttons, DeactivationEndsHotTracking) {
    Form f;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    TToolbarButton97* b = f.buttons[0];
    auto pointAt = [&] {
        PointerTo(f.form.mapToGlobal(QPoint(300, 300)));
        PointerTo(b->mapToGlobal(QPoint(5, 5)));
        return b->MouseIn();
    };
    ASSERT_TRUE(pointAt());
    EXPECT_EQ(TToolbarButton97::TrackedButton(), b);
    EXPECT_EQ(b->State(), bsMouseIn);
    // Another window becomes active.
    OtherWindow other;
    EXPECT_FALSE(b->MouseIn());
    EXPECT_EQ(b->State(), bsUp);
    EXPECT_EQ(TToolbarButton97::TrackedButton(), nullptr);
    // While the form is not active a button does not become hot.
    EXPECT_FALSE(pointAt());
    // The application goes inactive.
    f.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    ASSERT_TRUE(pointAt());
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(b->MouseIn());
    EXPECT_EQ(TToolbarButton97::TrackedButton(), nullptr);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
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
        QTest::mousePress(menu.GetWidget()->windowHandle(), Qt::LeftButton, {}, menu.GetWidget()->mapFromGlobal(g));
    });
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(28, 5));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(28, 5));
    EXPECT_TRUE(wasOpen);
    EXPECT_FALSE(menu.GetWidget()->isVisible());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(clicks, 1);
    QApplication::processEvents();
    EXPECT_EQ(shown, 1);

    // A plain drop-down button: the whole button opens; a second press on
    // it, which reaches the open menu, only closes the menu.
    b->SetDropdownCombo(false);
    EXPECT_EQ(b->width(), 23);
    wasOpen = false;
    QTimer::singleShot(50, [&] {
        wasOpen = menu.GetWidget()->isVisible();
        // Through the menu's window, as the platform delivers it; a press
        // that closes a menu is then given again to the widget under the
        // pointer, unless the menu asked not to (this platform does not
        // replay presses by itself).
        const QPoint g = b->mapToGlobal(QPoint(5, 5));
        QTest::mousePress(menu.GetWidget()->windowHandle(), Qt::LeftButton, {}, menu.GetWidget()->mapFromGlobal(g));
        if (!menu.GetWidget()->testAttribute(Qt::WA_NoMouseReplay))
            QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    });
    // Should the press not close it, the test fails rather than hangs.
    bool stillOpen = false;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        stillOpen = menu.GetWidget()->isVisible();
        menu.GetWidget()->close();
    });
    safety.start(3000);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    safety.stop();
    EXPECT_TRUE(wasOpen);
    EXPECT_FALSE(stillOpen);
    QApplication::processEvents();
    EXPECT_EQ(shown, 2);  // not opened again
    EXPECT_FALSE(menu.GetWidget()->isVisible());
    EXPECT_EQ(b->State(), bsUp);
}

TEST(TB97Buttons, TheDropDownArrowAndTheLatchedPattern) {
    Form f;
    TPopupMenu menu;
    menu.GetItems()->Add(new TMenuItem);
    TToolbarButton97* b = f.buttons[3];  // no glyph, no caption
    b->SetDropdownMenu(&menu);
    QApplication::processEvents();
    const TPoint o = b->CurrentLayout().ArrowPos;
    const QImage img = b->grab().toImage();
    const QRgb ink = Rgb(clBtnText), face = Rgb(clBtnFace);
    // The triangle (4, 0), (8, 0), (6, 2) from the arrow's origin.
    for (int x = 4; x <= 8; ++x) EXPECT_EQ(img.pixel(o.X + x, o.Y) & 0xFFFFFF, ink) << x;
    EXPECT_EQ(img.pixel(o.X + 3, o.Y) & 0xFFFFFF, face);
    EXPECT_EQ(img.pixel(o.X + 9, o.Y) & 0xFFFFFF, face);
    EXPECT_EQ(img.pixel(o.X + 6, o.Y + 2) & 0xFFFFFF, ink);
    EXPECT_EQ(img.pixel(o.X + 5, o.Y + 2) & 0xFFFFFF, face);
    // The latched pattern: 0xA06950 and white, made anew when the system
    // colours change (the face and highlight are not its colours).
    const QImage& pattern = TB97LatchedPattern();
    EXPECT_EQ(pattern.pixel(0, 0) & 0xFFFFFF, 0x5069A0u);  // 0xA06950 is blue 0xA0, green 0x69, red 0x50
    EXPECT_EQ(pattern.pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);
    const qint64 before = pattern.cacheKey();
    QPalette changed = b->palette();
    changed.setColor(QPalette::Button, Qt::red);
    b->setPalette(changed);
    EXPECT_NE(TB97LatchedPattern().cacheKey(), before);
    EXPECT_EQ(TB97LatchedPattern().pixel(0, 0) & 0xFFFFFF, 0x5069A0u);
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
