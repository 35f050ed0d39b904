#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvane {
namespace {

using testing::readBytes;
using testing::TempDir;

// Batches grow 1, 1, 2, 4, 8 files: sixteen files end on a full batch of eight, twenty-three on one of seven
// after it. Every file of every batch, its last one included, is journaled and comes back.
TEST(JournaledBatches, every_file_of_batches_of_several_comes_back_through_undo) {
    for (const int files : {16, 23}) {
        TempDir dir;
        const std::string app = dir.makeFolder("app");
        RunRequest request;
        request.finds = {"old"};
        request.replaces = {"new"};
        request.execute = true;
        request.stateFolder = app;
        request.keepForUndo = true;
        for (int i = 0; i < files; ++i) {
            request.files.push_back(dir.write(std::to_string(i) + ".txt", "old " + std::to_string(i)));
        }
        ASSERT_TRUE(runPairs(request).failures.empty()) << files;
        EXPECT_EQ(readBytes(request.files.back()), "new " + std::to_string(files - 1)) << files;
        const std::string journalFolder = journalFolderIn(app);
        EXPECT_EQ(listRuns(journalFolder).at(0).changed, static_cast<std::size_t>(files));

        const UndoResult undone = undoNewestRun(journalFolder);

        EXPECT_EQ(undone.restored, static_cast<std::size_t>(files));
        EXPECT_TRUE(undone.left.empty()) << files;
        for (int i = 0; i < files; ++i) {
            EXPECT_EQ(readBytes(request.files[static_cast<std::size_t>(i)]), "old " + std::to_string(i)) << i;
        }
    }
}

} // namespace
} // namespace morvane
