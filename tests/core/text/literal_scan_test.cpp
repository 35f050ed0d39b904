#include "core/text/literal_scan.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

std::vector<std::vector<std::uint32_t>> startsOf(const LiteralHits& hits) {
    std::vector<std::vector<std::uint32_t>> starts;
    for (std::size_t j = 0; j + 1 < hits.first.size(); ++j) {
        starts.emplace_back(hits.starts.begin() + hits.first[j], hits.starts.begin() + hits.first[j + 1]);
    }
    return starts;
}

// Every occurrence of every find text, overlapping ones, repeated find texts and both ends of the text
// included, ascending for each; an empty find text occurs nowhere.
TEST(LiteralScan, FindsEveryOccurrenceOfEveryFindText) {
    const LiteralScan scan({"aa", "", "a", "ab", "aa", std::string("b\0c", 3)});
    ASSERT_TRUE(scan.usable());
    LiteralHits hits;
    ASSERT_TRUE(scan.scan(std::string_view("aaab\0cxaa", 9), 100, hits));
    EXPECT_EQ(startsOf(hits),
              (std::vector<std::vector<std::uint32_t>>{{0, 1, 7}, {}, {0, 1, 2, 7, 8}, {2}, {0, 1, 7}, {3}}));
}

// A short find text beside a longer one in a text of some length: a vectorscan build of this set found
// nothing.
TEST(LiteralScan, short_find_beside_a_longer_one_is_found) {
    LiteralHits hits;
    ASSERT_TRUE(LiteralScan({"co", "Tloous"}).scan(std::string(74, 'n') + "he colqlours.", 100, hits));
    EXPECT_EQ(startsOf(hits), (std::vector<std::vector<std::uint32_t>>{{77}, {}}));
}

// Find texts that ignore case match their ASCII letters in either case; the others, found by the same folding
// walk, still match byte for byte, and one without letters needs no check.
TEST(LiteralScan, IgnoresCaseOnlyForTheFindTextsThatAsk) {
    LiteralHits hits;
    ASSERT_TRUE(LiteralScan({"ab", "Ab", "a-", "-", "\xC3\xA4"}, {1, 0, 0, 0, 1})
                    .scan("AB ab Ab a- A- \xC3\x84\xC3\xA4", 100, hits));
    EXPECT_EQ(startsOf(hits), (std::vector<std::vector<std::uint32_t>>{{0, 3, 6}, {6}, {9}, {10, 13}, {17}}));
}

// Beyond the most occurrences asked for, the scan fails rather than hold them all.
TEST(LiteralScan, FailsPastTheMostOccurrences) {
    const LiteralScan scan({"a", "b"});
    LiteralHits hits;
    EXPECT_TRUE(scan.scan("aaab", 4, hits));
    EXPECT_FALSE(scan.scan("aaaab", 4, hits));
    EXPECT_FALSE(LiteralScan({"", ""}).usable());
}

} // namespace
} // namespace morvane
