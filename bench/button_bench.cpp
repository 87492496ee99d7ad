// Rendering a button on every slider move must stay interactive: the
// default design and the heaviest settings the controls allow.
#include "bench/BenchMain.h"

#include <QApplication>
#include <memory>

#include "glimmo/ButtonRenderer.h"
#include "image/PGraphic.h"

namespace {

TButtonDesign DefaultDesign() {
    TButtonDesign d;  // 100 x 25 rectangle, solid bevel 4, solid-colour fill
    d.BevelStyle = bvsSolid;
    d.Caption = "Click me";
    return d;
}

// Bevel 60: the widest bevel that still leaves the caption room (at 100
// its rectangle has no width left and it is clipped away).
TButtonDesign WorstDesign() {
    TButtonDesign d;
    d.Width = 200;
    d.Height = 200;
    d.Shape = scRoundRect;
    d.BevelStyle = bvsSmooth;
    d.BevelWidth = 60;
    d.DoubleBevel = true;
    SetAntiAliasLevel(d.AntiAliasing, aaHigh);
    d.Caption = "Two lines\nof caption";
    d.Outlined = true;
    d.PaintInside = true;
    d.FontSize = 24;
    return d;
}

void RenderDesign(benchmark::State& state, const TButtonDesign& design) {
    TButtonRenderer renderer;
    renderer.Design = design;
    renderer.SizeChanged = true;
    renderer.RefreshButton(true);  // sizes the preview and builds the fill
    for (auto _ : state) {
        renderer.RenderButton(renderer.Design, renderer.Preview);
        benchmark::DoNotOptimize(renderer.Preview.GetBits());
    }
}

// A first render after a size change: no outline or light field kept yet.
void BM_WorstCaseColdCaches(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto renderer = std::make_unique<TButtonRenderer>();
        renderer->Design = WorstDesign();
        renderer->Preview.SetSize(200, 200, 3);
        renderer->SolidColourFill();
        state.ResumeTiming();
        renderer->RenderButton(renderer->Design, renderer->Preview);
        benchmark::DoNotOptimize(renderer->Preview.GetBits());
        state.PauseTiming();
        renderer.reset();
        state.ResumeTiming();
    }
}

void BM_DefaultButton(benchmark::State& state) { RenderDesign(state, DefaultDesign()); }
void BM_WorstCaseButton(benchmark::State& state) { RenderDesign(state, WorstDesign()); }

// The heaviest button the controls allow: 200 x 200, smooth bevel 100,
// outlined caption, anti-aliasing "High". Warm: the renderer of a running
// program redrawing on a slider move. New: a renderer made and used once (a
// batch job, the first preview), its construction included, so that work
// moved into the constructor is still counted.
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

void BM_HeaviestWarm(benchmark::State& state) { RenderDesign(state, HeaviestDesign(static_cast<int>(state.range(0)))); }

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
BENCHMARK(BM_HeaviestWarm)->Arg(scRoundRect)->Arg(scOval)->Arg(scRectangle)->Unit(benchmark::kMillisecond);
BENCHMARK(NewRenderer)
    ->Name("BM_HeaviestNewRenderer")
    ->Arg(scRoundRect)
    ->Arg(scOval)
    ->Arg(scRectangle)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DefaultButton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstCaseButton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstCaseColdCaches)->Unit(benchmark::kMillisecond);

}  // namespace

GW_BENCHMARK_MAIN_WITH_APPLICATION()
