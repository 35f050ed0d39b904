#pragma once

#include "core/run/pair_plan.h"
#include "core/run/range_cuts.h"
#include "core/text/stream_chain.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// The plan's pairs over a streamed text: through the chain of all of them or, with scanOnce (the plan has a
// literal scan and the text can be cut), in one scan of each held part. The text is then held in parts of
// about kHeldTextBytes, each ending after a byte where the text may be cut, and the pairs go over each part
// as over a file read whole, where the chain would take every block through a stage for each pair. Text
// that runs on past mostBytes for want of such a byte goes through the chain after all, and so does all
// after it. The held text lives in a buffer of the thread's own: one scan at a time on a thread.
class HeldTextScan {
public:
    static constexpr std::size_t kHeldTextBytes = std::size_t{256} << 10;

    // textWanted: the parts' new text goes on to the sink (an execute run); otherwise they are counted only.
    HeldTextScan(const Plan& plan, const RangeCuts& cuts, StreamChain& chain, bool scanOnce,
                 std::size_t mostBytes, bool textWanted);

    void feed(std::string_view piece, ChainSink& sink);
    // After the last piece: the part still held is scanned, and the chain finishes.
    void finish(ChainSink& sink);

    std::int64_t count() const { return count_ + chain_.count(); }
    // Whether some pair has replaced an occurrence by a different text so far; until then every piece the
    // sink took was the text as fed.
    bool changed() const { return changed_ || chain_.changed(); }

private:
    void scanHeld(ChainSink& sink);

    const Plan& plan_;
    const RangeCuts& cuts_;
    StreamChain& chain_;
    std::size_t mostBytes_;
    bool textWanted_;
    bool holding_;
    std::string& held_;
    std::int64_t count_ = 0;
    bool changed_ = false;
};

} // namespace morvane
