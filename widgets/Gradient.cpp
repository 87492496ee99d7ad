#include "widgets/Gradient.h"

#include <QImage>

#include "platform/Paint.h"
#include "widgets/ArtDraw.h"

void TGradient::Changed() {
    if (OnChange) OnChange(this);
}

void TGradient::SetGradientStyle(TGradientStyle value) {
    if (ChangeField(FGradientStyle, value)) Changed();
}

void TGradient::SetLineSize(int value) {
    if (ChangeField(FLineSize, value)) Changed();
}

TColor TGradient::GetColor(int number) const {
    if (number < 1 || number > 5) return clBlack;
    return FColors[number - 1];
}

void TGradient::SetColor(int number, TColor value) {
    if (number < 1 || number > 5 || FColors[number - 1] == value) return;
    FColors[number - 1] = value;
    Changed();
}

void TGradient::SetColorCount(int value) {
    if (ChangeField(FColorCount, value)) Changed();
}

void TGradient::SetLineDirection(TLineDirection value) {
    if (ChangeField(FLineDirection, value)) Changed();
}

void TGradient::Assign(const TGradient& source) {
    FGradientStyle = source.FGradientStyle;
    FLineSize = source.FLineSize;
    for (int i = 0; i < 5; ++i) FColors[i] = source.FColors[i];
    FColorCount = source.FColorCount;
    FLineDirection = source.FLineDirection;
    Changed();
}

// ---- the colour walk ---------------------------------------------------------

namespace {
int EffectiveCount(const TGradient& g) { return g.GetColorCount() < 1 ? 3 : g.GetColorCount(); }
int EffectiveLineSize(const TGradient& g) { return g.GetLineSize() < 1 ? 1 : g.GetLineSize(); }
}  // namespace

TGradientWalk::TGradientWalk(const TGradient& gradient, int segmentLength)
    : FGradient(gradient),
      FCount(EffectiveCount(gradient)),
      FLineSize(EffectiveLineSize(gradient)),
      FLength(std::max(1, segmentLength)),
      FBoundary(FLength),
      FSegment(1) {
    Load(FA, 0);
    Load(FB, FCount > 1 ? 1 : 0);
    for (int c = 0; c < 3; ++c) FRun[c] = FA[c];
}

void TGradientWalk::Load(double* dst, int colorIndex) const {
    int r, g, b;
    SplitColor(FGradient.GetColor(std::min(colorIndex, 4) + 1), r, g, b);
    dst[0] = r;
    dst[1] = g;
    dst[2] = b;
}

TColor TGradientWalk::Current() const { return RGBFromFloats(FRun[0], FRun[1], FRun[2]); }

void TGradientWalk::Step(int position) {
    if (position >= FBoundary) {
        FBoundary += FLength;
        FSegment = std::min(FSegment + 1, FCount);
        for (int c = 0; c < 3; ++c) FA[c] = FB[c];
        Load(FB, FSegment);
    }
    for (int c = 0; c < 3; ++c) FRun[c] += (FB[c] - FA[c]) / FLength * FLineSize;
}

// ---- painters ------------------------------------------------------------------

namespace {

// Bands across a strip: horizontal bands (diHorizonal) top to bottom, or
// vertical bands left to right.
void PaintLines(QPainter& canvas, const TRect& r, const TGradient& g) {
    const bool horizontal = g.GetLineDirection() == diHorizonal;
    const int n = EffectiveCount(g);
    TGradientWalk walk(g, (horizontal ? r.Height() : r.Width()) / n);
    const int s = walk.LineSize();
    if (horizontal) {
        for (int p = r.Top; p <= r.Bottom; p += s) {
            FillRect(canvas, TRect(r.Left, p, r.Right, p + s), walk.Current());
            walk.Step(p + s);
        }
    } else {
        for (int p = r.Left; p <= r.Right; p += s) {
            FillRect(canvas, TRect(p, r.Top, p + s, r.Bottom), walk.Current());
            walk.Step(p + s);
        }
    }
}

// Shapes shrinking toward the centre, one band further in per step.
void PaintNested(QPainter& canvas, const TRect& r, const TGradient& g) {
    const int n = EffectiveCount(g);
    TGradientWalk walk(g, (std::max(r.Width(), r.Height()) / n) / 2);
    const int s = walk.LineSize();
    const TPen clearPen(clBlack, 1, psClear);
    for (int x = r.Left, y = r.Top; x < r.Right / 2 && y < r.Bottom / 2; x += s, y += s) {
        const TRect shape(x, y, r.Right - x, r.Bottom - y);
        const TColor c = walk.Current();
        switch (g.GetGradientStyle()) {
            case gsEllipse: Ellipse(canvas, shape, clearPen, c); break;
            case gsCustomRect:
                if (g.OnDrawRect) {
                    canvas.save();
                    canvas.setPen(Qt::NoPen);
                    canvas.setBrush(ToQColor(c));
                    g.OnDrawRect(nullptr, canvas, shape);
                    canvas.restore();
                    break;
                }
                FillRect(canvas, shape, c);
                break;
            default: FillRect(canvas, shape, c); break;
        }
        walk.Step(y + s);
    }
}

}  // namespace

void DrawGradient(QPainter& canvas, const TRect& rect, const TGradient& gradient) {
    if (rect.Right == 0 || rect.Bottom == 0 || rect.IsEmpty()) return;
    if (gradient.GetGradientStyle() == gsLine) {
        // One strip of the bands, 8 pixels across, tiled over the rectangle.
        const bool horizontal = gradient.GetLineDirection() == diHorizonal;
        QImage strip(horizontal ? 8 : rect.Width(), horizontal ? rect.Height() : 8, QImage::Format_RGB32);
        strip.fill(Qt::black);
        {
            QPainter sp(&strip);
            PaintLines(sp, TRect(0, 0, strip.width(), strip.height()), gradient);
        }
        TileBitmap(canvas, strip, rect);
        return;
    }
    PaintNested(canvas, rect, gradient);
}
