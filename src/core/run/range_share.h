// One file's ranges (see range_cuts.h) shared out between the row's thread and helpers: whichever thread is
// free takes the next range, so that a core kept busy by something else slows the file by no more than its
// share, where a fixed half for each thread would wait for it.
#pragma once

#include "core/run/range_cuts.h"
#include "core/run/row_work.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace morvane {

// The threads besides the row's own that one file's ranges are shared with: one fewer than the run's
// workers, so that a run asked to use one thread uses one.
unsigned rangeHelpers(const RunRequest& request);

// Calls work(range, thread) for each range from 0 to count - 1, each once and taken in ascending order, on
// this thread (thread 0) and on up to `helpers` more (1 to helpers). This thread works too: a helper that
// never gets a core, or that cannot be started, costs the others nothing. Work returns false to have the
// ranges not yet taken dropped. An exception thrown by work on any thread drops them too, and is thrown again
// here once no thread works.
using RangeWork = std::function<bool(std::size_t range, unsigned thread)>;
void shareRanges(std::size_t count, unsigned helpers, const RangeWork& work);

// Passes the bar over a row's pairs as its bytes are done: pair j's turn comes once j / pairs of them are.
class PairProgress {
public:
    PairProgress(std::size_t pairs, std::uint64_t bytes, const BeforePair& beforePair)
        : pairs_(pairs), bytes_(bytes), beforePair_(beforePair) {}

    void reached(std::uint64_t done);

private:
    std::size_t pairs_;
    std::uint64_t bytes_;
    const BeforePair& beforePair_;
    std::size_t next_ = 0;
};

// The pairs' pass over a text or a piece of one (see applyPairs), telling beforePair of each pair.
using PairsPass = std::function<PairsOutcome(std::string& text, const BeforePair& beforePair)>;

// The pass over a file's text held whole, or a name: where the text is the run's only row, is eight stream
// blocks or more and can be cut (see range_cuts.h), in ranges of four blocks that the row's thread and the
// helpers pass at once, and where the text is wanted, the pieces that a pair changed put back together in
// order; otherwise whole on this thread.
PairsOutcome passWholeText(const Plan& plan, std::string& text, bool textWanted, const BeforePair& beforePair,
                           const PairsPass& pass);

// The pass over the text cut into ranges of about rangeBytes (see rangeEnds), shared with the helpers;
// nothing when the text is not cut, so that the caller passes it whole.
std::optional<PairsOutcome> passInPieces(std::string& text, const RangeCuts& cuts, std::size_t rangeBytes,
                                         unsigned helpers, bool textWanted, const PairsPass& pass,
                                         PairProgress& progress);

} // namespace morvane
