#include "core/run/pair_plan.h"

#include "core/run/one_scan_pass.h"
#include "core/text/bucket_scan.h"
#include "core/text/text_encoding.h"

#include <algorithm>

namespace morvane {

namespace {

// From this many non-empty pairs on, one pass that finds which of them occur costs less than a pass for each.
constexpr std::size_t kPairsForFindSet = 16;
// From this many plain pairs on, one walk of the automaton for all of them costs less than a vector scan for
// each (measured: 10 pairs over a tree of headers take twice as long in one walk).
constexpr std::size_t kPairsForLiteralScan = 16;
// From this many on, where a bucket scan serves the pairs, one costs less than a vector scan for each
// (measured with a kernel's most frequent words over its network drivers: 4 pairs take 1.05 times as long in
// one scan, 5 pairs 0.82 times, 10 pairs 0.53 times).
constexpr std::size_t kPairsForBucketScan = 5;

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

std::string asciiLowered(std::string_view text) {
    std::string lowered;
    lowerAscii(text, lowered);
    return lowered;
}

// canCreate for a find text that matches its ASCII letters in either case where `folding`.
bool canCreate(std::string_view replacement, std::string_view find, bool folding) {
    return folding ? canCreate(asciiLowered(replacement), asciiLowered(find)) : canCreate(replacement, find);
}

// Adds to `creation` how inserting the replacement can make the find text occur: at each place where the
// find text can start relative to the replacement and agree with it where both lie, it lies inside the
// replacement or needs a byte right before or after it; a find text can do both at different places. A cut
// (an empty replacement) needs bytes on both sides, either of which is noted.
void noteCreation(std::string_view replacement, std::string_view find, std::size_t k,
                  Plan::Creation& creation) {
    const auto r = static_cast<std::ptrdiff_t>(replacement.size());
    const auto f = static_cast<std::ptrdiff_t>(find.size());
    if (r == 0) {
        for (std::ptrdiff_t cut = 1; cut < f; ++cut) {
            creation.before.set(static_cast<unsigned char>(find[cut - 1]));
            creation.after.set(static_cast<unsigned char>(find[cut]));
        }
        return;
    }
    for (std::ptrdiff_t offset = 1 - f; offset < r; ++offset) {
        const std::ptrdiff_t from = std::max<std::ptrdiff_t>(0, offset);
        const std::ptrdiff_t to = std::min(r, offset + f);
        if (replacement.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)) !=
            find.substr(static_cast<std::size_t>(from - offset), static_cast<std::size_t>(to - from))) {
            continue;
        }
        if (offset >= 0 && offset + f <= r) {
            if (creation.inside.empty() || creation.inside.back() != k) {
                creation.inside.push_back(k);
            }
            continue;
        }
        if (offset < 0) {
            creation.before.set(static_cast<unsigned char>(find[static_cast<std::size_t>(-offset - 1)]));
        }
        if (offset + f > r) {
            creation.after.set(static_cast<unsigned char>(find[static_cast<std::size_t>(r - offset)]));
        }
    }
}

// noteCreation for a find text that matches its ASCII letters in either case where `folding`: compared so,
// it needs a letter next to the replacement in either case.
void noteCreation(std::string_view replacement, std::string_view find, std::size_t k, bool folding,
                  Plan::Creation& creation) {
    if (!folding) {
        noteCreation(replacement, find, k, creation);
        return;
    }
    Plan::Creation lowered;
    noteCreation(asciiLowered(replacement), asciiLowered(find), k, lowered);
    creation.inside.insert(creation.inside.end(), lowered.inside.begin(), lowered.inside.end());
    for (unsigned char c = 'a'; c <= 'z'; ++c) {
        lowered.before[c - 0x20] = lowered.before[c];
        lowered.after[c - 0x20] = lowered.after[c];
    }
    creation.before |= lowered.before;
    creation.after |= lowered.after;
}

} // namespace

Plan::Plan(const RunRequest& request_, std::vector<std::string> finds_, std::vector<std::string> replaces_)
    : request(request_), finds(std::move(finds_)), replaces(std::move(replaces_)),
      roles(pairRoles(finds, replaces, !request.execute)),
      matchers(matchersOfPairs(request.finds, request.replaces, request.options)) {
    matchers.resize(finds.size());
    std::vector<std::string> scanFinds = finds;
    std::vector<char> ignoringCase(finds.size(), 0);
    std::size_t nonEmpty = 0;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (!finds[j].empty()) {
            hasNonEmptyPair = true;
            ++nonEmpty;
        }
        if (matchers[j]) {
            hasOptionPairs = true;
            ignoringCase[j] = foldsCase(j);
            if (!inScan(j)) {
                scanFinds[j].clear();
            }
            // The same text can replace another occurrence: "Load" by "load", "a+" by "a+".
            if (roles[j] == PairRole::Keep) {
                roles[j] = PairRole::Replace;
            }
        }
    }
    const bool folding = std::find(ignoringCase.begin(), ignoringCase.end(), 1) != ignoringCase.end();
    // A pair that ignores case counts twice: its own pass lowers a copy of the text before it scans
    // (measured over a kernel folder: 10 such pairs take 0.7 times as long in one walk, 7 pairs 1.2 times).
    std::size_t scanWeight = 0;
    std::size_t scanned = 0;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (!scanFinds[j].empty()) {
            scanWeight += ignoringCase[j] ? 2 : 1;
            ++scanned;
        }
    }
    const std::size_t pairsForOneScan =
        BucketScan::serves(scanned) ? kPairsForBucketScan : kPairsForLiteralScan;
    const bool oneScan = contents() && scanWeight >= pairsForOneScan;
    if (oneScan || (contents() && nonEmpty >= kPairsForFindSet)) {
        findSet = std::make_shared<const FindSet>(scanFinds, folding);
    }
    if (findSet && findSet->usable()) {
        // A pair the scan does not hold may take or make anything; the others insert their replacement.
        created.resize(finds.size());
        for (std::size_t i = 0; i < finds.size(); ++i) {
            for (std::size_t k = i + 1; k < finds.size() && (matchers[i] || finds[i] != replaces[i]); ++k) {
                if (!finds[k].empty() &&
                    (!inScan(i) || !inScan(k) || canCreate(replaces[i], finds[k], foldsCase(k)))) {
                    created[i].push_back(k);
                }
            }
        }
        if (oneScan && !literalScan.emplace(scanFinds, ignoringCase, findSet).usable()) {
            literalScan.reset();
        }
        if (literalScan) {
            creations.resize(finds.size());
            for (std::size_t i = 0; i < finds.size(); ++i) {
                for (const std::size_t k : created[i]) {
                    if (inScan(i) && inScan(k)) {
                        noteCreation(replaces[i], finds[k], k, foldsCase(k), creations[i]);
                    }
                }
            }
        }
        if (!literalScan && nonEmpty < kPairsForFindSet) {
            findSet.reset();
            created.clear();
        }
    } else {
        findSet.reset();
    }
    // In the one scan, a pair that only counts notes no replacements, each of which would cost more than
    // finding it.
    if (!request.execute && (!findSet || literalScan)) {
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

namespace {

// The pairs one by one, each passing over the whole text: with a find set, only those that can occur.
PairsOutcome applyPairsOneByOne(const Plan& plan, std::string& text, bool wholeText,
                                const std::atomic<bool>* cancel,
                                const std::function<void(std::size_t pair)>& beforePair) {
    PairsOutcome outcome;
    // Which pairs can occur in the text: those found in it as read, and those that the replacements made so
    // far made occur.
    thread_local PairScratch scratch;
    if (plan.findSet) {
        plan.findSet->occurring(text, scratch.mayOccur);
        scratch.wanted.assign(plan.finds.size(), 0);
        for (std::size_t j = 0; j < plan.finds.size(); ++j) {
            scratch.mayOccur[j] = scratch.mayOccur[j] || plan.matchers[j];
        }
    }
    passEachPair(plan, cancel, beforePair, outcome, [&](std::size_t j) {
        if (plan.findSet && !scratch.mayOccur[j]) {
            return;
        }
        bool replacing = false;
        outcome.count +=
            applyPair(plan, j, text, plan.findSet ? &scratch.insertions : nullptr, replacing, wholeText);
        outcome.changed = outcome.changed || replacing;
        if (plan.findSet && replacing) {
            markCreated(plan, j, text, scratch);
        }
    });
    if (outcome.cancelled) {
        return outcome;
    }
    if (scratch.insertions.at.capacity() > kInsertionsKept) {
        std::vector<std::size_t>().swap(scratch.insertions.at);
    }
    return outcome;
}

} // namespace

PairsOutcome applyPairs(const Plan& plan, std::string& text, bool wholeText, bool textWanted,
                        const std::atomic<bool>* cancel,
                        const std::function<void(std::size_t pair)>& beforePair) {
    return plan.literalScan ? applyPairsInOneScan(plan, text, wholeText, textWanted, cancel, beforePair)
                            : applyPairsOneByOne(plan, text, wholeText, cancel, beforePair);
}

} // namespace morvane
