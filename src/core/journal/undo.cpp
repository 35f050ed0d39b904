// Undo of the newest kept run, and the list of kept runs with their clean-up. It stays whole: all of it reads
// the same journal records and kept files, and undoing one change needs the others' checks.
#include "core/journal/undo.h"

#include "core/journal/contents_batch.h"
#include "core/journal/file_reasons.h"
#include "core/journal/run_journal.h"
#include "core/platform/held_file.h"
#include "core/platform/leftover_names.h"
#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace morvane {

namespace {

namespace fs = std::filesystem;

std::optional<UndoRecord> readRecord(const std::string& journal) {
    std::string text;
    if (!platform::readRegularFile(journal, text).empty()) {
        return std::nullopt;
    }
    return readUndoRecord(text);
}

// An entry put aside while names were swapped is one entry renamed, not two.
bool isAsideName(const std::string& path) {
    const std::optional<LeftoverNameParts> parts = parseLeftoverName(fileNameOf(path));
    return parts && parts->kind == LeftoverKind::Aside;
}

// Where an entry put aside goes back to when a cycle is taken back as a whole: the name it had before, which
// its aside name carries.
std::string nameBeforeAside(const std::string& path) {
    const std::string name = fileNameOf(path);
    const std::optional<LeftoverNameParts> parts = parseLeftoverName(name);
    return parts && parts->kind == LeftoverKind::Aside ? splitPath(path).folder + std::string(parts->fileName)
                                                       : std::string();
}

JournaledRun summaryOf(const std::string& journal, const UndoRecord& record) {
    JournaledRun run;
    run.journal = journal;
    run.startedNanoseconds = record.startedNanoseconds;
    run.names = record.heading.names;
    run.interrupted = record.interrupted;
    run.undone = record.undone;
    const auto known = [](const auto& change) { return change.left.known; };
    if (record.heading.names) {
        run.changed = static_cast<std::size_t>(
            std::count_if(record.renames.begin(), record.renames.end(), [&](const RecordedRename& rename) {
                return known(rename) && !isAsideName(rename.to);
            }));
        return run;
    }
    // Each file once, whether written or only touched, and however many rows named it.
    std::unordered_set<std::string> changed;
    for (const RecordedContents& change : record.contents) {
        if (change.left.known) {
            changed.insert(change.target);
        }
    }
    for (const RecordedTouch& touch : record.touches) {
        if (touch.left.known) {
            changed.insert(touch.target);
        }
    }
    run.changed = changed.size();
    return run;
}

// A file named more than once in a run goes back to what it held before the run's first change, and only
// while it is as the run's last change left it.
struct ContentsChange {
    std::string target;
    std::string kept;
    LeftIdentity left;
};

std::vector<ContentsChange> changesByFile(const std::string& journal,
                                          const std::vector<RecordedContents>& recorded) {
    const std::string keptFolder = keptFolderOf(journal);
    std::vector<ContentsChange> changes;
    std::unordered_map<std::string, std::size_t> index;
    for (const RecordedContents& change : recorded) {
        const auto [found, added] = index.try_emplace(change.target, changes.size());
        if (added) {
            changes.push_back(ContentsChange{change.target, joinPath(keptFolder, change.kept), change.left});
        } else if (change.left.known) {
            changes[found->second].left = change.left;
        }
    }
    return changes;
}

// The bytes of a file, read in blocks, by the hash the journal records of what a run leaves.
std::string hashOfFile(const std::string& path, std::uint64_t& hash) {
    platform::FileReader reader;
    if (std::string reason = reader.open(path); !reason.empty()) {
        return reason;
    }
    ContentHasher hasher;
    std::string block(std::size_t{1} << 20, '\0');
    for (std::size_t got = 1; got > 0;) {
        if (std::string reason = reader.read(block, got); !reason.empty()) {
            return reason;
        }
        hasher.add(std::string_view(block.data(), got));
    }
    hash = hasher.value();
    return {};
}

bool isEntry(const platform::FileIdentity& found, const platform::FileIdentity& entry) {
    return found.known && entry.known && found.device == entry.device && found.inode == entry.inode;
}

// Whether the file found holds bytes of this size and hash; a reason in unreadable when it cannot tell.
bool holds(const std::string& path, const platform::FileIdentity& found, std::uint64_t size,
           std::uint64_t hash, std::string& unreadable) {
    if (!found.known || found.size != size) {
        return false;
    }
    std::uint64_t now = 0;
    unreadable = hashOfFile(path, now);
    return unreadable.empty() && now == hash;
}

// Whether a file is still as the run left it, decided the same way for the files it wrote and those it only
// touched: the very file, unchanged, by its identity; or, where the undo of a later run wrote it anew, the
// same bytes, by their size and hash (which a touch line of an older journal does not give).
bool asTheRunLeftIt(const std::string& path, const platform::FileIdentity& found, const LeftIdentity& left,
                    std::string& unreadable) {
    return platform::sameFile(found, left) ||
           (left.hash != 0 && holds(path, found, left.size, left.hash, unreadable));
}

// Whether the file holds what the kept file holds: an undo cut short put it back already.
bool holdsKept(const std::string& path, const platform::FileIdentity& found, const std::string& kept,
               const platform::FileIdentity& keptFound, std::string& unreadable) {
    if (isEntry(found, keptFound)) {
        return true;
    }
    std::uint64_t keptHash = 0;
    return found.known && keptFound.known && found.size == keptFound.size &&
           hashOfFile(kept, keptHash).empty() && holds(path, found, keptFound.size, keptHash, unreadable);
}

std::string whyUnreadable(const std::string& path) {
    platform::FileReader reader;
    std::string reason = reader.open(path);
    return reason.empty() ? std::string(platform::kNotRegularFile) : reason;
}

// As many files as a run commits together: their new names reach the disk with a flush of each folder once.
constexpr std::size_t kBatchFiles = 256;

class Undoing {
public:
    Undoing(UndoResult& result, bool interrupted, UndoJournal& journal)
        : result_(result), interrupted_(interrupted), journal_(journal) {}

    void contents(const ContentsChange& change);
    void commit();
    void touch(const RecordedTouch& touch);
    void rename(const RecordedRename& rename);
    void flushRenames() const { platform::flushFolders({renamedIn_.begin(), renamedIn_.end()}); }
    bool keptStillNeeded() const { return keptNeeded_; }
    // Some change could not be put back for a cause that may pass (a full disk, a file in use): the run
    // stays to be undone again, which finishes the rest.
    std::size_t unfinished() const { return unfinished_; }
    std::vector<NameBack> namesBack() const;

private:
    // Whether what is left may still go back when undo is run again, or is as it will stay.
    enum class Left { ForGood, ForNow };
    void leave(const std::string& path, std::string reason, Left left, const std::string& kept = {}) {
        keptNeeded_ = keptNeeded_ || !kept.empty();
        unfinished_ += left == Left::ForNow ? 1 : 0;
        result_.left.push_back(UndoNote{path, std::move(reason), kept});
    }
    void putBack(const ContentsChange& change, const platform::FileIdentity& found);
    void putBackInPlace(const ContentsChange& change, const platform::FileIdentity& found);

    void letGoOfAside(const std::string& aside) {
        if (const auto held = asideHolds_.find(aside); held != asideHolds_.end()) {
            held->second.remove();
            asideHolds_.erase(held);
        }
    }

    UndoResult& result_;
    // A run that ended by itself recorded what each change left, or the change failed and was reported:
    // only a run cut short can have changed something without saying what it left.
    bool interrupted_;
    UndoJournal& journal_;
    bool keptNeeded_ = false;
    std::size_t unfinished_ = 0;
    struct Pending {
        const ContentsChange* change;
        PendingWrite write;
    };
    std::vector<Pending> batch_;
    std::vector<NameBack> renamedBack_; // in the order undo put them back
    std::set<std::string> renamedIn_;
    // The entries undo has put aside on their way back, held as a run holds them (see HeldFile::holdAside).
    std::unordered_map<std::string, platform::HeldFile> asideHolds_;
};

void Undoing::contents(const ContentsChange& change) {
    const platform::FileIdentity found = platform::fileIdentity(change.target);
    const platform::FileIdentity kept = platform::fileIdentity(change.kept);
    const std::string keptIn = kept.known ? change.kept : std::string();
    std::string unreadable;
    if (!change.left.known) {
        // The run stopped before the change, or before it could record what it left.
        if (interrupted_ && !holdsKept(change.target, found, change.kept, kept, unreadable)) {
            leave(change.target, "the run did not finish changing it", Left::ForGood, keptIn);
        }
        return;
    }
    if (!found.known) {
        leave(change.target, cannotReadText(whyUnreadable(change.target)), Left::ForGood, keptIn);
        return;
    }
    if (isEntry(found, kept)) {
        ++result_.restored; // linked back by an undo cut short, and now run again
        return;
    }
    if (!asTheRunLeftIt(change.target, found, change.left, unreadable)) {
        if (unreadable.empty() && holdsKept(change.target, found, change.kept, kept, unreadable)) {
            ++result_.restored; // copied back by an undo cut short
        } else if (!unreadable.empty()) {
            leave(change.target, cannotReadText(unreadable), Left::ForNow, keptIn);
        } else {
            leave(change.target, "changed since the run", Left::ForGood, keptIn);
        }
        return;
    }
    if (!kept.known) {
        leave(change.target, "its old contents are no longer kept", Left::ForGood);
        return;
    }
    putBack(change, found);
}

// The kept file goes back as the run made the new one: prepared beside the file, then committed with the
// others of its batch (see commitWrites). A file the run rewrote in place is put back in place.
void Undoing::putBack(const ContentsChange& change, const platform::FileIdentity& found) {
    PendingWrite write;
    write.path = change.target;
    write.readAs = found;
    write.replacement = platform::prepareReplacementFrom(change.target, change.kept, found, &journal_);
    if (journal_.failed()) {
        leave(change.target, cannotWriteText("the run's journal cannot be written"), Left::ForNow,
              change.kept);
        return;
    }
    if (write.replacement.mustRewriteInPlace()) {
        putBackInPlace(change, found);
        return;
    }
    if (!write.replacement.error().empty()) {
        leave(change.target, cannotWriteText(write.replacement.error()), Left::ForNow, change.kept);
        return;
    }
    batch_.push_back(Pending{&change, std::move(write)});
    if (batch_.size() == kBatchFiles) {
        commit();
    }
}

void Undoing::commit() {
    std::vector<PendingWrite*> writes;
    for (Pending& pending : batch_) {
        writes.push_back(&pending.write);
    }
    const std::vector<std::string> reasons = commitWrites(writes, nullptr, nullptr);
    for (std::size_t i = 0; i < batch_.size(); ++i) {
        if (reasons[i].empty()) {
            ++result_.restored;
        } else {
            leave(batch_[i].change->target, cannotWriteText(reasons[i]), Left::ForNow,
                  batch_[i].change->kept);
        }
    }
    batch_.clear();
}

// Every name of the file sees its old contents again; the journal lets the clear-up finish a rewrite cut
// short, and the file is then as the run left it, to be put back by the next undo.
void Undoing::putBackInPlace(const ContentsChange& change, const platform::FileIdentity& found) {
    std::string old;
    if (std::string reason = platform::readRegularFile(change.kept, old); !reason.empty()) {
        leave(change.target, "its old contents cannot be read: " + reason, Left::ForNow, change.kept);
        return;
    }
    if (std::string reason = platform::replaceFileContents(change.target, old, &found, &journal_);
        !reason.empty()) {
        leave(change.target, cannotWriteText(reason), Left::ForNow, change.kept);
        return;
    }
    ++result_.restored;
}

void Undoing::touch(const RecordedTouch& touch) {
    if (!touch.left.known) {
        return; // the time alone is lost
    }
    const platform::FileIdentity found = platform::fileIdentity(touch.target);
    // An undo cut short set the time back already (and a touch line of an older journal has no hash).
    const bool back = isEntry(found, touch.left) && found.size == touch.left.size &&
                      found.modifiedNanoseconds == touch.oldModifiedNanoseconds;
    std::string unreadable;
    if (!back && !asTheRunLeftIt(touch.target, found, touch.left, unreadable)) {
        if (unreadable.empty()) {
            leave(touch.target, "changed since the run", Left::ForGood);
        } else {
            leave(touch.target, cannotReadText(unreadable), Left::ForNow);
        }
        return;
    }
    if (std::string reason =
            back ? std::string() : platform::setModifiedTime(touch.target, touch.oldModifiedNanoseconds);
        !reason.empty()) {
        leave(touch.target, "its time cannot be set back: " + reason, Left::ForNow);
        return;
    }
    ++result_.restored;
}

void Undoing::rename(const RecordedRename& rename) {
    if (!rename.left.known) {
        std::error_code error;
        if (interrupted_ && !fs::exists(fs::symlink_status(toFsPath(rename.from), error))) {
            leave(rename.to, "the run did not record what it renamed \"" + rename.from + "\" to",
                  Left::ForGood);
        }
        return;
    }
    // Only the entry itself counts: a file's contents may change under its new name.
    if (!isEntry(platform::fileIdentity(rename.to), rename.left)) {
        // Put back by an undo cut short, or by the clear-up after it, which takes back a cycle as a whole and
        // so puts an entry that was aside straight back to the name it had.
        const std::string before = nameBeforeAside(rename.from);
        if (isEntry(platform::fileIdentity(rename.from), rename.left) ||
            (!before.empty() && isEntry(platform::fileIdentity(before), rename.left))) {
            renamedBack_.push_back(NameBack{rename.to, rename.from});
            result_.restored += isAsideName(rename.to) ? 0 : 1;
        } else {
            leave(rename.to, "renamed, removed or replaced since the run", Left::ForGood);
        }
        return;
    }
    if (isAsideName(rename.from)) {
        platform::HeldFile hold = platform::HeldFile::holdAside(rename.from);
        if (!hold.held()) {
            leave(rename.to, "cannot be renamed back: " + asideNameNotHeldText(rename.from), Left::ForNow);
            return;
        }
        asideHolds_.insert_or_assign(rename.from, std::move(hold));
    }
    if (std::string reason = platform::renameNoReplace(rename.to, rename.from); !reason.empty()) {
        std::error_code error;
        const bool taken = fs::exists(fs::symlink_status(toFsPath(rename.from), error));
        leave(rename.to, "cannot be renamed back to \"" + rename.from + "\": " + reason,
              taken ? Left::ForGood : Left::ForNow);
        letGoOfAside(rename.from);
        return;
    }
    renamedBack_.push_back(NameBack{rename.to, rename.from});
    letGoOfAside(rename.to);
    const std::string folder = splitPath(rename.from).folder;
    renamedIn_.insert(folder.empty() ? "." : folder);
    if (!isAsideName(rename.to)) {
        ++result_.restored;
    }
}

// A name renamed twice by the run went back in two steps; the window knows it by the last only.
std::vector<NameBack> Undoing::namesBack() const {
    std::vector<NameBack> names;
    std::unordered_map<std::string, std::size_t> byBack;
    for (const NameBack& step : renamedBack_) {
        const auto earlier = byBack.find(step.now);
        if (earlier == byBack.end()) {
            byBack[step.back] = names.size();
            names.push_back(step);
            continue;
        }
        const std::size_t at = earlier->second;
        byBack.erase(earlier);
        names[at].back = step.back;
        byBack[step.back] = at;
    }
    return names;
}

// What the run's kept old contents take on disk: a kept file that is still another file's name as well costs
// nothing.
std::uint64_t bytesOnlyKept(const std::string& journal) {
    std::uint64_t bytes = 0;
    std::error_code error;
    for (fs::directory_iterator it(toFsPath(keptFolderOf(journal)), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code unknown;
        const std::uintmax_t links = it->hard_link_count(unknown);
        const std::uintmax_t size = unknown ? 0 : it->file_size(unknown);
        bytes += !unknown && links == 1 ? size : 0;
    }
    return bytes;
}

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    if (bytes >= kGiB) {
        const std::uint64_t tenths = bytes / (kGiB / 10);
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " GiB";
    }
    return bytes >= kMiB ? std::to_string(bytes / kMiB) + " MiB" : std::to_string(bytes) + " bytes";
}

std::string realPath(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(toFsPath(path), error);
    return error ? path : fromFsPath(real);
}

void removeKept(const std::string& journal) {
    std::error_code ignored;
    fs::remove_all(toFsPath(keptFolderOf(journal)), ignored);
}

} // namespace

std::vector<JournaledRun> listRuns(const std::string& journalFolder) {
    std::vector<JournaledRun> runs;
    std::error_code error;
    for (fs::directory_iterator it(toFsPath(journalFolder), error), end; !error && it != end;
         it.increment(error)) {
        if (!isJournalName(fromFsPath(it->path().filename()))) {
            continue;
        }
        const std::string journal = fromFsPath(it->path());
        if (const std::optional<UndoRecord> record = readRecord(journal); record && record->ended) {
            runs.push_back(summaryOf(journal, *record));
        }
    }
    std::sort(runs.begin(), runs.end(), [](const JournaledRun& a, const JournaledRun& b) {
        return a.startedNanoseconds != b.startedNanoseconds ? a.startedNanoseconds > b.startedNanoseconds
                                                            : a.journal > b.journal;
    });
    return runs;
}

void dropOldestRuns(const std::string& journalFolder, std::size_t keepRuns, std::uint64_t keepBytes) {
    // Reading every journal takes long after runs over many files; counting them and the size of what they
    // keep is cheap.
    std::size_t journals = 0;
    std::uint64_t keptBytes = 0;
    std::error_code error;
    for (fs::directory_iterator it(toFsPath(journalFolder), error), end; !error && it != end;
         it.increment(error)) {
        if (isJournalName(fromFsPath(it->path().filename()))) {
            ++journals;
            keptBytes += bytesOnlyKept(fromFsPath(it->path()));
        }
    }
    if (journals <= keepRuns && keptBytes <= keepBytes) {
        return;
    }
    const std::vector<JournaledRun> runs = listRuns(journalFolder);
    std::uint64_t kept = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        kept += bytesOnlyKept(runs[i].journal);
        if (i == 0 || (i < keepRuns && kept <= keepBytes)) {
            continue;
        }
        platform::HeldFile journal = platform::HeldFile::take(runs[i].journal);
        if (!journal.held()) {
            continue;
        }
        // The old contents first: a journal whose kept files are gone still reads, and undo says so.
        removeKept(runs[i].journal);
        journal.remove();
    }
}

std::string tooLargeForUndo(std::uint64_t changedBytes, std::uint64_t keepBytes) {
    if (changedBytes <= keepBytes) {
        return {};
    }
    return "it could change " + sizeText(changedBytes) + " of files, more than the " + sizeText(keepBytes) +
           " that are kept for undo";
}

UndoResult undoNewestRun(const std::string& journalFolder, platform::WriteJournal* watcher) {
    UndoResult result;
    const std::vector<JournaledRun> runs = listRuns(journalFolder);
    const auto newest =
        std::find_if(runs.begin(), runs.end(), [](const JournaledRun& r) { return !r.undone; });
    if (newest == runs.end()) {
        return result;
    }
    result.found = true;
    result.run = *newest;
    // Held while undoing, so that a second undo at the same time cannot take the same run.
    platform::HeldFile held = platform::HeldFile::take(newest->journal);
    const std::optional<UndoRecord> record = held.held() ? readRecord(newest->journal) : std::nullopt;
    if (!record || record->undone) {
        result.failure = "the run's journal \"" + newest->journal + "\" cannot be taken";
        return result;
    }
    UndoJournal journal(held, watcher);
    if (std::string reason = journal.begin(); !reason.empty()) {
        result.failure = std::move(reason);
        return result;
    }
    Undoing undoing(result, record->interrupted, journal);
    if (record->heading.names) {
        for (auto rename = record->renames.rbegin(); rename != record->renames.rend(); ++rename) {
            undoing.rename(*rename);
        }
        undoing.flushRenames();
        result.namesBack = undoing.namesBack();
    } else {
        const std::vector<ContentsChange> changes = changesByFile(newest->journal, record->contents);
        // A file that the run also wrote takes the time of the write that puts its contents back. The run
        // names a written file where links led it and a touched one as the row did.
        std::unordered_set<std::string> written;
        for (const ContentsChange& change : changes) {
            written.insert(realPath(change.target));
        }
        for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
            undoing.contents(*change);
        }
        undoing.commit();
        for (auto touch = record->touches.rbegin(); touch != record->touches.rend(); ++touch) {
            if (!written.contains(realPath(touch->target))) {
                undoing.touch(*touch);
            }
        }
    }
    const bool finished = undoing.unfinished() == 0;
    if (std::string reason = journal.end(finished); !reason.empty()) {
        result.failure = std::move(reason);
        return result;
    }
    if (!finished) {
        result.failure =
            std::to_string(undoing.unfinished()) +
            " could not be put back yet; the run stays to be undone, and undo puts back the rest";
        return result;
    }
    result.run.undone = true;
    if (!undoing.keptStillNeeded()) {
        removeKept(newest->journal);
    }
    return result;
}

} // namespace morvane
