#include "core/app/window_arguments.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

using Ask = WindowArguments::Ask;
using Paths = std::vector<std::string>;

std::string inWorkingFolder(const std::string& name) {
    return (std::filesystem::current_path() / name).string();
}

// Paths keep their order and are made absolute as a drop gives them; a name that is not UTF-8 keeps its
// bytes, and after the end of options a hyphen starts a name.
TEST(WindowArguments, PathsAreMadeAbsoluteInTheirOrder) {
    EXPECT_EQ(windowArguments({"b.txt", "/somewhere/a.txt", "sub/../c.txt", "./folder/", "/"}).paths,
              (Paths{inWorkingFolder("b.txt"), "/somewhere/a.txt", inWorkingFolder("c.txt"),
                     inWorkingFolder("folder"), "/"}));
    EXPECT_EQ(windowArguments({"/tmp/caf\xe9.txt"}).paths, Paths{"/tmp/caf\xe9.txt"});
    const WindowArguments afterEnd = windowArguments({"--", "--help", "-x"});
    EXPECT_EQ(afterEnd.ask, Ask::Window);
    EXPECT_EQ(afterEnd.paths, (Paths{inWorkingFolder("--help"), inWorkingFolder("-x")}));
}

TEST(WindowArguments, HelpVersionOrAnUnknownOptionIsAnsweredWhateverElseIsGiven) {
    EXPECT_EQ(windowArguments({"a.txt", "--help"}).ask, Ask::Help);
    // The toolkit's own options are still there before it starts.
    EXPECT_EQ(windowArguments({"-style", "fusion", "--version"}).ask, Ask::Version);
    const WindowArguments unknown = windowArguments({"a.txt", "--recursive", "-z"});
    EXPECT_EQ(unknown.ask, Ask::UnknownOption);
    EXPECT_EQ(unknown.unknownOption, "--recursive");
}

} // namespace
} // namespace morvane
