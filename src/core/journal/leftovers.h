#pragma once

#include "core/files/path_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// What clearing up after an interrupted write did with one thing it found.
enum class LeftoverAction {
    PutBack,          // a rewrite in place was cut short; the file has its old contents again
    RewriteFinished,  // a rewrite in place had finished; its backup was removed
    RewriteNotBegun,  // a rewrite in place had not changed the file yet; its backup was removed
    TemporaryRemoved, // a temporary file that never replaced its file was removed
    BackupKept,       // the file cannot be matched to the rewrite; its old contents are kept beside it
    NotPutBack,       // the old contents could not be written back; they are kept beside the file
    BackupLost,       // the rewrite's backup is gone, and the file holds neither its old nor its new contents
    AsidePutBack,     // a run of renames was interrupted with an entry put aside; it has its old name again
    AsideKept,        // the same, but its old name is taken now: it keeps a visible name
    RunInterrupted,   // an execute run kept for undo was cut short; the part it did can be undone
    UndoInterrupted,  // an undo was cut short; the run stays to be undone, and undo finishes the rest
    RunNotClosed,     // an execute run was cut short and its journal cannot be closed yet; it stays as it is
    KeptDropped,      // a folder of old contents kept for undo that no journal names was removed
};

struct LeftoverNote {
    std::string path; // the file concerned; for a temporary file, the temporary file; for a run, its journal
    LeftoverAction action = LeftoverAction::TemporaryRemoved;
    std::string reason; // why, where the action alone does not say
    std::string keptIn; // where the old contents are kept
};

// Whether a person must look at the file: it may not hold what it should.
bool needsAttention(const LeftoverNote& note);

std::string_view leftoverActionText(LeftoverAction action);
inline constexpr std::string_view kKeptInText = "the old contents are kept in";

// The action's text, the reason and where the old contents are kept, in one line.
std::string describeLeftover(const LeftoverNote& note, std::string_view actionText,
                             std::string_view keptInText);

// The folders the paths are in, each once.
std::vector<std::string> foldersOf(const PathList& paths);

// Clears up after writes that a killed process or a crash cut short. First every run journal in the journal
// folder that nobody holds any more (see RunJournal): each rewrite in place it began and did not end is put
// back from its backup where the file is as the rewrite left it, and the folders it wrote in are searched.
// Then each of the folders: temporary files nobody holds are removed, and a backup nobody holds is removed
// where its file holds the same bytes, else kept under a visible name. Nothing that someone may have
// changed since is overwritten: in doubt the old contents stay beside the file, and the note says where.
// A names run cut short in a swap or cycle first has that cycle taken back, so no entry stays aside. A run
// kept for undo that had changed something is closed for undo, with the renames and writes the disk shows it
// made, and noted once; its journal is never removed, and where it cannot be closed yet it stays as it is,
// for the next clear-up. An undo cut short is cleared up after the same way, from the lines it added to the
// run's journal; the run stays to be undone, and the undo is noted once. A folder of kept old contents whose
// journal is gone is removed, and noted. A journal folder that is empty or cannot be written is not looked
// at.
std::vector<LeftoverNote> clearLeftovers(const std::string& journalFolder,
                                         const std::vector<std::string>& folders);

} // namespace morvane
