#include "mozaro/ImageAdditions.h"

#include <algorithm>
#include <cmath>

#include "image/PGClipboard.h"
#include "image/PGMessages.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"

namespace {

constexpr int MsgSaturationHue = 40, MsgOutOfRange = 41;

// Swaps pairs along one line for every line; lines are rows (horizontal
// mirror) or columns (vertical mirror).
void Mirror(TPixelGraphic& g, bool horizontal) {
    const int w = g.GetWidth(), h = g.GetHeight();
    if (w <= 0 || h <= 0) return;
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    if (g.OnProgressStart) g.OnProgressStart(&g);
    try {
        for (int line = 0; line < lines; ++line) {
            for (int k = 0; k <= (length - 2) / 2; ++k) {
                const int a = k, b = length - 1 - k;
                if (horizontal) {
                    uint32_t left = g.GetPixel(a, line);
                    g.SetPixel(a, line, g.GetPixel(b, line));
                    g.SetPixel(b, line, left);
                } else {
                    uint32_t top = g.GetPixel(line, a);
                    g.SetPixel(line, a, g.GetPixel(line, b));
                    g.SetPixel(line, b, top);
                }
            }
            bool abort = false;
            if (g.OnProgress) g.OnProgress(&g, line, lines - 1, abort);
            if (abort) break;
        }
    } catch (...) {
        if (g.OnProgressEnd) g.OnProgressEnd(&g);
        throw;
    }
    if (g.OnProgressEnd) g.OnProgressEnd(&g);
    g.DoChange();
}

}  // namespace

void MirrorHorizontal(TPixelGraphic& graphic) { Mirror(graphic, true); }
void MirrorVertical(TPixelGraphic& graphic) { Mirror(graphic, false); }

void RGBToHLS(long double R, long double G, long double B, long double& H, long double& L, long double& S) {
    const long double mx = std::max({R, G, B}), mn = std::min({R, G, B});
    L = (mx + mn) * 0.5L;
    if (mx == mn) {
        S = 0;
        H = HLSUndefinedHue;
        return;
    }
    const long double d = mx - mn;
    S = L > 0.5L ? d / (2 - mx - mn) : d / (mx + mn);
    if (R == mx) H = (G - B) / d;
    else if (G == mx) H = 2 + (B - R) / d;
    else H = 4 + (R - G) / d;
    H = H * 60;
    if (H < 0) H = H + 360;
}

long double HueToChannel(long double h, long double m1, long double m2) {
    constexpr long double kSixtieth = 1.0L / 60.0L;
    if (h > 360) h = h - 360;
    if (h < 0) h = h + 360;
    if (h < 60) return m1 + (m2 - m1) * h * kSixtieth;
    if (h < 180) return m2;
    if (h < 240) return m1 + (m2 - m1) * (240 - h) * kSixtieth;
    return m1;
}

void HLSToRGB(long double H, long double L, long double S, long double& R, long double& G, long double& B) {
    const long double m2 = L > 0.5L ? L + S - L * S : L * (S + 1);
    if (S != 0) {
        const long double m1 = 2 * L - m2;
        R = HueToChannel(H + 120, m1, m2);
        G = HueToChannel(H, m1, m2);
        B = HueToChannel(H - 120, m1, m2);
        return;
    }
    if (H != HLSUndefinedHue) throw EPGSaturationHue(GetLangStr(MsgSaturationHue));
    R = G = B = L;
}

void SetSharpenKernel(TConvFilter& filter, TDistributionShape Shape, bool UseDistance, long double StdDeviation,
                      long double Percent) {
    if (!(Percent > 0.0L) || !std::isfinite(Percent)) throw EPGConvFilter(FormatLangStr1(MsgOutOfRange, "Percent"));
    filter.SetDistributionKernel(Shape, UseDistance, StdDeviation);
    const long double sum = static_cast<long double>(filter.CoefficientSum());
    const long double centre = 100.0L / Percent * sum;
    if (!(std::fabs(centre) <= 2147483647.0L)) throw EPGConvFilter(FormatLangStr1(MsgOutOfRange, "Percent"));
    for (int32_t row = 0; row < filter.GetHeight(); ++row)
        for (int32_t col = 0; col < filter.GetWidth(); ++col)
            filter.SetCoefficient(col, row, -filter.GetCoefficient(col, row));
    filter.SetCoefficient(-filter.GetXOffset(), -filter.GetYOffset(), static_cast<int32_t>(Round(centre)));
}

void CopyToClipboard(TPixelGraphic& graphic) { CopyGraphicToClipboard(graphic); }
