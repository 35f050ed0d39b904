#pragma once

#include "core/state/rep_task.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The texts joined with CR LF between consecutive entries; none gives the empty text.
std::string joinLines(const std::vector<std::string>& texts);

// The table entry a saved-task row's number names, when it holds a task.
std::optional<std::size_t> taskIndexOf(std::string_view number, const SavedReps& reps);

// A task's pairs as loading it puts them into the pair list and a run applies them, in the task's order. A
// find text needs no counterpart: a hand-edited file may hold fewer replacements than find texts, and the
// missing ones are empty. A pair without a find text is left out, as the pair list never holds one, and
// replacements beyond the last find text belong to no pair. Each pair keeps its options.
struct TaskPairs {
    std::vector<std::string> finds;
    std::vector<std::string> replaces; // as many as finds
    PairOptionsList options;           // without plain entries at its end
};
TaskPairs pairsOfTask(const RepTask& task);

} // namespace morvane
