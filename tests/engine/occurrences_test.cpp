#include "engine/occurrences.h"

#include <gtest/gtest.h>
#include <random>

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

namespace morvane {
namespace {

// The definitions written as plainly as possible: every start position, and a left-to-right scan that skips
// past each replaced occurrence.
std::int64_t plainCount(const std::string& text, const std::string& find) {
    std::int64_t count = 0;
    for (std::size_t p = 0; p + find.size() <= text.size(); ++p) {
        count += text.compare(p, find.size(), find) == 0;
    }
    return count;
}

std::string plainReplace(const std::string& text, const std::string& find, const std::string& replacement) {
    std::string out;
    for (std::size_t p = 0; p < text.size();) {
        if (text.compare(p, find.size(), find) == 0) {
            out += replacement;
            p += find.size();
        } else {
            out += text[p++];
        }
    }
    return out;
}

TEST(CountAndReplace, AgreesWithThePlainDefinitionsOnRandomChains) {
    std::mt19937 random(20261206);
    const auto randomText = [&](std::size_t maxLength) {
        std::string text(random() % (maxLength + 1), 'a');
        for (char& c : text) {
            c = "aab\0"[random() % 4]; // few letters, so that finds overlap themselves and each other
        }
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text = randomText(120);
        std::string expected = text;
        std::int64_t expectedCount = 0;
        std::int64_t count = 0;
        for (int pair = 0; pair < 3; ++pair) {
            std::string find = randomText(4);
            const std::string replacement = randomText(3);
            if (find.empty()) {
                find = "a";
            }
            expectedCount += plainCount(expected, find);
            expected = plainReplace(expected, find, replacement);
            std::string out;
            const std::int64_t found = countAndReplace(text, find, replacement, out);
            EXPECT_EQ(found, AnzahlFundstellen(text, find));
            count += found;
            if (found > 0) {
                text = out;
            }
        }
        ASSERT_EQ(count, expectedCount) << "round " << round;
        ASSERT_EQ(text, expected) << "round " << round;
    }
}

} // namespace
} // namespace morvane
