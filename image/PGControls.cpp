#include "image/PGControls.h"

#include <QEvent>
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
    if (!ChangeField(FCaption, value)) return;
    updateGeometry();
    Invalidate();
}

void TPGCustomControl::SetTransparent(bool value) {
    if (!ChangeField(FTransparent, value)) return;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    Invalidate();
}

void TPGCustomControl::SetColor(TColor value) {
    if (ChangeField(FColor, value)) Invalidate();
}

namespace {
// Room between the group box's frame and a layout inside it.
constexpr int kGroupBoxMargin = 8;

int GroupBoxCaptionHeight(const QWidget* w) { return TextHeight(QFontMetrics(w->font(), w), QStringLiteral("0")); }

// The caption's width plus its place at 8 and the frame beyond it.
int GroupBoxCaptionWidth(const QWidget* w, const QString& caption) {
    if (caption.isEmpty()) return 0;
    TRect r;
    MeasureText(QFontMetrics(w->font(), w), caption, r, DT_SINGLELINE | DT_CALCRECT);
    return 8 + r.Width() + 1 + kGroupBoxMargin;
}
}  // namespace

TPGGroupBox::TPGGroupBox(QWidget* parent) : TPGCustomControl(parent) {
    resize(185, 105);
    setContentsMargins(kGroupBoxMargin, GroupBoxCaptionHeight(this) + 4, kGroupBoxMargin, kGroupBoxMargin);
}

void TPGGroupBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        setContentsMargins(kGroupBoxMargin, GroupBoxCaptionHeight(this) + 4, kGroupBoxMargin, kGroupBoxMargin);
    TPGCustomControl::changeEvent(event);
}

QSize TPGGroupBox::sizeHint() const {
    const QSize hint = layout() ? QWidget::sizeHint() : QSize(185, 105);
    return hint.expandedTo(QSize(GroupBoxCaptionWidth(this, FCaption), 0));
}

QSize TPGGroupBox::minimumSizeHint() const {
    const QMargins m = contentsMargins();
    const QSize frame(m.left() + m.right(), m.top() + m.bottom());
    const QSize inner = layout() ? QWidget::minimumSizeHint() : frame;
    return inner.expandedTo(QSize(GroupBoxCaptionWidth(this, FCaption), frame.height()));
}

void TPGGroupBox::SetCtl3D(bool value) {
    if (ChangeField(FCtl3D, value)) Invalidate();
}

void TPGGroupBox::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setFont(font());
    const int h = TextHeight(canvas.fontMetrics(), QStringLiteral("0"));
    QRegion clip(rect());
    // Opaque: the whole client in the colour first, the columns beside the
    // caption (which the frame leaves out) included.
    if (!FTransparent) FillRect(canvas, GetClientRectOf(this), FColor);
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
    TRect frame(0, h / 2 - 1, width(), height());
    if (FCtl3D) {
        FrameRect(canvas, TRect(frame.Left + 1, frame.Top + 1, frame.Right, frame.Bottom), clBtnHighlight);
        FrameRect(canvas, TRect(frame.Left, frame.Top, frame.Right - 1, frame.Bottom - 1), clBtnShadow);
    } else {
        FrameRect(canvas, frame, clWindowFrame);
    }
}

// ---- panel ------------------------------------------------------------------------

TPGPanel::TPGPanel(QWidget* parent) : TPGCustomControl(parent) {
    resize(185, 41);
    EdgesChanged();
}

int TPGPanel::EdgeWidth() const {
    int edge = FBorderWidth;
    if (FBevelInner != bvNone) edge += FBevelWidth;
    if (FBevelOuter != bvNone) edge += FBevelWidth;
    return std::max(0, edge);
}

void TPGPanel::EdgesChanged() {
    const int e = EdgeWidth();
    setContentsMargins(e, e, e, e);
    updateGeometry();
}

QSize TPGPanel::sizeHint() const {
    const QSize hint = layout() ? QWidget::sizeHint() : QSize(185, 41);
    return hint.expandedTo(minimumSizeHint());
}

QSize TPGPanel::minimumSizeHint() const {
    TRect r;
    if (!FCaption.isEmpty())
        MeasureText(QFontMetrics(font(), this), FCaption, r, DT_SINGLELINE | DT_CALCRECT | DT_EXPANDTABS);
    const int e = 2 * EdgeWidth();
    const QSize caption(r.Width() + e + 4, (FCaption.isEmpty() ? 0 : r.Height()) + e);
    return layout() ? QWidget::minimumSizeHint().expandedTo(caption) : caption;
}

void TPGPanel::SetAlignment(TAlignment value) {
    if (ChangeField(FAlignment, value)) Invalidate();
}

void TPGPanel::SetBevelInner(TPanelBevel value) {
    if (!ChangeField(FBevelInner, value)) return;
    EdgesChanged();
    Invalidate();
}

void TPGPanel::SetBevelOuter(TPanelBevel value) {
    if (!ChangeField(FBevelOuter, value)) return;
    EdgesChanged();
    Invalidate();
}

void TPGPanel::SetBevelWidth(int value) {
    if (!ChangeField(FBevelWidth, value)) return;
    EdgesChanged();
    Invalidate();
}

void TPGPanel::SetBorderWidth(int value) {
    if (!ChangeField(FBorderWidth, value)) return;
    EdgesChanged();
    Invalidate();
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
        inner.Inflate(-EdgeWidth(), -EdgeWidth());
        canvas.setClipRegion(QRegion(rect()) - QRegion(inner.ToQRect()));
    }
    PaintPanel(canvas);
}

// ---- bevel -----------------------------------------------------------------------

TPGBevel::TPGBevel(QWidget* parent) : QWidget(parent), TPGTransparentControl(this) {
    resize(50, 50);
    setSizePolicy(BevelSizePolicy(FShape));
}

void TPGBevel::SetStyle(TBevelEdgeStyle value) {
    if (ChangeField(FStyle, value)) Invalidate();
}

void TPGBevel::SetShape(TBevelShape value) {
    if (!ChangeField(FShape, value)) return;
    setSizePolicy(BevelSizePolicy(FShape));
    updateGeometry();
    Invalidate();
}

void TPGBevel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    const bool lowered = FStyle == bsLowered;
    PaintBevelShape(canvas, width(), height(), FShape, lowered ? clBtnShadow : clBtnHighlight,
                    lowered ? clBtnHighlight : clBtnShadow);
}
