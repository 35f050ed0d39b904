#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The text helpers the saved-tasks reader is built on. All comparisons are exact, byte for byte.

// The text with at most one edge removed from its end and then at most one from its start. An empty edge
// removes nothing.
std::string stripEdges(std::string_view text, std::string_view edge);

// Every text between an occurrence of the start tag and the next end tag after it, in order. The search for
// the next start tag resumes at that end tag; a start tag without an end tag after it ends the search. An
// empty start tag finds nothing.
std::vector<std::string> tagValues(std::string_view text, std::string_view startTag, std::string_view endTag);

// Marks a value in a patternValues pattern.
inline constexpr char kValueMark = '*';

// Each "*" of the pattern marks a value; the literal parts between them are found one after the other, each
// from just behind the previous one, and the values are the texts between them. When a part is missing,
// nichtGefunden is set and the list is empty.
std::vector<std::string> patternValues(std::string_view text, std::string_view pattern, bool& nichtGefunden);

} // namespace morvane
