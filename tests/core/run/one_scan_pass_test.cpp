#include "core/run/pair_plan.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

struct Passed {
    std::int64_t count = 0;
    std::string text;
};

// The pairs, and after them enough pairs that occur nowhere and change nothing for the run to take the one
// scan.
Passed passOver(std::vector<std::string> finds, std::vector<std::string> replaces, std::string text,
                bool execute = true, const PairOptionsList& options = {}) {
    for (char c = 'A'; c < 'Q'; ++c) {
        finds.push_back(std::string("\x7f") + c);
        replaces.push_back(finds.back());
    }
    RunRequest request;
    request.finds = finds;
    request.replaces = replaces;
    request.options = options;
    request.execute = execute;
    const Plan plan(request, finds, replaces);
    EXPECT_TRUE(plan.literalScan.has_value());
    const PairsOutcome outcome = applyPairs(plan, text, false, true, nullptr, [](std::size_t) {});
    return {outcome.count, std::move(text)};
}

constexpr PairOptions kPlain{};
constexpr PairOptions kFold{true, false, false};
constexpr PairOptions kWord{false, true, false};

// Each pair reads what the pairs before it left: occurrences they took are gone, and those their
// replacements or cuts made are there, however they came about. A pair with options reads the text the
// plain pairs before it left, and the plain pairs after it read what it left. Simulate counts the same.
TEST(OneScanPass, GivesWhatThePairsGiveOneAfterTheOther) {
    const struct {
        std::vector<std::string> finds, replaces;
        const char* text;
        const char* expected;
        std::int64_t count;
        PairOptionsList options{};
    } cases[] = {
        {{"ab", "bc"}, {"X", "Y"}, "abc", "Xc", 1},          // taken by an earlier pair
        {{"a", "bb"}, {"b", "c"}, "ab", "c", 2},             // made by an insertion
        {{"x", "ab"}, {"", "Z"}, "axb", "Z", 2},             // made by a cut
        {{"aa", "q"}, {"b", "r"}, "aaa", "ba", 2},           // overlapping ones counted
        {{"a", "b", "xy"}, {"x", "y", "!"}, "ab", "!", 3},   // made across two replacements
        {{"a", "bc", "cd"}, {"c", "", "Q"}, "abcd", "Q", 3}, // made, cut and made again
        {{"ab", "b"}, {"ab", "c"}, "ab", "ac", 2},           // kept as it is
        {{"Foo", "foo", "x"}, {"x", "y", "z"}, "Foo foo FOO", "z y y", 4, {kPlain, kFold}},
        // made by a replacement, reaching past it in another case
        {{"x", "ba"}, {"b", "!"}, "xA", "!", 2, {kPlain, kFold}},
        // a word made or unmade by a new neighbour
        {{"_", "foo"}, {" ", "bar"}, "foo_x foox", "bar x foox", 2, {kPlain, kWord}},
        {{"-", "foo"}, {"a", "bar"}, "foo-", "fooa", 1, {kPlain, kWord}},
        // a space above ASCII, a word's end in UTF-8 and a letter's byte elsewhere, in a text a cut made
        // UTF-8
        {{"\xC3X", "f"}, {"", "g"}, "\xC3X f\xC2\xA0", " g\xC2\xA0", 2, {kPlain, kWord}},
        // a Kelvin sign, which folds to k
        {{"x", "k"}, {"\xE2\x84\xAA", "!"}, "x k", "! !", 3, {kPlain, kFold}},
    };
    for (const auto& c : cases) {
        const Passed passed = passOver(c.finds, c.replaces, c.text, true, c.options);
        EXPECT_EQ(passed.text, c.expected) << c.text;
        EXPECT_EQ(passed.count, c.count) << c.text;
        EXPECT_EQ(passOver(c.finds, c.replaces, c.text, false, c.options).count, c.count) << c.text;
    }
}

} // namespace
} // namespace morvane
