// The diff of a file's old and new contents, from the changes through the hunks to the pieces and path labels
// a reader sees. It stays whole: one pipeline whose stages share the same spans and line helpers.
#include "core/run/contents_diff.h"

#include "core/platform/paths.h"
#include "core/run/cancel.h"
#include "core/text/notation.h"
#include "core/text/occurrences.h"
#include "core/text/pair_matcher.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <set>
#include <stdexcept>

namespace morvane {

namespace {

// One replacement of a pair in the current text: the `length` bytes at `at` became the `size` bytes at
// `from` of what the pair inserts.
struct Replaced {
    std::size_t at = 0;
    std::size_t length = 0;
    std::size_t from = 0;
    std::size_t size = 0;
};

// The text with each replacement made.
std::string replaceAt(std::string_view text, const std::vector<Replaced>& replaced,
                      std::string_view inserted) {
    std::string out;
    std::size_t size = text.size();
    for (const Replaced& each : replaced) {
        size = size - each.length + each.size;
    }
    out.reserve(size);
    std::size_t consumed = 0;
    for (const Replaced& each : replaced) {
        out.append(text, consumed, each.at - consumed);
        out.append(inserted, each.from, each.size);
        consumed = each.at + each.length;
    }
    out.append(text, consumed);
    return out;
}

// The earlier changes lead from the original text to the current one; the replacements (at positions in the
// current text) lead on to the next. Each run of changes and replacements that overlap or touch in the
// current text becomes one change from the original to the next text. Outside the changes, a position of the
// current text plus oldShift is the same byte in the original, plus newShift in the next text.
std::vector<TextChange> joinChanges(const std::vector<TextChange>& earlier, const std::vector<Replaced>& at) {
    std::vector<TextChange> joined;
    joined.reserve(earlier.size() + at.size());
    std::size_t e = 0;
    std::size_t r = 0;
    std::int64_t oldShift = 0;
    std::int64_t newShift = 0;
    const auto shifted = [](std::size_t position, std::int64_t shift) {
        return static_cast<std::size_t>(static_cast<std::int64_t>(position) + shift);
    };
    while (e < earlier.size() || r < at.size()) {
        const bool earlierFirst = r == at.size() || (e < earlier.size() && earlier[e].newBegin <= at[r].at);
        const std::size_t begin = earlierFirst ? earlier[e].newBegin : at[r].at;
        std::size_t end = begin;
        std::int64_t oldGrowth = 0; // original bytes less current bytes within the run
        std::int64_t newGrowth = 0; // next bytes less current bytes within the run
        for (;;) {
            if (e < earlier.size() && earlier[e].newBegin <= end) {
                const TextChange& change = earlier[e++];
                end = std::max(end, change.newEnd);
                oldGrowth += static_cast<std::int64_t>(change.oldEnd - change.oldBegin) -
                             static_cast<std::int64_t>(change.newEnd - change.newBegin);
            } else if (r < at.size() && at[r].at <= end) {
                const Replaced& replaced = at[r++];
                end = std::max(end, replaced.at + replaced.length);
                newGrowth +=
                    static_cast<std::int64_t>(replaced.size) - static_cast<std::int64_t>(replaced.length);
            } else {
                break;
            }
        }
        joined.push_back(TextChange{shifted(begin, oldShift), shifted(end, oldShift + oldGrowth),
                                    shifted(begin, newShift), shifted(end, newShift + newGrowth)});
        oldShift += oldGrowth;
        newShift += newGrowth;
    }
    return joined;
}

// A pair that puts back a byte it took away leaves that byte unchanged: each change loses the bytes that
// both texts share at its ends, and a change that keeps its bytes goes.
void narrowChanges(std::string_view oldText, std::string_view newText, std::vector<TextChange>& changes) {
    for (TextChange& c : changes) {
        while (c.oldBegin < c.oldEnd && c.newBegin < c.newEnd && oldText[c.oldBegin] == newText[c.newBegin]) {
            ++c.oldBegin;
            ++c.newBegin;
        }
        while (c.oldBegin < c.oldEnd && c.newBegin < c.newEnd &&
               oldText[c.oldEnd - 1] == newText[c.newEnd - 1]) {
            --c.oldEnd;
            --c.newEnd;
        }
    }
    std::erase_if(changes,
                  [](const TextChange& c) { return c.oldBegin == c.oldEnd && c.newBegin == c.newEnd; });
}

} // namespace

TrackedReplacement replaceTracked(std::string_view text, const std::vector<std::string>& finds,
                                  const std::vector<std::string>& replaces, const PairOptionsList& options,
                                  const std::atomic<bool>* cancel) {
    TrackedReplacement result;
    try {
        std::string current(text);
        std::vector<TextChange> changes;
        std::vector<Replaced> at;
        std::string inserted;
        const std::size_t pairs = std::min(finds.size(), replaces.size());
        const std::vector<std::optional<PairMatcher>> matchers = matchersOfPairs(finds, replaces, options);
        for (std::size_t j = 0; j < pairs; ++j) {
            if (isCancelled(cancel)) {
                result.cancelled = true;
                return result;
            }
            const std::string find = expandNotation(finds[j]);
            if (find.empty()) {
                continue;
            }
            at.clear();
            inserted.clear();
            if (const std::optional<PairMatcher>& matcher = matchers[j]) {
                result.count += matcher->visitReplaced(
                    current, [&](std::size_t start, std::size_t length, std::string_view replacement) {
                        at.push_back(Replaced{start, length, inserted.size(), replacement.size()});
                        inserted += replacement;
                    });
            } else {
                inserted = expandNotation(replaces[j]);
                if (find == inserted) {
                    result.count += countOccurrences(current, find);
                    continue;
                }
                result.count += forEachReplaced(current, find, [&](std::size_t position) {
                    at.push_back(Replaced{position, find.size(), 0, inserted.size()});
                });
            }
            if (at.empty()) {
                continue;
            }
            changes = joinChanges(changes, at);
            current = replaceAt(current, at, inserted);
        }
        narrowChanges(text, current, changes);
        result.newText = std::move(current);
        result.changes = std::move(changes);
    } catch (const std::bad_alloc&) {
        return TrackedReplacement{{}, 0, {}, false, "not enough memory to hold the file and its changes"};
    } catch (const std::length_error&) {
        return TrackedReplacement{{}, 0, {}, false, "not enough memory to hold the file and its changes"};
    }
    return result;
}

namespace {

bool startsLine(std::string_view text, std::size_t at) {
    return at == 0 || text[at - 1] == '\n';
}

std::size_t lineStart(std::string_view text, std::size_t at) {
    if (at == 0) {
        return 0;
    }
    const std::size_t feed = text.rfind('\n', at - 1);
    return feed == std::string_view::npos ? 0 : feed + 1;
}

// The end of the line that holds `at`, after its line feed.
std::size_t lineEnd(std::string_view text, std::size_t at) {
    const std::size_t feed = text.find('\n', at);
    return feed == std::string_view::npos ? text.size() : feed + 1;
}

// Line numbers of positions met in ascending order, counting only the bytes between them.
class LineCounter {
public:
    explicit LineCounter(std::string_view text) : text_(text) {}
    std::size_t lineAt(std::size_t position) {
        line_ +=
            static_cast<std::size_t>(std::count(text_.begin() + position_, text_.begin() + position, '\n'));
        position_ = position;
        return line_;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t line_ = 1;
};

// The spans of `changes` that lie within the line, in the line's text.
std::vector<ByteSpan> changedWithin(ByteSpan line, const std::vector<ByteSpan>& changes) {
    std::vector<ByteSpan> within;
    for (const ByteSpan& change : changes) {
        const ByteSpan part{std::max(change.begin, line.begin), std::min(change.end, line.end)};
        if (part.begin < part.end) {
            within.push_back(part);
        }
    }
    return within;
}

std::vector<ByteSpan> linesOf(std::string_view text, std::size_t begin, std::size_t end,
                              std::size_t maxLines = std::numeric_limits<std::size_t>::max()) {
    std::vector<ByteSpan> lines;
    while (begin < end && lines.size() < maxLines) {
        const std::size_t next = std::min(lineEnd(text, begin), end);
        lines.push_back({begin, next});
        begin = next;
    }
    return lines;
}

bool sameBytes(std::string_view a, ByteSpan spanA, std::string_view b, ByteSpan spanB) {
    return a.substr(spanA.begin, spanA.end - spanA.begin) == b.substr(spanB.begin, spanB.end - spanB.begin);
}

// A run of changed lines: whole lines of both texts, which agree before and after it.
struct Block {
    std::size_t oldBegin = 0;
    std::size_t oldEnd = 0;
    std::size_t newBegin = 0;
    std::size_t newEnd = 0;
    std::vector<HunkLine> lines; // removed, then added
    bool cut = false;            // lines past the most asked for were left out
};

class HunkBuilder {
public:
    HunkBuilder(std::string_view oldText, std::string_view newText, const std::vector<TextChange>& changes,
                std::size_t context, std::size_t maxLines)
        : old_(oldText), new_(newText), changes_(changes), context_(context), maxLines_(maxLines),
          oldLines_(oldText), newLines_(newText) {}

    // The block that starts with change `next`, taking in every change that shares a line with it; empty
    // when its lines all read the same in both texts.
    Block nextBlock(std::size_t& next) {
        const TextChange& first = changes_[next];
        Block block;
        block.oldBegin = lineStart(old_, first.oldBegin);
        block.newBegin = first.newBegin - (first.oldBegin - block.oldBegin);
        std::vector<ByteSpan> oldChanged{{first.oldBegin, first.oldEnd}};
        std::vector<ByteSpan> newChanged{{first.newBegin, first.newEnd}};
        std::size_t oldEnd = first.oldEnd;
        std::size_t newEnd = first.newEnd;
        ++next;
        while (oldEnd < old_.size() && !(startsLine(old_, oldEnd) && startsLine(new_, newEnd))) {
            const std::size_t feed = lineEnd(old_, oldEnd);
            // Text added after a last line without a line feed still belongs to that line.
            const bool sameLine = next < changes_.size() &&
                                  (changes_[next].oldBegin < feed || changes_[next].oldBegin == old_.size());
            if (sameLine) {
                const TextChange& change = changes_[next++];
                oldChanged.push_back({change.oldBegin, change.oldEnd});
                newChanged.push_back({change.newBegin, change.newEnd});
                oldEnd = change.oldEnd;
                newEnd = change.newEnd;
            } else {
                newEnd += feed - oldEnd;
                oldEnd = feed;
            }
        }
        // Each side of a block too long to show whole keeps half the lines asked for.
        const std::size_t sideLines = std::max<std::size_t>(maxLines_ / 2, 1);
        std::vector<ByteSpan> removed = linesOf(old_, block.oldBegin, oldEnd, sideLines);
        std::vector<ByteSpan> added = linesOf(new_, block.newBegin, newEnd, sideLines);
        if ((!removed.empty() && removed.back().end < oldEnd) ||
            (!added.empty() && added.back().end < newEnd)) {
            block.cut = true;
            for (const ByteSpan& line : removed) {
                block.lines.push_back({LineKind::Removed, line, changedWithin(line, oldChanged)});
            }
            for (const ByteSpan& line : added) {
                block.lines.push_back({LineKind::Added, line, changedWithin(line, newChanged)});
            }
            block.oldEnd = removed.empty() ? block.oldBegin : removed.back().end;
            block.newEnd = added.empty() ? block.newBegin : added.back().end;
            return block;
        }
        // A line the pairs left as it was, or put back as it was, reads as context.
        std::size_t lead = 0;
        while (lead < removed.size() && lead < added.size() &&
               sameBytes(old_, removed[lead], new_, added[lead])) {
            ++lead;
        }
        std::size_t trail = 0;
        while (trail + lead < removed.size() && trail + lead < added.size() &&
               sameBytes(old_, removed[removed.size() - 1 - trail], new_, added[added.size() - 1 - trail])) {
            ++trail;
        }
        removed = {removed.begin() + lead, removed.end() - trail};
        added = {added.begin() + lead, added.end() - trail};
        if (removed.empty() && added.empty()) {
            return {};
        }
        // A side without lines stands where the agreeing lines after the block begin.
        block.oldEnd = removed.empty() ? oldEnd - (newEnd - added.back().end) : removed.back().end;
        block.oldBegin = removed.empty() ? block.oldEnd : removed.front().begin;
        block.newEnd = added.empty() ? newEnd - (oldEnd - removed.back().end) : added.back().end;
        block.newBegin = added.empty() ? block.newEnd : added.front().begin;
        for (const ByteSpan& line : removed) {
            block.lines.push_back({LineKind::Removed, line, changedWithin(line, oldChanged)});
        }
        for (const ByteSpan& line : added) {
            block.lines.push_back({LineKind::Added, line, changedWithin(line, newChanged)});
        }
        return block;
    }

    bool run(const std::function<bool(Hunk&&)>& onHunk, const std::atomic<bool>* cancel) {
        std::size_t next = 0;
        while (next < changes_.size()) {
            if (isCancelled(cancel)) {
                return false;
            }
            Block block = nextBlock(next);
            if (block.lines.empty()) {
                continue;
            }
            if (open_ && unchangedLinesBetween(oldEnd_, block.oldBegin) > 2 * context_) {
                if (!close(onHunk)) {
                    return false;
                }
            }
            if (!open_) {
                open(block);
            } else if (block.oldBegin != oldEnd_) {
                addContext(oldEnd_, block.oldBegin);
            }
            // Blocks that meet read as one run of changed lines: all removed lines above all added ones.
            for (HunkLine& line : block.lines) {
                ++(line.kind == LineKind::Removed ? hunk_.oldCount : hunk_.newCount);
                (line.kind == LineKind::Removed ? removed_ : added_).push_back(std::move(line));
            }
            oldEnd_ = block.oldEnd;
            if (block.cut || hunk_.lines.size() + removed_.size() + added_.size() >= maxLines_) {
                flushChangedLines();
                onHunk(std::move(hunk_));
                return false;
            }
        }
        return !open_ || close(onHunk);
    }

private:
    std::size_t unchangedLinesBetween(std::size_t begin, std::size_t end) const {
        return static_cast<std::size_t>(std::count(old_.begin() + begin, old_.begin() + end, '\n'));
    }

    void flushChangedLines() {
        std::move(removed_.begin(), removed_.end(), std::back_inserter(hunk_.lines));
        std::move(added_.begin(), added_.end(), std::back_inserter(hunk_.lines));
        removed_.clear();
        added_.clear();
    }

    void addContext(std::size_t begin, std::size_t end) {
        flushChangedLines();
        for (const ByteSpan& line : linesOf(old_, begin, end)) {
            hunk_.lines.push_back({LineKind::Context, line, {}});
            ++hunk_.oldCount;
            ++hunk_.newCount;
        }
    }

    void open(const Block& block) {
        std::size_t begin = block.oldBegin;
        for (std::size_t n = 0; n < context_ && begin > 0; ++n) {
            begin = lineStart(old_, begin - 1);
        }
        hunk_ = Hunk{};
        hunk_.oldFirst = oldLines_.lineAt(begin);
        hunk_.newFirst = newLines_.lineAt(block.newBegin - (block.oldBegin - begin));
        addContext(begin, block.oldBegin);
        open_ = true;
    }

    bool close(const std::function<bool(Hunk&&)>& onHunk) {
        std::size_t end = oldEnd_;
        for (std::size_t n = 0; n < context_ && end < old_.size(); ++n) {
            end = lineEnd(old_, end);
        }
        addContext(oldEnd_, end);
        open_ = false;
        hunk_.oldFirst -= hunk_.oldCount == 0 ? 1 : 0;
        hunk_.newFirst -= hunk_.newCount == 0 ? 1 : 0;
        return onHunk(std::move(hunk_));
    }

    std::string_view old_;
    std::string_view new_;
    const std::vector<TextChange>& changes_;
    std::size_t context_;
    std::size_t maxLines_;
    LineCounter oldLines_;
    LineCounter newLines_;
    Hunk hunk_;
    std::vector<HunkLine> removed_; // the run of changed lines not yet in the hunk
    std::vector<HunkLine> added_;
    bool open_ = false;
    std::size_t oldEnd_ = 0; // where the hunk's last changed line ends in the old text
};

} // namespace

bool forEachHunk(std::string_view oldText, std::string_view newText, const std::vector<TextChange>& changes,
                 std::size_t context, const std::function<bool(Hunk&&)>& onHunk,
                 const std::atomic<bool>* cancel, std::size_t maxLines) {
    return HunkBuilder(oldText, newText, changes, context, maxLines).run(onHunk, cancel);
}

ContentsDiff diffContents(std::string_view text, const std::vector<std::string>& finds,
                          const std::vector<std::string>& replaces, const PairOptionsList& options,
                          const DiffLimits& limits, const std::atomic<bool>* cancel) {
    ContentsDiff diff;
    diff.replacement = replaceTracked(text, finds, replaces, options, cancel);
    const TrackedReplacement& replacement = diff.replacement;
    if (!replacement.error.empty() || replacement.cancelled) {
        return diff;
    }
    try {
        std::size_t lines = 0;
        const bool complete = forEachHunk(
            text, replacement.newText, replacement.changes, kDiffContextLines,
            [&](Hunk&& hunk) {
                if (diff.hunks.size() == limits.hunks) {
                    return false;
                }
                lines += hunk.lines.size();
                diff.hunks.push_back(std::move(hunk));
                return lines < limits.lines;
            },
            cancel, limits.lines);
        diff.replacement.cancelled = !complete && isCancelled(cancel);
        diff.more = !complete && !diff.replacement.cancelled;
    } catch (const std::bad_alloc&) {
        diff.hunks.clear();
        diff.replacement.error = "not enough memory to hold the changes";
    }
    return diff;
}

namespace {

// A side's line range as "first,count", the count left out when it is 1.
std::string lineRange(std::size_t first, std::size_t count) {
    return count == 1 ? std::to_string(first) : std::to_string(first) + ',' + std::to_string(count);
}

} // namespace

std::string unifiedHunk(std::string_view oldText, std::string_view newText, const Hunk& hunk) {
    std::string out = "@@ -" + lineRange(hunk.oldFirst, hunk.oldCount) + " +" +
                      lineRange(hunk.newFirst, hunk.newCount) + " @@\n";
    for (const HunkLine& line : hunk.lines) {
        const std::string_view text = line.kind == LineKind::Added ? newText : oldText;
        out += line.kind == LineKind::Context ? ' ' : line.kind == LineKind::Removed ? '-' : '+';
        out.append(text.substr(line.bytes.begin, line.bytes.end - line.bytes.begin));
        if (line.bytes.end == line.bytes.begin || text[line.bytes.end - 1] != '\n') {
            out += "\n\\ No newline at end of file\n";
        }
    }
    return out;
}

namespace {

bool continuesSequence(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The position moved back to the start of the UTF-8 sequence it lies in, not before `floor`.
std::size_t sequenceStart(std::string_view text, std::size_t at, std::size_t floor) {
    while (at > floor && at < text.size() && continuesSequence(text[at])) {
        --at;
    }
    return at;
}

class PieceList {
public:
    PieceList(std::string_view text, std::size_t keep) : text_(text), keep_(keep) {}

    void add(ByteSpan bytes, bool changed) {
        if (bytes.begin < bytes.end) {
            pieces_.push_back({bytes, changed});
        }
    }

    // Unchanged bytes keep their head when a change comes before them, their tail when one follows.
    void addStretch(ByteSpan bytes, bool changed, bool keepHead, bool keepTail) {
        const std::size_t limit = changed ? 2 * keep_ : keep_;
        if (bytes.end - bytes.begin <= 2 * limit) {
            add(bytes, changed);
            return;
        }
        const std::size_t headEnd =
            keepHead ? sequenceStart(text_, bytes.begin + limit, bytes.begin) : bytes.begin;
        const std::size_t tailBegin = keepTail ? sequenceStart(text_, bytes.end - limit, headEnd) : bytes.end;
        add({bytes.begin, headEnd}, changed);
        pieces_.push_back({{}, false});
        add({tailBegin, bytes.end}, changed);
    }

    std::vector<ShownPiece> take() { return std::move(pieces_); }

private:
    std::string_view text_;
    std::size_t keep_;
    std::vector<ShownPiece> pieces_;
};

} // namespace

std::vector<ShownPiece> shownPieces(std::string_view text, const HunkLine& line, std::size_t keep) {
    const auto changedAt = [&line](std::size_t at) {
        return std::any_of(line.changed.begin(), line.changed.end(),
                           [at](const ByteSpan& span) { return span.begin <= at && at < span.end; });
    };
    ByteSpan shown = line.bytes;
    for (const char lineEnd : {'\n', '\r'}) {
        if (shown.end > shown.begin && text[shown.end - 1] == lineEnd && !changedAt(shown.end - 1)) {
            --shown.end;
        }
    }
    std::vector<ByteSpan> spans;
    for (const ByteSpan& changed : line.changed) {
        ByteSpan span{sequenceStart(text, std::max(changed.begin, shown.begin), shown.begin),
                      std::min(changed.end, shown.end)};
        while (span.end < shown.end && continuesSequence(text[span.end])) {
            ++span.end;
        }
        if (!spans.empty() && span.begin <= spans.back().end) {
            spans.back().end = std::max(spans.back().end, span.end);
        } else if (span.begin < span.end) {
            spans.push_back(span);
        }
    }
    PieceList pieces(text, keep);
    std::size_t at = shown.begin;
    for (const ByteSpan& span : spans) {
        pieces.addStretch({at, span.begin}, false, at != shown.begin, true);
        pieces.addStretch(span, true, true, true);
        at = span.end;
    }
    pieces.addStretch({at, shown.end}, false, true, false);
    return pieces.take();
}

namespace {

bool needsQuotes(unsigned char byte) {
    return byte <= ' ' || byte == 0x7f || byte == '"' || byte == '\\';
}

// The escape of a byte inside a quoted path.
std::string quotedByte(unsigned char byte) {
    switch (byte) {
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    case '"':
    case '\\':
        return {'\\', static_cast<char>(byte)};
    case ' ':
        return " ";
    default:
        return {'\\', static_cast<char>('0' + (byte >> 6)), static_cast<char>('0' + ((byte >> 3) & 7)),
                static_cast<char>('0' + (byte & 7))};
    }
}

} // namespace

std::string diffPathLabel(std::string_view prefix, std::string_view path) {
    const bool quoted = std::any_of(path.begin(), path.end(),
                                    [](char byte) { return needsQuotes(static_cast<unsigned char>(byte)); });
    if (!quoted) {
        return std::string(prefix) + std::string(path);
    }
    std::string label = "\"" + std::string(prefix);
    for (const char byte : path) {
        const auto value = static_cast<unsigned char>(byte);
        label += needsQuotes(value) ? quotedByte(value) : std::string(1, byte);
    }
    return label + '"';
}

namespace {

// A link's target as the diff names it: absolute for an absolute row, else relative to the working folder
// when below it; a target elsewhere keeps the link's own path, which patch will refuse rather than miss.
std::string linkTargetToShow(const std::string& link, const std::string& resolved, const std::string& below) {
    if (toFsPath(link).is_absolute()) {
        return resolved;
    }
    return resolved.starts_with(below) ? resolved.substr(below.size()) : link;
}

} // namespace

std::vector<std::string> diffPaths(const PathList& files, const std::string& workingFolder) {
    const std::string below = joinPath(workingFolder, "");
    std::set<std::string> shown;
    std::vector<std::string> paths;
    for (const std::string& path : files) {
        const std::string resolved = resolvedPath(path);
        if (resolved.empty()) {
            paths.push_back(path);
            continue;
        }
        if (!shown.insert(resolved).second) {
            continue;
        }
        paths.push_back(isSymbolicLink(path) ? linkTargetToShow(path, resolved, below) : path);
    }
    return paths;
}

bool holdsNul(std::string_view text) {
    return std::memchr(text.data(), '\0', text.size()) != nullptr;
}

} // namespace morvane
