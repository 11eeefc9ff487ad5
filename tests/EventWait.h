#pragma once

// Waiting in tests that run an event loop: the link's and the window's timers and serial
// notifications are handled while the test waits.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <functional>

// Processes events until `done` holds or `ms` pass.
inline bool WaitForEvents(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}
