#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/run/run.h"
#include "support/run_observers.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::UndoNotice;

// Only what the run changes counts against the bound: listed files the pairs leave alone, however large,
// neither keep a run from undo nor count in the reason it gives.
TEST(UndoFit, OnlyTheFilesThatChangeCountAgainstTheBound) {
    struct Case {
        const char* what;
        std::vector<std::string> rows; // names of files holding "old" plus a letter each, or "big"
        std::uint64_t bound;
        const char* reason;
    };
    for (const Case& c : {
             Case{"a large unchanged file does not count", {"big", "a", "b"}, 10, ""},
             Case{"the changed files alone are too large",
                  {"big", "a", "b", "c"},
                  10,
                  "it could change 12 bytes of files, more than the 10 bytes that are kept for undo"},
             Case{"a file named twice counts once", {"a", "big", "a", "b"}, 8, ""},
             Case{"what is missing or a folder counts nothing", {"big", "none", "sub", "a"}, 4, ""},
         }) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string app = dir.makeFolder("app");
        dir.makeFolder("sub");
        dir.write("big", std::string(100, 'x'));
        std::vector<std::string> paths;
        for (const std::string& name : c.rows) {
            paths.push_back(dir.file(name));
            if (name.size() == 1) {
                dir.write(name, "old" + name);
            }
        }
        RunRequest request{.finds = {"old"},
                           .replaces = {"new"},
                           .files = paths,
                           .execute = true,
                           .stateFolder = app,
                           .undoBytesBound = c.bound};
        UndoNotice notice;
        const RunResult run = runPairs(request, &notice);

        EXPECT_EQ(readBytes(dir.file("a")), "newa") << "it runs either way";
        EXPECT_EQ(run.notUndoable, c.reason);
        EXPECT_EQ(notice.reason, c.reason);
        EXPECT_EQ(notice.beforeAnyRow, *c.reason != '\0');
        EXPECT_EQ(run.keptForUndo, *c.reason == '\0');
        if (run.keptForUndo) {
            const UndoResult undone = undoNewestRun(journalFolderIn(app));
            EXPECT_TRUE(undone.left.empty() && undone.failure.empty()) << undone.failure;
            EXPECT_EQ(readBytes(dir.file("a")), "olda");
            EXPECT_EQ(readBytes(dir.file("big")), std::string(100, 'x'));
        }
    }
}

} // namespace
} // namespace morvane
