#include "core/text/occurrences.h"
#include "core/text/two_way.h"
#include "support/plain_text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvane {
namespace {

using testing::plainPositions;
using testing::plainReplace;

// Counting takes overlapping occurrences; replacing skips them and never searches what it inserted, and
// tells where in the new text each replacement went, whether it grew or shrank; past the bound only that
// there were more.
TEST(Occurrences, CountOverlapsButReplaceFromTheLeftWithoutOverlaps) {
    struct Row {
        std::string text, find, replacement;
        std::int64_t count;
        std::string replaced;
        std::vector<std::size_t> at;
    };
    for (const Row& row : {
             Row{"aaaa", "aa", "x", 3, "xx", {0, 1}},
             Row{"aaa", "aa", "x", 2, "xa", {0}},
             Row{"abababa", "aba", "-", 3, "-b-", {0, 2}},
             Row{"a", "A", "x", 0, "a", {}},
             Row{"l\nl\r\n", "\r\n", "x", 1, "l\nlx", {3}},
             Row{std::string("a\0b\0", 4), std::string("\0", 1), "", 2, "ab", {1, 2}},
             Row{"", "a", "x", 0, "", {}},
             Row{"abc", "", "x", 0, "abc", {}},
             Row{"a", "a", "aa", 1, "aa", {0}},
             Row{"a-a-aa", "a", "xyz", 4, "xyz-xyz-xyzxyz", {0, 4, 8, 11}},
             Row{"abab-ab", "ab", "", 3, "-", {0, 0, 1}},
         }) {
        EXPECT_EQ(countOccurrences(row.text, row.find), row.count) << row.text;
        EXPECT_EQ(replaceAllOccurrences(row.text, row.find, row.replacement), row.replaced) << row.text;
        std::string text = row.text;
        Insertions insertions;
        insertions.most = 10;
        EXPECT_EQ(replaceInPlace(text, row.find, row.replacement, insertions), row.count) << row.text;
        EXPECT_EQ(text, row.replaced);
        EXPECT_EQ(insertions.at, row.at) << row.text;
        EXPECT_FALSE(insertions.overflowed);
    }
    std::string text(20, 'a');
    Insertions insertions;
    insertions.most = 3;
    EXPECT_EQ(replaceInPlace(text, "a", "bb", insertions), 20);
    EXPECT_TRUE(insertions.overflowed);
    EXPECT_TRUE(insertions.at.empty());
    EXPECT_EQ(text, std::string(40, 'b'));
}

// A text that grows by much is counted first and reserved once at its new size, occurrences that overlap the
// one replaced before left out of the count, so it is never copied into a larger buffer part way.
TEST(Replacing, AGrowingTextIsReservedAtItsNewSize) {
    struct Case {
        std::string text, find, replacement, expected;
    };
    for (const Case& c : std::vector<Case>{{std::string(1000, 'a'), "a", "bbb", std::string(3000, 'b')},
                                           {std::string(1000, 'a'), "aa", "bbbbbbb", std::string(3500, 'b')},
                                           {std::string(999, 'a'), "aaa", "-----", std::string(1665, '-')}}) {
        std::string text = c.text;
        replaceInPlace(text, c.find, c.replacement);
        EXPECT_EQ(text, c.expected) << c.find;
        EXPECT_LE(text.capacity(), text.size() + text.size() / 8) << c.find;
    }
}

// The last non-empty pair of a simulate run only counts, even when it keeps its text, and empty find texts
// after it do not move that role; an execute run's pairs only keep or replace.
TEST(PairRoles, LastNonEmptyPairOfASimulateRunOnlyCounts) {
    using enum PairRole;
    struct Case {
        std::vector<std::string> finds, replaces;
        bool simulate;
        std::vector<PairRole> roles;
    };
    for (const Case& c : std::vector<Case>{
             {{"a", "b", ""}, {"x", "b", "y"}, true, {Replace, OnlyCount, Replace}},
             {{"a", "b", ""}, {"x", "b", "y"}, false, {Replace, Keep, Replace}},
             {{"a", "a", "c"}, {"a", "b", "d"}, true, {Keep, Replace, OnlyCount}},
             {{"", ""}, {"", "z"}, true, {Keep, Replace}},
         }) {
        EXPECT_EQ(pairRoles(c.finds, c.replaces, c.simulate), c.roles) << c.finds.front() << c.simulate;
    }
}

void expectLikePlain(const std::string& text, const std::string& find) {
    const auto count = static_cast<std::int64_t>(plainPositions(text, find).size());
    ASSERT_EQ(countOccurrences(text, find), count) << "find \"" << find << "\" in \"" << text << "\"";
    // Shorter, as long, a little longer and much longer replacements take different ways through the text.
    const std::size_t k = find.size();
    for (const std::string& replacement : {std::string(), std::string(k - 1, '<'), std::string(k, '<'),
                                           std::string(k + 1, '<'), std::string(3 * k + 1, '<')}) {
        std::string replaced = text;
        ASSERT_EQ(replaceInPlace(replaced, find, replacement), count);
        ASSERT_EQ(replaced, plainReplace(text, find, replacement)) << "in \"" << text << "\"";
    }
}

// The scanner works in blocks of positions: every position of a block, the blocks' ends and the bytes after
// the last whole block must each find what a plain comparison finds.
TEST(Counting, FindsAnOccurrenceAtEveryOffsetOfEveryShortText) {
    for (const std::string& find :
         std::vector<std::string>{"q", "qz", "qzq", "qxyzw", "q123456789abcdefz", std::string(33, 'q')}) {
        for (std::size_t length = 0; length <= 96; ++length) {
            const std::string filler(length, '.');
            expectLikePlain(filler, find);
            for (std::size_t at = 0; at + find.size() <= length; ++at) {
                std::string text = filler;
                text.replace(at, find.size(), find);
                expectLikePlain(text, find);
                // The find text's first byte just before it and its last byte just after it, as near misses.
                text[at > 0 ? at - 1 : 0] = find.front();
                text[std::min(length - 1, at + find.size())] = find.back();
                expectLikePlain(text, find);
            }
            expectLikePlain(std::string(length, 'q'), find);
        }
    }
}

// Long find texts over repetitive bytes make checking each candidate costly, and the search changes method
// part way through the text: nothing may be lost or found twice where it does.
TEST(Counting, LongFindOverRepetitiveBytesMatchesPlainComparison) {
    std::string periodic;
    for (int i = 0; i < 40; ++i) {
        periodic += "abaab";
    }
    std::string text = "ordinary text first, " + periodic;
    for (int i = 0; i < 300; ++i) {
        text += i % 53 == 0 ? "abaac" : "abaab";
    }
    expectLikePlain(text, periodic);
    expectLikePlain(text, periodic.substr(0, 101));

    std::string oneMismatch(2000, 'a');
    oneMismatch[1000] = 'b';
    std::string repeated(30000, 'a');
    repeated.replace(12345, oneMismatch.size(), oneMismatch);
    expectLikePlain(repeated, oneMismatch);
    expectLikePlain(repeated, std::string(2000, 'a'));
}

// A longer replacement over a large text gives the old text's memory back as the copy passes it.
TEST(Replacing, GrowingReplacementOfALargeTextKeepsEveryByte) {
    std::string text;
    std::string expected;
    for (int i = 0; text.size() < (std::size_t{40} << 20); ++i) {
        const std::string filler(1000 + i % 7, static_cast<char>('e' + i % 20));
        text += filler + "data";
        expected += filler + "datum";
    }
    const std::int64_t occurrences = static_cast<std::int64_t>(expected.size() - text.size());
    EXPECT_EQ(replaceInPlace(text, "data", "datum"), occurrences);
    EXPECT_TRUE(text == expected);
}

std::vector<std::size_t> twoWayPositions(std::string_view text, std::string_view find) {
    std::vector<std::size_t> positions;
    TwoWaySearch(find).forEach(text, [&](std::size_t at) { positions.push_back(at); });
    return positions;
}

// Every word over the alphabet up to the length, the empty one first.
std::vector<std::string> allWords(std::string_view alphabet, std::size_t maxLength) {
    std::vector<std::string> words{""};
    for (std::size_t begin = 0; words.back().size() < maxLength;) {
        const std::size_t end = words.size();
        for (std::size_t w = begin; w < end; ++w) {
            for (char c : alphabet) {
                words.push_back(words[w] + c);
            }
        }
        begin = end;
    }
    return words;
}

// Small alphabets give every kind of period and critical position a find text can have.
TEST(TwoWaySearch, FindsEveryOccurrenceOfEveryShortWordInEveryShortText) {
    for (const auto& [alphabet, findLength, textLength] :
         {std::tuple{"ab", 6, 11}, std::tuple{"abc", 4, 7}, std::tuple{"a\xff", 5, 9}}) {
        const std::vector<std::string> finds = allWords(alphabet, findLength);
        const std::vector<std::string> texts = allWords(alphabet, textLength);
        for (std::size_t f = 1; f < finds.size(); ++f) {
            for (const std::string& text : texts) {
                ASSERT_EQ(twoWayPositions(text, finds[f]), plainPositions(text, finds[f]))
                    << "find \"" << finds[f] << "\" in \"" << text << "\"";
            }
        }
    }
    EXPECT_EQ(twoWayPositions("abc", ""), std::vector<std::size_t>{}) << "an empty find text occurs nowhere";
}

} // namespace
} // namespace morvane
