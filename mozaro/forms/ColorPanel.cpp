#include "mozaro/forms/ColorPanel.h"

#include <QPainter>

#include "artkit/Painters.h"
#include "platform/DrawText.h"

TColorPanel::TColorPanel(QWidget* owner) : TPGPanel(owner) {
    SetTransparent(false);
    // A panel on a form (or on another colour panel) wears its colour; with
    // Qt every control's owner is its parent, and the form is its window.
    if (auto* panel = qobject_cast<TColorPanel*>(owner)) SetColor(panel->GetColor());
    else if (owner) SetColor(FromQColor(owner->window()->palette().color(QPalette::Window)));
    SetCaption(QString());
}

TColor TColorPanel::LightShade(TColor color) { return static_cast<TColor>(ShiftColor(ColorToRGB(color), 64)); }

TColor TColorPanel::DarkShade(TColor color) { return static_cast<TColor>(ShiftColor(ColorToRGB(color), -64)); }

void TColorPanel::ShowNow() {
    show();
    raise();
    repaint();
}

void TColorPanel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    const TColor color = GetColor();
    const TColor light = LightShade(color), dark = DarkShade(color);
    auto bevel = [&](TRect& r, TPanelBevel kind) {
        if (kind == bvNone) return;
        const bool lowered = kind == bvLowered;
        Frame3D(canvas, r, lowered ? dark : light, lowered ? light : dark, GetBevelWidth());
    };
    TRect r = GetClientRectOf(this);
    bevel(r, GetBevelOuter());
    Frame3D(canvas, r, color, color, GetBorderWidth());
    bevel(r, GetBevelInner());
    FillRect(canvas, r, color);

    canvas.setFont(font());
    canvas.setPen(ToQColor(GetFontColor(this)));
    canvas.setBackgroundMode(Qt::TransparentMode);
    const int h = TextHeight(canvas.fontMetrics(), QStringLiteral("W"));
    r.Top = (r.Top + r.Bottom - h) / 2;
    r.Bottom = r.Top + h;
    const unsigned align = GetAlignment() == taRightJustify ? DT_RIGHT
                           : GetAlignment() == taCenter     ? DT_CENTER
                                                            : DT_LEFT;
    DrawText(canvas, GetCaption(), r, DT_EXPANDTABS | DT_VCENTER | align);
}
