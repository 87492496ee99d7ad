// A batch of 50 captions saved as PNG files with the main form's default
// design should take at most a second (each file is synced to the disk).
#include "bench/BenchMain.h"

#include <QTemporaryDir>

#include "glimmo/BatchRender.h"
#include "image/PGFormats.h"

namespace {

void RunFiftyCaptions(benchmark::State& state, const TButtonDesign& design) {
    InitPixelGraphicLibrary();
    QTemporaryDir dir;
    TButtonRenderer renderer;
    renderer.Design = design;
    renderer.SizeChanged = true;
    renderer.RefreshButton(true);  // sizes the preview and builds the fill
    QStringList captions;
    for (int i = 1; i <= 50; ++i) captions << QStringLiteral("Button %1").arg(i);
    const TBatchNames names = BuildBatchFileNames(dir.path(), QStringLiteral("bench"), captions, BatchExtension(2));
    for (auto _ : state) {
        const TBatchResult result =
            RunBatch(renderer, renderer.Design, renderer.Preview, captions, names.Paths, [](int) { return true; });
        if (result.Written != 50) state.SkipWithError("the batch did not write 50 files");
    }
}

void BM_FiftyCaptionsDefaultDesign(benchmark::State& state) {
    TButtonDesign d;  // 100 x 25 rectangle, solid bevel 4, solid-colour fill
    d.BevelStyle = bvsSolid;
    RunFiftyCaptions(state, d);
}

BENCHMARK(BM_FiftyCaptionsDefaultDesign)->Unit(benchmark::kMillisecond);

}  // namespace

GW_BENCHMARK_MAIN_WITH_APPLICATION()
