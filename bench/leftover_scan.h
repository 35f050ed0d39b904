#pragma once

#include <string>

namespace morvane::bench {

// What clearing up after interrupted runs costs an execute run: 100,000 small files in 2,000 folders,
// simulated on one worker, executed (every file is written back) without and with the journal and the search
// of the folders for leftovers, and the search alone.
void printLeftoverScanFigures(const std::string& work);

} // namespace morvane::bench
