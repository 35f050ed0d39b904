// Prints the figures of a simulate run over a generated corpus next to the floor the machine allows and to
// other tools doing the same work; given a folder after the work folder, those of runs over the real tree of
// files below it instead; given "large-files", those of one file of 1 GiB and one of 4 GiB streamed; given
// "matching", only those of pairs with options over generated source files (or the folder after it); given
// "encodings", those of files with a byte-order mark. Run it through "./build.sh bench".

#include "core/platform/text_file.h"
#include "core/run/run.h"
#include "core/text/occurrences.h"
#include "corpus.h"
#include "encoded_files.h"
#include "expansion.h"
#include "large_file.h"
#include "leftover_scan.h"
#include "long_find.h"
#include "matching.h"
#include "process.h"
#include "real_tree.h"
#include "scale.h"
#include "timing.h"
#include "undo_cost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace morvane;
using namespace morvane::bench;
namespace fs = std::filesystem;

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// Pairs with options over generated source files: small enough that the section takes a minute or two.
bool printGeneratedMatchingFigures(const std::string& work) {
    const std::string folder = work + "/code-corpus";
    ensureCodeCorpus(folder, 500, 10'000'000);
    return printMatchingFigures(work, folder, folder);
}

const char* const kPerlScript = R"(use strict;
my $list = shift; my @pairs;
while (@ARGV) { my $f = pack("H*", shift); my $r = pack("H*", shift); push @pairs, [$f, $r]; }
open my $l, '<', $list or die; my @paths = split /\n/, <$l>; close $l; my $total = 0;
for my $path (@paths) {
  open my $in, '<:raw', $path or next; my $t = <$in>; close $in;
  for my $p (@pairs) {
    my ($f, $r) = @$p;
    for (my $at = index($t, $f); $at >= 0; $at = index($t, $f, $at + 1)) { $total++; }
    $t =~ s/\Q$f\E/$r/g;
  }
}
print "$total\n";
)";

const char* const kPythonScript = R"(import sys
args = sys.argv[2:]
pairs = [(bytes.fromhex(args[i]), bytes.fromhex(args[i + 1])) for i in range(0, len(args), 2)]
total = 0
for path in open(sys.argv[1]).read().split('\n'):
    if not path:
        continue
    t = open(path, 'rb').read()
    for f, r in pairs:
        at = t.find(f)
        while at >= 0:
            total += 1
            at = t.find(f, at + 1)
        t = t.replace(f, r)
print(total)
)";

struct Figures {
    double read = 0, floor = 0, simulateOne = 0, simulateAll = 0, runner = 0, perl = 0, python = 0;
    double execute = 0, names = 0;
    long runnerPeakKilobytes = 0;
};

void line(const char* what, double seconds, const char* note = "") {
    std::printf("  %-34s %9.1f ms  %s\n", what, seconds * 1000, note);
}

} // namespace

int main(int argc, char** argv) {
    startLauncher();
    const std::string work = argc > 1 ? argv[1] : "bench-work";
    if (argc > 2 && std::string(argv[2]) == "large-files") {
        return printLargeFileFigures(work) ? 0 : 1;
    }
    if (argc > 2 && std::string(argv[2]) == "encodings") {
        return printEncodedFileFigures(work) ? 0 : 1;
    }
    if (argc > 2 && (std::string(argv[2]) == "undo" || std::string(argv[2]) == "undo-large")) {
        return printUndoNextToExecute(work, std::string(argv[2]) == "undo-large") ? 0 : 1;
    }
    if (argc > 2 && std::string(argv[2]) == "matching") {
        return (argc > 3 ? printMatchingFigures(work, argv[3], argv[3]) : printGeneratedMatchingFigures(work))
                   ? 0
                   : 1;
    }
    if (argc > 2 && std::string(argv[2]) == "small-files") {
        printSmallFilesExecuteFigures(work);
        return 0;
    }
    if (argc > 2) {
        printTreeFigures(work, argv[2]);
        return 0;
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf("Morvane benchmark: %u cores, medians of 5 (other tools: of 3)\n", cores);
    std::fflush(stdout);
    const Corpus corpus = ensureTextCorpus(work + "/text-corpus", 1000, 100'000'000);
    std::printf("  corpus: %zu files, %.1f MB, largest %.1f MB, %zu pairs\n\n", corpus.files.size(),
                static_cast<double>(corpus.bytes) / 1e6, static_cast<double>(corpus.largestFile) / 1e6,
                benchmarkPairs().size());

    Figures f;
    std::string buffer;
    f.read = medianSeconds(5, [&] {
        for (const std::string& path : corpus.files) {
            readTextFileInto(path, buffer);
        }
    });
    const auto pairs = benchmarkPairs();
    std::int64_t floorCount = 0;
    f.floor = medianSeconds(5, [&] {
        floorCount = 0;
        for (const std::string& path : corpus.files) {
            readTextFileInto(path, buffer);
            for (const auto& pair : pairs) {
                floorCount += countOccurrences(buffer, pair.first);
            }
        }
    });
    std::int64_t total = 0;
    f.simulateOne = medianSeconds(5, [&] { total = runPairs(benchmarkRequest(corpus.files, 1)).total; });
    std::int64_t totalAll = 0;
    f.simulateAll = medianSeconds(5, [&] { totalAll = runPairs(benchmarkRequest(corpus.files, 0)).total; });

    const std::string outputFile = work + "/bench-output.txt";
    std::vector<std::string> runnerArguments{MORVANE_CLI_PATH, "simulate"};
    std::vector<std::string> scriptPairs;
    for (const auto& [find, replace] : pairs) {
        runnerArguments.insert(runnerArguments.end(), {"--pair", inNotation(find), inNotation(replace)});
        scriptPairs.insert(scriptPairs.end(), {hexOf(find), hexOf(replace)});
    }
    runnerArguments.push_back("--");
    runnerArguments.insert(runnerArguments.end(), corpus.files.begin(), corpus.files.end());
    std::vector<double> runnerTimes;
    std::int64_t runnerTotal = -1;
    for (int i = 0; i < 5; ++i) {
        const ProcessOutcome outcome = runProcess(runnerArguments, outputFile);
        runnerTimes.push_back(outcome.seconds);
        runnerTotal = runnerTotalOf(outcome.out);
        f.runnerPeakKilobytes = std::max(f.runnerPeakKilobytes, outcome.peakKilobytes);
    }
    f.runner = median(runnerTimes);

    const std::string listFile = work + "/bench-files.txt";
    {
        std::ofstream list(listFile);
        for (const std::string& path : corpus.files) {
            list << path << '\n';
        }
    }
    const auto timeScript = [&](const char* interpreter, const char* flag, const char* script,
                                std::int64_t& scriptTotal) {
        const std::string scriptFile = work + "/bench-script";
        std::ofstream(scriptFile) << script;
        std::vector<std::string> arguments{interpreter};
        if (*flag) {
            arguments.push_back(flag);
        }
        arguments.insert(arguments.end(), {scriptFile, listFile});
        arguments.insert(arguments.end(), scriptPairs.begin(), scriptPairs.end());
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) {
            const ProcessOutcome outcome = runProcess(arguments, outputFile);
            if (!outcome.ran) {
                return 0.0;
            }
            times.push_back(outcome.seconds);
            scriptTotal = std::atoll(outcome.out.c_str());
        }
        return median(times);
    };
    std::int64_t perlTotal = -1;
    std::int64_t pythonTotal = -1;
    f.perl = timeScript("perl", "-0777", kPerlScript, perlTotal);
    f.python = timeScript("python3", "", kPythonScript, pythonTotal);

    const std::string copyFolder = work + "/execute-copy";
    std::vector<double> executeTimes;
    for (int i = 0; i < 3; ++i) {
        fs::remove_all(copyFolder);
        fs::copy(work + "/text-corpus", copyFolder);
        std::vector<std::string> copies;
        for (const std::string& path : corpus.files) {
            copies.push_back(copyFolder + "/" + fs::path(path).filename().string());
        }
        RunRequest request = benchmarkRequest(copies, 1);
        request.execute = true;
        executeTimes.push_back(secondsOf([&] { runPairs(request); }));
    }
    f.execute = median(executeTimes);
    fs::remove_all(copyFolder);

    const std::vector<std::string> names = ensureNameCorpus(work + "/name-corpus", 100'000);
    RunRequest namesRequest{.finds = {"old", "report", "^chr(46)log"},
                            .replaces = {"new", "summary", ".txt"},
                            .files = names,
                            .mode = ReplaceMode::FileNames};
    std::int64_t namesTotal = 0;
    f.names = medianSeconds(5, [&] { namesTotal = runPairs(namesRequest).total; });

    std::printf("Figures\n");
    line("read every file once", f.read);
    line("floor: read + one count per pair", f.floor);
    line("simulate, 1 worker", f.simulateOne);
    line("simulate, all workers", f.simulateAll);
    line("morvane-cli simulate (process)", f.runner);
    line("perl -0777", f.perl, f.perl > 0 ? "" : "(not installed)");
    line("python3", f.python, f.python > 0 ? "" : "(not installed)");
    line("execute on a copy, 1 worker", f.execute);
    line("file names, 100,000 names", f.names);
    std::printf("  %-34s %9.1f MB  (runner process; bound: workers x largest file = %.1f MB + program)\n",
                "peak memory", static_cast<double>(f.runnerPeakKilobytes) / 1024.0,
                cores * static_cast<double>(corpus.largestFile) / 1e6);

    std::printf(
        "\nCounts: simulate %lld, all workers %lld, runner %lld, perl %lld, python %lld, names %lld\n",
        static_cast<long long>(total), static_cast<long long>(totalAll), static_cast<long long>(runnerTotal),
        static_cast<long long>(perlTotal), static_cast<long long>(pythonTotal),
        static_cast<long long>(namesTotal));
    const bool countsEqual = total == totalAll && total == runnerTotal &&
                             (f.perl == 0 || total == perlTotal) && (f.python == 0 || total == pythonTotal);
    std::printf("\nTargets\n");
    std::printf("  simulate (1 worker) / floor        %5.2f   (at most 2)\n", f.simulateOne / f.floor);
    std::printf("  simulate (all) / floor             %5.2f\n", f.simulateAll / f.floor);
    if (f.perl > 0) {
        std::printf("  perl / simulate (all)              %5.1f   (at least 10)\n", f.perl / f.simulateAll);
    }
    std::printf("  1 worker / all workers             %5.2f   (at least 1.7)\n",
                f.simulateOne / f.simulateAll);
    std::printf("  counts equal                       %s\n", countsEqual ? "yes" : "NO");
    printLongFindFigures(work);
    const bool scaleSound = printScaleFigures(work);
    const bool expansionSound = printExpansionFigures(work);
    printLeftoverScanFigures(work);
    printUndoCostFigures(work, work + "/text-corpus", corpus.files);
    const bool undoSound = printUndoNextToExecute(work, false);
    const bool matchingSound = printGeneratedMatchingFigures(work);
    return countsEqual && scaleSound && expansionSound && undoSound && matchingSound ? 0 : 1;
}
