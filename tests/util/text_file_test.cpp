#include "support/temp_dir.h"
#include "util/text_file.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

std::string everyByteValue() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes + "\r\n\n\r" + bytes;
}

TEST(WholeFileText, EveryByteValueRoundTripsUnchanged) {
    testing::TempDir dir;
    const std::string bytes = everyByteValue();
    const std::string path = dir.write("all.bin", bytes);
    EXPECT_EQ(TextDateiEinlesen(path), bytes);
    ASSERT_TRUE(TextDateiSpeichern(bytes + "z", path).ok());
    EXPECT_EQ(readBytes(path), bytes + "z");
}

TEST(WholeFileText, LineEndsAndMissingFinalLineEndAreKept) {
    testing::TempDir dir;
    const std::string path = dir.file("t.txt");
    ASSERT_TRUE(TextDateiSpeichern("a\r\nb", path).ok());
    EXPECT_EQ(readBytes(path), "a\r\nb");
    EXPECT_EQ(TextDateiEinlesen(path), "a\r\nb");
}

TEST(WholeFileText, EmptyTextGivesEmptyFile) {
    testing::TempDir dir;
    const std::string path = dir.write("t.txt", "old contents");
    ASSERT_TRUE(TextDateiSpeichern("", path).ok());
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST(WholeFileText, ReadTellsAFailedReadFromAnEmptyFile) {
    testing::TempDir dir;
    const ReadOutcome empty = readTextFile(dir.write("empty.txt", ""));
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(empty.text, "");

    const ReadOutcome missing = readTextFile(dir.file("missing.txt"));
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(TextDateiEinlesen(dir.file("missing.txt")), "");

    const ReadOutcome folder = readTextFile(dir.makeFolder("sub"));
    EXPECT_FALSE(folder.ok());
    EXPECT_EQ(folder.text, "");
}

TEST(WholeFileText, UnreadableFileIsAFailureNotAnEmptyText) {
    testing::TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string path = dir.write("secret.txt", "data");
    fs::permissions(path, fs::perms::none);
    EXPECT_TRUE(testing::runWithoutRoot(
        [](const std::string& p) {
            const ReadOutcome read = readTextFile(p);
            return !read.ok() && read.text.empty() && TextDateiEinlesen(p).empty();
        },
        path));
}

TEST(SafeWrite, KeepsPermissionBitsOfTheOriginal) {
    testing::TempDir dir;
    const std::string path = dir.write("script.sh", "old");
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
    ASSERT_TRUE(TextDateiSpeichern("new", path).ok());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
}

TEST(SafeWrite, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
    testing::TempDir dir;
    const std::string target = dir.write("target.txt", "old");
    const std::string link = dir.file("link.txt");
    fs::create_symlink(target, link);
    ASSERT_TRUE(TextDateiSpeichern("new", link).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), "new");
}

TEST(SafeWrite, LeavesNoTemporaryFileBehind) {
    testing::TempDir dir;
    const std::string path = dir.write("a.txt", "old");
    ASSERT_TRUE(TextDateiSpeichern("new", path).ok());
    EXPECT_FALSE(TextDateiSpeichern("x", dir.file("no/such/folder.txt")).ok());
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(SafeWrite, ReadOnlyFileIsNotReplacedThroughItsWritableFolder) {
    testing::TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string path = dir.write("locked.txt", "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(testing::runWithoutRoot(
        [](const std::string& p) { return !TextDateiSpeichern("new", p).ok(); }, path));
    EXPECT_EQ(readBytes(path), "old");
}

TEST(SafeWrite, WritingOntoAFolderFailsAndKeepsIt) {
    testing::TempDir dir;
    const std::string folder = dir.makeFolder("sub");
    EXPECT_FALSE(TextDateiSpeichern("x", folder).ok());
    EXPECT_TRUE(fs::is_directory(folder));
}

} // namespace
} // namespace morvane
