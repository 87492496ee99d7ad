#pragma once
// TKV_Bevel: a bevel whose highlight and shadow follow its own Color.
#include "platform/Controls.h"
#include "platform/Paint.h"

class TKV_Bevel : public TGraphicControl {
    Q_OBJECT
public:
    explicit TKV_Bevel(QWidget* parent = nullptr);

    TBevelEdgeStyle GetStyle() const { return FStyle; }
    void SetStyle(TBevelEdgeStyle value);
    TBevelShape GetShape() const { return FShape; }
    void SetShape(TBevelShape value);
    TPenStyle GetPenStyle() const { return FPenStyle; }
    void SetPenStyle(TPenStyle value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor GetColor() const { return FColor; }
    // The button face colour gives the system shadow and highlight; any
    // other colour gives each channel - 25 and + 25, limited to 0..255.
    void SetColor(TColor value);
    TColor GetShadowColor() const { return FShadow; }
    TColor GetHighlightColor() const { return FHighlight; }

    // Lines are two pixels across and stretch; boxes have their size at
    // creation and grow.
    QSize sizeHint() const override { return BevelSizeHint(FShape); }
    QSize minimumSizeHint() const override { return BevelMinimumSizeHint(FShape); }

protected:
    void Paint(QPainter& canvas) override;

private:
    TBevelEdgeStyle FStyle = bsLowered;
    TBevelShape FShape = bsBox;
    TPenStyle FPenStyle = psSolid;
    bool FTransparent = true;
    TColor FColor = clBtnFace;
    TColor FShadow = clBtnShadow;
    TColor FHighlight = clBtnHighlight;
};
