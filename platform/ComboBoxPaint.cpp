#include "platform/ComboBoxPaint.h"

#include <QStyle>
#include <QWidget>

QRect PaintComboBoxFrame(QStylePainter& painter, QStyleOptionComboBox option, const QWidget* combo) {
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    return combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
}
