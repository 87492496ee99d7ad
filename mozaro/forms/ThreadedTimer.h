#pragma once
// TThreadedTimer: the debounce timer of the seed edit. Its ticks run OnTimer
// on the GUI thread; it ticks only while Enabled, Interval > 0 and OnTimer is
// assigned. Disabling pauses the interval under way and enabling continues
// it (ticking at once when its time has passed) instead of starting a new
// one: a timer that is disabled and enabled again on every key still ticks
// while the user types. After a tick the next interval starts when the
// handler returns, or on the next enabling when the handler disabled it.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>

#include "platform/Controls.h"
#include "widgets/kv_timer.h"

class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    explicit TThreadedTimer(QObject* owner = nullptr);
    ~TThreadedTimer() override;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Milliseconds; a change takes effect from the next interval on.
    uint16_t GetInterval() const { return FInterval; }
    void SetInterval(uint16_t value);
    // Kept for the forms that set it; ticks are timed on the GUI thread.
    TThreadPriority GetThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(TThreadPriority value) { FThreadPriority = value; }
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);

    // True while a tick is scheduled.
    bool IsRunning() const { return FTimer.isActive(); }
    // Milliseconds left of the interval under way (also while paused); -1
    // when no interval is under way.
    int64_t RemainingTime() const;

protected:
    // One tick: calls OnTimer when assigned.
    virtual void Timer();

private:
    bool CanRun() const { return FInterval != 0 && FEnabled && FOnTimer; }
    void UpdateTimer();
    void Tick();

    bool FEnabled = true;
    uint16_t FInterval = 1000;
    TThreadPriority FThreadPriority = tpNormal;
    TNotifyEvent FOnTimer;
    QTimer FTimer;
    QElapsedTimer FClock;
    // The end of the interval under way on FClock; -1: none (the next
    // resumption starts one).
    int64_t FDeadline = -1;
};
