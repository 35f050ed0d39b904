#include "core/run/pair_warnings.h"

#include "core/text/notation.h"
#include "core/text/pair_matcher.h"

#include <optional>

namespace morvane {

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct Expanded {
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::vector<std::optional<PairMatcher>> matchers; // of the pairs with options

    // A pair with options may change an occurrence into the same text in other letters or other groups.
    bool changes(std::size_t j) const {
        return !finds[j].empty() && (matchers[j] || finds[j] != replaces[j]);
    }
    // Whether pair j's find text occurs in what pair i puts in; a pattern pair's replacement is looked at as
    // its bytes stand, groups and all.
    bool occursInInsertionOf(std::size_t j, std::size_t i) const {
        return matchers[j] ? matchers[j]->count(replaces[i]) > 0 : contains(replaces[i], finds[j]);
    }
};

// An earlier pair took every occurrence of a part of the find text away, and no pair since (nor that one)
// puts the find text in. Where either pair has options, what the earlier one leaves is not known well enough
// to say so.
std::optional<std::size_t> removedBefore(const Expanded& pairs, std::size_t j) {
    if (pairs.matchers[j]) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < j; ++i) {
        if (!pairs.changes(i) || pairs.matchers[i] || !contains(pairs.finds[j], pairs.finds[i])) {
            continue;
        }
        bool putBack = false;
        for (std::size_t k = i; k < j && !putBack; ++k) {
            putBack = pairs.changes(k) && (pairs.matchers[k] || contains(pairs.replaces[k], pairs.finds[j]));
        }
        if (!putBack) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> changesInsertionOf(const Expanded& pairs, std::size_t j) {
    for (std::size_t i = 0; i < j; ++i) {
        if (pairs.changes(i) && pairs.occursInInsertionOf(j, i)) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<PairWarning> pairWarnings(const std::vector<std::string>& finds,
                                      const std::vector<std::string>& replaces,
                                      const PairOptionsList& options) {
    const std::size_t count = std::min(finds.size(), replaces.size());
    Expanded pairs{
        std::vector<std::string>(finds.begin(), finds.begin() + static_cast<std::ptrdiff_t>(count)),
        std::vector<std::string>(replaces.begin(), replaces.begin() + static_cast<std::ptrdiff_t>(count)),
        {}};
    pairs.matchers = matchersOfPairs(pairs.finds, pairs.replaces, options);
    expandEachNotation(pairs.finds);
    expandEachNotation(pairs.replaces);
    std::vector<PairWarning> warnings;
    for (std::size_t j = 1; j < count; ++j) {
        if (!pairs.changes(j)) {
            continue;
        }
        if (const std::optional<std::size_t> i = removedBefore(pairs, j)) {
            warnings.push_back(PairWarning{j, PairWarningKind::NeverMatches, *i});
        } else if (const std::optional<std::size_t> i = changesInsertionOf(pairs, j)) {
            warnings.push_back(PairWarning{j, PairWarningKind::ChangesInserted, *i});
        }
    }
    return warnings;
}

std::string pairWarningText(const PairWarning& warning, const std::vector<std::string>& finds) {
    const std::string pair = "pair " + std::to_string(warning.pair + 1);
    const std::string earlier = "pair " + std::to_string(warning.earlier + 1);
    if (warning.kind == PairWarningKind::ChangesInserted) {
        return pair + " also changes what " + earlier + " inserts";
    }
    const auto quoted = [&](std::size_t j) {
        return "\"" + (j < finds.size() ? finds[j] : std::string()) + "\"";
    };
    return earlier + " replaces every " + quoted(warning.earlier) + " before " + pair + " looks for " +
           quoted(warning.pair);
}

} // namespace morvane
