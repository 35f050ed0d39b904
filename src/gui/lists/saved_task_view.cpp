#include "gui/lists/saved_task_view.h"

#include "core/app/key_rules.h"

#include <QItemSelectionModel>

namespace morvane {

ListView* newSavedTaskListView(QWidget* parent) {
    return new ListView([](KeyStroke key) { return savedTaskKey(key) != SavedTaskKey::None; }, parent);
}

std::vector<std::size_t> selectedTasks(const ListView& list, const SavedTaskModel& model) {
    std::vector<std::size_t> tasks;
    for (int row : list.selectedRows()) {
        tasks.push_back(model.taskAt(row));
    }
    return tasks;
}

std::optional<std::size_t> selectedTask(const ListView& list, const SavedTaskModel& model) {
    const int row = list.currentRow();
    if (row < 0 || !list.selectionModel()->isRowSelected(row, {})) {
        return std::nullopt;
    }
    return model.taskAt(row);
}

} // namespace morvane
