#pragma once

#include <string>

namespace morvane::bench {

// Runs over every regular file below the folder (a real source tree) and over 20,000 small generated files:
// prints the floor, simulate runs with 1, 10, 100 and 1,000 pairs taken from the files' most frequent words,
// execute runs with 10 pairs on copies, with and without the undo journal, next to sed -i, perl -pi and the
// floor of reading, rewriting and flushing, with the number of files whose bytes differ from sed -i's;
// ripgrep's counting where it is installed, the ratios, the load, and the runner's peak memory. The copies go
// into the work folder and are removed afterwards.
void printTreeFigures(const std::string& work, const std::string& tree);

} // namespace morvane::bench
