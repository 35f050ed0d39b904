#pragma once

#include "core/platform/text_file.h"
#include "core/state/rep_task.h"

#include <string>
#include <string_view>

namespace morvane {

// The saved-tasks file: every task with a name, in table order, each as one block of tagged lines opened by
// the separator line, and one more separator line at the end.

// The saved-tasks file in the given folder.
std::string savedTasksPath(const std::string& folder);

// The table as the file gives it: entry 0, then one entry per task block in file order (a block without a
// usable name still takes its index). A missing file is created holding no tasks. A file that is empty,
// unreadable or has no separator line gives no tasks and is left as it is.
SavedReps readOrCreateSavedTasks(const std::string& savedTasksPath);

// The same table, writing nothing: a missing file gives no tasks and is not created.
SavedReps readSavedTasks(const std::string& savedTasksPath);

// What the reader makes of a file's contents: the table, and whether some of the contents gave no task the
// writer would keep (text without a separator line, or a block without a usable name), so that the next save
// would drop it. Blank lines drop nothing.
struct SavedTasksRead {
    SavedReps reps;
    bool dropsSomething = false;
};
SavedTasksRead savedTasksFromText(std::string_view contents);

// The file's contents for the table: the tasks with a name, in table order.
std::string savedTasksText(const SavedReps& reps);

// Copies the file's present contents to the backup beside it (the path followed by "_copy.txt"), then
// replaces the file with the table's tasks. Pairs with an empty find text are left out; a find text without
// a replacement is stored with an empty one. When the file exists but cannot be read, neither file is
// touched: it may hold tasks the table never received.
WriteOutcome writeSavedTasks(const std::string& savedTasksPath, const SavedReps& reps);

// Whether the file would give the task back as it is, so storing it loses nothing. A text holding a line
// break followed by a closing tag line, or the separator line, would be cut or split on reading. Leaving out
// pairs with an empty find text, and a file list of one empty entry coming back empty, lose nothing: loading
// a task skips empty find texts and empty paths.
bool readsBackFaithfully(const RepTask& task);

// The task as the file gives it back when nothing is lost: the pairs without a find text left out, a missing
// replacement empty, a file list of one empty entry empty, and no plain pair options at the end.
RepTask storedForm(const RepTask& task);

} // namespace morvane
