// The workers of a run: threads that take the rows in list order, a chunk at a time, as far as the run has
// opened them, and hand back each row's outcome in list order.
#pragma once

#include "core/platform/platform_fs.h"
#include "core/run/pair_plan.h"
#include "core/run/row_work.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace morvane {

// Hands rows out in list order to the workers, as far as they are open to them, and gives back each row's
// outcome in list order. A worker takes a chunk of rows at once and hands their outcomes back together, so
// that the threads meet once per chunk rather than once per row; and the outcomes wait in a window of rows
// past the last one taken, so that the pool's memory does not grow with the rows.
class WorkerPool {
public:
    // With earlierRows given, a row that holds another row's number there is not read: it names that row's
    // file, and takes its result once the run has it.
    WorkerPool(const Plan& plan, const PathList& files, unsigned workers, const std::atomic<bool>* cancel,
               std::size_t open, const std::vector<std::size_t>* earlierRows = nullptr);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The outcome of row i, waiting for it, after calling beforeWaiting; nothing when the run was cancelled
    // first. Rows are taken in order, each once: the rows ready after it come along, so that the run's
    // thread meets the workers once for many rows.
    std::optional<RowOutcome> take(
        std::size_t i, const std::function<void()>& beforeWaiting = [] {});

    // Lets the workers take the rows before this one.
    void openUpTo(std::size_t end);

    // The most rows a worker takes at once; fewer near the end of the open rows.
    static constexpr std::size_t kChunkRows = 128;
    static constexpr std::size_t kChunksLeftPerWorker = 4;
    static constexpr std::size_t kWindowRows = 8 * kChunkRows;

private:
    bool namesAnEarlierRowsFile(std::size_t i) const { return earlierRows_ && (*earlierRows_)[i] != kNoRow; }
    RowOutcome laterName(std::size_t i) const;
    // The next chunk of rows for a worker, waiting while none is open or the window is full; false when the
    // run has ended.
    bool claim(std::size_t& first, std::size_t& end);
    // Whether the next chunk is open and fits in the window, and where it ends; guarded by mutex_.
    bool claimable() const;
    std::size_t chunkEnd() const;
    void work();
    // Nothing when the run ended before the row could be worked on.
    std::optional<RowOutcome> outcomeOf(std::size_t i, platform::FolderCursor& cursor, std::string& text);
    void handBack(std::size_t first, std::vector<RowOutcome>& outcomes);
    // False when the run ended while waiting.
    bool takeLargeFileTurn();
    void giveLargeFileTurn();

    const Plan& plan_;
    const PathList& files_;
    const std::size_t workers_;
    const std::atomic<bool>* cancel_;
    const std::vector<std::size_t>* earlierRows_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable done_;
    std::condition_variable room_;
    std::vector<RowOutcome> window_;  // row i at i % kWindowRows; guarded by mutex_
    std::vector<char> ready_;         // the same; guarded by mutex_
    std::size_t next_ = 0;            // the first row not handed out; guarded by mutex_
    std::size_t taken_ = 0;           // the rows the run's thread has taken; guarded by mutex_
    std::size_t open_;                // guarded by mutex_
    std::size_t idleWorkers_ = 0;     // waiting for rows to open or room in the window; guarded by mutex_
    std::size_t waitingFor_ = kNoRow; // the row the run's thread waits for; guarded by mutex_
    bool largeFileTaken_ = false;     // guarded by mutex_
    std::condition_variable largeFileFree_;
    // Rows taken and not yet handed to the run; the run's thread's own.
    std::vector<RowOutcome> ahead_;
    std::size_t aheadNext_ = 0;
    // For a pool without threads, whose rows are worked on as they are taken.
    platform::FolderCursor cursor_;
    std::string text_;
    std::vector<std::thread> threads_;
};

} // namespace morvane
