// Repainting the picture control: a 256 x 256 picture tiled over 1024 x 768
// at zoom 100 % and 300 %, plainly and mirrored, against Qt drawing the same
// tiles straight from a QImage (the least any repaint must cost).
#include "bench/BenchMain.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "image/PGImage.h"

namespace {

std::unique_ptr<TPixelGraphic> Picture() {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(256, 256, 3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) g->SetPixel(x, y, RGB(x, y, x ^ y));
    return g;
}

// range(0): zoom in percent; range(1): tiling mode.
void BM_RepaintTiled(benchmark::State& state) {
    TPGImage image;
    image.SetBorderStyle(bsNone);
    image.SetBounds(0, 0, 1024, 768);
    image.SetPixelGraphic(Picture());
    image.SetStretch(sZoomKAR);
    image.SetZoomFactor(state.range(0) / 100.0L);
    image.SetTiling(static_cast<TTiling>(state.range(1)));
    QImage target(1024, 768, QImage::Format_RGB32);
    for (auto _ : state) {
        image.GetClientWidget()->render(&target);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 768);
    state.SetLabel(std::to_string(state.range(0)) + " %" + (state.range(1) == tMirror ? ", mirrored" : ""));
}
BENCHMARK(BM_RepaintTiled)
    ->Args({100, tRepeat})
    ->Args({300, tRepeat})
    ->Args({100, tMirror})
    ->Args({300, tMirror})
    ->Unit(benchmark::kMillisecond);

// Qt alone: the same tiles drawn from a prepared QImage.
void BM_QtTiles(benchmark::State& state) {
    const QImage tile = Picture()->ToQImage();
    const int side = static_cast<int>(256 * state.range(0) / 100);
    QImage target(1024, 768, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        for (int y = 0; y < 768; y += side)
            for (int x = 0; x < 1024; x += side) p.drawImage(QRect(x, y, side, side), tile);
        p.end();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 768);
    state.SetLabel(std::to_string(state.range(0)) + " %");
}
BENCHMARK(BM_QtTiles)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace

GW_BENCHMARK_MAIN_WITH_APPLICATION()
