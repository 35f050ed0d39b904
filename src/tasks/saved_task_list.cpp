#include "tasks/saved_task_list.h"

#include "lists/key_rules.h"
#include "tasks/task_actions.h"
#include "tasks/task_rows.h"
#include "util/qt_text.h"

namespace morvane {

KeyedListView* newSavedTaskListView(QWidget* parent) {
    return new KeyedListView([](KeyStroke key) { return savedTaskKey(key) != SavedTaskKey::None; }, parent);
}

void AddNewTaskToList(QTreeWidget& list, const RepTask& task, std::size_t nr) {
    if (task.Name.empty()) {
        return;
    }
    list.addTopLevelItem(new QTreeWidgetItem(QStringList{QString::number(nr), toQString(task.Name),
                                                         toQString(ZeilenVerbinden(task.Find)),
                                                         toQString(ZeilenVerbinden(task.Replace))}));
}

void RepTasksInListeLaden(QTreeWidget& list, const SavedReps& reps) {
    list.clear();
    for (std::size_t index = 0; index < reps.size(); ++index) {
        AddNewTaskToList(list, reps[index], index);
    }
}

int MarkierteZeilenRepLoeschen(QTreeWidget& list, SavedReps& reps) {
    std::vector<std::size_t> tasks;
    int removed = 0;
    for (int row = 0; row < list.topLevelItemCount();) {
        QTreeWidgetItem* item = list.topLevelItem(row);
        if (!item->isSelected()) {
            ++row;
            continue;
        }
        if (const auto index = taskIndexOf(fromQString(item->text(0)), reps)) {
            tasks.push_back(*index);
        }
        delete list.takeTopLevelItem(row);
        ++removed;
    }
    deleteTasks(reps, tasks);
    return removed;
}

std::optional<std::size_t> selectedTask(const QTreeWidget& list, const SavedReps& reps) {
    const QTreeWidgetItem* current = list.currentItem();
    if (!current || !current->isSelected()) {
        return std::nullopt;
    }
    return taskIndexOf(fromQString(current->text(0)), reps);
}

} // namespace morvane
