#include "engine/run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;

RunRequest contentsRun(std::vector<std::pair<std::string, std::string>> pairs, std::vector<std::string> files,
                       bool execute = false) {
    RunRequest request;
    for (auto& [find, replace] : pairs) {
        request.finds.push_back(find);
        request.replaces.push_back(replace);
    }
    request.files = std::move(files);
    request.ausfuehren = execute;
    return request;
}

RunRequest namesRun(std::vector<std::pair<std::string, std::string>> pairs, std::vector<std::string> files,
                    bool execute = false) {
    RunRequest request = contentsRun(std::move(pairs), std::move(files), execute);
    request.mode = ReplaceMode::FileNames;
    return request;
}

// The safe write replaces the file by a new one, so an unchanged inode proves the file was not written.
ino_t inodeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}

struct RecordingObserver : RunObserver {
    std::vector<int> draws;
    std::vector<std::size_t> rows;
    void progress(int percent) override { draws.push_back(percent); }
    void rowDone(std::size_t row, const RowResult&, std::int64_t, std::optional<StatusKind>) override {
        rows.push_back(row);
    }
};

TEST(RunCounting, ChainedPairsWorkOnTheEarlierResult) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "ab");
    const RunResult simulated = ErsetzenSimulieren(contentsRun({{"a", "b"}, {"b", "c"}}, {file}));
    EXPECT_EQ(simulated.rows[0].count, 3);
    EXPECT_EQ(simulated.total, 3);
    EXPECT_EQ(simulated.status, StatusKind::Pending);
    EXPECT_EQ(readBytes(file), "ab");

    const RunResult executed = ErsetzenSimulieren(contentsRun({{"a", "b"}, {"b", "c"}}, {file}, true));
    EXPECT_EQ(executed.rows[0].count, 3);
    EXPECT_EQ(executed.status, StatusKind::Done);
    EXPECT_TRUE(executed.failures.empty());
    EXPECT_EQ(readBytes(file), "cc");
}

TEST(RunCounting, CountIncludesOverlapsThatTheReplacementSkips) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "aaaa");
    EXPECT_EQ(ErsetzenSimulieren(contentsRun({{"aa", "x"}}, {file}, true)).rows[0].count, 3);
    EXPECT_EQ(readBytes(file), "xx");
}

TEST(RunCounting, ExecuteThenSimulateShowsWhatIsLeft) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "a");
    EXPECT_EQ(ErsetzenSimulieren(contentsRun({{"a", "aa"}}, {file}, true)).rows[0].count, 1);
    EXPECT_EQ(ErsetzenSimulieren(contentsRun({{"a", "aa"}}, {file})).rows[0].count, 2);
}

TEST(RunCounting, NotationIsExpandedForTheRunOnly) {
    TempDir dir;
    const std::string crlf = dir.write("crlf.txt", "a\r\nb\r\n");
    const std::string lf = dir.write("lf.txt", "a\nb\n");
    const RunResult result = ErsetzenSimulieren(contentsRun({{"^p", "^t"}}, {crlf, lf}, true));
    EXPECT_EQ(result.rows[0].count, 2);
    EXPECT_EQ(result.rows[1].count, 0);
    EXPECT_EQ(readBytes(crlf), "a\tb\t");
}

TEST(RunCounting, TwoRowsNamingOneFileSeeEachOthersResult) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "a");
    const RunResult result = ErsetzenSimulieren(contentsRun({{"a", "b"}}, {file, file}, true));
    EXPECT_EQ(result.rows[0].count, 1);
    EXPECT_EQ(result.rows[1].count, 0);
    EXPECT_EQ(result.total, 1);
}

TEST(RunSkipping, EmptyMissingAndFolderRowsKeepZero) {
    TempDir dir;
    const std::string folder = dir.makeFolder("a-folder");
    const std::string file = dir.write("a.txt", "a");
    const RunResult result =
        ErsetzenSimulieren(contentsRun({{"a", "b"}}, {"", dir.file("gone.txt"), folder, file}));
    ASSERT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(result.rows[0].skipped, SkipReason::EmptyPath);
    EXPECT_EQ(result.rows[1].skipped, SkipReason::Missing);
    EXPECT_EQ(result.rows[2].skipped, SkipReason::Folder);
    EXPECT_EQ(result.rows[3].skipped, SkipReason::None);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(result.rows[i].count, 0);
    }
    EXPECT_EQ(result.total, 1);
}

TEST(RunSkipping, EmptyFindTextCausesNoCountAndNoWrite) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "abc");
    const ino_t before = inodeOf(file);
    const RunResult result = ErsetzenSimulieren(contentsRun({{"", "x"}, {"", "abc"}}, {file}, true));
    EXPECT_EQ(result.rows[0].count, 0);
    EXPECT_EQ(inodeOf(file), before) << "a pair whose find text is empty must not cause a write";
    EXPECT_FALSE(result.status.has_value());
}

TEST(RunSkipping, EmptyPairListReadsEveryFileAndWritesNone) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "abc");
    const ino_t before = inodeOf(file);
    const RunResult result = ErsetzenSimulieren(contentsRun({}, {file}, true));
    EXPECT_EQ(result.rows[0].count, 0);
    EXPECT_FALSE(result.status.has_value());
    EXPECT_EQ(inodeOf(file), before);
}

TEST(RunSkipping, EmptyFileListOnlyDrawsTheBarFull) {
    RecordingObserver observer;
    const RunResult result = ErsetzenSimulieren(contentsRun({{"a", "b"}}, {}), &observer);
    EXPECT_EQ(observer.draws, std::vector<int>{100});
    EXPECT_FALSE(result.status.has_value());
    EXPECT_EQ(result.total, 0);
}

TEST(RunContents, ExecuteRewritesAFileEvenWhenNothingMatched) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "hello");
    const ino_t before = inodeOf(file);
    const RunResult result = ErsetzenSimulieren(contentsRun({{"zz", "y"}}, {file}, true));
    EXPECT_EQ(result.rows[0].count, 0);
    EXPECT_EQ(result.status, StatusKind::Done);
    EXPECT_NE(inodeOf(file), before);
    EXPECT_EQ(readBytes(file), "hello");
}

TEST(RunContents, SimulateNeverTouchesAFile) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "aaa");
    const ino_t before = inodeOf(file);
    ErsetzenSimulieren(contentsRun({{"a", "b"}}, {file}));
    EXPECT_EQ(inodeOf(file), before);
    EXPECT_EQ(readBytes(file), "aaa");
}

TEST(RunNames, RenamesToTheFolderPlusTheFinalName) {
    TempDir dir;
    const std::string file = dir.write("report.old.txt", "contents");
    const RunResult simulated = ErsetzenSimulieren(namesRun({{"old", "new"}}, {file}));
    EXPECT_EQ(simulated.rows[0].count, 1);
    EXPECT_TRUE(fs::exists(file));

    const RunResult executed = ErsetzenSimulieren(namesRun({{"old", "new"}, {"new", "newer"}}, {file}, true));
    EXPECT_EQ(executed.rows[0].count, 2);
    EXPECT_TRUE(executed.rows[0].renamed);
    EXPECT_EQ(executed.rows[0].path, dir.file("report.newer.txt"));
    EXPECT_EQ(readBytes(dir.file("report.newer.txt")), "contents");
    EXPECT_FALSE(fs::exists(file));
}

TEST(RunNames, FoldersAreMatchedAndRenamed) {
    TempDir dir;
    const std::string folder = dir.makeFolder("draft");
    dir.write("draft/inside.txt", "x");
    const RunResult result = ErsetzenSimulieren(namesRun({{"draft", "final"}}, {folder}, true));
    EXPECT_EQ(result.rows[0].count, 1);
    EXPECT_EQ(readBytes(dir.file("final/inside.txt")), "x");
}

TEST(RunNames, OnlyTheNameIsMatchedNeverTheFolder) {
    TempDir dir;
    dir.makeFolder("abc");
    const std::string file = dir.write("abc/x.txt", "");
    const RunResult result = ErsetzenSimulieren(namesRun({{"abc", "z"}}, {file}, true));
    EXPECT_EQ(result.rows[0].count, 0);
    EXPECT_FALSE(result.rows[0].renamed);
    EXPECT_TRUE(fs::exists(file));
}

TEST(RunNames, RenameToTheSamePathIsASuccessThatChangesNothing) {
    TempDir dir;
    const std::string file = dir.write("a.txt", "");
    const RunResult result = ErsetzenSimulieren(namesRun({{"a", "a"}}, {file}, true));
    EXPECT_EQ(result.rows[0].count, 1);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_FALSE(result.rows[0].renamed);
    EXPECT_EQ(result.rows[0].path, file);
}

TEST(RunMismatch, DifferentColumnLengthsEndTheRunAtOnce) {
    RunRequest request;
    request.finds = {"a", "b"};
    request.replaces = {"x"};
    request.files = {"/nonexistent"};
    RecordingObserver observer;
    const RunResult result = ErsetzenSimulieren(request, &observer);
    EXPECT_TRUE(result.mismatch);
    EXPECT_EQ(result.findsUbound, 1u);
    EXPECT_EQ(result.replacesUbound, 0u);
    EXPECT_TRUE(result.rows.empty());
    EXPECT_TRUE(observer.draws.empty());
    EXPECT_EQ(mismatchText("Wrong:", 1, 0), "Wrong:\r\n1\t0");
}

TEST(RunProgress, DrawsBeforeEachPairThenFull) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "x");
    const std::string b = dir.write("b.txt", "x");
    RecordingObserver observer;
    ErsetzenSimulieren(contentsRun({{"x", "y"}, {"", ""}}, {a, "", b}), &observer);
    // Two pairs, three files; the skipped empty path draws nothing.
    EXPECT_EQ(observer.draws, (std::vector<int>{17, 33, 50, 100, 100}));
    EXPECT_EQ(observer.rows, (std::vector<std::size_t>{0, 1, 2}));
}

TEST(RunCancellation, ACancelledExecuteRunWritesNothingMore) {
    TempDir dir;
    const std::string first = dir.write("a.txt", "x");
    const std::string second = dir.write("b.txt", "x");
    struct CancelAfterFirstRow : RunObserver {
        std::atomic<bool> cancel{false};
        void rowDone(std::size_t, const RowResult&, std::int64_t, std::optional<StatusKind>) override {
            cancel = true;
        }
    } observer;
    const RunResult result =
        ErsetzenSimulieren(contentsRun({{"x", "y"}}, {first, second}, true), &observer, &observer.cancel);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(readBytes(first), "y");
    EXPECT_EQ(readBytes(second), "x");
}

TEST(StatusLine, IsTheMessageABlankAndTheTotal) {
    EXPECT_EQ(statusLine("Replacements pending:", 12), "Replacements pending: 12");
    EXPECT_EQ(statusLine("", 0), " 0");
    EXPECT_EQ(statusLine("n", 5'000'000'000), "n 5000000000");
}

} // namespace
} // namespace morvane
