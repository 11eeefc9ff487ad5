#include "link/TTimer.h"

TTimer::TTimer(const QString& name, int intervalMs, bool enabled, QObject* parent)
    : QObject(parent), interval(intervalMs) {
    setObjectName(name);
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(interval);
    connect(&timer, &QTimer::timeout, this, [this] {
        if (OnTimer)
            OnTimer();
    });
    if (enabled)
        timer.start();
}

void TTimer::SetEnabled(bool enabled) {
    if (!enabled)
        timer.stop();
    else if (!timer.isActive())
        timer.start(interval);
}

void TTimer::SetInterval(int ms) {
    if (ms == interval)
        return;
    interval = ms;
    timer.setInterval(ms); // restarts a running timer with the new interval
}
