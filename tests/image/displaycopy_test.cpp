// When the picture control needs a display copy, how the copy is planned,
// and the worker that builds it (run directly and on its thread).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "PaintEvents.h"
#include "image/PGDisplayCopy.h"

namespace {

// A 24-bit picture with a colour gradient.
std::unique_ptr<TPixelGraphic> Gradient24(int w, int h) {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->SetPixel(x, y, RGB(x * 255 / w, y * 255 / h, (x + y) % 256));
    return g;
}

// An 8-bit picture of 100 distinct colours.
std::unique_ptr<TPixelGraphic> Palette8(int w, int h) {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(w, h, 2);
    g->SetPaletteCount(100);
    for (int i = 0; i < 100; ++i) g->SetPaletteColor(i, RGB(i * 2, 255 - i * 2, (i * 37) % 256));
    g->ClassifyPalette();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->SetPixel(x, y, (x * 7 + y * 3) % 100);
    return g;
}

TDisplayCopyQuery QueryFor(const TPixelGraphic* g, int screenBits, TSize box, TStretchMode mode = smFast) {
    TDisplayCopyQuery q;
    q.ScreenBits = screenBits;
    q.HasPicture = g != nullptr;
    if (g) {
        q.PictureBits = g->GetBitCount();
        q.PicturePaletteType = g->GetPaletteType();
        q.PictureSize = TSize(g->GetWidth(), g->GetHeight());
    }
    q.PaintBoxSize = box;
    q.BuiltSize = box;
    q.StretchMode = mode;
    return q;
}

// Runs a build on the calling thread and returns its copy (or nullptr).
std::unique_ptr<TPixelGraphic> BuildDirect(TPixelGraphic& picture, const TDisplayCopyPlan& plan,
                                           const TDisplayCopyOptions& options = {}) {
    std::unique_ptr<TPixelGraphic> result;
    TCreatePaintPGThread worker(true, true);
    worker.ResultMethod = [&](std::unique_ptr<TPixelGraphic> g) { result = std::move(g); };
    worker.Prepare(nullptr, 1, &picture, plan, options);
    worker.DoTheWork();
    return result;
}

}  // namespace

TEST(DisplayCopyDecision, TrueColourScreen) {
    auto pic = Gradient24(100, 80);
    // Drawn directly at every size with the fast stretch, also on 32 bits.
    for (TSize box : {TSize(100, 80), TSize(50, 40), TSize(300, 240)})
        EXPECT_FALSE(DisplayCopyNeed(QueryFor(pic.get(), 24, box)).Need);
    EXPECT_FALSE(DisplayCopyNeed(QueryFor(pic.get(), 32, TSize(50, 40))).Need);
    EXPECT_FALSE(DisplayCopyNeed(QueryFor(pic.get(), 24, TSize(100, 80), smMedium)).Need);
    // A smoothing stretch to another size needs a copy of the shown size.
    TDisplayCopyQuery q = QueryFor(pic.get(), 24, TSize(50, 40), smPrecise);
    const TDisplayCopyNeed n = DisplayCopyNeed(q);
    EXPECT_TRUE(n.Need);
    const TDisplayCopyPlan plan = PlanDisplayCopy(q, n.Resized);
    EXPECT_EQ(plan.BitCountNum, 3);
    EXPECT_EQ(plan.Size, TSize(50, 40));
    EXPECT_FALSE(plan.Reduce || plan.CopyFirst);
    // It goes stale when the shown size moves, unless reduced on load.
    q.BuiltSize = TSize(60, 40);
    EXPECT_TRUE(DisplayCopyNeed(q).PaintStale);
    q.ReduceOnLoad = true;
    EXPECT_FALSE(DisplayCopyNeed(q).PaintStale);
    // Without a picture there is no copy.
    EXPECT_FALSE(DisplayCopyNeed(QueryFor(nullptr, 8, TSize(50, 40), smMedium)).Need);
}

TEST(DisplayCopyDecision, EightBitScreen) {
    auto pic = Gradient24(100, 80);
    TDisplayCopyQuery q = QueryFor(pic.get(), 8, TSize(100, 80));
    ASSERT_TRUE(DisplayCopyNeed(q).Need);
    TDisplayCopyPlan plan = PlanDisplayCopy(q, false);
    EXPECT_EQ(plan.BitCountNum, 2);
    EXPECT_TRUE(plan.Reduce);  // reduce, convert
    EXPECT_EQ(plan.StageCount, 2);
    // Scaled in 24 bits first when allowed: three stages.
    q = QueryFor(pic.get(), 8, TSize(50, 40), smPrecise);
    q.Allow24BitStretch = true;
    plan = PlanDisplayCopy(q, true);
    EXPECT_TRUE(plan.CopyFirst);
    EXPECT_EQ(plan.HelpSize, TSize(50, 40));
    EXPECT_EQ(plan.StageCount, 3);
    // A fixed display palette instead of an optimised one.
    q.Palette8BitSys24BitGraphic = pSpecial216;
    plan = PlanDisplayCopy(q, true);
    EXPECT_EQ(plan.PaletteType, pSpecial216);
    EXPECT_FALSE(plan.Reduce || plan.CopyFirst);

    // Palette pictures: drawn directly with their own palette or type.
    auto pal = Palette8(40, 30);
    q = QueryFor(pal.get(), 8, TSize(40, 30));
    q.Palette8BitSys8BitGraphic = pSource;
    EXPECT_FALSE(DisplayCopyNeed(q).Need);
    q.Palette8BitSys8BitGraphic = pUnknown;
    EXPECT_FALSE(DisplayCopyNeed(q).Need);
    q.Palette8BitSys8BitGraphic = pOptimized252Sys16;
    EXPECT_TRUE(DisplayCopyNeed(q).Need);
    q.ReduceOnLoad = true;  // then only a stale copy is rebuilt
    EXPECT_FALSE(DisplayCopyNeed(q).Need);
    q.PaintStale = true;
    EXPECT_TRUE(DisplayCopyNeed(q).Need);
    // Scaled smoothly with the source palette: the copy takes that palette.
    q = QueryFor(pal.get(), 8, TSize(80, 60), smPrecise);
    q.Palette8BitSys8BitGraphic = pSource;
    ASSERT_TRUE(DisplayCopyNeed(q).Need);
    plan = PlanDisplayCopy(q, true);
    EXPECT_TRUE(plan.SourcePalette);
    EXPECT_FALSE(plan.Reduce);
}

TEST(DisplayCopyDecision, SixteenColourScreens) {
    auto pic = Palette8(40, 30);
    ASSERT_TRUE(DisplayCopyNeed(QueryFor(pic.get(), 4, TSize(40, 30))).Need);
    const TDisplayCopyPlan plan = PlanDisplayCopy(QueryFor(pic.get(), 4, TSize(40, 30)), false);
    EXPECT_EQ(plan.BitCountNum, 1);
    EXPECT_EQ(plan.PaletteType, pSys16);
    // A picture already in the system colours is drawn as it is.
    pic->SetSize(10, 10, 1);
    pic->SetPaletteType(pSys16);
    EXPECT_FALSE(DisplayCopyNeed(QueryFor(pic.get(), 4, TSize(10, 10))).Need);
}

TEST(DisplayCopyWorker, ReducedPaletteMapsEveryColourThroughTheTable) {
    // 100 colours fit into the optimised palette: the copy shows them exactly.
    auto pic = Palette8(40, 30);
    const TDisplayCopyPlan plan = PlanDisplayCopy(QueryFor(pic.get(), 8, TSize(40, 30)), false);
    ASSERT_TRUE(plan.Reduce);
    auto copy = BuildDirect(*pic, plan);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetBitCount(), 8);
    EXPECT_LE(copy->GetPaletteCount(), 252);
    EXPECT_EQ(copy->ToQImage(), pic->ToQImage());
    EXPECT_TRUE(copy->GetUseColorCache());  // switched back on after the lookups
}

TEST(DisplayCopyWorker, TrueColourIntoAnEightBitCopyOnTheThread) {
    auto pic = Gradient24(64, 48);
    TDisplayCopyQuery q = QueryFor(pic.get(), 8, TSize(32, 24), smMedium);
    q.Allow24BitStretch = true;
    TDisplayCopyOptions options;
    options.StretchMode = smMedium;
    TPaintReceiver receiver;
    TCreatePaintPGThread worker(true, false);
    worker.PostMessages = true;
    worker.Prepare(&receiver, 42, pic.get(), PlanDisplayCopy(q, true), options);
    worker.Resume();
    worker.WaitFor();
    QCoreApplication::sendPostedEvents(&receiver);
    ASSERT_EQ(receiver.Results.size(), 1u);
    EXPECT_EQ(receiver.ResultGenerations[0], 42u);
    const TPixelGraphic& copy = *receiver.Results[0];
    EXPECT_EQ(copy.GetBitCount(), 8);
    // Each colour lies near its pixel of the 24-bit scaled picture.
    TPixelGraphic scaled;
    scaled.SetSize(32, 24, 3);
    scaled.SetStretchMode(smMedium);
    scaled.StretchFrom(*pic);
    long total = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) {
            const uint32_t a = copy.GetPixelColor(x, y), b = scaled.GetPixelColor(x, y);
            for (int shift : {0, 8, 16}) total += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
        }
    EXPECT_LT(total / (32 * 24), 30);
    for (const auto& p : receiver.Progress) EXPECT_TRUE(p.first >= 1 && p.first <= 3);
}

TEST(DisplayCopyWorker, ProgressIsThrottled) {
    EXPECT_FALSE(ProgressDue(5, 0, 60, 50));    // the same 50 ms interval
    EXPECT_FALSE(ProgressDue(5, 5, 1000, 40));  // the same percentage
    auto pic = Gradient24(600, 600);
    TDisplayCopyOptions options;
    options.StretchMode = smPrecise;
    TPaintReceiver receiver;
    TCreatePaintPGThread worker(true, false);
    worker.PostMessages = true;
    worker.Prepare(&receiver, 1, pic.get(), PlanDisplayCopy(QueryFor(pic.get(), 24, TSize(599, 601), smPrecise), true),
                   options);
    QElapsedTimer clock;
    clock.start();
    worker.Resume();
    worker.WaitFor();
    const qint64 elapsed = clock.elapsed();
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_LE(receiver.Progress.size(), size_t(elapsed / 50 + 2));
    EXPECT_EQ(receiver.Results.size(), 1u);
}

TEST(DisplayCopyWorker, TerminatedBuildsReportNothing) {
    auto pic = Gradient24(1500, 1500);
    const TDisplayCopyPlan plan = PlanDisplayCopy(QueryFor(pic.get(), 24, TSize(1499, 1501), smPrecise), true);
    TDisplayCopyOptions options;
    options.StretchMode = smPrecise;
    // Terminated before it ran.
    {
        TPaintReceiver receiver;
        TCreatePaintPGThread worker(true, false);
        worker.PostMessages = true;
        worker.Prepare(&receiver, 1, pic.get(), plan, options);
        worker.Terminate();
        worker.Resume();
        worker.WaitFor();
        QCoreApplication::sendPostedEvents(&receiver);
        EXPECT_TRUE(receiver.Results.empty());
    }
    // Terminated while it runs: the work stops at the next row.
    {
        TPaintReceiver receiver;
        TCreatePaintPGThread worker(true, false);
        worker.PostMessages = true;
        worker.Prepare(&receiver, 1, pic.get(), plan, options);
        worker.Resume();
        while (receiver.Progress.empty() && worker.isRunning()) {
            QCoreApplication::sendPostedEvents(&receiver);
            QThread::msleep(1);
        }
        worker.Terminate();
        worker.WaitFor();
        QCoreApplication::sendPostedEvents(&receiver);
        EXPECT_FALSE(receiver.Progress.empty());
        EXPECT_TRUE(receiver.Results.empty());
    }
    // Prepared but never started: freed with the object (leak check).
    TCreatePaintPGThread worker(true, false);
    worker.Prepare(nullptr, 1, pic.get(), plan, options);
}
