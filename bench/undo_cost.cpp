#include "undo_cost.h"

#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/run/run.h"
#include "corpus.h"
#include "process.h"
#include "timing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kRepeats = 3;
constexpr int kNames = 5'000;

struct Disk {
    std::uint64_t kept = 0;     // old contents that only the journal holds
    std::uint64_t journals = 0; // the journal files themselves
};

Disk journalDisk(const std::string& state) {
    Disk disk;
    std::error_code error;
    for (fs::recursive_directory_iterator it(journalFolderIn(state), error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file()) {
            continue;
        }
        const bool journal = isJournalName(it->path().filename().string());
        if (journal) {
            disk.journals += it->file_size();
        } else if (it->hard_link_count() == 1) {
            disk.kept += it->file_size();
        }
    }
    return disk;
}

struct Cost {
    double bare = 0;
    double journaled = 0;
    double undo = 0;
    Disk disk;
};

// Each repeat works on a fresh copy and a fresh state folder, so that no run finds an earlier one's journal.
Cost measure(const std::string& work, const std::function<std::vector<std::string>(const std::string&)>& copy,
             const std::function<RunRequest(std::vector<std::string>)>& request) {
    const std::string copyFolder = work + "/undo-copy";
    const std::string state = work + "/undo-state";
    std::vector<double> bare, journaled, undo;
    Cost cost;
    for (int i = 0; i < kRepeats; ++i) {
        for (const bool keep : {false, true}) {
            fs::remove_all(copyFolder);
            fs::remove_all(state);
            fs::create_directories(state);
            RunRequest run = request(copy(copyFolder));
            run.execute = true;
            run.stateFolder = state;
            run.keepForUndo = keep;
            (keep ? journaled : bare).push_back(secondsOf([&] { runPairs(run); }));
            if (keep) {
                cost.disk = journalDisk(state);
                undo.push_back(secondsOf([&] { undoNewestRun(journalFolderIn(state)); }));
            }
        }
    }
    fs::remove_all(copyFolder);
    fs::remove_all(state);
    cost.bare = median(bare);
    cost.journaled = median(journaled);
    cost.undo = median(undo);
    return cost;
}

void print(const char* what, const Cost& cost) {
    std::printf("  %s\n", what);
    std::printf("    execute --no-undo                %8.3f s\n", cost.bare);
    std::printf("    execute with the journal         %8.3f s = %5.2f x\n", cost.journaled,
                cost.journaled / cost.bare);
    std::printf("    extra disk: old contents         %8.1f MB\n", static_cast<double>(cost.disk.kept) / 1e6);
    std::printf("    extra disk: the journal itself   %8.1f KB\n",
                static_cast<double>(cost.disk.journals) / 1e3);
    std::printf("    undo of that run                 %8.3f s\n", cost.undo);
}

} // namespace

void printUndoCostFigures(const std::string& work, const std::string& corpusFolder,
                          const std::vector<std::string>& corpusFiles) {
    std::printf("\nWhat undo costs an execute run (medians of %d, each on a fresh copy)\n", kRepeats);
    const Cost contents = measure(
        work,
        [&](const std::string& folder) {
            fs::copy(corpusFolder, folder);
            std::vector<std::string> copies;
            for (const std::string& path : corpusFiles) {
                copies.push_back(folder + "/" + fs::path(path).filename().string());
            }
            return copies;
        },
        [](std::vector<std::string> files) {
            RunRequest request;
            for (const auto& [find, replace] : benchmarkPairs()) {
                request.finds.push_back(inNotation(find));
                request.replaces.push_back(inNotation(replace));
            }
            request.files = std::move(files);
            return request;
        });
    char heading[96];
    std::snprintf(heading, sizeof heading, "file contents: the text corpus, %zu files", corpusFiles.size());
    print(heading, contents);

    const Cost names = measure(
        work,
        [](const std::string& folder) {
            fs::create_directories(folder);
            std::vector<std::string> files;
            for (int i = 0; i < kNames; ++i) {
                files.push_back(folder + "/old-" + std::to_string(i) + ".txt");
                std::ofstream(files.back());
            }
            return files;
        },
        [](std::vector<std::string> files) {
            RunRequest request;
            request.finds = {"old"};
            request.replaces = {"new"};
            request.files = std::move(files);
            request.mode = ReplaceMode::FileNames;
            return request;
        });
    std::snprintf(heading, sizeof heading, "file names: %d empty files renamed", kNames);
    print(heading, names);
}

namespace {

constexpr int kSmallFiles = 2'000;
// Within the 1 GiB that a run may keep for undo: a larger one runs without undo.
constexpr std::uint64_t kLargeBytes = std::uint64_t{1000} << 20;

std::vector<std::string> runner(const std::string& app, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {MORVANE_CLI_PATH, "--app-dir", app});
    return arguments;
}

void processLine(const char* what, const ProcessOutcome& outcome, double reference = 0) {
    std::printf("    %-26s %8.3f s  peak %8.1f MB", what, outcome.seconds,
                static_cast<double>(outcome.peakKilobytes) / 1024.0);
    if (reference > 0) {
        std::printf("  = %5.2f x execute", outcome.seconds / reference);
    }
    std::printf("%s\n", outcome.ran ? "" : "  (FAILED)");
    std::fflush(stdout);
}

// An execute run over the files, then its undo, each the median of the repeats on a fresh copy; whether the
// undo always put back what the files held.
bool executeThenUndo(const std::string& work, const char* what, int repeats,
                     const std::function<std::vector<std::string>(const std::string&)>& make,
                     const std::function<bool(const std::vector<std::string>&)>& asMade) {
    const std::string folder = work + "/undo-files";
    const std::string app = work + "/undo-app";
    const std::string output = work + "/undo-output.txt";
    std::vector<ProcessOutcome> executed;
    std::vector<ProcessOutcome> undone;
    bool sound = true;
    for (int i = 0; i < repeats; ++i) {
        fs::remove_all(folder);
        fs::remove_all(app);
        fs::create_directories(app);
        std::vector<std::string> arguments{"execute", "--pair", "old", "new", "--"};
        const std::vector<std::string> files = make(folder);
        arguments.insert(arguments.end(), files.begin(), files.end());
        executed.push_back(runProcess(runner(app, arguments), output));
        undone.push_back(runProcess(runner(app, {"undo"}), output));
        sound = sound && executed.back().ran && undone.back().ran && asMade(files);
    }
    fs::remove_all(folder);
    fs::remove_all(app);
    const auto byTime = [](const ProcessOutcome& a, const ProcessOutcome& b) {
        return a.seconds < b.seconds;
    };
    std::sort(executed.begin(), executed.end(), byTime);
    std::sort(undone.begin(), undone.end(), byTime);
    std::printf("  %s\n", what);
    processLine("morvane-cli execute", executed[executed.size() / 2]);
    processLine("morvane-cli undo", undone[undone.size() / 2], executed[executed.size() / 2].seconds);
    std::printf("    %-26s %s\n", "put back as before", sound ? "yes" : "NO");
    return sound;
}

std::string smallText(int i) {
    return "file " + std::to_string(i) + ": the old text, and old again\n";
}

} // namespace

bool printUndoNextToExecute(const std::string& work, bool large) {
    std::printf("\nUndo next to the execute run it takes back (runner processes, medians of 3)\n");
    bool sound = executeThenUndo(
        work, "2,000 small files", 3,
        [](const std::string& folder) {
            fs::create_directories(folder);
            std::vector<std::string> files;
            for (int i = 0; i < kSmallFiles; ++i) {
                files.push_back(folder + "/" + std::to_string(i) + ".txt");
                std::ofstream(files.back()) << smallText(i);
            }
            return files;
        },
        [](const std::vector<std::string>& files) {
            for (int i = 0; i < kSmallFiles; ++i) {
                std::ifstream in(files[static_cast<std::size_t>(i)]);
                const std::string text((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
                if (text != smallText(i)) {
                    return false;
                }
            }
            return true;
        });
    if (large) {
        const std::string line = "a line of the old text that the run rewrites, with more words after it\n";
        sound = executeThenUndo(
                    work, "one file of 1,000 MiB", 1,
                    [&](const std::string& folder) {
                        fs::create_directories(folder);
                        const std::string file = folder + "/large.txt";
                        std::ofstream out(file, std::ios::binary);
                        std::string block;
                        while (block.size() < (std::size_t{1} << 20)) {
                            block += line;
                        }
                        for (std::uint64_t written = 0; written < kLargeBytes; written += block.size()) {
                            out.write(block.data(), static_cast<std::streamsize>(block.size()));
                        }
                        return std::vector<std::string>{file};
                    },
                    [&](const std::vector<std::string>& files) {
                        std::ifstream in(files[0], std::ios::binary);
                        std::string block(1 << 20, '\0');
                        std::uint64_t total = 0;
                        while (in.read(block.data(), static_cast<std::streamsize>(block.size())) ||
                               in.gcount() > 0) {
                            const std::string_view got(block.data(), static_cast<std::size_t>(in.gcount()));
                            if (got.find("new") != std::string_view::npos) {
                                return false;
                            }
                            total += got.size();
                        }
                        return total >= kLargeBytes;
                    }) &&
                sound;
    }
    return sound;
}

} // namespace morvane::bench
