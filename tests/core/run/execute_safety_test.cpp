#include "core/run/run.h"
#include "support/run_observers.h"
#include "support/temp_dir.h"

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::ChangeAfterTheFirstRead;
using testing::namesIn;
using testing::readBytes;
using testing::TempDir;

// Whether the contents tests stream every file, in blocks small enough that occurrences cross their edges,
// or read each one whole; set per test by the suite's parameter.
bool streamEveryFile = false;

RunRequest executeRun(ReplaceMode mode, std::string find, std::string replace,
                      std::vector<std::string> files) {
    RunRequest request;
    if (streamEveryFile) {
        request.streamedFileBytes = 0;
        request.streamBlockBytes = 3;
    }
    request.finds = {std::move(find)};
    request.replaces = {std::move(replace)};
    request.files = std::move(files);
    request.mode = mode;
    request.execute = true;
    return request;
}

class ExecuteSafety : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { streamEveryFile = GetParam(); }
    void TearDown() override { streamEveryFile = false; }
};

INSTANTIATE_TEST_SUITE_P(WholeAndStreamed, ExecuteSafety, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "streamed" : "whole";
                         });

std::vector<std::string> vanishingSecretAndOpen(const std::string& folder) {
    return {folder + "/gone.txt", folder + "/secret.txt", folder + "/open.txt"};
}

bool vanishedSkippedUnreadableReportedRestWritten(const std::string& folder) {
    const RunResult result =
        runPairs(executeRun(ReplaceMode::Contents, "d", "x", vanishingSecretAndOpen(folder)));
    return result.rows[0].skipped == SkipReason::Missing && result.failures.size() == 1 &&
           result.failures[0].row == 1 && result.rows[2].count == 1;
}

TEST_P(ExecuteSafety, FilesThatVanishOrTurnUnreadableAfterSimulateAreNotWrittenAndTheRestGoOn) {
    TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string gone = dir.write("gone.txt", "data");
    const std::string secret = dir.write("secret.txt", "data");
    testing::openToEveryone(dir.write("open.txt", "data"));
    RunRequest simulate = executeRun(ReplaceMode::Contents, "d", "x", vanishingSecretAndOpen(dir.path()));
    simulate.execute = false;
    ASSERT_EQ(runPairs(simulate).total, 3);
    fs::remove(gone);
    fs::permissions(secret, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    EXPECT_TRUE(testing::runWithoutRoot(vanishedSkippedUnreadableReportedRestWritten, dir.path()));
    EXPECT_FALSE(fs::exists(gone));
    fs::permissions(secret, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(readBytes(secret), "data");
    EXPECT_EQ(readBytes(dir.file("open.txt")), "xata");
}

bool contentsAndNameRunsBothFail(const std::string& file) {
    return runPairs(executeRun(ReplaceMode::Contents, "d", "x", {file})).failures.size() == 1 &&
           runPairs(executeRun(ReplaceMode::FileNames, "d", "x", {file})).failures.size() == 1;
}

TEST_P(ExecuteSafety, FolderWithoutWritePermissionKeepsItsFilesContentsAndNames) {
    TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string folder = dir.makeFolder("locked");
    const std::string file = folder + "/data.txt";
    testing::openToEveryone(dir.write("locked/data.txt", "data"));
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(testing::runWithoutRoot(contentsAndNameRunsBothFail, file));
    EXPECT_EQ(readBytes(file), "data");
    EXPECT_EQ(namesIn(folder).size(), 1u);
}

// Run in a child process, which keeps the limit to itself. With SIGXFSZ ignored, the write past the limit
// fails with EFBIG after the first bytes.
bool replaceUnderFileSizeLimit(const std::string& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult result =
        runPairs(executeRun(ReplaceMode::Contents, "0", std::string(100'000, 'x'), {file}));
    return result.failures.size() == 1;
}

TEST_P(ExecuteSafety, WriteThatFailsPartWayLeavesTheOldContentsUnderEveryName) {
    for (const bool hardLinked : {false, true}) {
        TempDir dir;
        const std::string file = dir.write("big.txt", "0123456789");
        if (hardLinked) {
            fs::create_hard_link(file, dir.file("other.txt"));
        }
        EXPECT_EXIT(std::exit(replaceUnderFileSizeLimit(file) ? 0 : 1), ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(readBytes(file), "0123456789");
        EXPECT_EQ(namesIn(dir.path()).size(), hardLinked ? 2u : 1u)
            << "no temporary file or backup may be left";
        if (hardLinked) {
            EXPECT_TRUE(fs::equivalent(file, dir.file("other.txt")));
        }
    }
}

// The temporary and backup names beside a file must fit even when its own name takes all 255 bytes.
TEST_P(ExecuteSafety, LongNamedOrHardLinkedFileIsRewrittenUnderEveryName) {
    std::string utf8;
    for (int i = 0; i < 127; ++i) {
        utf8 += "\xC3\xA9";
    }
    utf8 += "x";
    for (const std::string& name : {std::string(236, 'n'), std::string(255, 'n'), utf8}) {
        for (const bool hardLinked : {false, true}) {
            TempDir dir;
            const std::string file = dir.write(name, "old data");
            if (hardLinked) {
                fs::create_hard_link(file, dir.file("other"));
            }
            const RunResult result = runPairs(executeRun(ReplaceMode::Contents, "old", "new", {file}));
            EXPECT_TRUE(result.failures.empty())
                << name.size() << (hardLinked ? " bytes, hard-linked" : " bytes");
            EXPECT_EQ(readBytes(hardLinked ? dir.file("other") : file), "new data") << "under every name";
            EXPECT_EQ(namesIn(dir.path()).size(), hardLinked ? 2u : 1u);
        }
    }
}

TEST_P(ExecuteSafety, FileChangedWhileTheRunHoldsItIsNotOverwritten) {
    struct Row {
        const char* name;
        bool hardLinked;
        std::function<void(const TempDir&)> change;
        const char* expected;
    };
    const auto append = [](const TempDir& dir) {
        std::ofstream(dir.file("a.txt"), std::ios::app) << "theirs";
    };
    for (const Row& row : {
             Row{"swapped for another file", false,
                 [](const TempDir& dir) { fs::rename(dir.write("new.txt", "theirs"), dir.file("a.txt")); },
                 "theirs"},
             Row{"appended to", false, append, "datatheirs"},
             Row{"hard-linked and appended to", true, append, "datatheirs"},
         }) {
        TempDir dir;
        const std::string file = dir.write("a.txt", "data");
        const std::string afterwards = dir.write("b.txt", "data");
        if (row.hardLinked) {
            fs::create_hard_link(file, dir.file("link.txt"));
        }
        ChangeAfterTheFirstRead observer;
        observer.change = [&] { row.change(dir); };
        const RunResult result =
            runPairs(executeRun(ReplaceMode::Contents, "d", "x", {file, afterwards}), &observer);
        ASSERT_EQ(result.failures.size(), 1u) << row.name;
        EXPECT_EQ(result.failures[0].row, 0u) << row.name;
        EXPECT_EQ(readBytes(file), row.expected) << row.name;
        EXPECT_EQ(readBytes(afterwards), "xata") << row.name;
    }
}

TEST(ExecuteNames, FailedRowDoesNotStopTheOtherRows) {
    TempDir dir;
    const std::string blocked = dir.write("a1.txt", "");
    dir.write("b1.txt", "");
    const std::string free = dir.write("a2.txt", "");
    const RunResult result = runPairs(executeRun(ReplaceMode::FileNames, "a", "b", {blocked, free}));
    EXPECT_EQ(result.failures.size(), 1u);
    EXPECT_TRUE(result.rows[1].renamed);
    EXPECT_TRUE(fs::exists(dir.file("b2.txt")));
}

TEST(ExecuteNames, RenamingASymbolicLinkRenamesTheLinkNotItsTarget) {
    TempDir dir;
    const std::string target = dir.write("old.txt", "abc");
    fs::create_symlink(target, dir.file("old-link"));
    const RunResult result =
        runPairs(executeRun(ReplaceMode::FileNames, "old-", "new-", {dir.file("old-link")}));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(fs::is_symlink(dir.file("new-link")));
    EXPECT_EQ(fs::read_symlink(dir.file("new-link")), target);
    EXPECT_EQ(readBytes(target), "abc");
}

// The rows of a run as (count, path) and its files' contents afterwards, for comparing two runs.
struct Seen {
    std::vector<std::int64_t> counts;
    std::int64_t total = 0;
    std::vector<std::string> contents;
};

Seen runOver(const std::vector<std::string>& files, bool execute, unsigned workers = 0) {
    RunRequest request = executeRun(ReplaceMode::Contents, "v1", "v1.1", files);
    request.execute = execute;
    request.workers = workers;
    const RunResult result = runPairs(request);
    Seen seen;
    for (const RowResult& row : result.rows) {
        seen.counts.push_back(row.count);
    }
    seen.total = result.total;
    for (const std::string& file : files) {
        seen.contents.push_back(readBytes(file));
    }
    EXPECT_TRUE(result.failures.empty()) << result.failures[0].reason;
    return seen;
}

TEST_P(ExecuteSafety, file_reached_by_two_names_is_replaced_once) {
    TempDir dir;
    const std::string h1 = dir.write("h1", "version v1");
    const std::string h2 = dir.file("h2");
    fs::create_hard_link(h1, h2);
    dir.makeFolder("sub");
    dir.makeFolder("d");
    const std::string real = dir.write("sub/real.txt", "version v1");
    const std::string link = dir.file("link.txt");
    fs::create_symlink("sub/real.txt", link);
    const std::string a = dir.write("a.txt", "version v1");
    // The symbolic link before its target, and after: a target replaced by a new file is found again.
    const std::vector<std::string> files = {
        h1, h2, link, real, dir.path() + "/./a.txt", link, a, dir.path() + "/d/../a.txt"};
    const Seen simulated = runOver(files, false);
    const Seen executed = runOver(files, true);
    EXPECT_EQ(executed.counts, simulated.counts);
    EXPECT_EQ(executed.counts, std::vector<std::int64_t>(files.size(), 1))
        << "every row reports the one result";
    EXPECT_EQ(executed.total, simulated.total);
    EXPECT_EQ(executed.contents, std::vector<std::string>(files.size(), "version v1.1"));
    EXPECT_TRUE(fs::equivalent(h1, h2));
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_P(ExecuteSafety, later_names_in_later_batches_and_on_many_workers_take_the_first_rows_result) {
    TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i) {
        files.push_back(dir.write("f" + std::to_string(i), "v1 v1"));
    }
    for (int i = 299; i >= 0; i -= 3) {
        fs::create_symlink("f" + std::to_string(i), dir.file("l" + std::to_string(i)));
        files.push_back(dir.file("l" + std::to_string(i)));
        files.push_back(dir.file("f" + std::to_string(i)));
    }
    const Seen executed = runOver(files, true, 2);
    EXPECT_EQ(executed.counts, std::vector<std::int64_t>(files.size(), 2));
    EXPECT_EQ(executed.contents, std::vector<std::string>(files.size(), "v1.1 v1.1"));
}

bool namesOfAReadOnlyFileFailAlike(const std::string& path) {
    const std::string link = path + ".link";
    const RunResult result = runPairs(executeRun(ReplaceMode::Contents, "d", "x", {path, link, path}));
    return result.failures.size() == 3 && result.failures[1].row == 1 && result.failures[1].path == link &&
           result.failures[2].reason == result.failures[0].reason && result.rows[1].count == 1 &&
           result.total == 0 && result.status == StatusKind::Done;
}

TEST_P(ExecuteSafety, every_name_of_a_read_only_file_reports_the_failure_and_it_keeps_its_contents) {
    TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string file = dir.write("locked.txt", "data");
    fs::create_symlink(file, file + ".link");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(testing::runWithoutRoot(namesOfAReadOnlyFileFailAlike, file));
    EXPECT_EQ(readBytes(file), "data");
}

// Output that is only the start of the file, or goes past its end, is written as it is.
TEST_P(ExecuteSafety, output_that_is_only_the_start_of_the_file_or_goes_past_its_end_is_written) {
    TempDir dir;
    for (const auto& [text, find, replace, expected] :
         std::vector<std::array<std::string, 4>>{{"abcx", "x", "", "abc"}, {"abc", "c", "cd", "abcd"}}) {
        const std::string file = dir.write("a.txt", text);
        EXPECT_TRUE(runPairs(executeRun(ReplaceMode::Contents, find, replace, {file})).failures.empty());
        EXPECT_EQ(readBytes(file), expected);
    }
}

// A simulate run hands the earlier pairs' output to the later ones on a second thread a block at a time,
// using the blocks' memory again; every pair counts what it counts over the file whole.
TEST(StreamedRun, simulate_run_counts_through_the_later_pairs_thread_as_over_the_whole_file) {
    TempDir dir;
    struct Case {
        std::string piece;
        int times;
        std::vector<std::string> finds, replaces;
        std::int64_t count;
    };
    for (const Case& c : std::vector<Case>{{"ab", 2000, {"a", "cb"}, {"c", "x"}, 4000},
                                           {"a", 999, {"a", "b", "c"}, {"b", "c", "d"}, 2997},
                                           {"xyz", 1000, {"y", "zx"}, {"Y", "!"}, 1999}}) {
        std::string text;
        for (int i = 0; i < c.times; ++i) {
            text += c.piece;
        }
        const std::string file = dir.write("a.txt", text);
        RunRequest request{.finds = c.finds,
                           .replaces = c.replaces,
                           .files = {file},
                           .streamedFileBytes = 0,
                           .streamBlockBytes = 3};
        EXPECT_EQ(runPairs(request).rows.at(0).count, c.count) << c.finds.back() << " streamed";
        request.streamedFileBytes = kStreamedFileBytes;
        EXPECT_EQ(runPairs(request).rows.at(0).count, c.count) << c.finds.back() << " whole";
        EXPECT_EQ(readBytes(file), text);
    }
}

} // namespace
} // namespace morvane
