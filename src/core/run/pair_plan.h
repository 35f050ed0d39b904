// The pairs of one run as every worker reads them: which pairs only count, which can occur in a text and
// which later pairs a pair's replacements can make occur; and the pass of one pair over a text.
#pragma once

#include "core/run/cancel.h"
#include "core/run/run.h"
#include "core/text/edited_text.h"
#include "core/text/find_set.h"
#include "core/text/literal_scan.h"
#include "core/text/occurrences.h"
#include "core/text/pair_matcher.h"

#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

class RunJournal;
namespace platform {
class WriteJournal;
}

// The expanded pairs of one run, shared read-only by every worker.
struct Plan {
    const RunRequest& request;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::vector<PairRole> roles; // see pairRoles
    bool hasNonEmptyPair = false;
    // One per pair: the matcher of a pair with options, built once for the run; nothing for a plain pair.
    // Such a pair is in the find set and the literal scan where they can find its literal find text for it
    // (inScan); the others stand there as empty find texts: they may occur in any text and any earlier pair
    // may make them occur.
    std::vector<std::optional<PairMatcher>> matchers;
    bool hasOptionPairs = false;
    // For contents with many pairs: finds which pairs occur in a text, and for each pair the later ones
    // whose find text its replacements can make occur. Shared with the literal scan, which walks the same
    // automaton where its bucket scan does not serve.
    std::shared_ptr<const FindSet> findSet;
    std::vector<std::vector<std::size_t>> created;
    // For each plain pair, how its replacement can make the later pairs in `created` occur: which lie inside
    // the replacement, so that every replacement makes them occur, and which bytes right before or after an
    // inserted replacement (or a cut) an occurrence that reaches past it needs there. A replacement with
    // neither byte next to it made none of the others occur.
    struct Creation {
        std::vector<std::size_t> inside;
        std::bitset<256> before;
        std::bitset<256> after;
    };
    std::vector<Creation> creations;
    // For contents with several plain pairs: where all of them occur in a text, found in one pass. The pairs
    // then replace in that text without building it anew for each (see applyPairs).
    std::optional<LiteralScan> literalScan;
    // For a simulate run with few pairs or a literal scan: the pairs whose replacements no later pair could
    // tell from their find text, since no later find text can overlap either. Their text is never made:
    // they only count.
    std::vector<char> onlyCounting;
    RunJournal* journal = nullptr; // an execute run's, used on the run's own thread only
    // What the workers of an execute run in contents mode tell the journal while they prepare writes.
    platform::WriteJournal* folders = nullptr;
    // Whether the journal records the hash of what a write leaves, which a streamed write makes as it goes.
    bool hashWrites = false;

    Plan(const RunRequest& request_, std::vector<std::string> finds_, std::vector<std::string> replaces_);
    bool contents() const { return request.mode == ReplaceMode::Contents; }
    // Whether the find set and the literal scan hold pair j: a plain pair, or one whose matcher they serve.
    bool inScan(std::size_t j) const { return !matchers[j] || !matchers[j]->scannedFind().empty(); }
    // Whether pair j matches its ASCII letters in either case where the find set and the scan look for it.
    bool foldsCase(std::size_t j) const { return matchers[j] && matchers[j]->scanFoldsCase(); }
};

// What a worker keeps from row to row for the pairs' pass over a text.
struct PairScratch {
    std::vector<char> mayOccur; // the pairs that can occur in the text
    std::vector<char> wanted;   // the later pairs an insertion is checked for
    Insertions insertions;      // where the last pair put its replacements
};

// Beyond this many, a worker gives back the memory that held where a pair's replacements went.
inline constexpr std::size_t kInsertionsKept = std::size_t{1} << 18;

// What the pairs of a run did to one text.
struct PairsOutcome {
    std::int64_t count = 0;
    bool applied = false;   // some pair has a find text
    bool changed = false;   // some occurrence took other bytes
    bool cancelled = false; // the run was cancelled before the last pair
};

// Every pair over a whole text, in order, each reading what the ones before it left; beforePair, unless
// empty, is told of each pair as it comes. With wholeText, as for applyPair. Where textWanted is false (a
// simulate run that reads nothing back), the text may be left as it was.
//
// With a literal scan, the plain pairs find their occurrences in one scan of the text and replace by noting
// what goes where; the new text is built once, when the run is over, or earlier where a pair with options
// has to read it or a replacement has made some later pair occur, and then scanned again. Whether a
// replacement made a later pair occur is told by looking around it, as markCreated does.
PairsOutcome applyPairs(const Plan& plan, std::string& text, bool wholeText, bool textWanted,
                        const std::atomic<bool>* cancel,
                        const std::function<void(std::size_t pair)>& beforePair);

// Goes over the pairs in order for one pass over a text: tells beforePair (unless empty) of each, and hands
// each pair with a find text to apply, noting that some pair applied. Stops, marking the outcome cancelled,
// once the run is cancelled.
template <typename Apply>
void passEachPair(const Plan& plan, const std::atomic<bool>* cancel,
                  const std::function<void(std::size_t pair)>& beforePair, PairsOutcome& outcome,
                  Apply apply) {
    for (std::size_t j = 0; j < plan.finds.size(); ++j) {
        if (isCancelled(cancel)) {
            outcome.cancelled = true;
            return;
        }
        if (beforePair) {
            beforePair(j);
        }
        if (!plan.finds[j].empty()) {
            outcome.applied = true;
            apply(j);
        }
    }
}

// Pair j over the text: replaces and counts, or only counts where nobody reads what it leaves. With
// insertions given, notes where a plain pair's replacements went. `changed` tells whether some occurrence
// took other bytes. With wholeText, every pair that changes the text replaces, even in a simulate run: the
// text the pairs leave is wanted whole (to tell whether it can be encoded back).
std::int64_t applyPair(const Plan& plan, std::size_t j, std::string& text, Insertions* insertions,
                       bool& changed, bool wholeText = false);

// After pair j replaced, the later pairs it can have made occur: each that does occur around one of its
// replacements (the bytes from a find text's length before to as far after), or, where scanning around the
// replacements would cost more than scanning the whole text for each, all that it could make occur.
void markCreated(const Plan& plan, std::size_t j, std::string_view text, PairScratch& scratch);

} // namespace morvane
