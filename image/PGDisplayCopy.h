#pragma once
// The display copy of the picture control: a picture in the screen's depth,
// with a palette chosen by the control and pre-scaled to the shown size,
// drawn instead of the control's own picture where the screen or a smoothing
// stretch mode asks for it. Whether a copy is needed and how it is made are
// pure functions; TCreatePaintPGThread builds it on a worker thread and hands
// it back to the control in a posted event that owns it.
#include <QEvent>
#include <QObject>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "image/PGraphic.h"

// Bits per pixel of the screen: the injected value, or Qt's screen depth
// when none (always 24 or more on Linux). Injecting 4 or 8 exercises the
// low-colour paths; 0 returns to the screen's own depth.
int DisplayBitsPerPixel();
void SetDisplayBitsPerPixel(int bits);

// What the decision looks at.
struct TDisplayCopyQuery {
    int ScreenBits = 24;
    bool HasPicture = false;
    int PictureBits = 24;
    TPaletteIdent PicturePaletteType = pTrueColor;
    TSize PictureSize;
    TSize PaintBoxSize;
    TSize BuiltSize;  // the size the current copy was built for
    TStretchMode StretchMode = smFast;
    bool ReduceOnLoad = false;
    bool PaintStale = false;
    bool Allow24BitStretch = false;
    TPalette8BitSys8BitGraphic Palette8BitSys8BitGraphic = pOptimized252Sys16;
    TPalette8BitSys24BitGraphic Palette8BitSys24BitGraphic = pOptimized252Sys16;
};

struct TDisplayCopyNeed {
    bool Need = false;
    bool Resized = false;     // shown at another size with a smoothing stretch mode
    bool PaintStale = false;  // the query's flag, raised when the shown size moved away
};
TDisplayCopyNeed DisplayCopyNeed(const TDisplayCopyQuery& q);

// How a copy is made.
struct TDisplayCopyPlan {
    bool CopyFirst = false;  // scale into a 24-bit picture of HelpSize first
    TSize HelpSize;
    bool Reduce = false;  // optimised palette of 252 + 16 system colours
    int BitCountNum = 3;
    TPaletteIdent PaletteType = pNone;  // a fixed palette to give the copy (pNone: none)
    bool SourcePalette = false;         // the copy takes the intermediate picture's palette
    TSize Size;                         // of the copy
    int StageCount = 1;
};
TDisplayCopyPlan PlanDisplayCopy(const TDisplayCopyQuery& q, bool resized);

// The control's settings that the copy takes over.
struct TDisplayCopyOptions {
    TStretchMode StretchMode = smFast;
    bool Dither = true;
    uint8_t DitherErrorLimit = 32;
    bool DitherErrorLimitAuto = true;
    bool DitherErrorLimitSoft = true;
    bool RGBWeighting = true;
};

// Progress is reported when the percentage changed and the clock moved into
// another 50 ms interval.
inline bool ProgressDue(int percent, int lastPercent, int64_t tick, int64_t lastTick) {
    return percent != lastPercent && tick / 50 != lastTick / 50;
}

// The finished copy, posted to the control; the event owns the picture until
// the receiver takes it, so a result nobody reads is freed with the event.
class TPaintResultEvent : public QEvent {
public:
    static const QEvent::Type EventType;
    TPaintResultEvent(uint64_t generation, std::unique_ptr<TPixelGraphic> graphic)
        : QEvent(EventType), Generation(generation), Graphic(std::move(graphic)) {}
    const uint64_t Generation;
    std::unique_ptr<TPixelGraphic> Graphic;
};

// Stage (from 1) and percent of a running build.
class TPaintProgressEvent : public QEvent {
public:
    static const QEvent::Type EventType;
    TPaintProgressEvent(uint64_t generation, int stage, int percent)
        : QEvent(EventType), Generation(generation), Stage(stage), Percent(percent) {}
    const uint64_t Generation;
    const int Stage;
    const int Percent;
};

// Builds one display copy. Reads the control's picture (never writes it) and
// writes only its own intermediate picture and copy. The owner stops it
// (Terminate, then WaitFor) before it touches the picture again.
class TCreatePaintPGThread : public QThread {
    Q_OBJECT
public:
    using TResultMethod = std::function<void(std::unique_ptr<TPixelGraphic>)>;

    // An idle thread does nothing; a thread not created suspended starts at
    // once.
    TCreatePaintPGThread(bool createSuspended, bool idle);
    // Stops and waits; frees what it still holds.
    ~TCreatePaintPGThread() override;

    // Makes the intermediate picture and the empty copy for picture by plan.
    // Failures propagate (the caller swallows them).
    void Prepare(QObject* window, uint64_t generation, TPixelGraphic* picture, const TDisplayCopyPlan& plan,
                 const TDisplayCopyOptions& options);

    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    void WaitFor() { wait(); }
    void Resume();
    bool GetIdle() const { return FIdle; }

    // The thread's body: DoTheWork unless idle; a failure ends the build
    // without a result.
    void Execute();
    // Scale, reduce, convert; then post (or hand to ResultMethod) the copy,
    // or free it when terminated.
    void DoTheWork();
    // The progress handler of the intermediate picture and the copy.
    void Progress(TPixelGraphic* Sender, int Step, int Max, bool& Abort);

    bool CopyFirst = false;
    bool Reduce = false;
    bool PostMessages = false;
    TResultMethod ResultMethod;

protected:
    void run() override { Execute(); }

private:
    // The intermediate picture: the owned one, or the control's picture.
    TPixelGraphic* HelpPixelGraphic() const { return FOwnHelp ? FOwnHelp.get() : FPixelGraphic; }
    void MapThroughTable(TPixelGraphic& help, TPixelGraphic& copy);

    const bool FIdle;
    std::atomic<bool> FTerminated{false};
    QObject* FWindow = nullptr;
    uint64_t FGeneration = 0;
    TPixelGraphic* FPixelGraphic = nullptr;
    std::unique_ptr<TPixelGraphic> FPaintPixelGraphic;
    std::unique_ptr<TPixelGraphic> FOwnHelp;
    int FStage = 1;
    int FLastPercent = 0;
    int64_t FLastTick = 0;
};
