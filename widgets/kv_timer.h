#pragma once
// TKV_Timer: a timer whose ticks run OnTimer on the GUI thread. It runs only
// while Enabled, Interval > 0 and OnTimer is assigned; each change of those
// re-evaluates. The next interval is measured from the end of a tick, so a
// slow handler never makes ticks pile up.
#include <QObject>
#include <QTimer>
#include <cstdint>

#include "platform/Controls.h"

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TKV_Timer : public QObject {
    Q_OBJECT
public:
    explicit TKV_Timer(QObject* owner = nullptr);
    ~TKV_Timer() override;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t GetInterval() const { return FInterval; }
    void SetInterval(uint32_t value);
    // Kept for the forms that set it; ticks are timed on the GUI thread.
    TThreadPriority GetThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(TThreadPriority value) { FThreadPriority = value; }
    // Assigning (or clearing) the handler re-evaluates whether the timer runs.
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);

    // True while a tick is scheduled.
    bool IsRunning() const { return FTimer.isActive(); }

protected:
    // One tick: calls OnTimer when Enabled and assigned.
    virtual void Timer();

private:
    void UpdateTimer();
    void Tick();

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TThreadPriority FThreadPriority = tpNormal;
    TNotifyEvent FOnTimer;
    QTimer FTimer;
};
