#include "cli/command_line.h"
#include "core/app/message_catalogue.h"
#include "core/app/preview_model.h"
#include "core/app/reports.h"
#include "core/files/folder_expansion.h"
#include "core/journal/leftovers.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"
#include "core/platform/platform_memory.h"
#include "core/run/contents_diff.h"
#include "core/run/pair_warnings.h"
#include "core/run/rename_plan.h"
#include "core/run/run.h"
#include "core/state/app_folder.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/task_rows.h"
#include "core/text/escaped_text.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace morvane;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// What a row that could not be read, written or renamed prints in place of its count.
constexpr char kFailedLabel[] = "failed";

// Standard error is for people, also with -z: a path or name in a message is always escaped.
int usageError(const std::string& message) {
    std::cerr << cli::usageErrorText(escapeControlBytes(message));
    return kExitUsage;
}

// A task by its name, or when no task has that name, by its number; nothing when neither names one.
const RepTask* findTask(const SavedReps& reps, const std::string& selector) {
    const auto named = std::find_if(reps.begin() + 1, reps.end(), [&](const RepTask& task) {
        return !task.name.empty() && task.name == selector;
    });
    if (named != reps.end()) {
        return &*named;
    }
    std::size_t number = 0;
    const char* end = selector.data() + selector.size();
    const auto parsed = std::from_chars(selector.data(), end, number);
    if (parsed.ec != std::errc() || parsed.ptr != end || number == 0 || number >= reps.size() ||
        reps[number].name.empty()) {
        return nullptr;
    }
    return &reps[number];
}

int listTasks(const std::string& stateDir) {
    const SavedReps reps = readSavedTasks(savedTasksPath(stateDir));
    for (std::size_t number = 1; number < reps.size(); ++number) {
        const RepTask& task = reps[number];
        if (task.name.empty()) {
            continue;
        }
        std::cout << number << '\t' << escapeControlBytes(task.name) << '\t'
                  << (task.replaceInContents ? "contents" : "names") << '\t' << pairsOfTask(task).finds.size()
                  << '\t' << task.files.size() << '\n';
    }
    return 0;
}

void reportProblem(const std::string& path, const std::string& reason) {
    std::cerr << "morvane-cli: " << escapeControlBytes(path) << ": " << escapeControlBytes(reason) << '\n';
}

// Returns whether any of them needs a person to look at the file.
bool reportLeftovers(const std::vector<LeftoverNote>& notes) {
    for (const ReportLine& line : leftoverLines(notes, builtInText)) {
        reportProblem(line.path, line.text);
    }
    return std::any_of(notes.begin(), notes.end(), needsAttention);
}

// One record of standard output: a label or count, a TAB and a value. As a line the value is escaped, so
// that no path can start a line of its own; as a NUL-ended record it is written as it is.
void printRecord(std::string_view label, std::string_view value, bool nulRecords) {
    if (nulRecords) {
        std::cout << label << '\t' << value << '\0';
    } else {
        std::cout << label << '\t' << escapeControlBytes(value) << '\n';
    }
}

// Adds each record of the stream to the paths, its exact bytes, skipping empty ones. The stream is read in
// pieces, so that only the paths are held, never the whole list besides them. False when the stream fails
// part way (a read error sets badbit: istream::read catches what the stream buffer throws).
bool appendRecords(std::istream& stream, char separator, PathList& paths) {
    std::vector<char> piece(std::size_t{1} << 16);
    std::string record; // one that goes on past the piece
    while (stream.read(piece.data(), static_cast<std::streamsize>(piece.size())) || stream.gcount() > 0) {
        std::string_view bytes(piece.data(), static_cast<std::size_t>(stream.gcount()));
        for (std::size_t end = bytes.find(separator); end != std::string_view::npos;
             end = bytes.find(separator)) {
            if (!record.empty()) {
                paths.push_back(record.append(bytes.substr(0, end)));
                record = std::string();
            } else if (end > 0) {
                paths.push_back(bytes.substr(0, end));
            }
            bytes.remove_prefix(end + 1);
        }
        record.append(bytes);
    }
    if (stream.bad()) {
        return false;
    }
    if (!record.empty()) {
        paths.push_back(record);
    }
    return true;
}

// Adds the paths of --files-from: a line (or with -z a NUL-ended record) is a path. False when the file
// cannot be read.
bool readPathList(const std::string& source, bool nulRecords, PathList& paths) {
    const char separator = nulRecords ? '\0' : '\n';
    if (source == "-") {
        return appendRecords(std::cin, separator, paths);
    }
    std::ifstream file(toFsPath(source), std::ios::binary);
    return file && appendRecords(file, separator, paths);
}

// Each folder among the paths is replaced by its files, in its place; returns whether any folder could not
// be read whole, after reporting it.
bool expandFolders(PathList& paths, const ExpansionOptions& options) {
    PathList expanded;
    bool anyProblem = false;
    for (const std::string& path : paths) {
        if (!isDirectory(path)) {
            expanded.push_back(path);
            continue;
        }
        Expansion expansion = expandFolder(path, options);
        for (const ExpansionProblem& problem : expansion.problems) {
            reportProblem(problem.path, problem.reason);
        }
        anyProblem = anyProblem || !expansion.problems.empty();
        if (expansion.files.empty()) {
            reportProblem(path, "no file below it is kept");
        }
        if (expanded.empty()) {
            expanded = std::move(expansion.files);
        } else {
            expanded.append(expansion.files);
        }
    }
    paths = std::move(expanded);
    return anyProblem;
}

// Said as soon as the run knows, before it changes anything, so that a script or a person can still stop it.
struct NotUndoableNotice : RunObserver {
    std::string said;
    void notUndoable(const std::string& reason) override {
        say(reason);
        said = reason;
    }
    void say(const std::string& reason) const {
        std::cerr << "morvane-cli: this run cannot be undone: " << escapeControlBytes(reason) << std::endl;
    }
};

// Prints each row as the run delivers it, in order, and keeps none: a pipeline sees the first rows at once,
// and memory does not grow with the output. What the stream gathers goes out whenever the run waits for a
// row. A simulate run whose output nobody takes any more is stopped; an execute run goes on to the end, so
// that it is never left half done for want of a reader.
struct RowPrinter : NotUndoableNotice {
    RowPrinter(const RunRequest& request, bool nulRecords) : request(request), nulRecords(nulRecords) {}
    void rowDone(std::size_t, const RowResult& row, std::int64_t, std::optional<StatusKind>) override {
        // A count would read as done; the total leaves the row out as well.
        printRecord(row.failure.empty() ? std::to_string(row.count) : kFailedLabel, row.path, nulRecords);
        if (row.skipped != SkipReason::None) {
            reportProblem(row.path, skipReasonText(row.skipped, request.mode));
            anySkipped = true;
        }
        if (!std::cout && !request.execute) {
            unread = true;
        }
    }
    void waitingForRows() override { std::cout.flush(); }

    const RunRequest& request;
    const bool nulRecords;
    bool anySkipped = false;
    std::atomic<bool> unread{false};
};

// Pairs that work against each other are worth a look, but the run is as asked: the exit status stays.
void warnAboutPairs(const RunRequest& request) {
    for (const PairWarning& warning : pairWarnings(request.finds, request.replaces, request.options)) {
        std::cerr << "morvane-cli: warning: " << escapeControlBytes(pairWarningText(warning, request.finds))
                  << '\n';
    }
}

int runAndReport(RunRequest& request, bool nulRecords, bool expansionFailed) {
    // An execute run clears up first itself; a simulate run only follows the journals of runs cut short.
    const bool leftoversNeedAttention =
        !request.execute && reportLeftovers(clearLeftovers(journalFolderIn(request.stateFolder), {}));
    if (request.execute) {
        platform::ignoreBrokenPipes();
    }
    request.keepRows = false;
    RowPrinter printer(request, nulRecords);
    const RunResult result = runPairs(request, &printer, &printer.unread);
    const bool runLeftoversNeedAttention = reportLeftovers(result.leftovers);
    const bool anyFailed = !result.failures.empty() || leftoversNeedAttention || runLeftoversNeedAttention ||
                           expansionFailed || printer.anySkipped;
    printRecord("total", std::to_string(result.total), nulRecords);
    for (const RunFailure& failure : result.failures) {
        reportProblem(failure.path, failure.reason);
    }
    if (!result.notUndoable.empty() && result.notUndoable != printer.said) {
        printer.say(result.notUndoable);
    }
    std::cout.flush();
    return anyFailed || !std::cout ? kExitFailure : 0;
}

// What an execute run would name each row, planned as that run plans it: the old path, " -> ", the new path,
// and after a TAB what stands in the way. Changes nothing.
int printNameChanges(const RunRequest& request, bool expansionFailed) {
    const RenamePlan plan = planRenames(request);
    if (plan.mismatch) {
        std::cerr << "morvane-cli: the find and replace columns differ in length (highest index "
                  << plan.findsUbound << " and " << plan.replacesUbound << ")\n";
        return kExitFailure;
    }
    bool anyProblem = expansionFailed;
    for (const PlannedRename& row : plan.rows) {
        const std::string problem = renameProblem(row);
        std::cout << escapeControlBytes(row.path) << " -> " << escapeControlBytes(row.newPath);
        if (!problem.empty()) {
            std::cout << '\t' << escapeControlBytes(problem);
            anyProblem = true;
        }
        std::cout << '\n';
    }
    std::cout.flush();
    return anyProblem || !std::cout ? kExitFailure : 0;
}

// One file's part of the diff; nothing when the pairs leave it as it is. Returns false after reporting a
// problem.
bool printDiff(const RunRequest& request, const std::string& path) {
    const std::string problem = writeFileDiff(path, request.finds, request.replaces, request.options,
                                              [](std::string_view text) { std::cout << text; });
    if (!problem.empty()) {
        reportProblem(path, problem);
    }
    return problem.empty();
}

int printDiffs(const RunRequest& request, bool expansionFailed) {
    bool anyFailed = expansionFailed;
    for (const std::string& path : diffPaths(request.files, resolvedPath("."))) {
        anyFailed = !printDiff(request, path) || anyFailed;
    }
    std::cout.flush();
    return anyFailed || !std::cout ? kExitFailure : 0;
}

// The moment as 2026-12-07T14:30:05Z.
std::string utcTime(std::int64_t nanoseconds) {
    using namespace std::chrono;
    const sys_seconds seconds = floor<std::chrono::seconds>(
        sys_time<std::chrono::nanoseconds>(std::chrono::nanoseconds(nanoseconds)));
    const sys_days day = floor<days>(seconds);
    const year_month_day date(day);
    const hh_mm_ss<std::chrono::seconds> time(seconds - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long long>(time.hours().count()),
                  static_cast<long long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return text;
}

int printRuns(const std::string& stateDir) {
    // A run cut short is closed first, so that it shows in the list as the run undo would take back.
    const bool leftoversNeedAttention = reportLeftovers(clearLeftovers(journalFolderIn(stateDir), {}));
    const std::vector<JournaledRun> runs = morvane::listRuns(journalFolderIn(stateDir));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const JournaledRun& run = runs[i];
        std::cout << i + 1 << '\t' << utcTime(run.startedNanoseconds) << '\t'
                  << (run.names ? "names" : "contents") << '\t' << run.changed << '\t'
                  << (run.undone        ? "undone"
                      : run.interrupted ? "interrupted"
                                        : "done")
                  << '\n';
    }
    return leftoversNeedAttention ? kExitFailure : 0;
}

int undoNewest(const std::string& stateDir) {
    const std::string journalFolder = journalFolderIn(stateDir);
    // A run cut short is cleared up and closed first, so that undo can take back the part it did.
    const bool leftoversNeedAttention = reportLeftovers(clearLeftovers(journalFolder, {}));
    const UndoResult result = undoNewestRun(journalFolder);
    if (!result.found) {
        std::cout << "nothing to undo\n";
        return leftoversNeedAttention ? kExitFailure : 0;
    }
    for (const ReportLine& line : undoLeftLines(result, builtInText, "; left as it is")) {
        reportProblem(line.path, line.text);
    }
    if (!result.failure.empty()) {
        std::cerr << "morvane-cli: " << escapeControlBytes(result.failure) << '\n';
    }
    // A run not undone yet stays the one the next undo takes, which finishes the rest.
    std::cout << (result.run.undone ? "undone: " : "not undone yet: ")
              << (result.run.names ? "names" : "contents") << " run of "
              << utcTime(result.run.startedNanoseconds) << ": " << result.restored << " put back, "
              << result.left.size() << " left\n";
    std::cout.flush();
    const bool anyLeft = !result.left.empty() || !result.failure.empty() || leftoversNeedAttention;
    return anyLeft || !std::cout ? kExitFailure : 0;
}

bool anyHoldsNul(const PathList& paths) {
    return std::any_of(paths.begin(), paths.end(),
                       [](const std::string& path) { return path.find('\0') != std::string::npos; });
}

int runCommandLine(const std::vector<std::string>& arguments) {
    cli::ParseOutcome parsed = cli::parseCommandLine(arguments);
    if (!parsed.error.empty()) {
        return usageError(parsed.error);
    }
    cli::Invocation& invocation = parsed.invocation;
    const std::string appFolder = invocation.appDir.value_or(platform::executableFolder());
    // The saved tasks and the undo journal are where the window keeps them.
    const std::string stateDir =
        stateFolder(appFolder, platform::isWritable(appFolder), platform::userDataFolder()).path;
    switch (invocation.command) {
    case cli::Command::Help:
        std::cout << cli::usageText();
        return 0;
    case cli::Command::Version:
        std::cout << cli::versionText();
        return 0;
    case cli::Command::ListTasks:
        return listTasks(stateDir);
    case cli::Command::ListRuns:
        return printRuns(stateDir);
    case cli::Command::Undo:
        return undoNewest(stateDir);
    case cli::Command::Run:
    case cli::Command::Diff:
        break;
    }
    RunRequest& request = invocation.request;
    request.stateFolder = stateDir;
    const bool pathsGiven = !request.files.empty() || invocation.filesFrom;
    if (invocation.filesFrom && *invocation.filesFrom != "-" && isDirectory(*invocation.filesFrom)) {
        return usageError("--files-from reads a file of paths, and \"" + *invocation.filesFrom +
                          "\" is a folder");
    }
    if (invocation.filesFrom && !readPathList(*invocation.filesFrom, invocation.nulRecords, request.files)) {
        return usageError("cannot read the paths in \"" + *invocation.filesFrom + "\"");
    }
    if (invocation.task) {
        const SavedReps reps = readSavedTasks(savedTasksPath(stateDir));
        const RepTask* task = findTask(reps, *invocation.task);
        if (!task) {
            return usageError("no saved task is named or numbered \"" + *invocation.task + "\"");
        }
        TaskPairs pairs = pairsOfTask(*task);
        request.finds = std::move(pairs.finds);
        request.replaces = std::move(pairs.replaces);
        request.options = std::move(pairs.options);
        if (std::string refused = cli::refusedPatternText(request.finds, request.options); !refused.empty()) {
            return usageError(std::move(refused));
        }
        request.mode = task->replaceInContents ? ReplaceMode::Contents : ReplaceMode::FileNames;
        if (!pathsGiven) {
            request.files = task->files;
        }
        if (request.files.empty() && !pathsGiven) {
            return usageError("the task \"" + task->name + "\" lists no files; give a PATH");
        }
    }
    const bool expansionFailed = invocation.recursive && expandFolders(request.files, invocation.expansion);
    // The list is held for the whole run: not in room for up to twice its length.
    request.files.shrink_to_fit();
    // Only a hand-edited saved task can hold such a path; a NUL-ended record could not hold it whole.
    if (invocation.nulRecords && anyHoldsNul(request.files)) {
        return usageError("a PATH holds a NUL byte, which -z cannot write");
    }
    warnAboutPairs(request);
    if (invocation.command == cli::Command::Diff) {
        return request.mode == ReplaceMode::FileNames ? printNameChanges(request, expansionFailed)
                                                      : printDiffs(request, expansionFailed);
    }
    // A run reads an empty list as one empty path; folders that yield no file leave nothing to run.
    if (invocation.recursive && request.files.empty()) {
        printRecord("total", "0", invocation.nulRecords);
        std::cout.flush();
        return expansionFailed || !std::cout ? kExitFailure : 0;
    }
    return runAndReport(request, invocation.nulRecords, expansionFailed);
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    morvane::platform::giveLargeBlocksBack();
    // Whatever escapes the run (memory running out, a fault of the program) ends it with a message and a
    // failure status, never with an abort and a core dump.
    try {
        return runCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "morvane-cli: " << escapeControlBytes(error.what()) << '\n';
    } catch (...) {
        std::cout.flush();
        std::cerr << "morvane-cli: stopped by an unexpected error\n";
    }
    return kExitFailure;
}
