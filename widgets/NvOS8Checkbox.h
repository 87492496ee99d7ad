#pragma once
// TNvOS8Checkbox: a tri-state check box drawn entirely from sixteen shades of
// one base colour: a 12-pixel box with a tick, a cross or a grayed bar, the
// caption to its right. Every change of State, by the user or by code, fires
// OnClick once.
#include <QAbstractButton>
#include <array>

#include "platform/Controls.h"

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TCheckStyle { csYes, csNo };

using TNvOS8Shades = std::array<TColor, 16>;

// Shade i is BaseColor (its low three bytes; system colours are not
// resolved) with 17 * i - 119 added to red, green and blue, each clamped to
// 0..255; shade 7 is BaseColor itself.
TNvOS8Shades NvOS8Shades(TColor baseColor);

// The shade numbers of the drawing roles; kNvOS8NotDrawn: the role is left
// out, kNvOS8FontColor: the caption takes the Font colour.
constexpr int kNvOS8NotDrawn = -1;
constexpr int kNvOS8FontColor = -2;
struct TNvOS8Roles {
    int Frame;  // box outline and mark strokes
    int BoxFill;
    int InnerTopLeft;
    int InnerBottomRight;
    int MarkA;
    int MarkB;
    int Caption;
};
TNvOS8Roles NvOS8RolesFor(bool enabled, bool pressed);

// The state after a toggle.
TCheckBoxState NvOS8NextState(TCheckBoxState state, bool allowGrayed);

// Paints the box part of a check box (columns 0..19, the given height):
// the background in color, then the box and the mark of the state.
void NvOS8DrawBox(QPainter& p, int height, TColor color, const TNvOS8Shades& shades, TCheckBoxState state,
                  TCheckStyle style, bool enabled, bool pressed);

class TNvOS8Checkbox : public QAbstractButton {
    Q_OBJECT
public:
    explicit TNvOS8Checkbox(QWidget* parent = nullptr);

    bool GetAllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    TColor GetBaseColor() const { return FBaseColor; }
    void SetBaseColor(TColor value);
    bool GetChecked() const { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckStyle GetCheckStyle() const { return FCheckStyle; }
    void SetCheckStyle(TCheckStyle value);
    TCheckBoxState GetState() const { return FState; }
    // A different state is stored, shown, and fires OnClick.
    void SetState(TCheckBoxState value);
    QString GetCaption() const { return text(); }
    void SetCaption(const QString& value) { setText(value); }
    // Color: the background (follows the parent's unless set).
    TColor GetColor() const;
    void SetColor(TColor value);
    bool GetTabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::NoFocus); }
    const TNvOS8Shades& GetShades() const { return FShades; }

    // Unchecked becomes grayed (AllowGrayed) or checked, checked unchecked,
    // grayed checked.
    void Toggle();

    // The box strip beside the caption, as high as the box (16) or the
    // caption; the minimum as well. A check box keeps its height.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TCheckStyle FCheckStyle = csYes;
    TColor FBaseColor = 0x777777;
    TNvOS8Shades FShades;
};
