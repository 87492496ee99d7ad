#include "menus97/MenuBar97.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QTimer>

#include "menus97/Menus97.h"
#include "menus97/TB97.h"
#include "menus97/TB97Layout.h"

namespace {
TCustomMenuBar97* BarOf(const QWidget* button) { return qobject_cast<TCustomMenuBar97*>(button->parentWidget()); }
}  // namespace

void TMenuSpeedButton::SetLook(TMenuButtonLook value) {
    if (value == FLook && FRaised == (value != mbkFlat)) return;
    FLook = value;
    // The flat button's frame: none, raised, or sunken while pressed.
    FRaised = value != mbkFlat;
    FPressed = value == mbkPressed ? 2 : 0;
    update();
}

void TMenuSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // Past the button's own press handling: the bar shows the pressed look.
    TGraphicControl::MouseDown(button, shift, x, y);  // NOLINT(bugprone-parent-virtual-call)
    if (button != mbLeft || !isEnabled()) return;
    TCustomMenuBar97* bar = BarOf(this);
    if (!bar) return;
    const auto& b = bar->Buttons();
    const int index = static_cast<int>(std::find(b.begin(), b.end(), this) - b.begin());
    if (bar->Tracked() == this) {
        // A press on the open menu's button closes the menu, nothing else.
        if (FItem && FItem->DropDown()) FItem->DropDown()->close();
        return;
    }
    bar->Open(index);
}

void TMenuSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);  // NOLINT(bugprone-parent-virtual-call)
    if (TCustomMenuBar97* bar = BarOf(this)) bar->UpdateLooks();
}

void TMenuSpeedButton::MouseEnter() {
    TCustomMenuBar97* bar = BarOf(this);
    if (!bar) return TKV_Button::MouseEnter();
    bar->FHover = this;
    bar->UpdateLooks();
}

void TMenuSpeedButton::MouseLeave() {
    TCustomMenuBar97* bar = BarOf(this);
    if (!bar) return TKV_Button::MouseLeave();
    if (bar->FHover == this) bar->FHover = nullptr;
    bar->UpdateLooks();
}

void TMenuSpeedButton::DialogChar() {
    if (auto* bar = BarOf(this)) {
        const auto& b = bar->Buttons();
        bar->Open(static_cast<int>(std::find(b.begin(), b.end(), this) - b.begin()));
    }
}

TCustomMenuBar97::TCustomMenuBar97(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    if (parent) parent->installEventFilter(this);
    FWatchedParent = parent;
}

TCustomMenuBar97::~TCustomMenuBar97() {
    WatchMenu(false);
    if (window()) window()->removeEventFilter(this);
    if (FWatchedParent) FWatchedParent->removeEventFilter(this);
}

void TCustomMenuBar97::SetFullSize(bool value) {
    FFullSize = value;
    Rebuild();
}

void TCustomMenuBar97::SetMenus(TCustomMainMenus97* menus) {
    WatchMenu(false);
    FMenus = menus;
    if (window()) window()->installEventFilter(this);
    WatchMenu(true);
    Rebuild();
}

// The top level's rows live in the form's menu bar (hidden while the panel
// stands in for it): their changes tell of entries added, removed, renamed,
// shown or hidden.
void TCustomMenuBar97::WatchMenu(bool watch) {
    if (!watch) {
        if (FWatchedBar) FWatchedBar->removeEventFilter(this);
        FWatchedBar = nullptr;
        return;
    }
    TMainMenu* menu = FMenus ? FMenus->GetMainMenu() : nullptr;
    FWatchedBar = menu ? menu->GetMenuBar() : nullptr;
    if (FWatchedBar) FWatchedBar->installEventFilter(this);
}

void TCustomMenuBar97::ScheduleRebuild() {
    if (FRebuildPending) return;
    FRebuildPending = true;
    // Once the change is complete (an entry is added before its caption is set).
    QTimer::singleShot(0, this, [this] {
        FRebuildPending = false;
        Rebuild();
    });
}

void TCustomMenuBar97::Rebuild() {
    TMainMenu* menu = FMenus ? FMenus->GetMainMenu() : nullptr;
    const int count = menu ? menu->GetItems()->Count() : 0;
    const int itemHeight = FMenus ? std::max(FMenus->GetDefaultItemHeight(), 8) : 20;
    int x = 1;
    size_t used = 0;
    for (int i = 0; i < count; ++i) {
        TMenuItem* item = menu->GetItems()->GetItem(i);
        if (!item->GetVisible()) continue;
        if (used == FButtons.size()) {
            auto* b = new TMenuSpeedButton(this);
            b->SetAllowAllUp(true);
            b->SetFlat(true);
            FButtons.push_back(b);
        }
        TMenuSpeedButton* b = FButtons[used++];
        const QString text = Menus97EntryText(item->GetCaption());
        b->SetItem(item);
        b->SetCaption(text);
        b->setToolTip(item->GetHint());
        const int tw = QFontMetrics(b->font()).horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + 8;
        b->setGeometry(x, 1, MenuBar97ButtonWidth(text, tw), itemHeight - 1);
        b->show();
        x += b->width();
    }
    // Surplus buttons drop their menu and are skipped by navigation.
    for (size_t i = used; i < FButtons.size(); ++i) {
        FButtons[i]->SetItem(nullptr);
        FButtons[i]->hide();
    }
    if (FCurrent >= static_cast<int>(used)) FCurrent = 0;
    const bool heightChanged = height() != itemHeight + 1;
    setMinimumHeight(itemHeight + 1);
    setFixedHeight(itemHeight + 1);
    AdjustWidth();
    if (heightChanged) TDock97::RealignDocks(window());  // the docks lie below the panel
    if (QWidget* w = window(); w && w != this) w->setMinimumWidth(std::max(w->minimumWidth(), MinimumWidth()));
    UpdateLooks();
}

void TCustomMenuBar97::AdjustWidth() {
    QWidget* p = parentWidget();
    if (p && FFullSize) setGeometry(x(), y(), p->width() - x(), height());
    else resize(MinimumWidth(), height());
}

int TCustomMenuBar97::MinimumWidth() const {
    int w = 1;
    for (TMenuSpeedButton* b : FButtons)
        if (!b->isHidden()) w += b->width();
    // Beyond the buttons: the frame on both sides, and without FullSize the
    // room of the three window buttons.
    return w + 2 * TB97FrameWidth() + (FFullSize ? 14 : 4 * TB97CaptionButtonWidth() + 18);
}

std::vector<bool> TCustomMenuBar97::VisibleButtons() const {
    std::vector<bool> v;
    for (TMenuSpeedButton* b : FButtons) v.push_back(!b->isHidden() && b->Item());
    return v;
}

TMenuSpeedButton* TCustomMenuBar97::HotButton() const {
    if (FTracked) return nullptr;
    if (FMenuMode) {
        if (FCurrent < 0 || FCurrent >= static_cast<int>(FButtons.size())) return nullptr;
        TMenuSpeedButton* b = FButtons[FCurrent];
        return b->isHidden() || !b->Item() ? nullptr : b;
    }
    if (!FHover || FHover->isHidden() || !FHover->Item() || !FHover->isEnabled()) return nullptr;
    return FHover;
}

void TCustomMenuBar97::UpdateLooks() {
    TMenuSpeedButton* hot = HotButton();
    for (TMenuSpeedButton* b : FButtons) b->SetLook(b == FTracked ? mbkPressed : b == hot ? mbkHot : mbkFlat);
}

void TCustomMenuBar97::SetMenuMode(bool value) {
    if (value == FMenuMode) return;
    FMenuMode = value;
    if (value) {
        FCurrent = MenuBar97Step(VisibleButtons(), -1 + 0, 1);
        if (FCurrent < 0 || FCurrent >= static_cast<int>(FButtons.size())) FCurrent = 0;
        setFocus();
    }
    for (size_t i = 0; i < FButtons.size(); ++i) FButtons[i]->SetDown(false);
    UpdateLooks();
}

void TCustomMenuBar97::Step(int step) {
    FCurrent = MenuBar97Step(VisibleButtons(), FCurrent, step);
    UpdateLooks();
}

void TCustomMenuBar97::Open(int index) {
    if (index < 0 || index >= static_cast<int>(FButtons.size())) return;
    TMenuSpeedButton* b = FButtons[index];
    TMenuItem* item = b->Item();
    if (!item || !item->DropDown() || b->isHidden()) return;
    if (FTracked && FTracked != b) {
        TMenuItem* old = FTracked->Item();
        FTracked = nullptr;
        if (old && old->DropDown()) old->DropDown()->close();
    }
    FCurrent = index;
    FTracked = b;
    UpdateLooks();
    QMenu* menu = item->DropDown();
    menu->installEventFilter(this);
    QObject::connect(
        menu, &QMenu::aboutToHide, this,
        [this, b] {
            if (FTracked != b) return;
            FTracked = nullptr;
            // The pointer may have left while the drop-down had it.
            FHover = nullptr;
            for (TMenuSpeedButton* other : FButtons)
                if (!other->isHidden() && other->rect().contains(other->mapFromGlobal(QCursor::pos()))) FHover = other;
            UpdateLooks();
        },
        Qt::SingleShotConnection);
    // Choosing an entry ends keyboard navigation.
    disconnect(FTriggered);
    FTriggered = connect(menu, &QMenu::triggered, this, [this] { SetMenuMode(false); });
    menu->popup(b->mapToGlobal(QPoint(0, b->height())));
}

void TCustomMenuBar97::keyPressEvent(QKeyEvent* event) {
    if (!FMenuMode) return QFrame::keyPressEvent(event);
    switch (event->key()) {
        case Qt::Key_Left: Step(-1); break;
        case Qt::Key_Right: Step(1); break;
        case Qt::Key_Down: Open(FCurrent); break;
        case Qt::Key_Escape: SetMenuMode(false); break;
        default: return QFrame::keyPressEvent(event);
    }
}

// Stands in for the menu loop's message hook: Alt alone on the form, and
// keys and the mouse on the open drop-down.
bool TCustomMenuBar97::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == FWatchedBar) {
        if (type == QEvent::ActionAdded || type == QEvent::ActionChanged || type == QEvent::ActionRemoved)
            ScheduleRebuild();
        return false;
    }
    if (watched == parentWidget() && type == QEvent::Resize) AdjustWidth();
    if (watched == window()) {
        if (type == QEvent::KeyPress) {
            const auto* k = static_cast<QKeyEvent*>(event);
            FAltAlone = k->key() == Qt::Key_Alt && !k->isAutoRepeat();
        } else if (type == QEvent::KeyRelease) {
            const auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Alt && FAltAlone) SetMenuMode(!FMenuMode);
            FAltAlone = false;
        }
        return false;
    }
    if (FTracked && FTracked->Item() && watched == FTracked->Item()->DropDown()) {
        auto* menu = static_cast<QMenu*>(watched);
        if (type == QEvent::KeyPress) {
            const auto* k = static_cast<QKeyEvent*>(event);
            const QAction* active = menu->activeAction();
            const bool sub = active && active->menu();
            if (k->key() == Qt::Key_Left || (k->key() == Qt::Key_Right && !sub)) {
                Step(k->key() == Qt::Key_Left ? -1 : 1);
                const int next = FCurrent;
                QTimer::singleShot(0, this, [this, next] { Open(next); });
                menu->close();
                return true;
            }
        } else if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress) {
            const auto* m = static_cast<QMouseEvent*>(event);
            const QPoint local = mapFromGlobal(m->globalPosition().toPoint());
            for (size_t i = 0; i < FButtons.size(); ++i) {
                TMenuSpeedButton* b = FButtons[i];
                if (b->isHidden() || !b->geometry().contains(local) || !b->Item()) continue;
                if (b == FTracked) {
                    if (type == QEvent::MouseButtonPress) {
                        // Closes the menu directly; the press goes nowhere else.
                        menu->setAttribute(Qt::WA_NoMouseReplay, true);
                        menu->close();
                        return true;
                    }
                    return false;
                }
                const int next = static_cast<int>(i);
                QTimer::singleShot(0, this, [this, next] { Open(next); });
                menu->setAttribute(Qt::WA_NoMouseReplay, true);
                menu->close();
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}
