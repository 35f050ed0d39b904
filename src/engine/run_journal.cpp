#include "engine/run_journal.h"

#include "util/escaped_text.h"
#include "util/paths.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <system_error>
#include <utility>

namespace morvane {

namespace {

constexpr std::string_view kHeader = "morvane-journal\t1\n";
constexpr std::string_view kJournalPrefix = "run-";
constexpr std::string_view kJournalExtension = ".journal";
constexpr std::string_view kFolderLine = "folder";
constexpr std::string_view kRewriteLine = "rewrite";
constexpr std::string_view kEndedLine = "ended";
constexpr std::string_view kRunLine = "run";
constexpr std::string_view kPairLine = "pair";
constexpr std::string_view kKeepLine = "keep";
constexpr std::string_view kLeftLine = "left";
constexpr std::string_view kRenameLine = "rename";
constexpr std::string_view kRenamedLine = "renamed";
constexpr std::string_view kTouchLine = "touch";
constexpr std::string_view kTouchedLine = "touched";
constexpr std::string_view kFinishedLine = "finished";
constexpr std::string_view kUndoneLine = "undone";
constexpr std::string_view kInterrupted = "interrupted";
constexpr std::string_view kKeptExtension = ".kept";

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

// Undo may run from another working folder.
std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(toFsPath(path), error);
    return error ? path : fromFsPath(absolute);
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

} // namespace

std::string journalFolderIn(const std::string& stateFolder) {
    return stateFolder.empty() ? std::string() : joinPath(stateFolder, kJournalFolderName);
}

bool isJournalName(std::string_view name) {
    return name.starts_with(kJournalPrefix) && name.ends_with(kJournalExtension);
}

std::optional<JournalRecord> readJournal(std::string_view text) {
    JournalRecord record;
    // A journal whose header was cut short recorded nothing yet.
    if (text.size() < kHeader.size()) {
        return kHeader.starts_with(text) ? std::optional(record) : std::nullopt;
    }
    if (!text.starts_with(kHeader)) {
        return std::nullopt;
    }
    text.remove_prefix(kHeader.size());
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        const std::vector<std::string_view> fields = fieldsOf(text.substr(0, end));
        text.remove_prefix(end + 1);
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
        }
    }
    return record;
}

std::optional<UndoRecord> readUndoRecord(std::string_view text) {
    if (!text.starts_with(kHeader)) {
        return std::nullopt;
    }
    text.remove_prefix(kHeader.size());
    UndoRecord record;
    bool headed = false;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        const std::vector<std::string_view> fields = fieldsOf(text.substr(0, end));
        text.remove_prefix(end + 1);
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
                RecordedContents{unescapeControlBytes(fields[1]), unescapeControlBytes(fields[2]), {}});
        } else if (kind == kRenameLine && fields.size() == 3) {
            record.renames.push_back(
                RecordedRename{unescapeControlBytes(fields[1]), unescapeControlBytes(fields[2]), {}});
        } else if (kind == kLeftLine && fields.size() > 1 && !record.contents.empty() &&
                   record.contents.back().target == unescapeControlBytes(fields[1])) {
            record.contents.back().left = parseLeft(fields).value_or(LeftIdentity{});
        } else if (kind == kRenamedLine && fields.size() > 1 && !record.renames.empty() &&
                   record.renames.back().to == unescapeControlBytes(fields[1])) {
            record.renames.back().left = parseLeft(fields).value_or(LeftIdentity{});
        } else if (std::int64_t old = 0;
                   kind == kTouchLine && fields.size() == 3 && parseSigned(fields[2], old)) {
            record.touches.push_back(RecordedTouch{unescapeControlBytes(fields[1]), old, {}});
        } else if (kind == kTouchedLine && fields.size() > 1 && !record.touches.empty() &&
                   record.touches.back().target == unescapeControlBytes(fields[1])) {
            record.touches.back().left = parseLeft(fields).value_or(LeftIdentity{});
        } else if (kind == kFinishedLine) {
            record.ended = true;
            record.interrupted = fields.size() == 2 && fields[1] == kInterrupted;
        } else if (kind == kUndoneLine) {
            record.undone = true;
        }
    }
    return headed ? std::optional(std::move(record)) : std::nullopt;
}

std::string keptFolderOf(const std::string& journalPath) {
    std::string_view stem = journalPath;
    if (stem.ends_with(kJournalExtension)) {
        stem.remove_suffix(kJournalExtension.size());
    }
    return std::string(stem) + std::string(kKeptExtension);
}

std::string endedLine(bool interrupted) {
    return lineOf({kFinishedLine, interrupted ? kInterrupted : "whole"});
}

std::string undoneLine() {
    return lineOf({kUndoneLine});
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
    if (file_.held() && changed_) {
        file_.append(endedLine(false));
        return;
    }
    if (file_.held()) {
        std::error_code ignored;
        std::filesystem::remove_all(toFsPath(keptFolderOf(file_.path())), ignored);
        file_.remove();
        // Only an empty folder goes: the application folder stays as it was when nothing was cut short.
        std::filesystem::remove(toFsPath(journalFolder_), ignored);
    }
}

bool RunJournal::record(const std::string& line) {
    return open() && file_.append(line);
}

bool RunJournal::open() {
    if (!opened_) {
        opened_ = true;
        std::error_code ignored;
        std::filesystem::create_directory(toFsPath(journalFolder_), ignored);
        file_ = platform::HeldFile::create(journalFolder_, kJournalPrefix, kJournalExtension);
        std::string opening(kHeader);
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
        std::error_code ignored;
        std::filesystem::create_directory(toFsPath(folder), ignored);
    }
    return joinPath(folder, std::to_string(++kept_));
}

// The kept file is on disk before the line that names it, and the line before the change.
std::string RunJournal::keepRecorded(const std::string& target, const std::string& kept) {
    // By its name alone, so that the program folder may move.
    if (!record(lineOf({kKeepLine, escapeControlBytes(target),
                        escapeControlBytes(fromFsPath(toFsPath(kept).filename()))}))) {
        return "the run's journal cannot be written in \"" + journalFolder_ + "\"";
    }
    changed_ = true;
    return {};
}

void RunJournal::recordLeft(std::string_view kind, const std::string& path,
                            std::optional<std::uint64_t> hash) {
    const platform::FileIdentity left = platform::fileIdentity(path);
    // What a change left announces nothing: it reaches the disk with the next line, or the run's last.
    if (left.known && open()) {
        file_.append(lineOf({kind, escapeControlBytes(path), std::to_string(left.device),
                             std::to_string(left.inode), std::to_string(left.size),
                             std::to_string(left.modifiedNanoseconds), hexNumber(hash.value_or(0))}),
                     platform::HeldFile::Flush::Later);
    }
}

void RunJournal::writingIn(const std::string& folder) {
    // Without a journal the run still writes: its temporary files are found by the next run over the folder.
    if (folders_.insert(folder).second) {
        record(std::string(kFolderLine) + "\t" + escapeControlBytes(folder) + "\n");
    }
}

std::string RunJournal::rewriteStarting(const platform::InPlaceRewrite& rewrite) {
    const std::string line =
        std::string(kRewriteLine) + "\t" + escapeControlBytes(rewrite.target) + "\t" +
        escapeControlBytes(rewrite.backup) + "\t" + std::to_string(rewrite.before.device) + "\t" +
        std::to_string(rewrite.before.inode) + "\t" + std::to_string(rewrite.oldBytes.size()) + "\t" +
        hexNumber(contentHash(rewrite.oldBytes)) + "\t" + std::to_string(rewrite.newBytes.size()) + "\t" +
        hexNumber(contentHash(rewrite.newBytes)) + "\n";
    // A file rewritten in place keeps its inode, so undo needs a copy of what it held.
    if (keepsForUndo()) {
        const std::string kept = nextKeptPath();
        if (std::string reason = platform::writeNewFile(kept, rewrite.oldBytes); !reason.empty()) {
            return "its old contents cannot be kept for undo: " + reason;
        }
        if (std::string reason = keepRecorded(rewrite.target, kept); !reason.empty()) {
            return reason;
        }
    }
    // A journal that could not be made at all leaves the backup to be found beside the file; one that stops
    // taking lines part way stops the rewrite, which would otherwise go unrecorded.
    if (!record(line) && file_.held()) {
        return "the run's journal cannot be written in \"" + journalFolder_ + "\"";
    }
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

std::string RunJournal::replacing(const std::string& target) {
    if (!keepsForUndo()) {
        return {};
    }
    const std::string kept = nextKeptPath();
    if (std::string reason = platform::keepFileAs(target, kept); !reason.empty()) {
        return "its old contents cannot be kept for undo: " + reason;
    }
    return keepRecorded(target, kept);
}

void RunJournal::replaced(const std::string& target, std::string_view bytes) {
    if (heading_) {
        replacedWith(target, contentHash(bytes));
    }
}

std::vector<std::string> RunJournal::replacingAll(const std::vector<std::string>& targets) {
    std::vector<std::string> reasons(targets.size());
    if (!keepsForUndo()) {
        return reasons;
    }
    std::vector<std::pair<std::string, std::string>> keeps;
    for (const std::string& target : targets) {
        keeps.emplace_back(target, nextKeptPath());
    }
    const std::vector<std::string> notKept = platform::keepFilesAs(keeps);
    std::string lines;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!notKept[i].empty()) {
            reasons[i] = "its old contents cannot be kept for undo: " + notKept[i];
            continue;
        }
        lines += lineOf({kKeepLine, escapeControlBytes(targets[i]),
                         escapeControlBytes(fromFsPath(toFsPath(keeps[i].second).filename()))});
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

std::string RunJournal::renaming(const std::string& from, const std::string& to) {
    if (!keepsForUndo()) {
        return {};
    }
    if (!record(lineOf(
            {kRenameLine, escapeControlBytes(absolutePath(from)), escapeControlBytes(absolutePath(to))}))) {
        return "the run's journal cannot be written in \"" + journalFolder_ + "\"";
    }
    changed_ = true;
    return {};
}

void RunJournal::renamed(const std::string& to) {
    if (heading_) {
        recordLeft(kRenamedLine, absolutePath(to), std::nullopt);
    }
}

void RunJournal::touching(const std::string& target, const platform::FileIdentity& readAs) {
    // Where links lead, as a write names the file it replaces.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(toFsPath(target), error);
    const std::string absolute = error ? absolutePath(target) : fromFsPath(real);
    touching_.clear();
    // The time as read is the old one: a file changed since the read is not touched, so never recorded.
    if (!readAs.known || !keepsForUndo()) {
        return;
    }
    touching_ = absolute;
    // Not flushed: a time is all that a lost line loses, and a flush per untouched file would cost a run
    // over many files more than their reading.
    if (file_.append(
            lineOf({kTouchLine, escapeControlBytes(absolute), std::to_string(readAs.modifiedNanoseconds)}),
            platform::HeldFile::Flush::Later)) {
        changed_ = true;
    }
}

void RunJournal::touched() {
    if (heading_ && !touching_.empty()) {
        recordLeft(kTouchedLine, touching_, std::nullopt);
    }
}

void RunJournal::rewriteGoingOn() {
    file_.touch();
}

void RunJournal::rewriteEnded(const platform::InPlaceRewrite& rewrite) {
    record(std::string(kEndedLine) + "\t" + escapeControlBytes(rewrite.backup) + "\n");
}

} // namespace morvane
