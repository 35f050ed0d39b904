#include "core/platform/text_file.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

TEST(SafeWrite, KeepsPermissionsAndTheSpecialBitsAndLeavesNoTemporaryFile) {
    testing::TempDir dir;
    const std::string path = dir.write("tool", "old");
    for (const fs::perms mode : {fs::perms(04755), fs::perms(02755), fs::perms(01755), fs::perms(06710)}) {
        fs::permissions(path, mode);
        ASSERT_TRUE(writeTextFile("new", path).ok());
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask, mode);
    }
    EXPECT_FALSE(writeTextFile("x", dir.file("no/such/folder.txt")).ok());
    EXPECT_FALSE(writeTextFile("x", dir.makeFolder("sub")).ok());
    EXPECT_EQ(testing::namesIn(dir.path()).size(), 2u);
}

} // namespace
} // namespace morvane
