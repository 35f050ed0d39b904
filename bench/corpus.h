#pragma once

#include "core/run/run.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace morvane::bench {

struct Corpus {
    std::vector<std::string> files;
    std::uint64_t bytes = 0;
    std::uint64_t largestFile = 0;
};

// Text files of English-like words in CR LF lines, the same bytes on every machine for the same seed.
// Written once into the folder and reused while the folder says it holds this corpus.
Corpus ensureTextCorpus(const std::string& folder, int files, std::uint64_t totalBytes);

// Files of C-like source lines (identifiers in several cases, macros, hexadecimal numbers, picture names,
// durations, a few non-ASCII words), the same bytes for the same arguments. Written once and reused.
Corpus ensureCodeCorpus(const std::string& folder, int files, std::uint64_t totalBytes);

// One text file of the same kind of at least the size, written in slices so that making it takes little
// memory. Written once and reused while its size says it is complete. Returns its path.
std::string ensureLargeFile(const std::string& folder, std::uint64_t minimumBytes);

// Empty files whose names the file-names benchmark matches.
std::vector<std::string> ensureNameCorpus(const std::string& folder, int files);

// Ten plain pairs (no notation), some chained, some self-overlapping, used by every contestant alike.
std::vector<std::pair<std::string, std::string>> benchmarkPairs();

// A pair's text as the find/replace list writes it: a line break as ^p, every other pair as it is.
std::string inNotation(const std::string& text);

// A simulate run of the benchmark's pairs over the files on this many workers (0: as many as the machine
// has).
RunRequest benchmarkRequest(const std::vector<std::string>& files, unsigned workers);

} // namespace morvane::bench
