#pragma once

#include "tasks/rep_task.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The texts joined with CR LF between consecutive entries; none gives the empty text.
std::string ZeilenVerbinden(const std::vector<std::string>& texts);

// The table entry a saved-task row's number names, when it holds a task.
std::optional<std::size_t> taskIndexOf(std::string_view number, const SavedReps& reps);

} // namespace morvane
