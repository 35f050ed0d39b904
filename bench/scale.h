#pragma once

#include <string>

namespace morvane::bench {

// Runs over 100,000 small files and over one file of 3 GiB, each in a runner process of its own so that each
// peak of memory is that run's alone, and prints the times and peaks. False when a run failed or the counts
// of simulating and executing differ.
bool printScaleFigures(const std::string& work);

} // namespace morvane::bench
