#pragma once
// Picture operations only the tile generator uses: mirroring, copying to the
// clipboard, RGB/HLS conversion and the sharpen kernel
// (its filter component is in mozaro/SharpenFilterDialog.h).
#include "image/PGConvFilter.h"
#include "image/PGExceptions.h"

class TPixelGraphic;

// Mirror left-right / top-bottom by swapping raw pixel values (palette
// indices stay as they are). Progress once per row (column) through the
// picture's events; Abort stops early. Fires OnChange also after an abort.
void MirrorHorizontal(TPixelGraphic& graphic);
void MirrorVertical(TPixelGraphic& graphic);

// Hue in degrees 0 <= H < 360, or HLSUndefinedHue for greys; lightness and
// saturation 0..1; channels 0..1.
constexpr long double HLSUndefinedHue = 1e10L;
void RGBToHLS(long double R, long double G, long double B, long double& H, long double& L, long double& S);
// Raises EPGSaturationHue "Saturation=0 and Hue defined" for S = 0 with a
// defined hue.
void HLSToRGB(long double H, long double L, long double S, long double& R, long double& G, long double& B);
long double HueToChannel(long double h, long double m1, long double m2);

// The sharpen kernel: the distribution kernel negated, its centre replaced by
// Round(100 / Percent x S), S the sum of the distribution's weights. A
// Percent that is not positive raises EPGConvFilter ("Percent out of range").
void SetSharpenKernel(TConvFilter& filter, TDistributionShape Shape, bool UseDistance, long double StdDeviation,
                      long double Percent);

// Puts the picture on the clipboard as a packed DIB (which these programs
// paste back without loss) and as an image for other programs.
void CopyToClipboard(TPixelGraphic& graphic);
