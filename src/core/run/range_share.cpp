#include "core/run/range_share.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace morvane {

namespace {

// What the threads sharing the ranges have in common.
class RangeDealer {
public:
    RangeDealer(std::size_t count, const RangeWork& work) : count_(count), work_(work) {}

    // Takes ranges until none is left or the work is stopped.
    void workOn(unsigned thread) {
        try {
            for (std::size_t range = next_++; range < count_; range = next_++) {
                if (!work_(range, thread)) {
                    next_ = count_;
                }
            }
        } catch (...) {
            next_ = count_;
            std::lock_guard lock(mutex_);
            if (!thrown_) {
                thrown_ = std::current_exception();
            }
        }
    }

    void rethrow() {
        if (thrown_) {
            std::rethrow_exception(thrown_);
        }
    }

private:
    std::size_t count_;
    const RangeWork& work_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::exception_ptr thrown_; // guarded by mutex_ until every thread is joined
};

} // namespace

unsigned rangeHelpers(const RunRequest& request) {
    const unsigned threads = request.workers ? request.workers : std::thread::hardware_concurrency();
    return std::max(threads, 1u) - 1;
}

void shareRanges(std::size_t count, unsigned helpers, const RangeWork& work) {
    RangeDealer dealer(count, work);
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < helpers && i + 1 < count; ++i) {
        try {
            threads.emplace_back([&dealer, i] { dealer.workOn(i + 1); });
        } catch (const std::system_error&) {
            break; // the threads there are take every range
        }
    }
    dealer.workOn(0);
    for (std::thread& thread : threads) {
        thread.join();
    }
    dealer.rethrow();
}

void PairProgress::reached(std::uint64_t done) {
    while (next_ < pairs_ && next_ * static_cast<double>(bytes_) <= done * static_cast<double>(pairs_)) {
        beforePair_(next_++);
    }
}

} // namespace morvane
