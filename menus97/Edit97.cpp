#include "menus97/Edit97.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

#include "platform/Paint.h"

bool Edit97IsHot(bool focused, bool mouseIn, bool focusOnAnotherEdit97) {
    return focused || (mouseIn && !focusOnAnotherEdit97);
}

void Edit97DrawBorder(QPainter& p, int width, int height, bool hot) {
    TRect r(0, 0, width, height);
    if (hot) {
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    } else {
        FrameRect(p, r, clBtnFace);
        r.Inflate(-1, -1);
    }
    FrameRect(p, r, clBtnFace);
    r.Inflate(-1, -1);
    FrameRect(p, r, clWindow);
}

TEdit97::TEdit97(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setTextMargins(kEdit97Border, kEdit97Border, kEdit97Border, kEdit97Border);
    setAttribute(Qt::WA_Hover);
    resize(121, 19);
    UpdateColor();
    connect(this, &QLineEdit::textChanged, this, [this] {
        ApplyCharCase();
        if (OnChange) OnChange(this);
    });
    // Which edit looks hot depends on where the focus is, anywhere.
    connect(qApp, &QApplication::focusChanged, this, [this] { update(); });
}

void TEdit97::SetCharCase(TEditCharCase value) {
    if (!ChangeField(FCharCase, value)) return;
    ApplyCharCase();
}

void TEdit97::ApplyCharCase() {
    if (FCharCase == ecNormal) return;
    const QString t = text();
    const QString converted = FCharCase == ecUpperCase ? t.toUpper() : t.toLower();
    if (converted == t) return;
    const int cursor = cursorPosition();
    setText(converted);  // fires textChanged once more, with nothing left to convert
    setCursorPosition(cursor);
}

void TEdit97::SetMaxLength(int value) {
    FMaxLength = value;
    setMaxLength(value > 0 ? value : 32767);
}

void TEdit97::SetPasswordChar(QChar value) {
    FPasswordChar = value;
    setEchoMode(value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

TColor TEdit97::GetColor() const { return isEnabled() ? clWindow : clBtnFace; }

void TEdit97::UpdateColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(GetColor()));
    pal.setColor(QPalette::Disabled, QPalette::Base, ToQColor(clBtnFace));
    // Disabled text in the system's grey, readable on the face.
    pal.setColor(QPalette::Disabled, QPalette::Text, ToQColor(clGrayText));
    setPalette(pal);
}

bool TEdit97::IsHot() const {
    const QWidget* focused = QApplication::focusWidget();
    const bool focusOnAnother = focused && focused != this && qobject_cast<const TEdit97*>(focused);
    return Edit97IsHot(hasFocus(), FMouseIn, focusOnAnother);
}

void TEdit97::Loaded() { AdjustHeight(); }

void TEdit97::AdjustHeight() {
    updateGeometry();
    if (!IsLaidOut(this)) resize(width(), Edit97Height(QFontMetrics(font(), this).height()));
}

QSize TEdit97::sizeHint() const {
    return QSize(QLineEdit::sizeHint().width(), Edit97Height(QFontMetrics(font(), this).height()));
}

QSize TEdit97::minimumSizeHint() const {
    return QSize(QLineEdit::minimumSizeHint().width(), Edit97Height(QFontMetrics(font(), this).height()));
}

void TEdit97::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter p(this);
    Edit97DrawBorder(p, width(), height(), IsHot());
}

void TEdit97::enterEvent(QEnterEvent* event) {
    FMouseIn = true;
    update();
    QLineEdit::enterEvent(event);
}

void TEdit97::leaveEvent(QEvent* event) {
    FMouseIn = false;
    update();
    QLineEdit::leaveEvent(event);
}

void TEdit97::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) UpdateColor();
    else if (event->type() == QEvent::FontChange) AdjustHeight();
    QLineEdit::changeEvent(event);
}
