#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Lets the program run (timers, sockets, processes) until `done` holds or `ms`
// milliseconds are up, looking again every `stepMs`. False when the time ran out.
inline bool runUntil(const std::function<bool()>& done, int ms, int stepMs = 5) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(stepMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
