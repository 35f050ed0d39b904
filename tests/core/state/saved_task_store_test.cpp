#include "core/state/saved_task_store.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/saved_tasks_format.h"
#include "core/state/task_actions.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

using namespace std::string_literals;
using testing::readBytes;

RepTask task(const std::string& name, const std::string& find = "a") {
    return RepTask{name, {"/f"}, {find}, {"b"}, false, true};
}

SavedReps table(std::initializer_list<RepTask> tasks) {
    SavedReps reps = emptySavedReps();
    reps.insert(reps.end(), tasks);
    return reps;
}

std::vector<std::string> names(const SavedReps& reps) {
    std::vector<std::string> named;
    for (const RepTask& entry : reps) {
        if (!entry.name.empty()) {
            named.push_back(entry.name);
        }
    }
    return named;
}

using Names = std::vector<std::string>;

TEST(MergeSavedTasks, TakesInWhatTheOtherWindowStoredAndDeleted) {
    const SavedReps base = table({task("X"), task("Y")});
    struct Row {
        const char* name;
        SavedReps ours, theirs, expected;
    };
    SavedReps deletedHere = base;
    deletedHere[1].name.clear();
    for (const Row& row : {
             Row{"both stored one", table({task("X"), task("Y"), task("ours")}),
                 table({task("X"), task("Y"), task("theirs")}),
                 table({task("X"), task("Y"), task("ours"), task("theirs")})},
             Row{"they deleted one we kept", table({task("X"), task("Y"), task("ours")}), table({task("Y")}),
                 table({task(""), task("Y"), task("ours")})},
             Row{"both deleted the same", deletedHere, table({task("Y")}), deletedHere},
             Row{"both stored the same name and pairs", table({task("X"), task("Y"), task("Z")}),
                 table({task("X"), task("Y"), task("Z")}),
                 table({task("X"), task("Y"), task("Z"), task("Z")})},
             Row{"nothing changed there", table({task("X"), task("Y"), task("ours")}), base,
                 table({task("X"), task("Y"), task("ours")})},
         }) {
        EXPECT_EQ(mergeSavedTasks(row.ours, base, row.theirs), row.expected) << row.name;
    }
}

TEST(MergeSavedTasks, MatchesTasksByWhatTheFileKeepsNotByName) {
    const SavedReps base = table({task("X", "one"), task("X", "two")});
    EXPECT_EQ(names(mergeSavedTasks(base, base, table({task("X", "two")}))), Names{"X"});
    EXPECT_EQ(mergeSavedTasks(base, base, table({task("X", "two")}))[2].finds, Names{"two"})
        << "the deleted one of two tasks of one name is the one that went";
    SavedReps stored = table({RepTask{"F", {""}, {"a"}, {}, false, true}});
    EXPECT_EQ(mergeSavedTasks(stored, stored, table({RepTask{"F", {}, {"a"}, {""}, false, true}})), stored)
        << "a task reads back with an empty file list and its missing replacement empty";

    RepTask spelledOut = task("O"), other = task("O");
    spelledOut.pairOptions = {PairOptions{}, PairOptions{}};
    other.pairOptions = {PairOptions{.pattern = true}};
    EXPECT_EQ(mergeSavedTasks(table({task("O")}), table({task("O")}), table({spelledOut})),
              table({task("O")}))
        << "plain options written out are no options";
    EXPECT_EQ(mergeSavedTasks(table({task("O")}), table({task("O")}), table({other})),
              table({task(""), other}))
        << "the same pairs with other options are another task";
}

// A window: its store, and the store and save its user's actions make.
struct Window {
    SavedTaskStore store;
    explicit Window(const std::string& path) : store(path) { store.open(true); }
    void add(const std::string& name) {
        store.takeInChanges();
        ASSERT_EQ(storeTask(store.table(), name, WorkingLists{{"a"}, {name}, {}, true}),
                  StoreOutcome::Stored);
        ASSERT_TRUE(store.save().written.ok());
    }
    void remove(const std::string& name) {
        for (std::size_t i = 0; i < store.table().size(); ++i) {
            if (store.table()[i].name == name) {
                deleteTasks(store.table(), {i});
            }
        }
        ASSERT_TRUE(store.save().written.ok());
    }
};

TEST(SavedTaskStore, task_stored_by_another_window_is_not_lost) {
    testing::TempDir dir;
    const std::string path = dir.file("Saved_Replacements.txt");
    const std::string backup = path + std::string(saved_tasks_format::kBackupSuffix);
    Window a(path);
    Window b(path);
    a.add("from A");
    std::string before = readBytes(path);
    b.add("from B");
    EXPECT_EQ(names(readSavedTasks(path)), (Names{"from A", "from B"}));
    EXPECT_EQ(names(b.store.table()), (Names{"from A", "from B"}));
    EXPECT_EQ(readBytes(backup), before) << "the backup holds the file as it was before each save";

    a.remove("from A");
    b.add("again B");
    EXPECT_EQ(names(readSavedTasks(path)), (Names{"from B", "again B"})) << "a deleted task stays deleted";
    before = readBytes(path);
    a.remove("from B");
    EXPECT_EQ(names(readSavedTasks(path)), Names{"again B"});
    EXPECT_EQ(names(a.store.table()), Names{"again B"});
    EXPECT_EQ(readBytes(backup), before);
}

TEST(SavedTaskStore, unreadable_saved_tasks_file_is_kept_aside_before_saving) {
    testing::TempDir dir;
    const std::string garbage = "\0\xff[Name:]\r\nno separator\x1a"s;
    const std::string path = dir.write("Saved_Replacements.txt", garbage);

    SavedTaskStore readOnly(path);
    EXPECT_TRUE(readOnly.open(false).keptAside.empty()) << "a window that never saves keeps nothing aside";

    SavedTaskStore store(path);
    const std::string kept = store.open(true).keptAside;
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(std::filesystem::path(kept).parent_path(), std::filesystem::path(path).parent_path());
    EXPECT_EQ(readBytes(kept), garbage);
    const std::string again = keepAside(path, "other");
    EXPECT_NE(again, kept) << "an earlier kept file is never overwritten";
    EXPECT_EQ(readBytes(kept), garbage);

    storeTask(store.table(), "new", WorkingLists{{"a"}, {"b"}, {}, true});
    const SavedTaskStore::SaveOutcome saved = store.save();
    ASSERT_TRUE(saved.written.ok());
    EXPECT_TRUE(saved.sync.keptAside.empty()) << "kept once, told once";
    EXPECT_EQ(names(readSavedTasks(path)), Names{"new"});
    EXPECT_EQ(readBytes(path + std::string(saved_tasks_format::kBackupSuffix)), garbage);

    // A hand edit gone wrong while the window runs is kept aside too, not taken as every task deleted.
    dir.write("Saved_Replacements.txt", "half a task\r\n");
    const SavedTaskStore::SaveOutcome afterEdit = store.save();
    ASSERT_FALSE(afterEdit.sync.keptAside.empty());
    EXPECT_EQ(readBytes(afterEdit.sync.keptAside), "half a task\r\n");
    EXPECT_EQ(names(readSavedTasks(path)), Names{"new"});
}

} // namespace
} // namespace morvane
