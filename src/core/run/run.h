#pragma once

#include "core/files/path_list.h"
#include "core/journal/leftovers.h"
#include "core/journal/undo.h"
#include "core/text/pair_options.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

enum class ReplaceMode { Contents, FileNames };

// A contents run reads a file larger than this in blocks of the second size and passes them through the
// pairs as a stream, rather than hold the file whole. Streaming costs as much as reading whole at about
// 4 MiB and is faster above (see the benchmark's large-files mode), and it keeps a run's memory near a few
// blocks per worker whatever its files. A block passes every pair while it is still in the core's cache.
inline constexpr std::uint64_t kStreamedFileBytes = std::uint64_t{4} << 20;
inline constexpr std::size_t kStreamBlockBytes = std::size_t{256} << 10;

// A snapshot of everything a run reads: the pairs as the list holds them (in the notation, expanded by the
// run), the paths in row order, the mode, and whether files are written or renamed.
struct RunRequest {
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    PairOptionsList options{}; // how each pair matches; pairs past its end are plain
    PathList files;
    ReplaceMode mode = ReplaceMode::Contents;
    bool execute = false;
    // Threads a run spreads the files over; 0 takes one per core. An execute run in file-names mode always
    // uses one; in contents mode, the pairs go over each file once, by device and inode, and every row that
    // names it (by another path, a hard link or a symbolic link) reports that one result.
    unsigned workers = 0;
    // The folder that keeps the saved tasks. An execute run first clears up what interrupted runs left
    // (see clearLeftovers) and keeps its journal there while it writes; empty for neither.
    std::string stateFolder{};
    // An execute run keeps the old contents or names of what it changes in its journal, for undo.
    bool keepForUndo = true;
    // The most bytes of old contents the journal keeps; a contents run that could change more is not kept.
    std::uint64_t undoBytesBound = kBytesKeptForUndo;
    // Whether the result keeps every row. A caller that takes each row from the observer as it comes can do
    // without, so that the run's memory does not grow with its rows; an execute run keeps them all the same,
    // since a row naming the file or entry of an earlier row reports that row's result.
    bool keepRows = true;
    // Where streaming begins and the blocks it reads; tests set both low.
    std::uint64_t streamedFileBytes = kStreamedFileBytes;
    std::size_t streamBlockBytes = kStreamBlockBytes;
};

enum class SkipReason { None, EmptyPath, Missing, Folder };

// Why a row was passed over, as the runner prints it and the preview shows it; empty for None.
std::string skipReasonText(SkipReason reason, ReplaceMode mode);

struct RowResult {
    std::int64_t count = 0;
    std::string path; // after a rename in an execute run, the new path
    SkipReason skipped = SkipReason::None;
    bool renamed = false; // the path changed
    // Why the row could not be read, written or renamed; empty when nothing failed. A row that failed
    // changed nothing, whatever it counted.
    std::string failure{};
};

struct RunFailure {
    std::size_t row = 0; // index into the request's files
    std::string path;
    std::string reason;
};

enum class StatusKind { Pending, Done };

struct RunResult {
    // The pair columns differ in length: nothing else happened. The highest indices are for the message.
    bool mismatch = false;
    std::size_t findsUbound = 0;
    std::size_t replacesUbound = 0;

    // One per requested path, in order; fewer when the run was cancelled, none when the request kept none.
    std::vector<RowResult> rows;
    std::int64_t total = 0; // of the rows that did not fail
    // What the status line shows after the run; nothing when no non-empty pair met an existing file.
    std::optional<StatusKind> status;
    std::vector<RunFailure> failures; // files that could not be read, written or renamed
    // What an execute run found and did, before it began, about what interrupted runs left in its folders.
    std::vector<LeftoverNote> leftovers;
    // Why an execute run that was to be kept for undo cannot be undone; it ran all the same.
    std::string notUndoable;
    // An execute run's journal holds what it changed, so that undo can put it back.
    bool keptForUndo = false;
    bool cancelled = false;
};

// Called on the thread that called the run, in row order whatever the number of workers; the default does
// nothing.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void progress(int percent) { (void)percent; }
    // Before an execute run that was to be kept for undo changes anything, when it is known that it cannot
    // be.
    virtual void notUndoable(const std::string& reason) { (void)reason; }
    // After each row, with the running total and the status line as it stands then.
    virtual void rowDone(std::size_t row, const RowResult& result, std::int64_t total,
                         std::optional<StatusKind> status) {
        (void)row, (void)result, (void)total, (void)status;
    }
    // When the next row is not done yet and the run waits for it: a sink that gathers what it passes on
    // can pass it on now.
    virtual void waitingForRows() {}
};

// Applies every pair in order to every file in order, counting overlapping occurrences and replacing without
// overlap. A simulate run changes nothing on disk. An execute run writes each readable file once with its
// final text (when at least one pair is non-empty), or renames each file or folder once to its final name; it
// never writes a file it could not read and never renames onto an existing name. A set cancel flag ends the
// run between two files or pairs; no file is left half done.
RunResult runPairs(const RunRequest& request, RunObserver* observer = nullptr,
                   const std::atomic<bool>* cancel = nullptr);

// The status line: the message for the kind, one blank and the total.
std::string statusLine(std::string_view message, std::int64_t total);

// The text of the box shown when the pair columns differ in length.
std::string mismatchText(std::string_view message, std::size_t findsUbound, std::size_t replacesUbound);

} // namespace morvane
