#pragma once

#include <cstddef>
#include <vector>

namespace morvane {

// How one find/replace pair matches. All off is a plain pair: its find text is matched byte for byte, in the
// notation, by the literal engine, as every pair was before options existed.
struct PairOptions {
    bool ignoreCase = false; // letters match regardless of case
    bool wholeWord = false;  // an occurrence may not continue a word on either side
    bool pattern = false;    // the find text is a regular expression; the replacement may use its groups

    bool isPlain() const { return !ignoreCase && !wholeWord && !pattern; }
    bool operator==(const PairOptions&) const = default;
};

// A list of pairs' options, one per pair; shorter (often empty) when the pairs behind the last entry are
// plain.
using PairOptionsList = std::vector<PairOptions>;

inline PairOptions optionsOfPair(const PairOptionsList& options, std::size_t pair) {
    return pair < options.size() ? options[pair] : PairOptions{};
}

inline bool allPlain(const PairOptionsList& options) {
    for (const PairOptions& each : options)
        if (!each.isPlain())
            return false;
    return true;
}

// The list without its plain entries at the end, which say nothing: [] and [plain, plain] mean the same.
inline PairOptionsList withoutTrailingPlain(PairOptionsList options) {
    while (!options.empty() && options.back().isPlain())
        options.pop_back();
    return options;
}

} // namespace morvane
