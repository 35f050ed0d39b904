#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// Positions at which the find text begins, overlapping ones included: "aa" occurs twice in "aaa".
// An empty find text occurs nowhere.
std::int64_t AnzahlFundstellen(std::string_view text, std::string_view find);

// Replaces from left to right without overlap; the scan goes on after each replaced occurrence, so inserted
// text is never searched again. An empty find text leaves the text as it is.
std::string replaceAllOccurrences(std::string_view text, std::string_view find, std::string_view replacement);

} // namespace morvane
