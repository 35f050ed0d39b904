#include "core/journal/leftovers.h"

#include "core/journal/run_journal.h"
#include "core/platform/held_file.h"
#include "core/platform/leftover_names.h"
#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <unordered_set>

namespace morvane {

namespace {

namespace fs = std::filesystem;

// How much later than the journal's last sign of life the run's own writes may have left the file's
// modification time: the journal is touched before every step of a rewrite, and a step takes well under this.
constexpr std::int64_t kRewriteStepSlackNanoseconds = 10'000'000'000;
// Enough for the last line of a journal that has ended.
constexpr std::size_t kJournalTailBytes = 4096;

// Whether the bytes are what a rewrite in place leaves when it stops part way, writing the new contents from
// the start over the old ones and cutting the file to the new length last: never shorter than the old
// contents, never longer than the longer of the two, and old bytes wherever the new contents do not reach.
bool couldBeCutShort(std::string_view now, std::string_view old, std::uint64_t newSize) {
    if (now.size() < old.size() || now.size() > std::max<std::uint64_t>(old.size(), newSize)) {
        return false;
    }
    return newSize >= now.size() || now.substr(newSize) == old.substr(newSize, now.size() - newSize);
}

// Whether the journal has ended, told by its last bytes: most journals in the folder are of runs that ended,
// and one kept for undo may hold megabytes before its last line, which every start of the program would read.
bool endedByItsTail(const std::string& path) {
    platform::FileReader reader;
    platform::FileIdentity identity;
    if (!reader.open(path, &identity).empty()) {
        return false;
    }
    reader.skip(identity.size - std::min<std::uint64_t>(identity.size, kJournalTailBytes));
    std::string tail(kJournalTailBytes, '\0');
    std::size_t got = 0;
    if (!reader.read(std::span(tail.data(), tail.size()), got).empty()) {
        return false;
    }
    tail.resize(got);
    return endsJournal(tail);
}

std::string pathIn(const std::string& folder, const fs::path& name) {
    return fromFsPath(toFsPath(folder) / name);
}

class Clearing {
public:
    void rewrite(const RecordedRewrite& recorded, std::int64_t journalTouched);
    void folder(const std::string& folder);
    void runInterrupted(const std::string& journal) { note(journal, LeftoverAction::RunInterrupted); }
    void undoInterrupted(const std::string& journal) { note(journal, LeftoverAction::UndoInterrupted); }
    void runNotClosed(const std::string& journal, std::string reason) {
        note(journal, LeftoverAction::RunNotClosed, std::move(reason));
    }
    void keptDropped(const std::string& kept) { note(kept, LeftoverAction::KeptDropped); }
    void asideBack(const std::string& path) { note(path, LeftoverAction::AsidePutBack); }
    std::vector<LeftoverNote> takeNotes() { return std::move(notes_); }

private:
    void note(std::string path, LeftoverAction action, std::string reason = {}, std::string keptIn = {}) {
        notes_.push_back(LeftoverNote{std::move(path), action, std::move(reason), std::move(keptIn)});
    }
    void keep(platform::HeldFile& backup, const std::string& target, std::string reason,
              LeftoverAction action = LeftoverAction::BackupKept);
    void aside(const std::string& folder, const std::string& path, std::string_view name,
               std::string_view entryName);
    void putAsideBack(const std::string& folder, const std::string& path, std::string_view name,
                      std::string_view entryName);
    void backupWithoutJournal(platform::HeldFile& backup, const std::string& folder, std::string_view name,
                              std::string_view fileName);

    std::vector<LeftoverNote> notes_;
    std::unordered_set<std::string> handled_; // backups their journal dealt with
};

void Clearing::keep(platform::HeldFile& backup, const std::string& target, std::string reason,
                    LeftoverAction action) {
    const fs::path path = toFsPath(backup.path());
    const std::string kept = fromFsPath(path.parent_path() / keptBackupName(fromFsPath(path.filename())));
    const bool renamed = platform::renameNoReplace(backup.path(), kept).empty();
    note(target, action, std::move(reason), renamed ? kept : backup.path());
}

void Clearing::rewrite(const RecordedRewrite& recorded, std::int64_t journalTouched) {
    handled_.insert(recorded.backup);
    platform::HeldFile backup = platform::HeldFile::take(recorded.backup);
    if (backup.state() == platform::HeldFile::State::InUse) {
        return;
    }
    if (backup.state() == platform::HeldFile::State::Failed) {
        note(recorded.target, LeftoverAction::BackupKept, "its backup cannot be opened", recorded.backup);
        return;
    }
    platform::FileIdentity target;
    std::string now;
    const std::string unreadable = platform::readRegularFile(recorded.target, now, &target);
    const bool readable = unreadable.empty();
    const bool sameFile = readable && target.device == recorded.device && target.inode == recorded.inode;
    const auto holds = [&](std::uint64_t size, std::uint64_t hash) {
        return readable && now.size() == size && contentHash(now) == hash;
    };
    const bool isNew = holds(recorded.newSize, recorded.newHash);
    const bool isOld = holds(recorded.oldSize, recorded.oldHash);
    if (!backup.held()) {
        // The backup goes before the journal hears that the rewrite ended.
        if (!isNew && !isOld) {
            note(recorded.target, LeftoverAction::BackupLost);
        }
        return;
    }
    std::string old;
    if (!platform::readRegularFile(backup.path(), old).empty() || old.size() != recorded.oldSize ||
        contentHash(old) != recorded.oldHash) {
        keep(backup, recorded.target, "its backup does not hold what the journal recorded");
    } else if (!readable) {
        keep(backup, recorded.target, "the file cannot be read: " + unreadable);
    } else if (!sameFile) {
        keep(backup, recorded.target, "the file was replaced since");
    } else if (isNew || isOld) {
        backup.remove();
        note(recorded.target, isNew ? LeftoverAction::RewriteFinished : LeftoverAction::RewriteNotBegun);
    } else if (!couldBeCutShort(now, old, recorded.newSize) ||
               target.modifiedNanoseconds > journalTouched + kRewriteStepSlackNanoseconds) {
        keep(backup, recorded.target, "the file was changed after the rewrite stopped");
    } else if (std::string reason = platform::putBackInPlace(recorded.target, old, target); !reason.empty()) {
        keep(backup, recorded.target, std::move(reason), LeftoverAction::NotPutBack);
    } else {
        backup.remove();
        note(recorded.target, LeftoverAction::PutBack);
    }
}

// A backup no journal speaks of: the run had none, or was stopped before its journal named the backup, when
// the file is still whole. Only a file of the same bytes shows that nothing is lost.
void Clearing::backupWithoutJournal(platform::HeldFile& backup, const std::string& folder,
                                    std::string_view name, std::string_view fileName) {
    if (mayBeCutShort(name, platform::nameMax(folder))) {
        keep(backup, backup.path(), "its name does not say which file it belongs to");
        return;
    }
    const std::string target = pathIn(folder, toFsPath(std::string(fileName)));
    std::string old;
    std::string now;
    if (platform::readRegularFile(backup.path(), old).empty() &&
        platform::readRegularFile(target, now).empty() && now == old) {
        backup.remove();
        note(target, LeftoverAction::RewriteNotBegun);
        return;
    }
    keep(backup, target, "no journal tells how far the rewrite got");
}

// An entry put aside while names were swapped is no file of ours to remove: it goes back to the name it
// carries, or where that is taken or cut short, to a visible name beside it. One whose hold a live run still
// has is on its way, and left to that run; a hold nobody has any more goes with it.
void Clearing::aside(const std::string& folder, const std::string& path, std::string_view name,
                     std::string_view entryName) {
    platform::HeldFile hold = platform::HeldFile::take(pathIn(folder, toFsPath(*holdNameOfAside(name))));
    if (hold.state() == platform::HeldFile::State::InUse ||
        hold.state() == platform::HeldFile::State::Failed) {
        return;
    }
    std::error_code error;
    // Its run may have taken it on since the folder was read, before it let go of the hold.
    if (!fs::exists(fs::symlink_status(toFsPath(path), error))) {
        return;
    }
    putAsideBack(folder, path, name, entryName);
    if (hold.held()) {
        hold.remove();
    }
}

void Clearing::putAsideBack(const std::string& folder, const std::string& path, std::string_view name,
                            std::string_view entryName) {
    if (!mayBeCutShort(name, platform::nameMax(folder))) {
        const std::string old = pathIn(folder, toFsPath(std::string(entryName)));
        if (platform::renameNoReplace(path, old).empty()) {
            note(old, LeftoverAction::AsidePutBack);
            return;
        }
    }
    const std::string visible = pathIn(folder, toFsPath(keptBackupName(name)));
    const bool renamed = platform::renameNoReplace(path, visible).empty();
    note(renamed ? visible : path, LeftoverAction::AsideKept, "its old name is taken or not known");
}

void Clearing::folder(const std::string& folder) {
    struct Found {
        std::string path;
        std::string name;
    };
    std::vector<Found> found;
    std::error_code error;
    for (fs::directory_iterator it(toFsPath(folder), error), end; !error && it != end; it.increment(error)) {
        std::string name = fromFsPath(it->path().filename());
        if (name.starts_with('.') && parseLeftoverName(name)) {
            found.push_back(Found{fromFsPath(it->path()), std::move(name)});
        }
    }
    for (const Found& leftover : found) {
        if (handled_.contains(leftover.path)) {
            continue;
        }
        if (const LeftoverNameParts parts = *parseLeftoverName(leftover.name);
            parts.kind == LeftoverKind::Aside) {
            aside(folder, leftover.path, leftover.name, parts.fileName);
            continue;
        }
        platform::HeldFile held = platform::HeldFile::take(leftover.path);
        if (!held.held()) {
            continue;
        }
        const LeftoverNameParts parts = *parseLeftoverName(leftover.name);
        if (parts.kind == LeftoverKind::Backup) {
            backupWithoutJournal(held, folder, leftover.name, parts.fileName);
        } else if (parts.kind == LeftoverKind::Hold) {
            // Only a mark, and the aside entry it held is dealt with on its own.
            held.remove();
        } else if (held.remove()) {
            note(leftover.path, LeftoverAction::TemporaryRemoved);
        }
    }
}

// Old contents kept for a run whose journal is gone: nothing can put them back, and nothing else refers to
// them. A run makes its journal before its kept folder, and whatever removes a journal removes the folder
// first, so no run still at work has a kept folder without its journal.
void dropUnnamedKeptFolders(const std::string& journalFolder, Clearing& clearing) {
    std::vector<std::string> unnamed;
    std::error_code error;
    for (fs::directory_iterator it(toFsPath(journalFolder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string kept = fromFsPath(it->path());
        const std::string journal = journalOfKeptFolder(kept);
        std::error_code unknown;
        if (!journal.empty() && it->is_directory(unknown) &&
            fs::symlink_status(toFsPath(journal), unknown).type() == fs::file_type::not_found) {
            unnamed.push_back(kept);
        }
    }
    for (const std::string& kept : unnamed) {
        if (fs::remove_all(toFsPath(kept), error) != static_cast<std::uintmax_t>(-1) && !error) {
            clearing.keptDropped(kept);
        }
    }
}

} // namespace

bool needsAttention(const LeftoverNote& note) {
    return note.action == LeftoverAction::BackupKept || note.action == LeftoverAction::NotPutBack ||
           note.action == LeftoverAction::BackupLost || note.action == LeftoverAction::AsideKept ||
           note.action == LeftoverAction::RunNotClosed;
}

std::string_view leftoverActionText(LeftoverAction action) {
    switch (action) {
    case LeftoverAction::PutBack:
        return "a rewrite was interrupted; the old contents are back";
    case LeftoverAction::RewriteFinished:
        return "a rewrite was interrupted after it had finished; its backup was removed";
    case LeftoverAction::RewriteNotBegun:
        return "a rewrite was interrupted before it changed the file; its backup was removed";
    case LeftoverAction::TemporaryRemoved:
        return "removed a temporary file that an interrupted write left";
    case LeftoverAction::BackupKept:
        return "a rewrite was interrupted and the file cannot be matched to it";
    case LeftoverAction::NotPutBack:
        return "a rewrite was interrupted and the old contents cannot be put back";
    case LeftoverAction::BackupLost:
        return "a rewrite was interrupted and its backup is gone; the file is left as it is";
    case LeftoverAction::AsidePutBack:
        return "a run of renames was interrupted; an entry it had put aside has its old name again";
    case LeftoverAction::AsideKept:
        return "a run of renames was interrupted; an entry it had put aside is kept under a visible name";
    case LeftoverAction::RunInterrupted:
        return "an execute run was interrupted part way; what it changed can be undone";
    case LeftoverAction::UndoInterrupted:
        return "an undo was interrupted part way; undo again to put back the rest";
    case LeftoverAction::RunNotClosed:
        return "an execute run was interrupted part way and its journal cannot be closed now; it is kept, "
               "and what the run changed can be undone once it is closed";
    case LeftoverAction::KeptDropped:
        return "removed old contents kept for undo that no run's journal names";
    }
    return {};
}

std::string describeLeftover(const LeftoverNote& note, std::string_view actionText,
                             std::string_view keptInText) {
    std::string text(actionText);
    if (!note.reason.empty()) {
        text += " (" + note.reason + ")";
    }
    if (!note.keptIn.empty()) {
        text += "; " + std::string(keptInText) + " \"" + note.keptIn + "\"";
    }
    return text;
}

std::vector<std::string> foldersOf(const PathList& paths) {
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen;
    for (const std::string& path : paths) {
        std::string folder = splitPath(path).folder;
        if (folder.empty()) {
            folder = ".";
        } else if (folder.size() > 1) {
            folder.pop_back(); // the separator, so that the folder reads as a journal records it
        }
        if (seen.insert(folder).second) {
            folders.push_back(std::move(folder));
        }
    }
    return folders;
}

std::vector<LeftoverNote> clearLeftovers(const std::string& journalFolder,
                                         const std::vector<std::string>& folders) {
    Clearing clearing;
    std::vector<std::string> searched = folders;
    std::vector<platform::HeldFile> ended;
    std::vector<platform::HeldFile> undos;
    std::error_code error;
    if (!journalFolder.empty() && platform::isWritable(journalFolder)) {
        for (fs::directory_iterator it(toFsPath(journalFolder), error), end; !error && it != end;
             it.increment(error)) {
            if (!isJournalName(fromFsPath(it->path().filename()))) {
                continue;
            }
            const std::string path = fromFsPath(it->path());
            platform::HeldFile journal = platform::HeldFile::take(path);
            std::string text;
            platform::FileIdentity written;
            if (!journal.held() || endedByItsTail(path) ||
                !platform::readRegularFile(path, text, &written).empty()) {
                continue;
            }
            const std::optional<JournalRecord> record = readJournal(text);
            if (!record || record->ended) {
                continue;
            }
            for (const RecordedRewrite& rewrite : record->unfinished) {
                clearing.rewrite(rewrite, written.modifiedNanoseconds);
            }
            for (const std::string& back : takeBackCutCycle(text)) {
                clearing.asideBack(back);
            }
            searched.insert(searched.end(), record->folders.begin(), record->folders.end());
            (record->undoing ? undos : ended).push_back(std::move(journal));
        }
    }
    std::sort(searched.begin(), searched.end());
    searched.erase(std::unique(searched.begin(), searched.end()), searched.end());
    for (const std::string& folder : searched) {
        clearing.folder(folder);
    }
    for (platform::HeldFile& journal : ended) {
        std::string text;
        if (const std::string unread = platform::readRegularFile(journal.path(), text); !unread.empty()) {
            clearing.runNotClosed(journal.path(), "it cannot be read: " + unread);
            continue;
        }
        // A journal kept for undo stays, so that the part of the run that was done can still be taken back;
        // the room it took for its last lines is free once they are written.
        if (const std::string ending = interruptedEnding(text); !ending.empty()) {
            if (std::string unwritten = platform::appendToFile(journal.path(), ending); !unwritten.empty()) {
                clearing.runNotClosed(journal.path(), "it cannot be written: " + unwritten);
                continue;
            }
            platform::releaseReservedRoom(journal.path());
            clearing.runInterrupted(journal.path());
            continue;
        }
        // Whatever the run kept before it was cut short, no line names it: nothing was changed.
        fs::remove_all(toFsPath(keptFolderOf(journal.path())), error);
        journal.remove();
    }
    // The run an undo was taking back stays to be undone; its undo is closed, so that it is noted once.
    for (platform::HeldFile& journal : undos) {
        if (platform::appendToFile(journal.path(), undoStoppedLine()).empty()) {
            clearing.undoInterrupted(journal.path());
        }
    }
    if (!journalFolder.empty()) {
        dropUnnamedKeptFolders(journalFolder, clearing);
    }
    if (!ended.empty()) {
        // Only an empty folder goes, as when the runs had ended by themselves.
        fs::remove(toFsPath(journalFolder), error);
    }
    return clearing.takeNotes();
}

} // namespace morvane
