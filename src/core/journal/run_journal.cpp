// The run's journal, written and read back. It stays whole: the writer and the readers share one line
// grammar (fields, numbers, escapes), which must change in one place for both.
#include "core/journal/run_journal.h"

#include "core/platform/leftover_names.h"
#include "core/platform/paths.h"
#include "core/text/escaped_text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace morvane {

namespace {

constexpr std::string_view kHeader = "morvane-journal\t1\n";
// A names run that records its renames as a plan; an older program leaves its journals alone.
constexpr std::string_view kPlanHeader = "morvane-journal\t2\n";
constexpr std::string_view kJournalPrefix = "run-";
constexpr std::string_view kJournalExtension = ".journal";
constexpr std::string_view kFolderLine = "folder";
constexpr std::string_view kRewriteLine = "rewrite";
constexpr std::string_view kEndedLine = "ended";
constexpr std::string_view kRunLine = "run";
constexpr std::string_view kPairLine = "pair";
constexpr std::string_view kKeepLine = "keep";
constexpr std::string_view kLeftLine = "left";
// What a file is to become, before it is changed: a run cut short is then known to have changed it or not.
constexpr std::string_view kIntendedLine = "intended";
// A names journal of the first version has a line before each rename and one after it, kept for reading.
constexpr std::string_view kRenameLine = "rename";
constexpr std::string_view kRenamedLine = "renamed";
constexpr std::string_view kStepLine = "step";
constexpr std::string_view kMoveLine = "move";
constexpr std::string_view kOutcomeLine = "outcome";
constexpr std::string_view kMadeLine = "made";
constexpr std::string_view kLostLine = "lost";
constexpr std::string_view kTouchLine = "touch";
constexpr std::string_view kTouchedLine = "touched";
constexpr std::string_view kFinishedLine = "finished";
constexpr std::string_view kUndoneLine = "undone";
// An undo that began, and one that stopped before the run was undone; what it did is in the disk's state.
constexpr std::string_view kUndoLine = "undo";
constexpr std::string_view kUndoBegun = "begun";
constexpr std::string_view kUndoStopped = "stopped";
constexpr std::string_view kInterrupted = "interrupted";
constexpr std::string_view kKeptExtension = ".kept";

// Upper bounds of the lines that follow a change, for the room the journal takes before the change.
constexpr std::uint64_t kMadeLineRoom = 32;
constexpr std::uint64_t kEndingRoom = 64; // an outcome line and a finished line

std::uint64_t identityLineRoom(const std::string& path) {
    return escapeControlBytes(path).size() + 128;
}

std::uint64_t endedLineRoom(const std::string& backup) {
    return escapeControlBytes(backup).size() + 8;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

bool parseNumber(std::string_view text, std::uint64_t& value, int base = 10) {
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value, base);
    return parsed.ec == std::errc() && parsed.ptr == end && !text.empty();
}

std::string hexNumber(std::uint64_t value) {
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, 16);
    return std::string(digits, written.ptr);
}

bool parseSigned(std::string_view text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    return parsed.ec == std::errc() && parsed.ptr == end && !text.empty();
}

// The fields after the path of a "left" or "renamed" line.
std::optional<LeftIdentity> parseLeft(const std::vector<std::string_view>& fields) {
    LeftIdentity left;
    left.known = fields.size() == 7 && parseNumber(fields[2], left.device) &&
                 parseNumber(fields[3], left.inode) && parseNumber(fields[4], left.size) &&
                 parseSigned(fields[5], left.modifiedNanoseconds) && parseNumber(fields[6], left.hash, 16);
    return left.known ? std::optional(left) : std::nullopt;
}

std::string lineOf(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (const std::string_view field : fields) {
        line += line.empty() ? "" : "\t";
        line += field;
    }
    return line + "\n";
}

// A line that parseLeft reads.
std::string identityLine(std::string_view kind, const std::string& path, const platform::FileIdentity& file,
                         std::uint64_t hash) {
    return lineOf({kind, escapeControlBytes(path), std::to_string(file.device), std::to_string(file.inode),
                   std::to_string(file.size), std::to_string(file.modifiedNanoseconds), hexNumber(hash)});
}

std::optional<RecordedRewrite> parseRewrite(const std::vector<std::string_view>& fields) {
    if (fields.size() != 9) {
        return std::nullopt;
    }
    RecordedRewrite rewrite;
    rewrite.target = unescapeControlBytes(fields[1]);
    rewrite.backup = unescapeControlBytes(fields[2]);
    if (!parseNumber(fields[3], rewrite.device) || !parseNumber(fields[4], rewrite.inode) ||
        !parseNumber(fields[5], rewrite.oldSize) || !parseNumber(fields[6], rewrite.oldHash, 16) ||
        !parseNumber(fields[7], rewrite.newSize) || !parseNumber(fields[8], rewrite.newHash, 16)) {
        return std::nullopt;
    }
    return rewrite;
}

bool hasHeader(std::string_view text) {
    return text.starts_with(kHeader) || text.starts_with(kPlanHeader);
}

// Calls back with the fields of each whole line after the header; a last line without its line end was
// being written when the run stopped.
template <typename Line> void forEachLine(std::string_view text, Line line) {
    text.remove_prefix(std::min(text.size(), kHeader.size()));
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        line(fieldsOf(text.substr(0, end)));
        text.remove_prefix(end + 1);
    }
}

// A rename of a names run that records a plan: planned before the first was made, or written down as it came.
struct JournaledMove {
    std::string from;
    std::string to;
    LeftIdentity entry;    // device and inode of the entry renamed, as the run found it
    std::size_t after = 0; // for one the plan did not hold: how many planned renames were begun before it
    bool planned = true;
};

std::string moveLine(std::string_view kind, const std::string& from, const std::string& to,
                     std::optional<std::size_t> after, const platform::FileIdentity& entry) {
    std::string line(kind);
    for (const std::string& field : {escapeControlBytes(from), escapeControlBytes(to)}) {
        line += "\t" + field;
    }
    if (after) {
        line += "\t" + std::to_string(*after);
    }
    if (entry.known) {
        line += "\t" + std::to_string(entry.device) + "\t" + std::to_string(entry.inode);
    }
    return line + "\n";
}

// Every step or move line counts, read or not, so that the numbers of the lines after it still hold.
JournaledMove parseMove(const std::vector<std::string_view>& fields) {
    JournaledMove move;
    move.planned = fields[0] == kStepLine;
    if (fields.size() > 2) {
        move.from = unescapeControlBytes(fields[1]);
        move.to = unescapeControlBytes(fields[2]);
    }
    std::uint64_t after = 0;
    if (!move.planned && fields.size() > 3 && parseNumber(fields[3], after)) {
        move.after = static_cast<std::size_t>(after);
    }
    const std::size_t identity = move.planned ? 3 : 4;
    move.entry.known = fields.size() == identity + 2 && parseNumber(fields[identity], move.entry.device) &&
                       parseNumber(fields[identity + 1], move.entry.inode);
    return move;
}

std::vector<JournaledMove> movesOf(std::string_view text) {
    std::vector<JournaledMove> moves;
    forEachLine(text, [&](const std::vector<std::string_view>& fields) {
        if (fields[0] == kStepLine || fields[0] == kMoveLine) {
            moves.push_back(parseMove(fields));
        }
    });
    return moves;
}

bool isAsideName(const std::string& path) {
    const std::optional<LeftoverNameParts> parts = parseLeftoverName(fileNameOf(path));
    return parts && parts->kind == LeftoverKind::Aside;
}

bool isEntry(const platform::FileIdentity& found, const LeftIdentity& entry) {
    return found.known && entry.known && found.device == entry.device && found.inode == entry.inode;
}

// Whether the file is the one a change was to leave, holding what it was to hold; read in blocks, so that a
// file too large for memory is no exception. Found receives the file as it is.
bool isAsIntended(const std::string& path, const LeftIdentity& intended, platform::FileIdentity& found) {
    platform::FileReader reader;
    if (!reader.open(path, &found).empty() || !isEntry(found, intended) || found.size != intended.size) {
        return false;
    }
    ContentHasher hasher;
    std::vector<char> block(std::size_t{1} << 20);
    for (std::size_t got = 1; got > 0;) {
        if (!reader.read(block, got).empty()) {
            return false;
        }
        hasher.add(std::string_view(block.data(), got));
    }
    return hasher.value() == intended.hash;
}

// The lines a run cut short did not write for the files it changed: what each left, where the disk shows
// that the change was made. A file that is not what its change was to leave was not changed, or was changed
// again since; undo finds it so.
std::string leftOnDisk(const std::vector<RecordedContents>& contents) {
    std::string lines;
    for (const RecordedContents& change : contents) {
        platform::FileIdentity found;
        if (!change.left.known && change.intended.known &&
            isAsIntended(change.target, change.intended, found)) {
            lines += identityLine(kLeftLine, change.target, found, change.intended.hash);
        }
    }
    return lines;
}

// A rename by its paths as the run gives them; no path holds a NUL byte.
std::string moveKey(const std::string& from, const std::string& to) {
    return from + '\0' + to;
}

std::string entryKey(const std::string& path, const LeftIdentity& entry) {
    return path + '\0' + std::to_string(entry.device) + ':' + std::to_string(entry.inode);
}

// A path as the folder renames given (the last made first) leave it: what was in a folder the run renamed is
// now under the folder's new name.
std::string movedAlong(std::string path, const std::vector<const JournaledMove*>& folders) {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const JournaledMove* folder = *it;
        if (path.size() > folder->from.size() && path.starts_with(folder->from) &&
            isPathSeparator(path[folder->from.size()])) {
            path = folder->to + path.substr(folder->from.size());
        }
    }
    return path;
}

// The renames in the order the run went: each one the plan did not hold among the planned ones begun before.
std::vector<std::size_t> runOrder(const std::vector<JournaledMove>& moves) {
    std::vector<std::size_t> order;
    std::size_t other = 0;
    const auto othersUpTo = [&](std::size_t begun) {
        for (; other < moves.size(); ++other) {
            if (moves[other].planned) {
                continue;
            }
            if (moves[other].after > begun) {
                return;
            }
            order.push_back(other);
        }
    };
    for (std::size_t k = 0; k < moves.size(); ++k) {
        if (moves[k].planned) {
            othersUpTo(k);
            order.push_back(k);
        }
    }
    othersUpTo(moves.size());
    return order;
}

// Which renames of a run cut short were made, as the disk shows: an entry found where a rename was to leave
// it (or that a later rename took on from there) was renamed. One that is neither there nor where it was is
// lost: someone else moved it since, or the run renamed it without knowing what it was.
std::string madeOnDisk(const std::vector<JournaledMove>& moves) {
    const std::vector<std::size_t> order = runOrder(moves);
    std::vector<char> made(moves.size(), 0);
    std::unordered_map<std::string, bool> departed; // from and entry of the later renames made: a folder?
    std::vector<const JournaledMove*> folders;      // made renames of folders, last made first
    for (auto k = order.rbegin(); k != order.rend(); ++k) {
        const JournaledMove& move = moves[*k];
        if (!move.entry.known) {
            continue;
        }
        const std::string now = movedAlong(move.to, folders);
        const auto onward = departed.find(entryKey(move.to, move.entry));
        const bool folder = onward != departed.end()
                                ? onward->second
                                : platform::pathStatus(now).kind == platform::PathKind::Folder;
        if (onward == departed.end() && !isEntry(platform::fileIdentity(now), move.entry)) {
            continue;
        }
        made[*k] = 1;
        departed[entryKey(move.from, move.entry)] = folder;
        if (folder) {
            folders.push_back(&move);
        }
    }
    std::unordered_set<std::string> arrived; // to and entry of the earlier renames
    std::string lines;
    for (const std::size_t k : order) {
        const JournaledMove& move = moves[k];
        const bool onward = arrived.contains(entryKey(move.from, move.entry));
        arrived.insert(entryKey(move.to, move.entry));
        if (made[k]) {
            lines += lineOf({kMadeLine, std::to_string(k)});
            continue;
        }
        if (onward) {
            continue;
        }
        const std::string was = movedAlong(move.from, folders);
        std::error_code error;
        const bool stayed =
            move.entry.known ? isEntry(platform::fileIdentity(was), move.entry)
                             : std::filesystem::exists(std::filesystem::symlink_status(toFsPath(was), error));
        if (!stayed) {
            lines += lineOf({kLostLine, std::to_string(k)});
        }
    }
    return lines;
}

// Before a rewrite in place changes the file: enough for the clear-up to put it back or finish it.
std::string rewriteLine(const platform::InPlaceRewrite& rewrite) {
    return lineOf({kRewriteLine, escapeControlBytes(rewrite.target), escapeControlBytes(rewrite.backup),
                   std::to_string(rewrite.before.device), std::to_string(rewrite.before.inode),
                   std::to_string(rewrite.oldBytes.size()), hexNumber(contentHash(rewrite.oldBytes)),
                   std::to_string(rewrite.newBytes.size()), hexNumber(contentHash(rewrite.newBytes))});
}

} // namespace

std::string journalFolderIn(const std::string& stateFolder) {
    return stateFolder.empty() ? std::string() : joinPath(stateFolder, kJournalFolderName);
}

bool isJournalName(std::string_view name) {
    return name.starts_with(kJournalPrefix) && name.ends_with(kJournalExtension);
}

namespace {

bool beginsUndo(const std::vector<std::string_view>& fields) {
    return fields[0] == kUndoLine && fields.size() == 2 && fields[1] == kUndoBegun;
}

// Whatever came before, a journal whose last line this is has ended.
bool endsRunOrUndo(const std::vector<std::string_view>& fields) {
    return fields[0] == kFinishedLine || fields[0] == kUndoneLine ||
           (fields[0] == kUndoLine && !beginsUndo(fields));
}

} // namespace

std::optional<JournalRecord> readJournal(std::string_view text) {
    JournalRecord record;
    // A journal whose header was cut short recorded nothing yet.
    if (text.size() < kHeader.size()) {
        return kHeader.starts_with(text) || kPlanHeader.starts_with(text) ? std::optional(record)
                                                                          : std::nullopt;
    }
    if (!hasHeader(text)) {
        return std::nullopt;
    }
    forEachLine(text, [&](const std::vector<std::string_view>& fields) {
        if (fields[0] == kFolderLine && fields.size() == 2) {
            record.folders.push_back(unescapeControlBytes(fields[1]));
        } else if (fields[0] == kRewriteLine) {
            if (std::optional<RecordedRewrite> rewrite = parseRewrite(fields)) {
                record.unfinished.push_back(std::move(*rewrite));
            }
        } else if (fields[0] == kEndedLine && fields.size() == 2) {
            const std::string backup = unescapeControlBytes(fields[1]);
            std::erase_if(record.unfinished, [&](const RecordedRewrite& r) { return r.backup == backup; });
        } else if (fields[0] == kFinishedLine) {
            record.ended = true;
        } else if (beginsUndo(fields)) {
            // The run's own lines were dealt with when it ended; what is left to clear up is the undo's, and
            // that of an undo before it which nobody cleared up after.
            if (!record.undoing) {
                record = JournalRecord{};
                record.undoing = true;
            }
        } else if (endsRunOrUndo(fields)) {
            record.ended = true;
            record.undoing = false;
        }
    });
    return record;
}

bool endsJournal(std::string_view tail) {
    if (!tail.ends_with('\n')) {
        return false;
    }
    tail.remove_suffix(1);
    const std::size_t lineStart = tail.rfind('\n');
    return lineStart != std::string_view::npos && endsRunOrUndo(fieldsOf(tail.substr(lineStart + 1)));
}

std::optional<UndoRecord> readUndoRecord(std::string_view text) {
    if (!hasHeader(text)) {
        return std::nullopt;
    }
    UndoRecord record;
    bool headed = false;
    std::vector<JournaledMove> moves;
    forEachLine(text, [&](const std::vector<std::string_view>& fields) {
        const std::string_view kind = fields[0];
        std::uint64_t rows = 0;
        if (kind == kRunLine && fields.size() == 4 && parseSigned(fields[1], record.startedNanoseconds) &&
            parseNumber(fields[3], rows)) {
            headed = true;
            record.heading.names = fields[2] == "names";
            record.heading.rows = static_cast<std::size_t>(rows);
        } else if (kind == kPairLine && fields.size() == 3) {
            record.heading.finds.push_back(unescapeControlBytes(fields[1]));
            record.heading.replaces.push_back(unescapeControlBytes(fields[2]));
        } else if (kind == kKeepLine && fields.size() == 3) {
            record.contents.push_back(
                RecordedContents{unescapeControlBytes(fields[1]), unescapeControlBytes(fields[2]), {}, {}});
        } else if (kind == kRenameLine && fields.size() == 3) {
            record.renames.push_back(
                RecordedRename{unescapeControlBytes(fields[1]), unescapeControlBytes(fields[2]), {}});
        } else if ((kind == kLeftLine || kind == kIntendedLine) && fields.size() > 1) {
            // Files replaced together have their keep lines first, then what each left.
            const std::string target = unescapeControlBytes(fields[1]);
            const auto kept = std::find_if(record.contents.rbegin(), record.contents.rend(),
                                           [&](const RecordedContents& c) { return c.target == target; });
            LeftIdentity* identity = kept == record.contents.rend() ? nullptr
                                     : kind == kLeftLine            ? &kept->left
                                                                    : &kept->intended;
            if (identity && !identity->known) {
                *identity = parseLeft(fields).value_or(LeftIdentity{});
            }
        } else if (kind == kRenamedLine && fields.size() > 1 && !record.renames.empty() &&
                   record.renames.back().to == unescapeControlBytes(fields[1])) {
            record.renames.back().left = parseLeft(fields).value_or(LeftIdentity{});
        } else if (std::int64_t old = 0;
                   kind == kTouchLine && fields.size() == 3 && parseSigned(fields[2], old)) {
            record.touches.push_back(RecordedTouch{unescapeControlBytes(fields[1]), old, {}});
        } else if (kind == kTouchedLine && fields.size() > 1 && !record.touches.empty() &&
                   record.touches.back().target == unescapeControlBytes(fields[1])) {
            record.touches.back().left = parseLeft(fields).value_or(LeftIdentity{});
        } else if (kind == kStepLine || kind == kMoveLine) {
            moves.push_back(parseMove(fields));
        } else if (kind == kOutcomeLine) {
            // A clear-up's outcome stands for one the run's end began and did not finish writing.
            record.renames.clear();
        } else if (std::uint64_t k = 0; (kind == kMadeLine || kind == kLostLine) && fields.size() == 2 &&
                                        parseNumber(fields[1], k) && k < moves.size()) {
            const JournaledMove& move = moves[k];
            record.renames.push_back(
                RecordedRename{move.from, move.to, kind == kMadeLine ? move.entry : LeftIdentity{}});
        } else if (kind == kFinishedLine) {
            record.ended = true;
            record.interrupted = fields.size() == 2 && fields[1] == kInterrupted;
        } else if (kind == kUndoneLine) {
            record.undone = true;
        }
    });
    return headed ? std::optional(std::move(record)) : std::nullopt;
}

std::vector<std::string> takeBackCutCycle(std::string_view text) {
    const std::vector<JournaledMove> moves = movesOf(text);
    std::vector<std::string> back;
    for (std::size_t park = 0; park < moves.size(); ++park) {
        const JournaledMove& aside = moves[park];
        if (!aside.planned || !isAsideName(aside.to) ||
            !isEntry(platform::fileIdentity(aside.to), aside.entry)) {
            continue;
        }
        // The cycle's renames lie between the one that put the entry aside and the one that takes it on.
        std::size_t unpark = park + 1;
        while (unpark < moves.size() && moves[unpark].planned && moves[unpark].from != aside.to) {
            ++unpark;
        }
        for (std::size_t k = unpark; k-- > park + 1;) {
            if (isEntry(platform::fileIdentity(moves[k].to), moves[k].entry)) {
                platform::renameNoReplace(moves[k].to, moves[k].from);
            }
        }
        if (platform::renameNoReplace(aside.to, aside.from).empty()) {
            back.push_back(aside.from);
        }
    }
    return back;
}

std::string interruptedEnding(std::string_view text) {
    const std::optional<UndoRecord> record = readUndoRecord(text);
    if (!record) {
        return {};
    }
    const std::vector<JournaledMove> moves = movesOf(text);
    const std::string made = moves.empty() ? std::string() : madeOnDisk(moves);
    if (record->contents.empty() && record->renames.empty() && record->touches.empty() && made.empty()) {
        return {};
    }
    // A line cut short by the stop must not swallow the first of these.
    return (text.ends_with('\n') ? "" : "\n") + (moves.empty() ? "" : lineOf({kOutcomeLine})) + made +
           leftOnDisk(record->contents) + endedLine(true);
}

std::string keptFolderOf(const std::string& journalPath) {
    std::string_view stem = journalPath;
    if (stem.ends_with(kJournalExtension)) {
        stem.remove_suffix(kJournalExtension.size());
    }
    return std::string(stem) + std::string(kKeptExtension);
}

std::string journalOfKeptFolder(const std::string& keptFolder) {
    std::string_view stem = keptFolder;
    if (!stem.ends_with(kKeptExtension)) {
        return {};
    }
    stem.remove_suffix(kKeptExtension.size());
    std::string journal = std::string(stem) + std::string(kJournalExtension);
    return isJournalName(fileNameOf(journal)) ? journal : std::string();
}

std::string endedLine(bool interrupted) {
    return lineOf({kFinishedLine, interrupted ? kInterrupted : "whole"});
}

std::string undoneLine() {
    return lineOf({kUndoneLine});
}

std::string undoStoppedLine() {
    return lineOf({kUndoLine, kUndoStopped});
}

namespace {

// Eight bytes at a time, each word mixed in by a multiply and a rotation; the length is mixed in last.
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;

constexpr std::uint64_t rotate(std::uint64_t x, int by) {
    return (x << by) | (x >> (64 - by));
}

} // namespace

ContentHasher::ContentHasher() : hash_(kPrime2) {}

void ContentHasher::add(std::string_view bytes) {
    size_ += bytes.size();
    if (pendingSize_ > 0) {
        const std::size_t taken = std::min(bytes.size(), sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, bytes.data(), taken);
        pendingSize_ += taken;
        bytes.remove_prefix(taken);
        if (pendingSize_ < sizeof pending_) {
            return;
        }
        mixWord(pending_);
        pendingSize_ = 0;
    }
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        mixWord(bytes.data() + i);
    }
    pendingSize_ = bytes.size() - i;
    std::memcpy(pending_, bytes.data() + i, pendingSize_);
}

void ContentHasher::mixWord(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, 8);
    hash_ = rotate(hash_ ^ (word * kPrime2), 31) * kPrime1;
}

std::uint64_t ContentHasher::value() const {
    std::uint64_t hash = hash_;
    for (std::size_t i = 0; i < pendingSize_; ++i) {
        hash = rotate(hash ^ (static_cast<unsigned char>(pending_[i]) * kPrime1), 23) * kPrime2;
    }
    hash ^= size_;
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    return hash;
}

std::uint64_t contentHash(std::string_view bytes) {
    ContentHasher hasher;
    hasher.add(bytes);
    return hasher.value();
}

RunJournal::RunJournal(std::string journalFolder, std::optional<RunHeading> heading)
    : journalFolder_(std::move(journalFolder)), heading_(std::move(heading)) {}

RunJournal::~RunJournal() {
    finish();
}

std::string RunJournal::finish() {
    if (finished_ || !file_.held()) {
        finished_ = true;
        return {};
    }
    finished_ = true;
    if (changed_ || !made_.empty()) {
        // The renames reach the disk before the line that says they were made.
        platform::flushFolders({renamedIn_.begin(), renamedIn_.end()});
        if (!file_.append(madeLines() + endedLine(false))) {
            // The room taken stays for the clear-up, which closes the journal.
            return "its journal \"" + file_.path() +
                   "\" cannot be completed; once the next run or undo has closed it as interrupted, what it "
                   "recorded can be undone";
        }
        file_.releaseReserved();
        return {};
    }
    std::error_code ignored;
    std::filesystem::remove_all(toFsPath(keptFolderOf(file_.path())), ignored);
    file_.remove();
    // Only an empty folder goes: the application folder stays as it was when nothing was cut short.
    std::filesystem::remove(toFsPath(journalFolder_), ignored);
    return {};
}

const std::string& RunJournal::begin() {
    keepsForUndo();
    return undoUnavailable_;
}

// Room for the lines that announce a change and those that follow it, and for the run's end, on top of
// what the changes announced before still need.
std::string RunJournal::makeRoom(std::uint64_t announcing, std::uint64_t following) {
    if (std::string reason = file_.reserve(announcing + owed_ + following + kEndingRoom); !reason.empty()) {
        return "there is no room for the run's journal in \"" + journalFolder_ + "\": " + reason;
    }
    owed_ += following;
    return {};
}

// A line that followed a change is written: the room taken for it is free for others.
void RunJournal::settled(std::uint64_t following) {
    owed_ -= std::min(owed_, following);
}

bool RunJournal::record(const std::string& line) {
    return open() && file_.append(line);
}

bool RunJournal::open() {
    if (!opened_) {
        opened_ = true;
        // What the journal keeps is as private as the most private of the files it came from.
        platform::makePrivateSubfolder(journalFolder_);
        file_ = platform::HeldFile::create(journalFolder_, kJournalPrefix, kJournalExtension);
        std::string opening(heading_ && heading_->names ? kPlanHeader : kHeader);
        if (heading_) {
            const auto started = std::chrono::system_clock::now().time_since_epoch();
            opening +=
                lineOf({kRunLine,
                        std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(started).count()),
                        heading_->names ? "names" : "contents", std::to_string(heading_->rows)});
            for (std::size_t j = 0; j < heading_->finds.size() && j < heading_->replaces.size(); ++j) {
                opening += lineOf({kPairLine, escapeControlBytes(heading_->finds[j]),
                                   escapeControlBytes(heading_->replaces[j])});
            }
        }
        if (file_.held() && !file_.append(opening)) {
            file_.remove();
        }
    }
    return file_.held();
}

std::string RunJournal::nextKeptPath() {
    const std::string folder = keptFolderOf(file_.path());
    if (kept_ == 0) {
        platform::makePrivateSubfolder(folder);
    }
    return joinPath(folder, std::to_string(++kept_));
}

// The kept file is on disk before the lines that name it, and the lines before the change.
std::string RunJournal::keepLines(const std::string& target, const std::string& kept,
                                  const platform::FileIdentity& becomes, std::uint64_t hash) {
    // By its name alone, so that the program folder may move.
    std::string lines = lineOf(
        {kKeepLine, escapeControlBytes(target), escapeControlBytes(fromFsPath(toFsPath(kept).filename()))});
    if (becomes.known) {
        platform::FileIdentity intended = becomes;
        intended.modifiedNanoseconds = 0; // not known before the change
        lines += identityLine(kIntendedLine, target, intended, hash);
    }
    return lines;
}

void RunJournal::recordLeft(std::string_view kind, const std::string& path,
                            std::optional<std::uint64_t> hash) {
    const platform::FileIdentity left = platform::fileIdentity(path);
    settled(identityLineRoom(path));
    // What a change left announces nothing: it reaches the disk with the next line, or the run's last.
    if (left.known && open()) {
        file_.append(identityLine(kind, path, left, hash.value_or(0)), platform::HeldFile::Flush::Later);
    }
}

void RunJournal::writingIn(const std::string& folder) {
    // Without a journal the run still writes: its temporary files are found by the next run over the folder.
    if (folders_.insert(folder).second) {
        record(std::string(kFolderLine) + "\t" + escapeControlBytes(folder) + "\n");
    }
}

std::string RunJournal::rewriteStarting(const platform::InPlaceRewrite& rewrite) {
    const std::string line = rewriteLine(rewrite);
    // A file rewritten in place keeps its inode, so undo needs a copy of what it held.
    std::string lines;
    if (keepsForUndo()) {
        const std::string kept = nextKeptPath();
        platform::FileIdentity becomes = rewrite.before;
        becomes.size = rewrite.newBytes.size();
        lines = keepLines(rewrite.target, kept, becomes, contentHash(rewrite.newBytes));
        if (std::string reason = makeRoom(lines.size() + line.size(),
                                          identityLineRoom(rewrite.target) + endedLineRoom(rewrite.backup));
            !reason.empty()) {
            return reason;
        }
        if (std::string reason = platform::writeNewFile(kept, rewrite.oldBytes); !reason.empty()) {
            return "its old contents cannot be kept for undo: " + reason;
        }
    }
    // A journal that could not be made at all leaves the backup to be found beside the file; one that stops
    // taking lines part way stops the rewrite, which would otherwise go unrecorded.
    if (!record(lines + line) && file_.held()) {
        return "the run's journal cannot be written in \"" + journalFolder_ + "\"";
    }
    changed_ = changed_ || !lines.empty();
    return {};
}

bool RunJournal::keepsForUndo() {
    if (heading_ && !open()) {
        // The run goes on without undo, as it would without a journal; the caller says so.
        heading_.reset();
        undoUnavailable_ = "the run's journal cannot be made in \"" + journalFolder_ + "\"";
    }
    return heading_.has_value();
}

std::string RunJournal::replacing(const std::string& target, const platform::FileIdentity& becomes,
                                  std::string_view bytes) {
    return replacingAll({ReplacingFile{target, becomes, heading_ ? contentHash(bytes) : 0}}).front();
}

void RunJournal::replaced(const std::string& target, std::string_view bytes) {
    if (heading_) {
        replacedWith(target, contentHash(bytes));
    }
}

std::vector<std::string> RunJournal::replacingAll(const std::vector<ReplacingFile>& files) {
    std::vector<std::string> reasons(files.size());
    if (!keepsForUndo()) {
        return reasons;
    }
    std::vector<std::pair<std::string, std::string>> keeps;
    std::vector<std::string> fileLines;
    std::uint64_t announcing = 0;
    std::uint64_t following = 0;
    for (const ReplacingFile& file : files) {
        keeps.emplace_back(file.target, nextKeptPath());
        fileLines.push_back(keepLines(file.target, keeps.back().second, file.becomes, file.hash));
        announcing += fileLines.back().size();
        following += identityLineRoom(file.target);
    }
    if (std::string reason = makeRoom(announcing, following); !reason.empty()) {
        std::fill(reasons.begin(), reasons.end(), reason);
        return reasons;
    }
    const std::vector<std::string> notKept = platform::keepFilesAs(keeps);
    std::string lines;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!notKept[i].empty()) {
            reasons[i] = "its old contents cannot be kept for undo: " + notKept[i];
            continue;
        }
        lines += fileLines[i];
    }
    if (lines.empty()) {
        return reasons;
    }
    if (!record(lines)) {
        for (std::string& reason : reasons) {
            if (reason.empty()) {
                reason = "the run's journal cannot be written in \"" + journalFolder_ + "\"";
            }
        }
        return reasons;
    }
    changed_ = true;
    return reasons;
}

void RunJournal::replacedWith(const std::string& target, std::uint64_t hash) {
    if (heading_) {
        recordLeft(kLeftLine, target, hash);
    }
}

void RunJournal::flushWhatIsLeft() {
    if (heading_ && opened_) {
        file_.append({});
    }
}

std::string RunJournal::absolutePath(const std::string& path) {
    const std::filesystem::path given = toFsPath(path);
    if (given.is_absolute()) {
        return path;
    }
    // Undo may run from another working folder; the run's does not change while it goes.
    if (workingFolder_.empty()) {
        std::error_code error;
        workingFolder_ = fromFsPath(std::filesystem::current_path(error));
        if (error) {
            workingFolder_.clear();
            return path;
        }
    }
    return fromFsPath(toFsPath(workingFolder_) / given);
}

std::string RunJournal::renamesPlanned(const std::vector<PlannedMove>& moves) {
    if (moves.empty() || !keepsForUndo()) {
        return {};
    }
    std::string lines;
    // An entry put aside is renamed on from there: the entry is the one found before it went aside.
    std::unordered_map<std::string, platform::FileIdentity> aside;
    for (const PlannedMove& move : moves) {
        // A run cut short with an entry aside leaves it for the clear-up to find in its folder.
        if (!move.asideIn.empty() && folders_.insert(move.asideIn).second) {
            lines += lineOf({kFolderLine, escapeControlBytes(move.asideIn)});
        }
        const auto parked = aside.find(move.from);
        const platform::FileIdentity entry =
            parked != aside.end() ? parked->second : platform::fileIdentity(move.from);
        if (!move.asideIn.empty()) {
            aside.emplace(move.to, entry);
        }
        lines += moveLine(kStepLine, absolutePath(move.from), absolutePath(move.to), std::nullopt, entry);
        planned_.emplace(moveKey(move.from, move.to), moves_++);
    }
    planRefused_ = makeRoom(lines.size(), moves.size() * kMadeLineRoom);
    if (planRefused_.empty() && !record(lines)) {
        planRefused_ = "the run's journal cannot be written in \"" + journalFolder_ + "\"";
    }
    return planRefused_;
}

std::string RunJournal::renaming(const std::string& from, const std::string& to) {
    renaming_.reset();
    if (!keepsForUndo()) {
        return {};
    }
    if (const auto planned = planned_.find(moveKey(from, to)); planned != planned_.end()) {
        if (!planRefused_.empty()) {
            return planRefused_;
        }
        plannedBegun_ = std::max(plannedBegun_, planned->second + 1);
        renaming_ = Renaming{planned->second, false};
        return {};
    }
    if (const auto planned = planned_.find(moveKey(to, from));
        planned != planned_.end() &&
        std::find(made_.rbegin(), made_.rend(), planned->second) != made_.rend()) {
        renaming_ = Renaming{planned->second, true};
        return {};
    }
    const std::string line = moveLine(kMoveLine, absolutePath(from), absolutePath(to), plannedBegun_,
                                      platform::fileIdentity(from));
    if (std::string reason = makeRoom(line.size(), kMadeLineRoom); !reason.empty()) {
        return reason;
    }
    if (!record(line)) {
        return "the run's journal cannot be written in \"" + journalFolder_ + "\"";
    }
    renaming_ = Renaming{moves_++, false};
    return {};
}

void RunJournal::renamed(const std::string& to) {
    if (!renaming_) {
        return;
    }
    const Renaming done = *renaming_;
    renaming_.reset();
    if (done.back) {
        made_.erase(std::prev(std::find(made_.rbegin(), made_.rend(), done.move).base()));
    } else {
        made_.push_back(done.move);
    }
    const std::string folder = splitPath(to).folder;
    renamedIn_.insert(folder.empty() ? "." : folder);
}

std::string RunJournal::madeLines() {
    if (made_.empty()) {
        return {};
    }
    std::string lines = lineOf({kOutcomeLine});
    for (const std::size_t move : made_) {
        lines += lineOf({kMadeLine, std::to_string(move)});
    }
    return lines;
}

// Where links lead, as a write names the file it replaces. The many files of one folder cost one resolving of
// the folder and a look at each file, where resolving each path whole looks at every folder above it.
std::string RunJournal::realPath(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path path = toFsPath(target);
    std::error_code error;
    if (path.has_filename() && !fs::is_symlink(fs::symlink_status(path, error)) && !error) {
        const std::string folder = fromFsPath(path.parent_path());
        auto real = realFolders_.find(folder);
        if (real == realFolders_.end()) {
            const fs::path resolved = fs::canonical(folder.empty() ? fs::path(".") : toFsPath(folder), error);
            real = realFolders_.emplace(folder, error ? std::string() : fromFsPath(resolved)).first;
        }
        if (!real->second.empty()) {
            return fromFsPath(toFsPath(real->second) / path.filename());
        }
    }
    const fs::path real = fs::canonical(path, error);
    return error ? absolutePath(target) : fromFsPath(real);
}

std::string RunJournal::touching(const std::string& target, const platform::FileIdentity& readAs) {
    touching_.clear();
    // The time as read is the old one: a file changed since the read is not touched, so never recorded.
    if (!readAs.known || !keepsForUndo()) {
        return {};
    }
    const std::string absolute = realPath(target);
    const std::string line =
        lineOf({kTouchLine, escapeControlBytes(absolute), std::to_string(readAs.modifiedNanoseconds)});
    if (std::string reason = makeRoom(line.size(), identityLineRoom(absolute)); !reason.empty()) {
        return reason;
    }
    touching_ = absolute;
    // Not flushed: a time is all that a lost line loses, and a flush per untouched file would cost a run
    // over many files more than their reading.
    if (file_.append(line, platform::HeldFile::Flush::Later)) {
        changed_ = true;
    }
    return {};
}

void RunJournal::touched(std::uint64_t hash) {
    if (heading_ && !touching_.empty()) {
        recordLeft(kTouchedLine, touching_, hash);
    }
}

void RunJournal::rewriteGoingOn() {
    file_.touch();
}

void RunJournal::rewriteEnded(const platform::InPlaceRewrite& rewrite) {
    settled(endedLineRoom(rewrite.backup));
    record(lineOf({kEndedLine, escapeControlBytes(rewrite.backup)}));
}

UndoJournal::UndoJournal(platform::HeldFile& journal, platform::WriteJournal* watcher)
    : journal_(journal), watcher_(watcher) {}

bool UndoJournal::record(const std::string& line) {
    failed_ = failed_ || !platform::appendToFile(journal_.path(), line).empty();
    return !failed_;
}

std::string UndoJournal::begin() {
    if (!record(lineOf({kUndoLine, kUndoBegun}))) {
        return "the run's journal \"" + journal_.path() + "\" cannot be written";
    }
    return {};
}

void UndoJournal::writingIn(const std::string& folder) {
    if (folders_.insert(folder).second) {
        record(lineOf({kFolderLine, escapeControlBytes(folder)}));
    }
    if (watcher_) {
        watcher_->writingIn(folder);
    }
}

std::string UndoJournal::rewriteStarting(const platform::InPlaceRewrite& rewrite) {
    if (!record(rewriteLine(rewrite))) {
        return "the run's journal \"" + journal_.path() + "\" cannot be written";
    }
    return watcher_ ? watcher_->rewriteStarting(rewrite) : std::string();
}

void UndoJournal::rewriteGoingOn() {
    journal_.touch();
    if (watcher_) {
        watcher_->rewriteGoingOn();
    }
}

void UndoJournal::rewriteEnded(const platform::InPlaceRewrite& rewrite) {
    record(lineOf({kEndedLine, escapeControlBytes(rewrite.backup)}));
    if (watcher_) {
        watcher_->rewriteEnded(rewrite);
    }
}

std::string UndoJournal::end(bool undone) {
    const std::string line = undone ? undoneLine() : undoStoppedLine();
    if (std::string reason = platform::appendToFile(journal_.path(), line); !reason.empty()) {
        return "the run's journal \"" + journal_.path() + "\" cannot be written: " + reason;
    }
    return {};
}

} // namespace morvane
