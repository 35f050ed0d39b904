#include "leftover_scan.h"

#include "core/journal/leftovers.h"
#include "core/journal/run_journal.h"
#include "core/run/run.h"
#include "timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 2'000;
constexpr int kFilesPerFolder = 50;

std::vector<std::string> ensureFolderTree(const std::string& root) {
    const fs::path stamp = fs::path(root) / "tree.stamp";
    const bool present = fs::exists(stamp);
    std::vector<std::string> files;
    for (int folder = 0; folder < kFolders; ++folder) {
        const fs::path path = fs::path(root) / ("folder" + std::to_string(folder));
        if (!present) {
            fs::create_directories(path);
        }
        for (int file = 0; file < kFilesPerFolder; ++file) {
            const fs::path name = path / ("file" + std::to_string(file) + ".txt");
            if (!present) {
                std::ofstream(name, std::ios::binary) << "a line of text in file " << file << "\r\n";
            }
            files.push_back(name.string());
        }
    }
    if (!present) {
        std::ofstream(stamp) << kFolders << ' ' << kFilesPerFolder << '\n';
    }
    return files;
}

} // namespace

void printLeftoverScanFigures(const std::string& work) {
    const std::string root = work + "/folder-tree";
    const std::vector<std::string> files = ensureFolderTree(root);
    const std::string state = root + "/app";
    fs::create_directories(state);

    RunRequest request;
    request.finds = {"no such text"};
    request.replaces = {"x"};
    request.files = files;
    request.workers = 1;
    const double simulate = medianSeconds(3, [&] { runPairs(request); });
    request.execute = true;
    const double bare = medianSeconds(3, [&] { runPairs(request); });
    request.stateFolder = state;
    request.keepForUndo = false; // what undo costs is measured on its own
    const double execute = medianSeconds(3, [&] { runPairs(request); });
    const std::vector<std::string> folders = foldersOf(files);
    const double scan = medianSeconds(3, [&] { clearLeftovers(journalFolderIn(state), folders); });

    std::printf("\nClearing up after interrupted runs (%zu files in %zu folders, medians of 3)\n",
                files.size(), folders.size());
    std::printf("  simulate, one worker               %6.3f s\n", simulate);
    std::printf("  execute without journal or search  %6.3f s\n", bare);
    std::printf("  execute with both                  %6.3f s = %5.3f x\n", execute, execute / bare);
    std::printf("  the search of the folders alone    %6.3f s = %4.1f %% of the execute run\n", scan,
                100.0 * scan / execute);
}

} // namespace morvane::bench
