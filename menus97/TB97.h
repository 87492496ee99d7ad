#pragma once
// Toolbars: docks along a form's edges (TDock97) holding toolbars
// (TToolbar97) in rows; a toolbar floats in a small tool window of its own
// (TFloatParent) and is dragged between docks and the floating state. Its
// controls are toolbar buttons (TToolbarButton97: flat, hot-tracking, with a
// glyph strip, caption, drop-down menu and grouped latching), separators
// (TToolbarSep97) and any other widgets.
//
// Platforms: on X11 the drag and resize outline is a frameless,
// input-transparent window following the pointer. On Wayland no client
// places windows or learns the global pointer position, so a floating
// toolbar moves (by its caption) and resizes through the compositor and
// docks again by a double-click or by a drag from its body dropped onto
// the form, where drop positions arrive in form coordinates.
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "menus97/TB97Layout.h"
#include "platform/Controls.h"
#include "platform/ImageList.h"
#include "platform/Menus.h"

class QMimeData;
class TToolbar97;
class TDock97;
class TFloatParent;

// ---- glyphs ------------------------------------------------------------------------

enum TButtonState97 { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3, bsMouseIn = 4 };

// An image list of one image size shared by every glyph of that size, with
// the slots in use marked.
class TGlyphList : public TImageList {
    Q_OBJECT
public:
    TGlyphList(int width, int height);
    // Stores image (masked by its transparent colour) in a free slot and
    // returns it. Raises EInvalidOperation "Invalid image size" when the
    // image is smaller than the list's size and "Unable to Replace Image"
    // when the slot cannot take it.
    int AddMasked(const QImage& image, TColor transparent);
    void Delete(int index);
    int UseCount = 0;

private:
    std::vector<bool> FUsed;
};

// The process's glyph lists by size: a list is made on first use and freed
// with its last user.
class TGlyphCache {
public:
    static TGlyphList* GetList(int width, int height);
    static void ReturnList(TGlyphList* list);
    static int ListCount();
};

// The images of a glyph strip for the five button states.
class TButtonGlyph {
public:
    TButtonGlyph() = default;
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const QImage& GetGlyph() const { return FOriginal; }
    // Takes a copy; the strip's count follows a width that is a whole
    // multiple of the height.
    void SetGlyph(const QImage& value);
    int GetNumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int value);
    bool GetOldDisabledStyle() const { return FOldDisabledStyle; }
    void SetOldDisabledStyle(bool value);
    TColor TransparentColor() const { return FTransparentColor; }
    // One section of the strip (0 x 0 without a glyph).
    TSize GlyphSize() const;
    // The image of a state (made on first use); -1 without a glyph.
    int CreateImage(TButtonState97 state);
    TGlyphList* List() const { return FList; }
    void Draw(QPainter& p, TPoint at, TButtonState97 state);
    // Drops the made images (colours or style changed).
    void Invalidate();

private:
    QImage MakeImage(int state) const;
    QImage FOriginal;
    TGlyphList* FList = nullptr;
    int FIndexs[5] = {-1, -1, -1, -1, -1};
    TColor FTransparentColor = clOlive;
    int FNumGlyphs = 1;
    bool FOldDisabledStyle = false;
};

// ---- separators and buttons ---------------------------------------------------------

class TToolbarSep97 : public TGraphicControl {
    Q_OBJECT
public:
    // Raises EInvalidOperation unless toolbar is a TToolbar97.
    explicit TToolbarSep97(QWidget* toolbar);
    bool GetBlank() const { return FBlank; }
    void SetBlank(bool value);
    int GetSizeHorz() const { return FSizeHorz; }
    void SetSizeHorz(int value);
    int GetSizeVert() const { return FSizeVert; }
    void SetSizeVert(int value);

protected:
    void Paint(QPainter& canvas) override;

private:
    void Rearrange();
    bool FBlank = false;
    int FSizeHorz = 6, FSizeVert = 6;
};

enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };

class TToolbarButton97 : public TGraphicControl {
    Q_OBJECT
public:
    explicit TToolbarButton97(QWidget* parent = nullptr);
    ~TToolbarButton97() override;

    bool GetAllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    int GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    TButtonDisplayMode GetDisplayMode() const { return FDisplayMode; }
    void SetDisplayMode(TButtonDisplayMode value);
    bool GetDown() const { return FDown; }
    void SetDown(bool value);
    bool GetDropdownArrow() const { return FDropdownArrow; }
    void SetDropdownArrow(bool value);
    bool GetDropdownCombo() const { return FDropdownCombo; }
    // The width grows or shrinks by the menu part's 11 pixels (at least 1).
    void SetDropdownCombo(bool value);
    TPopupMenu* GetDropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* value);
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool value);
    bool GetOpaque() const { return FOpaque; }
    void SetOpaque(bool value);
    const QImage& GetGlyph() const { return FGlyph.GetGlyph(); }
    void SetGlyph(const QImage& value);
    TButtonLayout GetLayout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    int GetMargin() const { return FMargin; }
    // Ignored below -1.
    void SetMargin(int value);
    int GetNumGlyphs() const { return FGlyph.GetNumGlyphs(); }
    // Kept within 1..5.
    void SetNumGlyphs(int value);
    bool GetOldDisabledStyle() const { return FGlyph.GetOldDisabledStyle(); }
    void SetOldDisabledStyle(bool value);
    int GetSpacing() const { return FSpacing; }
    void SetSpacing(int value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);

    TButtonState97 State() const { return FState; }
    bool MouseIn() const { return FMouseIn; }
    TButtonGlyph& Glyph() { return FGlyph; }
    // Where glyph, caption and arrow go in the current state.
    TB97ButtonLayoutOut CurrentLayout() const;
    // The button whose hot state the 125 ms check watches.
    static TToolbarButton97* TrackedButton();
    // The check itself (also run by the timer).
    void CheckMouse();
    void Click() override;

    TNotifyEvent OnMouseEnter, OnMouseExit;

protected:
    void Paint(QPainter& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DblClick() override;
    void MouseLeave() override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void GroupPressed();
    // The application is active and the button's form (a floating
    // toolbar's: its owner form) is the active window.
    bool FormIsActive() const;
    static void WatchActivation();
    void EnterHot();
    void LeaveHot();
    bool ArrowShown() const;
    bool InMainPart(int x, int y) const;
    void OpenMenu();
    void UpdateShortcut();

    bool FAllowAllUp = false;
    int FGroupIndex = 0;
    TButtonDisplayMode FDisplayMode = dmBoth;
    bool FDown = false;
    bool FDropdownArrow = true;
    bool FDropdownCombo = false;
    QPointer<TPopupMenu> FDropdownMenu;
    bool FFlat = true;
    bool FOpaque = true;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FWordWrap = false;
    QString FCaption;
    TColor FColor = clBtnFace;
    TButtonGlyph FGlyph;
    TButtonState97 FState = bsUp;
    bool FMouseIn = false;
    bool FMenuPartPressed = false;
    bool FMouseIsDown = false;
    bool FInClick = false;
    bool FMenuOpen = false;
    class QShortcut* FShortcut = nullptr;
};

// The 8 x 8 checkerboard of 0xA06950 and white on latched buttons, made on
// first use.
const QImage& TB97LatchedPattern();
// The system colours changed: the pattern is made anew unless the button
// face and highlight are its two colours.
void TB97SystemColorsChanged();

// ---- docks and toolbars -------------------------------------------------------------

enum TDockBoundLine : unsigned { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
using TDockBoundLines = unsigned;
using TInsertRemoveEvent = std::function<void(QObject* Sender, bool Inserting, TToolbar97* Bar)>;

// Who moves floating windows: the program (X11: it places them and draws
// the drag outline) or the compositor (Wayland). Follows the platform
// unless set; tests set it to take either route.
enum class TB97Mover { FromPlatform, Program, Compositor };
void TB97SetMover(TB97Mover value);
bool TB97CompositorMoves();

// The system's measures of window parts, as the application's style gives
// them: the frame width of a sizeable window, the caption height of a tool
// window, and the width of a caption button.
int TB97FrameWidth();
int TB97CaptionHeight();
int TB97CaptionButtonWidth();

class TDock97 : public QWidget {
    Q_OBJECT
public:
    // parent: the form (a window), never a toolbar or another dock.
    explicit TDock97(QWidget* parent, TDockPosition position = dpTop);
    ~TDock97() override;

    TDockPosition GetPosition() const { return FPosition; }
    // Raises EInvalidOperation while the dock holds controls.
    void SetPosition(TDockPosition value);
    bool GetAllowDrag() const { return FAllowDrag; }
    void SetAllowDrag(bool value);
    const QImage& GetBackground() const { return FBackground; }
    void SetBackground(const QImage& value);
    bool GetBackgroundTransparent() const { return FBackgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    TDockBoundLines GetBoundLines() const { return FBoundLines; }
    void SetBoundLines(TDockBoundLines value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool GetFixAlign() const { return FFixAlign; }
    void SetFixAlign(bool value);
    bool GetLimitToOneRow() const { return FLimitToOneRow; }
    void SetLimitToOneRow(bool value);
    // Raises EInvalidOperation "Cannot hide a TDock97" when hiding.
    void setVisible(bool visible) override;
    // Shown by a right click on the dock.
    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value) { FPopupMenu = value; }

    // The docked toolbars in their stored order.
    std::vector<TToolbar97*> Toolbars() const;
    const std::vector<int>& RowSizes() const { return FRows; }
    // Lays the toolbars out and sizes the dock.
    void ArrangeToolbars();
    void BeginUpdate() { ++FDisableArrange; }
    void EndUpdate();
    // The background as drawn (the transparent copy when asked for).
    const QImage& DrawnBackground();
    // Paints the background under rect (in this dock's coordinates) on p
    // whose origin is offset from the dock's.
    void PaintBackground(QPainter& p, const QRect& rect, QPoint offset);
    // Places every dock of form along its edges.
    static void RealignDocks(QWidget* form);

    TInsertRemoveEvent OnInsertRemoveBar;
    TNotifyEvent OnResize;

protected:
    void paintEvent(QPaintEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TToolbar97;
    void UpdateMargins();
    QPointer<TPopupMenu> FPopupMenu;
    TDockPosition FPosition = dpTop;
    bool FAllowDrag = true;
    QImage FBackground, FTransparentBackground;
    bool FBackgroundTransparent = false;
    TDockBoundLines FBoundLines = 0;
    TColor FColor = clBtnFace;
    bool FFixAlign = false;
    bool FLimitToOneRow = false;
    int FDisableArrange = 0;
    int FThickness = 0;
    std::vector<int> FRows;
    QPointer<QWidget> FForm;
    bool FDestroying = false;
};

class TToolbar97 : public QWidget {
    Q_OBJECT
public:
    // parent: a dock, or the form itself (the toolbar then floats).
    explicit TToolbar97(QWidget* parent);
    ~TToolbar97() override;

    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool GetCanDockLeftRight() const { return FCanDockLeftRight; }
    void SetCanDockLeftRight(bool value) { FCanDockLeftRight = value; }
    bool GetCloseButton() const { return FCloseButton; }
    void SetCloseButton(bool value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TDock97* GetDefaultDock() const { return FDefaultDock; }
    void SetDefaultDock(TDock97* value) { FDefaultDock = value; }
    // The dock the toolbar is in; nullptr while floating.
    TDock97* GetDockedTo() const;
    void SetDockedTo(TDock97* value);
    int GetDockRow() const { return FDockRow; }
    void SetDockRow(int value);
    int GetDockPos() const { return FDockPos; }
    void SetDockPos(int value);
    // The floating window's screen rectangle (empty until first floated).
    TRect GetFloatingRect() const { return FFloatingRect; }
    void SetFloatingRect(const TRect& value);
    // The length a floating line may take (kTB97Unlimited until resized).
    int GetFloatingWidth() const { return FFloatingWidth; }
    bool IsFloating() const { return GetDockedTo() == nullptr; }
    // Floating, it hides while the application is inactive (default true).
    bool GetHideWhenInactive() const { return FHideWhenInactive; }
    void SetHideWhenInactive(bool value);
    TFloatParent* FloatParent() const { return FFloatParent; }
    QWidget* OwnerForm() const { return FForm; }
    // horizontal is shown except on left and right docks, vertical there.
    void SetOrientationPair(QWidget* horizontal, QWidget* vertical);
    void setVisible(bool visible) override;
    // Shown by a right click on the toolbar or a control of it that shows
    // no menu of its own.
    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value) { FPopupMenu = value; }

    // Lays the controls out and sizes the toolbar (floating: its window).
    void Arrange();
    // The controls in their stored order.
    std::vector<QWidget*> Controls() const;
    // The items as arranged for orientation (without moving anything).
    std::vector<TB97Item> Items() const;
    TB97Margins Margins(bool floating, TDock97* dock) const;
    const TB97ToolbarResult& LastArrangement() const { return FLast; }

    // Dragging: started by a left press on the toolbar (outside its
    // controls) or on the floating caption.
    void BeginDrag(QPoint globalPos);
    bool Dragging() const { return FDrag != nullptr; }
    // The dock the drag would drop into now (nullptr: floating).
    TDock97* DragTarget() const;
    QRect DragRect() const;
    // Resizing a floating toolbar by an edge (Qt::Edge).
    void BeginResize(Qt::Edges edge, QPoint globalPos);
    bool Resizing() const { return FResize != nullptr; }
    // Docks a floating toolbar to DefaultDock (row 0, first) or floats a
    // docked one.
    void ToggleDocking();
    // Hides the floating toolbar and fires OnClose.
    void CloseFloating();
    // Moves the floating window onto the nearest screen when it is not
    // fully on one.
    void KeepOnScreen();

    // Docking by drag and drop (when the compositor moves windows): a drag
    // from a floating toolbar's body carries DragData; dropped onto the
    // form, the dock zones of dragging decide dock, row and position.
    // grab: the press point relative to the floating window's size.
    QMimeData* MakeDragData(QPointF grab) const;
    // Whether data names this toolbar (of this process); grab: where it
    // was grabbed.
    bool ReadDragData(const QMimeData* data, QPointF* grab) const;
    // Runs the drag from a press at pos (toolbar coordinates); returns
    // when it is dropped or cancelled.
    void StartDockDrag(QPoint pos);
    // A drag enter, move, leave or drop event at receiver (the form or a
    // widget in it): true when it was this toolbar's drag. Enter is
    // accepted, a move only over a dock zone, and a drop there docks;
    // Ctrl keeps the toolbar floating.
    bool HandleDropEvent(QWidget* receiver, QEvent* event);

    TNotifyEvent OnClose, OnRecreated, OnRecreating, OnDockChanged, OnDockChanging;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TFloatParent;
    QPointer<TPopupMenu> FPopupMenu;
    friend class TDock97;
    struct DragState;
    struct ResizeState;
    // The first dock of the form that takes the toolbar, grabbed at grab
    // (relative to its size), with the cursor at cursor, in coordinates in
    // which origin(dock) is a dock's top-left; rect: the docked toolbar
    // there. Top and bottom docks come first, then side ones.
    TDock97* FindDock(QPoint cursor, QPointF grab, const std::function<QPoint(TDock97*)>& origin, QRect& rect) const;
    // Docks at rect (in dock's coordinates): the row under its centre
    // (a new one near a row boundary), the position at its start.
    void DockAt(TDock97* dock, const QRect& rect);
    void WatchScreen(class QScreen* screen);
    // After the compositor has resized the floating window: the nearest
    // size of the size list.
    void SnapToWindowSize();
    void DragMove(QPoint globalPos);
    void EndDrag(bool accept);
    void ResizeMove(QPoint globalPos);
    void EndResize(bool accept);
    void UpdateFloatingVisibility();
    void UpdateFloatingVisibility(Qt::ApplicationState state);
    void SetFloatingWidth(int value) { FFloatingWidth = value; }

    QPointer<QWidget> FForm;
    TFloatParent* FFloatParent = nullptr;
    QString FCaption;
    bool FCanDockLeftRight = true;
    bool FCloseButton = true;
    TColor FColor = clBtnFace;
    QPointer<TDock97> FDefaultDock;
    int FDockRow = 0;
    int FDockPos = -1;
    TRect FFloatingRect;
    int FFloatingWidth = kTB97Unlimited;
    std::vector<QPointer<QWidget>> FOrder;
    std::vector<std::pair<QPointer<QWidget>, QPointer<QWidget>>> FPairs;
    TB97ToolbarResult FLast;
    int FDisableArrange = 0;
    bool FArranging = false;
    bool FHiddenByUser = false;
    bool FHideWhenInactive = true;
    bool FReparenting = false;
    bool FFirstWhenDocked = false;
    std::unique_ptr<DragState> FDrag;
    std::unique_ptr<ResizeState> FResize;
    // A press on the body that starts the drop route once the pointer moves.
    std::optional<QPoint> FDockDragFrom;
    bool FDockDragging = false;
    // A drop during the drag: docked when the drag has ended.
    QPointer<TDock97> FDropDock;
    QRect FDropRect;
    // Snaps once the compositor's resizing has paused.
    QTimer FSnapTimer;
};

// The floating toolbar's tool window: frame, caption with the close box,
// edges that resize. It takes no focus and keeps the form active.
class TFloatParent : public QWidget {
    Q_OBJECT
public:
    TFloatParent(TToolbar97* toolbar, QWidget* form);
    ~TFloatParent() override;
    TToolbar97* Toolbar() const { return FToolbar; }
    // The close box in this window's coordinates.
    QRect CloseBox() const;
    bool CloseBoxPressed() const { return FClosePressed; }
    // The caption text as shown (shortened with "...").
    QString ShownCaption() const;
    // The frame edges at a point (0: none).
    Qt::Edges EdgesAt(QPoint p) const;

    // Drawn in the active caption colours while its form is active.
    bool CaptionActive() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ActivateForm();
    TToolbar97* FToolbar;
    bool FWatchingWindow = false;
    bool FCloseTracking = false;
    bool FClosePressed = false;
};
