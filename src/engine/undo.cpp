#include "engine/undo.h"

#include "engine/run_journal.h"
#include "util/held_file.h"
#include "util/leftover_names.h"
#include "util/paths.h"
#include "util/platform_fs.h"

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
    const std::optional<LeftoverNameParts> parts = parseLeftoverName(DateiNameHolen(path));
    return parts && parts->kind == LeftoverKind::Aside;
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

class Undoing {
public:
    Undoing(UndoResult& result, bool interrupted) : result_(result), interrupted_(interrupted) {}

    void contents(const ContentsChange& change);
    void touch(const RecordedTouch& touch);
    void rename(const RecordedRename& rename);
    bool keptStillNeeded() const { return keptNeeded_; }
    std::vector<NameBack> namesBack() const;

private:
    void leave(const std::string& path, std::string reason, const std::string& kept = {}) {
        keptNeeded_ = keptNeeded_ || !kept.empty();
        result_.left.push_back(UndoNote{path, std::move(reason), kept});
    }

    UndoResult& result_;
    // A run that ended by itself recorded what each change left, or the change failed and was reported:
    // only a run cut short can have changed something without saying what it left.
    bool interrupted_;
    bool keptNeeded_ = false;
    std::vector<NameBack> renamedBack_; // in the order undo put them back
};

void Undoing::contents(const ContentsChange& change) {
    std::string now;
    platform::FileIdentity found;
    const std::string unreadable = platform::readRegularFile(change.target, now, &found);
    std::string old;
    const bool oldKept = platform::readRegularFile(change.kept, old).empty();
    if (!change.left.known) {
        // The run stopped before the change, or before it could record what it left.
        if (interrupted_ && (!oldKept || !unreadable.empty() || now != old)) {
            leave(change.target, "the run did not finish changing it", oldKept ? change.kept : "");
        }
        return;
    }
    if (!unreadable.empty()) {
        leave(change.target, "cannot be read: " + unreadable, oldKept ? change.kept : "");
        return;
    }
    // By contents: undoing a later run writes the file anew, and what it then holds is what this run left.
    if (now.size() != change.left.size || contentHash(now) != change.left.hash) {
        leave(change.target, "changed since the run", oldKept ? change.kept : "");
        return;
    }
    if (!oldKept) {
        leave(change.target, "its old contents are no longer kept");
        return;
    }
    if (std::string reason = platform::replaceFileContents(change.target, old, &found); !reason.empty()) {
        leave(change.target, "cannot be written: " + reason, change.kept);
        return;
    }
    ++result_.restored;
}

void Undoing::touch(const RecordedTouch& touch) {
    if (!touch.left.known) {
        return; // the time alone is lost
    }
    const platform::FileIdentity found = platform::fileIdentity(touch.target);
    if (!platform::sameFile(found, touch.left)) {
        leave(touch.target, "changed since the run");
        return;
    }
    if (std::string reason = platform::setModifiedTime(touch.target, touch.oldModifiedNanoseconds);
        !reason.empty()) {
        leave(touch.target, "its time cannot be set back: " + reason);
        return;
    }
    ++result_.restored;
}

void Undoing::rename(const RecordedRename& rename) {
    if (!rename.left.known) {
        std::error_code error;
        if (interrupted_ && !fs::exists(fs::symlink_status(toFsPath(rename.from), error))) {
            leave(rename.to, "the run did not record what it renamed \"" + rename.from + "\" to");
        }
        return;
    }
    const platform::FileIdentity found = platform::fileIdentity(rename.to);
    // Only the entry itself counts: a file's contents may change under its new name.
    if (!found.known || found.device != rename.left.device || found.inode != rename.left.inode) {
        leave(rename.to, "renamed, removed or replaced since the run");
        return;
    }
    if (std::string reason = platform::renameNoReplace(rename.to, rename.from); !reason.empty()) {
        leave(rename.to, "cannot be renamed back to \"" + rename.from + "\": " + reason);
        return;
    }
    renamedBack_.push_back(NameBack{rename.to, rename.from});
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

std::string tooLargeForUndo(const std::vector<std::string>& files, std::uint64_t keepBytes) {
    std::uint64_t bytes = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> counted;
    for (const std::string& path : files) {
        const platform::FileIdentity file = platform::fileIdentity(path);
        if (file.known && isRegularFile(path) && counted.emplace(file.device, file.inode).second) {
            bytes += file.size;
        }
    }
    if (bytes <= keepBytes) {
        return {};
    }
    return "it could change " + sizeText(bytes) + " of files, more than the " + sizeText(keepBytes) +
           " that are kept for undo";
}

UndoResult undoNewestRun(const std::string& journalFolder) {
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
    Undoing undoing(result, record->interrupted);
    if (record->heading.names) {
        for (auto rename = record->renames.rbegin(); rename != record->renames.rend(); ++rename) {
            undoing.rename(*rename);
        }
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
        for (auto touch = record->touches.rbegin(); touch != record->touches.rend(); ++touch) {
            if (!written.contains(realPath(touch->target))) {
                undoing.touch(*touch);
            }
        }
    }
    if (std::string reason = platform::appendToFile(newest->journal, undoneLine()); !reason.empty()) {
        result.failure = "the run cannot be marked undone in \"" + newest->journal + "\": " + reason;
        return result;
    }
    result.run.undone = true;
    if (!undoing.keptStillNeeded()) {
        removeKept(newest->journal);
    }
    return result;
}

} // namespace morvane
