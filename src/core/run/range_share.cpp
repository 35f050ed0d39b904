#include "core/run/range_share.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
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
    while (beforePair_ && next_ < pairs_ &&
           next_ * static_cast<double>(bytes_) <= done * static_cast<double>(pairs_)) {
        beforePair_(next_++);
    }
}

std::optional<PairsOutcome> passInPieces(std::string& text, const RangeCuts& cuts, std::size_t rangeBytes,
                                         unsigned helpers, bool textWanted, const PairsPass& pass,
                                         PairProgress& progress) {
    const std::vector<std::size_t> ends = rangeEnds(text, cuts, rangeBytes);
    if (ends.size() < 2) {
        return std::nullopt;
    }
    struct Piece {
        PairsOutcome outcome;
        std::optional<std::string> changed; // what the pairs left, where it is wanted and they changed it
    };
    std::vector<Piece> pieces(ends.size());
    std::atomic<std::uint64_t> done{0};
    const BeforePair unseen; // the bar follows the bytes done, not each piece's pairs
    shareRanges(ends.size(), helpers, [&](std::size_t i, unsigned thread) {
        const std::size_t start = i == 0 ? 0 : ends[i - 1];
        std::string piece = text.substr(start, ends[i] - start);
        Piece& result = pieces[i];
        result.outcome = pass(piece, unseen);
        if (result.outcome.cancelled) {
            return false;
        }
        if (textWanted && result.outcome.changed) {
            result.changed = std::move(piece);
        }
        done += ends[i] - start;
        if (thread == 0) {
            progress.reached(done);
        }
        return true;
    });
    PairsOutcome passed;
    std::size_t size = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const PairsOutcome& outcome = pieces[i].outcome;
        passed.count += outcome.count;
        passed.applied = passed.applied || outcome.applied;
        passed.changed = passed.changed || outcome.changed;
        passed.cancelled = passed.cancelled || outcome.cancelled;
        size += pieces[i].changed ? pieces[i].changed->size() : ends[i] - (i == 0 ? 0 : ends[i - 1]);
    }
    if (passed.cancelled) {
        return passed;
    }
    if (textWanted && passed.changed) {
        std::string joined;
        joined.reserve(size);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::size_t start = i == 0 ? 0 : ends[i - 1];
            if (pieces[i].changed) {
                joined.append(*pieces[i].changed);
            } else {
                joined.append(text, start, ends[i] - start);
            }
        }
        text.swap(joined);
    }
    progress.reached(ends.back());
    return passed;
}

PairsOutcome passWholeText(const Plan& plan, std::string& text, bool textWanted, const BeforePair& beforePair,
                           const PairsPass& pass) {
    constexpr std::size_t kBlocksPerPiece = 4;
    const std::size_t rangeBytes = kBlocksPerPiece * std::max<std::size_t>(plan.request.streamBlockBytes, 1);
    // With more rows than this one, the workers already keep every core busy, one row each.
    const bool onlyRow = plan.request.files.size() == 1;
    if (plan.contents() && onlyRow && text.size() >= 2 * rangeBytes) {
        const RangeCuts cuts(plan.finds, plan.replaces, plan.request.options);
        if (const unsigned helpers = rangeHelpers(plan.request); helpers && cuts.usable()) {
            PairProgress progress(plan.finds.size(), text.size(), beforePair);
            if (std::optional<PairsOutcome> passed =
                    passInPieces(text, cuts, rangeBytes, helpers, textWanted, pass, progress)) {
                return *passed;
            }
        }
    }
    return pass(text, beforePair);
}

} // namespace morvane
