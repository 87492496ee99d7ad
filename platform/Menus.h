#pragma once
// The framework's menus over Qt. A TMenu holds a tree of TMenuItem; every
// item is one entry (a row QAction) of its parent's drop-down, and an item
// with sub-items owns its drop-down, a TMenuPopup (a QMenu). A TPopupMenu
// shows its top level in a TMenuPopup, a TMainMenu in a QMenuBar.
//
// An entry can be handed to an owner-draw handler (TMenuItemPainter): its
// drop-down then asks the handler for the entry's size and has it paint the
// entry, as the framework's owner-drawn entries were measured and drawn (the
// system widening each such entry by a check mark's width less one, 12
// pixels). A
// drop-down with owner-drawn entries takes the classic menu frame (a raised
// 3-pixel border in the menu colour) and draws plain separators as etched
// lines. Entries without a handler are drawn by the application's style.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/Controls.h"
#include "platform/Geometry.h"

class TMenu;
class TMenuItem;
class TMenuPopup;

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

// The state of an entry handed to an owner-draw handler.
enum : unsigned {
    odSelected = 0x1,
    odGrayed = 0x2,
    odDisabled = 0x4,
    odChecked = 0x8,
    odFocused = 0x10,
    odDefault = 0x20
};
using TOwnerDrawState = unsigned;

// "Ctrl+L", "F1", "Alt+F4"; empty for no short-cut.
QString ShortCutToText(const QKeySequence& shortCut);
QKeySequence TextToShortCut(const QString& text);

// The application hint: the help text of what the user points at (a menu
// entry shows its Hint there while it is selected).
QString GetApplicationHint();
void SetApplicationHint(const QString& hint);

// Measures and paints owner-drawn entries.
class TMenuItemPainter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The entry's width and height in pixels (both start at 0).
    virtual void MeasureMenuItem(TMenuItem* item, QWidget* dropDown, int& width, int& height) = 0;
    // Paints the entry within rect of its drop-down; the canvas is clipped to
    // the entry.
    virtual void DrawMenuItem(TMenuItem* item, QWidget* dropDown, QPainter& canvas, const TRect& rect,
                              TOwnerDrawState state) = 0;
    // The entry of owner's drop-down that a typed character chooses; nullptr
    // leaves the key to the drop-down's own mnemonic handling.
    virtual TMenuItem* MenuChar(TMenuItem* owner, QChar ch);
    // A plain separator (an entry "-" drawn by nobody) in a drop-down whose
    // entries this painter draws: by default the menu colour and the etched
    // line across the middle. The canvas is clipped to the separator.
    virtual void DrawPlainSeparator(TMenuItem* item, QWidget* dropDown, QPainter& canvas, const TRect& rect);
    // The part of rect that the entry's own drawing uses (what decorations
    // of the painter's leave of it): the sub-menu arrow goes at its right
    // end. By default the whole rect.
    virtual TRect EntryArea(TMenuItem* item, QWidget* dropDown, const TRect& rect);
};

class TMenuItem : public QObject {
    Q_OBJECT
public:
    explicit TMenuItem(QObject* owner = nullptr);
    ~TMenuItem() override;

    // "-" makes a separator; "&" marks the accelerator.
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    int GetTag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    bool GetChecked() const { return FChecked; }
    // Checking a radio item unchecks the radio items of its GroupIndex among
    // its siblings.
    void SetChecked(bool value);
    bool GetRadioItem() const { return FRadioItem; }
    void SetRadioItem(bool value);
    int GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value) { FGroupIndex = value; }
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    // The default entry of its drop-down: drawn bold.
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool value);
    TMenuBreak GetBreak() const { return FBreak; }
    void SetBreak(TMenuBreak value) { FBreak = value; }
    const QKeySequence& GetShortCut() const { return FShortCut; }
    void SetShortCut(const QKeySequence& value);
    const QString& GetHint() const { return FHint; }
    void SetHint(const QString& value) { FHint = value; }
    int GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int value) { FHelpContext = value; }
    // The entry's identifier, unique in the process.
    int GetCommand() const { return FCommand; }
    bool IsLine() const { return FCaption == QLatin1String("-"); }

    // ---- the tree
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* GetItem(int index) const;
    TMenuItem* GetParent() const { return FParent; }
    int IndexOf(const TMenuItem* item) const;
    int GetMenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
    // Takes item over (it leaves its previous parent first); an index past
    // the end appends.
    void Insert(int index, TMenuItem* item);
    void Add(TMenuItem* item) { Insert(Count(), item); }
    // Takes item out without deleting it; the caller owns it then.
    void Remove(TMenuItem* item);
    // Deletes the sub-item at index, or all of them.
    void Delete(int index);
    void Clear();
    // The first sub-item whose caption without "&" equals caption.
    TMenuItem* Find(const QString& caption) const;
    // The menu whose tree holds the item (nullptr when detached).
    TMenu* GetMenu() const;

    // Fires OnClick when the entry is enabled.
    void Click();
    TNotifyEvent OnClick;

    // The entry's row in its parent's drop-down.
    QAction* Action() const { return FAction; }
    // The drop-down of the sub-items (nullptr without sub-items, except for
    // a popup menu's top level).
    TMenuPopup* DropDown() const { return FDropDown.get(); }
    TMenuItemPainter* GetOwnerDraw() const { return FOwnerDraw; }
    // Hands the entry to painter (nullptr: back to the style's drawing); its
    // drop-down measures again.
    void SetOwnerDraw(TMenuItemPainter* painter);
    // Has the drop-down that shows this entry measure it again.
    void Remeasure();

private:
    friend class TMenu;
    friend class TMainMenu;
    friend class TPopupMenu;
    // The widget that shows the sub-items' rows: the drop-down, or the menu
    // bar for a main menu's top level.
    QWidget* RowContainer() const;
    void EnsureDropDown();
    void UpdateAction();
    void UpdateShortCutAction();
    void UncheckRadioSiblings();

    QString FCaption;
    int FTag = 0;
    bool FChecked = false;
    bool FRadioItem = false;
    int FGroupIndex = 0;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    TMenuBreak FBreak = mbNone;
    QKeySequence FShortCut;
    QString FHint;
    int FHelpContext = 0;
    int FCommand;

    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    TMenu* FRootOf = nullptr;  // set on a menu's top-level item
    QAction* FAction;
    QAction* FShortCutAction = nullptr;
    std::unique_ptr<TMenuPopup> FDropDown;
    QPointer<QMenuBar> FBar;  // a main menu's top level shows its rows here
    QPointer<TMenuItemPainter> FOwnerDraw;
};

// A drop-down of a TMenuItem: a QMenu that lets owner-draw handlers measure
// and paint their entries and answer typed characters.
class TMenuPopup : public QMenu {
    Q_OBJECT
public:
    explicit TMenuPopup(TMenuItem* owner);
    TMenuItem* OwnerItem() const { return FOwner; }
    // The painter of the first owner-drawn entry (nullptr when none).
    TMenuItemPainter* EntryPainter() const;
    // The item of one of this drop-down's rows (nullptr for foreign actions).
    static TMenuItem* ItemOf(const QAction* action);
    bool HasOwnerDrawnEntries() const;
    // Lays the rows out again (sizes are asked anew).
    void Relayout();

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TMenuItem* FOwner;
};

class TMenu : public QObject {
    Q_OBJECT
public:
    ~TMenu() override;
    // The top level: its sub-items are the menu's entries.
    TMenuItem* GetItems() const { return FItems; }
    // The entry with that identifier anywhere in the tree.
    TMenuItem* FindItem(int command) const;
    // The window whose key presses reach the entries' short-cuts.
    QWidget* GetWindow() const { return FWindow; }
    void SetWindow(QWidget* window);

signals:
    // A drop-down of the tree is about to open (owner: the item whose
    // sub-items it shows).
    void DropDownShowing(TMenuItem* owner);

protected:
    explicit TMenu(QObject* owner);
    TMenuItem* FItems;

private:
    QPointer<QWidget> FWindow;
};

class TPopupMenu : public TMenu {
    Q_OBJECT
public:
    explicit TPopupMenu(QObject* owner = nullptr);
    // The drop-down of the top level (what a button's drop-down menu shows).
    TMenuPopup* GetWidget() const { return FItems->DropDown(); }
    // Shows the menu with its top-left corner at the screen point (x, y).
    void Popup(int x, int y);
    // Fires whenever the top level is about to open, however it is opened.
    TNotifyEvent OnPopup;
};

class TMainMenu : public TMenu {
    Q_OBJECT
public:
    // The menu bar is made a child of form; form is also the short-cuts'
    // window.
    explicit TMainMenu(QWidget* form);
    QMenuBar* GetMenuBar() const { return FBar; }

private:
    QPointer<QMenuBar> FBar;
};

// The etched line of a separator across the middle of rect: the button
// shadow from Left + 1 to Right - 1 (exclusive), the highlight one row lower.
void DrawEtchedMenuLine(QPainter& canvas, const TRect& rect);

// The item a row action belongs to, also for actions of a menu bar.
inline TMenuItem* MenuItemOfAction(const QAction* action) { return TMenuPopup::ItemOf(action); }
