#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// How many execute runs the journal folder keeps for undo; the oldest go first.
inline constexpr std::size_t kRunsKeptForUndo = 20;

// An execute run that the journal folder keeps for undo.
struct JournaledRun {
    std::string journal;
    std::int64_t startedNanoseconds = 0;
    bool names = false;      // file names, not contents
    std::size_t changed = 0; // files written or entries renamed
    bool interrupted = false;
    bool undone = false;
};

// The ended runs, newest first. A run still going is not among them.
std::vector<JournaledRun> listRuns(const std::string& journalFolder);

// Removes the oldest ended runs, with the old contents they keep, so that at most `keep` are left.
void dropOldestRuns(const std::string& journalFolder, std::size_t keep);

// A file or entry that undo left as it is, and why.
struct UndoNote {
    std::string path;
    std::string reason;
    std::string keptIn; // where its old contents are still kept, if anywhere
};

struct UndoResult {
    bool found = false; // false when no ended run was left to undo
    JournaledRun run;
    std::size_t restored = 0; // files or names put back
    std::vector<UndoNote> left;
    std::string failure; // the run could not be undone at all (its journal cannot be read or marked)
};

// Puts back what the newest run not yet undone changed, where it is still exactly as the run left it:
// contents by the same safe write as the run's, names in reverse order and never onto an existing name.
// What was changed since is left and noted; the rest still goes back. The run is then marked undone, and
// the old contents it kept are let go unless a file that was left still needs them.
UndoResult undoNewestRun(const std::string& journalFolder);

} // namespace morvane
