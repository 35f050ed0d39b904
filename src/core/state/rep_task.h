#pragma once

#include "core/text/pair_options.h"

#include <string>
#include <vector>

namespace morvane {

// A saved task. The member initialisers are the record the saved-tasks reader starts each task from; a field
// the file does not give keeps them. Texts are kept in the find/replace list's notation, not expanded.
struct RepTask {
    std::string name; // empty: the entry holds no task and is neither listed nor stored
    std::vector<std::string> files;
    std::vector<std::string> finds; // finds[n] and replacements[n] form pair n
    std::vector<std::string> replacements;
    bool caseSensitive = true;
    bool replaceInContents = true;
    PairOptionsList pairOptions{}; // how each pair matches; pairs past its end are plain

    bool operator==(const RepTask&) const = default;
};

// The saved-task table. A task's index is its number in the saved-task list, so entry 0 never holds a task
// and a deleted task keeps its entry with an empty name.
using SavedReps = std::vector<RepTask>;

// The table before anything is read into it: entry 0 alone.
inline SavedReps emptySavedReps() {
    return SavedReps(1);
}

} // namespace morvane
