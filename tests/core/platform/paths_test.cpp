#include "core/platform/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

// At the last separator and the last dot after it; a backslash is a name's character.
TEST(Paths, SplitAtTheLastSeparatorAndTheLastDotAfterIt) {
    const struct {
        const char* path;
        const char* folder;
        const char* name;
        const char* extension;
    } cases[] = {
        {"/data/report.txt", "/data/", "report", ".txt"},
        {"/data.old/report", "/data.old/", "report", ""},
        {"/data/archive.tar.gz", "/data/", "archive.tar", ".gz"},
        {"/data/.profile", "/data/", "", ".profile"},
        {"report.txt", "", "report", ".txt"},
        {"/data/name.", "/data/", "name", "."},
        {"/data/", "/data/", "", ""},
        {"/d/a\\b.txt", "/d/", "a\\b", ".txt"},
    };
    for (const auto& c : cases) {
        const PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
        EXPECT_EQ(fileNameOf(c.path), std::string(c.name) + c.extension);
    }
}

TEST(Paths, TrailingSeparatorsAreDroppedUnlessThePathIsNothingElse) {
    EXPECT_EQ(withoutTrailingSeparators("/data/d/"), "/data/d");
    EXPECT_EQ(withoutTrailingSeparators("d//"), "d");
    EXPECT_EQ(withoutTrailingSeparators("/data/d"), "/data/d");
    EXPECT_EQ(withoutTrailingSeparators("//"), "//");
    EXPECT_EQ(withoutTrailingSeparators(""), "");
}

TEST(Paths, ExistenceChecksTellFilesFoldersAndMissingPathsApart) {
    testing::TempDir dir;
    const std::string file = dir.write("a.txt", "x");
    const std::string folder = dir.makeFolder("sub");
    EXPECT_TRUE(fileExists(file) && fileExists(folder) && isDirectory(folder));
    EXPECT_FALSE(isDirectory(file) || fileExists(dir.file("missing")) || isDirectory(dir.file("missing")));
    // The system would look only at the part before the NUL byte, which exists.
    EXPECT_FALSE(fileExists("") || fileExists(file + '\0' + "x") || isDirectory(folder + '\0'));
}

} // namespace
} // namespace morvane
