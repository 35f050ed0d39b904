// The worker pool: its threads take chunks of rows in list order as the run opens them; the run's thread
// takes each row's outcome in turn, and the threads wake each other only when one of them has to wait.
#include "core/run/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace morvane {

namespace {

// The cancel flag is set from outside without notifying, so a wait looks at it now and then.
constexpr std::chrono::milliseconds kCancelLook{20};

} // namespace

WorkerPool::WorkerPool(const Plan& plan, const PathList& files, unsigned workers,
                       const std::atomic<bool>* cancel, std::size_t open,
                       const std::vector<std::size_t>* earlierRows)
    : plan_(plan), files_(files), workers_(std::max(workers, 1u)), cancel_(cancel), earlierRows_(earlierRows),
      window_(std::clamp<std::size_t>(files.size(), 1, kWindowRows)), ready_(window_.size(), 0), open_(open) {
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
    room_.notify_all();
    largeFileFree_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

std::optional<RowOutcome> WorkerPool::take(std::size_t i, const std::function<void()>& beforeWaiting) {
    if (threads_.empty()) {
        if (namesAnEarlierRowsFile(i)) {
            return laterName(i);
        }
        platform::RowFile file = lookAtRow(plan_, files_, i, cursor_);
        RowOutcome outcome = processRow(plan_, i, files_[i], file, text_, cancel_, {});
        releaseIfLarge(text_);
        return outcome;
    }
    if (aheadNext_ < ahead_.size()) {
        return std::move(ahead_[aheadNext_++]);
    }
    ahead_.clear();
    aheadNext_ = 0;
    const std::size_t slot = i % window_.size();
    std::unique_lock lock(mutex_);
    if (!ready_[slot]) {
        lock.unlock();
        beforeWaiting();
        lock.lock();
    }
    while (!ready_[slot]) {
        if (isCancelled(cancel_)) {
            waitingFor_ = kNoRow;
            return std::nullopt;
        }
        waitingFor_ = i;
        done_.wait_for(lock, kCancelLook);
    }
    waitingFor_ = kNoRow;
    // The rows ready from this one on are taken at once, up to a chunk's worth.
    const std::size_t end = std::min(i + kChunkRows, files_.size());
    for (std::size_t row = i; row < end && ready_[row % window_.size()]; ++row) {
        const std::size_t at = row % window_.size();
        ahead_.push_back(std::move(window_[at]));
        window_[at] = RowOutcome{};
        ready_[at] = 0;
    }
    taken_ = i + ahead_.size();
    const bool wake = idleWorkers_ > 0 && claimable();
    lock.unlock();
    if (wake) {
        room_.notify_all();
    }
    return std::move(ahead_[aheadNext_++]);
}

void WorkerPool::openUpTo(std::size_t end) {
    {
        std::lock_guard lock(mutex_);
        open_ = end;
    }
    room_.notify_all();
}

RowOutcome WorkerPool::laterName(std::size_t i) const {
    RowOutcome outcome;
    outcome.row.path = files_[i];
    outcome.complete = true;
    return outcome;
}

bool WorkerPool::claim(std::size_t& first, std::size_t& end) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stop_ || isCancelled(cancel_) || next_ >= files_.size()) {
            return false;
        }
        if (claimable()) {
            first = next_;
            end = chunkEnd();
            next_ = end;
            return true;
        }
        ++idleWorkers_;
        room_.wait_for(lock, kCancelLook);
        --idleWorkers_;
    }
}

std::size_t WorkerPool::chunkEnd() const {
    // Chunks shrink as the rows left run out, so that a short list, or the end of a long one, is shared
    // between the workers instead of falling to the first of them.
    const std::size_t openEnd = std::min(open_, files_.size());
    const std::size_t left = openEnd > next_ ? openEnd - next_ : 0;
    const std::size_t rows = std::clamp<std::size_t>(left / (kChunksLeftPerWorker * workers_), 1, kChunkRows);
    return std::min(next_ + rows, openEnd);
}

bool WorkerPool::claimable() const {
    return next_ < std::min(open_, files_.size()) && chunkEnd() <= taken_ + window_.size();
}

void WorkerPool::work() {
    std::string text;
    platform::FolderCursor cursor;
    std::vector<RowOutcome> outcomes;
    outcomes.reserve(kChunkRows);
    std::size_t first = 0;
    std::size_t end = 0;
    while (claim(first, end)) {
        for (std::size_t i = first; i < end; ++i) {
            std::optional<RowOutcome> outcome = outcomeOf(i, cursor, text);
            if (!outcome) {
                break;
            }
            outcomes.push_back(std::move(*outcome));
        }
        const bool cut = first + outcomes.size() < end;
        handBack(first, outcomes);
        if (cut) {
            break;
        }
    }
    done_.notify_all();
}

std::optional<RowOutcome> WorkerPool::outcomeOf(std::size_t i, platform::FolderCursor& cursor,
                                                std::string& text) {
    if (namesAnEarlierRowsFile(i)) {
        return laterName(i);
    }
    platform::RowFile file = lookAtRow(plan_, files_, i, cursor);
    const bool large = plan_.contents() && isLargeFile(file.status());
    if (large && !takeLargeFileTurn()) {
        return std::nullopt;
    }
    RowOutcome outcome = processRow(plan_, i, files_[i], file, text, cancel_, {});
    releaseIfLarge(text);
    if (large) {
        giveLargeFileTurn();
    }
    return outcome;
}

void WorkerPool::handBack(std::size_t first, std::vector<RowOutcome>& outcomes) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t k = 0; k < outcomes.size(); ++k) {
            const std::size_t slot = (first + k) % window_.size();
            window_[slot] = std::move(outcomes[k]);
            ready_[slot] = 1;
        }
        wake = waitingFor_ != kNoRow && waitingFor_ >= first && waitingFor_ < first + outcomes.size();
    }
    outcomes.clear();
    if (wake) {
        done_.notify_all();
    }
}

bool WorkerPool::takeLargeFileTurn() {
    std::unique_lock lock(mutex_);
    while (largeFileTaken_) {
        if (stop_ || isCancelled(cancel_)) {
            return false;
        }
        largeFileFree_.wait_for(lock, kCancelLook);
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
