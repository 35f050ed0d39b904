#include "scale.h"

#include "core/state/saved_tasks_file.h"
#include "corpus.h"
#include "process.h"

#include <cstdio>
#include <filesystem>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kSmallFiles = 100'000;
constexpr std::uint64_t kLargeFileBytes = 3ull << 30;

std::vector<std::string> pairArguments() {
    std::vector<std::string> arguments;
    for (const auto& [find, replace] : benchmarkPairs()) {
        arguments.insert(arguments.end(), {"--pair", inNotation(find), inNotation(replace)});
    }
    return arguments;
}

// Too many paths for one command line: the runner takes them from a saved task instead.
std::string appFolderWithTask(const std::string& folder, const std::vector<std::string>& files) {
    fs::create_directories(folder);
    RepTask task{"scale", files, {}, {}};
    for (const auto& [find, replace] : benchmarkPairs()) {
        task.finds.push_back(inNotation(find));
        task.replacements.push_back(inNotation(replace));
    }
    SavedReps reps = emptySavedReps();
    reps.push_back(task);
    writeSavedTasks(savedTasksPath(folder), reps);
    return folder;
}

ProcessOutcome runOn(const std::string& command, const std::string& file, const std::string& outputFile) {
    std::vector<std::string> arguments{MORVANE_CLI_PATH, command};
    const std::vector<std::string> pairs = pairArguments();
    arguments.insert(arguments.end(), pairs.begin(), pairs.end());
    arguments.insert(arguments.end(), {"--", file});
    return runProcess(arguments, outputFile);
}

void line(const char* what, const ProcessOutcome& outcome, double referenceBytes, const char* reference,
          const char* bound = "") {
    const double peakBytes = static_cast<double>(outcome.peakKilobytes) * 1024.0;
    std::printf("  %-30s %6.1f s  peak %7.1f MB = %5.2f x %s%s%s\n", what, outcome.seconds, peakBytes / 1e6,
                peakBytes / referenceBytes, reference, bound, outcome.ran ? "" : "  (FAILED)");
}

} // namespace

bool printScaleFigures(const std::string& work) {
    std::printf("\nScale (runner processes, 10 pairs)\n");
    std::fflush(stdout);
    const std::string outputFile = work + "/scale-output.txt";

    const Corpus small = ensureTextCorpus(work + "/small-corpus", kSmallFiles, 100'000'000);
    const std::string app = appFolderWithTask(work + "/scale-app", small.files);
    const ProcessOutcome many =
        runProcess({MORVANE_CLI_PATH, "--app-dir", app, "simulate", "--task", "scale"}, outputFile);
    std::printf("  %zu files, %.1f MB, largest %.1f kB\n", small.files.size(),
                static_cast<double>(small.bytes) / 1e6, static_cast<double>(small.largestFile) / 1e3);
    line("simulate 100,000 files", many, static_cast<double>(small.bytes), "sum of the files");

    const std::string large = ensureLargeFile(work + "/large-file-3g", kLargeFileBytes);
    const double largeBytes = static_cast<double>(fs::file_size(large));
    std::printf("  one file of %.2f GiB\n", largeBytes / static_cast<double>(1ull << 30));
    const ProcessOutcome simulated = runOn("simulate", large, outputFile);
    line("simulate the large file", simulated, largeBytes, "the file", "  (bound: 1 x + a constant)");
    const std::string copy = work + "/large-file-copy.txt";
    fs::copy_file(large, copy, fs::copy_options::overwrite_existing);
    const ProcessOutcome executed = runOn("execute", copy, outputFile);
    line("execute on a copy of it", executed, largeBytes, "the file", "  (bound: 2 x)");
    fs::remove(copy);

    const std::int64_t simulatedTotal = runnerTotalOf(simulated.out);
    const bool sound =
        many.ran && simulated.ran && executed.ran && simulatedTotal == runnerTotalOf(executed.out);
    std::printf("  counts: 100,000 files %lld, large file simulate %lld, execute %lld%s\n",
                static_cast<long long>(runnerTotalOf(many.out)), static_cast<long long>(simulatedTotal),
                static_cast<long long>(runnerTotalOf(executed.out)), sound ? "" : "  (NOT SOUND)");
    return sound;
}

} // namespace morvane::bench
