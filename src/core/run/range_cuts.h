// Where a text may be cut so that the pairs can go through its ranges one by one, or on several threads at
// once, and give exactly the counts and the text that they give the whole.
#pragma once

#include "core/text/pair_options.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// A literal occurrence can only take in a byte that its find text holds. A byte value that no pair's find
// text holds is therefore never part of an occurrence: every such byte of the text as read is still there
// after the last pair, with no occurrence of any pair across it, so that cutting just after one splits every
// pair's pass into the passes over the two sides, counts and output alike.
//
// A pair that ignores case or matches whole words reads letters and the characters around an occurrence as
// UTF-8 only where the whole text is valid UTF-8, and folds letters across byte values. With such a pair the
// cut bytes are ASCII bytes that are no letter, digit or `_`, so that the start of a range is a word's edge
// as the byte before it is, and the text may only be cut while every range reads as the whole does: the text
// is valid UTF-8 and every pair's find text and replacement are too (an occurrence of a valid find text in
// valid text starts and ends at characters, so the pairs keep it valid). A pattern may match any byte: with
// one, nothing is cut.
class RangeCuts {
public:
    // The pairs' find texts and replacements as the run applies them (expanded from the notation), and their
    // options.
    RangeCuts(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
              const PairOptionsList& options);

    // Whether some byte value can be cut after.
    bool usable() const { return usable_; }
    // Whether a text with these bytes may be cut at all.
    bool canCut(std::string_view text) const;
    bool cutsAfter(char byte) const { return cutBytes_[static_cast<unsigned char>(byte)]; }
    // Where the first byte to cut after lies in the bytes; npos for none.
    std::size_t findCutByte(std::string_view bytes) const;
    // The first place at or after `from` where the text may be cut: its start, just after a cut byte, or
    // its end.
    std::size_t nextCut(std::string_view text, std::size_t from) const;

private:
    std::array<bool, 256> cutBytes_{};
    bool usable_ = false;
    bool needsUtf8_ = false;
};

// Where a text is cut into ranges of at least rangeBytes each, each ending at the first place after them
// where it may: the ends of the ranges in order, the last being the text's size. A single range where the
// text cannot be cut.
std::vector<std::size_t> rangeEnds(std::string_view text, const RangeCuts& cuts, std::size_t rangeBytes);

} // namespace morvane
