#include "core/run/run.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/saved_tasks_format.h"
#include "core/state/task_rows.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string_view>

namespace {

using morvane::RepTask;
using morvane::SavedReps;

// Each CR LF pair of the text as `lineEnd`, every lone CR and LF left out: with LF, the text as an editor
// that ends lines in LF alone saves it.
std::string wholeLineEndsOnly(std::string_view text, std::string_view lineEnd = "\r\n") {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "\r\n") {
            kept += lineEnd;
            ++i;
        } else if (text[i] != '\r' && text[i] != '\n') {
            kept += text[i];
        }
    }
    return kept;
}

// A file whose line ends are LF alone gives what it gives with CR LF line ends.
void checkLfOnlyReadsAsCrLf(std::string_view crLf) {
    const morvane::SavedTasksRead withCrLf = morvane::savedTasksFromText(crLf);
    const morvane::SavedTasksRead withLf = morvane::savedTasksFromText(wholeLineEndsOnly(crLf, "\n"));
    FUZZ_CHECK(withLf.reps == withCrLf.reps && withLf.dropsSomething == withCrLf.dropsSomething);
}

std::vector<std::string> someTexts(FuzzedDataProvider& input) {
    std::vector<std::string> texts(input.ConsumeIntegralInRange(0, 3));
    for (std::string& text : texts) {
        text = input.ConsumeRandomLengthString(64);
    }
    return texts;
}

morvane::PairOptionsList someOptions(FuzzedDataProvider& input) {
    morvane::PairOptionsList options(input.ConsumeIntegralInRange(0, 4));
    for (morvane::PairOptions& pair : options) {
        // A braced list takes its values in order, as the seeds were written for.
        pair = {input.ConsumeBool(), input.ConsumeBool(), input.ConsumeBool()};
    }
    return options;
}

RepTask taskFrom(FuzzedDataProvider& input) {
    RepTask task;
    task.name = input.ConsumeRandomLengthString(32);
    task.caseSensitive = input.ConsumeBool();
    task.replaceInContents = input.ConsumeBool();
    task.finds = someTexts(input);
    task.replacements = someTexts(input);
    task.files = someTexts(input);
    task.pairOptions = someOptions(input);
    return task;
}

// Options never keep a task out of the file: the group the writer adds reads back as it was written, unless a
// text of the task holds the group's opening tag and the reader takes that for the group.
void checkOptionsReadBack(const RepTask& task) {
    RepTask plain = task;
    plain.pairOptions.clear();
    const std::string plainText = morvane::savedTasksText({plain});
    if (morvane::readsBackFaithfully(plain) &&
        plainText.find(morvane::saved_tasks_format::kPairOptions.open) == std::string::npos) {
        FUZZ_CHECK(morvane::readsBackFaithfully(task));
    }
}

// The window and the runner take a task's pairs the same way, and every task runs: the columns never differ
// in length, whatever the file held.
void checkPairsRun(const RepTask& task) {
    const morvane::TaskPairs pairs = morvane::pairsOfTask(task);
    const RepTask stored = morvane::storedForm(task);
    FUZZ_CHECK(pairs.finds == stored.finds && pairs.replaces == stored.replacements &&
               pairs.options == stored.pairOptions);
    morvane::RunRequest request;
    request.finds = pairs.finds;
    request.replaces = pairs.replaces;
    FUZZ_CHECK(!morvane::runPairs(request).mismatch);
}

} // namespace

// The input is read as a saved-tasks file, which the reader leaves as it is, and also taken apart into one
// task with random pair options. Each task runs with the pairs it holds, its options do not keep it out of
// the file, and every task the faithfulness check lets through, stored together in one file, reads back as
// itself, drops nothing, and reads the same with LF line ends where no text holds a line end of its own.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = morvane::fuzz::scratch().write(morvane::saved_tasks_format::kFileName, text);
    SavedReps read = morvane::readOrCreateSavedTasks(path);
    FUZZ_CHECK(!read.empty() && read.front() == RepTask{});
    FUZZ_CHECK(morvane::testing::readBytes(path) == text);

    FuzzedDataProvider input(data, size);
    read.push_back(taskFrom(input));

    SavedReps faithful = morvane::emptySavedReps();
    for (const RepTask& task : read) {
        checkPairsRun(task);
        checkOptionsReadBack(task);
        if (morvane::readsBackFaithfully(task)) {
            FUZZ_CHECK(!task.name.empty());
            faithful.push_back(morvane::storedForm(task));
        }
    }
    FUZZ_CHECK(morvane::writeSavedTasks(path, faithful).ok());
    FUZZ_CHECK(morvane::testing::readBytes(path + std::string(morvane::saved_tasks_format::kBackupSuffix)) ==
               text);
    FUZZ_CHECK(morvane::readOrCreateSavedTasks(path) == faithful);

    checkLfOnlyReadsAsCrLf(wholeLineEndsOnly(text));
    const std::string written = morvane::savedTasksText(faithful);
    FUZZ_CHECK(!morvane::savedTasksFromText(written).dropsSomething);
    if (wholeLineEndsOnly(written) == written) {
        checkLfOnlyReadsAsCrLf(written);
    }
    return 0;
}
