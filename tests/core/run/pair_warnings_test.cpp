#include "core/run/pair_warnings.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

struct WarningCase {
    const char* name;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::vector<std::string> expected;
};

class PairWarningsTable : public ::testing::TestWithParam<WarningCase> {};

TEST_P(PairWarningsTable, WarnsOnceAboutEachPairThatWorksAgainstAnEarlierOne) {
    const WarningCase& c = GetParam();
    std::vector<std::string> texts;
    for (const PairWarning& warning : pairWarnings(c.finds, c.replaces)) {
        texts.push_back(pairWarningText(warning, c.finds));
    }
    EXPECT_EQ(texts, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PairWarnings, PairWarningsTable,
    ::testing::Values(
        WarningCase{"independent_pairs", {"a", "b"}, {"x", "y"}, {}},
        WarningCase{"changes_what_an_earlier_pair_inserts",
                    {"cat", "x", "dog"},
                    {"dog", "y", "cow"},
                    {"pair 3 also changes what pair 1 inserts"}},
        WarningCase{"never_matches_after_a_part_is_replaced",
                    {"q", "ab", "z", "abc"},
                    {"r", "X", "w", "Y"},
                    {"pair 2 replaces every \"ab\" before pair 4 looks for \"abc\""}},
        WarningCase{"same_find_twice_never_matches",
                    {"a", "a"},
                    {"b", "c"},
                    {"pair 1 replaces every \"a\" before pair 2 looks for \"a\""}},
        // The earlier pair puts the find text back in: the later one does match, and changes that.
        WarningCase{"part_replaced_but_put_back",
                    {"ab", "abc"},
                    {"abcd", "Y"},
                    {"pair 2 also changes what pair 1 inserts"}},
        WarningCase{"a_pair_between_puts_it_back",
                    {"ab", "x", "abc"},
                    {"X", "abc", "Y"},
                    {"pair 3 also changes what pair 2 inserts"}},
        // A pair that keeps its own text, or has no find text, changes nothing.
        WarningCase{"pairs_that_change_nothing", {"ab", "", "abc", "b"}, {"ab", "ab", "abc", "b"}, {}},
        WarningCase{"compared_expanded",
                    {"^t", "^chr(9)x"},
                    {"T", "y"},
                    {"pair 1 replaces every \"^t\" before pair 2 looks for \"^chr(9)x\""}},
        WarningCase{"columns_of_different_length",
                    {"a", "b", "a"},
                    {"b", "c"},
                    {"pair 2 also changes what pair 1 inserts"}}),
    [](const ::testing::TestParamInfo<WarningCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace morvane
