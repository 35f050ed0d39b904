#include "core/platform/text_file.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

TEST(WholeFileText, EveryByteValueAndEveryLineEndRoundTripsUnchanged) {
    testing::TempDir dir;
    std::string bytes = "a\r\nb\n\rc";
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    const std::string path = dir.write("all.bin", bytes);
    EXPECT_EQ(readTextFileOrEmpty(path), bytes);
    ASSERT_TRUE(writeTextFile(bytes + "z", path).ok());
    EXPECT_EQ(readBytes(path), bytes + "z");
    ASSERT_TRUE(writeTextFile("", path).ok());
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST(WholeFileText, ReadTellsAFailedReadFromAnEmptyFile) {
    testing::TempDir dir;
    const ReadOutcome empty = readTextFile(dir.write("empty.txt", ""));
    EXPECT_TRUE(empty.ok());
    for (const std::string& unreadable : {dir.file("missing.txt"), dir.makeFolder("sub")}) {
        const ReadOutcome read = readTextFile(unreadable);
        EXPECT_FALSE(read.ok()) << unreadable;
        EXPECT_EQ(read.text, "");
        EXPECT_EQ(readTextFileOrEmpty(unreadable), "");
    }
    testing::openToEveryone(dir.path());
    const std::string secret = dir.write("secret.txt", "data");
    fs::permissions(secret, fs::perms::none);
    EXPECT_TRUE(testing::runWithoutRoot([](const std::string& p) { return !readTextFile(p).ok(); }, secret));
}

TEST(SafeWrite, KeepsPermissionsAndLeavesNoTemporaryFile) {
    testing::TempDir dir;
    const std::string path = dir.write("script.sh", "old");
    const fs::perms mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec;
    fs::permissions(path, mode);
    ASSERT_TRUE(writeTextFile("new", path).ok());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask, mode);
    EXPECT_FALSE(writeTextFile("x", dir.file("no/such/folder.txt")).ok());
    EXPECT_FALSE(writeTextFile("x", dir.makeFolder("sub")).ok());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(SafeWrite, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
    testing::TempDir dir;
    const std::string target = dir.write("target.txt", "old");
    const std::string link = dir.file("link.txt");
    fs::create_symlink(target, link);
    ASSERT_TRUE(writeTextFile("new", link).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), "new");
}

TEST(SafeWrite, ReadOnlyFileIsNotReplacedThroughItsWritableFolder) {
    testing::TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string path = dir.write("locked.txt", "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(
        testing::runWithoutRoot([](const std::string& p) { return !writeTextFile("new", p).ok(); }, path));
    EXPECT_EQ(readBytes(path), "old");
}

} // namespace
} // namespace morvane
