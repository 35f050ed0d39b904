#pragma once

#include <string>

namespace morvane::bench {

// Times a find text of 120,000 bytes over 4 MB twice: over ordinary text, and over one repeated byte with the
// find text differing from it only in its middle byte, where every position looks like a start of a match.
void printLongFindFigures(const std::string& work);

} // namespace morvane::bench
