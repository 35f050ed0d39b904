#include "core/run/pair_plan.h"

#include "core/run/cancel.h"
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

// Beyond this many occurrences for each byte of a text, their places would take more memory than the text:
// the pairs then pass over the text one by one.
constexpr std::size_t kMostHitsPerTextByte = 4;
constexpr std::size_t kMostHitsAnyText = 4096;
// Beyond this, a worker gives back the memory the one-scan pass kept from its last text: every worker
// keeping room for the largest text it met would hold more than the rest of a run over a tree together.
constexpr std::size_t kOneScanMemoryKept = std::size_t{1} << 20;

// What a worker keeps from text to text for the pass with one scan.
struct OneScanScratch {
    LiteralHits hits;
    EditedText edits;
    std::vector<char> created; // later pairs that a replacement made occur where the scan did not see them
    // later pairs that occur inside replacements that hold them whole, and nowhere else the scan did not see
    std::vector<char> createdInside;
    // for each pair that holds a later one in its replacement, where in the text it replaced
    std::vector<std::vector<std::size_t>> placedBy;
    std::vector<std::pair<std::size_t, std::size_t>> inside; // (replacement's start, where in it)
    std::vector<char> wanted;                                // the later pairs a replacement is checked for
    std::vector<std::size_t> taken;
    std::vector<std::size_t> placed;
    std::vector<std::size_t> lookedAround; // the replacements whose neighbours may make a later pair occur
    std::vector<std::size_t> insertion = {0};
    std::string window;
    std::string built;

    void releaseIfLarge() {
        if (built.capacity() > kOneScanMemoryKept) {
            std::string().swap(built);
        }
        if (hits.reported.capacity() * sizeof(std::uint64_t) > kOneScanMemoryKept) {
            hits = LiteralHits();
        }
        if (edits.heldBytes() > kOneScanMemoryKept) {
            edits = EditedText();
        }
    }
};

// The pairs of a run as one pass: the text with the replacements made since it was last scanned, and where
// each pair occurred in it then.
class OneScanPass {
public:
    OneScanPass(const Plan& plan, std::string& text, bool wholeText, OneScanScratch& scratch)
        : plan_(plan), text_(text), wholeText_(wholeText), s_(scratch) {
        s_.created.assign(plan.finds.size(), 0);
        s_.createdInside.assign(plan.finds.size(), 0);
        s_.wanted.assign(plan.finds.size(), 0);
        s_.placedBy.resize(plan.finds.size());
    }

    // Pair j over the text as the pairs before it left it.
    void apply(std::size_t j, PairsOutcome& outcome) {
        if (!plan_.inScan(j) || oneByOne_ || (!scanned_ && !scan())) {
            applyOneByOne(j, outcome);
            return;
        }
        // Most pairs of a long list occur in few of the files: one the scan did not find, and no pair before
        // made occur, has nothing to do.
        if (s_.hits.first[j] == s_.hits.first[j + 1] && !s_.created[j] && !s_.createdInside[j] &&
            !plan_.matchers[j]) {
            return;
        }
        s_.inside.clear();
        if (plan_.matchers[j]) {
            applyWithOptions(j, outcome);
            return;
        }
        if (s_.created[j] || (s_.createdInside[j] && !findInside(j))) {
            applyToBuilt(j, outcome);
            return;
        }
        const std::string& find = plan_.finds[j];
        const std::string& replacement = plan_.replaces[j];
        const bool onlyCount = onlyCounts(j);
        // Of the occurrences the scan found, those whose bytes no pair before replaced are still there; with
        // those inside replacements, they are all there are, since no replacement has made this pair occur
        // elsewhere. The leftmost that do not overlap one taken before are taken: only those in the text
        // or those in one replacement can overlap.
        s_.taken.clear();
        std::size_t takenUpTo = 0;
        for (std::uint32_t h = s_.hits.first[j]; h < s_.hits.first[j + 1]; ++h) {
            const std::size_t start = s_.hits.starts[h];
            if (!s_.edits.untouched(start, start + find.size())) {
                continue;
            }
            ++outcome.count;
            if (!onlyCount && start >= takenUpTo) {
                s_.taken.push_back(start);
                takenUpTo = start + find.size();
            }
        }
        outcome.count += static_cast<std::int64_t>(s_.inside.size());
        for (const std::size_t start : s_.taken) {
            s_.edits.replace(start, find.size(), replacement);
        }
        if (!s_.taken.empty()) {
            outcome.changed = true;
            noteReplaced(j);
            if (!plan_.creations[j].inside.empty()) {
                s_.placedBy[j] = s_.taken;
            }
            markCreatedAround(j, s_.taken, false);
        }
        if (!onlyCount && !s_.inside.empty()) {
            replaceInside(j);
            outcome.changed = true;
            noteReplaced(j);
            markCreatedAround(j, s_.placed, true);
        }
    }

    // A literal pair that ignores case or matches whole words, over the places the scan found its find text:
    // of those still there, the ones its matcher's rules take. Where the scan cannot tell what its matcher
    // would find (the pairs before made it occur elsewhere, or may have made a character that folds to one
    // of its letters, or a character next to an occurrence can only be read with the whole text), the
    // matcher searches the new text.
    void applyWithOptions(std::size_t j, PairsOutcome& outcome) {
        const PairMatcher& matcher = *plan_.matchers[j];
        if (s_.created[j] || (matcher.scanMayMissFolds() && mayHoldFoldsOfLetters())) {
            applyOneByOne(j, outcome);
            return;
        }
        const std::string_view text = s_.edits.text();
        const std::size_t length = plan_.finds[j].size();
        const std::string& replacement = plan_.replaces[j];
        const bool wholeWord = optionsOfPair(plan_.request.options, j).wholeWord;
        const bool onlyCount = onlyCounts(j);
        std::int64_t count = 0;
        bool changed = false;
        s_.taken.clear();
        std::size_t takenUpTo = 0;
        for (std::uint32_t h = s_.hits.first[j]; h < s_.hits.first[j + 1]; ++h) {
            const std::size_t start = s_.hits.starts[h];
            if (!s_.edits.untouched(start, start + length)) {
                continue;
            }
            if (wholeWord) {
                const std::optional<bool> stands = standsAsWord(matcher, start, start + length);
                if (!stands) {
                    applyOneByOne(j, outcome);
                    return;
                }
                if (!*stands) {
                    continue;
                }
            }
            ++count;
            if (!onlyCount && start >= takenUpTo) {
                s_.taken.push_back(start);
                takenUpTo = start + length;
                changed = changed || text.compare(start, length, replacement) != 0;
            }
        }
        outcome.count += count;
        for (const std::size_t start : s_.taken) {
            s_.edits.replace(start, length, replacement);
        }
        if (!s_.taken.empty()) {
            outcome.changed = outcome.changed || changed;
            noteReplaced(j);
            if (!plan_.creations[j].inside.empty()) {
                s_.placedBy[j] = s_.taken;
            }
            markCreatedAround(j, s_.taken, false);
        }
    }

    // The text the pairs left.
    void finish() {
        if (scanned_ && s_.edits.edited()) {
            s_.edits.build(s_.built);
            text_.swap(s_.built);
            scanned_ = false;
        }
    }

private:
    bool scan() {
        const std::size_t mostHits = text_.size() * kMostHitsPerTextByte + kMostHitsAnyText;
        if (!plan_.literalScan->scan(text_, mostHits, s_.hits)) {
            oneByOne_ = true;
            return false;
        }
        s_.edits.reset(text_);
        std::fill(s_.created.begin(), s_.created.end(), 0);
        std::fill(s_.createdInside.begin(), s_.createdInside.end(), 0);
        for (std::vector<std::size_t>& placed : s_.placedBy) {
            placed.clear();
        }
        scanned_ = true;
        scannedIsUtf8_.reset();
        scannedHoldsFolds_.reset();
        scannedIsAscii_.reset();
        editsKeepUtf8_ = true;
        insertedNonAscii_ = false;
        cut_ = false;
        return true;
    }

    // What the replacements of pair j put in the text tells what the new text can hold.
    void noteReplaced(std::size_t j) {
        const std::string& replacement = plan_.replaces[j];
        editsKeepUtf8_ = editsKeepUtf8_ && isValidUtf8(plan_.finds[j]) && isValidUtf8(replacement);
        insertedNonAscii_ = insertedNonAscii_ || !isAscii(replacement);
        cut_ = cut_ || replacement.empty();
    }

    // Whether the new text is valid UTF-8, where that is known without building it: the text as scanned
    // is, and where it was, so is what replacing valid UTF-8 find texts by valid UTF-8 left, since their
    // occurrences in valid text are whole characters.
    std::optional<bool> newTextIsUtf8() {
        if (!scannedIsUtf8_) {
            scannedIsUtf8_ = isValidUtf8(s_.edits.text());
        }
        if (!s_.edits.edited() || (*scannedIsUtf8_ && editsKeepUtf8_)) {
            return scannedIsUtf8_;
        }
        return std::nullopt;
    }

    // Whether the new text may hold a character that Unicode folding joins to an ASCII letter: the text as
    // scanned holds one, or a replacement put bytes above ASCII in, or a cut joined two of the text's.
    bool mayHoldFoldsOfLetters() {
        if (!scannedHoldsFolds_) {
            scannedHoldsFolds_ = holdsFoldsOfAsciiLetters(s_.edits.text());
        }
        if (*scannedHoldsFolds_ || insertedNonAscii_) {
            return true;
        }
        if (cut_ && !scannedIsAscii_) {
            scannedIsAscii_ = isAscii(s_.edits.text());
        }
        return cut_ && !*scannedIsAscii_;
    }

    // Whether the occurrence from start to end stands as a word in the new text, by its matcher's rule:
    // where no replacement took the bytes around it, they are the text's; elsewhere the new text's around
    // it tell. Nothing where that needs to know whether the new text is UTF-8 and it is not known.
    std::optional<bool> standsAsWord(const PairMatcher& matcher, std::size_t start, std::size_t end) {
        // A character is at most four bytes long.
        constexpr std::size_t kCharacterBytes = 4;
        const std::string_view text = s_.edits.text();
        std::string_view around = text;
        std::size_t at = start;
        if (!s_.edits.untouched(start > kCharacterBytes ? start - kCharacterBytes : 0, start) ||
            !s_.edits.untouched(end, std::min(text.size(), end + kCharacterBytes))) {
            s_.edits.around(start, end, kCharacterBytes, s_.window, at);
            around = s_.window;
        }
        std::optional<bool> stands = matcher.standsAsWord(around, at, at + (end - start), std::nullopt);
        if (!stands) {
            stands = matcher.standsAsWord(around, at, at + (end - start), newTextIsUtf8());
        }
        return stands;
    }

    // Where pair j, made to occur only inside replacements that hold it whole, lies in them: false where
    // one of those replacements has since been changed, and the new text must be searched.
    bool findInside(std::size_t j) {
        const std::string& find = plan_.finds[j];
        for (std::size_t i = 0; i < j; ++i) {
            if (s_.placedBy[i].empty() ||
                std::find(plan_.creations[i].inside.begin(), plan_.creations[i].inside.end(), j) ==
                    plan_.creations[i].inside.end()) {
                continue;
            }
            const std::string& holder = plan_.replaces[i];
            for (const std::size_t start : s_.placedBy[i]) {
                if (s_.edits.replacementAt(start).data() != holder.data()) {
                    return false;
                }
                for (std::size_t at = holder.find(find); at != std::string::npos;
                     at = holder.find(find, at + 1)) {
                    s_.inside.emplace_back(start, at);
                }
            }
        }
        std::sort(s_.inside.begin(), s_.inside.end());
        return true;
    }

    // Replaces the leftmost non-overlapping occurrences of pair j in each replacement that holds them.
    void replaceInside(std::size_t j) {
        const std::string& find = plan_.finds[j];
        s_.placed.clear();
        for (std::size_t i = 0; i < s_.inside.size();) {
            const std::size_t start = s_.inside[i].first;
            const std::string_view holder = s_.edits.replacementAt(start);
            std::string bytes;
            std::size_t copied = 0;
            for (; i < s_.inside.size() && s_.inside[i].first == start; ++i) {
                const std::size_t at = s_.inside[i].second;
                if (at < copied) {
                    continue; // overlaps the one replaced before it
                }
                bytes.append(holder.substr(copied, at - copied));
                bytes.append(plan_.replaces[j]);
                copied = at + find.size();
            }
            bytes.append(holder.substr(copied));
            s_.edits.rewrite(start, std::move(bytes));
            s_.placed.push_back(start);
        }
    }

    // A pair that ignores case can put its own find text in place of an occurrence in another case.
    bool onlyCounts(std::size_t j) const {
        return (plan_.finds[j] == plan_.replaces[j] && !plan_.foldsCase(j)) ||
               plan_.roles[j] == PairRole::Keep ||
               (!wholeText_ && (plan_.roles[j] == PairRole::OnlyCount ||
                                (!plan_.onlyCounting.empty() && plan_.onlyCounting[j])));
    }

    // A pair that the replacements before it made occur where the scan did not see it searches the new text
    // as it stands; what it replaces there may take bytes of those replacements, which it joins.
    void applyToBuilt(std::size_t j, PairsOutcome& outcome) {
        const std::string& find = plan_.finds[j];
        const bool onlyCount = onlyCounts(j);
        s_.edits.build(s_.built);
        s_.taken.clear();
        std::size_t takenUpTo = 0;
        visitOccurrences(s_.built, find, [&](std::size_t start) {
            ++outcome.count;
            if (!onlyCount && start >= takenUpTo) {
                s_.taken.push_back(start);
                takenUpTo = start + find.size();
            }
        });
        if (!s_.taken.empty()) {
            s_.edits.replaceInBuilt(s_.built, s_.taken, find.size(), plan_.replaces[j], s_.placed);
            outcome.changed = true;
            noteReplaced(j);
            markCreatedAround(j, s_.placed, true);
        }
    }

    void applyOneByOne(std::size_t j, PairsOutcome& outcome) {
        finish();
        bool changed = false;
        outcome.count += applyPair(plan_, j, text_, nullptr, changed, wholeText_);
        outcome.changed = outcome.changed || changed;
        scanned_ = scanned_ && !changed;
    }

    // The later pairs that pair j's replacements, just made at `placed`, made occur: each that occurs in the
    // new text around one of them. Those are no longer only where the scan found them: they search the new
    // text when their turn comes.
    void markCreatedAround(std::size_t j, const std::vector<std::size_t>& placed, bool joined) {
        const Plan::Creation& creation = plan_.creations[j];
        for (const std::size_t k : creation.inside) {
            // Inside a joined replacement, the pair may have been changed since it was put there; a pair
            // with options searches the new text.
            (joined || plan_.matchers[k] ? s_.created : s_.createdInside)[k] = 1;
        }
        s_.lookedAround.clear();
        for (const std::size_t start : placed) {
            if (joined || mayHaveCreated(start, plan_.finds[j].size(), creation)) {
                s_.lookedAround.push_back(start);
            }
        }
        if (s_.lookedAround.empty()) {
            return;
        }
        std::size_t reach = 0;
        bool any = false;
        for (const std::size_t k : plan_.created[j]) {
            if (!s_.created[k]) {
                s_.wanted[k] = 1;
                reach = std::max(reach, plan_.finds[k].size() - 1);
                any = true;
            }
        }
        std::size_t size = 0;
        for (const std::size_t start : s_.lookedAround) {
            if (!any) {
                break;
            }
            if (joined) {
                s_.edits.window(start, reach, s_.window, s_.insertion[0], size);
            } else {
                s_.edits.windowOf(start, plan_.finds[j].size(), plan_.replaces[j], reach, s_.window,
                                  s_.insertion[0]);
                size = plan_.replaces[j].size();
            }
            plan_.findSet->markTouching(s_.window, s_.insertion, size, reach, s_.wanted, s_.created);
        }
        for (const std::size_t k : plan_.created[j]) {
            s_.wanted[k] = 0;
        }
    }

    // Whether the replacement of `length` bytes of the text at start can have made a later pair occur by
    // reaching past it: the byte right before or after it in the new text must be one that such an occurrence
    // needs there. A byte next to it that another replacement took is not known without looking.
    bool mayHaveCreated(std::size_t start, std::size_t length, const Plan::Creation& creation) const {
        const std::string_view text = s_.edits.text();
        const std::size_t end = start + length;
        if ((start > 0 && !s_.edits.untouched(start - 1, start)) ||
            (end < text.size() && !s_.edits.untouched(end, end + 1))) {
            return true;
        }
        return (start > 0 && creation.before.test(static_cast<unsigned char>(text[start - 1]))) ||
               (end < text.size() && creation.after.test(static_cast<unsigned char>(text[end])));
    }

    const Plan& plan_;
    std::string& text_;
    bool wholeText_;
    OneScanScratch& s_;
    bool scanned_ = false;  // s_.hits and s_.edits hold the text's occurrences and the replacements since
    bool oneByOne_ = false; // the scan failed: the pairs left pass over the text each
    // Of the text as scanned, found when first asked; and what the replacements since put in it.
    std::optional<bool> scannedIsUtf8_;
    std::optional<bool> scannedHoldsFolds_;
    std::optional<bool> scannedIsAscii_;
    bool editsKeepUtf8_ = true;     // every pair that replaced had valid UTF-8 find text and replacement
    bool insertedNonAscii_ = false; // some replacement holds a byte above ASCII
    bool cut_ = false;              // some replacement was empty
};

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
    for (std::size_t j = 0; j < plan.finds.size(); ++j) {
        if (isCancelled(cancel)) {
            outcome.cancelled = true;
            return outcome;
        }
        if (beforePair) {
            beforePair(j);
        }
        if (plan.finds[j].empty()) {
            continue;
        }
        outcome.applied = true;
        if (plan.findSet && !scratch.mayOccur[j]) {
            continue;
        }
        bool replacing = false;
        outcome.count +=
            applyPair(plan, j, text, plan.findSet ? &scratch.insertions : nullptr, replacing, wholeText);
        outcome.changed = outcome.changed || replacing;
        if (plan.findSet && replacing) {
            markCreated(plan, j, text, scratch);
        }
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
    if (!plan.literalScan) {
        return applyPairsOneByOne(plan, text, wholeText, cancel, beforePair);
    }
    thread_local OneScanScratch scratch;
    PairsOutcome outcome;
    OneScanPass pass(plan, text, wholeText, scratch);
    for (std::size_t j = 0; j < plan.finds.size(); ++j) {
        if (isCancelled(cancel)) {
            outcome.cancelled = true;
            return outcome;
        }
        if (beforePair) {
            beforePair(j);
        }
        if (!plan.finds[j].empty()) {
            outcome.applied = true;
            pass.apply(j, outcome);
        }
    }
    if (textWanted) {
        pass.finish();
    }
    scratch.releaseIfLarge();
    return outcome;
}

} // namespace morvane
