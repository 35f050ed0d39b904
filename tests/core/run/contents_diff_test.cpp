#include "core/run/contents_diff.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

struct Pairs {
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
};

std::string unifiedDiff(std::string_view text, const Pairs& pairs) {
    const ContentsDiff diff = diffContents(text, pairs.finds, pairs.replaces);
    std::string out;
    for (const Hunk& hunk : diff.hunks) {
        out += unifiedHunk(text, diff.replacement.newText, hunk);
    }
    return out;
}

// Each row: the text, the pairs' finds and replacements, and the unified hunks expected.
TEST(ContentsDiff, UnifiedHunksShowWhatThePairsChange) {
    const struct {
        std::string text;
        Pairs pairs;
        std::string expected;
    } cases[] = {
        // nothing found
        {"a\nb\n", {{"x"}, {"y"}}, ""},
        // one line with context
        {"1\n2\n3\n4\nold\n6\n7\n8\n9\n",
         {{"old"}, {"new"}},
         "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-old\n+new\n 6\n 7\n 8\n"},
        // chained pairs show only the outcome
        {"ab\n", {{"a", "b"}, {"b", "c"}}, "@@ -1 +1 @@\n-ab\n+cc\n"},
        // pair that undoes an earlier one leaves no change
        {"ab\n", {{"a", "bb"}, {"b", "ab"}}, ""},
        // changed lines that meet show removed above added
        {"a\nb\n", {{"a", "b"}, {"A", "B"}}, "@@ -1,2 +1,2 @@\n-a\n-b\n+A\n+B\n"},
        // cr lf stays on its line
        {"x\r\ny\r\n", {{"y"}, {"z"}}, "@@ -1,2 +1,2 @@\n x\r\n-y\r\n+z\r\n"},
        // line break inserted adds a line only
        {"a b\nc\n", {{" "}, {"\n"}}, "@@ -1,2 +1,3 @@\n-a b\n+a\n+b\n c\n"},
        // lines joined
        {"a\nb\nc\n", {{"a\nb"}, {"ab"}}, "@@ -1,3 +1,2 @@\n-a\n-b\n+ab\n c\n"},
        // line added before an agreeing line
        {"abc\ndef\n", {{"c\n"}, {"c\nX\n"}}, "@@ -1,2 +1,3 @@\n abc\n+X\n def\n"},
        // no final line end
        {"a\nb",
         {{"b"}, {"c"}},
         "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline at end of file\n"},
        // text added after a last line without line feed joins its line
        {"ab",
         {{"a", "b"}, {"x", "b!"}},
         "@@ -1 +1 @@\n-ab\n\\ No newline at end of file\n+xb!\n\\ No newline at end of file\n"},
        // final line end added
        {"a", {{"a"}, {"a^p"}}, "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
        // whole text removed
        {"a\n", {{"a\n"}, {""}}, "@@ -1 +0,0 @@\n-a\n"},
        // far apart changes make two hunks
        {"a\n1\n2\n3\n4\n5\n6\n7\na\n",
         {{"a"}, {"b"}},
         "@@ -1,4 +1,4 @@\n-a\n+b\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-a\n+b\n"},
        // changes six lines apart share a hunk
        {"a\n1\n2\n3\n4\n5\n6\na\n",
         {{"a"}, {"b"}},
         "@@ -1,8 +1,8 @@\n-a\n+b\n 1\n 2\n 3\n 4\n 5\n 6\n-a\n+b\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unifiedDiff(c.text, c.pairs), c.expected) << c.text;
    }
}

TEST(ContentsDiff, ChangedSpansMarkTheBytesThatDifferOnBothSides) {
    const ContentsDiff diff = diffContents("one two\n", {"two"}, {"twin"});
    ASSERT_EQ(diff.hunks.size(), 1u);
    const std::vector<HunkLine>& lines = diff.hunks[0].lines;
    ASSERT_EQ(lines.size(), 2u);
    // "two" and "twin" share "tw": only "o" and "in" changed.
    EXPECT_EQ(lines[0].changed, (std::vector<ByteSpan>{{6, 7}}));
    EXPECT_EQ(lines[1].changed, (std::vector<ByteSpan>{{6, 8}}));
    EXPECT_EQ(diff.replacement.count, 1);
}

// A diff stops at the hunks asked for and says more follow; cancelled before the pairs, it gives nothing.
TEST(ContentsDiff, StopsAtTheHunksAskedForAndWhenCancelled) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
        text += "x\n\n\n\n\n\n\n\n";
    }
    const ContentsDiff diff = diffContents(text, {"x"}, {"y"}, {}, {.hunks = 2});
    EXPECT_EQ(diff.hunks.size(), 2u);
    EXPECT_TRUE(diff.more);
    EXPECT_FALSE(diffContents(text, {"x"}, {"y"}, {}, {.hunks = 5}).more);
    // A run of changed lines longer than the lines asked for ends the hunk early.
    const ContentsDiff cut =
        diffContents(std::string(1000, '\n'), {"^chr(10)"}, {"x^chr(10)"}, {}, {.lines = 10});
    ASSERT_EQ(cut.hunks.size(), 1u);
    EXPECT_EQ(cut.hunks[0].lines.size(), 10u);
    EXPECT_TRUE(cut.more);
    const std::atomic<bool> cancel{true};
    const ContentsDiff cancelled = diffContents("a\n", {"a"}, {"b"}, {}, {}, &cancel);
    EXPECT_TRUE(cancelled.replacement.cancelled);
    EXPECT_TRUE(cancelled.hunks.empty());
}

TEST(ShownPieces, UnchangedLineEndIsLeftOutAndLongStretchesKeepTheirEndsNearTheChange) {
    const std::string text = std::string(100, 'a') + "X" + std::string(100, 'b') + "\r\n";
    const HunkLine line{LineKind::Removed, {0, text.size()}, {{100, 101}}};
    EXPECT_EQ(shownPieces(text, line, 10),
              (std::vector<ShownPiece>{
                  {{}, false}, {{90, 100}, false}, {{100, 101}, true}, {{101, 111}, false}, {{}, false}}));
    // A changed line end shows; a cut inside "é" moves to its start.
    const std::string short_ = "\xc3\xa9\r\n";
    const HunkLine changedEnd{LineKind::Added, {0, 4}, {{1, 3}}};
    EXPECT_EQ(shownPieces(short_, changedEnd, 10), (std::vector<ShownPiece>{{{0, 3}, true}}));
}

// Quoted as git does where a blank or an escape would mislead patch.
TEST(ContentsDiff, PathLabelsQuoteWhatPatchWouldMisread) {
    const std::pair<std::string, std::string> cases[] = {
        {"dir/notes.txt", "a/dir/notes.txt"},        {"d\xc3\xbcne.txt", "a/d\xc3\xbcne.txt"},
        {"my notes.txt", "\"a/my notes.txt\""},      {"back\\slash", "\"a/back\\\\slash\""},
        {"say\"hi\"", "\"a/say\\\"hi\\\"\""},        {"t\tl\nx", "\"a/t\\tl\\nx\""},
        {"e\x1b\x7f\x01", "\"a/e\\033\\177\\001\""},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(diffPathLabel("a/", path), expected);
    }
}

} // namespace
} // namespace morvane
