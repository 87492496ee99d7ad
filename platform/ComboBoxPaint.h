#pragma once
// Owner-drawn combo boxes paint their closed box themselves: the style's
// frame and button without its text, then the current item in the field.
#include <QRect>
#include <QStyleOptionComboBox>
#include <QStylePainter>

// Draws the frame and button of option (the combo box's own style option)
// without text or icon; returns the edit field for the current item.
QRect PaintComboBoxFrame(QStylePainter& painter, QStyleOptionComboBox option, const QWidget* combo);
