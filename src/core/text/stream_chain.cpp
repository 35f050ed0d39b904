#include "core/text/stream_chain.h"

#include "core/text/occurrences.h"

#include <algorithm>

namespace morvane {

namespace {

// A block goes down the stages in slices of this size, and a stage that replaces passes its built output on
// once it holds this much. Every stage keeps a buffer this large, and the stages read a slice from the
// cache one after the other: with block-sized buffers, a thousand pairs held some 200 MB and took a third
// longer.
constexpr std::size_t kPieceBytes = std::size_t{32} << 10;

// Output pieces smaller than this are gathered, across blocks too, before they go on. Each stage holds
// back the last bytes an occurrence may start in and passes them on with its next block as a piece of their
// own; passed on as they are, these small pieces would add one for each stage down a long chain, and the
// stages after would do a block's work for each.
constexpr std::size_t kSmallPieceBytes = std::size_t{4} << 10;

} // namespace

// One pair over the stream. An occurrence that may still be completed by the next block starts in the last
// find-length-less-one bytes of the input seen so far; those are kept as the carry, and the occurrences that
// start in them are found in the carry joined to the next block's first bytes, so that each one is counted
// once, by where it starts. A replacing stage holds back output from the carry's start (or the end of the
// occurrence replaced last, if later): nothing before it can change any more.
class StreamChain::Stage {
public:
    Stage(std::string find, std::string replacement, PairRole role)
        : find_(std::move(find)), replacement_(std::move(replacement)), role_(role) {}

    template <class Emit> void feed(std::string_view block, Emit&& emit) {
        base_ = seen_;
        seen_ += block.size();
        if (role_ == PairRole::Replace) {
            if (joinAcrossEdge(block)) {
                replaceIn(joined_, base_ - carry_.size(), block, emit);
            }
            replaceIn(block, base_, block, emit);
            emitInput(seen_ - std::min<std::uint64_t>(find_.size() - 1, seen_), block, emit);
            endBlock(emit);
        } else {
            count_ += (joinAcrossEdge(block) ? countOccurrences(joined_, find_) : 0) +
                      countOccurrences(block, find_);
            if (role_ == PairRole::Keep && !block.empty()) {
                emit(block);
            }
        }
        keepTail(block);
    }

    template <class Emit> void finish(Emit&& emit) {
        if (role_ == PairRole::Replace) {
            base_ = seen_;
            emitInput(seen_, {}, emit);
            passOnGathered(emit);
        }
    }

    std::int64_t count() const { return count_; }
    bool changed() const { return role_ == PairRole::Replace && count_ > 0; }

private:
    // The carry joined to the block's first bytes, where the occurrences that start in the carry lie; none of
    // them fits in the carry alone. False when there is nothing to join.
    bool joinAcrossEdge(std::string_view block) {
        if (carry_.empty() || block.empty()) {
            return false;
        }
        joined_.assign(carry_);
        joined_.append(block.substr(0, std::min(find_.size() - 1, block.size())));
        return true;
    }

    // Counts the occurrences in the text (the block, or the carry joined to its start) and replaces those
    // that do not overlap one replaced before; start is where the text begins in the input. The count goes
    // up before the replacement is passed on, so that changed() holds once a changed piece is out.
    template <class Emit>
    void replaceIn(std::string_view text, std::uint64_t start, std::string_view block, Emit& emit) {
        visitOccurrences(text, find_, [&](std::size_t at) {
            ++count_;
            const std::uint64_t position = start + at;
            if (position < consumed_) {
                return;
            }
            building_ = true;
            emitInput(position, block, emit);
            put(replacement_, emit);
            emitted_ = consumed_ = position + find_.size();
        });
    }

    // The input from where output stopped up to `to`, which lies in the carry or the block.
    template <class Emit> void emitInput(std::uint64_t to, std::string_view block, Emit& emit) {
        if (to <= emitted_) {
            return;
        }
        const std::uint64_t carryStart = base_ - carry_.size();
        if (emitted_ < base_) {
            const auto from = static_cast<std::size_t>(emitted_ - carryStart);
            put(std::string_view(carry_).substr(
                    from, static_cast<std::size_t>(std::min(to, base_) - carryStart) - from),
                emit);
        }
        if (to > base_) {
            const auto from = static_cast<std::size_t>(std::max(emitted_, base_) - base_);
            put(block.substr(from, static_cast<std::size_t>(to - base_) - from), emit);
        }
        emitted_ = to;
    }

    // Until the block's first replacement its input goes on as it is, without a copy, unless the piece is
    // small; after it, output is built, so that the next stage is fed a few large pieces rather than one
    // per replacement.
    template <class Emit> void put(std::string_view bytes, Emit& emit) {
        if (bytes.empty()) {
            return;
        }
        if (!building_ && bytes.size() >= kSmallPieceBytes) {
            passOnGathered(emit);
            emit(bytes);
            return;
        }
        out_.append(bytes);
        if (out_.size() >= kPieceBytes) {
            passOnGathered(emit);
        }
    }

    // What is gathered stays for the next block only while it is small.
    template <class Emit> void endBlock(Emit& emit) {
        if (out_.size() >= kSmallPieceBytes) {
            passOnGathered(emit);
        }
        building_ = false;
    }

    template <class Emit> void passOnGathered(Emit& emit) {
        if (!out_.empty()) {
            emit(std::string_view(out_));
            out_.clear();
        }
    }

    void keepTail(std::string_view block) {
        const std::size_t keep = static_cast<std::size_t>(std::min<std::uint64_t>(find_.size() - 1, seen_));
        if (block.size() >= keep) {
            carry_.assign(block.substr(block.size() - keep));
        } else {
            carry_.erase(0, carry_.size() + block.size() - keep);
            carry_.append(block);
        }
    }

    std::string find_;
    std::string replacement_;
    PairRole role_;
    std::int64_t count_ = 0;
    // The input's last bytes, fewer than the find text's length, ending where the input fed so far ends.
    std::string carry_;
    std::uint64_t seen_ = 0;     // input bytes fed so far
    std::uint64_t base_ = 0;     // where the block being fed starts in the input
    std::uint64_t consumed_ = 0; // the end of the occurrence replaced last
    std::uint64_t emitted_ = 0;  // the input before this has gone out, as it was or replaced
    std::string joined_;         // the carry and the block's first bytes
    std::string out_;            // built or gathered output not yet passed on
    bool building_ = false;      // the block being fed has had a replacement
};

StreamChain::StreamChain(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                         bool simulate) {
    const std::vector<PairRole> roles = pairRoles(finds, replaces, simulate);
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (!finds[j].empty()) {
            stages_.emplace_back(finds[j], replaces[j], roles[j]);
        }
    }
}

StreamChain::~StreamChain() = default;

// An empty block changes nothing in any stage.
void StreamChain::feed(std::string_view block, ChainSink& sink) {
    for (std::size_t at = 0; at < block.size(); at += kPieceBytes) {
        pass(0, block.substr(at, kPieceBytes), sink);
    }
}

void StreamChain::finish(ChainSink& sink) {
    for (std::size_t s = 0; s < stages_.size(); ++s) {
        stages_[s].finish([&](std::string_view piece) { pass(s + 1, piece, sink); });
    }
}

void StreamChain::pass(std::size_t stage, std::string_view piece, ChainSink& sink) {
    if (stage == stages_.size()) {
        sink.take(piece);
        return;
    }
    stages_[stage].feed(piece, [&](std::string_view out) { pass(stage + 1, out, sink); });
}

std::int64_t StreamChain::count() const {
    std::int64_t total = 0;
    for (const Stage& stage : stages_) {
        total += stage.count();
    }
    return total;
}

bool StreamChain::changed() const {
    return std::any_of(stages_.begin(), stages_.end(), [](const Stage& stage) { return stage.changed(); });
}

} // namespace morvane
