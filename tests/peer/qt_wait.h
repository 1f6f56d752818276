// Runs the event loop until a condition holds or the time is up.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace vantor::peer::testing {

inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::usleep(200);
    }
    return true;
}

inline void spin(int ms) {
    waitUntil([] { return false; }, ms);
}

} // namespace vantor::peer::testing
