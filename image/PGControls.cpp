#include "image/PGControls.h"

#include <QPainter>
#include <QRegion>

#include "platform/DrawText.h"

// ---- common behaviour ----------------------------------------------------------

bool IsTransparentPGControl(const QWidget* control) {
    const auto* t = dynamic_cast<const TPGTransparentControl*>(control);
    return t && t->IsTransparentNow();
}

void TPGTransparentControl::Invalidate() {
    QWidget* parent = FSelf->parentWidget();
    if (!FInvalidating && parent) {
        if (IsTransparentPGControl(parent)) {
            // The parent shows through this control: it repaints as a whole,
            // and the guard stops the request from coming back down.
            FInvalidating = true;
            try {
                dynamic_cast<TPGTransparentControl*>(parent)->Invalidate();
            } catch (...) {
                FInvalidating = false;
                throw;
            }
            FInvalidating = false;
        } else {
            parent->update(FSelf->geometry());
        }
    }
    FSelf->update();
}

void TPGTransparentControl::SetBounds(int left, int top, int width, int height) {
    Invalidate();
    FSelf->setGeometry(left, top, std::max(0, width), std::max(0, height));
}

void TPGTransparentControl::ApplyTransparency(QWidget* w, bool transparent, TColor color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    pal.setColor(QPalette::Button, ToQColor(color));
    w->setPalette(pal);
    w->setAutoFillBackground(!transparent);
}

// ---- group box and panel ---------------------------------------------------------

void TPGCustomControl::SetCaption(const QString& value) {
    if (ChangeField(FCaption, value)) Invalidate();
}

void TPGCustomControl::SetTransparent(bool value) {
    if (!ChangeField(FTransparent, value)) return;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    Invalidate();
}

void TPGCustomControl::SetColor(TColor value) {
    if (ChangeField(FColor, value)) Invalidate();
}

void TPGGroupBox::SetCtl3D(bool value) {
    if (ChangeField(FCtl3D, value)) Invalidate();
}

void TPGGroupBox::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setFont(font());
    const int h = TextHeight(canvas.fontMetrics(), QStringLiteral("0"));
    QRegion clip(rect());
    if (!FCaption.isEmpty()) {
        TRect r(8, 0, 8, 0);
        MeasureText(canvas.fontMetrics(), FCaption, r, DT_SINGLELINE);
        canvas.setPen(ToQColor(GetFontColor(this)));
        canvas.setBackground(ToQColor(FColor));
        canvas.setBackgroundMode(FTransparent ? Qt::TransparentMode : Qt::OpaqueMode);
        DrawText(canvas, FCaption, r, DT_SINGLELINE);
        clip -= QRegion(r.Inflated(1, 0).ToQRect());
    }
    canvas.setClipRegion(clip);
    if (!FTransparent) FillRect(canvas, GetClientRectOf(this), FColor);
    TRect frame(0, h / 2 - 1, width(), height());
    if (FCtl3D) {
        FrameRect(canvas, TRect(frame.Left + 1, frame.Top + 1, frame.Right, frame.Bottom), clBtnHighlight);
        FrameRect(canvas, TRect(frame.Left, frame.Top, frame.Right - 1, frame.Bottom - 1), clBtnShadow);
    } else {
        FrameRect(canvas, frame, clWindowFrame);
    }
}

// ---- panel ------------------------------------------------------------------------

void TPGPanel::SetAlignment(TAlignment value) {
    if (ChangeField(FAlignment, value)) Invalidate();
}

void TPGPanel::SetBevelInner(TPanelBevel value) {
    if (ChangeField(FBevelInner, value)) Invalidate();
}

void TPGPanel::SetBevelOuter(TPanelBevel value) {
    if (ChangeField(FBevelOuter, value)) Invalidate();
}

void TPGPanel::SetBevelWidth(int value) {
    if (ChangeField(FBevelWidth, value)) Invalidate();
}

void TPGPanel::SetBorderWidth(int value) {
    if (ChangeField(FBorderWidth, value)) Invalidate();
}

namespace {
unsigned AlignmentFlag(TAlignment a) {
    switch (a) {
        case taRightJustify: return DT_RIGHT;
        case taCenter: return DT_CENTER;
        default: return DT_LEFT;
    }
}

// The caption in rows of the font's height centred in r.
void PanelCaption(QPainter& canvas, TRect r, const QString& caption, TAlignment alignment) {
    const int h = TextHeight(canvas.fontMetrics(), QStringLiteral("W"));
    r.Top = (r.Top + r.Bottom - h) / 2;
    r.Bottom = r.Top + h;
    DrawText(canvas, caption, r, DT_EXPANDTABS | DT_VCENTER | AlignmentFlag(alignment));
}

void PanelBevel(QPainter& canvas, TRect& r, TPanelBevel bevel, int width) {
    if (bevel == bvNone) return;
    const bool lowered = bevel == bvLowered;
    Frame3D(canvas, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, width);
}
}  // namespace

void TPGPanel::PaintPanel(QPainter& canvas) {
    TRect r = GetClientRectOf(this);
    PanelBevel(canvas, r, FBevelOuter, FBevelWidth);
    Frame3D(canvas, r, FColor, FColor, FBorderWidth);
    PanelBevel(canvas, r, FBevelInner, FBevelWidth);
    FillRect(canvas, r, FColor);
    canvas.setBackgroundMode(Qt::TransparentMode);
    PanelCaption(canvas, r, FCaption, FAlignment);
}

void TPGPanel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setFont(font());
    canvas.setPen(ToQColor(GetFontColor(this)));
    if (FTransparent) {
        canvas.setBackgroundMode(Qt::TransparentMode);
        PanelCaption(canvas, GetClientRectOf(this), FCaption, FAlignment);
        // The panel's own painting then reaches only its bevels and border.
        TRect inner = GetClientRectOf(this);
        int shrink = FBorderWidth;
        if (FBevelInner != bvNone) shrink += FBevelWidth;
        if (FBevelOuter != bvNone) shrink += FBevelWidth;
        inner.Inflate(-shrink, -shrink);
        canvas.setClipRegion(QRegion(rect()) - QRegion(inner.ToQRect()));
    }
    PaintPanel(canvas);
}

// ---- bevel -----------------------------------------------------------------------

TPGBevel::TPGBevel(QWidget* parent) : QWidget(parent), TPGTransparentControl(this) { resize(50, 50); }

void TPGBevel::SetStyle(TBevelEdgeStyle value) {
    if (ChangeField(FStyle, value)) Invalidate();
}

void TPGBevel::SetShape(TBevelShape value) {
    if (ChangeField(FShape, value)) Invalidate();
}

void TPGBevel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    const bool lowered = FStyle == bsLowered;
    PaintBevelShape(canvas, width(), height(), FShape, lowered ? clBtnShadow : clBtnHighlight,
                    lowered ? clBtnHighlight : clBtnShadow);
}
