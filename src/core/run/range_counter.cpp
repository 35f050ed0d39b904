#include "core/run/range_counter.h"

#include "core/run/pair_plan.h"
#include "core/run/range_share.h"
#include "core/run/run_texts.h"
#include "core/text/stream_chain.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace morvane {

namespace {

// A simulate run's count of a streamed file cut into ranges (see range_cuts.h), each range counted by a chain
// of its own on whichever thread is free, which reads it for itself. The ranges are measured from the end
// of a UTF-8 mark, which the pairs never see.
class RangeCounter {
public:
    RangeCounter(const Plan& plan, const RangeCuts& cuts, const std::string& path,
                 const platform::FileIdentity& readAs, std::uint64_t textStart,
                 const std::atomic<bool>* cancel)
        : plan_(plan), cuts_(cuts), path_(path), readAs_(readAs), textStart_(textStart), cancel_(cancel),
          rangeBytes_(kBlocksPerRange * blockBytes()) {}

    // The count of every range, or the reason a read failed; nothing when the run was cancelled.
    std::optional<std::int64_t> count(unsigned helpers, PairProgress& progress, std::string& error) {
        const std::uint64_t textBytes = readAs_.size - std::min(readAs_.size, textStart_);
        std::vector<Reading> readings(helpers + 1);
        std::atomic<std::int64_t> total{0};
        std::atomic<std::uint64_t> done{0};
        std::atomic<bool> cancelled{false};
        std::mutex failed;
        shareRanges((textBytes + rangeBytes_ - 1) / rangeBytes_, helpers,
                    [&](std::size_t range, unsigned thread) {
                        std::string reason;
                        if (!countRange(range, readings[thread], total, reason)) {
                            std::lock_guard lock(failed);
                            cancelled = reason.empty();
                            error = error.empty() ? reason : error;
                            return false;
                        }
                        done += rangeBytes_;
                        if (thread == 0) {
                            progress.reached(done);
                        }
                        return true;
                    });
        if (cancelled || !error.empty()) {
            return std::nullopt;
        }
        return total.load();
    }

private:
    // Past a range's share, its bytes up to a cut byte are read in pieces of this size at most.
    static constexpr std::size_t kLookPastBytes = std::size_t{64} << 10;
    static constexpr std::size_t kBlocksPerRange = 16;
    static constexpr std::size_t kHeldTextBytes = std::size_t{256} << 10;
    // One thread's reader, which moves on from range to range and opens the file again only to go back.
    struct Reading {
        std::optional<platform::FileReader> reader;
        std::uint64_t offset = 0;
        std::string block;
    };

    std::size_t blockBytes() const { return std::max<std::size_t>(plan_.request.streamBlockBytes, 1); }

    std::string moveTo(Reading& reading, std::uint64_t position) const {
        if (!reading.reader || position < reading.offset) {
            platform::FileIdentity opened;
            reading.reader.emplace();
            reading.offset = 0;
            if (std::string reason = reading.reader->open(path_, &opened); !reason.empty()) {
                reading.reader.reset();
                return reason;
            }
            // Another file now under the name would give another text.
            if (!platform::sameFile(opened, readAs_)) {
                reading.reader.reset();
                return "it changed while it was read";
            }
            reading.block.resize(blockBytes());
        }
        reading.reader->skip(position - reading.offset);
        reading.offset = position;
        return {};
    }

    // Range r takes the text from the first place at or after its share's start where the text may be cut
    // to the first such place at or after the next share's start: what lies between is counted once, by the
    // range that starts before it. False when cancelled (no reason) or when a read failed.
    bool countRange(std::size_t range, Reading& reading, std::atomic<std::int64_t>& total,
                    std::string& reason) const {
        const std::uint64_t from = textStart_ + range * rangeBytes_;
        const std::uint64_t to = std::min<std::uint64_t>(readAs_.size, from + rangeBytes_);
        // The bytes before `to - 1` are this range's wherever it starts; from there on, up to the first cut
        // byte.
        const std::uint64_t own = to - 1;
        std::uint64_t position = range == 0 ? from : from - 1;
        bool started = range == 0;
        DiscardingSink nobody;
        StreamChain chain(plan_.finds, plan_.replaces, true);
        // With many plain pairs, the range's text is held and scanned once for all of them rather than passed
        // through a stage for each. It is scanned in parts of about kHeldTextBytes, each ending after a byte
        // no find contains, so that a thread holds little more than a block; text that runs on past the
        // range's share and the look past it for want of such a byte goes through the stages after all.
        const std::size_t mostRangeTextBytes = rangeBytes_ + kLookPastBytes;
        bool oneScan = plan_.literalScan.has_value();
        thread_local std::string rangeText;
        rangeText.clear();
        if (oneScan) {
            rangeText.reserve(kHeldTextBytes + blockBytes());
        }
        const auto scanHeldText = [&] {
            total += applyPairs(plan_, rangeText, false, false, nullptr, {}).count;
            rangeText.clear();
        };
        const auto take = [&](std::string_view piece) {
            if (oneScan && rangeText.size() + piece.size() > kHeldTextBytes) {
                if (const std::size_t cut = cuts_.findCutByte(piece); cut != std::string_view::npos) {
                    rangeText.append(piece.substr(0, cut + 1));
                    scanHeldText();
                    piece.remove_prefix(cut + 1);
                } else if (rangeText.size() + piece.size() > mostRangeTextBytes) {
                    chain.feed(rangeText, nobody);
                    oneScan = false;
                }
            }
            if (oneScan) {
                rangeText.append(piece);
            } else {
                chain.feed(piece, nobody);
            }
        };
        for (;;) {
            if (isCancelled(cancel_)) {
                return false;
            }
            if (reason = moveTo(reading, position); !reason.empty()) {
                return false;
            }
            // The last read of a range's share goes on past its end, where a cut byte mostly comes soon.
            const std::uint64_t wanted = std::max(to, position) + kLookPastBytes - position;
            std::size_t got = 0;
            const std::size_t size = std::min<std::uint64_t>(wanted, reading.block.size());
            reason = reading.reader->read(std::span(reading.block.data(), size), got);
            if (!reason.empty()) {
                return false;
            }
            reading.offset += got;
            if (got == 0) {
                break;
            }
            std::string_view bytes(reading.block.data(), got);
            if (!started) {
                const std::size_t before = position < own ? std::min<std::uint64_t>(got, own - position) : 0;
                const std::size_t cut = cuts_.findCutByte(bytes.substr(0, before));
                if (cut == std::string_view::npos) {
                    if (position + got >= own) {
                        return true; // the range before takes all of this one's share
                    }
                    position += got;
                    continue;
                }
                started = true;
                bytes.remove_prefix(cut + 1);
                position += cut + 1;
            }
            const std::size_t freely =
                position < own ? std::min<std::uint64_t>(bytes.size(), own - position) : 0;
            if (const std::size_t cut = cuts_.findCutByte(bytes.substr(freely));
                cut != std::string_view::npos) {
                take(bytes.substr(0, freely + cut + 1));
                break;
            }
            take(bytes);
            position += bytes.size();
        }
        if (oneScan) {
            scanHeldText();
            releaseIfLarge(rangeText);
            return true;
        }
        chain.finish(nobody);
        total += chain.count();
        return true;
    }

    const Plan& plan_;
    const RangeCuts& cuts_;
    const std::string& path_;
    const platform::FileIdentity& readAs_;
    std::uint64_t textStart_;
    const std::atomic<bool>* cancel_;
    std::size_t rangeBytes_;
};

} // namespace

RowOutcome countInRanges(const Plan& plan, const RangeCuts& cuts, std::size_t i, const std::string& path,
                         const platform::FileIdentity& readAs, std::uint64_t textStart, unsigned helpers,
                         const std::atomic<bool>* cancel, const BeforePair& beforePair) {
    RowOutcome outcome;
    outcome.row.path = path;
    outcome.applied = plan.hasNonEmptyPair;
    PairProgress progress(plan.finds.size(), readAs.size, beforePair);
    std::string error;
    const std::optional<std::int64_t> count =
        RangeCounter(plan, cuts, path, readAs, textStart, cancel).count(helpers, progress, error);
    if (!error.empty()) {
        outcome.failure = RunFailure{i, path, cannotReadText(error)};
    } else if (!count) {
        return outcome;
    } else {
        outcome.row.count = *count;
        progress.reached(readAs.size);
    }
    outcome.complete = true;
    return outcome;
}

} // namespace morvane
