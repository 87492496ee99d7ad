#include "widgets/RxSpin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/MathUtil.h"
#include "platform/Paint.h"
#include "widgets/RxUtils.h"

// ---- arithmetic ----------------------------------------------------------------

bool SpinButtonBottomHalf(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    // The slope is height / width so that the halves are the two triangles
    // the face draws on a button that is not square.
    return y > height - (static_cast<double>(height) / width) * x;
}

QImage DrawSpinButtonFace(int width, int height, int state, const QImage& upGlyph, const QImage& downGlyph) {
    if (width <= 0 || height <= 0) return QImage();
    const int W = width, H = height;
    const bool top = state == 1, bottom = state == 2;
    QImage face(W, H, QImage::Format_RGB32);
    face.fill(ToQColor(clBtnFace));
    QPainter p(&face);
    FrameRect(p, TRect(0, 0, W, H), clWindowFrame);
    Line(p, TPen(clWindowFrame), -1, H, W, -1);
    Polyline(p, TPen(top ? clBtnShadow : clBtnHighlight), {TPoint(1, H - 4), TPoint(1, 1), TPoint(W - 3, 1)});
    if (!top) Line(p, TPen(clBtnShadow), 1, H - 3, W - 2, 0);
    Polyline(p, TPen(bottom ? clBtnHighlight : clBtnShadow),
             {TPoint(2, H - 2), TPoint(W - 2, H - 2), TPoint(W - 2, 1)});
    Line(p, TPen(bottom ? clBtnShadow : clBtnHighlight), 2, H - 2, W - 1, 1);
    if (!upGlyph.isNull()) {
        int x = static_cast<int>(Round(W * 0.25 - upGlyph.width() * 0.5)) + 1;
        int y = static_cast<int>(Round(H * 0.25 - upGlyph.height() * 0.5)) + 1;
        if (top) ++x, ++y;
        DrawBitmapTransparent(p, x, y, upGlyph, BitmapTransparentColor(upGlyph));
    }
    if (!downGlyph.isNull()) {
        const int x = static_cast<int>(Round(W * 0.75 - downGlyph.width() * 0.5)) - 1;
        const int y = static_cast<int>(Round(H * 0.75 - downGlyph.height() * 0.5)) - 1;
        DrawBitmapTransparent(p, x, y, downGlyph, BitmapTransparentColor(downGlyph));
    }
    if (bottom) Line(p, TPen(clBtnShadow), 3, H - 2, W - 1, 2);
    return face;
}

double SpinCheckValue(double x, double minValue, double maxValue) {
    if (maxValue == minValue) return x;
    return std::max(minValue, std::min(x, maxValue));
}

namespace {

// Fixed notation with 15 significant digits, as the framework's
// FloatToStrF(ffFixed, 15, decimal) gives it: the value's 18 leading decimal
// digits are rounded (half up) once, at the 15th digit or at the last
// decimal, whichever comes first.
std::string FixedText(double x, int decimal) {
    if (!std::isfinite(x)) return decimal > 0 ? "0." + std::string(decimal, '0') : "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(x));
    std::string digits;
    const char* e = buf;
    for (; *e && *e != 'e'; ++e)
        if (*e >= '0' && *e <= '9') digits += *e;
    int intDigits = (*e ? std::atoi(e + 1) : 0) + 1;
    if (x == 0) intDigits = 1;
    if (intDigits > 15) {
        std::snprintf(buf, sizeof buf, "%.14E", x);
        return buf;
    }
    const int keep = std::min(15, intDigits + decimal);
    if (keep < 0) {
        digits.clear();
    } else {
        const bool up = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
        digits.resize(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.insert(digits.begin(), '1');
                ++intDigits;
            }
        }
    }
    auto digitAt = [&](int i) { return i >= 0 && i < static_cast<int>(digits.size()) ? digits[i] : '0'; };
    std::string out;
    for (int i = 0; i < intDigits; ++i) out += digitAt(i);
    if (out.empty()) out = "0";
    if (decimal > 0) {
        out += '.';
        for (int i = 0; i < decimal; ++i) out += digitAt(intDigits + i);
    }
    if (x < 0 && digits.find_first_not_of('0') != std::string::npos) out.insert(out.begin(), '-');
    return out;
}

bool IsDigits(const QString& s, int from, int to) {
    if (from >= to) return false;
    for (int i = from; i < to; ++i)
        if (s[i].unicode() < '0' || s[i].unicode() > '9') return false;
    return true;
}

}  // namespace

QString FormatSpinValue(double x, TValueType type, int decimal, QChar sep) {
    if (type == vtInteger) {
        const double r = std::nearbyint(x);
        if (!(std::fabs(r) < 9.2e18)) return QStringLiteral("0");
        return QString::number(static_cast<qint64>(r));
    }
    QString s = QString::fromStdString(FixedText(x, std::clamp(decimal, 0, 18)));
    s.replace(QLatin1Char('.'), sep);
    return s;
}

bool ParseSpinValue(const QString& text, TValueType type, QChar sep, double& value) {
    const QString s = text.trimmed();
    int i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) ++i;
    if (type == vtInteger) {
        if (!IsDigits(s, i, static_cast<int>(s.size()))) return false;
        bool ok = false;
        const qlonglong v = s.toLongLong(&ok);
        if (!ok || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
        value = static_cast<double>(v);
        return true;
    }
    // sign, digits, separator, digits (one of the two digit runs at least),
    // then an optional exponent.
    QString c;
    if (i > 0) c += s[0];
    int mantissaDigits = 0;
    for (; i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9'; ++i, ++mantissaDigits) c += s[i];
    if (i < s.size() && s[i] == sep) {
        c += QLatin1Char('.');
        for (++i; i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9'; ++i, ++mantissaDigits) c += s[i];
    }
    if (mantissaDigits == 0) return false;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        c += QLatin1Char('e');
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) c += s[i++];
        const int start = i;
        for (; i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9'; ++i) c += s[i];
        if (i == start) return false;
    }
    if (i != s.size()) return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(c, &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool SpinCharAllowed(QChar c, TValueType type, QChar sep, bool editorEnabled) {
    const char16_t u = c.unicode();
    bool valid = u == '+' || u == '-' || (u >= '0' && u <= '9') || (type == vtFloat && c == sep) || u < 32;
    if (!editorEnabled && (u == 8 || u >= 32)) valid = false;
    return valid;
}

QString FilterSpinText(const QString& text, TValueType type, QChar sep) {
    QString out;
    for (QChar c : text)
        if (c.unicode() >= 32 && SpinCharAllowed(c, type, sep, true)) out += c;
    return out;
}

int SpinEditMinHeight(int fontHeight, int systemFontHeight) {
    return fontHeight + std::min(systemFontHeight, fontHeight) / 4 + 4 * 1 + 1;
}

QChar LocaleDecimalSeparator() {
    const QString p = QLocale().decimalPoint();
    return p.isEmpty() ? QLatin1Char('.') : p[0];
}

// ---- TRxSpinButton -------------------------------------------------------------

TRxSpinButton::TRxSpinButton(QWidget* parent) : TGraphicControl(parent) {
    resize(20, 20);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    FUpGlyph = LoadBitmapResourceOrRaise("RXSPINUP");
    FDownGlyph = LoadBitmapResourceOrRaise("RXSPINDOWN");
}

QSize TRxSpinButton::minimumSizeHint() const {
    const int side = 2 * std::max({FUpGlyph.width(), FUpGlyph.height(), FDownGlyph.width(), FDownGlyph.height()}) + 4;
    return QSize(side, side);
}

void TRxSpinButton::SetUpGlyph(const QImage& value) {
    FUpGlyph = value.isNull() ? LoadBitmapResourceOrRaise("RXSPINUP") : value.convertToFormat(QImage::Format_RGB32);
    FFacesStale = true;
    update();
}

void TRxSpinButton::SetDownGlyph(const QImage& value) {
    FDownGlyph = value.isNull() ? LoadBitmapResourceOrRaise("RXSPINDOWN") : value.convertToFormat(QImage::Format_RGB32);
    FFacesStale = true;
    update();
}

void TRxSpinButton::Paint(QPainter& canvas) {
    if (!isEnabled()) FButtonHeld = false;
    if (width() <= 0 || height() <= 0) return;
    if (FFacesStale || FFaces[0].size() != size()) {
        for (int s = 0; s < 3; ++s) FFaces[s] = DrawSpinButtonFace(width(), height(), s, FUpGlyph, FDownGlyph);
        FFacesStale = false;
    }
    canvas.drawImage(0, 0, FFaces[FState]);
}

void TRxSpinButton::FireClick(int state) {
    if (state == 2) {
        if (OnBottomClick) OnBottomClick(this);
    } else if (state == 1) {
        if (OnTopClick) OnTopClick(this);
    }
}

void TRxSpinButton::SetState(int state) {
    if (ChangeField(FState, state)) repaint();
}

void TRxSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !isEnabled() || FState != 0) return;
    const int half = SpinButtonBottomHalf(x, y, width(), height()) ? 2 : 1;
    FPressedHalf = half;
    FState = half;
    FireClick(half);
    repaint();
    if (!FRepeatTimer) {
        FRepeatTimer = new QTimer(this);
        FRepeatTimer->setTimerType(Qt::PreciseTimer);
        connect(FRepeatTimer, &QTimer::timeout, this, [this] { TimerExpired(); });
    }
    FRepeatTimer->setInterval(400);
    FRepeatTimer->start();
    FButtonHeld = true;
}

void TRxSpinButton::TrackPoint(int x, int y) {
    const bool inside = x >= 0 && x <= width() && y >= 0 && y <= height();
    const int half = SpinButtonBottomHalf(x, y, width(), height()) ? 2 : 1;
    SetState(inside && half == FPressedHalf ? FPressedHalf : 0);
}

void TRxSpinButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (FButtonHeld) TrackPoint(x, y);
}

void TRxSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!FButtonHeld) return;
    // A release outside leaves the button up even when no move reported
    // the way out.
    TrackPoint(x, y);
    FButtonHeld = false;
    if (FRepeatTimer) FRepeatTimer->stop();
    if (x >= 0 && x <= width() && y >= 0 && y <= height()) {
        FPressedHalf = 0;
        SetState(0);
    }
}

void TRxSpinButton::TimerExpired() {
    FRepeatTimer->setInterval(100);
    if (FState == 0 || !FButtonHeld) return;
    try {
        FireClick(FState);
    } catch (...) {
        FRepeatTimer->stop();
        throw;
    }
}

// ---- TRxSpinEdit ---------------------------------------------------------------

namespace {
// The edit's border: the embedded button sits inside it.
constexpr int kEditBorder = 2;

Qt::Alignment QtAlignmentOf(TAlignment a) {
    switch (a) {
        case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
        case taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
        default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The character a key event types: none for keys that only edit or move
// and for shortcuts; Backspace types 8 on every platform.
QChar TypedChar(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) return QChar(8);
    if (event->key() == Qt::Key_Delete) return QChar();
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return QChar();
    const QString t = event->text();
    return t.isEmpty() ? QChar() : t[0];
}
}  // namespace

TRxSpinEdit::TRxSpinEdit(QWidget* parent) : QLineEdit(parent), FHolder(new QWidget(this)) {
    FButton = new TRxSpinButton(FHolder);
    FButton->OnTopClick = [this](QObject*) { UpClick(); };
    FButton->OnBottomClick = [this](QObject*) { DownClick(); };
    setAcceptDrops(false);
    setAlignment(QtAlignmentOf(FAlignment));
    connect(this, &QLineEdit::textChanged, this, [this] {
        double v;
        if (ParseSpinValue(text(), FValueType, LocaleDecimalSeparator(), v)) FInForce = v;
        if (OnChange) OnChange(this);
    });
    setText(QStringLiteral("0"));
    resize(121, std::max(MinHeight(), 21));
    PlaceButton();
}

void TRxSpinEdit::SetAlignment(TAlignment value) {
    if (ChangeField(FAlignment, value)) setAlignment(QtAlignmentOf(value));
}

void TRxSpinEdit::SetDecimal(int value) {
    value = std::clamp(value, 0, 255);
    if (value == FDecimal) return;
    const double v = GetValue();
    FDecimal = value;
    SetValue(v);
}

void TRxSpinEdit::SetValueType(TValueType value) {
    if (value == FValueType) return;
    // Read with the type the text was written in: "1.50" must stay 2, not
    // fall to MinValue, when the edit turns to integers.
    const double v = GetValue();
    FValueType = value;
    SetValue(v);
}

void TRxSpinEdit::SetRange(double minValue, double maxValue, double increment) {
    FMinValue = minValue;
    FMaxValue = maxValue;
    FIncrement = increment;
}

double TRxSpinEdit::ValueOfText(const QString& text, TValueType type) const {
    double v;
    if (ParseSpinValue(text, type, LocaleDecimalSeparator(), v)) return v;
    return type == vtInteger ? std::nearbyint(FMinValue) : FMinValue;
}

double TRxSpinEdit::GetValue() const { return ValueOfText(text(), FValueType); }

bool TRxSpinEdit::HasValue() const {
    double v;
    return ParseSpinValue(text(), FValueType, LocaleDecimalSeparator(), v);
}

double TRxSpinEdit::GetValueInForce() const { return HasValue() ? GetValue() : FInForce; }

void TRxSpinEdit::SetValue(double value) {
    setText(FormatSpinValue(CheckValue(value), FValueType, FDecimal, LocaleDecimalSeparator()));
}

void TRxSpinEdit::UpClick() {
    if (isReadOnly()) QApplication::beep();
    else SetValue(GetValue() + FIncrement);
}

void TRxSpinEdit::DownClick() {
    if (isReadOnly()) QApplication::beep();
    else SetValue(GetValue() - FIncrement);
}

QSize TRxSpinEdit::sizeHint() const {
    const int h = std::max(MinHeight(), 21);
    return QSize(QLineEdit::sizeHint().width() + h, h);
}

QSize TRxSpinEdit::minimumSizeHint() const {
    const int h = MinHeight();
    return QSize(QLineEdit::minimumSizeHint().width() + h, h);
}

int TRxSpinEdit::MinHeight() const {
    return SpinEditMinHeight(QFontMetrics(font()).height(), QFontMetrics(QApplication::font()).height());
}

void TRxSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        if (event->key() == Qt::Key_Up) UpClick();
        else DownClick();
        QLineEdit::keyPressEvent(event);
        event->accept();  // stepped: not for the parent
        return;
    }
    if ((event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste)) && !CanEditClipboard()) {
        event->accept();
        return;
    }
    const QChar c = TypedChar(event);
    if (!c.isNull() && !SpinCharAllowed(c, FValueType, LocaleDecimalSeparator(), FEditorEnabled)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TRxSpinEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (FAutoSelect && !(QApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TRxSpinEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A popup menu or another window taking the focus is no exit.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    // Pasted text has not passed the character filter: it does so now, and
    // is then clamped and written anew like a value out of the limits.
    const QString filtered = FilterSpinText(text(), FValueType, LocaleDecimalSeparator());
    double v;
    // Text that is no number (an emptied field) shows the value in force.
    if (!ParseSpinValue(filtered, FValueType, LocaleDecimalSeparator(), v)) SetValue(FInForce);
    else if (filtered != text() || CheckValue(v) != v) SetValue(v);
}

void TRxSpinEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int minHeight = MinHeight();
    if (height() < minHeight) resize(width(), minHeight);
    else PlaceButton();
}

void TRxSpinEdit::PlaceButton() {
    const int side = std::max(0, height() - 2 * kEditBorder);
    FHolder->setGeometry(width() - height() + kEditBorder, kEditBorder, side, side);
    FButton->setGeometry(0, 0, side, side);
    setTextMargins(0, 0, side + 2, 0);
}

void TRxSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    if (!CanEditClipboard())
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String("edit-cut") || a->objectName() == QLatin1String("edit-paste"))
                a->setEnabled(false);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TRxSpinEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && height() < MinHeight()) resize(width(), MinHeight());
}
