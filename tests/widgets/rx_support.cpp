#include "widgets/rx_support.h"

#include <QApplication>

namespace rxtest {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Press(QWidget* w, QPoint pos) { SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }

void Release(QWidget* w, QPoint pos) { SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }

void Click(QWidget* w, QPoint pos) {
    Press(w, pos);
    Release(w, pos);
}

}  // namespace rxtest
