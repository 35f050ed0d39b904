#include "core/run/pair_warnings.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using Texts = std::vector<std::string>;

TEST(PairWarnings, WarnOnceAboutEachPairThatWorksAgainstAnEarlierOne) {
    constexpr PairOptions kCase{true, false, false}, kWord{false, true, false}, kPattern{false, false, true};
    const struct {
        Texts finds, replaces, expected;
        PairOptionsList options{};
    } cases[] = {
        {{"a", "b"}, {"x", "y"}, {}},
        {{"cat", "x", "dog"}, {"dog", "y", "cow"}, {"pair 3 also changes what pair 1 inserts"}},
        {{"q", "ab", "z", "abc"},
         {"r", "X", "w", "Y"},
         {"pair 2 replaces every \"ab\" before pair 4 looks for \"abc\""}},
        {{"a", "a"}, {"b", "c"}, {"pair 1 replaces every \"a\" before pair 2 looks for \"a\""}},
        // The earlier pair puts the find text back in: the later one does match, and changes that.
        {{"ab", "abc"}, {"abcd", "Y"}, {"pair 2 also changes what pair 1 inserts"}},
        // A pair that keeps its own text, or has no find text, changes nothing.
        {{"ab", "", "abc", "b"}, {"ab", "ab", "abc", "b"}, {}},
        // Compared expanded.
        {{"^t", "^chr(9)x"},
         {"T", "y"},
         {"pair 1 replaces every \"^t\" before pair 2 looks for \"^chr(9)x\""}},
        // Columns of different length.
        {{"a", "b", "a"}, {"b", "c"}, {"pair 2 also changes what pair 1 inserts"}},
        // With options, only where the matcher finds an insertion; an earlier pattern may leave what a later
        // pair looks for.
        {{"a", "B"}, {"b", "c"}, {"pair 2 also changes what pair 1 inserts"}, {{}, kCase}},
        {{"a", "b"}, {"ab", "c"}, {}, {{}, kWord}},
        {{"a", "x"}, {"b", "y"}, {}, {{}, kPattern}},
        {{"a", "ab"}, {"$0", "c"}, {}, {kPattern, {}}},
    };
    for (const auto& c : cases) {
        Texts texts;
        for (const PairWarning& warning : pairWarnings(c.finds, c.replaces, c.options)) {
            texts.push_back(pairWarningText(warning, c.finds));
        }
        EXPECT_EQ(texts, c.expected) << c.finds.back();
    }
}

} // namespace
} // namespace morvane
