#include "expansion.h"

#include "core/files/folder_expansion.h"
#include "corpus.h"
#include "process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <git2.h>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kSmallFiles = 100'000;
constexpr int kTopFolders = 70;
constexpr int kSubfolders = 10;
constexpr int kFilesPerFolder = 100;
constexpr int kRepeats = 5;
constexpr char kTreeStamp[] = "morvane expansion tree v1";

// A source tree shaped like a large project's: 70 x 10 folders of 100 short files, the folders' rules and
// the top's in .gitignore files, and one ignored build folder per top folder. Written once and reused.
std::string ensureSourceTree(const std::string& folder) {
    const fs::path root(folder);
    const fs::path stamp = root / ".stamp";
    std::string found;
    std::getline(std::ifstream(stamp), found);
    if (found == kTreeStamp) {
        return folder;
    }
    fs::remove_all(root);
    fs::create_directories(root);
    git_libgit2_init();
    git_repository* repository = nullptr;
    if (git_repository_init(&repository, folder.c_str(), 0) == 0) {
        git_repository_free(repository);
    }
    git_libgit2_shutdown();
    std::ofstream(root / ".gitignore") << "*.o\n/.stamp\nbuild/\n";
    for (int top = 0; top < kTopFolders; ++top) {
        const fs::path topFolder = root / ("module" + std::to_string(top));
        fs::create_directories(topFolder / "build");
        std::ofstream(topFolder / ".gitignore") << "*.tmp\n!keep.tmp\n";
        std::ofstream(topFolder / "build" / "out.o") << "object";
        for (int sub = 0; sub < kSubfolders; ++sub) {
            const fs::path subfolder = topFolder / ("part" + std::to_string(sub));
            fs::create_directories(subfolder);
            for (int file = 0; file < kFilesPerFolder; ++file) {
                std::ofstream(subfolder / ("source" + std::to_string(file) + ".cpp"))
                    << "int value" << file << " = " << top * sub << ";\n";
            }
        }
    }
    std::ofstream(stamp) << kTreeStamp << '\n';
    return folder;
}

struct Timed {
    double seconds = 0;
    double processorSeconds = 0;
    std::size_t files = 0;
};

// The medians of several expansions after one that warms the cache. The processor time shows the cost
// where other programs share the machine and stretch the wall-clock time.
Timed timeExpansion(const std::string& folder, const ExpansionOptions& options) {
    expandFolder(folder, options);
    std::vector<double> times;
    std::vector<double> processorTimes;
    Timed timed;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t processorStart = std::clock();
        timed.files = expandFolder(folder, options).files.size();
        processorTimes.push_back(static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::sort(processorTimes.begin(), processorTimes.end());
    timed.seconds = times[times.size() / 2];
    timed.processorSeconds = processorTimes[processorTimes.size() / 2];
    return timed;
}

void expansionLine(const char* what, const Timed& timed) {
    std::printf("  %-40s %7.3f s  (processor %.3f s)  %7zu files\n", what, timed.seconds,
                timed.processorSeconds, timed.files);
}

std::vector<std::string> pairArguments() {
    std::vector<std::string> arguments;
    for (const auto& [find, replace] : benchmarkPairs()) {
        arguments.insert(arguments.end(), {"--pair", inNotation(find), inNotation(replace)});
    }
    return arguments;
}

} // namespace

bool printExpansionFigures(const std::string& work) {
    std::printf("\nFolder expansion (warm cache, medians of %d)\n", kRepeats);
    std::fflush(stdout);
    const std::string tree = ensureSourceTree(work + "/expansion-tree");
    ExpansionOptions noRules;
    noRules.ignored = true;
    expansionLine("70,000-file tree, git rules, binary test", timeExpansion(tree, {}));
    expansionLine("the same without the git rules", timeExpansion(tree, noRules));
    // A real tree shows what a generated one may miss, such as deep folders and long ignore files.
    if (const char* real = std::getenv("MORVANE_BENCH_TREE"); real && *real) {
        expansionLine("MORVANE_BENCH_TREE, ignore rules", timeExpansion(real, {}));
        expansionLine("the same without the ignore rules", timeExpansion(real, noRules));
    }

    const std::string smallFolder = work + "/small-corpus";
    const Corpus small = ensureTextCorpus(smallFolder, kSmallFiles, 100'000'000);
    expansionLine("100,000 generated files in one folder", timeExpansion(smallFolder, {}));

    const std::string list = work + "/expansion-paths";
    {
        std::ofstream out(list, std::ios::binary);
        for (const std::string& file : small.files) {
            out << file << '\0';
        }
    }
    std::vector<std::string> arguments{MORVANE_CLI_PATH, "simulate", "-z", "--files-from", "-"};
    const std::vector<std::string> pairs = pairArguments();
    arguments.insert(arguments.end(), pairs.begin(), pairs.end());
    const ProcessOutcome fromList = runProcess(arguments, work + "/expansion-output", &list);
    const long long total = runnerTotalOf(fromList.out);
    std::printf("  %-40s %7.1f s  peak %.1f MB, total %lld%s\n", "simulate 100,000 paths from stdin",
                fromList.seconds, static_cast<double>(fromList.peakKilobytes) / 1e3, total,
                fromList.ran ? "" : "  (FAILED)");
    return fromList.ran && total >= 0;
}

} // namespace morvane::bench
