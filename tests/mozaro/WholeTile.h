#pragma once
// The whole tile as the main form renders it: three layers with twist,
// cards and emboss, composed, then the convolution, the RGB expression (one
// text for the three channels) and the displacement. Shared by the golden
// test and the benchmark, so both measure and pin the same work.
#include <string>

#include "image/PGraphic.h"
#include "mozaro/HeightMaps.h"
#include "mozaro/Layer.h"
#include "mozaro/PostProcess.h"

inline void RenderWholeTile(const TColourTable& palette, THeightMapCache& maps, TPixelGraphic* import,
                            TPixelGraphic (&layers)[3], TPixelGraphic& result, TExpressionCache& expressions) {
    static const int algorithms[3] = {algSimplePlasma, algShiftedPlasma1, algDiagonalWaves};
    for (int i = 0; i < 3; ++i) {
        TLayerParams p;
        p.Algorithm = algorithms[i];
        p.SeedText = std::to_string(1000 + 77 * i);
        p.Cycle = 17 * i;
        p.Twist = 18 - 6 * i;
        p.Cards = p.Embossed = true;
        RenderLayer(p, palette, maps, import, layers[i]);
    }
    TComposeLayer s1{&layers[1], true, 3}, s2{&layers[2], true, 10};
    TPostProcessSettings settings;
    settings.conon = settings.rgbon = settings.dispon = true;
    settings.Matrix = {"1", "2", "1", "2", "4", "2", "1", "2", "1"};
    settings.rpedit = settings.gpedit = settings.bpedit = "SIN(X/16)*r/2+g/2";
    settings.xedit = "x+SIN(y/8)*4";
    settings.yedit = "y";
    PostProcessAndCompose(result, layers[0], s1, s2, settings, expressions);
}
