#include "core/app/preview_model.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using State = PreviewResult::State;
using namespace std::string_literals;

PreviewRequest contentsRequest(const std::string& path, std::vector<std::string> finds,
                               std::vector<std::string> replaces) {
    return PreviewRequest{
        .finds = std::move(finds), .replaces = std::move(replaces), .paths = {path}, .current = 0};
}

// The first hunk's lines as the window writes them, each with its marker, then its pieces, escapes in [ ] and
// changed bytes in { }, joined by '|'; the problem when there is no hunk.
std::string firstHunk(const PreviewResult& result) {
    if (result.hunks.empty()) {
        return result.problem;
    }
    std::string text;
    for (const PreviewLine& line : result.hunks[0].lines) {
        text += text.empty() ? "" : "|";
        text += line.kind == LineKind::Removed ? "- " : line.kind == LineKind::Added ? "+ " : "  ";
        for (const PreviewLine::Piece& piece : line.pieces) {
            const std::string shown = piece.escape ? "[" + piece.text + "]" : piece.text;
            text += piece.text.empty() ? "..." : piece.changed ? "{" + shown + "}" : shown;
        }
    }
    return text;
}

TEST(PreviewModel, ContentsShowTheCurrentFilesChangedLinesWithEscapes) {
    const testing::TempDir dir;
    const std::string file = dir.write("a.txt", "keep\nold one\nold\x01two\n");
    struct Case {
        std::string find, replace;
        std::int64_t count;
        std::string hunk;
    };
    for (const Case& c : {
             Case{"old", "new", 2, "  keep|- {old} one|- {old}[\\x01]two|+ {new} one|+ {new}[\\x01]two"},
             Case{"one", "1\r", 1, "  keep|- old {one}|+ old {1}{[\\r]}|  old[\\x01]two"},
             Case{"absent", "x", 0, ""},
         }) {
        const PreviewResult result = computePreview(contentsRequest(file, {c.find}, {c.replace}), nullptr);
        EXPECT_EQ(result.state, c.count > 0 ? State::Changes : State::NoChange) << c.find;
        EXPECT_EQ(result.count, c.count) << c.find;
        EXPECT_EQ(result.hunks.empty() ? "" : result.hunks[0].header, c.count > 0 ? "@@ -1,3 +1,3 @@" : "");
        EXPECT_EQ(firstHunk(result), c.hunk) << c.find;
        EXPECT_FALSE(result.more || result.partial);
    }
}

// A file with a mark shows its text's lines, in UTF-8, and names its encoding; one that is not text in its
// encoding, or whose text UTF-16 could not hold after the pairs, shows why.
TEST(PreviewModel, AMarkedFileShowsItsDecodedLinesAndNamesItsEncoding) {
    const testing::TempDir dir;
    struct Case {
        std::string contents, replace, encoding;
        std::string hunk; // or the problem
    };
    for (const Case& c : {
             Case{"\xFF\xFEo\0l\0d\0 \0\xE9\0\n\0"s, "new", "UTF-16 LE", "- {old} \xC3\xA9|+ {new} \xC3\xA9"},
             Case{"\xFE\xFF\0o\0l\0d"s, "n\xC3\xAAw", "UTF-16 BE", "- {old}|+ {n\xC3\xAAw}"},
             Case{"\xEF\xBB\xBFold", "new", "UTF-8 with BOM", "- {old}|+ {new}"},
             Case{"old", "new", "", "- {old}|+ {new}"},
             Case{"\xFF\xFEo\0l"s, "new", "UTF-16 LE", "not UTF-16 LE text: an odd number of bytes (5)"},
             Case{"\xFF\xFEo\0l\0d\0"s, "^chr(200)", "UTF-16 LE",
                  "the text the pairs leave is not UTF-8 (byte 0xC8 at 0), which UTF-16 LE cannot hold"},
         }) {
        const PreviewResult result =
            computePreview(contentsRequest(dir.write("f", c.contents), {"old"}, {c.replace}), nullptr);
        EXPECT_EQ(result.encoding, c.encoding) << c.contents;
        EXPECT_EQ(firstHunk(result), c.hunk) << c.contents;
    }
}

TEST(PreviewModel, ContentsOfNoFileOrAnUnreadableOne) {
    const testing::TempDir dir;
    const std::string folder = dir.makeFolder("d");
    PreviewRequest none = contentsRequest("", {"a"}, {"b"});
    none.current = -1;
    EXPECT_EQ(computePreview(none, nullptr).state, State::NoFile);
    // A row that names no file says why, rather than asking for a file to be chosen.
    for (const auto& [path, problem] : {std::pair{std::string(), "empty path"},
                                        {folder, "is a folder; contents mode reads files only"},
                                        {dir.file("gone.txt"), "no such file or folder"}}) {
        const PreviewResult result = computePreview(contentsRequest(path, {"a"}, {"b"}), nullptr);
        EXPECT_EQ(result.state, State::Problem) << path;
        EXPECT_EQ(result.problem, problem);
        EXPECT_EQ(result.path, path);
    }
}

TEST(PreviewModel, AFirstLookIsMarkedPartialAndLeavesOutTheHunkNearTheCut) {
    const testing::TempDir dir;
    const std::string filler = std::string(63, 'x') + "\n";
    std::string text = "old at the start\n";
    while (text.size() < static_cast<std::size_t>(kFirstLookBytes) - 200) {
        text += filler;
    }
    text += "old near the cut\n";
    for (int line = 0; line < 100; ++line) {
        text += filler;
    }
    PreviewRequest request = contentsRequest(dir.write("big.txt", text), {"old"}, {"new"});
    const PreviewResult whole = computePreview(request, nullptr);
    EXPECT_EQ(whole.hunks.size(), 2u);
    EXPECT_EQ(whole.count, 2);
    request.firstLook = true;
    const PreviewResult look = computePreview(request, nullptr);
    EXPECT_TRUE(look.partial);
    EXPECT_EQ(look.state, State::Changes);
    ASSERT_EQ(look.hunks.size(), 1u) << "the hunk near the cut may still change";
    EXPECT_EQ(look.hunks[0].header, "@@ -1,4 +1,4 @@");
}

TEST(PreviewModel, NamesShowEveryRowsOldAndNewNameAndWhatStandsInTheWay) {
    const testing::TempDir dir;
    const PreviewResult result =
        computePreview({.mode = ReplaceMode::FileNames,
                        .finds = {"a"},
                        .replaces = {"b"},
                        .paths = {dir.write("a.txt", ""), dir.write("b.txt", ""), dir.write("c\x01.txt", ""),
                                  dir.write("ca\r.txt", "")}},
                       nullptr);
    EXPECT_EQ(result.state, State::Changes);
    EXPECT_EQ(result.count, 2);
    // Each row as "old -> new", and " refused" where something stands in the way.
    std::vector<std::string> rows;
    for (const auto& rename : result.renames) {
        rows.push_back(rename.oldName + " -> " + rename.newName + (rename.problem.empty() ? "" : " refused"));
    }
    // b.txt is taken and no row renames it away.
    EXPECT_EQ(rows, (std::vector<std::string>{"a.txt -> b.txt refused", "b.txt -> b.txt",
                                              "c\\x01.txt -> c\\x01.txt", "ca\\r.txt -> cb\\r.txt"}));
}

TEST(FileDiff, WritesTheFilesPartOrSaysWhyThereIsNone) {
    const testing::TempDir dir;
    const std::string text = dir.write("t.txt", "a\nold\nb\n");
    const std::string binary = dir.write("b.bin", std::string("old\0", 4));
    const std::string label = diffPathLabel("", text);
    const std::string utf16 = dir.write("u.txt", "\xFF\xFEo\0l\0d\0\n\0\xE9\0\n\0"s);
    struct Case {
        std::string path;
        std::vector<std::string> finds;
        std::string written;
        std::string problem;
    };
    const Case cases[] = {
        Case{text,
             {"old"},
             "--- a/" + label + "\n+++ b/" + label + "\n@@ -1,3 +1,3 @@\n a\n-old\n+new\n b\n",
             ""},
        Case{binary,
             {"old"},
             "Binary files a/" + diffPathLabel("", binary) + " and b/" + diffPathLabel("", binary) +
                 " differ\n",
             ""},
        Case{utf16,
             {"old"},
             "--- a/" + diffPathLabel("", utf16) + "\tUTF-16 LE\n+++ b/" + diffPathLabel("", utf16) +
                 "\tUTF-16 LE\n@@ -1,2 +1,2 @@\n-old\n+new\n \xC3\xA9\n",
             ""},
        Case{utf16,
             {"^chr(169)"},
             "",
             "the text the pairs leave is not UTF-8 (byte 0xC3 at 4), which UTF-16 LE cannot hold"},
        Case{dir.file("gone.txt"), {"old"}, "", "no such file or folder"},
    };
    for (const Case& c : cases) {
        std::string written;
        const std::string problem =
            writeFileDiff(c.path, c.finds, {"new"}, {}, [&](std::string_view piece) { written += piece; });
        EXPECT_EQ(written, c.written) << c.path;
        EXPECT_EQ(problem, c.problem) << c.path;
    }
}

} // namespace
} // namespace morvane
