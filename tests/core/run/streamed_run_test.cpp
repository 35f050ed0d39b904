#include "core/run/run.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "support/temp_dir.h"

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;

// Every file is streamed, in blocks small enough that occurrences cross their edges.
RunRequest streamedRun(std::vector<std::string> finds, std::vector<std::string> replaces,
                       std::vector<std::string> files, bool execute = true) {
    RunRequest request;
    request.finds = std::move(finds);
    request.replaces = std::move(replaces);
    request.files = std::move(files);
    request.execute = execute;
    request.streamedFileBytes = 0;
    request.streamBlockBytes = 3;
    return request;
}

std::size_t entriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(StreamedRun, RewriteKeepsTheModeAndUndoBringsTheOldBytesBack) {
    TempDir dir;
    const std::string app = dir.makeFolder("app");
    const std::string file = dir.write("a.txt", "one two one\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    RunRequest request = streamedRun({"one", "two"}, {"1", "one"}, {file, file});
    request.stateFolder = app;
    const RunResult run = runPairs(request);
    ASSERT_TRUE(run.failures.empty()) << run.failures[0].reason;
    EXPECT_EQ(run.rows[0].count, 3);
    EXPECT_EQ(run.rows[1].count, 3) << "the second row names the same file and reports its result";
    EXPECT_EQ(readBytes(file), "1 one 1\r\n");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Undo gives back only a file that still holds what the run left, by its hash.
    const UndoResult undone = undoNewestRun(journalFolderIn(app));
    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(readBytes(file), "one two one\r\n");
}

TEST(StreamedRun, HardLinkedFileIsRewrittenInPlaceSoEveryNameSeesTheNewContents) {
    TempDir dir;
    const std::string file = dir.write("a.txt", "long old contents");
    fs::create_hard_link(file, dir.file("b.txt"));
    const RunResult result = runPairs(streamedRun({"long old"}, {"new"}, {file}));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.rows[0].count, 1);
    EXPECT_EQ(readBytes(dir.file("b.txt")), "new contents");
    EXPECT_TRUE(fs::equivalent(file, dir.file("b.txt")));
    EXPECT_EQ(entriesIn(dir.path()), 2u);
}

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST(StreamedRun, FileThePairsLeaveAsItWasKeepsItsInodeAndTakesARewritesTime) {
    TempDir dir;
    const std::string file = dir.write("a.txt", "nothing to find here");
    const ino_t inode = inodeOf(file);
    const auto before = fs::last_write_time(file) - std::chrono::hours(1);
    fs::last_write_time(file, before);
    const RunResult result = runPairs(streamedRun({"absent", "here"}, {"x", "here"}, {file}));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.rows[0].count, 1);
    EXPECT_EQ(inodeOf(file), inode) << "not replaced by a new file";
    EXPECT_GT(fs::last_write_time(file), before);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(StreamedRun, file_the_pairs_put_back_as_it_was_is_not_rewritten) {
    TempDir dir;
    const std::string app = dir.makeFolder("app");
    const std::string file = dir.write("a.txt", "a cat and a hat\n");
    const ino_t inode = inodeOf(file);
    const auto before = fs::last_write_time(file) - std::chrono::hours(1);
    fs::last_write_time(file, before);
    RunRequest request = streamedRun({"a", "b"}, {"b", "a"}, {file});
    request.stateFolder = app;
    const RunResult result = runPairs(request);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.rows[0].count, 10);
    EXPECT_EQ(readBytes(file), "a cat and a hat\n");
    EXPECT_EQ(inodeOf(file), inode) << "not replaced by a new file";
    EXPECT_GT(fs::last_write_time(file), before);
    EXPECT_EQ(entriesIn(dir.path()), 2u);
    const std::vector<JournaledRun> runs = listRuns(journalFolderIn(app));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_FALSE(fs::exists(keptFolderOf(runs[0].journal))) << "no copy is kept for undo";
    EXPECT_EQ(undoNewestRun(journalFolderIn(app)).restored, 1u);
    EXPECT_EQ(fs::last_write_time(file), before) << "undo gives back its time";
}

TEST(StreamedRun, output_that_is_only_the_start_of_the_file_or_goes_past_its_end_is_written) {
    TempDir dir;
    for (const auto& [text, find, replace, expected] :
         std::vector<std::array<std::string, 4>>{{"abcx", "x", "", "abc"}, {"abc", "c", "cd", "abcd"}}) {
        const std::string file = dir.write("a.txt", text);
        const RunResult result = runPairs(streamedRun({find}, {replace}, {file}));
        EXPECT_TRUE(result.failures.empty());
        EXPECT_EQ(readBytes(file), expected);
    }
}

// Run in a child process, which keeps the limit to itself: the new file's write fails part way.
bool streamUnderFileSizeLimit(const std::string& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult result = runPairs(streamedRun({"0"}, {std::string(100'000, 'x')}, {file}));
    return result.failures.size() == 1 && result.rows[0].count == 2;
}

TEST(StreamedRun, WriteThatFailsPartWayLeavesTheOldContentsAndNoTemporaryFile) {
    TempDir dir;
    const std::string file = dir.write("big.txt", "0123456789 0");
    EXPECT_EXIT(std::exit(streamUnderFileSizeLimit(file) ? 0 : 1), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readBytes(file), "0123456789 0");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// Changes the file once the run has streamed it, before the run commits its new contents.
struct AppendAtFirstProgress : RunObserver {
    std::string file;
    void progress(int) override {
        if (!file.empty()) {
            std::ofstream(std::exchange(file, {}), std::ios::app) << "theirs";
        }
    }
};

TEST(StreamedRun, FileChangedWhileStreamedIsNotOverwritten) {
    TempDir dir;
    const std::string file = dir.write("a.txt", "data data data");
    AppendAtFirstProgress observer;
    observer.file = file;
    const RunResult result = runPairs(streamedRun({"d"}, {"x"}, {file}), &observer);
    EXPECT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(readBytes(file), "data data datatheirs");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

} // namespace
} // namespace morvane
