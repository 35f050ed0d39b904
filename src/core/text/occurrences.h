#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Positions at which the find text begins, overlapping ones included: "aa" occurs twice in "aaa".
// An empty find text occurs nowhere.
std::int64_t countOccurrences(std::string_view text, std::string_view find);

// Counts every occurrence, overlapping ones included, and replaces the non-overlapping ones found from the
// left within the text itself: an occurrence that starts inside one already replaced is counted but not
// replaced, and inserted text is never searched. Returns the count. A replacement not longer than the find
// text needs no memory beyond the text; a longer one needs the new text's, the old text's pages being given
// back while it is copied. The find text and the replacement must not lie inside the text.
std::int64_t replaceInPlace(std::string& text, std::string_view find, std::string_view replacement);

// Where replaceInPlace put each replacement in the new text, ascending, up to `most` of them: beyond that,
// only that there were more.
struct Insertions {
    std::vector<std::size_t> at;
    std::size_t most = 0;
    bool overflowed = false;
};

// replaceInPlace, also telling where the replacements went.
std::int64_t replaceInPlace(std::string& text, std::string_view find, std::string_view replacement,
                            Insertions& insertions);

// Calls onReplaced with the start of every occurrence that replaceInPlace replaces, in ascending order, and
// returns the count replaceInPlace gives.
std::int64_t forEachReplaced(std::string_view text, std::string_view find,
                             const std::function<void(std::size_t at)>& onReplaced);

// Calls onHit with the start of every occurrence, overlapping ones included, in ascending order.
void visitOccurrences(std::string_view text, std::string_view find,
                      const std::function<void(std::size_t at)>& onHit);

std::string replaceAllOccurrences(std::string_view text, std::string_view find, std::string_view replacement);

// What a pair of a run does with its text: replaces; keeps it, its replacement being its own find text; or
// only counts, since nobody reads what it leaves, as with the last pair with a non-empty find text in a
// simulate run.
enum class PairRole { Replace, Keep, OnlyCount };

// The role of each pair, in order.
std::vector<PairRole> pairRoles(const std::vector<std::string>& finds,
                                const std::vector<std::string>& replaces, bool simulate);

} // namespace morvane
