#include "engine/run.h"
#include "support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;

RunRequest executeRun(ReplaceMode mode, std::string find, std::string replace,
                      std::vector<std::string> files) {
    RunRequest request;
    request.finds = {std::move(find)};
    request.replaces = {std::move(replace)};
    request.files = std::move(files);
    request.mode = mode;
    request.ausfuehren = true;
    return request;
}

std::size_t entriesIn(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(ExecuteSafety, UnreadableFileIsReportedAndLeftAlone) {
    TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string file = dir.write("secret.txt", "data");
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    EXPECT_TRUE(testing::runWithoutRoot(
        [](const std::string& path) {
            const RunResult result = ErsetzenSimulieren(executeRun(ReplaceMode::Contents, "d", "x", {path}));
            return result.failures.size() == 1 && result.failures[0].row == 0 && result.rows[0].count == 0;
        },
        file));
    EXPECT_EQ(readBytes(file), "data");
}

TEST(ExecuteSafety, ReadOnlyFileIsReportedAndKeepsItsContents) {
    TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string file = dir.write("locked.txt", "data");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(testing::runWithoutRoot(
        [](const std::string& path) {
            const RunResult result = ErsetzenSimulieren(executeRun(ReplaceMode::Contents, "d", "x", {path}));
            return result.failures.size() == 1 && result.rows[0].count == 1 &&
                   result.status == StatusKind::Done;
        },
        file));
    EXPECT_EQ(readBytes(file), "data");
}

// Run in a child process, which keeps the limit to itself. With SIGXFSZ ignored, the write past the limit
// fails with EFBIG after the first bytes.
bool replaceUnderFileSizeLimit(const std::string& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult result =
        ErsetzenSimulieren(executeRun(ReplaceMode::Contents, "0", std::string(100'000, 'x'), {file}));
    return result.failures.size() == 1;
}

TEST(ExecuteSafety, WriteThatFailsPartWayLeavesTheOldContents) {
    TempDir dir;
    const std::string file = dir.write("big.txt", "0123456789");
    EXPECT_EXIT(std::exit(replaceUnderFileSizeLimit(file) ? 0 : 1), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readBytes(file), "0123456789");
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "the temporary file must be removed";
}

TEST(ExecuteSafety, RenameOntoAnExistingFileIsRefused) {
    TempDir dir;
    const std::string source = dir.write("a.txt", "first");
    const std::string existing = dir.write("b.txt", "second");
    const RunResult result = ErsetzenSimulieren(executeRun(ReplaceMode::FileNames, "a", "b", {source}));
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].path, source);
    EXPECT_FALSE(result.rows[0].renamed);
    EXPECT_EQ(result.rows[0].path, source);
    EXPECT_EQ(readBytes(source), "first");
    EXPECT_EQ(readBytes(existing), "second");
}

TEST(ExecuteSafety, RenameOntoAnExistingFolderIsRefused) {
    TempDir dir;
    const std::string source = dir.makeFolder("old");
    dir.makeFolder("new");
    const RunResult result = ErsetzenSimulieren(executeRun(ReplaceMode::FileNames, "old", "new", {source}));
    EXPECT_EQ(result.failures.size(), 1u);
    EXPECT_TRUE(fs::is_directory(source));
}

TEST(ExecuteSafety, NamesThatWouldMoveOrVanishAreRefused) {
    TempDir dir;
    const std::string file = dir.write("report.txt", "x");
    for (const auto& [find, replace] :
         std::vector<std::pair<std::string, std::string>>{{"report.txt", ""},
                                                          {"report.txt", "."},
                                                          {"report.txt", ".."},
                                                          {"report", "sub/x"},
                                                          {"report", "^chr(0)"}}) {
        const RunResult result =
            ErsetzenSimulieren(executeRun(ReplaceMode::FileNames, find, replace, {file}));
        EXPECT_EQ(result.failures.size(), 1u) << "replacement \"" << replace << "\"";
        EXPECT_EQ(result.rows[0].path, file);
    }
    EXPECT_EQ(readBytes(file), "x");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(ExecuteSafety, FailedRowDoesNotStopTheOtherRows) {
    TempDir dir;
    const std::string blocked = dir.write("a1.txt", "");
    dir.write("b1.txt", "");
    const std::string free = dir.write("a2.txt", "");
    const RunResult result =
        ErsetzenSimulieren(executeRun(ReplaceMode::FileNames, "a", "b", {blocked, free}));
    EXPECT_EQ(result.failures.size(), 1u);
    EXPECT_TRUE(result.rows[1].renamed);
    EXPECT_TRUE(fs::exists(dir.file("b2.txt")));
}

TEST(ExecuteSafety, SymbolicLinkIsWrittenAtItsTarget) {
    TempDir dir;
    const std::string target = dir.write("target.txt", "abc");
    const std::string link = dir.file("link.txt");
    fs::create_symlink(target, link);
    const RunResult result = ErsetzenSimulieren(executeRun(ReplaceMode::Contents, "b", "B", {link}));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), "aBc");
}

} // namespace
} // namespace morvane
