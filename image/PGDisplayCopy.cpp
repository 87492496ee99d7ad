#include "image/PGDisplayCopy.h"

#include <QCoreApplication>
#include <chrono>

#include "platform/Paint.h"

namespace {

std::atomic<int> gInjectedDisplayBits{0};

int64_t TickCount() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A picture of the wanted size, or 1 x 1 when that size cannot be had.
void SetSizeOrOnePixel(TPixelGraphic& g, TSize size, int bitCountNum) {
    try {
        g.SetSize(size.cx, size.cy, bitCountNum);
    } catch (const EPixelGraphic&) {
        g.SetSize(1, 1, bitCountNum);
    }
}

}  // namespace

const QEvent::Type TPaintResultEvent::EventType = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type TPaintProgressEvent::EventType = static_cast<QEvent::Type>(QEvent::registerEventType());

int DisplayBitsPerPixel() {
    const int injected = gInjectedDisplayBits.load();
    return injected > 0 ? injected : ScreenColorDepth();
}

void SetDisplayBitsPerPixel(int bits) { gInjectedDisplayBits.store(bits > 0 ? bits : 0); }

TDisplayCopyNeed DisplayCopyNeed(const TDisplayCopyQuery& q) {
    TDisplayCopyNeed n;
    n.PaintStale = q.PaintStale || (q.StretchMode != smFast && !q.ReduceOnLoad && q.PaintBoxSize != q.BuiltSize);
    if (!q.HasPicture) return n;
    const int D = q.ScreenBits, G = q.PictureBits;
    n.Resized = q.StretchMode != smFast && q.PaintBoxSize != q.PictureSize;
    n.Need = (D < G && D <= 8) || n.Resized;
    if (G <= 8 && D <= 8) {
        if (D == 4) {
            n.Need = n.Need || (q.PicturePaletteType != pSys16 && (!q.ReduceOnLoad || n.PaintStale));
        } else if (!n.Need) {
            const TPaletteIdent choice = q.Palette8BitSys8BitGraphic;
            if (choice == pSource || choice == q.PicturePaletteType) n.Need = false;
            else n.Need = q.ReduceOnLoad ? n.PaintStale : true;
        }
    }
    return n;
}

TDisplayCopyPlan PlanDisplayCopy(const TDisplayCopyQuery& q, bool resized) {
    TDisplayCopyPlan p;
    const int D = q.ScreenBits;
    if (q.Allow24BitStretch && resized && D == 8 && q.Palette8BitSys24BitGraphic == pOptimized252Sys16) {
        p.CopyFirst = true;
        p.HelpSize = q.PaintBoxSize;
        ++p.StageCount;
    }
    if (D <= 7) {
        p.BitCountNum = 1;
        p.PaletteType = pSys16;
    } else if (D > 8) {
        p.BitCountNum = 3;
    } else {
        p.BitCountNum = 2;
        const bool help24 = p.CopyFirst || q.PictureBits == 24;
        const TPaletteIdent choice = help24 ? q.Palette8BitSys24BitGraphic : q.Palette8BitSys8BitGraphic;
        if (choice >= pBlackWhite && choice <= pSpecial252) {
            p.PaletteType = choice;
        } else if (choice == pOptimized252Sys16) {
            p.Reduce = true;
            ++p.StageCount;
        } else if (choice == pSource && !help24) {
            p.SourcePalette = true;
        }
    }
    p.Size = q.StretchMode != smFast ? q.PaintBoxSize : q.PictureSize;
    return p;
}

// ---- worker ------------------------------------------------------------------

TCreatePaintPGThread::TCreatePaintPGThread(bool createSuspended, bool idle) : FIdle(idle) {
    if (!createSuspended) Resume();
}

TCreatePaintPGThread::~TCreatePaintPGThread() {
    Terminate();
    wait();
}

void TCreatePaintPGThread::Resume() {
    // An idle thread has nothing to do: it is never started, and waiting for
    // it returns at once.
    if (!FIdle && !isRunning() && !isFinished()) start();
}

void TCreatePaintPGThread::Execute() {
    if (FIdle) return;
    try {
        DoTheWork();
    } catch (...) {
        // A failed build shows nothing; the control keeps its frame and clocks.
    }
}

void TCreatePaintPGThread::Prepare(QObject* window, uint64_t generation, TPixelGraphic* picture,
                                   const TDisplayCopyPlan& plan, const TDisplayCopyOptions& options) {
    FWindow = window;
    FGeneration = generation;
    FPixelGraphic = picture;
    auto progress = [this](TPixelGraphic* sender, int step, int max, bool& abort) {
        Progress(sender, step, max, abort);
    };
    if (plan.CopyFirst) {
        FOwnHelp = std::make_unique<TPixelGraphic>();
        FOwnHelp->SetStretchMode(options.StretchMode);
        FOwnHelp->OnProgress = progress;
        SetSizeOrOnePixel(*FOwnHelp, plan.HelpSize, 3);
        CopyFirst = true;
    }
    FPaintPixelGraphic = std::make_unique<TPixelGraphic>();
    TPixelGraphic& copy = *FPaintPixelGraphic;
    copy.OnProgress = progress;
    copy.SetSize(0, 0, plan.BitCountNum);
    if (plan.PaletteType != pNone) copy.SetPaletteType(plan.PaletteType);
    if (plan.SourcePalette && HelpPixelGraphic()) copy.AssignPalette(*HelpPixelGraphic());
    Reduce = plan.Reduce;
    SetSizeOrOnePixel(copy, plan.Size, plan.BitCountNum);
    copy.SetStretchMode(options.StretchMode);
    copy.SetDither(options.Dither);
    copy.SetDitherErrorLimit(options.DitherErrorLimit);
    copy.SetDitherErrorLimitAuto(options.DitherErrorLimitAuto);
    copy.SetDitherErrorLimitSoft(options.DitherErrorLimitSoft);
    copy.SetRGBWeighting(options.RGBWeighting);
}

void TCreatePaintPGThread::DoTheWork() {
    FLastPercent = 0;
    FLastTick = TickCount();
    FStage = 1;
    if (!FPaintPixelGraphic || !FPixelGraphic) return;
    TPixelGraphic& copy = *FPaintPixelGraphic;
    if (!Terminated() && CopyFirst && FOwnHelp) {
        FOwnHelp->StretchFrom(*FPixelGraphic);
        ++FStage;
    }
    TPixelGraphic& help = *HelpPixelGraphic();
    if (!Terminated() && Reduce) {
        ReduceColors(copy, help, 252, true);
        ++FStage;
    }
    if (!Terminated()) {
        if (Reduce && help.GetBitCount() == 8 && help.GetWidth() == copy.GetWidth() &&
            help.GetHeight() == copy.GetHeight())
            MapThroughTable(help, copy);
        else copy.StretchFrom(help);
        ++FStage;
    }
    // The intermediate picture goes before the copy is handed over: once the
    // receiver has the copy it may free the picture the worker read.
    FOwnHelp.reset();
    std::unique_ptr<TPixelGraphic> result = std::move(FPaintPixelGraphic);
    if (Terminated()) return;
    result->OnProgress = nullptr;
    if (PostMessages) {
        if (FWindow) QCoreApplication::postEvent(FWindow, new TPaintResultEvent(FGeneration, std::move(result)));
    } else if (ResultMethod) {
        ResultMethod(std::move(result));
    }
}

void TCreatePaintPGThread::MapThroughTable(TPixelGraphic& help, TPixelGraphic& copy) {
    // Every palette entry of the source is matched once; pixel values beyond
    // the palette read as entry 0, as everywhere else.
    uint8_t table[256];
    const bool cached = copy.GetUseColorCache();
    copy.SetUseColorCache(false);
    const int count = help.GetPaletteCount();
    for (int i = 0; i < 256; ++i) {
        const uint32_t colour = count == 0 ? 0 : help.GetPaletteColor(i < count ? i : 0);
        table[i] = static_cast<uint8_t>(copy.NearestIndex(colour));
    }
    copy.SetUseColorCache(cached);
    const int w = copy.GetWidth(), h = copy.GetHeight();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = help.GetScanLine(y);
        uint8_t* dst = copy.GetScanLine(y);
        if (!src || !dst) break;
        for (int x = 0; x < w; ++x) dst[x] = table[src[x]];
        bool abort = false;
        Progress(&copy, y, h - 1, abort);
        if (abort) break;
    }
}

void TCreatePaintPGThread::Progress(TPixelGraphic*, int Step, int Max, bool& Abort) {
    const int percent = Max == 0 ? 100 : static_cast<int>(int64_t(Step) * 100 / Max);
    const int64_t tick = TickCount();
    if (ProgressDue(percent, FLastPercent, tick, FLastTick)) {
        FLastPercent = percent;
        FLastTick = tick;
        if (PostMessages && FWindow)
            QCoreApplication::postEvent(FWindow, new TPaintProgressEvent(FGeneration, FStage, percent));
    }
    Abort = Terminated();
}
