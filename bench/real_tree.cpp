#include "real_tree.h"

#include "contenders.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/text_file.h"
#include "core/text/occurrences.h"
#include "corpus.h"
#include "matching.h"
#include "process.h"
#include "timing.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

// The runner spreads the files over one thread per core and renames on this many, so the floors do the same.
constexpr unsigned kRenameThreads = 16;
constexpr int kCountRounds = 5;
constexpr int kWriteRounds = 3;

bool isWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The most frequent words of six to twenty letters in a sample of the files, most frequent first, each
// replaced by itself with a suffix: pairs a glossary could hold, found in many files and chained where one
// word holds another. Being words, they mean the same to sed, perl and ripgrep as to the runner.
Pairs frequentWordPairs(const std::vector<std::string>& files, std::size_t wanted) {
    std::map<std::string, std::int64_t> counts;
    const std::size_t step = std::max<std::size_t>(1, files.size() / 3000);
    std::string text;
    for (std::size_t i = 0; i < files.size(); i += step) {
        readTextFileInto(files[i], text);
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = at;
            while (end < text.size() && isWordByte(text[end])) {
                ++end;
            }
            if (end - at >= 6 && end - at <= 20 && !(text[at] >= '0' && text[at] <= '9')) {
                ++counts[text.substr(at, end - at)];
            }
            at = end + 1;
        }
    }
    std::vector<std::pair<std::int64_t, std::string>> ranked;
    for (const auto& [word, count] : counts) {
        ranked.emplace_back(-count, word);
    }
    std::sort(ranked.begin(), ranked.end());
    Pairs pairs;
    for (std::size_t i = 0; i < ranked.size() && pairs.size() < wanted; ++i) {
        pairs.emplace_back(ranked[i].second, ranked[i].second + "_q");
    }
    return pairs;
}

Pairs firstPairs(const Pairs& pairs, std::size_t n) {
    return Pairs(pairs.begin(), pairs.begin() + static_cast<std::ptrdiff_t>(std::min(n, pairs.size())));
}

unsigned cores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void onThreads(unsigned threadCount, std::size_t count, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < threadCount; ++t) {
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < count; i = next++) {
                work(i);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

std::vector<std::string> ripgrepCommand(const Pairs& pairs) {
    std::vector<std::string> command{"rg", "-F", "--count-matches", "--no-ignore", "--hidden", "-a"};
    for (const auto& pair : pairs) {
        command.insert(command.end(), {"-e", pair.first});
    }
    return command;
}

// What no tool can beat: each file read once and scanned once, on as many threads as the runner uses.
Contender scanFloor(const std::vector<std::string>& files, const std::string& find) {
    return {"floor: read + one scan (in process)", [files, find] {
                Sample sample;
                std::atomic<std::int64_t> found{0};
                sample.seconds = secondsOf([&] {
                    onThreads(cores(), files.size(), [&](std::size_t i) {
                        thread_local std::string buffer;
                        readTextFileInto(files[i], buffer);
                        found += countOccurrences(buffer, find);
                    });
                });
                sample.ran = found >= 0;
                return sample;
            }};
}

void printCountFigures(const std::string& work, const std::string& folder,
                       const std::vector<std::string>& files, const Pairs& glossary) {
    const std::string output = work + "/count-output";
    const std::string list = writeList(work + "/count-list", files, '\n');
    const std::string nulList = writeList(work + "/count-list0", files, '\0');
    Contender tenPairs;
    for (const std::size_t n : {10, 100, 1000}) {
        const Pairs pairs = firstPairs(glossary, n);
        std::vector<Contender> contenders{
            processContender("morvane-cli simulate -r on the folder",
                             joined(joined({MORVANE_CLI_PATH, "simulate"}, kRunnerWholeFolder),
                                    joined(runnerPairs(pairs), {"--", folder})),
                             output, runnerTotalOf),
            processContender(
                "morvane-cli simulate --files-from the list",
                joined(joined({MORVANE_CLI_PATH, "simulate"}, runnerPairs(pairs)), {"--files-from", list}),
                output, runnerTotalOf),
            processContender("rg -F --count-matches on the folder", joined(ripgrepCommand(pairs), {folder}),
                             output, ripgrepTotalOf),
            processContender("xargs rg -F --count-matches, the list",
                             joined({"xargs", "-0", "-a", nulList}, ripgrepCommand(pairs)), output,
                             ripgrepTotalOf),
            scanFloor(files, pairs.front().first),
        };
        std::printf("\n  count, %zu pairs; medians of %d rotating rounds, load %s before", pairs.size(),
                    kCountRounds, loadAverage().c_str());
        std::fflush(stdout);
        runInRotatingRounds(contenders, kCountRounds);
        std::printf(", %s after\n", loadAverage().c_str());
        printTable(contenders, contenders[2]);
        std::printf("  %-44s %8.2f x\n", "morvane (folder) / floor",
                    pairedRatio(contenders[0], contenders[4]));
        if (n == 10) {
            tenPairs = contenders[0];
        } else {
            std::printf("  %-44s %8.2f x\n", "morvane (folder) / its 10-pair time",
                        medianSecondsOf(contenders[0]) / medianSecondsOf(tenPairs));
        }
    }
    std::printf("  (the runner counts every occurrence of each pair in the text the pairs before it left, "
                "overlapping ones too; ripgrep counts leftmost matches of all patterns at once, so the two "
                "totals may differ)\n");
}

// One file of at least a GiB of the tree's own text: the files one after another, again from the first when
// the tree holds less.
std::string ensureTreeTextFile(const std::string& folder, const std::vector<std::string>& files) {
    constexpr std::uint64_t kBytes = std::uint64_t{1} << 30;
    fs::create_directories(folder);
    const std::string path = folder + "/tree-text.txt";
    std::error_code error;
    if (const auto size = fs::file_size(path, error); !error && size >= kBytes) {
        return path;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::uint64_t written = 0;
    std::string text;
    for (std::size_t i = 0; written < kBytes && !files.empty(); i = (i + 1) % files.size()) {
        readTextFileInto(files[i], text);
        out << text;
        written += text.size();
    }
    return path;
}

void printLargeFileFigures(const std::string& work, const std::vector<std::string>& files,
                           const Pairs& glossary) {
    const std::string folder = work + "/tree-text";
    const std::string file = ensureTreeTextFile(folder, files);
    const std::string output = work + "/large-output";
    for (const std::size_t n : {1, 10}) {
        const Pairs pairs = firstPairs(glossary, n);
        std::vector<Contender> contenders{
            processContender("morvane-cli simulate",
                             joined(joined({MORVANE_CLI_PATH, "simulate"}, runnerPairs(pairs)), {"--", file}),
                             output, runnerTotalOf),
            processContender("rg -F --count-matches", joined(ripgrepCommand(pairs), {file}), output,
                             ripgrepTotalOf),
            processContender("floor: cat", {"cat", file}, "/dev/null",
                             [](const std::string&) { return std::int64_t{-1}; }),
        };
        std::printf("\n  one file of %.2f GiB of the tree's text, %zu pair(s); load %s before",
                    static_cast<double>(fs::file_size(file)) / static_cast<double>(1ull << 30), n,
                    loadAverage().c_str());
        std::fflush(stdout);
        runInRotatingRounds(contenders, kWriteRounds);
        std::printf(", %s after\n", loadAverage().c_str());
        printTable(contenders, contenders[1]);
    }
    fs::remove_all(folder);
}

// Each file that changes is written to a new file beside it; the new files are put on disk with one flush of
// the file system, as the runner flushes a batch's, and renamed over the old on as many threads as the runner
// renames on, then each folder is flushed once. No identity checks, attributes or journal.
void rewriteFloor(const std::vector<std::string>& files, const Pairs& pairs) {
    std::vector<char> changed(files.size(), 0);
    onThreads(cores(), files.size(), [&](std::size_t i) {
        thread_local std::string text;
        readTextFileInto(files[i], text);
        std::int64_t replaced = 0;
        for (const auto& [find, replace] : pairs) {
            replaced += replaceInPlace(text, find, replace);
        }
        const std::string temporary = files[i] + ".floor";
        const int fd =
            replaced == 0 ? -1 : ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        changed[i] = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (fd >= 0) {
            ::close(fd);
        }
    });
    if (!files.empty()) {
        const int fd = ::open(files.front().c_str(), O_RDONLY | O_CLOEXEC);
        ::syncfs(fd);
        ::close(fd);
    }
    std::mutex foldersGuard;
    std::set<std::string> folders;
    onThreads(kRenameThreads, files.size(), [&](std::size_t i) {
        if (!changed[i]) {
            return;
        }
        const std::string temporary = files[i] + ".floor";
        ::rename(temporary.c_str(), files[i].c_str());
        std::lock_guard lock(foldersGuard);
        folders.insert(fs::path(files[i]).parent_path().string());
    });
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::fsync(fd);
        ::close(fd);
    }
}

// Each contender writes a fresh copy of the folder of its own, made and flushed before its clock starts; the
// copies of the last round stay until every contender's bytes are compared with sed's.
void printExecuteFigures(const std::string& work, const std::string& folder, const Pairs& pairs) {
    const std::vector<std::string> files = regularFilesBelow(folder);
    std::vector<std::string> below;
    for (const std::string& file : files) {
        below.push_back(file.substr(folder.size()));
    }
    const std::string nulList = work + "/execute-list0";
    std::vector<std::string> sed{"sed", "-i"};
    std::string perl;
    for (const auto& [find, replace] : pairs) {
        sed.insert(sed.end(), {"-e", "s/" + find + "/" + replace + "/g"});
        perl += "s/" + find + "/" + replace + "/g;";
    }
    std::vector<std::string> copies;
    const auto onCopy = [&](const std::string& name, const std::function<Sample(const std::string&)>& write) {
        const std::string copy = work + "/execute-" + std::to_string(copies.size());
        copies.push_back(copy);
        return Contender{name, [=] {
                             copyFolder(folder, copy);
                             return write(copy);
                         }};
    };
    const auto runner = [&](bool keepForUndo) {
        return [&, keepForUndo](const std::string& copy) {
            const std::vector<std::string> undo =
                keepForUndo ? std::vector<std::string>{} : std::vector<std::string>{"--no-undo"};
            return runnerExecute(
                work, joined(joined(undo, kRunnerWholeFolder), joined(runnerPairs(pairs), {"--", copy})));
        };
    };
    const auto peer = [&](const std::vector<std::string>& command) {
        return [&, command](const std::string& copy) {
            writeList(nulList, pathsBelow(copy, below), '\0');
            return sampleOf(
                runProcess(joined({"xargs", "-0", "-a", nulList}, command), work + "/execute-output"), -1);
        };
    };
    // sd takes one pair a run, so its users chain the pairs as runs one after another.
    const auto sdOnePairARun = [&](const std::string& copy) {
        writeList(nulList, pathsBelow(copy, below), '\0');
        Sample total{0, 0, -1, true};
        for (const auto& [find, replace] : pairs) {
            const ProcessOutcome outcome = runProcess(
                {"xargs", "-0", "-a", nulList, "sd", "-s", find, replace}, work + "/execute-output");
            total.seconds += outcome.seconds;
            total.peakKilobytes = std::max(total.peakKilobytes, outcome.peakKilobytes);
            total.ran = total.ran && outcome.ran;
        }
        return total;
    };
    std::vector<Contender> contenders{
        onCopy("morvane-cli execute -r, kept for undo", runner(true)),
        onCopy("morvane-cli execute -r --no-undo", runner(false)),
        onCopy("xargs sed -i (no flush)", peer(sed)),
        onCopy("xargs perl -pi (no flush)", peer({"perl", "-pi", "-e", perl})),
        onCopy("xargs sd, a run per pair (no flush)", sdOnePairARun),
        onCopy("floor: read, rewrite, flush (in process)",
               [&](const std::string& copy) {
                   const std::vector<std::string> copied = pathsBelow(copy, below);
                   return Sample{secondsOf([&] { rewriteFloor(copied, pairs); }), 0, -1, true};
               }),
    };
    std::printf("\n  execute, %zu pairs, %zu files, %.1f MB; medians of %d rotating rounds, each on a fresh "
                "copy; load %s before",
                pairs.size(), files.size(), static_cast<double>(bytesOf(files)) / 1e6, kWriteRounds,
                loadAverage().c_str());
    std::fflush(stdout);
    runInRotatingRounds(contenders, kWriteRounds);
    std::printf(", %s after\n", loadAverage().c_str());
    printTable(contenders, contenders[2]);
    std::printf("  %-44s %8.2f x\n", "kept for undo / --no-undo (paired)",
                pairedRatio(contenders[0], contenders[1]));
    for (std::size_t i = 0; i < contenders.size(); ++i) {
        if (i != 2 && allRan(contenders[i])) {
            std::printf("  %-44s %zu files differ from sed -i's\n", contenders[i].name.c_str(),
                        filesThatDiffer(below, copies[i], copies[2]));
        }
    }
    for (const std::string& copy : copies) {
        fs::remove_all(copy);
    }
    fs::remove_all(work + "/execute-app");
}

// Execute over the whole tree, kept for undo and with --no-undo, where the tree holds more than the journal
// keeps: pairs of less frequent words, so that a part of the tree changes, as when an identifier is renamed
// across a project. In the Linux tree the words ranked 101 to 110 change 1.07 GiB of files, more than the
// journal keeps; those ranked 501 to 510 change about 0.9 GiB. The run is kept for undo when what it
// changes fits, whatever the tree holds.
void printWholeTreeUndoFigures(const std::string& work, const std::string& folder,
                               const std::vector<std::string>& files, const Pairs& glossary) {
    if (bytesOf(files) <= kBytesKeptForUndo || glossary.size() < 510) {
        return;
    }
    const Pairs pairs(glossary.begin() + 500, glossary.begin() + 510);
    const std::string copy = work + "/execute-tree";
    const auto runner = [&](bool keepForUndo) {
        return Contender{
            keepForUndo ? "morvane-cli execute -r, kept for undo" : "morvane-cli execute -r --no-undo",
            [=, &pairs] {
                copyFolder(folder, copy);
                const std::vector<std::string> undo =
                    keepForUndo ? std::vector<std::string>{} : std::vector<std::string>{"--no-undo"};
                return runnerExecute(
                    work, joined(joined(undo, kRunnerWholeFolder), joined(runnerPairs(pairs), {"--", copy})));
            }};
    };
    std::vector<Contender> contenders{runner(true), runner(false)};
    std::printf(
        "\n  execute over the whole tree, 10 pairs (words ranked 501 to 510), %zu files, %.1f MB; medians "
        "of %d rotating rounds, each on a fresh copy; load %s before",
        files.size(), static_cast<double>(bytesOf(files)) / 1e6, kWriteRounds, loadAverage().c_str());
    std::fflush(stdout);
    runInRotatingRounds(contenders, kWriteRounds);
    std::printf(", %s after\n", loadAverage().c_str());
    printTable(contenders, contenders[1]);
    std::size_t kept = 0;
    std::error_code error;
    for (fs::directory_iterator it(work + "/execute-app", error), end; !error && it != end;
         it.increment(error)) {
        kept += listRuns(journalFolderIn(it->path().string())).size();
    }
    std::printf("  %-44s %zu of %d runs kept for undo\n", "kept for undo", kept, kWriteRounds);
    fs::remove_all(copy);
    fs::remove_all(work + "/execute-app");
}

// The kernel's network drivers where the tree is the kernel's, else the whole tree: a folder a user would
// rewrite at once, small enough to copy for every run.
std::string executeFolderOf(const std::string& folder) {
    const std::string drivers = folder + "/drivers/net/ethernet";
    return fs::is_directory(drivers) ? drivers : folder;
}

} // namespace

void printTreeFigures(const std::string& work, const std::string& tree) {
    fs::create_directories(work);
    const std::string folder = fs::absolute(tree).lexically_normal().string();
    const std::vector<std::string> files = regularFilesBelow(folder);
    if (files.empty()) {
        std::printf("No files below %s\n", folder.c_str());
        return;
    }
    std::printf("Real tree %s: %zu files, %.1f MB; every contender a process but the floors, %u cores\n",
                folder.c_str(), files.size(), static_cast<double>(bytesOf(files)) / 1e6, cores());
    const Pairs glossary = frequentWordPairs(files, 1000);
    std::fflush(stdout);
    printCountFigures(work, folder, files, glossary);
    printLargeFileFigures(work, files, glossary);
    printExecuteFigures(work, executeFolderOf(folder), firstPairs(glossary, 10));
    printWholeTreeUndoFigures(work, folder, files, glossary);
    printMatchingFigures(work, folder, executeFolderOf(folder));
    printSmallFilesExecuteFigures(work);
}

void printSmallFilesExecuteFigures(const std::string& work) {
    const std::string smallFolder = work + "/small-corpus";
    const Corpus small = ensureTextCorpus(smallFolder, 20'000, 85'000'000);
    std::printf("\nGenerated: %zu small files, %.1f MB\n", small.files.size(),
                static_cast<double>(small.bytes) / 1e6);
    printExecuteFigures(work, smallFolder, firstPairs(frequentWordPairs(small.files, 10), 10));
}

} // namespace morvane::bench
