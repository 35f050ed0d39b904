#include "core/run/contents_diff.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <random>

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

// Applies the hunks the way patch does, checking every context and removed line against the old text.
std::string applyHunks(std::string_view oldText, std::string_view newText, const std::vector<Hunk>& hunks) {
    std::string out;
    std::size_t position = 0; // in the old text
    for (const Hunk& hunk : hunks) {
        for (const HunkLine& line : hunk.lines) {
            const std::size_t size = line.bytes.end - line.bytes.begin;
            if (line.kind == LineKind::Added) {
                out.append(newText.substr(line.bytes.begin, size));
                continue;
            }
            EXPECT_GE(line.bytes.begin, position);
            out.append(oldText.substr(position, line.bytes.begin - position));
            if (line.kind == LineKind::Context) {
                out.append(oldText.substr(line.bytes.begin, size));
            }
            position = line.bytes.end;
        }
    }
    out.append(oldText.substr(position));
    return out;
}

struct DiffCase {
    const char* name;
    std::string text;
    Pairs pairs;
    std::string expected;
};

class UnifiedHunks : public ::testing::TestWithParam<DiffCase> {};

TEST_P(UnifiedHunks, ShowWhatThePairsChange) {
    EXPECT_EQ(unifiedDiff(GetParam().text, GetParam().pairs), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ContentsDiff, UnifiedHunks,
    ::testing::Values(
        DiffCase{"NothingFound", "a\nb\n", {{"x"}, {"y"}}, ""},
        DiffCase{"PairThatKeepsItsText", "a\n", {{"a"}, {"a"}}, ""},
        DiffCase{"OneLineWithContext",
                 "1\n2\n3\n4\nold\n6\n7\n8\n9\n",
                 {{"old"}, {"new"}},
                 "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-old\n+new\n 6\n 7\n 8\n"},
        DiffCase{
            "ChainedPairsShowOnlyTheOutcome", "ab\n", {{"a", "b"}, {"b", "c"}}, "@@ -1 +1 @@\n-ab\n+cc\n"},
        DiffCase{"PairThatUndoesAnEarlierOneLeavesNoChange", "ab\n", {{"a", "bb"}, {"b", "ab"}}, ""},
        DiffCase{"ChangedLinesThatMeetShowRemovedAboveAdded",
                 "a\nb\n",
                 {{"a", "b"}, {"A", "B"}},
                 "@@ -1,2 +1,2 @@\n-a\n-b\n+A\n+B\n"},
        DiffCase{"CrLfStaysOnItsLine", "x\r\ny\r\n", {{"y"}, {"z"}}, "@@ -1,2 +1,2 @@\n x\r\n-y\r\n+z\r\n"},
        DiffCase{"LineBreakInsertedAddsALineOnly",
                 "a b\nc\n",
                 {{" "}, {"\n"}},
                 "@@ -1,2 +1,3 @@\n-a b\n+a\n+b\n c\n"},
        DiffCase{"LinesJoined", "a\nb\nc\n", {{"a\nb"}, {"ab"}}, "@@ -1,3 +1,2 @@\n-a\n-b\n+ab\n c\n"},
        DiffCase{"LineAddedBeforeAnAgreeingLine",
                 "abc\ndef\n",
                 {{"c\n"}, {"c\nX\n"}},
                 "@@ -1,2 +1,3 @@\n abc\n+X\n def\n"},
        DiffCase{"LineRemovedWhole", "a\nb\nc\n", {{"b\n"}, {""}}, "@@ -1,3 +1,2 @@\n a\n-b\n c\n"},
        DiffCase{"NoFinalLineEnd",
                 "a\nb",
                 {{"b"}, {"c"}},
                 "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline at end of file\n"},
        DiffCase{"text_added_after_a_last_line_without_line_feed_joins_its_line",
                 "ab",
                 {{"a", "b"}, {"x", "b!"}},
                 "@@ -1 +1 @@\n-ab\n\\ No newline at end of file\n+xb!\n\\ No newline at end of file\n"},
        DiffCase{"FinalLineEndAdded",
                 "a",
                 {{"a"}, {"a^p"}},
                 "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
        DiffCase{"WholeTextRemoved", "a\n", {{"a\n"}, {""}}, "@@ -1 +0,0 @@\n-a\n"},
        DiffCase{"FarApartChangesMakeTwoHunks",
                 "a\n1\n2\n3\n4\n5\n6\n7\na\n",
                 {{"a"}, {"b"}},
                 "@@ -1,4 +1,4 @@\n-a\n+b\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-a\n+b\n"},
        DiffCase{"ChangesSixLinesApartShareAHunk",
                 "a\n1\n2\n3\n4\n5\n6\na\n",
                 {{"a"}, {"b"}},
                 "@@ -1,8 +1,8 @@\n-a\n+b\n 1\n 2\n 3\n 4\n 5\n 6\n-a\n+b\n"}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

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

TEST(ContentsDiff, StopsAtTheHunksAskedForAndSaysMoreFollow) {
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

// Texts of few bytes, so that the pairs meet often, chain and overlap; line feeds, CR and NUL among them.
std::string randomText(std::mt19937& random, std::size_t maxSize) {
    static constexpr char kBytes[] = {'a', 'b', '\n', '\r', '\0', 'a', '\n'};
    std::string text(std::uniform_int_distribution<std::size_t>(0, maxSize)(random), 'a');
    for (char& byte : text) {
        byte = kBytes[std::uniform_int_distribution<std::size_t>(0, sizeof kBytes - 1)(random)];
    }
    return text;
}

TEST(ContentsDiff, HunksLeadFromTheOldTextToWhatExecuteWrites) {
    testing::TempDir dir;
    std::mt19937 random(20261207);
    for (int round = 0; round < 150; ++round) {
        RunRequest request;
        for (int j = std::uniform_int_distribution<int>(1, 3)(random); j > 0; --j) {
            request.finds.push_back(randomText(random, 3));
            request.replaces.push_back(randomText(random, 4));
        }
        const std::string text = randomText(random, 60);
        const ContentsDiff diff = diffContents(text, request.finds, request.replaces);
        ASSERT_EQ(applyHunks(text, diff.replacement.newText, diff.hunks), diff.replacement.newText) << round;

        request.files = {dir.write("f", text)};
        request.execute = true;
        request.keepForUndo = false;
        const RunResult executed = runPairs(request);
        ASSERT_EQ(testing::readBytes(request.files[0]), diff.replacement.newText) << round;
        ASSERT_EQ(executed.total, diff.replacement.count) << round;
    }
}

TEST(ContentsDiff, CancelledBeforeThePairsGivesNothing) {
    const std::atomic<bool> cancel{true};
    const ContentsDiff diff = diffContents("a\n", {"a"}, {"b"}, {}, {}, &cancel);
    EXPECT_TRUE(diff.replacement.cancelled);
    EXPECT_TRUE(diff.hunks.empty());
}

struct LabelCase {
    const char* name;
    std::string path;
    std::string expected;
};

class DiffPathLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(DiffPathLabels, QuoteAsGitDoesWhereABlankOrEscapeWouldMisleadPatch) {
    EXPECT_EQ(diffPathLabel("a/", GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ContentsDiff, DiffPathLabels,
    ::testing::Values(LabelCase{"plain", "dir/notes.txt", "a/dir/notes.txt"},
                      LabelCase{"high_bytes_stay", "d\xc3\xbcne.txt", "a/d\xc3\xbcne.txt"},
                      LabelCase{"blank", "my notes.txt", "\"a/my notes.txt\""},
                      LabelCase{"trailing_blank", "notes ", "\"a/notes \""},
                      LabelCase{"backslash", "back\\slash", "\"a/back\\\\slash\""},
                      LabelCase{"double_quote", "say\"hi\"", "\"a/say\\\"hi\\\"\""},
                      LabelCase{"tab_and_line_feed", "t\tl\nx", "\"a/t\\tl\\nx\""},
                      LabelCase{"carriage_return", "cr\r", "\"a/cr\\r\""},
                      LabelCase{"other_control_bytes_in_octal", "e\x1b\x7f\x01", "\"a/e\\033\\177\\001\""}),
    [](const ::testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace morvane
