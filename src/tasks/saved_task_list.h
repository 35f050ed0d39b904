#pragma once

#include "tasks/rep_task.h"
#include "util/keyed_list_view.h"

#include <QTreeWidget>

namespace morvane {

// The saved-task list: one row per named task, its number (hidden), name, find texts and replacements. The
// number is a row's only link to its task; numbers are never reused while the program runs.
KeyedListView* newSavedTaskListView(QWidget* parent);

void AddNewTaskToList(QTreeWidget& list, const RepTask& task, std::size_t nr);
void RepTasksInListeLaden(QTreeWidget& list, const SavedReps& reps);

// Removes every selected row and empties the name of its task in the table; returns how many went.
int MarkierteZeilenRepLoeschen(QTreeWidget& list, SavedReps& reps);

// The table index of the selected row's task, when there is one.
std::optional<std::size_t> selectedTask(const QTreeWidget& list, const SavedReps& reps);

} // namespace morvane
