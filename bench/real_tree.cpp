#include "real_tree.h"

#include "core/platform/text_file.h"
#include "core/run/run.h"
#include "core/text/occurrences.h"
#include "corpus.h"
#include "process.h"
#include "timing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;
using Pairs = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> regularFilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error)) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::uint64_t bytesOf(const std::vector<std::string>& files) {
    std::uint64_t bytes = 0;
    for (const std::string& file : files) {
        std::error_code error;
        bytes += fs::file_size(file, error);
    }
    return bytes;
}

bool isWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The most frequent words of six to twenty letters in a sample of the files, most frequent first, each
// replaced by itself with a suffix: pairs a glossary could hold, found in many files and chained where one
// word holds another.
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

RunRequest requestFor(const Pairs& pairs, const std::vector<std::string>& files, bool execute) {
    RunRequest request;
    for (const auto& [find, replace] : pairs) {
        request.finds.push_back(find);
        request.replaces.push_back(replace);
    }
    request.files = files;
    request.execute = execute;
    request.keepForUndo = false;
    return request;
}

unsigned cores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// Runs the work for every file, the files spread over every core.
void onAllCores(const std::vector<std::string>& files, const std::function<void(const std::string&)>& work) {
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < cores(); ++t) {
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < files.size(); i = next++) {
                work(files[i]);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// Wall and processor time, medians of three. On a machine other work shares, the processor time of the
// process's threads is the steadier figure.
struct Times {
    double wall = 0;
    double processor = 0;
};

double processorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Times medianTimes(const std::function<void()>& work) {
    std::vector<double> wall;
    std::vector<double> processor;
    for (int i = 0; i < 3; ++i) {
        const double before = processorSeconds();
        wall.push_back(secondsOf(work));
        processor.push_back(processorSeconds() - before);
    }
    return {median(wall), median(processor)};
}

// What no safe tool can beat: each file read once and scanned once.
Times scanFloor(const std::vector<std::string>& files, const std::string& find) {
    return medianTimes([&] {
        onAllCores(files, [&](const std::string& path) {
            thread_local std::string buffer;
            readTextFileInto(path, buffer);
            countOccurrences(buffer, find);
        });
    });
}

// Each file that changes is written to a new file beside it, flushed and renamed over it; each folder is
// flushed once at the end. No identity checks, attributes or journal.
double rewriteFloor(const std::vector<std::string>& files, const Pairs& pairs) {
    std::mutex foldersGuard;
    std::set<std::string> folders;
    return secondsOf([&] {
        onAllCores(files, [&](const std::string& path) {
            thread_local std::string text;
            readTextFileInto(path, text);
            std::int64_t replaced = 0;
            for (const auto& [find, replace] : pairs) {
                replaced += replaceInPlace(text, find, replace);
            }
            if (replaced == 0) {
                return;
            }
            const std::string temporary = path + ".floor";
            const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            const bool written =
                fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            if (fd >= 0) {
                ::fdatasync(fd);
                ::close(fd);
            }
            if (written) {
                ::rename(temporary.c_str(), path.c_str());
            }
            std::lock_guard lock(foldersGuard);
            folders.insert(fs::path(path).parent_path().string());
        });
        for (const std::string& folder : folders) {
            const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::fsync(fd);
            ::close(fd);
        }
    });
}

// The same files below a copy of the folder.
std::vector<std::string> copyOf(const std::string& folder, const std::string& copy,
                                const std::vector<std::string>& files) {
    fs::remove_all(copy);
    fs::copy(folder, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    std::vector<std::string> copies;
    for (const std::string& file : files) {
        copies.push_back(copy + file.substr(folder.size()));
    }
    return copies;
}

std::string writeList(const std::string& listFile, const std::vector<std::string>& files, char end) {
    std::ofstream list(listFile, std::ios::binary);
    for (const std::string& file : files) {
        list << file << end;
    }
    return listFile;
}

// The median of three runs of the work, each over a fresh copy of the folder made and flushed before the
// clock starts; the last copy stays, for its bytes to be compared.
double medianOnCopies(const std::string& folder, const std::string& copy,
                      const std::vector<std::string>& files,
                      const std::function<void(const std::vector<std::string>&)>& work) {
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        const std::vector<std::string> copies = copyOf(folder, copy, files);
        ::sync();
        times.push_back(secondsOf([&] { work(copies); }));
    }
    return median(times);
}

// A peer's time over fresh copies, or 0 when it is not installed.
double peerSeconds(const std::string& work, const std::string& folder, const std::string& copy,
                   const std::vector<std::string>& files, const std::vector<std::string>& command) {
    bool ran = true;
    const double seconds = medianOnCopies(folder, copy, files, [&](const std::vector<std::string>& copies) {
        std::vector<std::string> arguments{"xargs", "-0", "-a", writeList(work + "/peer-list", copies, '\0')};
        arguments.insert(arguments.end(), command.begin(), command.end());
        ran = runProcess(arguments, work + "/peer-output").ran && ran;
    });
    return ran ? seconds : 0;
}

// The paths below one copy whose bytes differ from the same path below the other.
std::size_t filesThatDiffer(const std::vector<std::string>& files, const std::string& folder,
                            const std::string& one, const std::string& other) {
    std::size_t differ = 0;
    for (const std::string& file : files) {
        const std::string below = file.substr(folder.size());
        differ += readTextFileOrEmpty(one + below) != readTextFileOrEmpty(other + below) ? 1 : 0;
    }
    return differ;
}

void line(const char* what, double seconds, double reference, const char* referenceName) {
    if (seconds <= 0) {
        std::printf("  %-40s %9s     (not installed)\n", what, "-");
        return;
    }
    std::printf("  %-40s %9.2f s  %6.2f x %s\n", what, seconds, seconds / reference, referenceName);
}

void printLoad() {
    std::ifstream load("/proc/loadavg");
    std::string figure;
    load >> figure;
    std::printf("  (load average %s)\n", figure.c_str());
}

void printExecuteFigures(const std::string& work, const std::string& folder,
                         const std::vector<std::string>& files, const Pairs& pairs) {
    const std::string copy = work + "/execute-copy";
    const std::string peerCopy = work + "/peer-copy";
    const std::string state = work + "/state";
    printLoad();
    const double floor = medianOnCopies(
        folder, copy, files, [&](const std::vector<std::string>& copies) { rewriteFloor(copies, pairs); });
    std::int64_t total = 0;
    int runs = 0;
    const auto morvane = [&](bool keepForUndo) {
        return [&, keepForUndo](const std::vector<std::string>& copies) {
            // A state folder of its own for each run, there already as the program's own is, so that no run
            // drops the kept files of one before.
            const std::string runState = state + "/" + std::to_string(runs++);
            fs::create_directories(runState);
            RunRequest request = requestFor(pairs, copies, true);
            request.stateFolder = runState;
            request.keepForUndo = keepForUndo;
            const RunResult result = runPairs(request);
            total = result.total;
            if (!result.notUndoable.empty()) {
                std::printf("  NOT UNDOABLE: %s\n", result.notUndoable.c_str());
            }
        };
    };
    const double withoutUndo = medianOnCopies(folder, copy, files, morvane(false));
    fs::remove_all(state);
    const double withUndo = medianOnCopies(folder, copy, files, morvane(true));
    const double dropKept = secondsOf([&] {
                                fs::remove_all(state);
                                ::sync();
                            }) /
                            3;
    std::vector<std::string> sed{"sed", "-i"};
    std::string perl;
    for (const auto& [find, replace] : pairs) {
        sed.insert(sed.end(), {"-e", "s/" + find + "/" + replace + "/g"});
        perl += "s/" + find + "/" + replace + "/g;";
    }
    const double perlSeconds = peerSeconds(work, folder, peerCopy, files, {"perl", "-pi", "-e", perl});
    const double sedSeconds = peerSeconds(work, folder, peerCopy, files, sed);
    const std::size_t differ = sedSeconds > 0 ? filesThatDiffer(files, folder, copy, peerCopy) : 0;
    fs::remove_all(copy);
    fs::remove_all(peerCopy);
    std::printf("  execute, %zu pairs, on a copy (%lld replaced); medians of 3, each on a fresh copy\n",
                pairs.size(), static_cast<long long>(total));
    line("floor: read + rewrite + fdatasync", floor, floor, "floor");
    line("morvane execute, no undo journal", withoutUndo, floor, "floor");
    line("morvane execute, undo journal", withUndo, floor, "floor");
    line("  later: dropping a run's kept files", dropKept, withUndo, "its run");
    line("sed -i (no flush)", sedSeconds, withoutUndo, "morvane, no undo");
    line("  same", sedSeconds, withUndo, "morvane, undo");
    line("perl -pi (no flush)", perlSeconds, withoutUndo, "morvane, no undo");
    std::printf("  files whose bytes differ from sed -i's: %zu\n", differ);
    printLoad();
}

// A simulate line with its processor time beside the wall time, both also against the reference's.
void timesLine(const char* what, const Times& times, const Times& reference, const char* referenceName) {
    std::printf("  %-36s %9.2f s  %6.2f x %-9s  processor %6.2f s  %6.2f x\n", what, times.wall,
                times.wall / reference.wall, referenceName, times.processor,
                times.processor / reference.processor);
}

void printSimulateFigures(const std::string& work, const std::vector<std::string>& files,
                          const Pairs& glossary) {
    const Times floor = scanFloor(files, glossary.front().first);
    std::printf("  simulate (in process, %u workers)\n", cores());
    timesLine("floor: read + scan once", floor, floor, "floor");
    Times ten;
    for (const std::size_t n : {1, 10, 100, 1000}) {
        const Pairs pairs = firstPairs(glossary, n);
        std::int64_t total = 0;
        const Times times = medianTimes([&] { total = runPairs(requestFor(pairs, files, false)).total; });
        ten = n == 10 ? times : ten;
        char what[64];
        std::snprintf(what, sizeof what, "%zu pairs (%lld found)", pairs.size(),
                      static_cast<long long>(total));
        timesLine(what, times, floor, "floor");
        if (n > 10) {
            timesLine("", times, ten, "10 pairs");
        }
    }
    std::vector<std::string> ripgrep{"rg", "-F", "--count-matches", "--no-ignore", "--hidden", "-a"};
    std::vector<std::string> runner{MORVANE_CLI_PATH, "simulate"};
    for (const auto& [find, replace] : firstPairs(glossary, 10)) {
        ripgrep.insert(ripgrep.end(), {"-e", find});
        runner.insert(runner.end(), {"--pair", find, replace});
    }
    std::vector<std::string> rgArguments{"xargs", "-0", "-a", writeList(work + "/rg-list", files, '\0')};
    rgArguments.insert(rgArguments.end(), ripgrep.begin(), ripgrep.end());
    const ProcessOutcome rg = runProcess(rgArguments, work + "/peer-output");
    line("ripgrep, 10 patterns, unchained", rg.ran ? rg.seconds : 0, ten.wall, "morvane 10 pairs");
    runner.insert(runner.end(), {"--files-from", writeList(work + "/runner-list", files, '\n')});
    const ProcessOutcome process = runProcess(runner, work + "/peer-output");
    std::printf("  %-36s %9.2f s  peak %.1f MB%s\n", "morvane-cli simulate, 10 pairs", process.seconds,
                static_cast<double>(process.peakKilobytes) / 1024.0, process.ran ? "" : " (FAILED)");
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
    std::printf("Real tree %s: %zu files, %.1f MB; medians of 3, page cache warm after the first\n",
                folder.c_str(), files.size(), static_cast<double>(bytesOf(files)) / 1e6);
    std::fflush(stdout);
    const Pairs glossary = frequentWordPairs(files, 1000);
    printSimulateFigures(work, files, glossary);
    std::fflush(stdout);
    printExecuteFigures(work, folder, files, firstPairs(glossary, 10));

    const Corpus small = ensureTextCorpus(work + "/small-corpus", 20'000, 85'000'000);
    std::printf("\nGenerated: %zu small files, %.1f MB\n", small.files.size(),
                static_cast<double>(small.bytes) / 1e6);
    std::fflush(stdout);
    printExecuteFigures(work, work + "/small-corpus", small.files,
                        firstPairs(frequentWordPairs(small.files, 10), 10));
}

} // namespace morvane::bench
