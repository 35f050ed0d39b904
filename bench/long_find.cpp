#include "long_find.h"

#include "core/platform/text_file.h"
#include "core/text/occurrences.h"
#include "corpus.h"

#include <chrono>
#include <cstdio>

namespace morvane::bench {

namespace {

constexpr std::size_t kTextBytes = 4'000'000;
constexpr std::size_t kFindBytes = 120'000;

void timeFind(const char* what, const std::string& text, const std::string& find) {
    std::string replaced = text;
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t count = countOccurrences(text, find);
    const auto counted = std::chrono::steady_clock::now();
    replaceInPlace(replaced, find, "x");
    const auto replacedAt = std::chrono::steady_clock::now();
    std::printf("  %-30s count %9.1f ms, count and replace %9.1f ms  (%lld found)\n", what,
                std::chrono::duration<double, std::milli>(counted - start).count(),
                std::chrono::duration<double, std::milli>(replacedAt - counted).count(),
                static_cast<long long>(count));
    std::fflush(stdout);
}

} // namespace

void printLongFindFigures(const std::string& work) {
    std::printf("\nA find text of %zu bytes over %.0f MB\n", kFindBytes, kTextBytes / 1e6);
    std::fflush(stdout);
    const Corpus corpus = ensureTextCorpus(work + "/text-corpus", 1000, 100'000'000);
    std::string ordinary;
    for (std::size_t i = 0; ordinary.size() < kTextBytes && i < corpus.files.size(); ++i) {
        ordinary += readTextFileOrEmpty(corpus.files[i]);
    }
    ordinary.resize(kTextBytes);
    std::string find = ordinary.substr(kTextBytes / 2, kFindBytes);
    find[kFindBytes / 2] = '#';
    timeFind("ordinary text", ordinary, find);

    std::string repeated(kFindBytes, 'a');
    repeated[kFindBytes / 2] = 'b';
    timeFind("worst case: one repeated byte", std::string(kTextBytes, 'a'), repeated);
}

} // namespace morvane::bench
