// Progress handlers that throw, against every reader and writer: the end
// event still comes once, the picture's own failure is the one raised, and a
// failing end handler alone raises after the work is done.
#include <functional>
#include <set>

#include "PeerImages.h"

using namespace peer;

namespace {

// Not a library exception, so it cannot be mistaken for a reader's.
struct THandlerFailure {
    std::string Where;
};

const char* const kFormats[] = {"bmp", "jpg", "png", "pbm", "pgm", "ppm", "tga", "tif"};

// What a load or save raised: the handler's failure, a library message, or
// nothing ("").
std::string Outcome(const std::function<void()>& work) {
    try {
        work();
    } catch (const THandlerFailure& f) {
        return "handler: " + f.Where;
    } catch (const Exception& e) {
        return "library: " + e.Message();
    }
    return "";
}

struct TCounts {
    int Starts = 0, Ends = 0;
};

// Handlers that count; the end handler throws, and so does the row handler
// when rowThrows is set.
void Watch(TPixelGraphic& g, TCounts& counts, bool rowThrows) {
    g.OnProgressStart = [&counts](TPixelGraphic*) { ++counts.Starts; };
    g.OnProgress = [rowThrows](TPixelGraphic*, int, int, bool&) {
        if (rowThrows) throw THandlerFailure{"row"};
    };
    g.OnProgressEnd = [&counts](TPixelGraphic*) {
        ++counts.Ends;
        throw THandlerFailure{"end"};
    };
}

}  // namespace

TEST_F(FormatTest, AFailingEndHandlerDuringAFailedReadLeavesTheReadsFailure) {
    std::set<std::string> exercised;
    for (const char* ext : kFormats) {
        const std::string bytes = PatternBytes(40, 30, ext);
        // Rows cut off, or damaged: the read fails while it reports progress
        // (a reader that sees the damage before its rows has nothing to end).
        std::string damaged = bytes;
        for (size_t i = bytes.size() / 2; i < bytes.size() * 3 / 4; ++i) damaged[i] = char(damaged[i] ^ 0x5A);
        for (const std::string& broken : {bytes.substr(0, bytes.size() * 3 / 4), damaged}) {
            SCOPED_TRACE(std::string(ext) + (broken.size() < bytes.size() ? " cut" : " damaged"));
            TPixelGraphic g;
            TCounts counts;
            Watch(g, counts, false);
            const std::string outcome = Outcome([&] { LoadBytes(g, broken, ext); });
            if (counts.Starts == 0 || outcome == "handler: end") continue;  // not failed
            exercised.insert(ext);
            EXPECT_EQ(outcome.rfind("library: ", 0), 0u) << outcome;
            EXPECT_EQ(counts.Ends, 1);
        }
    }
    for (const char* ext : {"bmp", "jpg", "png", "ppm"}) EXPECT_EQ(exercised.count(ext), 1u) << ext;
}

TEST_F(FormatTest, AFailingRowHandlerWinsOverAFailingEndHandler) {
    for (const char* ext : kFormats) {
        SCOPED_TRACE(ext);
        const std::string bytes = PatternBytes(40, 30, ext);
        {
            TPixelGraphic g;
            TCounts counts;
            Watch(g, counts, true);
            EXPECT_EQ(Outcome([&] { LoadBytes(g, bytes, ext); }), "handler: row");
            EXPECT_EQ(counts.Starts, 1);
            EXPECT_EQ(counts.Ends, 1);
        }
        TPixelGraphic g;
        LoadBytes(g, bytes, ext);
        TCounts counts;
        Watch(g, counts, true);
        const std::string outcome = Outcome([&] { SaveBytes(g, ext); });
        if (counts.Starts == 0) continue;  // a writer that reports no progress
        EXPECT_EQ(outcome, "handler: row");
        EXPECT_EQ(counts.Ends, 1);
    }
}

TEST_F(FormatTest, AFailingEndHandlerAloneRaisesOnceTheWorkIsDone) {
    for (const char* ext : kFormats) {
        SCOPED_TRACE(ext);
        const std::string bytes = PatternBytes(40, 30, ext);
        TPixelGraphic expected;
        LoadBytes(expected, bytes, ext);

        // The whole picture was read before the handler's failure came out.
        TPixelGraphic g;
        TCounts counts;
        Watch(g, counts, false);
        EXPECT_EQ(Outcome([&] { LoadBytes(g, bytes, ext); }), "handler: end");
        EXPECT_EQ(counts.Ends, 1);
        EXPECT_EQ(FromGraphic(g).Data, FromGraphic(expected).Data);

        // A save likewise (it fails then: what follows the rows is not
        // written).
        counts = {};
        Watch(expected, counts, false);
        const std::string outcome = Outcome([&] { SaveBytes(expected, ext); });
        if (counts.Starts == 0) continue;
        EXPECT_EQ(outcome, "handler: end");
        EXPECT_EQ(counts.Ends, 1);
    }
}
