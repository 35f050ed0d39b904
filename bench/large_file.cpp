#include "large_file.h"

#include "core/run/run.h"
#include "corpus.h"
#include "process.h"
#include "timing.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The benchmark's pairs without the line break, which sed cannot match across its lines, and one more.
Pairs tenPairs() {
    Pairs pairs;
    for (const auto& pair : benchmarkPairs()) {
        if (pair.first != "\r\n") {
            pairs.push_back(pair);
        }
    }
    pairs.emplace_back("value", "amount");
    return pairs;
}

struct Measured {
    ProcessOutcome outcome; // the median run's
    bool ran = true;
};

Measured medianOf(int repeats, const std::vector<std::string>& arguments, const std::string& outputFile) {
    std::vector<ProcessOutcome> runs;
    for (int i = 0; i < repeats; ++i) {
        runs.push_back(runProcess(arguments, outputFile));
    }
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    Measured measured{runs[runs.size() / 2]};
    for (const ProcessOutcome& run : runs) {
        measured.ran = measured.ran && run.ran;
    }
    return measured;
}

std::vector<std::string> runnerArguments(const std::string& app, const char* command, const Pairs& pairs,
                                         const std::string& file) {
    std::vector<std::string> arguments{MORVANE_CLI_PATH, "--app-dir", app, command};
    for (const auto& [find, replace] : pairs) {
        arguments.insert(arguments.end(), {"--pair", find, replace});
    }
    arguments.insert(arguments.end(), {"--", file});
    return arguments;
}

std::vector<std::string> ripgrepArguments(const Pairs& pairs, const std::string& file) {
    std::vector<std::string> arguments{"rg", "-F", "--count-matches"};
    for (const auto& pair : pairs) {
        arguments.insert(arguments.end(), {"-e", pair.first});
    }
    arguments.push_back(file);
    return arguments;
}

std::vector<std::string> sedArguments(const Pairs& pairs, const std::string& file) {
    std::vector<std::string> arguments{"sed", "-i"};
    for (const auto& [find, replace] : pairs) {
        arguments.insert(arguments.end(), {"-e", "s/" + find + "/" + replace + "/g"});
    }
    arguments.push_back(file);
    return arguments;
}

bool sameBytes(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary);
    std::ifstream y(b, std::ios::binary);
    std::vector<char> p(1 << 20);
    std::vector<char> q(1 << 20);
    while (x && y) {
        x.read(p.data(), static_cast<std::streamsize>(p.size()));
        y.read(q.data(), static_cast<std::streamsize>(q.size()));
        if (x.gcount() != y.gcount() || !std::equal(p.begin(), p.begin() + x.gcount(), q.begin())) {
            return false;
        }
    }
    return !x && !y;
}

void line(const char* what, const Measured& m, double reference = 0) {
    std::printf("  %-28s %7.2f s  peak %8.1f MB", what, m.outcome.seconds,
                static_cast<double>(m.outcome.peakKilobytes) / 1024.0);
    if (reference > 0) {
        std::printf("  = %.2f x the line above", m.outcome.seconds / reference);
    }
    std::printf("%s\n", m.ran ? "" : "  (FAILED)");
    std::fflush(stdout);
}

bool printFigures(const std::string& work, const std::string& file, bool ripgrep) {
    const std::string output = work + "/large-output.txt";
    const std::string app = work + "/large-app";
    fs::create_directories(app);
    const std::string ours = work + "/large-ours.txt";
    const std::string theirs = work + "/large-sed.txt";
    bool sound = true;
    for (const Pairs& pairs : {Pairs{{"data", "datum"}}, tenPairs()}) {
        const bool one = pairs.size() == 1;
        std::printf(" %s\n", one ? "1 pair" : "10 pairs");
        const Measured simulated = medianOf(3, runnerArguments(app, "simulate", pairs, file), output);
        line("morvane-cli simulate", simulated);
        if (ripgrep) {
            const Measured counted = medianOf(3, ripgrepArguments(pairs, file), output);
            line("rg -F --count-matches", counted);
            std::printf("  %-28s %7.2f   (at most %s)\n", "simulate / rg",
                        simulated.outcome.seconds / counted.outcome.seconds, one ? "1.5" : "3");
        }
        fs::copy_file(file, ours, fs::copy_options::overwrite_existing);
        const Measured executed = medianOf(1, runnerArguments(app, "execute", pairs, ours), output);
        line("morvane-cli execute", executed);
        fs::copy_file(file, theirs, fs::copy_options::overwrite_existing);
        const Measured sed = medianOf(1, sedArguments(pairs, theirs), output);
        line("sed -i", sed);
        const bool same = sameBytes(ours, theirs);
        std::printf("  %-28s %7.2f   (below 1), same bytes: %s\n", "execute / sed",
                    executed.outcome.seconds / sed.outcome.seconds, same ? "yes" : "NO");
        sound = sound && same && simulated.ran && executed.ran;
        fs::remove(ours);
        fs::remove(theirs);
    }
    return sound;
}

// Simulating 10 pairs over files of several sizes, read whole and streamed, in this process: where streaming
// begins to pay (see kStreamedFileBytes).
void printThresholdFigures(const std::string& work) {
    std::printf("Read whole or streamed, simulate 10 pairs in this process (medians of 5)\n");
    const std::string folder = work + "/threshold";
    fs::create_directories(folder);
    for (const std::uint64_t mib : {1, 4, 16, 64, 256}) {
        const std::string file = folder + "/file.txt";
        {
            std::ifstream source(work + "/large-1g/large.txt", std::ios::binary);
            std::vector<char> bytes(mib << 20);
            source.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            std::ofstream(file, std::ios::binary).write(bytes.data(), source.gcount());
        }
        RunRequest request;
        for (const auto& [find, replace] : tenPairs()) {
            request.finds.push_back(find);
            request.replaces.push_back(replace);
        }
        request.files = {file};
        request.workers = 1;
        double seconds[2] = {};
        for (const bool streamed : {false, true}) {
            request.streamedFileBytes = streamed ? 0 : UINT64_MAX;
            seconds[streamed] = medianSeconds(5, [&] { runPairs(request); });
        }
        std::printf("  %4llu MiB   whole %8.1f ms   streamed %8.1f ms\n",
                    static_cast<unsigned long long>(mib), seconds[0] * 1000, seconds[1] * 1000);
        std::fflush(stdout);
    }
    fs::remove_all(folder);
}

// A child's peak memory as the system reports it is at least that of the process that started it, so this
// one never holds the text it generates: a child of its own writes the file.
std::string largeFileMadeElsewhere(const std::string& folder, std::uint64_t bytes) {
    const pid_t child = ::fork();
    if (child == 0) {
        ensureLargeFile(folder, bytes);
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return ensureLargeFile(folder, bytes);
}

} // namespace

bool printLargeFileFigures(const std::string& work) {
    const bool ripgrep = runProcess({"rg", "--version"}, work + "/large-output.txt").ran;
    std::printf("Large files, streamed (runner processes; medians of 3, execute and sed once)%s\n",
                ripgrep ? "" : "; rg is not installed");
    bool sound = true;
    for (const std::uint64_t gib : {1, 4}) {
        const std::string folder = work + "/large-" + std::to_string(gib) + "g";
        const std::string file = largeFileMadeElsewhere(folder, gib << 30);
        std::printf("one file of %.2f GiB\n",
                    static_cast<double>(fs::file_size(file)) / static_cast<double>(1ull << 30));
        if (gib == 1) {
            // In a child too: reading whole would raise this process's peak.
            std::fflush(stdout);
            if (const pid_t child = ::fork(); child == 0) {
                printThresholdFigures(work);
                std::fflush(stdout);
                ::_exit(0);
            } else {
                ::waitpid(child, nullptr, 0);
            }
        }
        sound = printFigures(work, file, ripgrep) && sound;
        fs::remove_all(folder);
    }
    return sound;
}

} // namespace morvane::bench
