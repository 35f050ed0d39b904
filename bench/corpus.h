#pragma once

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

// Empty files whose names the file-names benchmark matches.
std::vector<std::string> ensureNameCorpus(const std::string& folder, int files);

// Ten plain pairs (no notation), some chained, some self-overlapping, used by every contestant alike.
std::vector<std::pair<std::string, std::string>> benchmarkPairs();

} // namespace morvane::bench
