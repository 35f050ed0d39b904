#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace morvane::testing {

// Turns the event loop until the condition holds or five seconds have passed; returns the condition.
template <class Condition> bool waitUntil(Condition condition) {
    QDeadlineTimer deadline(5000);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return condition();
}

} // namespace morvane::testing
