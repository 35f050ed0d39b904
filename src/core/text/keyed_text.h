#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Replaces the find text until it no longer occurs, so a run of any length collapses ("\t\t\t" by "\t" gives
// "\t"). A replacement that contains the find text would never end; the text is then replaced once. The
// passes stop as soon as one leaves the text no shorter, so the loop ends whatever the search does.
std::string replaceUntilAbsent(std::string text, std::string_view find, std::string_view replacement);

// The program's keyed-text files read runs of TABs as one TAB and runs of line breaks as one, so blank lines
// and doubled TABs may stand anywhere.
std::string normaliseKeyedText(std::string text);

} // namespace morvane
