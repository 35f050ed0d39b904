#include "core/run/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using testing::TempDir;

// Only what the run changes counts against the bound: listed files the pairs leave alone, however large,
// neither keep a run from undo nor count in the reason it gives.
TEST(UndoFit, OnlyTheFilesThatChangeCountAgainstTheBound) {
    const struct {
        std::vector<std::string> rows; // names of files holding "old" plus a letter each, or "big"
        std::uint64_t bound;
        const char* reason;
    } cases[] = {
        {{"big", "a", "b"}, 10, ""},
        {{"big", "a", "b", "c"},
         10,
         "it could change 12 bytes of files, more than the 10 bytes that are kept for undo"},
        {{"big", "none", "sub", "a"}, 4, ""}, // what is missing or a folder counts nothing
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string app = dir.makeFolder("app");
        dir.makeFolder("sub");
        dir.write("big", std::string(100, 'x'));
        std::vector<std::string> paths;
        for (const std::string& name : c.rows) {
            paths.push_back(name.size() == 1 ? dir.write(name, "old" + name) : dir.file(name));
        }
        const RunResult run = runPairs(RunRequest{.finds = {"old"},
                                                  .replaces = {"new"},
                                                  .files = paths,
                                                  .execute = true,
                                                  .stateFolder = app,
                                                  .undoBytesBound = c.bound});
        EXPECT_EQ(run.notUndoable, c.reason);
        EXPECT_EQ(run.keptForUndo, *c.reason == '\0');
    }
}

} // namespace
} // namespace morvane
