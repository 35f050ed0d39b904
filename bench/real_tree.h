#pragma once

#include <string>

namespace morvane::bench {

// Times the runner as people run it, a process with its start-up, next to its peers run as their users run
// them, in rotating rounds with medians and paired ratios, the load before and after, and each process's peak
// memory: counting with 10, 100 and 1,000 of the tree's frequent words next to ripgrep on the folder and on
// the same list of files; one file of a GiB of the tree's text with 1 and 10 pairs next to ripgrep and cat;
// execute on copies (the kernel's network drivers when the tree is the kernel's, and 20,000 small generated
// files), with and without undo, next to sed -i, perl -pi and sd, with the number of files whose bytes differ
// from sed -i's. The floors run in this process on as many threads as the runner uses. The copies go into the
// work folder and are removed afterwards.
void printTreeFigures(const std::string& work, const std::string& tree);

// The execute figures alone over 20,000 small generated files, every one of which the pairs change.
void printSmallFilesExecuteFigures(const std::string& work);

} // namespace morvane::bench
