// The tile generator's main form: from the release of a slider's thumb to
// the large view's change signal, offscreen. "Brightness" renders from maps
// already made; "Turbulence 1" takes a value not seen before, so the maps
// are made anew first. Median of 50 single releases each.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <chrono>

#include "bench/BenchMain.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "mozaro/forms/ImageListBox.h"
#include "mozaro/forms/main_form.h"
#include "widgets/RxSlider.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<mozaro::Tmain> MakeForm() {
    InitPixelGraphicLibrary();
    mozaro::TStartOptions options;
    options.SplashWaitMs = 0;
    options.ShowSplash = false;
    auto form = mozaro::CreateForms(options);
    form->show();
    QCoreApplication::processEvents();
    return form;
}

void Send(QWidget* w, QEvent::Type type) {
    QMouseEvent e(type, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void ReleaseToChange(benchmark::State& state, bool newMaps) {
    auto form = MakeForm();
    TRxSlider* slider = newMaps ? form->RxSlider6 : form->RxSlider3;
    Clock::time_point changed;
    form->pgimage1->OnPixelGraphicChange = [&](QObject*) { changed = Clock::now(); };
    int value = 0;
    for (auto _ : state) {
        slider->SetValue(newMaps ? (value++ % 80) : (value++ % 200) - 100);
        Send(slider->Thumb(), QEvent::MouseButtonPress);
        const Clock::time_point released = Clock::now();
        Send(slider->Thumb(), QEvent::MouseButtonRelease);
        state.SetIterationTime(std::chrono::duration<double>(changed - released).count());
    }
}

void BM_ReleaseBrightness(benchmark::State& state) { ReleaseToChange(state, false); }
void BM_ReleaseTurbulence(benchmark::State& state) { ReleaseToChange(state, true); }

BENCHMARK(BM_ReleaseBrightness)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(50)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleaseTurbulence)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(50)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMillisecond);

}  // namespace

GW_BENCHMARK_MAIN_WITH_APPLICATION()
