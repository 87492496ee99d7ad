#pragma once
// The picture dialogs' preview without any widget: the picture reduced to
// fit the preview panel and brought to the screen's depth, built on a worker
// thread that hands the result back in a posted event owning it; the lines of
// the information panel; the fitting rule both use.
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/PGDisplayCopy.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"

// The size of a picture fitted into area keeping its ratio, each side
// truncated and kept within 1..the picture's side: height-limited when the
// area is relatively wider than the picture, else width-limited. A picture
// that fits keeps its size.
TSize FitPictureSize(TSize picture, TSize area);

// The information panel's lines: the format description, the second and the
// first detail text (each only when not empty), then the size line
// "640x480x16.7M 24 bit", with ", " and the image count when above 1.
std::vector<std::string> PictureInfoLines(const TPictureInfo& info);

// A progress report is posted when the percentage changed and either the
// clock moved into another 100 ms interval or the percentage into another
// sixteenth.
inline bool PreviewProgressDue(int percent, int lastPercent, int64_t tick, int64_t lastTick) {
    return percent != lastPercent && (tick / 100 != lastTick / 100 || percent / 16 != lastPercent / 16);
}

// What a preview is built for.
struct TPreviewSettings {
    std::string FileName;
    TSize Target;  // the preview panel's client size minus 4 each way
    TStretchMode StretchMode = smPrecise;
    TPalette8BitSys24BitGraphic Palette8BitSys24BitGraphic = pOptimized252Sys16;
    TPalette8BitSys8BitGraphic Palette8BitSys8BitGraphic = pOptimized252Sys16;
    int ScreenBits = 24;  // DisplayBitsPerPixel() when the preview starts
    // Taken where the settings are made, so that the worker reads no
    // setting a form may be writing.
    TCodecOptions Codec = DefaultCodecOptions();
};

// Builds one preview: reads the file (fast read, warnings ignored), shrinks
// it into the target keeping its ratio, converts it to the screen's depth
// (below 8 bits: 4 bits with the 16 system colours; 8 bits: by the palette
// choices; above: as read). The owner stops it (Terminate, then WaitFor)
// before the dialog closes or another preview starts.
class TCreateOpenSaveDialogPaintPGThread : public QThread {
    Q_OBJECT
public:
    // An idle thread does nothing and is never started.
    explicit TCreateOpenSaveDialogPaintPGThread(bool idle);
    // Stops and waits.
    ~TCreateOpenSaveDialogPaintPGThread() override;

    // Results and progress go to window as TPaintResultEvent and
    // TPaintProgressEvent tagged with generation.
    void Setup(QObject* window, uint64_t generation, const TPreviewSettings& settings);

    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    void WaitFor() { wait(); }
    void Resume();
    bool GetIdle() const { return FIdle; }

    // The work on the calling thread: the finished preview, or nullptr when
    // the file is missing or unreadable or the thread was terminated.
    std::unique_ptr<TPixelGraphic> Build();
    // The thread's body: Build, then post the result (nothing when idle,
    // terminated or failed).
    void Execute();
    // Progress handler of every picture of the build.
    void Progress(TPixelGraphic* Sender, int Step, int Max, bool& Abort);

    int GetStage() const { return FStage; }

protected:
    void run() override { Execute(); }

private:
    // A new picture of the build, with the progress handler.
    std::unique_ptr<TPixelGraphic> NewPicture();

    const bool FIdle;
    std::atomic<bool> FTerminated{false};
    QObject* FWindow = nullptr;
    uint64_t FGeneration = 0;
    TPreviewSettings FSettings;
    int FStage = 1;
    int FLastPercent = 0;
    int64_t FLastTick = 0;
};
