#pragma once
// Painting helpers that follow the framework's drawing conventions on a
// QPainter, so that controls give the same pixels as their originals:
//
// - Lines (MoveTo/LineTo, Polyline) never draw their end point and are
//   rasterised with Bresenham's algorithm, independent of Qt's rasteriser.
// - Rectangles are TRect (right and bottom exclusive). Rectangle() draws its
//   1-pixel outline on the rectangle's outer pixels and fills the inside.
// - 3-D edges follow the framework's DrawEdge and Frame3D.
// - Bitmaps are QImage in Format_RGB32; raster operations (SRCINVERT,
//   SRCAND, SRCPAINT) work bitwise on RGB and need a raster paint device
//   (a QImage, or a widget's backing store).
// - Colours are TColor ($00BBGGRR, system colours allowed) and are resolved
//   through ColorToRGB, whose classic system colours are fixed.
//
// Antialiasing is never used by these helpers.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <vector>

#include "platform/Colors.h"
#include "platform/Geometry.h"

// ---- colours ---------------------------------------------------------------
QColor ToQColor(TColor c);  // system colours resolved; alpha 255
TColor FromQColor(const QColor& c);
// Colour of a pixel of an image as $00BBGGRR; black outside the image.
TColor ImagePixelColor(const QImage& img, int x, int y);
// Screen colour depth in bits per pixel (32 without a screen).
int ScreenColorDepth();

// ---- pens ------------------------------------------------------------------
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPen() = default;
    TPen(TColor color, int width = 1, TPenStyle style = psSolid) : Color(color), Width(width), Style(style) {}
};

// Lines from point to point; the last point is not drawn. The dash pattern of
// a styled pen runs on across the segments of one polyline.
void Polyline(QPainter& p, const TPen& pen, const std::vector<TPoint>& points);
inline void Line(QPainter& p, const TPen& pen, int x1, int y1, int x2, int y2) {
    Polyline(p, pen, {TPoint(x1, y1), TPoint(x2, y2)});
}

// ---- rectangles and ellipses ----------------------------------------------
void FillRect(QPainter& p, const TRect& r, TColor color);
// A 1-pixel frame on the rectangle's outer pixels.
void FrameRect(QPainter& p, const TRect& r, TColor color);
// The framework's Rectangle: outline in the pen on the rectangle's outer
// pixels, inside filled with the brush colour (clNone: no fill). A clear pen
// leaves the outline out and the fill covers (Left, Top)-(Right - 1, Bottom - 1).
void Rectangle(QPainter& p, const TRect& r, const TPen& pen, TColor brush);
// The framework's Ellipse inside the bounding rectangle (pen as Rectangle).
void Ellipse(QPainter& p, const TRect& r, const TPen& pen, TColor brush);
// Polygon: the inside filled with the brush (clNone: none), then the closed
// outline in the pen.
void Polygon(QPainter& p, const TPen& pen, TColor brush, const std::vector<TPoint>& points);
// Frame3D: width rings, top and left in topColor, bottom and right (with
// both far corners) in bottomColor; r shrinks by width on every side.
void Frame3D(QPainter& p, TRect& r, TColor topColor, TColor bottomColor, int width);
// The dotted focus rectangle (every other pixel of the outline inverted).
void DrawFocusRect(QPainter& p, const TRect& r);

// ---- bevels ----------------------------------------------------------------
enum TBevelEdgeStyle { bsLowered, bsRaised };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
// The framework bevel's lines on a width x height control: first is the
// top/left colour of a box (shadow when lowered, highlight when raised),
// second the other. Box: outline of (0, 0, W - 1, H - 1), bottom-left to
// top-left to top-right in first, top-right to bottom-right to bottom-left
// in second; frame: that outline on (1, 1, W - 1, H - 1) in second, then on
// (0, 0, W - 2, H - 2) in first; lines: the two outer rows or columns, the
// outer one in first (top, left) or second (bottom, right); spacer: nothing.
void PaintBevelShape(QPainter& p, int width, int height, TBevelShape shape, TColor first, TColor second,
                     TPenStyle penStyle = psSolid);
// What a bevel of the shape asks of a layout: a line is two pixels across
// and stretches along its length; a box, frame or spacer has its size at
// creation (50 x 50) and grows both ways.
QSize BevelSizeHint(TBevelShape shape);
QSize BevelMinimumSizeHint(TBevelShape shape);
// (BevelSizePolicy, the layout's side, is in platform/Controls.h.)

// ---- 3-D edges (DrawEdge) --------------------------------------------------
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    BDR_OUTER = 0x3,
    BDR_INNER = 0xC,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : unsigned {
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_TOPLEFT = BF_TOP | BF_LEFT,
    BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_MIDDLE = 0x800,
    BF_SOFT = 0x1000,
    BF_ADJUST = 0x2000,
    BF_FLAT = 0x4000,
    BF_MONO = 0x8000,
};
// Draws the edge's outer line on the rectangle's outer pixels and its inner
// line one pixel in, top and left lines first so that the bottom-left and
// top-right corners take the bottom and right colours. An edge with only an
// inner or only an outer part draws one line at the outer pixels. Colours
// (classic scheme): raised outer light/dark shadow, raised inner
// highlight/shadow, sunken outer shadow/highlight, sunken inner dark
// shadow/light; BF_SOFT swaps the outer and inner top-left colours, BF_FLAT
// draws shadow and face, BF_MONO window frame and window. BF_MIDDLE fills the
// inside with the face colour (window with BF_MONO); BF_ADJUST shrinks r by
// the drawn lines on the chosen sides.
void DrawEdge(QPainter& p, TRect& r, unsigned edge, unsigned flags);
// The 3-D frame of a push button on r: raised, the highlight on the outer
// top and left lines, the dark shadow on the outer bottom and right and the
// shadow inside them; sunken, the dark shadow and the shadow top and left,
// the highlight outside bottom and right.
void DrawButtonFrame(QPainter& p, TRect r, bool sunken);

// ---- bitmaps ---------------------------------------------------------------
enum TRasterOp { ropSrcCopy, ropSrcInvert, ropSrcAnd, ropSrcPaint };
// Copies src at (x, y) with the raster operation.
void BitBlt(QPainter& p, int x, int y, const QImage& src, TRasterOp rop = ropSrcCopy);
// Stretches src over dst (nearest pixel) with the raster operation.
void StretchBlt(QPainter& p, const TRect& dst, const QImage& src, TRasterOp rop = ropSrcCopy);
// The monochrome mask of an image: white where the pixel has the colour,
// black elsewhere (Format_RGB32).
QImage MakeColorMask(const QImage& src, TColor color);
// Masked copy: src at (x, y), pixels of the transparent colour leave the
// target as it was. A destination size of 0 means the bitmap's own size;
// otherwise bitmap and mask are stretched to it.
void MaskedBlit(QPainter& p, int x, int y, const QImage& src, TColor transparent, int width = 0, int height = 0);
// Draws a bitmap with transparency: clNone ($1FFFFFFF) means a plain copy
// (stretched when a size is given); any other colour is made RGB (the
// palette-relative flag removed) and used for MaskedBlit.
void DrawBitmapTransparent(QPainter& p, int x, int y, const QImage& src, TColor transparent, int width = 0,
                           int height = 0);
