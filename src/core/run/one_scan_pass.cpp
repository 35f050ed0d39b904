#include "core/run/one_scan_pass.h"

#include "core/text/text_encoding.h"

#include <algorithm>

namespace morvane {

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

} // namespace

PairsOutcome applyPairsInOneScan(const Plan& plan, std::string& text, bool wholeText, bool textWanted,
                                 const std::atomic<bool>* cancel,
                                 const std::function<void(std::size_t pair)>& beforePair) {
    thread_local OneScanScratch scratch;
    PairsOutcome outcome;
    OneScanPass pass(plan, text, wholeText, scratch);
    passEachPair(plan, cancel, beforePair, outcome, [&](std::size_t j) { pass.apply(j, outcome); });
    if (outcome.cancelled) {
        return outcome;
    }
    if (textWanted) {
        pass.finish();
    }
    scratch.releaseIfLarge();
    return outcome;
}

} // namespace morvane
