#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;

// Every file is streamed, in blocks small enough that occurrences cross their edges.
RunRequest streamedRun(std::vector<std::string> finds, std::vector<std::string> replaces,
                       std::vector<std::string> files, bool execute = true) {
    RunRequest request{.finds = std::move(finds),
                       .replaces = std::move(replaces),
                       .files = std::move(files),
                       .execute = execute,
                       .streamedFileBytes = 0,
                       .streamBlockBytes = 3};
    return request;
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

// A simulate run hands the earlier pairs' output to the later ones on a second thread a block at a time,
// using the blocks' memory again; every pair counts what it counts over the file whole.
TEST(StreamedRun, simulate_run_counts_through_the_later_pairs_thread_as_over_the_whole_file) {
    TempDir dir;
    const auto repeated = [](const std::string& piece, int times) {
        std::string text;
        for (int i = 0; i < times; ++i) {
            text += piece;
        }
        return text;
    };
    struct Case {
        std::string text;
        std::vector<std::string> finds, replaces;
        std::int64_t count;
    };
    for (const Case& c : std::vector<Case>{{repeated("ab", 2000), {"a", "cb"}, {"c", "x"}, 4000},
                                           {repeated("a", 999), {"a", "b", "c"}, {"b", "c", "d"}, 2997},
                                           {repeated("xyz", 1000), {"y", "zx"}, {"Y", "!"}, 1999}}) {
        const std::string file = dir.write("a.txt", c.text);
        RunRequest request = streamedRun(c.finds, c.replaces, {file}, false);
        EXPECT_EQ(runPairs(request).rows.at(0).count, c.count) << c.finds.back() << " streamed";
        request.streamedFileBytes = kStreamedFileBytes;
        EXPECT_EQ(runPairs(request).rows.at(0).count, c.count) << c.finds.back() << " whole";
        EXPECT_EQ(readBytes(file), c.text);
    }
}

} // namespace
} // namespace morvane
