#pragma once

// Lets a window lay itself out and paint; the window manager-less display needs a few
// rounds of the event loop after a change.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

inline void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}
