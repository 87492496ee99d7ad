#pragma once
// Mouse events for the slider and spin tests, sent straight to a widget
// (no window system needed).
#include <QMouseEvent>
#include <QWidget>

namespace rxtest {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons);
// A left press at pos and the release at release.
void Press(QWidget* w, QPoint pos);
void Release(QWidget* w, QPoint pos);
void Click(QWidget* w, QPoint pos);

}  // namespace rxtest
