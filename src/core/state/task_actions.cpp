#include "core/state/task_actions.h"

#include "core/state/saved_tasks_file.h"
#include "core/state/task_rows.h"

#include <algorithm>

namespace morvane {

namespace {

RepTask taskFromLists(const std::string& name, const WorkingLists& lists) {
    RepTask task;
    task.name = name;
    task.caseSensitive = false;
    task.replaceInContents = lists.replaceInContents;
    task.files = lists.files;
    task.finds = lists.finds;
    task.replacements = lists.replaces;
    task.pairOptions = lists.pairOptions;
    TaskPairs pairs = pairsOfTask(task);
    task.finds = std::move(pairs.finds);
    task.replacements = std::move(pairs.replaces);
    task.pairOptions = std::move(pairs.options);
    return task;
}

bool holdsTask(const SavedReps& reps, std::size_t index) {
    return index > 0 && index < reps.size() && !reps[index].name.empty();
}

} // namespace

StoreOutcome storeTask(SavedReps& reps, const std::string& name, const WorkingLists& lists) {
    // An empty pair list's column reads as one empty text.
    if (std::all_of(lists.finds.begin(), lists.finds.end(),
                    [](const std::string& find) { return find.empty(); })) {
        return StoreOutcome::NoPairs;
    }
    if (name.empty()) {
        return StoreOutcome::NoName;
    }
    RepTask task = taskFromLists(name, lists);
    // A task the file cannot give back as it is would come back changed or split at the next start.
    if (!readsBackFaithfully(task)) {
        return StoreOutcome::NotFaithful;
    }
    reps.push_back(std::move(task));
    return StoreOutcome::Stored;
}

TaskLoad loadTask(const SavedReps& reps, std::optional<std::size_t> index, bool addFilesToFileList) {
    TaskLoad load;
    if (addFilesToFileList) {
        load.files.emplace();
    }
    if (!index || !holdsTask(reps, *index)) {
        return load;
    }
    const RepTask& task = reps[*index];
    TaskPairs pairs = pairsOfTask(task);
    load.finds = std::move(pairs.finds);
    load.replaces = std::move(pairs.replaces);
    load.pairOptions = std::move(pairs.options);
    if (load.files) {
        for (const std::string& path : task.files) {
            if (!path.empty()) {
                load.files->push_back(path);
            }
        }
    }
    load.name = task.name;
    load.replaceInContents = task.replaceInContents;
    return load;
}

std::vector<DeletedTask> deleteTasksKeeping(SavedReps& reps, const std::vector<std::size_t>& indices) {
    std::vector<DeletedTask> deleted;
    for (std::size_t index : indices) {
        if (holdsTask(reps, index)) {
            deleted.push_back({index, reps[index]});
            reps[index].name.clear();
        }
    }
    return deleted;
}

std::size_t deleteTasks(SavedReps& reps, const std::vector<std::size_t>& indices) {
    return deleteTasksKeeping(reps, indices).size();
}

std::vector<std::size_t> restoreTasks(SavedReps& reps, const std::vector<DeletedTask>& deleted) {
    std::vector<std::size_t> numbers;
    for (const DeletedTask& gone : deleted) {
        if (gone.index > 0 && gone.index < reps.size() && reps[gone.index].name.empty()) {
            reps[gone.index] = gone.task;
            numbers.push_back(gone.index);
        } else {
            reps.push_back(gone.task);
            numbers.push_back(reps.size() - 1);
        }
    }
    return numbers;
}

WorkingLists newWorkingLists(const WorkingLists& lists) {
    WorkingLists fresh;
    fresh.replaceInContents = lists.replaceInContents;
    return fresh;
}

} // namespace morvane
