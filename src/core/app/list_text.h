#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The headings of a list from its language text: split at every comma, nothing trimmed, two adjacent
// commas give an empty heading, an empty text gives none.
std::vector<std::string> splitHeadings(std::string_view text);

// The width every new column gets: all equal, together 80 twips narrower than the list.
double initialColumnWidthTwips(double listWidthTwips, std::size_t columns);

// The editor's boxes break lines with LF; the pair list keeps the CR LF of the files the pairs work on.
std::string typedToStored(std::string_view typed);
std::string storedToTyped(std::string_view stored);

} // namespace morvane
