// The workers of a run: threads that take the rows in list order, as far as the run has opened them, and
// hand back each row's outcome in list order.
#pragma once

#include "core/run/pair_plan.h"
#include "core/run/row_work.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace morvane {

// Hands rows out in list order to the workers, as far as they are open to them, and gives back each row's
// outcome in list order.
class WorkerPool {
public:
    // With earlierRows given, a row that holds another row's number there is not read: it names that row's
    // file, and takes its result once the run has it.
    WorkerPool(const Plan& plan, const std::vector<std::string>& files, unsigned workers,
               const std::atomic<bool>* cancel, std::size_t open,
               const std::vector<std::size_t>* earlierRows = nullptr);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The outcome of row i, waiting for it; nothing when the run was cancelled first.
    std::optional<RowOutcome> take(std::size_t i);

    // Lets the workers take the rows before this one.
    void openUpTo(std::size_t end);

private:
    bool namesAnEarlierRowsFile(std::size_t i) const { return earlierRows_ && (*earlierRows_)[i] != kNoRow; }
    RowOutcome laterName(std::size_t i) const;
    // False when the run ended while waiting.
    bool waitUntilOpen(std::size_t i);
    void work();
    void hand(std::size_t i, RowOutcome outcome);
    bool worthWaking() const;
    // False when the run ended while waiting.
    bool takeLargeFileTurn();
    void giveLargeFileTurn();

    const Plan& plan_;
    const std::vector<std::string>& files_;
    const std::atomic<bool>* cancel_;
    const std::vector<std::size_t>* earlierRows_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<RowOutcome> outcomes_; // guarded by mutex_
    std::vector<bool> ready_;          // guarded by mutex_
    bool largeFileTaken_ = false;      // guarded by mutex_
    std::size_t open_;                 // guarded by mutex_
    static constexpr std::size_t kRowsPerWake = 16;
    std::size_t waitingFor_ = kNoRow; // the row the run's thread waits for; guarded by mutex_
    std::condition_variable opened_;
    std::condition_variable largeFileFree_;
    std::vector<std::thread> threads_;
};

} // namespace morvane
