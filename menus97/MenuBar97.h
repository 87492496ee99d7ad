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

class TMenuSpeedButton : public TKV_Button {
    Q_OBJECT
public:
    using TKV_Button::TKV_Button;
    TMenuItem* Item() const { return FItem; }
    void SetItem(TMenuItem* item) { FItem = item; }

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void DialogChar() override;

private:
    QPointer<TMenuItem> FItem;
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
    // Makes the buttons anew from the menu's visible top-level entries.
    void Rebuild();
    const std::vector<TMenuSpeedButton*>& Buttons() const { return FButtons; }
    int MinimumWidth() const;
    bool MenuMode() const { return FMenuMode; }
    void SetMenuMode(bool value);
    int Current() const { return FCurrent; }
    // The open drop-down's button (nullptr: none open).
    TMenuSpeedButton* Tracked() const { return FTracked; }
    void Step(int step);
    void Open(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TMenuSpeedButton;
    std::vector<bool> VisibleButtons() const;
    QPointer<TCustomMainMenus97> FMenus;
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
