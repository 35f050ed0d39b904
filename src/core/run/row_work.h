// What the run does with one row, whoever runs it (the run's own thread or a worker): the row's outcome, and
// the pass that reads its file or name, applies every pair and prepares the write or renames.
#pragma once

#include "core/journal/contents_batch.h"
#include "core/platform/platform_fs.h"
#include "core/run/cancel.h"
#include "core/run/pair_plan.h"
#include "core/run/run.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

// A run lets only one worker at a time hold a file larger than this, so that its memory stays near that of
// its largest file however many workers it has.
inline constexpr std::uintmax_t kLargeFileBytes = std::uintmax_t{64} << 20;

// A worker keeps its text's memory from file to file, so that reading allocates only when a file is larger
// than any before; but not beyond this, since larger files are few and each worker keeping room for one would
// hold more than the rest of a run together.
inline constexpr std::size_t kKeptTextBytes = std::size_t{1} << 20;

inline void releaseIfLarge(std::string& text) {
    if (text.capacity() > kKeptTextBytes) {
        std::string().swap(text);
    }
}

inline bool isLargeFile(const platform::PathStatus& status) {
    return status.kind == platform::PathKind::RegularFile && status.size > kLargeFileBytes;
}

// The largest file a run with a pair with options reads. Such a run reads every file whole, since a pattern
// can match across more bytes than a streamed block keeps; a larger file is refused as a failure of its row,
// never passed over in silence.
inline constexpr std::uintmax_t kOptionPairFileBytes = std::uintmax_t{256} << 20;

struct RowOutcome {
    RowResult row;
    bool applied = false; // a non-empty pair ran over the row's text
    std::optional<RunFailure> failure;
    bool complete = false;             // false when the run was cancelled before the row was done
    std::optional<PendingWrite> write; // an execute run's in contents mode, still to be committed
};

// The row number that stands for no row.
inline constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

// Told of each pair as the pass reaches it; empty where nobody follows the pairs, which a run over many small
// files with many pairs would otherwise call millions of times for nothing.
using BeforePair = std::function<void(std::size_t pair)>;

// Everything the run does with one row: read, every pair in order, then in an execute run the one write or
// rename. The file is the row's as the run looked at it (see platform::FolderCursor). Never throws: a file
// too large for memory is a failure of its row.
RowOutcome processRow(const Plan& plan, std::size_t i, const std::string& path, platform::RowFile& file,
                      std::string& text, const std::atomic<bool>* cancel, const BeforePair& beforePair);

// How a run looks at the file of row i: opened at once in contents mode (see platform::FolderCursor), only
// looked at in file-names mode, whose rows are never opened.
platform::RowFile lookAtRow(const Plan& plan, const PathList& files, std::size_t i,
                            platform::FolderCursor& cursor);

} // namespace morvane
