#pragma once

#include "gui/lists/saved_task_model.h"
#include "gui/widgets/list_view.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace morvane {

// The saved-task list with its keys.
ListView* newSavedTaskListView(QWidget* parent);

// The table indices of the selected rows' tasks, in row order.
std::vector<std::size_t> selectedTasks(const ListView& list, const SavedTaskModel& model);

// The table index of the current row's task, when that row is selected.
std::optional<std::size_t> selectedTask(const ListView& list, const SavedTaskModel& model);

} // namespace morvane
