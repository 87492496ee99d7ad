#pragma once
// TGradient: a gradient of up to five colours in bands of LineSize pixels,
// as lines, nested ellipses, nested rectangles or rectangles painted by
// OnDrawRect; DrawGradient paints one over a rectangle.
#include <QObject>
#include <QPainter>
#include <functional>

#include "platform/Colors.h"
#include "platform/Controls.h"
#include "platform/Geometry.h"

enum TGradientStyle { gsLine, gsEllipse, gsRect, gsCustomRect };
enum TLineDirection { diHorizonal, diVertical };

// Paints one step of a custom gradient: Canvas has the step's colour as its
// brush and no pen.
using TDrawRectEvent = std::function<void(QObject* Sender, QPainter& Canvas, const TRect& Rect)>;

class TGradient : public QObject {
    Q_OBJECT
public:
    explicit TGradient(QObject* owner = nullptr) : QObject(owner) {}

    TGradientStyle GetGradientStyle() const { return FGradientStyle; }
    void SetGradientStyle(TGradientStyle value);
    int GetLineSize() const { return FLineSize; }
    void SetLineSize(int value);
    // Color1 .. Color5 by number 1..5.
    TColor GetColor(int number) const;
    void SetColor(int number, TColor value);
    int GetColorCount() const { return FColorCount; }
    void SetColorCount(int value);
    TLineDirection GetLineDirection() const { return FLineDirection; }
    void SetLineDirection(TLineDirection value);

    // Copies style, line size, colours, colour count and direction (not the
    // events), then fires OnChange once.
    void Assign(const TGradient& source);

    TDrawRectEvent OnDrawRect;
    TNotifyEvent OnChange;

private:
    void Changed();
    TGradientStyle FGradientStyle = gsLine;
    int FLineSize = 3;
    TColor FColors[5] = {clGray, clWhite, clSilver, clWhite, clBlack};
    int FColorCount = 3;
    TLineDirection FLineDirection = diHorizonal;
};

// The gradient over rect. Nothing when rect's right or bottom is 0.
void DrawGradient(QPainter& canvas, const TRect& rect, const TGradient& gradient);

// The colour walk every style shares, for the painters and their tests:
// starts at Color1; each Step(position) is taken after a band and moves the
// running colour on by (B - A) / L x LineSize, first passing to the next
// segment when position is at or past the boundary (a multiple of L).
class TGradientWalk {
public:
    // L below 1 counts as 1 (small areas would divide by zero).
    TGradientWalk(const TGradient& gradient, int segmentLength);
    TColor Current() const;
    void Step(int position);
    int LineSize() const { return FLineSize; }

private:
    const TGradient& FGradient;
    int FCount, FLineSize, FLength, FBoundary, FSegment;
    double FA[3], FB[3], FRun[3];
    void Load(double* dst, int colorIndex) const;
};
