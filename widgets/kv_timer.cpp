#include "widgets/kv_timer.h"

TKV_Timer::TKV_Timer(QObject* owner) : QObject(owner) {
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TKV_Timer::Tick);
}

TKV_Timer::~TKV_Timer() {
    FEnabled = false;
    FTimer.stop();
}

void TKV_Timer::SetEnabled(bool value) {
    if (ChangeField(FEnabled, value)) UpdateTimer();
}

void TKV_Timer::SetInterval(uint32_t value) {
    if (ChangeField(FInterval, value)) UpdateTimer();
}

void TKV_Timer::SetOnTimer(TNotifyEvent handler) {
    FOnTimer = std::move(handler);
    UpdateTimer();
}

void TKV_Timer::UpdateTimer() {
    FTimer.stop();
    if (FInterval == 0 || !FEnabled || !FOnTimer) return;
    // QTimer takes an int; longer intervals than 24 days are clamped.
    FTimer.start(static_cast<int>(std::min<uint32_t>(FInterval, 0x7FFFFFFF)));
}

void TKV_Timer::Tick() {
    Timer();
    // The handler may have stopped or restarted the timer; only an untouched
    // one is re-armed.
    if (!FTimer.isActive() && FInterval != 0 && FEnabled && FOnTimer)
        FTimer.start(static_cast<int>(std::min<uint32_t>(FInterval, 0x7FFFFFFF)));
}

void TKV_Timer::Timer() {
    if (FEnabled && FOnTimer) FOnTimer(this);
}
