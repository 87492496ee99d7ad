#include "widgets/RxLabel.h"

#include <QEvent>
#include <QImage>
#include <QPainter>

#include "platform/DrawText.h"
#include "platform/Paint.h"

int DrawShadowText(QPainter& canvas, const QString& text, TRect& rect, unsigned format, int shadowSize,
                   TColor shadowColor, TShadowPosition pos) {
    TRect textRect = rect, shadowRect = rect;
    switch (pos) {
        case spLeftTop: textRect.Offset(shadowSize, shadowSize); break;
        case spLeftBottom:
            textRect.Offset(shadowSize, 0);
            shadowRect.Offset(0, shadowSize);
            break;
        case spRightBottom: shadowRect.Offset(shadowSize, shadowSize); break;
        case spRightTop:
            textRect.Offset(0, shadowSize);
            shadowRect.Offset(shadowSize, 0);
            break;
    }
    const QPen textPen = canvas.pen();
    canvas.setPen(ToQColor(shadowColor));
    int result = DrawText(canvas, text, shadowRect, format);
    if (result > 0) result += shadowSize;
    canvas.setPen(textPen);
    DrawText(canvas, text, textRect, format);
    rect = UnionRect(textRect, shadowRect);
    return result;
}

TRxLabel::TRxLabel(QWidget* parent) : TGraphicControl(parent) {
    resize(65, 17);
    ApplySizePolicy();
}

void TRxLabel::ApplySizePolicy() {
    // A self-sizing label has the size of its caption; otherwise the form
    // may give it more.
    if (FAutoSize) setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    else setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TRxLabel::SetCaption(const QString& value) {
    if (!ChangeField(FCaption, value)) return;
    UpdateShortcut();
    AdjustBounds();
    update();
}

void TRxLabel::SetAlignment(TAlignment value) {
    if (ChangeField(FAlignment, value)) update();
}

void TRxLabel::SetAutoSize(bool value) {
    if (!ChangeField(FAutoSize, value)) return;
    ApplySizePolicy();
    AdjustBounds();
}

void TRxLabel::SetFocusControl(QWidget* value) {
    if (value == FFocusControl) return;
    if (FFocusControl) {
        FFocusControl->removeEventFilter(this);
        disconnect(FFocusControl, nullptr, this, nullptr);
    }
    FFocusControl = value;
    FFocused = value && value->hasFocus();
    if (value) {
        value->installEventFilter(this);
        // A removed focus control is dropped.
        connect(value, &QObject::destroyed, this, [this] {
            FFocused = false;
            update();
        });
    }
    update();
}

void TRxLabel::SetLayout(TTextLayout value) {
    if (ChangeField(FLayout, value)) update();
}

void TRxLabel::SetShadowColor(TColor value) {
    if (ChangeField(FShadowColor, value)) update();
}

void TRxLabel::SetShadowSize(uint8_t value) {
    if (!ChangeField(FShadowSize, value)) return;
    AdjustBounds();
    update();
}

void TRxLabel::SetShadowPos(TShadowPosition value) {
    if (ChangeField(FShadowPos, value)) update();
}

void TRxLabel::SetShowAccelChar(bool value) {
    if (!ChangeField(FShowAccelChar, value)) return;
    UpdateShortcut();
    update();
}

void TRxLabel::SetShowFocus(bool value) {
    if (ChangeField(FShowFocus, value)) update();
}

void TRxLabel::SetTransparent(bool value) {
    if (ChangeField(FTransparent, value)) update();
}

void TRxLabel::SetWordWrap(bool value) {
    if (!ChangeField(FWordWrap, value)) return;
    AdjustBounds();
    update();
}

TColor TRxLabel::GetColor() const {
    if (FParentColor && parentWidget()) return FromQColor(parentWidget()->palette().color(QPalette::Window));
    return FColor;
}

void TRxLabel::SetColor(TColor value) {
    FColor = value;
    FParentColor = false;
    update();
}

void TRxLabel::SetParentColor(bool value) {
    if (ChangeField(FParentColor, value)) update();
}

void TRxLabel::FontChanged() {
    AdjustBounds();
    update();
}

void TRxLabel::DoDrawText(QPainter& canvas, TRect& rect, unsigned format) const {
    QString text = FCaption;
    // An empty caption still has the height of a line.
    if ((format & DT_CALCRECT) && (text.isEmpty() || (FShowAccelChar && text == QLatin1String("&"))))
        text += QLatin1Char(' ');
    if (!FShowAccelChar) format |= DT_NOPREFIX;
    canvas.setFont(FontForDevice(font(), this));
    TColor shadowColor = FShadowColor;
    TShadowPosition pos = FShadowPos;
    int size = FShadowSize;
    if (isEnabled()) {
        canvas.setPen(ToQColor(GetFontColor(this)));
    } else {
        canvas.setPen(ToQColor(clGrayText));
        shadowColor = clBtnHighlight;
        if (size == 0) {
            pos = spRightBottom;
            size = 1;
        }
    }
    DrawShadowText(canvas, text, rect, format, size, shadowColor, pos);
}

unsigned TRxLabel::DrawFormat() const {
    unsigned format = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u);
    if (FAlignment == taRightJustify) format |= DT_RIGHT;
    else if (FAlignment == taCenter) format |= DT_CENTER;
    return format;
}

TRect TRxLabel::TextRect() {
    TRect r = GetClientRect().Inflated(-1, 0);
    if (FLayout != tlTop) {
        QImage scratch(1, 1, QImage::Format_RGB32);
        QPainter p(&scratch);
        TRect calc = r;
        DoDrawText(p, calc, DrawFormat() | DT_CALCRECT);
        const int dy = height() - calc.Bottom;
        r.Offset(0, FLayout == tlBottom ? dy : dy / 2);
    }
    return r;
}

void TRxLabel::Paint(QPainter& canvas) {
    if (!FTransparent) FillRect(canvas, GetClientRect(), GetColor());
    TRect r = TextRect();
    DoDrawText(canvas, r, DrawFormat());
    if (FShowFocus && FFocusControl && FFocused) DrawFocusRect(canvas, r.Inflated(1, 0));
}

TRect TRxLabel::MeasureAt(int width) const {
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter p(&scratch);
    TRect r = TRect(0, 0, width, height()).Inflated(-1, 0);
    DoDrawText(p, r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0u));
    r.Inflate(1, 0);
    return r;
}

QSize TRxLabel::sizeHint() const {
    // Without word wrap the width does not matter.
    const TRect r = MeasureAt(FWordWrap ? width() : 0);
    return QSize(r.Right, r.Bottom);
}

QSize TRxLabel::minimumSizeHint() const {
    if (!FWordWrap) return sizeHint();
    // A word wider than the rectangle stays whole: measuring on no width
    // gives the widest word.
    const TRect r = MeasureAt(0);
    return QSize(r.Right, MeasureAt(width()).Bottom);
}

int TRxLabel::heightForWidth(int width) const { return MeasureAt(width).Bottom; }

void TRxLabel::AdjustBounds() {
    if (!FAutoSize) {
        updateGeometry();
        return;
    }
    const TRect r = MeasureAt(width());
    // Measured after the widening, so that a right-justified label keeps its
    // right edge instead of creeping a pixel right on every change.
    int left = x();
    if (FAlignment == taRightJustify) left += width() - r.Right;
    ApplyAutoSize(this, TRect(left, y(), left + r.Right, y() + r.Bottom));
}

bool TRxLabel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FFocusControl && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        FFocused = event->type() == QEvent::FocusIn;
        update();
    }
    return TGraphicControl::eventFilter(watched, event);
}

void TRxLabel::UpdateShortcut() {
    UpdateAcceleratorShortcut(this, FShortcut, FShowAccelChar ? AcceleratorOf(FCaption) : QChar(),
                              [this] { DialogChar(); });
}

void TRxLabel::DialogChar() {
    QWidget* target = FFocusControl;
    if (!target || !isEnabled() || !FShowAccelChar) return;
    if (target->isEnabled() && target->isVisible() && target->focusPolicy() != Qt::NoFocus)
        target->setFocus(Qt::ShortcutFocusReason);
}
