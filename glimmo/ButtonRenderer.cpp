#include "glimmo/ButtonRenderer.h"

#include <algorithm>
#include <cstdlib>

#include "image/PGCanvas.h"
#include "platform/Colors.h"
#include "platform/DrawText.h"
#include "platform/MathUtil.h"

namespace {

// A 24-bit copy of source (the work pictures are always 24 bits).
void CopyAs24(TPixelGraphic& dest, const TPixelGraphic& source) {
    if (source.GetBitCountNum() == 3) {
        dest.Assign(&source);
        return;
    }
    dest.SetSize(source.GetWidth(), source.GetHeight(), 3);
    dest.CopyRect(0, 0, source, 0, 0, source.GetWidth(), source.GetHeight());
}

void FillWithColour(TPixelGraphic& graphic, uint32_t colour) {
    TPGCanvas& canvas = *graphic.GetCanvas();
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = static_cast<TColor>(colour);
    canvas.FillRect(TRect(0, 0, graphic.GetWidth(), graphic.GetHeight()));
}

// One channel of a gradient bevel ring: from a toward b in steps of 1 / width.
int GradientChannel(int a, int b, int width, int ring) {
    const long double step = static_cast<long double>(std::abs(b - a)) / width * ring;
    return static_cast<int>(b > a ? a + Round(step) : a - Round(step));
}

uint32_t GradientColour(uint32_t from, uint32_t to, int width, int ring) {
    return RGB(GradientChannel(GetRValue(from), GetRValue(to), width, ring),
               GradientChannel(GetGValue(from), GetGValue(to), width, ring),
               GradientChannel(GetBValue(from), GetBValue(to), width, ring));
}

// A kept work picture's canvas as a new picture's: nothing carries over
// from the last render.
void FreshCanvas(TPixelGraphic& graphic) {
    TPGCanvas& canvas = *graphic.GetCanvas();
    canvas.Pen = TPGPen();
    canvas.Brush = TPGBrush();
    canvas.Font = TPGFont();
    canvas.CopyMode = cmSrcCopy;
    canvas.PenPos = TPoint();
}

inline bool IsWhite(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF; }

}  // namespace

bool LightVectorOf(int direction, TLightVector& vector) {
    static const double table[10][2] = {{0, 0}, {-1, -1}, {0, -1.5}, {1, -1},  {-1.5, 0},
                                        {0, 0}, {1.5, 0}, {-1, 1},   {0, 1.5}, {1, 1}};
    if (direction < 1 || direction > 9 || direction == 5) return false;
    vector = TLightVector{table[direction][0], table[direction][1], 0};
    return true;
}

int MirroredDirection(int direction) { return direction >= 1 && direction <= 9 ? 10 - direction : direction; }

TButtonRenderer::TButtonRenderer(TRandomGenerator& random) : FPlasma(random) {
    PlasmaImage.SetSize(PlasmaImageSize, PlasmaImageSize, 3);
    BuildColourRamp(FColourRamp, clWhite, clBlack);
}

// ---- light --------------------------------------------------------------------

void TButtonRenderer::SetLightDirection(int direction) {
    FLightDirection = direction;
    LightVectorOf(direction, FLightVector);
}

void TButtonRenderer::MirrorLightDirection() { SetLightDirection(MirroredDirection(FLightDirection)); }

// ---- the preview ----------------------------------------------------------------

void TButtonRenderer::SolidColourFill() {
    auto fill = std::make_shared<TPixelGraphic>();
    const TPixelGraphic* old = Design.FillImage.get();
    fill->SetSize(old ? old->GetWidth() : Preview.GetWidth(), old ? old->GetHeight() : Preview.GetHeight(), 3);
    FillWithColour(*fill, ColorToRGB(Design.BlankColor));
    Design.FillImage = fill;
    Design.FillMode = fmColor;
}

void TButtonRenderer::RenderGradientFill() {
    GradientImage.Clear();
    const TColourTable palette = PaletteTextToTable(Design.GradientPaletteText);
    switch (Design.GradientStyle) {
        case gsLinear: LinearGradientFill(GradientImage, palette, 0); break;
        case gsRectangular: RectangularGradientFill(GradientImage, palette); break;
        case gsLinear90: LinearGradientFill(GradientImage, palette, 90); break;
        case gsRadial: RadialGradientFill(GradientImage, palette); break;
        default: break;
    }
    GradientImage.DoChange();
    if (Design.FillMode == fmGradient) {
        auto fill = std::make_shared<TPixelGraphic>();
        fill->Assign(&GradientImage);
        Design.FillImage = fill;
        RefreshButton(false);
    }
}

void TButtonRenderer::RenderPlasma(bool regenerate) {
    FPlasma.RenderPlasma(regenerate, PlasmaImage, PaletteTextToTable(Design.PlasmaPaletteText), Design.PlasmaStyle,
                         PlasmaOffset(Design.PlasmaBrightness), PlasmaScale(Design.PlasmaNoise));
}

void TButtonRenderer::RefreshButton(bool force) {
    if (SizeChanged) {
        SizeChanged = false;
        Preview.SetSize(Design.Width, Design.Height, 3);
        Preview.Clear();
        if (Design.FillMode == fmColor) {
            Design.FillImage.reset();
            SolidColourFill();
        }
        GradientImage.SetSize(Preview.GetWidth(), Preview.GetHeight(), 3);
        GradientImage.Clear();
        RenderGradientFill();
        RenderButton(Design, Preview);
        return;
    }
    if (AutoUpdate || force) RenderButton(Design, Preview);
}

// ---- rendering ----------------------------------------------------------------

TConvFilter& TButtonRenderer::SmoothFilter(TConvFilter& filter, const TSmoothSettings& settings, TSmoothSettings& built,
                                           bool& valid) {
    if (!valid || built != settings) {
        BuildSmoothFilter(settings, filter);
        built = settings;
        valid = true;
    }
    return filter;
}

void TButtonRenderer::RenderButton(const TButtonDesign& design, TPixelGraphic& target) {
    RenderButton(design, target, design.Caption);
}

void TButtonRenderer::RenderButton(const TButtonDesign& original, TPixelGraphic& target, const std::string& caption) {
    ++FRenderCount;
    TButtonDesign design = original;
    ClampToControls(design);
    FDesign = &design;
    struct TRenderScope {
        const TButtonDesign*& Design;
        ~TRenderScope() { Design = nullptr; }
    } scope{FDesign};
    SetLightDirection(design.LightDirection);
    const int shape = design.Shape & 0x7F;
    // System colours are resolved once, before any pixel arithmetic.
    const uint32_t colours[4] = {ColorToRGB(design.BevelColors[0]), ColorToRGB(design.BevelColors[1]),
                                 ColorToRGB(design.BevelColors[2]), ColorToRGB(design.BevelColors[3])};
    FTextColour = ColorToRGB(design.TextColor);
    FOutlineColour = ColorToRGB(design.OutlineColor);
    const uint32_t blank = ColorToRGB(design.BlankColor);
    const int bevelWidth = design.BevelWidth;

    TPixelGraphic& A = FPlain;
    TPixelGraphic& B = FBeveled;
    FreshCanvas(A);
    FreshCanvas(B);
    CopyAs24(B, target);

    // The fill.
    const TPixelGraphic* fill = design.FillImage && !design.FillImage->GetEmpty() ? design.FillImage.get() : nullptr;
    if (fill) {
        if (!design.PlasmaStretch || design.FillMode != fmPlasma)
            B.CopyRect(0, 0, *fill, 0, 0, fill->GetWidth(), fill->GetHeight());
        else B.StretchFrom(*fill);
    }
    if (design.FillMode == fmBitmap) {
        switch (design.BitmapPlacement) {
            case bpStretch:
                if (fill) B.StretchFrom(*fill);
                break;
            case bpOriginal:
                FillWithColour(B, blank);
                if (fill) B.CopyRect(0, 0, *fill, 0, 0, fill->GetWidth(), fill->GetHeight());
                break;
            case bpTargetRect:
                FillWithColour(B, blank);
                if (fill) B.GetCanvas()->StretchDraw(design.TargetRect, *fill);
                break;
        }
    }
    A.Assign(&B);

    if (shape == scOval || shape == scCircle) BuildColourRamp(FColourRamp, colours[0], colours[3]);
    if (design.InnerLuminance != 0) InnerLuminance(B, design.InnerLuminance, FLightDirection);

    // The second pass runs in every render; without "Double Bevel" it
    // repeats the first.
    DrawBevel(design.BevelStyle, B, colours, bevelWidth);
    FDoubleBevel = design.DoubleBevel;
    DrawBevel(design.BevelStyle, B, colours, bevelWidth);
    FDoubleBevel = false;

    if (design.BevelOpacity != 100) MixGraphics(B, A, design.BevelOpacity);

    if (design.AntiAliasing.Percent > AntiAliasThreshold) {
        A.ApplyFilter(SmoothFilter(FAntiAliasing, design.AntiAliasing, FAntiAliasingBuilt, FAntiAliasingValid), B);
        B.Assign(&A);
    } else {
        A.Assign(&B);
    }

    if (!caption.empty()) {
        DrawCaption(A, caption);
        MixGraphics(B, A, 100 - design.TextOpacity);
    }

    // The cut to the shape over the canvas colour; the mask depends on shape
    // and size only.
    TPixelGraphic& M = FMask;
    if (M.GetWidth() != B.GetWidth() || M.GetHeight() != B.GetHeight() || M.GetBitCountNum() != 3 ||
        FMaskShape != shape) {
        M.SetSizeForOverwrite(B.GetWidth(), B.GetHeight(), 3);
        FreshCanvas(M);
        FMaskCuts = ShapeMask(M, shape);
        FMaskShape = shape;
    }
    if (FMaskCuts) {
        FillWithColour(target, ColorToRGB(design.CanvasColor));
        DrawMasked(target, 0, 0, B, M);
    } else {
        target.Assign(&B);
    }
    target.DoChange();
}

// ---- bevels -------------------------------------------------------------------

void TButtonRenderer::DrawSolidBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width) {
    DrawBevel(bvsSolid, target, colours, width);
}
void TButtonRenderer::DrawGradientBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width) {
    DrawBevel(bvsGradient, target, colours, width);
}
void TButtonRenderer::DrawSmoothBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width) {
    DrawBevel(bvsSmooth, target, colours, width);
}

void TButtonRenderer::UseLightField(const TPixelGraphic& target, uint32_t light, uint32_t shadow, int direction) {
    for (TLightField& f : FLightFields)
        if (f.Valid && f.Width == target.GetWidth() && f.Height == target.GetHeight() && f.Light == light &&
            f.Shadow == shadow && f.Direction == direction) {
            FWorkGraphic = &f.Graphic;
            return;
        }
    TLightField& f = FLightFields[FNextLightField];
    FNextLightField ^= 1;
    RoundRectLight(target, light, shadow, direction, f.Graphic);
    f.Valid = true;
    f.Width = target.GetWidth();
    f.Height = target.GetHeight();
    f.Direction = direction;
    f.Light = light;
    f.Shadow = shadow;
    FWorkGraphic = &f.Graphic;
}

const std::vector<TPoint>& TButtonRenderer::RoundRectOutlineOf(const TRect& rect, int w, int h) {
    if (w != FOutlinesWidth || h != FOutlinesHeight || FOutlines.size() > 4096) {
        FOutlines.clear();
        FOutlinesWidth = w;
        FOutlinesHeight = h;
    }
    const auto key = std::make_tuple(rect.Left, rect.Top, rect.Right, rect.Bottom);
    auto it = FOutlines.find(key);
    if (it == FOutlines.end()) it = FOutlines.emplace(key, RoundRectOutline(rect, w, h)).first;
    return it->second;
}

TRect TButtonRenderer::DrawRing(TPixelGraphic& target, const TRect& ring, uint32_t light, uint32_t shadow) {
    const int shape = FDesign ? FDesign->Shape & 0x7F : scRectangle;
    const int w = target.GetWidth(), h = target.GetHeight();
    switch (shape) {
        case scOval:
        case scCircle: {
            const TRect e = InsetRect(ring, 5);
            EllipseBevel(target, e.Left, e.Top, e.Right, e.Bottom, 1, FLightVector, FColourRamp);
            // The band walks the ellipse (which may be turned inside out on
            // small rings) with a brush of 2 pixels round each point.
            const int rx = std::abs(e.Right - e.Left - 1) / 2 + 1, ry = std::abs(e.Bottom - e.Top - 1) / 2 + 1;
            const int cx = (e.Left + e.Right) / 2, cy = (e.Top + e.Bottom) / 2;
            return IntersectRect(TRect(cx - rx, cy - ry, cx + rx, cy + ry).Inflated(5, 5), TRect(0, 0, w, h));
        }
        case scRoundRect: {
            // The rings are binary outlines: copying the light field's pixels
            // there is what drawing it through an outline mask gives.
            TRect changed;
            if (FDesign && FDesign->BevelWidth >= 2)
                changed = CopyPixelsAt(target, RoundRectOutlineOf(NarrowRect(ring), w, h), *FWorkGraphic);
            return UnionRect(changed, CopyPixelsAt(target, RoundRectOutlineOf(ring, w, h), *FWorkGraphic));
        }
        default: break;
    }
    TPGCanvas& canvas = *target.GetCanvas();
    switch (shape) {
        case scTriangleUp: TriangleUpEdges(canvas, ring, light, FLightDirection, shadow); break;
        case scTriangleDown: TriangleDownEdges(canvas, ring, light, FLightDirection, shadow); break;
        case scTriangleLeft: TriangleLeftEdges(canvas, ring, light, FLightDirection, shadow); break;
        case scTriangleRight: TriangleRightEdges(canvas, ring, light, FLightDirection, shadow); break;
        case scDiamond: DiamondEdges(canvas, ring, light, FLightDirection, shadow); break;
        default: DrawBevelEdges(canvas, ring, light, shadow, FLightDirection); break;
    }
    // Lines run along the ring's sides, the right and bottom ones included.
    const TRect sides(std::min(ring.Left, ring.Right), std::min(ring.Top, ring.Bottom),
                      std::max(ring.Left, ring.Right) + 1, std::max(ring.Top, ring.Bottom) + 1);
    return IntersectRect(sides, TRect(0, 0, w, h));
}

void TButtonRenderer::DrawBevel(int style, TPixelGraphic& target, const uint32_t (&colours)[4], int width) {
    if (style != bvsGradient && style != bvsSmooth) style = bvsSolid;
    const int shape = FDesign ? FDesign->Shape & 0x7F : scRectangle;
    const int w = target.GetWidth(), h = target.GetHeight();
    // The inset follows the relative offset, the bevel width and the
    // room the picture leaves (the bevel-width maximum).
    const int offset = FDesign ? BevelOffsetFor(FDesign->RelativeOffset, BevelWidthMaximum(w, h), width) : 0;
    // Under "Double Bevel" the rings move a bevel width inward, lit from the
    // opposite side.
    const int inner = FDoubleBevel ? width : 0;

    // The gradient style lays its light field before the light is mirrored.
    if (shape == scRoundRect && style == bvsGradient) UseLightField(target, colours[0], colours[3], FLightDirection);
    TRect ring = RingRect(target, offset + inner);
    if (FDoubleBevel) MirrorLightDirection();
    if (shape == scRoundRect && style != bvsGradient) UseLightField(target, colours[0], colours[3], FLightDirection);

    const bool lines = shape != scOval && shape != scCircle && shape != scRoundRect && shape != scDiamond &&
                       (shape < scTriangleUp || shape > scTriangleRight);
    if (style == bvsSmooth && ((shape == scRoundRect && SmoothRoundRectBevel(target, width, offset, inner)) ||
                               (lines && SmoothRectangleBevel(target, colours, width, offset, inner)))) {
        if (FDoubleBevel) MirrorLightDirection();
        return;
    }

    TPixelGraphic& copy = FBevelCopy;
    if (style == bvsSmooth) {
        FreshCanvas(copy);
        copy.Assign(&target);
    }
    TPixelGraphic& canvas = style == bvsSmooth ? copy : target;
    TRect dirty;
    for (int e = 1; e <= width; ++e) {
        uint32_t light = colours[0], shadow = colours[3];
        if (style == bvsGradient) {
            light = GradientColour(colours[0], colours[1], width, e);
            shadow = GradientColour(colours[2], colours[3], width, e);
            if (shape == scOval || shape == scCircle) BuildColourRamp(FColourRamp, light, shadow);
        }
        dirty = UnionRect(dirty, DrawRing(canvas, ring, light, shadow));
        ring = TRect(offset + e + inner, offset + e + inner, w - e - offset - inner, h - e - offset - inner);
        if (style == bvsSmooth)
            MixGraphicsRect(target, copy, static_cast<int>(Trunc(static_cast<long double>(e) / width * 100)), dirty);
    }
    if (FDoubleBevel) MirrorLightDirection();
}

// Row e: what the mixes of rings e..width make of a difference d (at d + 255).
const int16_t* TButtonRenderer::MixSteps(int width) {
    if (FMixStepsWidth != width) {
        constexpr int span = MixStepSpan;
        FMixSteps.assign(size_t(width + 2) * span, 0);
        for (int d = -255; d <= 255; ++d)
            FMixSteps[size_t(width + 1) * span + size_t(d + 255)] = static_cast<int16_t>(d);
        for (int e = width; e >= 1; --e) {
            const int p = static_cast<int>(Trunc(static_cast<long double>(e) / width * 100));
            const int16_t* next = FMixSteps.data() + size_t(e + 1) * span;
            for (int d = -255; d <= 255; ++d) {
                const int m = p * d;
                const int stepped = m >= 0 ? m / 100 : -((99 - m) / 100);
                FMixSteps[size_t(e) * span + size_t(d + 255)] = next[stepped + 255];
            }
        }
        FMixStepsWidth = width;
    }
    return FMixSteps.data();
}

// A rectangle's rings are nested frames that never share a pixel while none
// is turned inside out, so a pixel of the copy changes at most once, on the
// ring whose frame it lies on, and mixes as on a rounded rectangle (below).
bool TButtonRenderer::SmoothRectangleBevel(TPixelGraphic& target, const uint32_t (&colours)[4], int width, int offset,
                                           int inner) {
    const int w = target.GetWidth(), h = target.GetHeight();
    const int inset = offset + inner;
    if (width < 1 || 2 * (inset + width - 1) > std::min(w, h) || target.GetBitCountNum() != 3 || !target.GetBits())
        return false;
    TPixelGraphic& copy = FBevelCopy;
    FreshCanvas(copy);
    copy.Assign(&target);
    TRect ring = RingRect(target, inset);
    for (int e = 1; e <= width; ++e) {
        DrawRing(copy, ring, colours[0], colours[3]);
        ring = TRect(inset + e, inset + e, w - e - inset, h - e - inset);
    }
    const int16_t* steps = MixSteps(width);
    for (int y = 0; y < h; ++y) {
        uint8_t* t = target.GetScanLine(y);
        const uint8_t* f = copy.GetScanLine(y);
        const int rowRing = std::min(y - inset, h - inset - y) + 1;
        for (int x = 0; x < w; ++x, t += 3, f += 3) {
            if (t[0] == f[0] && t[1] == f[1] && t[2] == f[2]) continue;
            // The frame of ring e lies e - 1 pixels inside the first ring's.
            const int e = std::min({rowRing, x - inset + 1, w - inset - x + 1});
            if (e >= 1 && e <= width) MixToFinal(t, f, steps + size_t(e) * MixStepSpan);
        }
    }
    return true;
}

// The copy the smooth style draws its rings into takes, on a rounded
// rectangle, the light field's pixel wherever a ring reaches, and keeps it:
// every ring copies from the same field. After its first ring e0 a pixel
// therefore only mixes toward that field, once for each ring from e0 to the
// last, and a channel t over field channel f becomes
//   t' = ((100 - p) f + p t) div 100 = f + floor(p (t - f) / 100),
// a step on the difference alone. The steps of rings e0..last are
// tabulated by difference, so each pixel takes its final value at once.
bool TButtonRenderer::SmoothRoundRectBevel(TPixelGraphic& target, int width, int offset, int inner) {
    const TPixelGraphic* work = FWorkGraphic;
    const int w = target.GetWidth(), h = target.GetHeight();
    if (width < 1 || width > 0xFFFF || w > 0xFFFF || h > 0xFFFF || target.GetBitCountNum() != 3 || !target.GetBits() ||
        !work || work->GetBitCountNum() != 3 || !work->GetBits() || work->GetWidth() < w || work->GetHeight() < h)
        return false;
    const bool narrow = FDesign && FDesign->BevelWidth >= 2;
    const int inset = offset + inner;

    // Which pixels the rings reach, and from which ring on.
    TRingReach* reach = nullptr;
    for (TRingReach& r : FRingReach)
        if (r.Valid && r.Width == w && r.Height == h && r.Bevel == width && r.Inset == inset && r.Narrow == narrow)
            reach = &r;
    if (!reach) {
        reach = &FRingReach[FNextRingReach];
        FNextRingReach ^= 1;
        std::vector<uint16_t> first(size_t(w) * size_t(h), 0);
        auto mark = [&](const std::vector<TPoint>& points, int e) {
            for (const TPoint& p : points) {
                if (p.X < 0 || p.Y < 0 || p.X >= w || p.Y >= h) continue;
                uint16_t& k = first[size_t(p.Y) * size_t(w) + size_t(p.X)];
                if (k == 0) k = static_cast<uint16_t>(e);
            }
        };
        TRect ring = RingRect(target, inset);
        for (int e = 1; e <= width; ++e) {
            if (narrow) mark(RoundRectOutline(NarrowRect(ring), w, h), e);
            mark(RoundRectOutline(ring, w, h), e);
            ring = TRect(inset + e, inset + e, w - e - inset, h - e - inset);
        }
        std::vector<TRingReach::TPixel>& pixels = reach->Pixels;
        pixels.resize(size_t(std::count_if(first.begin(), first.end(), [](uint16_t k) { return k != 0; })));
        size_t n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (const uint16_t k = first[size_t(y) * size_t(w) + size_t(x)]) {
                    TRingReach::TPixel& p = pixels[n++];
                    p.X = static_cast<uint16_t>(x);
                    p.Y = static_cast<uint16_t>(y);
                    p.Ring = k;
                }
        reach->Valid = true;
        reach->Width = w;
        reach->Height = h;
        reach->Bevel = width;
        reach->Inset = inset;
        reach->Narrow = narrow;
    }

    const int16_t* steps = MixSteps(width);
    uint8_t* to = target.GetBits();
    const uint8_t* from = work->GetBits();
    const ptrdiff_t toRow = target.GetRowSize(), fromRow = work->GetRowSize();
    for (const TRingReach::TPixel& p : reach->Pixels) {
        uint8_t* t = to + p.Y * toRow + 3 * p.X;
        const uint8_t* f = from + p.Y * fromRow + 3 * p.X;
        MixToFinal(t, f, steps + size_t(p.Ring) * MixStepSpan);
    }
    return true;
}

// ---- caption --------------------------------------------------------------------

void TButtonRenderer::DrawCaption(TPixelGraphic& target, const std::string& caption) {
    const TButtonDesign& d = *FDesign;
    const int w = target.GetWidth(), h = target.GetHeight(), W = d.BevelWidth;
    const unsigned align = d.HorzAlign == haLeft ? DT_LEFT : d.HorzAlign == haRight ? DT_RIGHT : DT_CENTER;

    TPGCanvas& canvas = *target.GetCanvas();
    canvas.Brush.Style = bsClear;
    canvas.Font.Name = d.FontName;
    canvas.Font.SetSize(d.FontSize);
    canvas.Font.Color = static_cast<TColor>(FTextColour);
    canvas.Font.Bold = d.Bold;
    canvas.Font.Italic = d.Italic;
    canvas.Font.Underline = d.Underline;

    const int y = d.VertAlign == vaCenter ? h / 2 : d.VertAlign == vaTop ? W + 2 : h - W - 2;
    TRect measure(W, W, w - W, h - W);
    int g = canvas.DrawTextEx(caption, measure, align | DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    if (d.VertAlign == vaCenter) g /= 2;
    TRect r(W, d.VertAlign == vaTop ? y : y - g, w - W, y + g);
    r.Offset(d.TextOffsetX, d.TextOffsetY);

    if (d.Outlined)
        DrawCaptionText(target, FOutlineColour, align | DT_WORDBREAK | DT_NOPREFIX, 1, caption, r, FTextColour);
    if (!d.Outlined || d.PaintInside) {
        TRect textRect = r;
        canvas.DrawTextEx(caption, textRect, align | DT_WORDBREAK | DT_NOPREFIX);
    }
}

void TButtonRenderer::DrawCaptionText(TPixelGraphic& target, uint32_t outlineColour, unsigned format, int percent,
                                      const std::string& text, const TRect& rect, uint32_t textColour) {
    const int w = target.GetWidth(), h = target.GetHeight();
    if (w <= 0 || h <= 0) return;

    // The glyphs in black on white, in the target's font.
    TPixelGraphic& glyphs = FGlyphs;
    glyphs.SetSizeForOverwrite(w, h, 3);
    std::fill(glyphs.GetBits(), glyphs.GetBits() + glyphs.GetBitsSize(), 0xFF);
    FreshCanvas(glyphs);
    TPGCanvas& canvas = *glyphs.GetCanvas();
    canvas.Font = target.GetCanvas()->Font;
    canvas.Font.Color = clBlack;
    canvas.Brush.Style = bsClear;
    TRect textRect = rect;
    canvas.DrawTextEx(text, textRect, format);

    TRect inked;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = glyphs.GetScanLine(y);
        for (int x = 0; x < w; ++x)
            if (!IsWhite(row + 3 * x)) inked = UnionRect(inked, TRect(x, y, x + 1, y + 1));
    }
    if (inked.IsEmpty()) return;  // clipped away: no halo either

    // The blur of white paper is white, so only the glyphs' surroundings can
    // change: blur a crop reaching twice the kernel's reach beyond them (the
    // border pixels of the crop then still see all of their neighbours).
    // The same settings as the anti-aliasing give the same kernel: its filter,
    // with the table it keeps, serves both.
    const TSmoothSettings& settings = (FDesign ? *FDesign : Design).OutlineBlur;
    TConvFilter& blur = FAntiAliasingValid && FAntiAliasingBuilt == settings
                            ? FAntiAliasing
                            : SmoothFilter(FOutlineBlur, settings, FOutlineBlurBuilt, FOutlineBlurValid);
    const int reach = std::max({std::abs(blur.GetXOffset()), std::abs(blur.GetXOffset() + blur.GetWidth() - 1),
                                std::abs(blur.GetYOffset()), std::abs(blur.GetYOffset() + blur.GetHeight() - 1)});
    const TRect area = IntersectRect(inked.Inflated(2 * reach, 2 * reach), TRect(0, 0, w, h));
    const int aw = area.Width(), ah = area.Height();
    TPixelGraphic &crop = FGlyphCrop, &S = FHalo, &K = FHaloMask, &D = FCaptionBase;
    crop.SetSizeForOverwrite(aw, ah, 3);
    crop.CopyRect(0, 0, glyphs, area.Left, area.Top, aw, ah);

    // S: the blurred glyphs. K: black on the halo only (white on the glyphs
    // and outside).
    S.ApplyFilter(blur, crop);
    K.Assign(&S);
    for (int y = 0; y < ah; ++y) {
        uint8_t* k = K.GetScanLine(y);
        const uint8_t* t = crop.GetScanLine(y);
        for (int x = 0; x < aw; ++x) {
            uint8_t* p = k + 3 * x;
            if (!IsWhite(t + 3 * x)) std::fill(p, p + 3, 0xFF);
            else if (!IsWhite(p)) std::fill(p, p + 3, 0);
        }
    }

    // The halo's colour: the text colour next to the glyphs, fading to the
    // outline colour where the blur thins out.
    for (int y = 0; y < ah; ++y) {
        uint8_t* s = S.GetScanLine(y);
        for (int x = 0; x < aw; ++x) {
            uint8_t* p = s + 3 * x;
            const int c = p[2] * 100 / 256;
            auto mix = [c](int text, int outline) {
                return static_cast<uint8_t>(((100 - c) * text + c * outline) / 100);
            };
            p[2] = mix(GetRValue(textColour), GetRValue(outlineColour));
            p[1] = mix(GetGValue(textColour), GetGValue(outlineColour));
            p[0] = mix(GetBValue(textColour), GetBValue(outlineColour));
        }
    }
    // D: the target's area with the halo drawn in.
    D.SetSizeForOverwrite(aw, ah, 3);
    D.CopyRect(0, 0, target, area.Left, area.Top, aw, ah);
    DrawMasked(D, 0, 0, S, K);
    MixGraphicsAt(target, area.Left, area.Top, D, percent);
}
