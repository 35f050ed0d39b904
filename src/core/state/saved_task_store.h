#pragma once

#include "core/platform/text_file.h"
#include "core/state/rep_task.h"

#include <optional>
#include <string>

namespace morvane {

// Takes into this window's table what another window on the same folder saved: base is what the file gave
// when this window last read or wrote it, theirs what it gives now. A task they stored is appended, so no
// number this window shows changes; a task they deleted loses its name here too. Tasks are matched by what
// the file keeps of them, never by name: a name is no key, so both windows storing a task under one name
// keep both, as storing twice in one window does.
SavedReps mergeSavedTasks(SavedReps ours, const SavedReps& base, const SavedReps& theirs);

// One window's saved-task table and the saved-tasks file it is kept in, which other windows on the same
// folder may save at any time. Every save reads the file first and takes in their changes, so neither
// window's tasks are lost.
class SavedTaskStore {
public:
    explicit SavedTaskStore(std::string path);

    // What a look at the file brought: whether the table took in other windows' changes, and where contents
    // the table could not take in were kept aside (empty when nothing was).
    struct Sync {
        bool tableChanged = false;
        std::string keptAside;
    };

    // Reads the table at start-up. With mayWrite, a missing file is created holding no tasks, and contents
    // that the first save would drop are first copied to a new file beside it.
    Sync open(bool mayWrite);

    // Takes in what other windows saved since this one last read or wrote the file.
    Sync takeInChanges();

    struct SaveOutcome {
        Sync sync;
        WriteOutcome written;
    };
    // Takes in other windows' changes, then writes the table after the backup of the file's contents.
    SaveOutcome save();

    SavedReps& table() { return table_; }
    const SavedReps& table() const { return table_; }
    const std::string& path() const { return path_; }

private:
    struct Disk {
        std::optional<std::string> text; // nothing when the file is there but cannot be read
        platform::FileIdentity identity;
    };
    Disk readDisk() const;
    void takeIn(const std::string& text, Sync& sync);
    void know(std::string text);

    std::string path_;
    SavedReps table_ = emptySavedReps();
    std::optional<std::string> known_; // the file's contents when this window last read or wrote it
    SavedReps knownTasks_ = emptySavedReps();
    bool mustNotReplace_ = false; // contents the table lacks could not be kept aside
};

// Copies contents that could not be read as tasks to a new file beside the saved-tasks file, named after it
// and the time, never over an earlier one. Returns its path, or the empty text when it could not be written.
std::string keepAside(const std::string& savedTasksPath, const std::string& contents);

} // namespace morvane
