#pragma once
// TShape: the framework's shape control as the forms use it for colour
// swatches: a rectangle outlined in the pen colour and filled with the brush
// colour. Mouse presses reach OnMouseDown like any graphic control's.
#include "platform/Controls.h"

class TShape : public TGraphicControl {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);

    TColor GetBrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor value);
    TColor GetPenColor() const { return FPenColor; }
    void SetPenColor(TColor value);

protected:
    void Paint(QPainter& canvas) override;

private:
    TColor FBrushColor = clWhite;
    TColor FPenColor = clBlack;
};
