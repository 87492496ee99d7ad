#pragma once
// The button renderer: turns a TButtonDesign into a button picture (fill,
// inner luminance, bevel rings, opacity, anti-aliasing, caption, cut to the
// shape). It owns the working state the painters share (light vector, colour
// ramp, the rounded-rectangle light field, the plasma grids) and the
// preview's pictures, so that the main form only maps its controls to
// Design and calls RefreshButton.
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "artkit/Painters.h"
#include "artkit/Plasma.h"
#include "glimmo/ButtonDesign.h"
#include "image/PGConvFilter.h"
#include "image/PGraphic.h"
#include "platform/Random.h"

// LightVector of a painter direction (z always 0); false for 5 and for
// values outside 1..9, which leave the vector as it was.
bool LightVectorOf(int direction, TLightVector& vector);
// 1<->9, 2<->8, 3<->7, 4<->6; others unchanged.
int MirroredDirection(int direction);

class TButtonRenderer {
public:
    explicit TButtonRenderer(TRandomGenerator& random = GlobalRandom());

    // ---- the preview -----------------------------------------------------------
    // What the main form shows and edits. RefreshButton renders Design into
    // Preview; the fill commands replace Design.FillImage with a new copy.
    TButtonDesign Design;
    TPixelGraphic Preview;        // the button (pgimage1)
    TPixelGraphic GradientImage;  // the gradient fill's picture (PGImage6)
    TPixelGraphic PlasmaImage;    // the plasma fill's picture, 200 x 200 (PGImage3)
    bool AutoUpdate = true;       // "Auto-Update"
    bool SizeChanged = false;     // width or height changed since the last refresh

    // Brings the preview up to date: on a size change resizes the pictures,
    // refills a solid or gradient fill and renders; otherwise renders when
    // AutoUpdate or force is set.
    void RefreshButton(bool force);
    // Paints GradientImage by Design.GradientStyle through the gradient
    // palette; in gradient fill mode the fill becomes a copy and the preview
    // refreshes.
    void RenderGradientFill();
    // Grows a new plasma (regenerate) or re-maps the current one into
    // PlasmaImage through the plasma palette.
    void RenderPlasma(bool regenerate);
    // The solid-colour fill: a fill image of the preview's size in the
    // "Blank Color"; fill mode solid colour.
    void SolidColourFill();

    // ---- rendering -------------------------------------------------------------
    // Renders design into target at target's size (caption: design.Caption).
    void RenderButton(const TButtonDesign& design, TPixelGraphic& target);
    void RenderButton(const TButtonDesign& design, TPixelGraphic& target, const std::string& caption);

    // The outlined caption: a blurred halo of text in the outline colour
    // fading from the text colour, mixed into target by percent. The blur is
    // that of the design being rendered (outside a render: Design's).
    void DrawCaptionText(TPixelGraphic& target, uint32_t outlineColour, unsigned format, int percent,
                         const std::string& text, const TRect& rect, uint32_t textColour);

    // Swaps the light to the opposite side (direction and vector).
    void MirrorLightDirection();
    // Sets the light direction and, for 1..9 but 5, the light vector.
    void SetLightDirection(int direction);
    int GetLightDirection() const { return FLightDirection; }
    const TLightVector& GetLightVector() const { return FLightVector; }

    // The three bevel routines on target: colours Shape1..Shape4 (RGB), bevel
    // width. They read shape, offset and light of the design being rendered.
    void DrawSolidBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width);
    void DrawGradientBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width);
    void DrawSmoothBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width);

    TPlasmaFill& Plasma() { return FPlasma; }
    // Number of RenderButton calls so far (what a form's refresh really did).
    uint64_t RenderCount() const { return FRenderCount; }
    const TColourTable& ColourRamp() const { return FColourRamp; }

private:
    void DrawBevel(int style, TPixelGraphic& target, const uint32_t (&colours)[4], int width);
    // Draws one ring; returns the area it may have changed.
    TRect DrawRing(TPixelGraphic& target, const TRect& ring, uint32_t light, uint32_t shadow);
    // The rounded-rectangle outline of rect on a picture of w x h, kept
    // between renders (the rings of a slider move repeat).
    const std::vector<TPoint>& RoundRectOutlineOf(const TRect& rect, int w, int h);
    // The smooth bevel of a rounded rectangle at once (see DrawBevel);
    // false when the pictures do not allow it.
    bool SmoothRoundRectBevel(TPixelGraphic& target, int width, int offset, int inner);
    bool SmoothRectangleBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width, int offset, int inner);
    // The smooth style's mixes of every ring from one on, as a table (below).
    static constexpr int MixStepSpan = 511;
    const int16_t* MixSteps(int width);
    // A pixel t that first differed from the copy's f at the table row's
    // ring, after the mixes of that ring and all later ones.
    static void MixToFinal(uint8_t* t, const uint8_t* f, const int16_t* steps) {
        for (int c = 0; c < 3; ++c) t[c] = static_cast<uint8_t>(f[c] + steps[255 + t[c] - f[c]]);
    }
    void DrawCaption(TPixelGraphic& target, const std::string& caption);
    TConvFilter& SmoothFilter(TConvFilter& filter, const TSmoothSettings& settings, TSmoothSettings& built,
                              bool& valid);

    int FLightDirection = 1;
    TLightVector FLightVector;
    TColourTable FColourRamp{};
    // The rounded-rectangle light fields of the two bevel passes, kept
    // between renders; FWorkGraphic is the one the rings copy from.
    struct TLightField {
        bool Valid = false;
        int Width = 0, Height = 0, Direction = 0;
        uint32_t Light = 0, Shadow = 0;
        TPixelGraphic Graphic;
    };
    TLightField FLightFields[2];
    int FNextLightField = 0;
    const TPixelGraphic* FWorkGraphic = nullptr;
    void UseLightField(const TPixelGraphic& target, uint32_t light, uint32_t shadow, int direction);
    // Work pictures of a render, kept so that redraws reuse their memory
    // (allocating and releasing them cost more than their arithmetic).
    TPixelGraphic FPlain, FBeveled, FBevelCopy;
    TPixelGraphic FGlyphs, FGlyphCrop, FHalo, FHaloMask, FCaptionBase;
    // The shape's mask, kept for its shape and size.
    TPixelGraphic FMask;
    int FMaskShape = -1;
    bool FMaskCuts = false;  // the shape cuts (a rectangle does not)
    std::map<std::tuple<int, int, int, int>, std::vector<TPoint>> FOutlines;
    // The pixels the rings of a smooth rounded-rectangle pass reach, each
    // with the first ring that reaches it, in row order; kept for the two
    // passes of a render.
    struct TRingReach {
        struct TPixel {
            uint16_t X, Y, Ring;
        };
        bool Valid = false;
        int Width = 0, Height = 0, Bevel = 0, Inset = 0;
        bool Narrow = false;
        std::vector<TPixel> Pixels;
    };
    TRingReach FRingReach[2];
    int FNextRingReach = 0;
    // What the mixes of rings e to the last make of a channel d above the
    // copy's: row e, column d + 255 (for one bevel width).
    std::vector<int16_t> FMixSteps;
    int FMixStepsWidth = 0;
    int FOutlinesWidth = 0, FOutlinesHeight = 0;
    TPlasmaFill FPlasma;
    bool FDoubleBevel = false;
    uint64_t FRenderCount = 0;

    // The smoothing filters (outline blur, anti-aliasing) and the settings
    // they were last built from.
    TConvFilter FOutlineBlur;
    TConvFilter FAntiAliasing;
    TSmoothSettings FOutlineBlurBuilt, FAntiAliasingBuilt;
    bool FOutlineBlurValid = false, FAntiAliasingValid = false;

    // The design being rendered and its colours resolved to RGB.
    const TButtonDesign* FDesign = nullptr;
    uint32_t FTextColour = 0, FOutlineColour = 0;
};
