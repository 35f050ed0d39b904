#pragma once

#include "support/temp_dir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// A property that does not hold is a crash to the fuzzer, with the property named on standard error.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// The same, saying the reason the code under test gave when the property does not hold.
#define FUZZ_CHECK_BECAUSE(condition, reason)                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: property does not hold: %s (%s)\n", __FILE__, __LINE__, #condition, \
                         std::string(reason).c_str());                                                       \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace morvane::fuzz {

// Between one and maxPairs pairs, each find text and replacement at most maxLength bytes, taken in the order
// the seeds of every target were written for.
template <typename Input>
void consumePairs(Input& input, int maxPairs, std::size_t maxLength, std::vector<std::string>& finds,
                  std::vector<std::string>& replaces) {
    const int pairCount = input.ConsumeIntegralInRange(1, maxPairs);
    for (int i = 0; i < pairCount; ++i) {
        finds.push_back(input.ConsumeRandomLengthString(maxLength));
        replaces.push_back(input.ConsumeRandomLengthString(maxLength));
    }
}

// One folder for the whole fuzzing process; each input overwrites the files it uses.
inline const testing::TempDir& scratch() {
    static const testing::TempDir folder;
    return folder;
}

// Every position, overlapping ones included, written the plain way as the reference for the scanner.
inline long long referenceCount(std::string_view text, std::string_view find) {
    long long count = 0;
    for (std::size_t at = 0; !find.empty() && at + find.size() <= text.size(); ++at) {
        count += text.substr(at, find.size()) == find ? 1 : 0;
    }
    return count;
}

// Left to right without overlap, the plain way.
inline std::string referenceReplace(std::string_view text, std::string_view find,
                                    std::string_view replacement) {
    if (find.empty()) {
        return std::string(text);
    }
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.substr(at, find.size()) == find) {
            out += replacement;
            at += find.size();
        } else {
            out += text[at++];
        }
    }
    return out;
}

// From a short input, as many pairs as a glossary holds: between 1 and 1,000 (mostly a few dozen), told by
// the text. Their find texts are pieces of the text, so that they occur, often inside one another; their
// replacements are pieces too or nothing, so that they take, make and cut occurrences of the pairs after
// them.
inline void appendPairsFromText(const std::string& text, std::vector<std::string>& finds,
                                std::vector<std::string>& replaces) {
    std::uint32_t state = static_cast<std::uint32_t>(text.size()) * 2654435761u | 1;
    for (const char c : text.substr(0, 16)) {
        state = (state ^ static_cast<unsigned char>(c)) * 16777619u | 1;
    }
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    const auto piece = [&](std::size_t least) {
        if (text.empty()) {
            return std::string(least, 'a');
        }
        return text.substr(next() % text.size(), least + next() % 6);
    };
    const std::uint32_t count = 1 + (next() % 4 == 0 ? next() % 1000 : next() % 40);
    for (std::uint32_t i = 0; i < count; ++i) {
        finds.push_back(piece(1));
        replaces.push_back(next() % 4 == 0 ? std::string() : piece(0));
    }
}

} // namespace morvane::fuzz
