#pragma once

#include "core/run/run.h"

#include <csignal>
#include <cstddef>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane::testing {

// Runs the steps in a child process that they end with a kill, as a kill from outside or a power cut would;
// true when the child was killed, false when it ended by itself or could not be started.
inline bool killedInChild(const std::function<void()>& steps) {
    const pid_t child = ::fork();
    if (child == 0) {
        steps();
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
}

// Kills its own process once the run has done this many rows.
struct KilledAfterRows : RunObserver {
    std::size_t rows;
    explicit KilledAfterRows(std::size_t rows_) : rows(rows_) {}
    void rowDone(std::size_t row, const RowResult&, std::int64_t, std::optional<StatusKind>) override {
        if (row + 1 == rows) {
            ::raise(SIGKILL);
        }
    }
};

} // namespace morvane::testing
