#include "engine/undo.h"

#include "engine/run_journal.h"
#include "util/held_file.h"
#include "util/paths.h"
#include "util/platform_fs.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_map>

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

JournaledRun summaryOf(const std::string& journal, const UndoRecord& record) {
    JournaledRun run;
    run.journal = journal;
    run.startedNanoseconds = record.startedNanoseconds;
    run.names = record.heading.names;
    run.interrupted = record.interrupted;
    run.undone = record.undone;
    run.changed = static_cast<std::size_t>(
        record.heading.names ? std::count_if(record.renames.begin(), record.renames.end(),
                                             [](const RecordedRename& r) { return r.left.known; })
                             : std::count_if(record.contents.begin(), record.contents.end(),
                                             [](const RecordedContents& c) { return c.left.known; }));
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
    explicit Undoing(UndoResult& result) : result_(result) {}

    void contents(const ContentsChange& change);
    void rename(const RecordedRename& rename);
    bool keptStillNeeded() const { return keptNeeded_; }

private:
    void leave(const std::string& path, std::string reason, const std::string& kept = {}) {
        keptNeeded_ = keptNeeded_ || !kept.empty();
        result_.left.push_back(UndoNote{path, std::move(reason), kept});
    }

    UndoResult& result_;
    bool keptNeeded_ = false;
};

void Undoing::contents(const ContentsChange& change) {
    std::string now;
    platform::FileIdentity found;
    const std::string unreadable = platform::readRegularFile(change.target, now, &found);
    std::string old;
    const bool oldKept = platform::readRegularFile(change.kept, old).empty();
    if (!change.left.known) {
        // The run stopped before the change, or before it could record what it left.
        if (!oldKept || !unreadable.empty() || now != old) {
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

void Undoing::rename(const RecordedRename& rename) {
    if (!rename.left.known) {
        std::error_code error;
        if (!fs::exists(fs::symlink_status(toFsPath(rename.from), error))) {
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
    ++result_.restored;
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

void dropOldestRuns(const std::string& journalFolder, std::size_t keep) {
    // Reading every journal takes long after runs over many files; counting them is cheap.
    std::size_t journals = 0;
    std::error_code error;
    for (fs::directory_iterator it(toFsPath(journalFolder), error), end; !error && it != end;
         it.increment(error)) {
        journals += isJournalName(fromFsPath(it->path().filename())) ? 1 : 0;
    }
    if (journals <= keep) {
        return;
    }
    const std::vector<JournaledRun> runs = listRuns(journalFolder);
    for (std::size_t i = keep; i < runs.size(); ++i) {
        platform::HeldFile journal = platform::HeldFile::take(runs[i].journal);
        if (!journal.held()) {
            continue;
        }
        // The old contents first: a journal whose kept files are gone still reads, and undo says so.
        removeKept(runs[i].journal);
        journal.remove();
    }
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
    Undoing undoing(result);
    if (record->heading.names) {
        for (auto rename = record->renames.rbegin(); rename != record->renames.rend(); ++rename) {
            undoing.rename(*rename);
        }
    } else {
        const std::vector<ContentsChange> changes = changesByFile(newest->journal, record->contents);
        for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
            undoing.contents(*change);
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
