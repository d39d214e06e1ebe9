#pragma once

// Waiting in a test: for a condition, never for a fixed time.

#include <QApplication>
#include <QElapsedTimer>

namespace vxtest {

// Runs the event loop until done() holds; false when it did not within limitMillis.
template <typename F> bool waitFor(F done, int limitMillis = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMillis)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace vxtest
