#include "undo_cost.h"

#include "corpus.h"
#include "engine/run.h"
#include "engine/run_journal.h"
#include "engine/undo.h"
#include "timing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

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
            run.ausfuehren = true;
            run.stateFolder = state;
            run.keepForUndo = keep;
            (keep ? journaled : bare).push_back(secondsOf([&] { ErsetzenSimulieren(run); }));
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

} // namespace morvane::bench
