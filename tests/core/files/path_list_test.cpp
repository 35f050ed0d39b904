#include "core/files/path_list.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using namespace std::string_literals;

// Each path reads back byte for byte, whatever folder it shares with the paths around it: none, the root,
// a trailing separator, a folder left and come back to, one that only starts like the one before, and bytes
// of any value.
TEST(PathList, EveryPathReadsBackAsItWasGiven) {
    const std::vector<std::string> paths{
        "",    "a.txt", "/",   "/x",           "d/a",      "d/b", "d/e/c",     "d/b",      "d/",
        "d//", "dd/a",  "d/a", "tab\t/\n\xff", "nul\0/x"s, "./a", "../../a/b", "/abs/a/b", "/abs/a/c"};
    PathList list;
    for (const std::string& path : paths) {
        list.push_back(path);
    }
    ASSERT_EQ(list.size(), paths.size());
    EXPECT_EQ(list.toVector(), paths);
    EXPECT_EQ(PathList(paths), list);
    PathList twice = list;
    twice.append(list);
    twice.shrink_to_fit();
    EXPECT_EQ(twice[paths.size() + 6], "d/e/c");
    EXPECT_EQ(twice.size(), 2 * paths.size());
    EXPECT_FALSE(twice == list);
    twice.clear();
    EXPECT_TRUE(twice.empty());
    EXPECT_EQ(twice, PathList{});
}

} // namespace
} // namespace morvane
