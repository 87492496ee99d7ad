#pragma once
// TArtLabel: one line of large text with a drop shadow, an outline or a 3-D
// edge, and letters filled with a bitmap or a gradient.
#include <QImage>
#include <memory>

#include "platform/Controls.h"
#include "widgets/Gradient.h"

enum TArtStyleItem { as3DSunk, as3DRaise, asShadow, asBitmap, asOutlined, asBitmapFit, asGradient };
using TArtStyle = unsigned;  // set of TArtStyleItem, bit (1 << item)
constexpr TArtStyle ArtStyleOf(std::initializer_list<TArtStyleItem> items) {
    TArtStyle s = 0;
    for (TArtStyleItem i : items) s |= 1u << i;
    return s;
}
constexpr bool HasArtStyle(TArtStyle s, TArtStyleItem i) { return (s >> i) & 1u; }

class TArtLabel : public TGraphicControl {
    Q_OBJECT
public:
    explicit TArtLabel(QWidget* parent = nullptr);
    ~TArtLabel() override;

    TArtStyle GetArtStyle() const { return FArtStyle; }
    void SetArtStyle(TArtStyle value);
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    const QImage& GetBitmap() const { return FBitmap; }
    void SetBitmap(const QImage& value);
    TColor GetShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    TColor GetOutlineColor() const { return FOutlineColor; }
    void SetOutlineColor(TColor value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    int GetShadowLength() const { return FShadowLength; }
    void SetShadowLength(int value);
    TGradient* GetGradient() const { return FGradient.get(); }
    // Copies the given gradient into the label's own.
    void SetGradient(const TGradient& value);
    TAlignment GetTextAlign() const { return FTextAlign; }
    void SetTextAlign(TAlignment value);

    // Where the caption's top-left corner goes on the current size, and the
    // metrics it is measured with (those of the work bitmap).
    TPoint TextOrigin() const;
    QFontMetrics WorkMetrics() const;
    // The gradient bitmap is rebuilt on the next paint.
    bool GradientStale() const { return FGradientStale; }

    // The AutoSize result: the caption's width + 4 by the height of "Wg"
    // + 4, in the label's font; the minimum as well, so that the letters
    // are never cut.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void Paint(QPainter& canvas) override;
    void FontChanged() override;

private:
    void ApplyAutoSize();
    void RepaintIf(bool condition) {
        if (condition) update();
    }
    // The shadow and one of outline / 3-D edge, in the label's colours or,
    // for the mask, all in one colour.
    void DrawEffects(QPainter& p, TPoint at, bool forMask) const;

    TArtStyle FArtStyle = ArtStyleOf({as3DRaise, asShadow});
    QString FCaption = QStringLiteral("Art Label");
    bool FTransparent = false;
    TColor FColor = clBtnFace;
    QImage FBitmap;
    TColor FShadowColor = clGray;
    TColor FOutlineColor = clWhite;
    bool FAutoSize = false;
    int FShadowLength = 3;
    std::unique_ptr<TGradient> FGradient;
    TAlignment FTextAlign = taLeftJustify;
    QImage FGradientBitmap;
    bool FGradientStale = true;
};
