#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// Positions at which the find text begins, overlapping ones included: "aa" occurs twice in "aaa".
// An empty find text occurs nowhere.
std::int64_t AnzahlFundstellen(std::string_view text, std::string_view find);

// One scan that counts every occurrence, overlapping ones included, and writes into `out` the text with the
// non-overlapping occurrences replaced, found from the left: an occurrence that starts inside one already
// replaced is counted but not replaced, and inserted text is never searched. Returns the count; `out` is left
// as it was when the count is 0. An empty find text occurs nowhere.
std::int64_t countAndReplace(std::string_view text, std::string_view find, std::string_view replacement,
                             std::string& out);

std::string replaceAllOccurrences(std::string_view text, std::string_view find, std::string_view replacement);

} // namespace morvane
