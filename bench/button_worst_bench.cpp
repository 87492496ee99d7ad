// The heaviest button the controls allow: 200 x 200 rounded rectangle,
// smooth bevel 100, outlined caption, anti-aliasing "High". Warm: the
// renderer of a running program redrawing on a slider move. New: a renderer
// made and used once (a batch job, the first preview), its construction
// included, so that work moved into the constructor is still counted.
#include "bench/BenchMain.h"

#include <QApplication>
#include <memory>

#include "glimmo/ButtonRenderer.h"
#include "image/PGraphic.h"

namespace {

TButtonDesign HeaviestDesign(int shape) {
    TButtonDesign d;
    d.Width = 200;
    d.Height = 200;
    d.Shape = shape;
    d.BevelStyle = bvsSmooth;
    d.BevelWidth = 100;
    SetAntiAliasLevel(d.AntiAliasing, aaHigh);
    d.Caption = "Click me";
    d.Outlined = true;
    d.PaintInside = true;
    d.FontSize = 24;
    return d;
}

void Warm(benchmark::State& state) {
    TButtonRenderer renderer;
    renderer.Design = HeaviestDesign(static_cast<int>(state.range(0)));
    renderer.SizeChanged = true;
    renderer.RefreshButton(true);  // sizes the preview, builds the fill, first render
    for (auto _ : state) {
        renderer.RenderButton(renderer.Design, renderer.Preview);
        benchmark::DoNotOptimize(renderer.Preview.GetBits());
    }
}

void NewRenderer(benchmark::State& state) {
    const TButtonDesign design = HeaviestDesign(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto renderer = std::make_unique<TButtonRenderer>();
        renderer->Design = design;
        renderer->Preview.SetSize(200, 200, 3);
        renderer->SolidColourFill();
        renderer->RenderButton(renderer->Design, renderer->Preview);
        benchmark::DoNotOptimize(renderer->Preview.GetBits());
        state.PauseTiming();
        renderer.reset();
        state.ResumeTiming();
    }
}

// The rounded rectangle is the goal; the oval (per-pixel shading) and the
// plain rectangle (canvas lines) keep the other ring painters in view.
BENCHMARK(Warm)->Name("BM_HeaviestWarm")->Arg(scRoundRect)->Arg(scOval)->Arg(scRectangle)->Unit(benchmark::kMillisecond);
BENCHMARK(NewRenderer)
    ->Name("BM_HeaviestNewRenderer")
    ->Arg(scRoundRect)
    ->Arg(scOval)
    ->Arg(scRectangle)
    ->Unit(benchmark::kMillisecond);

}  // namespace

GW_BENCHMARK_MAIN_WITH_APPLICATION()
