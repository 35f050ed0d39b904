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

// The record a new task gets from the working lists. Pairs whose find text is empty are left out: the list
// never holds one, and the reader would not give one back.
RepTask taskFromLists(std::string name, std::vector<std::string> finds, std::vector<std::string> replaces,
                      std::vector<std::string> files, bool replaceInContents);

} // namespace morvane
