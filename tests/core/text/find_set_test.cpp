#include "core/text/find_set.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>

namespace morvane {
namespace {

// An occurrence is found wherever it lies in a long text, at either end too, however the text is walked. Each
// walk over a quarter of a long text reads its bytes once and in order, so that no occurrence is made of
// bytes that do not stand side by side; an empty find text occurs nowhere.
TEST(FindSetOccurring, FindsAnOccurrenceAtEveryPlaceAndNothingThatOnlyBytesReadTwiceWouldMake) {
    std::vector<char> present;
    for (std::size_t at = 0; at <= 996; ++at) {
        std::string text(1000, '.');
        text.replace(at, 4, "abcd");
        FindSet({"abcd", "zz", "never"}).occurring(text, present);
        EXPECT_EQ(present, (std::vector<char>{1, 0, 0})) << at;
    }
    for (const auto& [text, find] : std::vector<std::pair<std::string, std::string>>{
             {std::string(48, 'x') + "ab", "bab"},                            // the end read again
             {"b" + std::string(10, 'x') + "a" + std::string(36, 'x'), "ab"}, // a quarter's start again
             {std::string(1000, '.'), ""},
         }) {
        FindSet({find}).occurring(text, present);
        EXPECT_EQ(present, std::vector<char>{0}) << find;
    }
}

// Walks side by side report an occurrence across a border once, each find text's in the order of their
// starts, and give up only where there are more than asked for.
TEST(FindSetAllOccurrences, ReportsEachOccurrenceOnceInOrderWhereverItLies) {
    std::vector<std::uint64_t> reported;
    for (std::size_t at = 0; at <= 996; ++at) {
        std::string text(1000, '.');
        text.replace(at, 4, "abcd");
        reported.clear();
        ASSERT_TRUE(FindSet({"zz", "abcd"}).allOccurrences(text, 1, reported));
        EXPECT_EQ(reported, std::vector<std::uint64_t>{std::uint64_t{1} << 32 | at}) << at;
    }
    const FindSet crowded({"aaa", "aa"});
    reported.clear();
    ASSERT_TRUE(crowded.allOccurrences(std::string(200, 'a'), 199 + 198, reported));
    std::vector<std::uint64_t> starts[2];
    for (const std::uint64_t report : reported) {
        starts[report >> 32].push_back(static_cast<std::uint32_t>(report));
    }
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(starts[k].size(), 198 + k);
        EXPECT_TRUE(std::is_sorted(starts[k].begin(), starts[k].end()));
    }
    EXPECT_FALSE(crowded.allOccurrences(std::string(200, 'a'), 199 + 198 - 1, reported));
}

// Only occurrences that share a byte with an insertion count, or, for an insertion of nothing, that span
// the place it was cut out; occurrences merely next to it or elsewhere in the text do not.
TEST(FindSetTouching, MarksOnlyWantedFindsThatTouchAnInsertion) {
    struct Case {
        std::string text;
        std::vector<std::size_t> at;
        std::size_t size;
        std::string expected; // one letter per find text: 1 marked, 0 not
    };
    const std::vector<std::string> finds{"ab", "bc", "cd", "abcd", "x", "dab"};
    for (const Case& c : std::vector<Case>{
             {"abcd", {1}, 1, "110100"},            // b inserted: every find holding it
             {"abcd", {2}, 0, "010100"},            // cut between b and c
             {"ab..ab", {0, 4}, 2, "100000"},       // occurrences lying in insertions
             {"ab.cd..", {2}, 1, "000000"},         // neighbours of the inserted byte
             {"dabcd.x..dab", {1, 4}, 1, "100101"}, // two windows merge; cd unwanted; x, the last dab beyond
             {"x.......dab", {0}, 1, "000010"},
         }) {
        std::vector<char> wanted(finds.size(), 1);
        wanted[2] = c.text != "dabcd.x..dab";
        std::vector<char> present(finds.size(), 0);
        FindSet(finds).markTouching(c.text, c.at, c.size, 3, wanted, present);
        std::string marked;
        for (const char p : present) {
            marked += p ? '1' : '0';
        }
        EXPECT_EQ(marked, c.expected) << c.text;
    }
}

} // namespace
} // namespace morvane
