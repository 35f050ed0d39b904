#include "core/run/pair_plan.h"

#include <gtest/gtest.h>
#include <random>

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

// Each pair reads what the pairs before it left: occurrences they took are gone, and those their
// replacements or cuts made are there, however they came about.
TEST(OneScanPass, GivesWhatThePairsGiveOneAfterTheOther) {
    struct Case {
        const char* name;
        std::vector<std::string> finds;
        std::vector<std::string> replaces;
        const char* text;
        const char* expected;
        std::int64_t count;
    };
    for (const Case& c : std::vector<Case>{
             {"apart", {"foo", "baz"}, {"bar", "qux"}, "foo baz foo", "bar qux bar", 3},
             {"taken by an earlier pair", {"ab", "bc"}, {"X", "Y"}, "abc", "Xc", 1},
             {"made by an insertion", {"a", "bb"}, {"b", "c"}, "ab", "c", 2},
             {"made by a cut", {"x", "ab"}, {"", "Z"}, "axb", "Z", 2},
             {"overlapping ones counted", {"aa", "q"}, {"b", "r"}, "aaa", "ba", 2},
             {"made across two replacements", {"a", "b", "xy"}, {"x", "y", "!"}, "ab", "!", 3},
             {"made, cut and made again", {"a", "bc", "cd"}, {"c", "", "Q"}, "abcd", "Q", 3},
             {"kept as it is", {"ab", "b"}, {"ab", "c"}, "ab", "ac", 2},
         }) {
        const Passed passed = passOver(c.finds, c.replaces, c.text);
        EXPECT_EQ(passed.text, c.expected) << c.name;
        EXPECT_EQ(passed.count, c.count) << c.name;
    }
}

// A pair with options reads the text the plain pairs before it left, and the plain pairs after it read
// what it left: the occurrences a replacement made, reaching past it in another case; a word made or unmade
// by a new neighbour; a space above ASCII (a word's end in UTF-8, a letter's byte elsewhere) in a text a cut
// made UTF-8; a Kelvin sign, which folds to k.
TEST(OneScanPass, PairsWithOptionsReadTheTextBetween) {
    const PairOptions plain;
    const PairOptions fold{true, false, false};
    const PairOptions word{false, true, false};
    struct Case {
        const char* name;
        std::vector<std::string> finds;
        std::vector<std::string> replaces;
        PairOptionsList options;
        const char* text;
        const char* expected;
        std::int64_t count;
    };
    for (const Case& c : std::vector<Case>{
             {"case", {"Foo", "foo", "x"}, {"x", "y", "z"}, {plain, fold}, "Foo foo FOO", "z y y", 4},
             {"made past", {"x", "ba"}, {"b", "!"}, {plain, fold}, "xA", "!", 2},
             {"new neighbour", {"_", "foo"}, {" ", "bar"}, {plain, word}, "foo_x foox", "bar x foox", 2},
             {"no word by a letter", {"-", "foo"}, {"a", "bar"}, {plain, word}, "foo-", "fooa", 1},
             {"made UTF-8", {"\xC3X", "f"}, {"", "g"}, {plain, word}, "\xC3X f\xC2\xA0", " g\xC2\xA0", 2},
             {"Kelvin sign", {"x", "k"}, {"\xE2\x84\xAA", "!"}, {plain, fold}, "x k", "! !", 3},
         }) {
        const Passed passed = passOver(c.finds, c.replaces, c.text, true, c.options);
        EXPECT_EQ(passed.text, c.expected) << c.name;
        EXPECT_EQ(passed.count, c.count) << c.name;
    }
}

// Against the pairs applied one after the other, on texts of two letters where every pair can take, make
// and cut occurrences of the others. Every other round some pairs ignore case or match whole words, over
// texts that also hold a space, letters in both cases and characters that matter to those rules: a Kelvin
// sign (k to Unicode folding), a letter and a space above ASCII and a byte that is no UTF-8.
TEST(OneScanPass, MatchesThePairsAppliedOneByOne) {
    std::mt19937 random(7);
    bool withOptions = false;
    const std::vector<std::string> pieces = {"a",        "b",    "A",       "k", " ", "\xE2\x84\xAA",
                                             "\xC3\xA9", "\xC3", "\xC2\xA0"};
    const auto word = [&](std::size_t least, std::size_t most) {
        std::string text;
        for (std::size_t n = std::uniform_int_distribution<std::size_t>(least, most)(random); n > 0; --n) {
            text += pieces[random() % (withOptions ? pieces.size() - random() % 5 : 2)];
        }
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        withOptions = round % 2 == 1;
        std::vector<std::string> finds;
        std::vector<std::string> replaces;
        PairOptionsList options;
        const std::size_t pairs = 2 + random() % (round % 10 == 0 ? 60 : 6);
        for (std::size_t j = 0; j < pairs; ++j) {
            finds.push_back(word(1, 3));
            replaces.push_back(word(0, 3));
            options.push_back({withOptions && random() % 2 == 0, withOptions && random() % 3 == 0, false});
        }
        const std::string text = word(0, round % 10 == 0 ? 300 : 30);
        std::string expected = text;
        std::int64_t count = 0;
        for (std::size_t j = 0; j < pairs; ++j) {
            if (!options[j].isPlain()) {
                count += PairMatcher(finds[j], replaces[j], options[j]).replace(expected);
                continue;
            }
            count += countOccurrences(expected, finds[j]);
            expected = replaceAllOccurrences(expected, finds[j], replaces[j]);
        }
        const Passed passed = passOver(finds, replaces, text, true, options);
        ASSERT_EQ(passed.text, expected) << round;
        ASSERT_EQ(passed.count, count) << round;
        ASSERT_EQ(passOver(finds, replaces, text, false, options).count, count) << round;
    }
}

} // namespace
} // namespace morvane
