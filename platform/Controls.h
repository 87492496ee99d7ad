#pragma once
// What the framework's controls have in common, over QWidget: event types,
// the font colour (kept in the widget's palette as WindowText, so children
// inherit it as they inherit the font), caption accelerators, and the
// windowless "graphic control" base that paints on its parent.
#include <QSizePolicy>
#include <QWidget>
#include <functional>

#include "platform/Colors.h"
#include "platform/Geometry.h"
#include "platform/Paint.h"

using TNotifyEvent = std::function<void(QObject* Sender)>;

// What a bevel of the shape asks of a layout beside BevelSizeHint: a line
// stretches along its length only.
QSizePolicy BevelSizePolicy(TBevelShape shape);

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// A windowed control's border: none, or a single line (sunken 3-D with Ctl3D).
enum TBorderStyle { bsNone, bsSingle };

// The client rectangle of any widget: (0, 0, width, height).
inline TRect GetClientRectOf(const QWidget* w) { return TRect(0, 0, w->width(), w->height()); }

// Stores value in field when it differs; true when it changed. Setters that
// repaint on change are written with it.
template <typename T>
bool ChangeField(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}

// Whether a layout of its parent places the widget (also through nested
// layouts). Its geometry is then the layout's: a control that sizes itself
// (AutoSize) only asks the layout again, through its size hint.
bool IsLaidOut(const QWidget* w);
// A self-sizing control takes bounds: outside a layout they are set; in
// either case the layout is told that the size hint changed.
void ApplyAutoSize(QWidget* w, const TRect& bounds);

// Font.Color of a widget (its palette's WindowText and ButtonText).
TColor GetFontColor(const QWidget* w);
void SetFontColor(QWidget* w, TColor color);

// The accelerator of a caption: the character after a single '&' ("&&" is a
// literal '&'), upper-cased; a null character when there is none.
QChar AcceleratorOf(const QString& caption);

// Keeps `shortcut` (owned by `owner`) as Alt + `key` across the window,
// running `activated`; a null key removes it.
class QShortcut;
void UpdateAcceleratorShortcut(QWidget* owner, QShortcut*& shortcut, QChar key, std::function<void()> activated);

// A windowless control: transparent over its parent unless it fills itself,
// painted by the virtual Paint. Mouse presses, releases and moves go to the
// virtual MouseDown/MouseUp/MouseMove (which fire the events), a left
// release over the control after a left press on it is a click, the mouse
// entering and leaving calls MouseEnter/MouseLeave.
class TGraphicControl : public QWidget {
    Q_OBJECT
public:
    explicit TGraphicControl(QWidget* parent = nullptr);

    TRect GetClientRect() const { return GetClientRectOf(this); }
    virtual void SetBounds(int left, int top, int width, int height);
    // Keeps the control at the parent's edge (alTop, alBottom, alLeft,
    // alRight) or over its whole client area (alClient) as the parent resizes.
    TAlign GetAlign() const { return FAlign; }
    void SetAlign(TAlign value);
    // Performs a click: fires OnClick.
    virtual void Click();

    TNotifyEvent OnClick, OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    virtual void Paint(QPainter& canvas);
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void DblClick();
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void FontChanged() { update(); }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Realign();
    TAlign FAlign = alNone;
    bool FLeftPressed = false;
};

// Button and shift state of a Qt mouse event.
TShiftState ShiftStateOf(const QMouseEvent* event);
bool MouseButtonOf(const QMouseEvent* event, TMouseButton& button);
