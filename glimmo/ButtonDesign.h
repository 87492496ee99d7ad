#pragma once
// Everything a button is rendered from: size, shape, fill, bevel, light,
// caption and the two smoothing settings. The main form maps its controls to
// and from this value; the renderer reads nothing else.
#include <cstdint>
#include <memory>
#include <string>

#include "artkit/Painters.h"
#include "artkit/PaletteText.h"
#include "image/PGConvFilter.h"
#include "image/PGSmoothSettings.h"
#include "platform/Colors.h"
#include "platform/Geometry.h"

class TPixelGraphic;

// Bevel routine by style number; 0 (no style chosen yet) draws as solid.
enum TBevelStyle : uint8_t { bvsNone = 0, bvsSolid = 1, bvsGradient = 2, bvsSmooth = 3 };

// Where the bitmap fill goes ("Stretch to Fit", "Original Size", "Target Rectangle").
enum TBitmapPlacement : uint8_t { bpStretch = 0, bpOriginal = 1, bpTargetRect = 2 };

// Gradient fill buttons: linear1 (angle 0, the ramp runs down the rows),
// linear2 (angle 90, across the columns), rectangular1, radial1.
enum TGradientStyle : uint8_t { gsLinear = 0, gsLinear90 = 1, gsRectangular = 2, gsRadial = 3 };

enum THorzAlign : uint8_t { haLeft = 0, haCenter = 1, haRight = 2 };
enum TVertAlign : uint8_t { vaTop = 0, vaCenter = 1, vaBottom = 2 };

// The anti-aliasing menu: "Off", "Low", "High".
enum TAntiAliasLevel : uint8_t { aaOff = 0, aaLow = 1, aaHigh = 2 };
// Percent 10 / 50 / 100, UseDistance false / true / true.
void SetAntiAliasLevel(TSmoothSettings& settings, TAntiAliasLevel level);
// Anti-aliasing runs only above this percent.
constexpr int AntiAliasThreshold = 24;

struct TButtonDesign {
    // ---- size ------------------------------------------------------------
    int Width = 100;  // 1..200
    int Height = 25;  // 1..200

    // ---- shape and fill ----------------------------------------------------
    int Shape = scRectangle;
    int FillMode = fmColor;
    // The picture laid into the button (shared with the form, not copied).
    std::shared_ptr<TPixelGraphic> FillImage;
    bool PlasmaStretch = false;  // plasma "Stretch to fit"
    TBitmapPlacement BitmapPlacement = bpOriginal;
    TRect TargetRect = TRect(0, 0, 1, 1);
    TColor BlankColor = clGray;
    TColor CanvasColor = clBlack;

    // ---- bevel and light ----------------------------------------------------
    int BevelStyle = bvsNone;
    int BevelWidth = 4;      // 1..100
    int BevelOpacity = 80;   // 1..100
    int RelativeOffset = 0;  // "Relative Offset" slider, 0..10 (the inset: BevelOffsetFor)
    // Shape1..Shape4: light start, light end, shadow start, shadow end.
    TColor BevelColors[4] = {clWhite, clBlack, clWhite, clBlack};
    bool DoubleBevel = false;
    int LightDirection = 1;  // painter direction 1..9
    int InnerLuminance = 0;  // -100..100

    // ---- caption -------------------------------------------------------------
    std::string Caption;  // lines separated by line breaks
    std::string FontName = "Arial";
    int FontSize = 12;  // 5..100
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Outlined = false;
    bool PaintInside = false;  // "Paint Inside when outlined"
    TColor TextColor = clWhite;
    TColor OutlineColor = clBlack;
    int TextOpacity = 80;  // 1..100
    THorzAlign HorzAlign = haCenter;
    TVertAlign VertAlign = vaCenter;
    int TextOffsetX = 0;  // -200..200
    int TextOffsetY = 0;

    // ---- smoothing -------------------------------------------------------------
    TSmoothSettings OutlineBlur{dsGaussian, 1.3L, 100, true};
    TSmoothSettings AntiAliasing{dsGaussian, 1.3L, 24, false};

    // ---- gradient and plasma fills ----------------------------------------
    TGradientStyle GradientStyle = gsLinear;
    std::string GradientPaletteText = "default";
    std::string PlasmaPaletteText = "default";
    int PlasmaStyle = 0;        // TPlasmaStyle
    int PlasmaNoise = 100;      // 1..200
    int PlasmaBrightness = 50;  // 1..100
};

// Limits every number to the range of the control it comes from (a
// parameter file may hold anything); the renderer draws a limited copy.
void ClampToControls(TButtonDesign& design);

// The shapes whose height is kept equal to their width (square, circle and
// the four triangles): pressing one, or moving either size of one, gives
// both sizes the value just set.
bool KeepsSquare(int shape);
// Applies that rule after a size change: the other size takes the one that
// moved (widthMoved: the width did).
void KeepSquare(TButtonDesign& design, bool widthMoved);

// Inset of the bevel: Round(relative x 0.1 x (bevel-width maximum - bevel width)).
int BevelOffsetFor(int relativeOffset, int bevelWidthMaximum, int bevelWidth);
// The bevel-width maximum that follows the preview: min(width, height) div 2,
// at least 2.
int BevelWidthMaximum(int width, int height);
