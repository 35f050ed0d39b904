#pragma once

#include "process.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace morvane::bench {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// One timed run of one contender.
struct Sample {
    double seconds = 0;
    long peakKilobytes = 0;
    std::int64_t total = -1;
    bool ran = false;
};

struct Contender {
    std::string name;
    std::function<Sample()> run;
    std::vector<Sample> samples{};
};

// Every round runs each contender once, the order turned by one each round, so that no contender always runs
// on the cache or the disk state the same other one left behind.
void runInRotatingRounds(std::vector<Contender>& contenders, int rounds);

double medianSecondsOf(const Contender& contender);

// The median of the rounds' ratios of one's time over the other's: both runs of a round saw the same load.
double pairedRatio(const Contender& one, const Contender& other);

bool allRan(const Contender& contender);

// Each contender's median, paired ratio to the reference, peak memory and last total.
void printTable(const std::vector<Contender>& contenders, const Contender& reference);

Sample sampleOf(const ProcessOutcome& outcome, std::int64_t total);

// A contender that runs a process, its total read from its output.
Contender processContender(const std::string& name, const std::vector<std::string>& arguments,
                           const std::string& output, std::int64_t (*totalOf)(const std::string&));

// The runner's execute with the arguments that follow "execute", in a program folder of its own below the
// work folder, so that no run clears up the files another kept for undo.
Sample runnerExecute(const std::string& work, const std::vector<std::string>& arguments);

// ripgrep prints a count per file, after the path and a colon when it names more than one file.
std::int64_t ripgrepTotalOf(const std::string& output);

// The first figure of /proc/loadavg.
std::string loadAverage();

// Every regular file below the folder, links left out, sorted.
std::vector<std::string> regularFilesBelow(const std::string& folder);
std::uint64_t bytesOf(const std::vector<std::string>& files);

// Writes the paths, each followed by `end`; returns the list file's path.
std::string writeList(const std::string& listFile, const std::vector<std::string>& files, char end);

std::vector<std::string> runnerPairs(const Pairs& pairs);
std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second);

// The runner's arguments to take every regular file below a folder, hidden, ignored and binary ones included,
// as ripgrep's --no-ignore --hidden -a do.
extern const std::vector<std::string> kRunnerWholeFolder;

// A fresh copy of the folder, flushed, so that writing it starts from a settled disk.
void copyFolder(const std::string& folder, const std::string& copy);

// The same files below another folder, given their paths below the first.
std::vector<std::string> pathsBelow(const std::string& folder, const std::vector<std::string>& below);

// The paths below one copy whose bytes differ from the same path below the other.
std::size_t filesThatDiffer(const std::vector<std::string>& below, const std::string& one,
                            const std::string& other);

} // namespace morvane::bench
