#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The notation of find and replace texts: "^p" is CR LF, "^t" is TAB, "^chr(n)" for n = 0..255 in plain
// decimal (no sign, blank or leading zero) is the byte n. Anything else, upper case and incomplete forms
// included, stays as typed. The forms are expanded one after the other over the whole text: "^p", then "^t",
// then n = 0 to 255, so a byte made by an earlier form can start a later one but never an earlier one.
std::string expandNotation(std::string_view text);

// The fixed help text the editor shows beside the find and replace boxes, every line ended by CR LF.
inline constexpr std::string_view kSpecialCharsHelp =
    "\r\nReturn/ Enter\r\n^p\r\n^chr(13)^chr(10)\r\n\r\nTab\r\n^t\r\n^chr(9)\r\n\r\nAny "
    "character\r\n^chr(x)\r\n"
    "with code number\r\nx = 0..255\r\n";

// Expands every entry in place.
void expandEachNotation(std::vector<std::string>& texts);

} // namespace morvane
