#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <climits>

#include "platform/Cursors.h"
#include "widgets/RxSlider.h"
#include "widgets/RxUtils.h"
#include "widgets/widgets_support.h"

namespace {

// The loop the tick-step search replaces, on 64-bit numbers.
int64_t TickStepByLoop(int64_t minValue, int64_t maxValue, int64_t inc, int64_t usable) {
    for (int64_t step = inc;; step += inc) {
        const int64_t n = (maxValue - minValue) / step + 1;
        const int64_t gap = n > 1 ? (usable - n) / (n - 1) : usable;
        if (gap >= 3 || gap == usable) return step;
    }
}

// A ruler whose every column has its own colour, so copies can be traced.
QImage NumberedRuler(int length, int breadth) {
    QImage img(length, breadth, QImage::Format_RGB32);
    for (int x = 0; x < length; ++x)
        for (int y = 0; y < breadth; ++y) img.setPixel(x, y, qRgb(10 * x + 1, y, 200));
    return img;
}

int RulerColumnOf(const QImage& track, int x) { return (qRed(track.pixel(x, 0)) - 1) / 10; }

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

struct ChangeCounter {
    int count = 0;
    TNotifyEvent Handler() {
        return [this](QObject*) { ++count; };
    }
};

}  // namespace

TEST(SliderTrack, PiecesOfATwoHundredPixelSlider) {
    // 188 = 200 - 12 pixels of track from a 10-pixel ruler without ends:
    // 18 whole copies, then the last 8 pixels of the ruler.
    auto pieces = SliderTrackPieces(10, 0, 188);
    ASSERT_EQ(pieces.size(), 19u);
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(pieces[i].Dest, 10 * i);
        EXPECT_EQ(pieces[i].Src, 0);
        EXPECT_EQ(pieces[i].Length, 10);
    }
    EXPECT_EQ(pieces[18].Dest, 180);
    EXPECT_EQ(pieces[18].Src, 2);
    EXPECT_EQ(pieces[18].Length, 8);

    // With 2-pixel ends the track starts with the start piece, repeats the
    // middle and closes with the middle's tail and the end piece.
    pieces = SliderTrackPieces(10, 2, 188);
    EXPECT_EQ(pieces.front().Length, 8);
    EXPECT_EQ(pieces.back().Dest + pieces.back().Length, 188);
    EXPECT_EQ(pieces.back().Src + pieces.back().Length, 10);
}

TEST(SliderTrack, DegenerateRulersAndTracks) {
    EXPECT_TRUE(SliderTrackPieces(10, 2, 0).empty());
    EXPECT_TRUE(SliderTrackPieces(0, 0, 50).empty());
    // A ruler with nothing between its ends gives only the first copy.
    auto pieces = SliderTrackPieces(4, 2, 100);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].Length, 2);
    // A track shorter than its ends.
    pieces = SliderTrackPieces(10, 4, 3);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_TRUE(ComposeSliderTrack(NumberedRuler(4, 3), soHorizontal, 2, 100).width() == 100);
}

TEST(SliderTrack, ComposedBitmapOfTheWidget) {
    TRxSlider s;
    s.resize(200, 40);
    s.show();
    s.SetImageHRuler(NumberedRuler(10, 10));
    s.SetEdgeSize(0);
    const QImage& track = s.TrackBitmap();
    ASSERT_EQ(track.width(), 188);
    ASSERT_EQ(track.height(), 10);
    for (int x = 0; x < 180; ++x) ASSERT_EQ(RulerColumnOf(track, x), x % 10) << x;
    for (int x = 180; x < 188; ++x) ASSERT_EQ(RulerColumnOf(track, x), x - 178) << x;

    s.SetEdgeSize(5);  // 2 x 5 is not below 10
    EXPECT_EQ(s.GetEdgeSize(), 0);
    s.SetEdgeSize(-1);
    EXPECT_EQ(s.GetEdgeSize(), 0);
    s.SetEdgeSize(3);
    EXPECT_EQ(s.GetEdgeSize(), 3);
    const QImage& t3 = s.TrackBitmap();
    EXPECT_EQ(RulerColumnOf(t3, 0), 0);
    EXPECT_EQ(RulerColumnOf(t3, 187), 9);
    EXPECT_EQ(RulerColumnOf(t3, 185), 7);

    // Vertical: the ruler is tiled down the height.
    s.SetOrientation(soVertical);
    s.resize(40, 100);
    s.SetImageVRuler(NumberedRuler(10, 8).transformed(QTransform().rotate(90)));
    EXPECT_EQ(s.TrackBitmap().width(), 8);
    EXPECT_EQ(s.TrackBitmap().height(), 88);
}

TEST(SliderArithmetic, ValueToPositionAndBack) {
    EXPECT_EQ(SliderValueToPos(0, 0, 100, 170), 6);
    EXPECT_EQ(SliderValueToPos(100, 0, 100, 170), 176);
    EXPECT_EQ(SliderValueToPos(50, 0, 100, 5), 8);   // 2.5 rounds to even
    EXPECT_EQ(SliderValueToPos(70, 0, 100, 5), 10);  // 3.5 rounds to even
    EXPECT_EQ(SliderValueToPos(0, -100, 100, 100), 56);

    // Snapping: the value at a position is truncated to the increment.
    EXPECT_EQ(SliderPosToValue(6 + 57, 0, 100, 10, 100), 50);
    EXPECT_EQ(SliderPosToValue(6 + 59, 0, 100, 10, 100), 50);
    EXPECT_EQ(SliderPosToValue(6 + 60, 0, 100, 10, 100), 60);
    EXPECT_EQ(SliderPosToValue(6 + 40, -100, 100, 30, 100), -100 + 60);
    for (int v = 0; v <= 100; v += 10)
        EXPECT_EQ(SliderPosToValue(SliderValueToPos(v, 0, 100, 131), 0, 100, 10, 131), v);

    // The whole 32-bit range and an empty track stay defined.
    EXPECT_EQ(SliderValueToPos(INT32_MAX, INT32_MIN, INT32_MAX, 1000), 1006);
    EXPECT_EQ(SliderPosToValue(1006, INT32_MIN, INT32_MAX, 1, 1000), INT32_MAX);
    EXPECT_EQ(SliderPosToValue(6, INT32_MIN, INT32_MAX, 1, 1000), INT32_MIN);
    EXPECT_EQ(SliderValueToPos(50, 0, 100, 0), 6);
    EXPECT_EQ(SliderValueToPos(50, 0, 100, -7), 6);
    EXPECT_EQ(SliderPosToValue(20, 0, 100, 10, 0), 0);
}

TEST(SliderArithmetic, TickStepMatchesTheSearchOnSmallRanges) {
    for (int usable : {0, 1, 2, 4, 5, 6, 11, 37, 100, 171})
        for (int range : {1, 2, 3, 9, 10, 17, 100, 255, 1000})
            for (int inc : {1, 2, 3, 7, 10}) {
                if (inc > range) continue;
                ASSERT_EQ(SliderTickStep(-5, range - 5, inc, usable), TickStepByLoop(-5, range - 5, inc, usable))
                    << "usable " << usable << " range " << range << " inc " << inc;
            }
}

TEST(SliderArithmetic, TickStepOnHugeRanges) {
    const int64_t step = SliderTickStep(INT32_MIN, INT32_MAX, 1, 171);
    const int64_t n = (int64_t(INT32_MAX) - INT32_MIN) / step + 1;
    EXPECT_GE((171 - n) / (n - 1), 3);
    const int64_t fewer = (int64_t(INT32_MAX) - INT32_MIN) / (step - 1) + 1;
    EXPECT_LT((171 - fewer) / (fewer - 1), 3);  // and it is the smallest
    // No room at all: one mark, a step beyond the range.
    EXPECT_GT(SliderTickStep(INT32_MIN, INT32_MAX, 7, 0), int64_t(INT32_MAX) - INT32_MIN);
    EXPECT_EQ(SliderTickStep(INT32_MIN, INT32_MAX, 7, 0) % 7, 0);
    for (int usable : {-1, -9})  // a track shorter than its thumb: one mark
        EXPECT_EQ(SliderTickStep(-5, -2, 1, usable), 4);
}

TEST(SliderArithmetic, LayoutCentresTheNarrowerPart) {
    auto l = SliderLayoutFor(soHorizontal, 140, 40, TSize(9, 17), TSize(128, 10));
    EXPECT_EQ(l.Thumb, TPoint(6, 6));
    EXPECT_EQ(l.Track, TPoint(6, 9));
    EXPECT_EQ(l.Points, TRect(6, 24, 134, 39));
    l = SliderLayoutFor(soHorizontal, 140, 40, TSize(9, 4), TSize(128, 10));
    EXPECT_EQ(l.Thumb, TPoint(6, 9));
    EXPECT_EQ(l.Track, TPoint(6, 6));
    l = SliderLayoutFor(soVertical, 40, 140, TSize(17, 9), TSize(8, 128));
    EXPECT_EQ(l.Thumb, TPoint(6, 6));
    EXPECT_EQ(l.Track, TPoint(10, 6));
    EXPECT_EQ(l.Points, TRect(24, 6, 39, 134));
}

TEST(Slider, DefaultsAndSkins) {
    TRxSlider s;
    EXPECT_EQ(s.size(), QSize(140, 40));
    EXPECT_EQ(s.GetMinValue(), 0);
    EXPECT_EQ(s.GetMaxValue(), 100);
    EXPECT_EQ(s.GetIncrement(), 10);
    EXPECT_EQ(s.GetEdgeSize(), 2);
    EXPECT_EQ(s.GetNumThumbStates(), 2);
    EXPECT_EQ(s.GetOptions(), soShowFocus | soShowPoints | soSmooth);
    EXPECT_EQ(s.GetImage(siHThumb).size(), QSize(18, 17));
    EXPECT_EQ(s.GetImage(siHRuler).size(), QSize(10, 10));
    EXPECT_EQ(s.GetImage(siVThumb).size(), QSize(34, 9));
    EXPECT_EQ(s.GetImage(siVRuler).size(), QSize(8, 10));
    EXPECT_EQ(s.Thumb()->size(), QSize(9, 17));
    EXPECT_EQ(s.Thumb()->pos(), QPoint(6, 6));
    EXPECT_EQ(s.TrackOrigin(), TPoint(6, 9));
    EXPECT_EQ(s.Thumb()->cursor().shape(), GetCursor(crRxHand).shape());
    EXPECT_EQ(GetCursor(crRxHand).shape(), Qt::PointingHandCursor);

    s.SetOrientation(soVertical);
    EXPECT_EQ(s.Thumb()->size(), QSize(17, 9));
    EXPECT_EQ(s.size(), QSize(140, 40));  // orientation keeps the size
    s.SetNumThumbStates(1);
    EXPECT_EQ(s.Thumb()->size(), QSize(34, 9));
    s.SetNumThumbStates(3);
    EXPECT_EQ(s.GetNumThumbStates(), 1);
}

TEST(Slider, ResourcesAndMissingOnes) {
    EXPECT_EQ(LoadBitmapResource("RXSPINUP").size(), QSize(6, 6));
    EXPECT_EQ(LoadBitmapResource("TTF_FONT").size(), QSize(20, 12));
    EXPECT_EQ(LoadBitmapResource("PRN_FONT").size(), QSize(20, 12));
    try {
        LoadBitmapResourceOrRaise("NO_SUCH");
        FAIL() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), "Resource NO_SUCH not found");
    }
    // The skins are olive where the track and the form show through.
    const QImage thumb = LoadBitmapResource("W95_HTB");
    EXPECT_EQ(ImagePixelColor(thumb, 0, 16), clOlive);
    EXPECT_NE(ImagePixelColor(thumb, 4, 4), clOlive);
    EXPECT_NE(ImagePixelColor(thumb, 3, 4), ImagePixelColor(thumb, 9 + 3, 4));  // pressed state differs
}

TEST(Slider, RefusedAndCombinedSetters) {
    TRxSlider s;
    ChangeCounter changes;
    s.OnChange = changes.Handler();
    s.SetMinValue(95);  // above 100 - 10
    EXPECT_EQ(s.GetMinValue(), 0);
    s.SetMaxValue(5);  // below 0 + 10
    EXPECT_EQ(s.GetMaxValue(), 100);
    s.SetIncrement(0);
    EXPECT_EQ(s.GetIncrement(), 10);
    s.SetMinValue(90);
    EXPECT_EQ(s.GetMinValue(), 90);
    EXPECT_EQ(s.GetValue(), 90);  // the value follows the range
    EXPECT_EQ(changes.count, 1);

    // Built in code: a range far above the current one in a single call.
    EXPECT_TRUE(s.SetRange(200, 300, 5));
    EXPECT_EQ(s.GetMinValue(), 200);
    EXPECT_EQ(s.GetMaxValue(), 300);
    EXPECT_EQ(s.GetIncrement(), 5);
    EXPECT_EQ(s.GetValue(), 200);
    EXPECT_FALSE(s.SetRange(0, 3, 5));
    EXPECT_FALSE(s.SetRange(0, 100, 0));
    EXPECT_FALSE(s.SetRange(10, 0, 1));
    EXPECT_EQ(s.GetMinValue(), 200);
    EXPECT_TRUE(s.SetRange(INT32_MIN, INT32_MAX, 1));

    TRxSlider t;
    ChangeCounter tc;
    t.OnChange = tc.Handler();
    t.SetValue(150);
    EXPECT_EQ(t.GetValue(), 100);
    t.SetValue(150);
    EXPECT_EQ(tc.count, 1);
    EXPECT_EQ(t.Thumb()->x(), 6 + t.UsableLength());
}

TEST(Slider, KeyboardSteps) {
    TRxSlider s;
    s.SetValue(50);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.GetValue(), 60);
    QTest::keyClick(&s, Qt::Key_Left);
    QTest::keyClick(&s, Qt::Key_Left);
    EXPECT_EQ(s.GetValue(), 40);
    QTest::keyClick(&s, Qt::Key_End);
    EXPECT_EQ(s.GetValue(), 100);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.GetValue(), 100);
    QTest::keyClick(&s, Qt::Key_Home);
    EXPECT_EQ(s.GetValue(), 0);
    QTest::keyClick(&s, Qt::Key_Down);  // not an arrow of a horizontal slider
    QTest::keyClick(&s, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(s.GetValue(), 0);

    s.SetOrientation(soVertical);
    QTest::keyClick(&s, Qt::Key_Down);
    EXPECT_EQ(s.GetValue(), 10);
    QTest::keyClick(&s, Qt::Key_Up);
    EXPECT_EQ(s.GetValue(), 0);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.GetValue(), 0);

    // Steps near the ends of the 32-bit range do not wrap.
    EXPECT_TRUE(s.SetRange(INT32_MIN, INT32_MAX, 1000));
    QTest::keyClick(&s, Qt::Key_End);
    QTest::keyClick(&s, Qt::Key_Down);
    EXPECT_EQ(s.GetValue(), INT32_MAX);
}

TEST(Slider, PressAndHoldOnTheTrack) {
    TRxSlider s;
    s.resize(200, 40);
    s.show();
    ChangeCounter changes;
    s.OnChange = changes.Handler();
    const QPoint right(150, 10);
    QElapsedTimer clock;
    clock.start();
    SendMouse(&s, QEvent::MouseButtonPress, right, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(s.GetValue(), 10);  // at once
    EXPECT_TRUE(s.RepeatTimerRunning());
    QTRY_COMPARE_WITH_TIMEOUT(s.GetValue(), 20, 3000);
    EXPECT_GE(clock.elapsed(), 390);
    // Let the thumb pass the mouse point: the steps stop, the timer stays.
    s.SetValue(90);
    const int stopped = s.GetValue();
    QTest::qWait(450);
    EXPECT_EQ(s.GetValue(), stopped);
    EXPECT_TRUE(s.RepeatTimerRunning());
    SendMouse(&s, QEvent::MouseButtonRelease, right, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(s.RepeatTimerRunning());

    // Left of the thumb steps down; a press on the thumb's own column does not step.
    SendMouse(&s, QEvent::MouseButtonPress, QPoint(7, 10), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(s.GetValue(), 80);
    SendMouse(&s, QEvent::MouseButtonRelease, QPoint(7, 10), Qt::LeftButton, Qt::NoButton);
    const int x = s.Thumb()->x() + 2;
    SendMouse(&s, QEvent::MouseButtonPress, QPoint(x, 35), Qt::LeftButton, Qt::LeftButton);
    SendMouse(&s, QEvent::MouseButtonRelease, QPoint(x, 35), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(s.GetValue(), 80);
}

TEST(Slider, DraggingTheThumb) {
    TRxSlider s;
    s.resize(200, 40);  // usable 188 - 9 = 179
    s.show();
    s.SetOptions(soShowPoints);  // not smooth
    ChangeCounter changes, ups;
    s.OnChange = changes.Handler();
    s.OnThumbUp = ups.Handler();
    TSliderThumb* th = s.Thumb();
    SendMouse(th, QEvent::MouseButtonPress, QPoint(4, 5), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(th->GetDown());
    // Thumb Left = 6 + 100 = 106: 100 / 179 x 100 = 55.9 -> 56 -> 50.
    SendMouse(th, QEvent::MouseMove, th->mapFrom(&s, QPoint(110, 5)), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(s.GetValue(), 50);
    EXPECT_EQ(th->x(), SliderValueToPos(50, 0, 100, 179));
    EXPECT_EQ(changes.count, 1);
    SendMouse(th, QEvent::MouseButtonRelease, QPoint(4, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(th->GetDown());
    EXPECT_EQ(ups.count, 1);

    // Smooth: the thumb follows the mouse, the value still steps by 10.
    s.SetOptions(soSmooth);
    SendMouse(th, QEvent::MouseButtonPress, QPoint(4, 5), Qt::LeftButton, Qt::LeftButton);
    SendMouse(th, QEvent::MouseMove, th->mapFrom(&s, QPoint(150, 5)), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(th->x(), 146);
    EXPECT_EQ(s.GetValue(), 70);  // 140 / 179 x 100 = 78.2 -> 78 -> 70
    // Far beyond the end: the thumb stops at the track's end.
    SendMouse(th, QEvent::MouseMove, th->mapFrom(&s, QPoint(900, 5)), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(th->x(), 6 + 179);
    EXPECT_EQ(s.GetValue(), 100);
    SendMouse(th, QEvent::MouseButtonRelease, QPoint(4, 5), Qt::LeftButton, Qt::NoButton);
}

TEST(Slider, TooNarrowForItsThumb) {
    TRxSlider s;
    s.resize(5, 40);
    s.show();
    EXPECT_LE(s.UsableLength(), 0);
    s.SetValue(50);
    EXPECT_EQ(s.GetValue(), 50);
    EXPECT_EQ(s.Thumb()->x(), 6);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.GetValue(), 60);
    SendMouse(&s, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton, Qt::LeftButton);
    SendMouse(&s, QEvent::MouseButtonRelease, QPoint(2, 2), Qt::LeftButton, Qt::NoButton);
    TSliderThumb* th = s.Thumb();
    SendMouse(th, QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton, Qt::LeftButton);
    SendMouse(th, QEvent::MouseMove, QPoint(30, 1), Qt::NoButton, Qt::LeftButton);
    SendMouse(th, QEvent::MouseButtonRelease, QPoint(30, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(th->x(), 6);
    EXPECT_FALSE(s.grab().isNull());  // paints ticks on a track of no length
    s.resize(3, 3);
    s.SetOrientation(soVertical);
    EXPECT_FALSE(s.grab().isNull());
}

TEST(Slider, PaintsTrackTicksAndFocus) {
    wtest::THost host(200, 40, clLime);
    TRxSlider s(&host);
    s.resize(200, 40);
    host.show();
    s.SetValue(0);
    s.OnDrawPoints = nullptr;
    QImage shot = host.Shot();
    // The track's olive is transparent; its channel shows.
    EXPECT_EQ(wtest::PixelAt(shot, 100, 9), clLime);
    EXPECT_EQ(wtest::PixelAt(shot, 100, 12), clGray);
    // Ticks under the thumb's centre: the end ones one pixel longer.
    const int tickTop = s.PointsRect().Top;
    const int first = 6 + 9 / 2, last = 6 + s.UsableLength() + 9 / 2;
    EXPECT_EQ(wtest::PixelAt(shot, first, tickTop + 3), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, last, tickTop + 3), clBlack);
    const int mid = SliderValueToPos(50, 0, 100, s.UsableLength()) + 4;
    EXPECT_EQ(wtest::PixelAt(shot, mid, tickTop + 2), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, mid, tickTop + 3), clLime);

    bool custom = false;
    s.OnDrawPoints = [&](QObject*, QPainter& canvas) {
        custom = true;
        s.DefaultDrawPoints(canvas, 50, 1, 1);
    };
    shot = host.Shot();
    EXPECT_TRUE(custom);
    EXPECT_EQ(wtest::PixelAt(shot, mid, tickTop), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, mid, tickTop + 1), clLime);
}

TEST(Slider, UserImagesExtraData) {
    TRxSlider s;
    EXPECT_FALSE(s.UserImagesStored());
    s.SetImageHRuler(NumberedRuler(12, 6));
    s.SetImageVThumb(NumberedRuler(20, 8));
    EXPECT_EQ(s.GetUserImages(), 0x06);
    TMemoryStream m;
    s.WriteUserImages(m);
    ASSERT_EQ(m.Data(), std::vector<uint8_t>{0x06});

    TRxSlider t;
    m.SetPosition(0);
    t.ReadUserImages(m);
    EXPECT_EQ(t.GetUserImages(), 0x06);
    t.Loaded();
    EXPECT_EQ(t.GetUserImages(), 0x06);

    s.SetImageHRuler(QImage());  // back to the built-in ruler
    EXPECT_EQ(s.GetUserImages(), 0x04);
    EXPECT_EQ(s.GetImage(siHRuler).size(), QSize(10, 10));

    TMemoryStream empty;
    EXPECT_THROW(t.ReadUserImages(empty), EReadError);
}
