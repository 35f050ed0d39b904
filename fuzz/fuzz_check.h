#pragma once

#include "core/run/run.h"
#include "core/text/notation.h"
#include "core/text/pair_options.h"
#include "core/text/text_encoding.h"
#include "support/plain_text.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <re2/re2.h>
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

inline long long referenceCount(std::string_view text, std::string_view find) {
    return static_cast<long long>(testing::plainPositions(text, find).size());
}

using testing::plainReplace;

inline bool isWordCharacter(std::string_view character, bool utf8) {
    static const RE2 word("[\\p{L}\\p{M}\\p{Nd}_]");
    const auto byte = static_cast<unsigned char>(character.front());
    if (!utf8 || byte < 0x80) {
        return byte >= 0x80 || (byte >= '0' && byte <= '9') ||
               ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') || byte == '_';
    }
    return RE2::FullMatch(re2::StringPiece(character.data(), character.size()), word);
}

inline bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A literal pair with options the slow, plain way: every position where a character starts is tried on its
// own, by RE2 anchored there in UTF-8 text (where case folds by Unicode's rules), by comparing bytes with
// ASCII letters folded elsewhere; a whole word looks at the characters around. Every position that matches
// counts; from the left, those that do not overlap one replaced are replaced.
inline long long referenceLiteral(std::string& text, const std::string& find, const std::string& replacement,
                                  morvane::PairOptions options) {
    const bool utf8 = morvane::isValidUtf8(find) && morvane::isValidUtf8(text);
    RE2::Options reOptions;
    reOptions.set_log_errors(false);
    reOptions.set_case_sensitive(!options.ignoreCase);
    const RE2 quoted(RE2::QuoteMeta(find), reOptions);
    const auto fold = [&](char c) {
        return options.ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
    };
    const auto lengthAt = [&](std::size_t at) -> std::size_t {
        if (utf8) {
            re2::StringPiece match;
            return quoted.Match(text, at, text.size(), RE2::ANCHOR_START, &match, 1) ? match.size() : 0;
        }
        for (std::size_t i = 0; i < find.size(); ++i) {
            if (at + i >= text.size() || fold(text[at + i]) != fold(find[i])) {
                return 0;
            }
        }
        return find.size();
    };
    const auto characterAt = [&](std::size_t at) {
        std::size_t end = at + 1;
        while (utf8 && end < text.size() && isContinuation(text[end])) {
            ++end;
        }
        return std::string_view(text).substr(at, end - at);
    };
    const auto characterBefore = [&](std::size_t at) {
        std::size_t start = at - 1;
        while (utf8 && start > 0 && isContinuation(text[start])) {
            --start;
        }
        return std::string_view(text).substr(start, at - start);
    };
    long long count = 0;
    std::string result;
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t length = utf8 && isContinuation(text[at]) ? 0 : lengthAt(at);
        if (length == 0 || (options.wholeWord && ((at > 0 && isWordCharacter(characterBefore(at), utf8)) ||
                                                  (at + length < text.size() &&
                                                   isWordCharacter(characterAt(at + length), utf8))))) {
            continue;
        }
        ++count;
        if (at >= copied) {
            result.append(text, copied, at - copied);
            result += replacement;
            copied = at + length;
        }
    }
    result.append(text, copied);
    text = std::move(result);
    return count;
}

struct Chained {
    long long count = 0;
    std::string text;
};

// The pairs in turn over the whole text the plain way, their notation expanded when `notation`: a plain pair
// by referenceCount and plainReplace, one with options by referenceLiteral.
inline Chained referenceChain(std::string text, const std::vector<std::string>& finds,
                              const std::vector<std::string>& replaces,
                              const morvane::PairOptionsList& options, bool notation) {
    Chained chained;
    for (std::size_t i = 0; i < finds.size(); ++i) {
        const std::string find = notation ? morvane::expandNotation(finds[i]) : finds[i];
        const std::string replacement = notation ? morvane::expandNotation(replaces[i]) : replaces[i];
        const morvane::PairOptions pair = morvane::optionsOfPair(options, i);
        if (pair.isPlain()) {
            chained.count += referenceCount(text, find);
            text = plainReplace(text, find, replacement);
        } else if (!find.empty()) {
            chained.count += referenceLiteral(text, find, replacement, pair);
        }
    }
    chained.text = std::move(text);
    return chained;
}

// A chain that blows a short text up to megabytes checks nothing a shorter one does not, and the fuzzer
// spends minutes on such an input where it spends milliseconds on the others.
inline constexpr std::size_t kMostChainedBytes = std::size_t{16} << 10;

// Keeps the pairs up to the one that would take the text the reference chain makes past kMostChainedBytes,
// or twice its own length if longer; returns what the chain of the kept pairs makes of the text.
inline Chained keepPairsWithinGrowth(const std::string& text, morvane::RunRequest& pairs, bool notation) {
    const std::size_t mostBytes = std::max(kMostChainedBytes, 2 * text.size());
    Chained chained{0, text};
    for (std::size_t i = 0; i < pairs.finds.size(); ++i) {
        Chained next = referenceChain(chained.text, {pairs.finds[i]}, {pairs.replaces[i]},
                                      {morvane::optionsOfPair(pairs.options, i)}, notation);
        if (next.text.size() > mostBytes) {
            pairs.finds.resize(i);
            pairs.replaces.resize(i);
            pairs.options.resize(std::min(pairs.options.size(), i));
            break;
        }
        chained.count += next.count;
        chained.text = std::move(next.text);
    }
    return chained;
}

// Two runs of the pairs over copies of the text, simulating and then executing, count, fail and write alike.
inline void checkRunsAgree(const std::string& text, morvane::RunRequest a, morvane::RunRequest b) {
    a.files = {scratch().write("a.txt", text)};
    b.files = {scratch().write("b.txt", text)};
    for (const bool execute : {false, true}) {
        a.execute = b.execute = execute;
        const morvane::RunResult x = morvane::runPairs(a);
        const morvane::RunResult y = morvane::runPairs(b);
        FUZZ_CHECK(x.failures.size() == y.failures.size() && x.rows.size() == 1 && y.rows.size() == 1);
        FUZZ_CHECK(x.failures.empty() || x.failures[0].reason == y.failures[0].reason);
        FUZZ_CHECK(x.rows[0].count == y.rows[0].count && x.status == y.status);
        FUZZ_CHECK(testing::readBytes(a.files[0]) == testing::readBytes(b.files[0]));
    }
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
