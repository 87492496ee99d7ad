// The JPEG saver encodes and decodes its picture on every release of the
// quality slider: a 200 x 200 button at quality 80 must stay instant.
#include "bench/BenchMain.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "artkit/JpegRendition.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"

namespace {

void BM_JpegRendition200(benchmark::State& state) {
    InitPixelGraphicLibrary();
    TButtonRenderer renderer;
    renderer.Design.Width = 200;
    renderer.Design.Height = 200;
    renderer.Design.Shape = scRoundRect;
    renderer.Design.BevelStyle = bvsSmooth;
    renderer.Design.FillMode = fmPlasma;
    renderer.Design.Caption = "Buy now";
    renderer.RenderPlasma(true);
    renderer.Design.FillImage = std::make_shared<TPixelGraphic>();
    renderer.Design.FillImage->Assign(&renderer.PlasmaImage);
    renderer.SizeChanged = true;
    renderer.RefreshButton(true);
    std::vector<uint8_t> encoded;
    TPixelGraphic rendition;
    for (auto _ : state) {
        MakeJpegRendition(renderer.Preview, static_cast<int>(state.range(0)), encoded, rendition);
        benchmark::DoNotOptimize(rendition.GetBits());
    }
    state.counters["bytes"] = static_cast<double>(encoded.size());
}

BENCHMARK(BM_JpegRendition200)->Arg(80)->Unit(benchmark::kMillisecond);

}  // namespace

GW_BENCHMARK_MAIN_WITH_APPLICATION()
