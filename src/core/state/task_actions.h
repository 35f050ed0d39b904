#pragma once

#include "core/state/rep_task.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

// What storing, loading, deleting and New do to the saved-task table and the working lists, over plain data.
// The window shows the outcome and saves the table; nothing here knows a widget.

// The working lists: the pairs in list order (find and replacement texts in the list's notation, and how
// each matches), the paths of the file list, and the replace mode.
struct WorkingLists {
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::vector<std::string> files;
    bool replaceInContents = true;
    PairOptionsList pairOptions{}; // pairs past its end are plain
};

enum class StoreOutcome {
    Stored,      // appended at the end of the table
    NoPairs,     // nothing to store, and nothing to tell
    NoName,      // the user is asked for a name
    NotFaithful, // the file could not give the task back as it is: nothing changes, nothing is written
};

// Appends the working lists as a new task under the name, exactly as typed. Storing never overwrites: a name
// already in the table gives a second task with its own number. Pairs whose find text is empty are left out
// (the reader would not give them back), with their options; a find text without a replacement gets an
// empty one.
StoreOutcome storeTask(SavedReps& reps, const std::string& name, const WorkingLists& lists);

// What loading a task makes of the working lists. The pair list is always emptied, and the file list too when
// the task's files are to replace it, even when there is no task at the index to load.
struct TaskLoad {
    std::vector<std::string> finds;    // without empty find texts, which the pair list never holds
    std::vector<std::string> replaces; // one per find text; a missing one is empty
    PairOptionsList pairOptions;       // pairs past its end are plain
    std::optional<std::vector<std::string>> files; // the file list's new paths, when loading replaces it
    std::optional<std::string> name;               // for the name box, when a task was loaded
    std::optional<bool> replaceInContents;         // the mode to select, when a task was loaded
};

TaskLoad loadTask(const SavedReps& reps, std::optional<std::size_t> index, bool addFilesToFileList);

// Empties the names of the tasks at the indices, so that no other task's number changes; returns how many
// tasks went. Indices of no task are passed over.
std::size_t deleteTasks(SavedReps& reps, const std::vector<std::size_t>& indices);

// A task a delete took from the table, with the number it had, so that the delete can be taken back.
struct DeletedTask {
    std::size_t index = 0;
    RepTask task;

    bool operator==(const DeletedTask&) const = default;
};

// Deletes as deleteTasks does and gives back what went, in the order of the indices.
std::vector<DeletedTask> deleteTasksKeeping(SavedReps& reps, const std::vector<std::size_t>& indices);

// Puts deleted tasks back under the numbers they had, where those still hold no task; a task whose number
// was taken meanwhile goes to the end. Returns the numbers the tasks have now, in their order.
std::vector<std::size_t> restoreTasks(SavedReps& reps, const std::vector<DeletedTask>& deleted);

// The working lists after New: both lists empty, the mode as it was. The saved tasks are not touched.
WorkingLists newWorkingLists(const WorkingLists& lists);

} // namespace morvane
