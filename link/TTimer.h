#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// A timer with the window's semantics: enabling a running timer does not restart it; a new
// interval restarts a running one. Precise, so a 3000 ms time-out fires at 3000 ms.
class TTimer : public QObject {
    Q_OBJECT
public:
    TTimer(const QString& name, int intervalMs, bool enabled, QObject* parent = nullptr);

    bool Enabled() const { return timer.isActive(); }
    void SetEnabled(bool enabled);
    int Interval() const { return interval; }
    void SetInterval(int ms);

    std::function<void()> OnTimer;

private:
    QTimer timer;
    int interval;
};
