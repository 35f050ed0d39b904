#pragma once

#include <string>

namespace morvane::bench {

// Streams one generated file of 1 GiB and one of 4 GiB through the runner, simulating and executing with 1
// and with 10 pairs, next to ripgrep counting the same find texts and sed rewriting a copy with the same
// pairs, with the peak memory of each process; the files are removed afterwards. Returns whether the runner
// and sed left the same bytes.
bool printLargeFileFigures(const std::string& work);

} // namespace morvane::bench
