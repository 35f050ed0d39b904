#include "core/platform/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

struct SplitCase {
    const char* label;
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
};

class PathSplitter : public ::testing::TestWithParam<SplitCase> {};

TEST_P(PathSplitter, SplitsAtLastSeparatorAndLastDotAfterIt) {
    const SplitCase& c = GetParam();
    const PathParts parts = splitPath(c.path);
    EXPECT_EQ(parts.folder, c.folder);
    EXPECT_EQ(parts.name, c.name);
    EXPECT_EQ(parts.extension, c.extension);
    EXPECT_EQ(fileNameOf(c.path), std::string(c.name) + c.extension);
}

INSTANTIATE_TEST_SUITE_P(
    NativeSeparator, PathSplitter,
    ::testing::Values(SplitCase{"plain", "/data/report.txt", "/data/", "report", ".txt"},
                      SplitCase{"dot_in_folder", "/data.old/report", "/data.old/", "report", ""},
                      SplitCase{"two_dots", "/data/archive.tar.gz", "/data/", "archive.tar", ".gz"},
                      SplitCase{"hidden_file", "/data/.profile", "/data/", "", ".profile"},
                      SplitCase{"no_folder", "report.txt", "", "report", ".txt"},
                      SplitCase{"trailing_dot", "/data/name.", "/data/", "name", "."},
                      SplitCase{"trailing_separator", "/data/", "/data/", "", ""},
                      SplitCase{"empty", "", "", "", ""},
                      SplitCase{"backslash_is_a_name_character", "/d/a\\b.txt", "/d/", "a\\b", ".txt"}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.label); });

TEST(TrailingSeparators, AreDroppedUnlessThePathIsNothingElse) {
    EXPECT_EQ(withoutTrailingSeparators("/data/d/"), "/data/d");
    EXPECT_EQ(withoutTrailingSeparators("d//"), "d");
    EXPECT_EQ(withoutTrailingSeparators("/data/d"), "/data/d");
    EXPECT_EQ(withoutTrailingSeparators("//"), "//");
    EXPECT_EQ(withoutTrailingSeparators(""), "");
}

TEST(ExistenceChecks, TellFilesFoldersAndMissingPathsApart) {
    testing::TempDir dir;
    const std::string file = dir.write("a.txt", "x");
    const std::string folder = dir.makeFolder("sub");
    EXPECT_TRUE(fileExists(file));
    EXPECT_TRUE(fileExists(folder));
    EXPECT_FALSE(isDirectory(file));
    EXPECT_TRUE(isDirectory(folder));
    EXPECT_FALSE(fileExists(dir.file("missing")));
    EXPECT_FALSE(isDirectory(dir.file("missing")));
    EXPECT_FALSE(fileExists(""));
    // The system would look only at the part before the NUL byte, which exists.
    EXPECT_FALSE(fileExists(file + std::string(1, '\0') + "x"));
    EXPECT_FALSE(isDirectory(folder + std::string(1, '\0')));
}

} // namespace
} // namespace morvane
