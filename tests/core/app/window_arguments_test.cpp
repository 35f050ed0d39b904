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

TEST(WindowArguments, paths_keep_their_order_and_are_made_absolute_as_a_drop_gives_them) {
    const WindowArguments arguments =
        windowArguments({"b.txt", "/somewhere/a.txt", "sub/../c.txt", "./folder/", "/"});
    EXPECT_EQ(arguments.ask, Ask::Window);
    EXPECT_EQ(arguments.paths, (Paths{inWorkingFolder("b.txt"), "/somewhere/a.txt", inWorkingFolder("c.txt"),
                                      inWorkingFolder("folder"), "/"}));
}

TEST(WindowArguments, a_name_that_is_not_utf8_keeps_its_bytes) {
    EXPECT_EQ(windowArguments({"/tmp/caf\xe9.txt"}).paths, Paths{"/tmp/caf\xe9.txt"});
}

TEST(WindowArguments, help_or_version_is_answered_whatever_else_is_given) {
    EXPECT_EQ(windowArguments({"a.txt", "--help"}).ask, Ask::Help);
    // The toolkit's own options are still there before it starts.
    EXPECT_EQ(windowArguments({"-style", "fusion", "--version"}).ask, Ask::Version);
}

TEST(WindowArguments, after_the_end_of_options_a_hyphen_starts_a_name) {
    const WindowArguments arguments = windowArguments({"--", "--help", "-x"});
    EXPECT_EQ(arguments.ask, Ask::Window);
    EXPECT_EQ(arguments.paths, (Paths{inWorkingFolder("--help"), inWorkingFolder("-x")}));
}

TEST(WindowArguments, unknown_option_is_named_not_taken_for_a_file) {
    const WindowArguments arguments = windowArguments({"a.txt", "--recursive", "-z"});
    EXPECT_EQ(arguments.ask, Ask::UnknownOption);
    EXPECT_EQ(arguments.unknownOption, "--recursive");
}

} // namespace
} // namespace morvane
