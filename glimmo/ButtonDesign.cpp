#include "glimmo/ButtonDesign.h"

#include <algorithm>

#include "platform/MathUtil.h"

void SetAntiAliasLevel(TSmoothSettings& settings, TAntiAliasLevel level) {
    switch (level) {
        case aaOff:
            settings.Percent = 10;
            settings.UseDistance = false;
            break;
        case aaLow:
            settings.Percent = 50;
            settings.UseDistance = true;
            break;
        case aaHigh:
            settings.Percent = 100;
            settings.UseDistance = true;
            break;
    }
}

bool KeepsSquare(int shape) {
    switch (shape & 0x7F) {
        case scSquare:
        case scCircle:
        case scTriangleUp:
        case scTriangleDown:
        case scTriangleLeft:
        case scTriangleRight: return true;
        default: return false;
    }
}

void KeepSquare(TButtonDesign& design, bool widthMoved) {
    if (!KeepsSquare(design.Shape)) return;
    if (widthMoved) design.Height = design.Width;
    else design.Width = design.Height;
}

int BevelOffsetFor(int relativeOffset, int bevelWidthMaximum, int bevelWidth) {
    return static_cast<int>(Round(relativeOffset * 0.1L * (bevelWidthMaximum - bevelWidth)));
}

// The bevel-width slider refuses a maximum below its minimum plus one step
// (2): smaller buttons keep 2.
int BevelWidthMaximum(int width, int height) { return std::max(2, std::min(width, height) / 2); }

void ClampToControls(TButtonDesign& d) {
    d.Width = Clamp(d.Width, 1, 200);
    d.Height = Clamp(d.Height, 1, 200);
    d.BevelWidth = Clamp(d.BevelWidth, 1, 100);
    d.BevelOpacity = Clamp(d.BevelOpacity, 1, 100);
    d.RelativeOffset = Clamp(d.RelativeOffset, 0, 10);
    d.InnerLuminance = Clamp(d.InnerLuminance, -100, 100);
    d.FontSize = Clamp(d.FontSize, 5, 100);
    d.TextOpacity = Clamp(d.TextOpacity, 1, 100);
    d.TextOffsetX = Clamp(d.TextOffsetX, -200, 200);
    d.TextOffsetY = Clamp(d.TextOffsetY, -200, 200);
    d.TargetRect = TRect(Clamp(d.TargetRect.Left, -200, 500), Clamp(d.TargetRect.Top, -200, 500),
                         Clamp(d.TargetRect.Right, 1, 500), Clamp(d.TargetRect.Bottom, 1, 500));
    d.AntiAliasing.Percent = Clamp(d.AntiAliasing.Percent, 10, 100);
    d.OutlineBlur.Percent = Clamp(d.OutlineBlur.Percent, 10, 100);
    d.PlasmaNoise = Clamp(d.PlasmaNoise, 1, 200);
    d.PlasmaBrightness = Clamp(d.PlasmaBrightness, 1, 100);
}
