#include "platform/Shape.h"

#include "platform/Paint.h"

TShape::TShape(QWidget* parent) : TGraphicControl(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    resize(65, 65);
}

void TShape::SetBrushColor(TColor value) {
    if (ChangeField(FBrushColor, value)) update();
}

void TShape::SetPenColor(TColor value) {
    if (ChangeField(FPenColor, value)) update();
}

void TShape::Paint(QPainter& canvas) { Rectangle(canvas, GetClientRect(), TPen(FPenColor), FBrushColor); }
