#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace morvane::bench {

struct Watched {
    double elapsedMs = 0;      // from `start` until `done` held
    double longestStallMs = 0; // the longest gap between two turns of the event loop meanwhile
};

// Runs `start`, then the event loop until `done` holds, timing how long the loop was kept from turning.
inline Watched watchEventLoop(const std::function<void()>& start, const std::function<bool()>& done) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    QCoreApplication::processEvents();
    const qint64 started = clock.elapsed();
    last = started;
    start();
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    longest = std::max(longest, clock.elapsed() - last);
    return {static_cast<double>(clock.elapsed() - started), static_cast<double>(longest)};
}

} // namespace morvane::bench
