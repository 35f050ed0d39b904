#pragma once

#include <string>

namespace morvane::bench {

// Times pairs with options as people run them: the runner as a process, start-up included, counting over
// the count folder with 10 literal pairs, the same ignoring case, 10 whole-word pairs and 10 pattern pairs,
// next to ripgrep counting the same find texts with the matching flags, and executing on fresh copies of the
// execute folder next to sd run once per pair, as its users run it, on a copy of its own; in rotating rounds,
// with medians, paired ratios and the load. Returns whether every execute left the same bytes as sd.
bool printMatchingFigures(const std::string& work, const std::string& countFolder,
                          const std::string& executeFolder);

} // namespace morvane::bench
