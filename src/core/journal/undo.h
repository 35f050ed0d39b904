#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

namespace platform {
class WriteJournal;
}

// How many execute runs the journal folder keeps for undo, and how many bytes of old contents that only the
// journal still holds; the oldest runs go first, the newest stays whatever it holds.
inline constexpr std::size_t kRunsKeptForUndo = 20;
inline constexpr std::uint64_t kBytesKeptForUndo = std::uint64_t{1} << 30;

// An execute run that the journal folder keeps for undo.
struct JournaledRun {
    std::string journal;
    std::int64_t startedNanoseconds = 0;
    bool names = false;      // file names, not contents
    std::size_t changed = 0; // files written or touched, or entries renamed
    bool interrupted = false;
    bool undone = false;
};

// The ended runs, newest first. A run still going is not among them.
std::vector<JournaledRun> listRuns(const std::string& journalFolder);

// Removes the oldest ended runs, with the old contents they keep, so that at most `keepRuns` are left and the
// old contents that only the journal holds take at most `keepBytes`; the newest run is never removed.
void dropOldestRuns(const std::string& journalFolder, std::size_t keepRuns, std::uint64_t keepBytes);

// Why a run that changes files of this many bytes cannot be kept for undo within the bound, or the empty text
// when it can.
std::string tooLargeForUndo(std::uint64_t changedBytes, std::uint64_t keepBytes);

// A file or entry that undo left as it is, and why.
struct UndoNote {
    std::string path;
    std::string reason;
    std::string keptIn; // where its old contents are still kept, if anywhere
};

// A name that undo put back, from the one the run left to the one it had before the run; a name the run
// changed twice appears once.
struct NameBack {
    std::string now;
    std::string back;
};

struct UndoResult {
    bool found = false;       // false when no ended run was left to undo
    JournaledRun run;         // run.undone once the undo finished
    std::size_t restored = 0; // files or names put back, by this undo or one cut short before it
    std::vector<UndoNote> left;
    std::vector<NameBack> namesBack; // absolute paths
    // Why the run is not undone: it could not be undone at all (its journal cannot be read or written), or
    // some change could not be put back yet, for a cause that may pass (a full disk, a file in use).
    std::string failure;
};

// Puts back what the newest run not yet undone changed, where it is still exactly as the run left it (the
// same file unchanged, or the same bytes): contents by the run's own batched way of replacing files, by a
// second name of the kept old file where it can, which takes no space; names in reverse order and never onto
// an existing name. What was changed since is left and noted; the rest still goes back. A file whose text
// the run left as it was gets its old modification time back. What the run tried and failed to change is
// passed over in silence: the run reported it. The undo is journaled like a run: cut short, it is cleared
// up after by the next clear-up (see clearLeftovers), and what could not be put back yet leaves the run to be
// undone again, which counts what is back already as put back and finishes the rest. Once nothing is left
// but what was changed since, the run is marked undone, and the old contents it kept are let go unless a
// file that was left still needs them. A watcher, where given, hears of every write after the journal.
UndoResult undoNewestRun(const std::string& journalFolder, platform::WriteJournal* watcher = nullptr);

} // namespace morvane
