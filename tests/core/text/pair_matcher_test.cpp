#include "core/text/pair_matcher.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvane {
namespace {

struct Row {
    std::string text, find, replacement;
    PairOptions options;
    std::int64_t count;
    std::string result;
};

constexpr PairOptions kCase{true, false, false};
constexpr PairOptions kWord{false, true, false};
constexpr PairOptions kCaseWord{true, true, false};
constexpr PairOptions kPattern{false, false, true};
constexpr PairOptions kPatternWord{false, true, true};
constexpr PairOptions kPatternCase{true, false, true};

// Literal pairs keep the plain pairs' counting: overlapping occurrences count, the replaced ones do not
// overlap.
TEST(PairMatcher, CountsAndReplacesWithEveryOption) {
    const std::vector<Row> rows{
        {"Load loader LOAD download", "load", "read", kCase, 4, "read reader read downread"},
        {"Load loader LOAD download", "load", "read", kWord, 0, "Load loader LOAD download"},
        {"Load loader LOAD download", "load", "read", kCaseWord, 2, "read loader read download"},
        {"aAa", "aa", "b", kCase, 2, "ba"},
        {"aa aaa", "aa", "b", kWord, 1, "b aaa"},
        {"x_load load1 (load)", "load", "-", kWord, 1, "x_load load1 (-)"},
        // UTF-8 text: Unicode letters fold and continue words.
        {"Ärger ärger ÄRGER", "ärger", "Zorn", kCase, 3, "Zorn Zorn Zorn"},
        {"Straße STRASSE straße", "STRASSE", "x", kCase, 1, "Straße x straße"},
        {"éclat naïve", "ve", "-", kWord, 0, "éclat naïve"},
        {"é load é", "load", "-", kWord, 1, "é - é"},
        {"Ωmega ωMEGA", "ωmega", "o", kCase, 2, "o o"},
        // Not UTF-8: only ASCII letters fold, and bytes above 127 continue words.
        {"\xC9T\xE9t\xff", "\xE9T", "x", kCase, 1, "\xC9Tx\xff"},
        {"\xFFload load", "load", "x", kWord, 1, "\xFFload x"},
        {std::string("a\0A", 3), "a", "b", kCase, 2, std::string("b\0b", 3)},
        {"a.b a*b", ".", "!", kCase, 1, "a!b a*b"},
        // An ASCII find text is searched without RE2 unless the text holds one of the two characters
        // Unicode folds to ASCII letters; the words around it are still read as UTF-8.
        {"\xE2\x84\xAAmalloc kmalloc KMALLOC", "kmalloc", "x", kCase, 3, "x x x"},
        {"Mi\xC5\xBF\xC5\xBF MISS mis\xC5\xBF", "miss", "x", kCaseWord, 3, "x x x"},
        {"\xE2\x84\xAA k \xFF", "k", "x", kCase, 1, "\xE2\x84\xAA x \xFF"},
        {"\xE2\x84\xAA LOAD", "load", "x", kCase, 1, "\xE2\x84\xAA x"},
        {"[Z@ {Z` [Z@ {z`", "{z`", "x", kCase, 2, "[Z@ x [Z@ x"},
        {"\xE2\x86\x92Load\xE2\x86\x90 \xC3\x9Fload load\xD9\xA3", "load", "x", kCaseWord, 1,
         "\xE2\x86\x92x\xE2\x86\x90 \xC3\x9Fload load\xD9\xA3"},
        {"\xE2\x86\x92load\xFF", "load", "x", kWord, 0, "\xE2\x86\x92load\xFF"},
        // Patterns replace leftmost matches, with their groups.
        {"IMG_0001.JPG IMG_0120.JPG", R"(IMG_(\d+)\.JPG)", "Holiday_$1.jpg", kPattern, 2,
         "Holiday_0001.jpg Holiday_0120.jpg"},
        {"2024-05-06", R"((?P<y>\d+)-(?P<m>\d+)-(\d+))", "$3.${m}.${y} $$5 $x ${} $", kPattern, 1,
         "06.05.2024 $5 $x ${} $"},
        {"ab", "(a)(b)", "${1}0$10$0^t", kPattern, 1, "a0ab\t"},
        {"aaaa", "aa", "b", kPattern, 2, "bb"},
        {"aaa", "aa", "b", kPattern, 1, "ba"},
        {"abxd", "x*", "-", kPattern, 4, "-a-b-d-"},
        {"éa", "x*", "-", kPattern, 3, "-é-a-"},
        {"cat Cat CAT", "cat", "dog", kPatternCase, 3, "dog dog dog"},
        {"load loader reload", "load|loader", "x", kPatternWord, 2, "x x reload"},
        {"a a a", "a", "$0$0", kPatternWord, 3, "aa aa aa"},
        {"line1\nline2", "^line", "L", kPattern, 1, "L1\nline2"},
        {"line1\nline2", "(?m)^line", "L", kPattern, 2, "L1\nL2"},
        {"\xFF\xFE", "\\xff", "y", kPattern, 1, "y\xFE"},
        {"ÿ\xFF", "\\xff", "y", kPattern, 1, "ÿy"},
        {"ÿx", "\\xff", "y", kPattern, 1, "yx"},
    };
    for (const Row& row : rows) {
        const PairMatcher matcher(row.find, row.replacement, row.options);
        ASSERT_EQ(matcher.error(), "") << row.find;
        std::string text = row.text;
        EXPECT_EQ(matcher.count(row.text), row.count) << row.text << " / " << row.find;
        EXPECT_EQ(matcher.replace(text), row.count) << row.text << " / " << row.find;
        EXPECT_EQ(text, row.result) << row.text << " / " << row.find;
    }
}

TEST(PairMatcher, SpansSayWhatIsReplacedWhere) {
    const PairMatcher matcher("(b+)", "<$1>", kPattern);
    std::vector<std::string> spans;
    EXPECT_EQ(matcher.visitReplaced("abbcb",
                                    [&](std::size_t start, std::size_t length, std::string_view replacement) {
                                        spans.push_back(std::to_string(start) + "+" + std::to_string(length) +
                                                        "=" + std::string(replacement));
                                    }),
              2);
    EXPECT_EQ(spans, (std::vector<std::string>{"1+2=<bb>", "4+1=<b>"}));
}

TEST(PairMatcher, RefusedPatternsSayWhy) {
    EXPECT_EQ(patternError("(a)\\1", kPattern), "invalid escape sequence: \\1");
    EXPECT_EQ(patternError("(?<=a)b", kPatternWord), "invalid perl operator: (?<");
    EXPECT_EQ(patternError("a)|(b", kPatternWord), "unexpected ): a)|(b");
    EXPECT_EQ(patternError("a)|(b", kCase), "");
    EXPECT_EQ(patternError("[a-z]+", kPattern), "");
    const PairMatcher refused("(", "x", kPattern);
    EXPECT_NE(refused.error(), "");
    EXPECT_EQ(refused.count("(((("), 0);
    EXPECT_EQ(refused.visitReplaced("((((", [](std::size_t, std::size_t, std::string_view) {}), 0);
}

} // namespace
} // namespace morvane
