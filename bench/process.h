#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvane::bench {

struct ProcessOutcome {
    bool ran = false; // started and exited with 0
    std::string out;
    double seconds = 0;
    long peakKilobytes = 0;
};

// Starts the small process that starts every later program, so that a program's peak is its own: a child
// started from this process counts this process's own peak, which grows as the benchmark reads trees, as
// its start. Call it first in main, while this process is still small.
void startLauncher();

// Runs the program with the arguments, its standard output into the file (read back into `out`), its errors
// discarded and its standard input, when given, from the input file, and waits for it; the peak is the
// child's largest resident set.
ProcessOutcome runProcess(std::vector<std::string> arguments, const std::string& outputFile,
                          const std::string* inputFile = nullptr);

// The sum from the runner's last line, "total", a TAB and the number; -1 when there is none.
std::int64_t runnerTotalOf(const std::string& runnerOutput);

} // namespace morvane::bench
