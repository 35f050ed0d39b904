#include "core/state/saved_task_store.h"

#include "core/platform/paths.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/saved_tasks_format.h"
#include "core/state/task_rows.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace morvane {

namespace {

// A few tries are enough for windows that save at the same moment; a file that keeps changing is left alone.
constexpr int kSaveAttempts = 4;

// An empty file list and a list of one empty entry are stored alike.
bool noFiles(const std::vector<std::string>& files) {
    return files.empty() || (files.size() == 1 && files.front().empty());
}

// Whether the file keeps the two tasks alike; the file lists, which may be long, are compared in place.
bool sameStored(const RepTask& a, const RepTask& b) {
    if (a.name != b.name || a.caseSensitive != b.caseSensitive ||
        a.replaceInContents != b.replaceInContents ||
        !(a.files == b.files || (noFiles(a.files) && noFiles(b.files)))) {
        return false;
    }
    const TaskPairs pairsA = pairsOfTask(a);
    const TaskPairs pairsB = pairsOfTask(b);
    return pairsA.finds == pairsB.finds && pairsA.replaces == pairsB.replaces &&
           pairsA.options == pairsB.options;
}

std::string timeStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{floor<seconds>(now - day)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

} // namespace

SavedReps mergeSavedTasks(SavedReps ours, const SavedReps& base, const SavedReps& theirs) {
    std::vector<bool> stillThere(base.size(), false);
    std::vector<const RepTask*> storedByThem;
    for (const RepTask& task : theirs) {
        if (task.name.empty()) {
            continue;
        }
        bool matched = false;
        for (std::size_t i = 0; i < base.size() && !matched; ++i) {
            if (!stillThere[i] && !base[i].name.empty() && sameStored(base[i], task)) {
                stillThere[i] = matched = true;
            }
        }
        if (!matched) {
            storedByThem.push_back(&task);
        }
    }
    for (std::size_t i = 0; i < base.size(); ++i) {
        if (stillThere[i] || base[i].name.empty()) {
            continue;
        }
        for (RepTask& task : ours) {
            if (!task.name.empty() && sameStored(task, base[i])) {
                task.name.clear();
                break;
            }
        }
    }
    for (const RepTask* task : storedByThem) {
        ours.push_back(*task);
    }
    return ours;
}

std::string keepAside(const std::string& savedTasksPath, const std::string& contents) {
    const std::string stem = savedTasksPath + ".unreadable-" + timeStamp();
    for (int n = 1; n < 100; ++n) {
        const std::string path = n == 1 ? stem : stem + "-" + std::to_string(n);
        std::error_code error;
        if (std::filesystem::symlink_status(toFsPath(path), error).type() !=
            std::filesystem::file_type::not_found) {
            continue;
        }
        return writeTextFile(contents, path).ok() ? path : std::string();
    }
    return std::string();
}

SavedTaskStore::SavedTaskStore(std::string path) : path_(std::move(path)) {}

SavedTaskStore::Disk SavedTaskStore::readDisk() const {
    Disk disk;
    std::string text;
    const std::string error = readTextFileInto(path_, text, &disk.identity);
    if (error.empty()) {
        disk.text = std::move(text);
    } else if (!disk.identity.known) {
        disk.text = std::string(); // not there: nothing to take in, nothing to lose
    }
    return disk;
}

void SavedTaskStore::know(std::string text) {
    knownTasks_ = savedTasksFromText(text).reps;
    known_ = std::move(text);
}

SavedTaskStore::Sync SavedTaskStore::open(bool mayWrite) {
    Sync sync;
    const Disk disk = readDisk();
    if (!disk.text) {
        return sync; // the first save finds out again, and leaves the file alone
    }
    if (!disk.identity.known) {
        if (mayWrite && writeSavedTasks(path_, table_).ok()) {
            know(savedTasksText(table_));
        }
        return sync;
    }
    SavedTasksRead read = savedTasksFromText(*disk.text);
    table_ = std::move(read.reps);
    if (read.dropsSomething && mayWrite) {
        sync.keptAside = keepAside(path_, *disk.text);
        mustNotReplace_ = sync.keptAside.empty();
    }
    know(*disk.text);
    return sync;
}

// Contents another window could not have written, a hand edit gone wrong, are kept aside rather than
// taken as the deletion of every task.
void SavedTaskStore::takeIn(const std::string& text, Sync& sync) {
    SavedTasksRead theirs = savedTasksFromText(text);
    if (theirs.dropsSomething) {
        sync.keptAside = keepAside(path_, text);
        mustNotReplace_ = sync.keptAside.empty();
    } else {
        SavedReps merged = mergeSavedTasks(table_, knownTasks_, theirs.reps);
        sync.tableChanged = merged != table_;
        table_ = std::move(merged);
    }
    know(text);
}

SavedTaskStore::Sync SavedTaskStore::takeInChanges() {
    Sync sync;
    const Disk disk = readDisk();
    // A file that has gone tells nothing about other windows' tasks; the next save writes it again.
    if (disk.text && disk.identity.known && disk.text != known_) {
        takeIn(*disk.text, sync);
    }
    return sync;
}

SavedTaskStore::SaveOutcome SavedTaskStore::save() {
    SaveOutcome outcome;
    for (int attempt = 0; attempt < kSaveAttempts; ++attempt) {
        const Disk disk = readDisk();
        if (!disk.text) {
            outcome.written = WriteOutcome{"the saved-tasks file cannot be read, so it is not replaced"};
            return outcome;
        }
        if (disk.identity.known && disk.text != known_) {
            Sync sync;
            takeIn(*disk.text, sync);
            outcome.sync.tableChanged = outcome.sync.tableChanged || sync.tableChanged;
            if (!sync.keptAside.empty()) {
                outcome.sync.keptAside = sync.keptAside;
            }
        }
        if (mustNotReplace_) {
            outcome.written = WriteOutcome{
                "the saved-tasks file holds text that could not be kept aside, so it is not replaced"};
            return outcome;
        }
        // Only the most recent previous state is kept; a backup that cannot be written does not stop the
        // save.
        writeTextFile(*disk.text, path_ + std::string(saved_tasks_format::kBackupSuffix));
        std::string text = savedTasksText(table_);
        outcome.written = writeTextFile(text, path_, disk.identity.known ? &disk.identity : nullptr);
        if (outcome.written.ok()) {
            know(std::move(text));
            return outcome;
        }
        // Another window saved between the read and the write: read again and take its change in.
        const Disk now = readDisk();
        if (now.text == disk.text && platform::sameFile(now.identity, disk.identity)) {
            return outcome;
        }
    }
    return outcome;
}

} // namespace morvane
