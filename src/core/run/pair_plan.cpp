#include "core/run/pair_plan.h"

#include <algorithm>

namespace morvane {

namespace {

// From this many non-empty pairs on, one pass that finds which of them occur costs less than a pass for each.
constexpr std::size_t kPairsForFindSet = 16;

// Whether an occurrence of one text and one of the other can share a byte: one holds the other, or the end
// of one is the start of the other.
bool canOverlap(std::string_view a, std::string_view b) {
    if (a.find(b) != std::string_view::npos || b.find(a) != std::string_view::npos) {
        return true;
    }
    for (std::size_t overlap = 1; overlap < std::min(a.size(), b.size()); ++overlap) {
        if (a.substr(a.size() - overlap) == b.substr(0, overlap) ||
            b.substr(b.size() - overlap) == a.substr(0, overlap)) {
            return true;
        }
    }
    return false;
}

// Whether inserting the replacement, or cutting out the text it replaces when it is empty, can make the find
// text occur where it did not: a new occurrence either overlaps an inserted copy or spans a place where text
// was cut out.
bool canCreate(std::string_view replacement, std::string_view find) {
    if (replacement.empty()) {
        return find.size() > 1;
    }
    return canOverlap(replacement, find);
}

} // namespace

Plan::Plan(const RunRequest& request_, std::vector<std::string> finds_, std::vector<std::string> replaces_)
    : request(request_), finds(std::move(finds_)), replaces(std::move(replaces_)),
      roles(pairRoles(finds, replaces, !request.execute)),
      matchers(matchersOfPairs(request.finds, request.replaces, request.options)) {
    matchers.resize(finds.size());
    // The find set only holds plain pairs; a pair with options stands there as an empty find text.
    std::vector<std::string> plainFinds = finds;
    std::size_t nonEmpty = 0;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (!finds[j].empty()) {
            hasNonEmptyPair = true;
            ++nonEmpty;
        }
        if (matchers[j]) {
            hasOptionPairs = true;
            plainFinds[j].clear();
            // The same text can replace another occurrence: "Load" by "load", "a+" by "a+".
            if (roles[j] == PairRole::Keep) {
                roles[j] = PairRole::Replace;
            }
        }
    }
    if (contents() && nonEmpty >= kPairsForFindSet && findSet.emplace(plainFinds).usable()) {
        created.resize(finds.size());
        for (std::size_t i = 0; i < finds.size(); ++i) {
            for (std::size_t k = i + 1; k < finds.size() && (matchers[i] || finds[i] != replaces[i]); ++k) {
                if (!finds[k].empty() && (matchers[i] || matchers[k] || canCreate(replaces[i], finds[k]))) {
                    created[i].push_back(k);
                }
            }
        }
    } else {
        findSet.reset();
    }
    if (!request.execute && !findSet) {
        onlyCounting.assign(finds.size(), 1);
        for (std::size_t i = 0; i < finds.size(); ++i) {
            onlyCounting[i] = !matchers[i];
            for (std::size_t k = i + 1; k < finds.size() && onlyCounting[i]; ++k) {
                onlyCounting[i] = finds[k].empty() || (!matchers[k] && !canOverlap(finds[i], finds[k]) &&
                                                       !canCreate(replaces[i], finds[k]));
            }
        }
    }
}

std::int64_t applyPair(const Plan& plan, std::size_t j, std::string& text, Insertions* insertions,
                       bool& changed, bool wholeText) {
    const std::string& find = plan.finds[j];
    const std::string& replacement = plan.replaces[j];
    // Besides the pairs whose role is not to replace, one whose replacements no later pair can tell from its
    // find text only counts.
    const bool onlyCount = wholeText ? plan.roles[j] == PairRole::Keep
                                     : plan.roles[j] != PairRole::Replace ||
                                           (!plan.onlyCounting.empty() && plan.onlyCounting[j]);
    changed = false;
    if (const std::optional<PairMatcher>& matcher = plan.matchers[j]) {
        return onlyCount ? matcher->count(text) : matcher->replace(text, &changed);
    }
    if (onlyCount) {
        return countOccurrences(text, find);
    }
    std::int64_t found = 0;
    if (insertions) {
        insertions->most = text.size() / 8 + 1024;
        found = replaceInPlace(text, find, replacement, *insertions);
    } else {
        found = replaceInPlace(text, find, replacement);
    }
    changed = found > 0 && find != replacement;
    return found;
}

// After pair j replaced, the later pairs it can have made occur: each that does occur around one of its
// replacements (the bytes from a find text's length before to as far after), or, where scanning around the
// replacements would cost more than scanning the whole text for each, all that it could make occur.
void markCreated(const Plan& plan, std::size_t j, std::string_view text, PairScratch& scratch) {
    // Where a pair with options put its replacements is not kept: every later pair may now occur.
    if (plan.matchers[j]) {
        for (const std::size_t k : plan.created[j]) {
            scratch.mayOccur[k] = 1;
        }
        return;
    }
    std::size_t candidates = 0;
    std::size_t reach = 0;
    for (const std::size_t k : plan.created[j]) {
        if (!scratch.mayOccur[k]) {
            scratch.wanted[k] = 1;
            ++candidates;
            reach = std::max(reach, plan.finds[k].size() - 1);
        }
    }
    if (candidates == 0) {
        return;
    }
    const Insertions& insertions = scratch.insertions;
    const std::size_t replacement = plan.replaces[j].size();
    // The automaton costs a few times what a vector scan does for each byte.
    constexpr std::size_t kAutomatonCost = 4;
    const std::size_t windows = insertions.at.size() * (replacement + 2 * reach);
    if (!insertions.overflowed && windows * kAutomatonCost < candidates * text.size()) {
        plan.findSet->markTouching(text, insertions.at, replacement, reach, scratch.wanted, scratch.mayOccur);
    } else {
        for (const std::size_t k : plan.created[j]) {
            scratch.mayOccur[k] = 1;
        }
    }
    for (const std::size_t k : plan.created[j]) {
        scratch.wanted[k] = 0;
    }
}

} // namespace morvane
