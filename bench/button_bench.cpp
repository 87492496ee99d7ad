// Rendering a button on every slider move must stay interactive: the
// default design and the heaviest settings the controls allow.
#include <benchmark/benchmark.h>

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

TButtonDesign WorstDesign() {
    TButtonDesign d;
    d.Width = 200;
    d.Height = 200;
    d.Shape = scRoundRect;
    d.BevelStyle = bvsSmooth;
    d.BevelWidth = 100;
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

void BM_DefaultButton(benchmark::State& state) { RenderDesign(state, DefaultDesign()); }
void BM_WorstCaseButton(benchmark::State& state) { RenderDesign(state, WorstDesign()); }

BENCHMARK(BM_DefaultButton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstCaseButton)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Text needs a GUI application (offscreen is enough).
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
