#include "image/PGPreview.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>

#include "image/PGMessages.h"
#include "platform/Streams.h"

namespace {

int64_t TickCount() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TSize FitPictureSize(TSize picture, TSize area) {
    if (picture.cx <= 0 || picture.cy <= 0 || area.cx <= 0 || area.cy <= 0) return picture;
    if (picture.cx <= area.cx && picture.cy <= area.cy) return picture;
    const double ratio = double(picture.cx) / picture.cy;
    if (double(area.cx) / area.cy >= ratio)
        return TSize(std::clamp(static_cast<int>(ratio * area.cy), 1, picture.cx), area.cy);
    return TSize(area.cx, std::clamp(static_cast<int>(area.cx / ratio), 1, picture.cy));
}

std::vector<std::string> PictureInfoLines(const TPictureInfo& info) {
    std::vector<std::string> lines;
    for (const std::string* s : {&info.Description, &info.SubFormat, &info.Extra})
        if (!s->empty()) lines.push_back(*s);
    std::string size = std::to_string(info.Width) + "x" + std::to_string(info.Height) + "x" + info.ColorCount + " " +
                       std::to_string(info.BitsPerPixel) + " " + GetLangStr(24);
    if (info.ImageCount > 1) size += ", " + std::to_string(info.ImageCount);
    lines.push_back(size);
    return lines;
}

// ---- worker ------------------------------------------------------------------------

TCreateOpenSaveDialogPaintPGThread::TCreateOpenSaveDialogPaintPGThread(bool idle) : FIdle(idle) {}

TCreateOpenSaveDialogPaintPGThread::~TCreateOpenSaveDialogPaintPGThread() {
    Terminate();
    wait();
}

void TCreateOpenSaveDialogPaintPGThread::Setup(QObject* window, uint64_t generation, const TPreviewSettings& settings) {
    FWindow = window;
    FGeneration = generation;
    FSettings = settings;
}

void TCreateOpenSaveDialogPaintPGThread::Resume() {
    if (!FIdle && !isRunning() && !isFinished()) start();
}

std::unique_ptr<TPixelGraphic> TCreateOpenSaveDialogPaintPGThread::NewPicture() {
    auto g = std::make_unique<TPixelGraphic>();
    g->OnProgress = [this](TPixelGraphic* sender, int step, int max, bool& abort) {
        Progress(sender, step, max, abort);
    };
    return g;
}

std::unique_ptr<TPixelGraphic> TCreateOpenSaveDialogPaintPGThread::Build() {
    FStage = 1;
    FLastPercent = 0;
    FLastTick = TickCount();
    const TPreviewSettings& s = FSettings;
    if (!FileExists(s.FileName)) return nullptr;
    const TCodecOptionsScope options(s.Codec);
    std::unique_ptr<TPixelGraphic> picture = NewPicture();
    picture->SetReadWarningAction(pgwaIgnore);
    picture->SetFastRead(true);
    picture->LoadFromFile(s.FileName);

    if (!Terminated()) {
        const TSize size(picture->GetWidth(), picture->GetHeight());
        const TSize fitted = FitPictureSize(size, s.Target);
        if (fitted != size && s.Target.cx > 0 && s.Target.cy > 0) {
            std::unique_ptr<TPixelGraphic> small = NewPicture();
            small->SetStretchMode(s.StretchMode);
            small->SetSize(fitted.cx, fitted.cy, 3);
            small->StretchFrom(*picture);
            picture = std::move(small);
            ++FStage;
        }
    }
    if (!Terminated() && s.ScreenBits <= 8) {
        std::unique_ptr<TPixelGraphic> shown = NewPicture();
        if (s.ScreenBits < 8) {
            shown->SetSize(picture->GetWidth(), picture->GetHeight(), 1);
            shown->SetPaletteType(pSys16);
        } else {
            shown->SetSize(picture->GetWidth(), picture->GetHeight(), 2);
            const bool trueColor = picture->GetBitCount() == 24;
            if ((trueColor && s.Palette8BitSys24BitGraphic == pOptimized252Sys16) ||
                (!trueColor && s.Palette8BitSys8BitGraphic == pOptimized252Sys16))
                ReduceColors(*shown, *picture, 252, true);
            else if (trueColor || s.Palette8BitSys8BitGraphic != pSource)
                shown->SetPaletteType(trueColor ? s.Palette8BitSys24BitGraphic : s.Palette8BitSys8BitGraphic);
            else shown->AssignPalette(*picture);
        }
        if (!Terminated()) shown->StretchFrom(*picture);
        picture = std::move(shown);
        ++FStage;
    }
    if (Terminated()) return nullptr;
    picture->OnProgress = nullptr;
    return picture;
}

void TCreateOpenSaveDialogPaintPGThread::Execute() {
    if (FIdle) return;
    std::unique_ptr<TPixelGraphic> result;
    try {
        result = Build();
    } catch (...) {
        // An unreadable picture shows nothing.
        return;
    }
    if (result && !Terminated() && FWindow)
        QCoreApplication::postEvent(FWindow, new TPaintResultEvent(FGeneration, std::move(result)));
}

void TCreateOpenSaveDialogPaintPGThread::Progress(TPixelGraphic*, int Step, int Max, bool& Abort) {
    Abort = Terminated();
    if (Max <= 0) return;
    const int percent = static_cast<int>(int64_t(Step) * 100 / Max);
    const int64_t tick = TickCount();
    if (PreviewProgressDue(percent, FLastPercent, tick, FLastTick)) {
        FLastPercent = percent;
        FLastTick = tick;
        if (FWindow) QCoreApplication::postEvent(FWindow, new TPaintProgressEvent(FGeneration, FStage, percent));
    }
}
