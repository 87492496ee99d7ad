#include "widgets/kv_ctrls.h"

#include "platform/MathUtil.h"

TKV_Bevel::TKV_Bevel(QWidget* parent) : TGraphicControl(parent) {
    resize(50, 50);
    setSizePolicy(BevelSizePolicy(FShape));
}

void TKV_Bevel::SetStyle(TBevelEdgeStyle value) {
    if (ChangeField(FStyle, value)) update();
}

void TKV_Bevel::SetShape(TBevelShape value) {
    if (!ChangeField(FShape, value)) return;
    setSizePolicy(BevelSizePolicy(FShape));
    updateGeometry();
    update();
}

void TKV_Bevel::SetPenStyle(TPenStyle value) {
    if (ChangeField(FPenStyle, value)) update();
}

void TKV_Bevel::SetTransparent(bool value) {
    if (ChangeField(FTransparent, value)) update();
}

void TKV_Bevel::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    if (value == clBtnFace) {
        FShadow = clBtnShadow;
        FHighlight = clBtnHighlight;
    } else {
        // Limited to 0..255: a light colour must not wrap to a dark highlight.
        const uint32_t c = ColorToRGB(value);
        auto shift = [&](int d) {
            return static_cast<TColor>(
                RGB(Clamp(GetRValue(c) + d, 0, 255), Clamp(GetGValue(c) + d, 0, 255), Clamp(GetBValue(c) + d, 0, 255)));
        };
        FShadow = shift(-25);
        FHighlight = shift(25);
    }
    update();
}

void TKV_Bevel::Paint(QPainter& canvas) {
    if (!FTransparent) FillRect(canvas, GetClientRect(), FColor);
    const TColor first = FStyle == bsLowered ? FShadow : FHighlight;
    const TColor second = FStyle == bsLowered ? FHighlight : FShadow;
    PaintBevelShape(canvas, width(), height(), FShape, first, second, FPenStyle);
}
