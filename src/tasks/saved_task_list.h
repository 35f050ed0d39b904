#pragma once

#include "lists/key_rules.h"
#include "tasks/rep_task.h"

#include <QTreeWidget>

namespace morvane {

// The saved-task list: one row per named task, its number (hidden), name, find texts and replacements. The
// number is a row's only link to its task; numbers are never reused while the program runs.
class SavedTaskListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit SavedTaskListView(QWidget* parent = nullptr);

signals:
    void keyAction(morvane::SavedTaskKey action);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

void AddNewTaskToList(QTreeWidget& list, const RepTask& task, std::size_t nr);
void RepTasksInListeLaden(QTreeWidget& list, const SavedReps& reps);

// Removes every selected row and empties the name of its task in the table; returns how many went.
int MarkierteZeilenRepLoeschen(QTreeWidget& list, SavedReps& reps);

// The table index of the selected row's task, when there is one.
std::optional<std::size_t> selectedTask(const QTreeWidget& list, const SavedReps& reps);

} // namespace morvane
