#pragma once

#include "core/run/contents_diff.h"
#include "core/run/run.h"
#include "core/text/pair_options.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// What the preview works out: for the current row in contents mode, or for every row in file-names mode.
struct PreviewRequest {
    ReplaceMode mode = ReplaceMode::Contents;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::vector<std::string> paths; // every row's, in row order
    int current = -1;               // the current row; -1 for none
    // What the current file was when it was asked for; the same request on an unchanged file is not
    // worked out again.
    std::int64_t size = -1;
    std::int64_t modified = 0;
    // A first look at the start of a large file only, shown while the whole file is worked out.
    bool firstLook = false;
    PairOptionsList options{}; // how each pair matches; pairs past its end are plain
    bool operator==(const PreviewRequest&) const = default;
};

// A line of the contents preview, as bytes for the screen.
struct PreviewLine {
    LineKind kind = LineKind::Context;
    struct Piece {
        std::string text; // empty for a gap where bytes are left out
        bool changed = false;
        bool escape = false; // a control byte written as \r, \n, \0 or \xHH
    };
    std::vector<Piece> pieces;
};

struct PreviewHunk {
    std::string header; // "@@ -12,7 +12,8 @@"
    std::vector<PreviewLine> lines;
};

// A row of the file-names preview, control bytes written as escapes.
struct PreviewRename {
    std::string oldName;
    std::string newName; // the old name when the row is not renamed, the refused name when it cannot be
    std::string problem; // empty when the rename can be done
};

struct PreviewResult {
    enum class State { NoFile, Problem, NoChange, Changes, Cancelled };
    State state = State::NoFile;
    std::string path;
    std::string encoding;   // the file's, named by its mark ("UTF-16 LE"); empty for a file of bytes
    std::string problem;    // why the file cannot be shown
    std::int64_t count = 0; // the occurrences the run counts
    std::vector<PreviewHunk> hunks;
    bool more = false;                  // places after the last hunk shown were left out
    bool partial = false;               // a first look: the rest of the file is still being worked out
    std::vector<PreviewRename> renames; // file-names mode
};

// A file larger than this gets a first look at its start while the whole of it is worked out.
inline constexpr std::int64_t kFirstLookBytes = std::int64_t{1} << 20;

// At most this many places of a file are shown, with at most this many lines in all.
inline constexpr std::size_t kPreviewHunks = 100;
inline constexpr std::size_t kPreviewLines = 500;

// Works out the preview, meant for a thread other than the user interface's; a set cancel flag ends it early.
// In contents mode: the current file's changed lines, old above new, with the changed bytes marked; in
// file-names mode: every row's old and new name and what stands in the way of its rename, as an execute run
// would plan them.
PreviewResult computePreview(const PreviewRequest& request, const std::atomic<bool>* cancel);

// One file's part of a unified diff as patch and git apply read it (paths behind "a/" and "b/"), written
// through `write` piece by piece; nothing when the pairs leave the file as it is. A file with a mark shows
// the lines of its text as the pairs see it, in UTF-8, and its "---" and "+++" lines name its encoding after
// a TAB, where a time would stand. Returns instead why the file has no diff: it names no regular file, cannot
// be read, is not text in its encoding, or the pairs fail on it.
std::string writeFileDiff(const std::string& path, const std::vector<std::string>& finds,
                          const std::vector<std::string>& replaces, const PairOptionsList& options,
                          const std::function<void(std::string_view)>& write);

} // namespace morvane
