#pragma once

#include "core/platform/platform_fs.h"
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

// Hears a write's journal and passes it on to `next` when there is one, killing its own process at the moment
// chosen: on the `atWrite`th folder written in (the files of the batch prepared before it have their
// temporary names beside them), at the `atStep`th step of a rewrite in place, or, with `atEnd`, once a
// rewrite has ended and before the run hears what it left.
struct KillingWriteJournal : platform::WriteJournal {
    struct When {
        std::size_t atWrite = 0; // 0: never
        int atStep = 0;          // 0: never
        bool atEnd = false;
    };
    When when;
    platform::WriteJournal* next;
    std::size_t writes = 0;
    int steps = 0;

    explicit KillingWriteJournal(When when_, platform::WriteJournal* next_ = nullptr)
        : when(when_), next(next_) {}

    void writingIn(const std::string& folder) override {
        if (next) {
            next->writingIn(folder);
        }
        killIf(++writes == when.atWrite);
    }
    std::string rewriteStarting(const platform::InPlaceRewrite& rewrite) override {
        return next ? next->rewriteStarting(rewrite) : std::string();
    }
    void rewriteGoingOn() override {
        if (next) {
            next->rewriteGoingOn();
        }
        killIf(++steps == when.atStep);
    }
    void rewriteEnded(const platform::InPlaceRewrite& rewrite) override {
        if (next) {
            next->rewriteEnded(rewrite);
        }
        killIf(when.atEnd);
    }
    static void killIf(bool now) {
        if (now) {
            ::raise(SIGKILL);
        }
    }
};

} // namespace morvane::testing
