#pragma once

#include "core/text/pair_options.h"

#include <cstddef>
#include <string>
#include <vector>

namespace morvane {

// Pairs that work against each other. The pairs run one after the other over the whole text, so a pair sees
// what the pairs before it made of the text.
enum class PairWarningKind {
    ChangesInserted, // its find text occurs in what an earlier pair puts in: it changes that too
    NeverMatches,    // an earlier pair replaces every occurrence of a part of its find text first
};

struct PairWarning {
    std::size_t pair = 0; // 0-based, as the run counts pairs
    PairWarningKind kind = PairWarningKind::ChangesInserted;
    std::size_t earlier = 0; // the earlier pair it concerns, 0-based
};

// At most one warning per pair, in pair order: that it never matches before that it changes an insertion, and
// of each the earliest pair concerned. The texts are in the notation and compared expanded; a pair with an
// empty find text, or one that keeps its own text, changes nothing and is neither warned about nor concerned.
// Where the columns differ in length, only the pairs both hold are looked at. A pair with options is warned
// about where its matcher finds an occurrence in an earlier pair's replacement; that an earlier pair leaves
// nothing for it, or that one with options does for a later pair, is not claimed.
std::vector<PairWarning> pairWarnings(const std::vector<std::string>& finds,
                                      const std::vector<std::string>& replaces,
                                      const PairOptionsList& options = {});

// The warning in English with the pair numbers as the list shows them, from 1, and the find texts as typed:
//   pair 3 also changes what pair 1 inserts
//   pair 2 replaces every "ab" before pair 4 looks for "abc"
std::string pairWarningText(const PairWarning& warning, const std::vector<std::string>& finds);

} // namespace morvane
