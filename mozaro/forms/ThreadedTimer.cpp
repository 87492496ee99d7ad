#include "mozaro/forms/ThreadedTimer.h"

#include <algorithm>

TThreadedTimer::TThreadedTimer(QObject* owner) : QObject(owner) {
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TThreadedTimer::Tick);
    FClock.start();
}

TThreadedTimer::~TThreadedTimer() {
    FEnabled = false;
    FTimer.stop();
}

void TThreadedTimer::SetEnabled(bool value) {
    if (ChangeField(FEnabled, value)) UpdateTimer();
}

void TThreadedTimer::SetInterval(uint16_t value) {
    if (ChangeField(FInterval, value)) UpdateTimer();
}

void TThreadedTimer::SetOnTimer(TNotifyEvent handler) {
    FOnTimer = std::move(handler);
    UpdateTimer();
}

int64_t TThreadedTimer::RemainingTime() const {
    if (FDeadline < 0) return -1;
    return std::max<int64_t>(0, FDeadline - FClock.elapsed());
}

void TThreadedTimer::UpdateTimer() {
    if (!CanRun()) {
        // Paused: the interval under way keeps its end.
        FTimer.stop();
        return;
    }
    if (FTimer.isActive()) return;
    const int64_t now = FClock.elapsed();
    if (FDeadline < 0) FDeadline = now + FInterval;
    FTimer.start(static_cast<int>(std::max<int64_t>(0, FDeadline - now)));
}

void TThreadedTimer::Tick() {
    FDeadline = -1;
    Timer();
    // A handler that disabled the timer leaves the next interval to the next
    // enabling; one that re-enabled it has started it already.
    if (CanRun() && !FTimer.isActive()) {
        FDeadline = FClock.elapsed() + FInterval;
        FTimer.start(FInterval);
    }
}

void TThreadedTimer::Timer() {
    if (FOnTimer) FOnTimer(this);
}
