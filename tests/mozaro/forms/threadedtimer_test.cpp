#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "mozaro/forms/ThreadedTimer.h"

TEST(ThreadedTimer, StartValues) {
    TThreadedTimer timer;
    EXPECT_TRUE(timer.GetEnabled());
    EXPECT_EQ(timer.GetInterval(), 1000);
    EXPECT_EQ(timer.GetThreadPriority(), tpNormal);
    timer.SetThreadPriority(tpIdle);
    EXPECT_EQ(timer.GetThreadPriority(), tpIdle);
    EXPECT_FALSE(timer.IsRunning());  // no handler
    EXPECT_EQ(timer.RemainingTime(), -1);
}

TEST(ThreadedTimer, TicksOnlyWithIntervalHandlerAndEnabled) {
    int ticks = 0;
    {
        // Interval 0: never, whatever Enabled says.
        TThreadedTimer timer;
        timer.SetInterval(0);
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        EXPECT_FALSE(timer.IsRunning());
        timer.SetEnabled(false);
        timer.SetEnabled(true);
        EXPECT_FALSE(timer.IsRunning());
    }
    {
        // No handler: never.
        TThreadedTimer timer;
        timer.SetInterval(5);
        timer.SetEnabled(false);
        timer.SetEnabled(true);
        EXPECT_FALSE(timer.IsRunning());
    }
    QTest::qWait(40);
    EXPECT_EQ(ticks, 0);

    TThreadedTimer timer;
    timer.SetInterval(5);
    timer.SetOnTimer([&](QObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 3000));
    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(40);
    EXPECT_EQ(ticks, stopped);
    // Clearing the handler stops it too.
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.IsRunning());
    timer.SetOnTimer(nullptr);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(ThreadedTimer, EnablingAgainContinuesTheInterval) {
    TThreadedTimer timer;
    timer.SetEnabled(false);
    timer.SetInterval(100);
    qint64 tickedAt = -1;
    QElapsedTimer clock;
    timer.SetOnTimer([&](QObject*) {
        if (tickedAt < 0) tickedAt = clock.elapsed();
        timer.SetEnabled(false);
    });
    clock.start();
    timer.SetEnabled(true);
    while (clock.elapsed() < 30) QTest::qWait(1);
    const qint64 toggledAt = clock.elapsed();
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.IsRunning());
    timer.SetEnabled(true);
    // The interval under way goes on: what is left of it, not a new one.
    EXPECT_LE(timer.RemainingTime(), 100 - toggledAt + 1);
    EXPECT_GE(timer.RemainingTime(), 100 - toggledAt - 10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tickedAt >= 0; }, 3000));
    EXPECT_GE(tickedAt, 99);
    EXPECT_LT(tickedAt, 100 + toggledAt);  // a restarted interval would end at 130 or later

    // Paused past its end: ticks at once when enabled.
    tickedAt = -1;
    timer.SetEnabled(true);  // the handler disabled it: a new interval starts now
    EXPECT_GE(timer.RemainingTime(), 90);
    clock.restart();
    timer.SetEnabled(false);
    QTest::qWait(150);
    EXPECT_EQ(tickedAt, -1);
    EXPECT_EQ(timer.RemainingTime(), 0);
    clock.restart();
    timer.SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tickedAt >= 0; }, 3000));
    EXPECT_LT(tickedAt, 60);
}

TEST(ThreadedTimer, KeepsTickingWhileRestartedOnEveryKey) {
    // The seed edit disables and enables the timer on every key; the timer
    // must still tick while the user types.
    TThreadedTimer timer;
    timer.SetEnabled(false);
    timer.SetInterval(60);
    int ticks = 0;
    timer.SetOnTimer([&](QObject*) { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) {
        timer.SetEnabled(false);
        timer.SetEnabled(true);
        QTest::qWait(15);
    }
    EXPECT_GE(ticks, 2);
}

TEST(ThreadedTimer, IntervalChangeAppliesToTheNextInterval) {
    TThreadedTimer timer;
    timer.SetInterval(100);
    int ticks = 0;
    timer.SetOnTimer([&](QObject*) { ++ticks; });
    const int64_t before = timer.RemainingTime();
    timer.SetInterval(5000);
    EXPECT_LE(timer.RemainingTime(), before);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks == 1; }, 3000));
    EXPECT_GT(timer.RemainingTime(), 4000);
    // Destroying a running timer is safe.
}
