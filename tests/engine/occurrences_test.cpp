#include "engine/occurrences.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(Counting, IncludesOverlapsAndComparesExactly) {
    EXPECT_EQ(AnzahlFundstellen("aaa", "aa"), 2);
    EXPECT_EQ(AnzahlFundstellen("aaaa", "aa"), 3);
    EXPECT_EQ(AnzahlFundstellen("abababa", "aba"), 3);
    EXPECT_EQ(AnzahlFundstellen("a", "A"), 0);
    EXPECT_EQ(AnzahlFundstellen("l\nl\r\n", "\r\n"), 1);
    EXPECT_EQ(AnzahlFundstellen(std::string("a\0b\0", 4), std::string("\0", 1)), 2);
    EXPECT_EQ(AnzahlFundstellen("", "a"), 0);
    EXPECT_EQ(AnzahlFundstellen("abc", ""), 0);
}

TEST(Replacing, SkipsOverlapsAndNeverSearchesInsertedText) {
    EXPECT_EQ(replaceAllOccurrences("aaaa", "aa", "x"), "xx");
    EXPECT_EQ(replaceAllOccurrences("aaa", "aa", "x"), "xa");
    EXPECT_EQ(replaceAllOccurrences("abababa", "aba", "-"), "-b-");
    EXPECT_EQ(replaceAllOccurrences("a", "a", "aa"), "aa");
    EXPECT_EQ(replaceAllOccurrences("a-b-c", "-", ""), "abc");
    EXPECT_EQ(replaceAllOccurrences("abc", "", "x"), "abc");
}

} // namespace
} // namespace morvane
