#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// Finds a fixed text quickly, again and again: built once per find text and run, used for every file.
class OccurrenceFinder {
  public:
    explicit OccurrenceFinder(std::string_view find);

    std::string_view text() const { return find_; }
    // The start of the first occurrence at or after `from`, or npos.
    std::size_t next(std::string_view text, std::size_t from) const;
    // Two occurrences can start no closer than this: the find text's smallest period. Searching on from an
    // occurrence by this much finds every overlapping one without looking at a position twice.
    std::size_t overlapStep() const { return period_; }

  private:
    std::string_view find_;
    std::size_t period_;
};

// Positions at which the find text begins, overlapping ones included: "aa" occurs twice in "aaa".
// An empty find text occurs nowhere.
std::int64_t AnzahlFundstellen(std::string_view text, std::string_view find);
std::int64_t countOccurrences(std::string_view text, const OccurrenceFinder& find);

// One scan that counts every occurrence, overlapping ones included, and writes into `out` the text with the
// non-overlapping occurrences replaced, found from the left: an occurrence that starts inside one already
// replaced is counted but not replaced, and inserted text is never searched. Returns the count; `out` is left
// as it was when the count is 0. An empty find text occurs nowhere.
std::int64_t countAndReplace(std::string_view text, const OccurrenceFinder& find,
                             std::string_view replacement, std::string& out);

std::string replaceAllOccurrences(std::string_view text, std::string_view find, std::string_view replacement);

} // namespace morvane
