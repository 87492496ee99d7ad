#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <climits>

#include "widgets/RxSlider.h"
#include "widgets/RxUtils.h"
#include "widgets/rx_support.h"
#include "widgets/widgets_support.h"

using rxtest::Press;
using rxtest::Release;
using rxtest::SendMouse;

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

void Drag(QWidget* thumb, QWidget* slider, QPoint to) {
    SendMouse(thumb, QEvent::MouseMove, thumb->mapFrom(slider, to), Qt::NoButton, Qt::LeftButton);
}

}  // namespace

TEST(SliderTrack, PiecesAndComposedBitmap) {
    // 188 = 200 - 12 pixels of track from a 10-pixel ruler without ends:
    // 18 whole copies, then the last 8 pixels of the ruler.
    auto pieces = SliderTrackPieces(10, 0, 188);
    ASSERT_EQ(pieces.size(), 19u);
    EXPECT_EQ(pieces[17].Dest, 170);
    EXPECT_EQ(pieces[17].Length, 10);
    EXPECT_EQ(pieces[18].Dest, 180);
    EXPECT_EQ(pieces[18].Src, 2);
    EXPECT_EQ(pieces[18].Length, 8);

    TRxSlider s;
    s.resize(200, 40);
    s.show();
    s.SetImageHRuler(NumberedRuler(10, 10));
    s.SetEdgeSize(0);
    const QImage& track = s.TrackBitmap();
    ASSERT_EQ(track.size(), QSize(188, 10));
    for (int x = 0; x < 188; ++x) ASSERT_EQ(RulerColumnOf(track, x), x < 180 ? x % 10 : x - 178) << x;

    s.SetEdgeSize(5);  // 2 x 5 is not below 10
    s.SetEdgeSize(-1);
    EXPECT_EQ(s.GetEdgeSize(), 0);
    s.SetEdgeSize(3);  // start piece, middle pieces, tail of the middle and end piece
    EXPECT_EQ(RulerColumnOf(s.TrackBitmap(), 6), 6);
    EXPECT_EQ(RulerColumnOf(s.TrackBitmap(), 7), 3);
    EXPECT_EQ(RulerColumnOf(s.TrackBitmap(), 185), 7);
    EXPECT_EQ(RulerColumnOf(s.TrackBitmap(), 187), 9);

    s.SetOrientation(soVertical);
    s.resize(40, 100);
    EXPECT_EQ(s.TrackBitmap().size(), QSize(8, 88));

    // Rulers without a middle piece and tracks shorter than their ends.
    EXPECT_TRUE(SliderTrackPieces(10, 2, 0).empty());
    EXPECT_EQ(SliderTrackPieces(4, 2, 100).size(), 1u);
    EXPECT_EQ(SliderTrackPieces(10, 4, 3).size(), 1u);
    EXPECT_EQ(ComposeSliderTrack(NumberedRuler(4, 3), soHorizontal, 2, 100).width(), 100);
}

TEST(SliderArithmetic, ValueToPositionAndBack) {
    EXPECT_EQ(SliderValueToPos(50, 0, 100, 5), 8);   // 2.5 rounds to even
    EXPECT_EQ(SliderValueToPos(70, 0, 100, 5), 10);  // 3.5 rounds to even
    EXPECT_EQ(SliderValueToPos(0, -100, 100, 100), 56);
    // Snapping: the value at a position is truncated to the increment.
    EXPECT_EQ(SliderPosToValue(6 + 59, 0, 100, 10, 100), 50);
    EXPECT_EQ(SliderPosToValue(6 + 60, 0, 100, 10, 100), 60);
    EXPECT_EQ(SliderPosToValue(6 + 40, -100, 100, 30, 100), -40);
    for (int v = 0; v <= 100; v += 10)
        EXPECT_EQ(SliderPosToValue(SliderValueToPos(v, 0, 100, 131), 0, 100, 10, 131), v);
    // The whole 32-bit range and a track too short for the thumb.
    EXPECT_EQ(SliderValueToPos(INT32_MAX, INT32_MIN, INT32_MAX, 1000), 1006);
    EXPECT_EQ(SliderPosToValue(1006, INT32_MIN, INT32_MAX, 1, 1000), INT32_MAX);
    EXPECT_EQ(SliderValueToPos(50, 0, 100, -7), 6);
    EXPECT_EQ(SliderPosToValue(20, 0, 100, 10, 0), 0);
}

TEST(SliderArithmetic, TickStepOnSmallAndHugeRanges) {
    for (int usable : {0, 1, 2, 4, 5, 6, 11, 37, 100, 171})
        for (int range : {1, 2, 3, 9, 10, 17, 100, 255, 1000})
            for (int inc : {1, 2, 3, 7, 10}) {
                if (inc > range) continue;
                ASSERT_EQ(SliderTickStep(-5, range - 5, inc, usable), TickStepByLoop(-5, range - 5, inc, usable))
                    << "usable " << usable << " range " << range << " inc " << inc;
            }

    const int64_t span = int64_t(INT32_MAX) - INT32_MIN;
    const int64_t step = SliderTickStep(INT32_MIN, INT32_MAX, 1, 171);
    auto gap = [&](int64_t s) {
        const int64_t n = span / s + 1;
        return (171 - n) / (n - 1);
    };
    EXPECT_GE(gap(step), 3);
    EXPECT_LT(gap(step - 1), 3);
    // No room: one mark, a step beyond the range.
    EXPECT_GT(SliderTickStep(INT32_MIN, INT32_MAX, 7, -9), span);
    EXPECT_EQ(SliderTickStep(INT32_MIN, INT32_MAX, 7, -9) % 7, 0);
}

TEST(SliderArithmetic, LayoutCentresTheNarrowerPart) {
    auto l = SliderLayoutFor(soHorizontal, 140, 40, TSize(9, 17), TSize(128, 10));
    EXPECT_EQ(l.Thumb, TPoint(6, 6));
    EXPECT_EQ(l.Track, TPoint(6, 9));
    EXPECT_EQ(l.Points, TRect(6, 24, 134, 39));
    l = SliderLayoutFor(soVertical, 40, 140, TSize(4, 9), TSize(8, 128));
    EXPECT_EQ(l.Thumb, TPoint(8, 6));
    EXPECT_EQ(l.Track, TPoint(6, 6));
    EXPECT_EQ(l.Points, TRect(15, 6, 39, 134));
}

TEST(Slider, SkinsAndThumb) {
    TRxSlider s;
    EXPECT_EQ(s.Thumb()->size(), QSize(9, 17));  // one of the two states of "W95_HTB"
    EXPECT_EQ(s.Thumb()->cursor().shape(), Qt::PointingHandCursor);
    s.SetOrientation(soVertical);
    s.SetNumThumbStates(1);
    EXPECT_EQ(s.Thumb()->size(), QSize(34, 9));  // the whole of "W95_VTB"
    EXPECT_THROW(LoadBitmapResourceOrRaise("NO_SUCH"), EResNotFound);
    const QImage thumb = LoadBitmapResource("W95_HTB");
    EXPECT_EQ(ImagePixelColor(thumb, 0, 16), clOlive);
    EXPECT_NE(ImagePixelColor(thumb, 3, 4), ImagePixelColor(thumb, 9 + 3, 4));  // pressed state differs
}

TEST(Slider, RefusedAndCombinedSetters) {
    TRxSlider s;
    int changes = 0;
    s.OnChange = [&](QObject*) { ++changes; };
    s.SetMinValue(95);  // above 100 - 10
    s.SetMaxValue(5);   // below 0 + 10
    s.SetIncrement(0);
    EXPECT_EQ(s.GetMinValue(), 0);
    EXPECT_EQ(s.GetMaxValue(), 100);
    EXPECT_EQ(s.GetIncrement(), 10);
    s.SetMinValue(90);
    EXPECT_EQ(s.GetValue(), 90);  // the value follows the range
    EXPECT_EQ(changes, 1);
    s.SetValue(150);
    s.SetValue(150);
    EXPECT_EQ(s.GetValue(), 100);
    EXPECT_EQ(changes, 2);

    // Built in code: a range far above the current one in one call.
    EXPECT_TRUE(s.SetRange(200, 300, 5));
    EXPECT_EQ(s.GetMinValue(), 200);
    EXPECT_EQ(s.GetMaxValue(), 300);
    EXPECT_EQ(s.GetValue(), 200);
    EXPECT_FALSE(s.SetRange(0, 3, 5));
    EXPECT_FALSE(s.SetRange(0, 100, 0));
    EXPECT_EQ(s.GetMinValue(), 200);
}

TEST(Slider, KeyboardSteps) {
    TRxSlider s;
    s.SetValue(50);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.GetValue(), 60);
    QTest::keyClick(&s, Qt::Key_Left);
    QTest::keyClick(&s, Qt::Key_End);
    EXPECT_EQ(s.GetValue(), 100);
    QTest::keyClick(&s, Qt::Key_Home);
    QTest::keyClick(&s, Qt::Key_Down);  // not an arrow of a horizontal slider
    QTest::keyClick(&s, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(s.GetValue(), 0);
    s.SetOrientation(soVertical);
    QTest::keyClick(&s, Qt::Key_Down);
    EXPECT_EQ(s.GetValue(), 10);
    // Steps at the end of the 32-bit range do not wrap.
    EXPECT_TRUE(s.SetRange(INT32_MIN, INT32_MAX, 1000));
    QTest::keyClick(&s, Qt::Key_End);
    QTest::keyClick(&s, Qt::Key_Down);
    EXPECT_EQ(s.GetValue(), INT32_MAX);
}

TEST(Slider, PressAndHoldOnTheTrack) {
    TRxSlider s;
    s.resize(200, 40);
    s.show();
    const QPoint right(150, 10);
    QElapsedTimer clock;
    clock.start();
    Press(&s, right);
    EXPECT_EQ(s.GetValue(), 10);  // at once
    QTRY_COMPARE_WITH_TIMEOUT(s.GetValue(), 20, 3000);
    EXPECT_GE(clock.elapsed(), 395);
    // Once the thumb has passed the mouse point the steps stop; the timer stays.
    s.SetValue(90);
    QTest::qWait(450);
    EXPECT_EQ(s.GetValue(), 90);
    EXPECT_TRUE(s.RepeatTimerRunning());
    Release(&s, right);
    EXPECT_FALSE(s.RepeatTimerRunning());

    rxtest::Click(&s, QPoint(7, 10));  // left of the thumb
    EXPECT_EQ(s.GetValue(), 80);
    rxtest::Click(&s, QPoint(s.Thumb()->x() + 2, 35));  // below the thumb
    EXPECT_EQ(s.GetValue(), 80);
}

TEST(Slider, DraggingTheThumb) {
    TRxSlider s;
    s.resize(200, 40);  // usable 188 - 9 = 179
    s.show();
    s.SetOptions(soShowPoints);  // not smooth
    int changes = 0, ups = 0;
    s.OnChange = [&](QObject*) { ++changes; };
    s.OnThumbUp = [&](QObject*) { ++ups; };
    TSliderThumb* th = s.Thumb();
    Press(th, QPoint(4, 5));
    EXPECT_TRUE(th->GetDown());
    Drag(th, &s, QPoint(110, 5));  // Left 106: 100 / 179 x 100 = 55.9 -> 56 -> 50
    EXPECT_EQ(s.GetValue(), 50);
    EXPECT_EQ(th->x(), SliderValueToPos(50, 0, 100, 179));
    Release(th, QPoint(4, 5));
    EXPECT_FALSE(th->GetDown());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(ups, 1);

    // Smooth: the thumb follows the mouse, the value still steps by 10.
    s.SetOptions(soSmooth);
    Press(th, QPoint(4, 5));
    Drag(th, &s, QPoint(150, 5));
    EXPECT_EQ(th->x(), 146);
    EXPECT_EQ(s.GetValue(), 70);  // 140 / 179 x 100 = 78.2 -> 78 -> 70
    Drag(th, &s, QPoint(900, 5));
    EXPECT_EQ(th->x(), 6 + 179);
    EXPECT_EQ(s.GetValue(), 100);
    Release(th, QPoint(4, 5));
}

TEST(Slider, TooNarrowForItsThumb) {
    TRxSlider s;
    s.resize(5, 40);
    s.show();
    EXPECT_LE(s.UsableLength(), 0);
    s.SetValue(50);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.GetValue(), 60);
    EXPECT_EQ(s.Thumb()->x(), 6);
    rxtest::Click(&s, QPoint(2, 2));
    Press(s.Thumb(), QPoint(1, 1));
    Drag(s.Thumb(), &s, QPoint(30, 1));
    EXPECT_EQ(s.Thumb()->x(), 6);
    s.SetOrientation(soVertical);
    s.grab();  // ticks on a track of no length
}

TEST(Slider, PaintsTrackAndTicks) {
    wtest::THost host(200, 40, clLime);
    TRxSlider s(&host);
    s.resize(200, 40);
    host.show();
    QImage shot = host.Shot();
    EXPECT_EQ(wtest::PixelAt(shot, 100, 9), clLime);   // the ruler's olive is transparent
    EXPECT_EQ(wtest::PixelAt(shot, 100, 12), clGray);  // its channel shows
    // Ticks under the thumb's centre every 10; the end ones a pixel longer.
    const int top = s.PointsRect().Top;
    const int first = 6 + 4, last = 6 + s.UsableLength() + 4, mid = SliderValueToPos(50, 0, 100, 179) + 4;
    EXPECT_EQ(wtest::PixelAt(shot, first, top + 3), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, last, top + 3), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, mid, top + 2), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, mid, top + 3), clLime);

    s.OnDrawPoints = [&](QObject*, QPainter& canvas) { s.DefaultDrawPoints(canvas, 50, 1, 1); };
    shot = host.Shot();
    EXPECT_EQ(wtest::PixelAt(shot, mid, top), clBlack);
    EXPECT_EQ(wtest::PixelAt(shot, mid, top + 1), clLime);
}

TEST(Slider, ADisabledSliderDrawsThumbAndTicksInGrey) {
    wtest::THost host(200, 40, clLime);
    TRxSlider s(&host);
    s.resize(200, 40);
    s.SetValue(50);
    host.show();
    const QImage enabled = host.Shot();
    s.setEnabled(false);
    const QImage disabled = host.Shot();
    // The system's grey text colour, classic scheme.
    const TColor grey = TColor(0x808080);
    ASSERT_EQ(ColorToRGB(clGrayText), uint32_t(grey));

    // The thumb's black outline turns grey; its other pixels stay.
    const QRect thumb = s.Thumb()->geometry();
    int outline = 0;
    for (int y = thumb.top(); y <= thumb.bottom(); ++y)
        for (int x = thumb.left(); x <= thumb.right(); ++x) {
            const TColor was = wtest::PixelAt(enabled, x, y), now = wtest::PixelAt(disabled, x, y);
            if (was == clBlack) {
                ++outline;
                EXPECT_EQ(now, grey) << x << "," << y;
            } else {
                EXPECT_EQ(now, was) << x << "," << y;
            }
        }
    EXPECT_GE(outline, 17);  // the right edge and the tip at least
    // So do the ticks: the end ones and the one under the thumb's centre.
    const int top = s.PointsRect().Top;
    const int first = 6 + 4, last = 6 + s.UsableLength() + 4, mid = SliderValueToPos(50, 0, 100, 179) + 4;
    for (int x : {first, mid, last}) {
        EXPECT_EQ(wtest::PixelAt(enabled, x, top + 2), clBlack) << x;
        EXPECT_EQ(wtest::PixelAt(disabled, x, top + 2), grey) << x;
    }
    EXPECT_EQ(wtest::PixelAt(disabled, mid + 1, top + 2), clLime);
    // The track beside the thumb is the same.
    EXPECT_EQ(wtest::PixelAt(disabled, 40, 12), clGray);
    EXPECT_EQ(wtest::PixelAt(disabled, 40, 10), wtest::PixelAt(enabled, 40, 10));

    // Enabled again, black again.
    s.setEnabled(true);
    EXPECT_EQ(host.Shot(), enabled);
}

TEST(Slider, UserImagesExtraData) {
    TRxSlider s;
    s.SetImageHRuler(NumberedRuler(12, 6));
    s.SetImageVThumb(NumberedRuler(20, 8));
    TMemoryStream m;
    s.WriteUserImages(m);
    ASSERT_EQ(m.Data(), std::vector<uint8_t>{0x06});
    s.SetImageHRuler(QImage());  // back to the built-in ruler
    EXPECT_EQ(s.GetUserImages(), 0x04);

    TRxSlider t;
    m.SetPosition(0);
    t.ReadUserImages(m);
    t.Loaded();
    EXPECT_EQ(t.GetUserImages(), 0x06);
    EXPECT_THROW(t.ReadUserImages(m), EReadError);  // nothing left
}
