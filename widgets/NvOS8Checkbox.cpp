#include "widgets/NvOS8Checkbox.h"

#include <QEvent>
#include <QPainter>

#include "platform/DrawText.h"
#include "platform/MathUtil.h"
#include "platform/Paint.h"

TNvOS8Shades NvOS8Shades(TColor baseColor) {
    const uint32_t rgb = static_cast<uint32_t>(baseColor) & 0xFFFFFFu;
    TNvOS8Shades shades{};
    for (int i = 0; i < 16; ++i) {
        const int offset = 17 * i - 119;
        const auto channel = [offset](int c) { return Clamp(c + offset, 0, 255); };
        shades[static_cast<size_t>(i)] =
            static_cast<TColor>(RGB(channel(GetRValue(rgb)), channel(GetGValue(rgb)), channel(GetBValue(rgb))));
    }
    return shades;
}

TNvOS8Roles NvOS8RolesFor(bool enabled, bool pressed) {
    if (!enabled) return {8, 13, kNvOS8NotDrawn, kNvOS8NotDrawn, kNvOS8NotDrawn, kNvOS8NotDrawn, 8};
    if (pressed) return {0, 7, 5, 9, 4, 5, kNvOS8FontColor};
    return {0, 13, 15, 8, 7, 10, kNvOS8FontColor};
}

TCheckBoxState NvOS8NextState(TCheckBoxState state, bool allowGrayed) {
    switch (state) {
        case cbUnchecked: return allowGrayed ? cbGrayed : cbChecked;
        case cbChecked: return cbUnchecked;
        default: return cbChecked;
    }
}

namespace {

void Pixel(QPainter& p, int x, int y, TColor c) { FillRect(p, TRect(x, y, x + 1, y + 1), c); }

}  // namespace

void NvOS8DrawBox(QPainter& p, int height, TColor color, const TNvOS8Shades& shades, TCheckBoxState state,
                  TCheckStyle style, bool enabled, bool pressed) {
    const TNvOS8Roles roles = NvOS8RolesFor(enabled, pressed);
    const auto shade = [&](int i) { return shades[static_cast<size_t>(i)]; };
    const TPen frame(shade(roles.Frame));
    // The whole strip, so that nothing of the parent shows through.
    FillRect(p, TRect(0, 0, 19, height), color);
    Rectangle(p, TRect(2, 2, 14, 14), frame, shade(roles.BoxFill));
    if (enabled) {
        Polyline(p, TPen(shade(roles.InnerTopLeft)), {{3, 11}, {3, 3}, {12, 3}});
        Polyline(p, TPen(shade(roles.InnerBottomRight)), {{4, 12}, {12, 12}, {12, 3}});
    }
    if (state == cbChecked && style == csYes) {
        Polyline(p, frame, {{4, 7}, {7, 10}, {15, 2}});
        Polyline(p, frame, {{5, 7}, {7, 9}, {14, 2}});
        if (enabled) {
            Pixel(p, 5, 9, shade(roles.MarkB));
            Pixel(p, 6, 10, shade(roles.MarkB));
            Line(p, TPen(shade(roles.MarkA)), 7, 11, 13, 5);
            Line(p, TPen(shade(roles.MarkB)), 8, 11, 12, 7);
            Pixel(p, 14, 4, shade(7));
            Pixel(p, 15, 4, shade(10));
            Pixel(p, 14, 5, shade(10));
        }
    } else if (state == cbChecked) {
        Line(p, frame, 5, 4, 11, 10);
        Line(p, frame, 5, 5, 11, 11);
        Line(p, frame, 5, 10, 11, 4);
        Line(p, frame, 5, 9, 11, 3);
        if (enabled) {
            for (const TPoint& pt :
                 {TPoint(6, 10), TPoint(7, 9), TPoint(9, 7), TPoint(10, 6), TPoint(11, 5), TPoint(11, 10)})
                Pixel(p, pt.X, pt.Y, shade(roles.MarkA));
            for (const TPoint& pt :
                 {TPoint(6, 11), TPoint(7, 10), TPoint(8, 9), TPoint(10, 7), TPoint(11, 6), TPoint(6, 12)})
                Pixel(p, pt.X, pt.Y, shade(roles.MarkB));
        }
    } else if (state == cbGrayed) {
        Rectangle(p, TRect(5, 7, 11, 9), frame, shade(roles.BoxFill));
        if (enabled) Polyline(p, TPen(shade(roles.MarkB)), {{6, 9}, {11, 9}, {11, 6}});
    }
}

TNvOS8Checkbox::TNvOS8Checkbox(QWidget* parent) : QAbstractButton(parent), FShades(NvOS8Shades(FBaseColor)) {
    resize(140, 16);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    // A click of the button (mouse or Space) toggles; the state change
    // fires OnClick, so a click fires it once.
    connect(this, &QAbstractButton::clicked, this, &TNvOS8Checkbox::Toggle);
}

namespace {
// The caption starts after the box strip.
constexpr int kNvOS8CaptionLeft = 19;
}  // namespace

QSize TNvOS8Checkbox::sizeHint() const {
    TRect r;
    MeasureText(QFontMetrics(font(), this), text().isEmpty() ? QStringLiteral(" ") : text(), r,
                DT_SINGLELINE | DT_CALCRECT);
    return QSize(kNvOS8CaptionLeft + r.Width() + 2, std::max(16, r.Height()));
}

void TNvOS8Checkbox::SetBaseColor(TColor value) {
    if (!ChangeField(FBaseColor, value)) return;
    FShades = NvOS8Shades(FBaseColor);
    update();
}

void TNvOS8Checkbox::SetCheckStyle(TCheckStyle value) {
    if (ChangeField(FCheckStyle, value)) update();
}

void TNvOS8Checkbox::SetState(TCheckBoxState value) {
    if (!ChangeField(FState, value)) return;
    update();
    if (OnClick) OnClick(this);
}

void TNvOS8Checkbox::Toggle() { SetState(NvOS8NextState(FState, FAllowGrayed)); }

TColor TNvOS8Checkbox::GetColor() const { return FromQColor(palette().color(QPalette::Window)); }

void TNvOS8Checkbox::SetColor(TColor value) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(value));
    setPalette(pal);
}

void TNvOS8Checkbox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const TColor color = GetColor();
    const bool enabled = isEnabled();
    NvOS8DrawBox(p, height(), color, FShades, FState, FCheckStyle, enabled, isDown());
    TRect r(kNvOS8CaptionLeft, 0, width(), height());
    FillRect(p, r, color);
    const int captionShade = NvOS8RolesFor(enabled, isDown()).Caption;
    p.setPen(
        ToQColor(captionShade == kNvOS8FontColor ? GetFontColor(this) : FShades[static_cast<size_t>(captionShade)]));
    p.setFont(font());
    DrawText(p, text(), r, DT_SINGLELINE | DT_VCENTER);
}

bool TNvOS8Checkbox::event(QEvent* event) {
    // The caption's accelerator focuses the box and toggles it once it has
    // the focus.
    if (event->type() == QEvent::Shortcut) {
        if (isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus) {
            setFocus(Qt::ShortcutFocusReason);
            if (window()->focusWidget() == this) Toggle();
        }
        return true;
    }
    return QAbstractButton::event(event);
}

void TNvOS8Checkbox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) update();
    QAbstractButton::changeEvent(event);
}
