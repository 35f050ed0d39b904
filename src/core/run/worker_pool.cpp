// The worker pool: its threads take rows in list order as the run opens them; the run's thread waits for
// each row's outcome in turn, woken only when enough rows are ready.
#include "core/run/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace morvane {

WorkerPool::WorkerPool(const Plan& plan, const std::vector<std::string>& files, unsigned workers,
                       const std::atomic<bool>* cancel, std::size_t open,
                       const std::vector<std::size_t>* earlierRows)
    : plan_(plan), files_(files), cancel_(cancel), earlierRows_(earlierRows), outcomes_(files.size()),
      ready_(files.size(), false), open_(open) {
    try {
        for (unsigned w = 0; w < workers; ++w) {
            threads_.emplace_back([this] { work(); });
        }
    } catch (const std::system_error&) {
        // Fewer threads than asked for still finish the run; with none, the caller's thread does the
        // work.
    }
}

WorkerPool::~WorkerPool() {
    stop_ = true;
    opened_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

std::optional<RowOutcome> WorkerPool::take(std::size_t i) {
    if (threads_.empty()) {
        if (namesAnEarlierRowsFile(i)) {
            return laterName(i);
        }
        std::string text;
        return processRow(plan_, i, files_[i], platform::pathStatus(files_[i]), text, cancel_,
                          [](std::size_t) {});
    }
    std::unique_lock lock(mutex_);
    // The cancel flag is set from outside without notifying, so look at it now and then.
    while (!ready_[i]) {
        if (isCancelled(cancel_)) {
            waitingFor_ = kNoRow;
            return std::nullopt;
        }
        waitingFor_ = i;
        done_.wait_for(lock, std::chrono::milliseconds(20));
    }
    waitingFor_ = kNoRow;
    return std::move(outcomes_[i]);
}

void WorkerPool::openUpTo(std::size_t end) {
    {
        std::lock_guard lock(mutex_);
        open_ = end;
    }
    opened_.notify_all();
}

RowOutcome WorkerPool::laterName(std::size_t i) const {
    RowOutcome outcome;
    outcome.row.path = files_[i];
    outcome.complete = true;
    return outcome;
}

bool WorkerPool::waitUntilOpen(std::size_t i) {
    std::unique_lock lock(mutex_);
    while (i >= open_) {
        if (stop_ || isCancelled(cancel_)) {
            return false;
        }
        opened_.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

void WorkerPool::work() {
    std::string text;
    for (;;) {
        const std::size_t i = next_.fetch_add(1);
        if (i >= files_.size() || stop_ || isCancelled(cancel_) || !waitUntilOpen(i)) {
            break;
        }
        if (namesAnEarlierRowsFile(i)) {
            hand(i, laterName(i));
            continue;
        }
        const platform::PathStatus status = platform::pathStatus(files_[i]);
        const bool large = plan_.contents() && isLargeFile(status);
        if (large && !takeLargeFileTurn()) {
            break;
        }
        RowOutcome outcome = processRow(plan_, i, files_[i], status, text, cancel_, [](std::size_t) {});
        releaseIfLarge(text);
        if (large) {
            giveLargeFileTurn();
        }
        hand(i, std::move(outcome));
    }
    done_.notify_all();
}

void WorkerPool::hand(std::size_t i, RowOutcome outcome) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        outcomes_[i] = std::move(outcome);
        ready_[i] = true;
        wake = worthWaking();
    }
    if (wake) {
        done_.notify_all();
    }
}

// Whether the run's thread, waiting for a row, has enough rows ready to be woken: a few in a row from
// the one it waits for, or all that are open. Woken for each row, it would cost as much as reading one
// of many small files. Guarded by mutex_.
bool WorkerPool::worthWaking() const {
    if (waitingFor_ == kNoRow) {
        return false;
    }
    const std::size_t limit = std::min(open_, files_.size());
    std::size_t row = waitingFor_;
    while (row < limit && row < waitingFor_ + kRowsPerWake && ready_[row]) {
        ++row;
    }
    return row == waitingFor_ + kRowsPerWake || row >= limit;
}

bool WorkerPool::takeLargeFileTurn() {
    std::unique_lock lock(mutex_);
    while (largeFileTaken_) {
        if (stop_ || isCancelled(cancel_)) {
            return false;
        }
        largeFileFree_.wait_for(lock, std::chrono::milliseconds(20));
    }
    largeFileTaken_ = true;
    return true;
}

void WorkerPool::giveLargeFileTurn() {
    {
        std::lock_guard lock(mutex_);
        largeFileTaken_ = false;
    }
    largeFileFree_.notify_one();
}

} // namespace morvane
