#include "engine/run.h"
#include "fuzz_check.h"
#include "tasks/saved_tasks_file.h"
#include "tasks/saved_tasks_format.h"
#include "tasks/task_rows.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

using morvane::RepTask;
using morvane::SavedReps;

// What a task comes back as when nothing is lost: the pairs without a find text left out, a missing
// replacement empty, and a file list of one empty entry empty.
RepTask storedForm(const RepTask& task) {
    RepTask stored = task;
    stored.Find.clear();
    stored.Replace.clear();
    for (std::size_t i = 0; i < task.Find.size(); ++i) {
        if (!task.Find[i].empty()) {
            stored.Find.push_back(task.Find[i]);
            stored.Replace.push_back(i < task.Replace.size() ? task.Replace[i] : std::string());
        }
    }
    if (stored.Files == std::vector<std::string>{""}) {
        stored.Files.clear();
    }
    return stored;
}

std::vector<std::string> someTexts(FuzzedDataProvider& input) {
    std::vector<std::string> texts(input.ConsumeIntegralInRange(0, 3));
    for (std::string& text : texts) {
        text = input.ConsumeRandomLengthString(64);
    }
    return texts;
}

RepTask taskFrom(FuzzedDataProvider& input) {
    RepTask task;
    task.Name = input.ConsumeRandomLengthString(32);
    task.CaseSensitive = input.ConsumeBool();
    task.ReplaceInContents = input.ConsumeBool();
    task.Find = someTexts(input);
    task.Replace = someTexts(input);
    task.Files = someTexts(input);
    return task;
}

// The window and the runner take a task's pairs the same way, and every task runs: the columns never differ
// in length, whatever the file held.
void checkPairsRun(const RepTask& task) {
    const morvane::TaskPairs pairs = morvane::pairsOfTask(task);
    const RepTask stored = storedForm(task);
    FUZZ_CHECK(pairs.finds == stored.Find && pairs.replaces == stored.Replace);
    morvane::RunRequest request;
    request.finds = pairs.finds;
    request.replaces = pairs.replaces;
    FUZZ_CHECK(!morvane::ErsetzenSimulieren(request).mismatch);
}

} // namespace

// The input is read as a saved-tasks file, which the reader leaves as it is, and also taken apart into one
// task. Each task runs with the pairs it holds, and every task the faithfulness check lets through, stored
// together in one file, reads back as itself.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = morvane::fuzz::scratch().write(morvane::saved_tasks_format::kFileName, text);
    SavedReps read = morvane::RepsDateiEinlesen(path);
    FUZZ_CHECK(!read.empty() && read.front() == RepTask{});
    FUZZ_CHECK(morvane::testing::readBytes(path) == text);

    FuzzedDataProvider input(data, size);
    read.push_back(taskFrom(input));

    SavedReps faithful = morvane::emptySavedReps();
    for (const RepTask& task : read) {
        checkPairsRun(task);
        if (morvane::readsBackFaithfully(task)) {
            FUZZ_CHECK(!task.Name.empty());
            faithful.push_back(storedForm(task));
        }
    }
    FUZZ_CHECK(morvane::RepsDateiSpeichern(path, faithful).ok());
    FUZZ_CHECK(morvane::testing::readBytes(path + std::string(morvane::saved_tasks_format::kBackupSuffix)) ==
               text);
    FUZZ_CHECK(morvane::RepsDateiEinlesen(path) == faithful);
    return 0;
}
