#pragma once
// Free-standing painters that the button renderer composes into a button:
// numeric and naming helpers, colour helpers, bevel shading, ring outlines by
// shape, shape masks, gradient fills, inner luminance and masked composing.
// All work on 24-bit pictures. The tile generator shares ClampRGB,
// ShiftColor, Hypotenuse, MixGraphics and BoolToText / TextToBool.
#include <cstdint>
#include <string>
#include <vector>

#include "artkit/PaletteText.h"
#include "platform/Geometry.h"

class TPixelGraphic;
class TPGCanvas;

// ---- shapes and fills --------------------------------------------------------

// Shape codes (one byte; readers use the code AND $7F).
enum TShapeCode : uint8_t {
    scOval = 0,
    scRectangle = 1,
    scSquare = 2,
    scCircle = 3,
    scTriangleUp = 4,
    scTriangleDown = 5,
    scTriangleLeft = 6,
    scTriangleRight = 7,
    scRoundRect = 8,
    scDiamond = 9
};
constexpr int ShapeCodeCount = 10;

// Fill modes of a button (the fill style codes of the parameter files).
enum TFillMode : uint8_t { fmPlasma = 0, fmBitmap = 1, fmColor = 2, fmGradient = 3 };
constexpr int FillModeCount = 4;

// Keywords of the parameter files. A code outside the table leaves name as it was.
void ShapeCodeToName(int code, std::string& name);
// Exact, case-sensitive; anything unknown is the oval (0).
int ShapeNameToCode(const std::string& name);
void FillStyleToName(int code, std::string& name);
// "plasma", "bitmap", "gradient"; anything else (also "color") is 2.
int FillStyleFromName(const std::string& name);

// "true" / "false"; only the exact text "true" reads as true.
std::string BoolToText(bool value);
bool TextToBool(const std::string& text);

// ---- numbers -----------------------------------------------------------------

// Length of the vector (a, b), without overflow on large components.
long double Hypotenuse(long double a, long double b);
// Round up / round down to an integer.
int CeilValue(long double x);
int FloorValue(long double x);

// ---- rectangles --------------------------------------------------------------

// (n, n, width - n, height - n).
TRect RingRect(const TPixelGraphic& graphic, int n);
// Left + 1 and right - 1.
TRect NarrowRect(const TRect& r);
// Every side moved inward by n.
TRect InsetRect(const TRect& r, int n);

// ---- colours -----------------------------------------------------------------

// Each channel clamped to 0..255.
uint32_t ClampRGB(int r, int g, int b);
// Adds amount to each channel, clamped.
uint32_t ShiftColor(uint32_t colour, int amount);
// Round(Hypotenuse(f + 1, e + 1) / halfDiagonal x amount).
int LuminanceAmount(long double e, long double f, int amount, long double halfDiagonal);

// Blends second into first (same size): each channel of first becomes
// ((100 - p) x second + p x first) div 100.
void MixGraphics(TPixelGraphic& first, const TPixelGraphic& second, int percent);
// The same, limited to the pixels of area (where the two may differ).
void MixGraphicsRect(TPixelGraphic& first, const TPixelGraphic& second, int percent, const TRect& area);
// The same with second's pixel (0, 0) over first's (x, y): all of second
// that lies on first.
void MixGraphicsAt(TPixelGraphic& first, int x, int y, const TPixelGraphic& second, int percent);

// ---- light and shading -------------------------------------------------------

// Painter direction: 1..9 read as a 3 x 3 grid row by row from the top
// (1 top-left, 5 none, 9 bottom-right); 0, 5 and values above 9 draw nothing.
struct TLightVector {
    double X = -1;  // to the right
    double Y = -1;  // downward
    double Z = 0;   // out of the image
};

// Fills ramp from c2 (entry 0) to c1 (entry 256).
void BuildColourRamp(TColourTable& ramp, uint32_t c1, uint32_t c2);
// Sets (x, y) to the ramp entry of the light falling on normal n.
void ShadeBevelPixel(TPixelGraphic& graphic, int x, int y, double nx, double ny, double nz, const TLightVector& light,
                     const TColourTable& ramp);
// A bevel band along the ellipse inside (left, top, right, bottom), shaded
// like a cone.
void EllipseBevel(TPixelGraphic& graphic, int left, int top, int right, int bottom, int thickness,
                  const TLightVector& light, const TColourTable& ramp);

// Brightens (positive amount) or darkens the picture toward the light side.
void InnerLuminance(TPixelGraphic& graphic, int amount, int direction);

// ---- ring outlines -----------------------------------------------------------
// One polyline through the lit edges in the light colour, then one through
// the others in the shadow colour, pen width 1.

void DrawBevelEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, uint32_t shadow, int direction);
void TriangleUpEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow);
void TriangleDownEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow);
void TriangleLeftEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow);
void TriangleRightEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow);
void DiamondEdges(TPGCanvas& canvas, const TRect& r, uint32_t light, int direction, uint32_t shadow);

// Paints the rounded-rectangle light field into work (a copy of graphic's
// size): the light colour at the corner or edge named by direction, fading
// to the shadow colour one half-diagonal away. Direction 5 and unknown
// directions centre the field.
void RoundRectLight(const TPixelGraphic& graphic, uint32_t light, uint32_t shadow, int direction, TPixelGraphic& work);

// Pixels of the one-pixel RoundRect outline of rect with corner ellipse
// ((r - l) div 2, (b - t) div 2), as the canvas draws it, clipped to a
// picture of width x height, in row order.
std::vector<TPoint> RoundRectOutline(const TRect& rect, int width, int height);
// Copies the light field of work onto the rounded-rectangle outline of rect
// (as drawing work through a mask holding only that outline would).
void RoundRectRing(TPixelGraphic& graphic, const TRect& rect, const TPixelGraphic& work);
// Copies the pixels of work at points onto graphic; returns their bounds.
TRect CopyPixelsAt(TPixelGraphic& graphic, const std::vector<TPoint>& points, const TPixelGraphic& work);

// ---- masks and composing -----------------------------------------------------

// Black inside the triangle, white outside and on the outline.
// Orientation 1 up, 2 right, 3 left, 4 down.
void TriangleMask(TPixelGraphic& mask, int orientation);
void DiamondMask(TPixelGraphic& mask);

// Composes image onto target at (x, y) through mask: where the mask is black
// the image shows, where it is white the target stays (XOR, AND, XOR).
void DrawMasked(TPixelGraphic& target, int x, int y, const TPixelGraphic& image, const TPixelGraphic& mask);

// ---- gradient fills ----------------------------------------------------------

// Angle 0: horizontal stripes top to bottom; 90: vertical stripes left to
// right; other angles draw nothing.
void LinearGradientFill(TPixelGraphic& graphic, const TColourTable& ramp, int angle);
// Concentric rectangles, ramp entry 0 at the border and in the middle.
void RectangularGradientFill(TPixelGraphic& graphic, const TColourTable& ramp);
// Circles about the centre; beyond the half-diagonal the ramp starts again.
void RadialGradientFill(TPixelGraphic& graphic, const TColourTable& ramp);

// The masks of the shape cut, black inside: an ellipse 5 pixels inside the
// border (oval, circle) and the rounded rectangle over the whole picture.
void OvalMask(TPixelGraphic& mask);
void RoundRectMask(TPixelGraphic& mask);
// The mask of any shape code; false (mask untouched) for the rectangle and
// the square, which are not cut.
bool ShapeMask(TPixelGraphic& mask, int shape);
