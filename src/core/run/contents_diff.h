#pragma once

#include "core/files/path_list.h"
#include "core/text/pair_options.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The bytes [begin, end) of a text.
struct ByteSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const ByteSpan&) const = default;
};

// Where the old text and the new one differ: the old bytes [oldBegin, oldEnd) became the new bytes
// [newBegin, newEnd). Between two changes both texts hold the same bytes.
struct TextChange {
    std::size_t oldBegin = 0;
    std::size_t oldEnd = 0;
    std::size_t newBegin = 0;
    std::size_t newEnd = 0;
    bool operator==(const TextChange&) const = default;
};

// A file's text after the pairs, with what they changed.
struct TrackedReplacement {
    std::string newText;             // what an execute run writes
    std::int64_t count = 0;          // the occurrences the run counts for the file
    std::vector<TextChange> changes; // in ascending order, neither empty nor touching, old and new differing
    bool cancelled = false;
    std::string error; // not enough memory; nothing else is then set
};

// Applies the pairs (in the notation, as the run takes them, with their options) to the text the way the run
// does, and keeps where each replacement went: a later pair's replacements are found in the text the earlier
// ones left, so changes that meet are joined into one, and each change is then narrowed to the bytes that
// differ. The pair lists are read up to the shorter one's length. A set cancel flag ends the work between two
// pairs.
TrackedReplacement replaceTracked(std::string_view text, const std::vector<std::string>& finds,
                                  const std::vector<std::string>& replaces,
                                  const PairOptionsList& options = {},
                                  const std::atomic<bool>* cancel = nullptr);

enum class LineKind { Context, Removed, Added };

// One line of a hunk, its line end included: bytes of the old text for context and removed lines, of the new
// text for added ones; `changed` holds the spans of those bytes that the pairs changed.
struct HunkLine {
    LineKind kind = LineKind::Context;
    ByteSpan bytes;
    std::vector<ByteSpan> changed;
};

// Lines numbered from 1. A side without lines has the number of the line before them (0 at the start).
struct Hunk {
    std::size_t oldFirst = 0;
    std::size_t oldCount = 0;
    std::size_t newFirst = 0;
    std::size_t newCount = 0;
    // Each run of changed lines lists its removed lines before its added ones.
    std::vector<HunkLine> lines;
};

inline constexpr std::size_t kDiffContextLines = 3;

// The changes as hunks of whole lines with up to `context` unchanged lines around them; two runs of changed
// lines share a hunk when no more than twice that lies between them. Lines end after each line feed, so a CR
// stays on its line. Gives the hunks in order to onHunk until it returns false or the cancel flag is set;
// returns whether every hunk was given. A hunk that reaches maxLines lines is given cut short after the run
// of changed lines that reached it, and is the last.
bool forEachHunk(std::string_view oldText, std::string_view newText, const std::vector<TextChange>& changes,
                 std::size_t context, const std::function<bool(Hunk&&)>& onHunk,
                 const std::atomic<bool>* cancel = nullptr,
                 std::size_t maxLines = std::numeric_limits<std::size_t>::max());

// The hunk as a unified diff writes it: its "@@" line, then each line behind " ", "-" or "+", a line
// without a line feed followed by "\\ No newline at end of file".
std::string unifiedHunk(std::string_view oldText, std::string_view newText, const Hunk& hunk);

// The first hunks of a file's changes, for a look before the run.
struct ContentsDiff {
    TrackedReplacement replacement;
    std::vector<Hunk> hunks;
    bool more = false; // hunks after the last one given were left out
};

// How much of a diff is wanted: so many hunks, and so many lines in all.
struct DiffLimits {
    std::size_t hunks = std::numeric_limits<std::size_t>::max();
    std::size_t lines = std::numeric_limits<std::size_t>::max();
};

ContentsDiff diffContents(std::string_view text, const std::vector<std::string>& finds,
                          const std::vector<std::string>& replaces, const PairOptionsList& options = {},
                          const DiffLimits& limits = {}, const std::atomic<bool>* cancel = nullptr);

// A piece of what a preview shows of a line: bytes of it, changed or not, or a gap where bytes are left out.
struct ShownPiece {
    ByteSpan bytes; // empty for a gap
    bool changed = false;
    bool operator==(const ShownPiece&) const = default;
};

// What a preview shows of a hunk line (`text` is the side the line belongs to): a line end that did not
// change is left out, and a stretch longer than twice `keep` bytes keeps only its ends near the changes, so
// that a line of megabytes shows as a few hundred bytes. Cuts and the changed pieces' ends never split a
// UTF-8 sequence.
std::vector<ShownPiece> shownPieces(std::string_view text, const HunkLine& line, std::size_t keep = 80);

// A path as the "---", "+++" and "Binary files" lines of a diff name it, behind its side's prefix ("a/" or
// "b/"). A path holding a blank, a control byte, a double quote or a backslash is written in double quotes,
// those bytes escaped as C writes them (\t, \n, \", \\, else \ooo), as git writes it: patch -p1 and
// git apply both read that form back to the same bytes, where an unquoted name would end at a blank or be
// taken with its escapes as they stand. Bytes from 0x80 on stay as they are.
std::string diffPathLabel(std::string_view prefix, std::string_view path);

// The paths a diff shows for the rows' files, in the rows' order: each file once, as execute changes it once.
// A row whose file an earlier row already shows by the same resolved path (another spelling, or a symbolic
// link and its target) is left out. A row that is itself a symbolic link is shown under the file it points at
// when that lies below the working folder, since patch and git apply refuse to write through a link. Hard
// links keep a row each: patch writes each name anew, so every name gets the new bytes. A row whose path
// resolves to nothing stays, for the diff to report.
std::vector<std::string> diffPaths(const PathList& files, const std::string& workingFolder);

// Whether a text is binary to a diff: it holds a NUL byte.
bool holdsNul(std::string_view text);

} // namespace morvane
