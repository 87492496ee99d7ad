#include "platform/Controls.h"

#include <QEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

#include "platform/Paint.h"

namespace {
bool LayoutHolds(const QLayout* layout, const QWidget* w) {
    if (!layout) return false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == w || LayoutHolds(item->layout(), w)) return true;
    }
    return false;
}
}  // namespace

bool IsLaidOut(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    return parent && LayoutHolds(parent->layout(), w);
}

void ApplyAutoSize(QWidget* w, const TRect& bounds) {
    if (!IsLaidOut(w))
        w->setGeometry(bounds.Left, bounds.Top, std::max(0, bounds.Width()), std::max(0, bounds.Height()));
    w->updateGeometry();
}

TColor GetFontColor(const QWidget* w) { return FromQColor(w->palette().color(QPalette::WindowText)); }

void SetFontColor(QWidget* w, TColor color) {
    QPalette pal = w->palette();
    const QColor c = ToQColor(color);
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}

QChar AcceleratorOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return QChar();
}

void UpdateAcceleratorShortcut(QWidget* owner, QShortcut*& shortcut, QChar key, std::function<void()> activated) {
    if (key.isNull()) {
        delete shortcut;
        shortcut = nullptr;
        return;
    }
    if (!shortcut) {
        shortcut = new QShortcut(owner);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, owner, std::move(activated));
    }
    shortcut->setKey(QKeySequence(QStringLiteral("Alt+") + key));
}

TShiftState ShiftStateOf(const QMouseEvent* event) {
    TShiftState s = 0;
    const Qt::KeyboardModifiers m = event->modifiers();
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    const Qt::MouseButtons b = event->buttons() | event->button();
    if (b & Qt::LeftButton) s |= ssLeft;
    if (b & Qt::RightButton) s |= ssRight;
    if (b & Qt::MiddleButton) s |= ssMiddle;
    if (event->type() == QEvent::MouseButtonDblClick) s |= ssDouble;
    return s;
}

bool MouseButtonOf(const QMouseEvent* event, TMouseButton& button) {
    switch (event->button()) {
        case Qt::LeftButton: button = mbLeft; return true;
        case Qt::RightButton: button = mbRight; return true;
        case Qt::MiddleButton: button = mbMiddle; return true;
        default: return false;
    }
}

TGraphicControl::TGraphicControl(QWidget* parent) : QWidget(parent) {
    // Moves are reported with and without a button held, as the framework does.
    setMouseTracking(true);
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
    setGeometry(left, top, std::max(0, width), std::max(0, height));
}

void TGraphicControl::SetAlign(TAlign value) {
    if (value == FAlign) return;
    if (parentWidget()) parentWidget()->removeEventFilter(this);
    FAlign = value;
    if (FAlign != alNone && parentWidget()) {
        parentWidget()->installEventFilter(this);
        Realign();
    }
}

void TGraphicControl::Realign() {
    QWidget* p = parentWidget();
    if (!p || FAlign == alNone) return;
    const int pw = p->width(), ph = p->height();
    switch (FAlign) {
        case alTop: SetBounds(0, 0, pw, height()); break;
        case alBottom: SetBounds(0, ph - height(), pw, height()); break;
        case alLeft: SetBounds(0, 0, width(), ph); break;
        case alRight: SetBounds(pw - width(), 0, width(), ph); break;
        case alClient: SetBounds(0, 0, pw, ph); break;
        default: break;
    }
}

bool TGraphicControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) Realign();
    return QWidget::eventFilter(watched, event);
}

void TGraphicControl::Click() {
    if (OnClick) OnClick(this);
}

void TGraphicControl::Paint(QPainter&) {}

void TGraphicControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TGraphicControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TGraphicControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TGraphicControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TGraphicControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Paint(p);
}

void TGraphicControl::mousePressEvent(QMouseEvent* event) {
    TMouseButton b;
    if (!MouseButtonOf(event, b)) return;
    if (b == mbLeft) FLeftPressed = true;
    const QPoint pos = event->position().toPoint();
    MouseDown(b, ShiftStateOf(event), pos.x(), pos.y());
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent* event) {
    TMouseButton b;
    if (!MouseButtonOf(event, b)) return;
    const QPoint pos = event->position().toPoint();
    const bool click = b == mbLeft && FLeftPressed && rect().contains(pos);
    if (b == mbLeft) FLeftPressed = false;
    MouseUp(b, ShiftStateOf(event), pos.x(), pos.y());
    if (click) Click();
}

void TGraphicControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    MouseMove(ShiftStateOf(event), pos.x(), pos.y());
}

void TGraphicControl::mouseDoubleClickEvent(QMouseEvent* event) {
    // The framework reports the second press as a press with ssDouble and
    // then the double click.
    TMouseButton b;
    if (!MouseButtonOf(event, b)) return;
    if (b == mbLeft) FLeftPressed = true;
    const QPoint pos = event->position().toPoint();
    MouseDown(b, ShiftStateOf(event), pos.x(), pos.y());
    if (b == mbLeft) DblClick();
}

void TGraphicControl::enterEvent(QEnterEvent*) { MouseEnter(); }

void TGraphicControl::leaveEvent(QEvent*) { MouseLeave(); }

void TGraphicControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) FontChanged();
    else if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

QSizePolicy BevelSizePolicy(TBevelShape shape) {
    switch (shape) {
        case bsTopLine:
        case bsBottomLine: return QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        case bsLeftLine:
        case bsRightLine: return QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        default: return QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
}
