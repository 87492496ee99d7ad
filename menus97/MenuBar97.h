#pragma once
// The menu-bar panel: one TMenuSpeedButton per top-level entry of a main
// menu, standing in for the form's menu bar. Alt alone toggles keyboard
// navigation (Left and Right wrap round the visible buttons, Down opens,
// Esc leaves); while a drop-down is open, Left, Right and the mouse move to
// the neighbouring menus. Neither program is multi-document, so the panel
// has no MDI child buttons.
#include <QFrame>
#include <QPointer>
#include <vector>

#include "platform/Menus.h"
#include "widgets/kv_btns.h"

class TCustomMainMenus97;

// How the panel shows one of its buttons: flat, hot (a raised frame) or
// pressed (sunken, while its drop-down is open).
enum TMenuButtonLook { mbkFlat, mbkHot, mbkPressed };

class TMenuSpeedButton : public TKV_Button {
    Q_OBJECT
public:
    using TKV_Button::TKV_Button;
    TMenuItem* Item() const { return FItem; }
    void SetItem(TMenuItem* item) { FItem = item; }
    TMenuButtonLook Look() const { return FLook; }
    // Set by the panel, which keeps one button hot or pressed at a time.
    void SetLook(TMenuButtonLook value);

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void DialogChar() override;

private:
    QPointer<TMenuItem> FItem;
    TMenuButtonLook FLook = mbkFlat;
};

class TCustomMenuBar97 : public QFrame {
    Q_OBJECT
public:
    explicit TCustomMenuBar97(QWidget* parent = nullptr);
    ~TCustomMenuBar97() override;
    bool GetFullSize() const { return FFullSize; }
    void SetFullSize(bool value);
    // The menu whose top level the buttons show (set by TMainMenus97).
    void SetMenus(TCustomMainMenus97* menus);
    // Makes the buttons anew from the menu's visible top-level entries (also
    // by itself whenever the top level changes).
    void Rebuild();
    // FullSize: as wide as the parent; else the minimum width.
    void AdjustWidth();
    const std::vector<TMenuSpeedButton*>& Buttons() const { return FButtons; }
    int MinimumWidth() const;
    bool MenuMode() const { return FMenuMode; }
    void SetMenuMode(bool value);
    int Current() const { return FCurrent; }
    // The open drop-down's button (nullptr: none open).
    TMenuSpeedButton* Tracked() const { return FTracked; }
    void Step(int step);
    void Open(int index);
    // The button shown hot (under the pointer, or the current one in menu
    // mode); nullptr when none is.
    TMenuSpeedButton* HotButton() const;
    // Gives every button its look: the open drop-down's button pressed,
    // else the hot one raised, all others flat.
    void UpdateLooks();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TMenuSpeedButton;
    std::vector<bool> VisibleButtons() const;
    void WatchMenu(bool watch);
    void ScheduleRebuild();
    QPointer<TCustomMainMenus97> FMenus;
    QPointer<QWidget> FWatchedBar, FWatchedParent;
    bool FRebuildPending = false;
    QMetaObject::Connection FTriggered;
    // The button under the pointer as its enter and leave events tell.
    QPointer<TMenuSpeedButton> FHover;
    std::vector<TMenuSpeedButton*> FButtons;
    bool FFullSize = true;
    bool FMenuMode = false;
    int FCurrent = 0;
    QPointer<TMenuSpeedButton> FTracked;
    bool FAltAlone = false;
};

class TMenuBar97 : public TCustomMenuBar97 {
    Q_OBJECT
public:
    using TCustomMenuBar97::TCustomMenuBar97;
};
