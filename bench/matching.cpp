#include "matching.h"

#include "contenders.h"

#include <cstdio>
#include <filesystem>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kRounds = 3;

// Identifiers and words a rename across a source tree touches. None holds a character the pairs' notation
// or a shell would read, so that every tool is given the same text.
const Pairs kIdentifierPairs{{"get_value", "fetch_value"},  {"set_value", "store_value"},
                             {"buffer_len", "buffer_size"}, {"mutex_lock", "lock_mutex"},
                             {"printk", "log_message"},     {"kmalloc", "allocate"},
                             {"NULL", "nullptr"},           {"config", "settings"},
                             {"dev_err", "device_error"},   {"return", "yield"}};

const Pairs kWordPairs{{"dev", "device"}, {"ret", "result"}, {"len", "length"},  {"buf", "buffer"},
                       {"err", "error"},  {"val", "value"},  {"ptr", "pointer"}, {"idx", "index"},
                       {"cnt", "count"},  {"tmp", "scratch"}};

// RE2 reads \w and \d as ASCII, sd and ripgrep as Unicode: the classes are spelled out so that every tool
// reads the patterns alike, even next to a letter such as é. Groups as ${n}, which both take.
const Pairs kPatternPairs{{"\\bget_([A-Za-z0-9_]+)", "fetch_${1}"},
                          {"IMG_([0-9]+)\\.JPG", "Holiday_${1}.jpg"},
                          {"0x0+([0-9a-f]+)", "0x${1}"},
                          {"\\bu(8|16|32|64)\\b", "uint${1}_t"},
                          {"([A-Za-z0-9_]+)_lock\\(", "lock_${1}("},
                          {"#define[ \\t]+([A-Za-z0-9_]+)", "#define ${1}"},
                          {"([0-9]+) ?ms\\b", "${1}_ms"},
                          {"\\b(TODO|FIXME)\\b", "NOTE"},
                          {"\\bstruct ([A-Za-z0-9_]+) \\*", "struct ${1}_t *"},
                          {"\\bCONFIG_([A-Za-z0-9_]+)", "OPTION_${1}"}};

// One way of matching: the runner's flag for every pair, and ripgrep's and sd's for the same matching.
struct Group {
    std::string name;
    std::vector<std::string> runnerFlags;
    std::vector<std::string> ripgrepFlags;
    std::vector<std::string> sdFlags;
    const Pairs& pairs;
};

std::vector<Group> groups() {
    return {{"10 literal pairs", {}, {"-F"}, {"-s"}, kIdentifierPairs},
            {"the same 10, ignoring case", {"-i"}, {"-F", "-i"}, {"-s", "-f", "i"}, kIdentifierPairs},
            {"10 whole-word pairs", {"-w"}, {"-F", "-w"}, {"-s", "-f", "w"}, kWordPairs},
            {"10 pattern pairs", {"-E"}, {}, {}, kPatternPairs}};
}

std::string flagsText(const std::vector<std::string>& flags) {
    std::string text;
    for (const std::string& flag : flags) {
        text += " " + flag;
    }
    return text;
}

std::vector<std::string> ripgrepCount(const Group& group, const std::string& folder) {
    std::vector<std::string> command =
        joined({"rg", "--count-matches", "--no-ignore", "--hidden", "-a"}, group.ripgrepFlags);
    for (const auto& pair : group.pairs) {
        command.insert(command.end(), {"-e", pair.first});
    }
    command.push_back(folder);
    return command;
}

// sd takes one pair a run: each pair over every file in turn, as a user chains them.
Sample sdOnePairARun(const Group& group, const std::string& list, const std::string& output) {
    Sample total{0, 0, -1, true};
    for (const auto& [find, replace] : group.pairs) {
        const ProcessOutcome outcome = runProcess(
            joined(joined({"xargs", "-0", "-a", list, "sd"}, group.sdFlags), {find, replace}), output);
        total.seconds += outcome.seconds;
        total.peakKilobytes = std::max(total.peakKilobytes, outcome.peakKilobytes);
        total.ran = total.ran && outcome.ran;
    }
    return total;
}

struct GroupFigures {
    double simulate = 0;
    bool sameBytes = true;
};

// The count and execute rows of one group. Returns the runner's median simulate time and whether its execute
// left sd's bytes.
GroupFigures printGroup(const std::string& work, const Group& group, const std::string& countFolder,
                        const std::string& executeFolder, const std::vector<std::string>& below) {
    const std::string output = work + "/matching-output";
    const std::string runnerCopy = work + "/matching-runner";
    const std::string sdCopy = work + "/matching-sd";
    const std::string list = work + "/matching-list0";
    std::vector<Contender> contenders{
        processContender(
            "morvane-cli simulate -r" + flagsText(group.runnerFlags),
            joined(joined(joined({MORVANE_CLI_PATH, "simulate"}, group.runnerFlags), kRunnerWholeFolder),
                   joined(runnerPairs(group.pairs), {"--", countFolder})),
            output, runnerTotalOf),
        processContender("rg --count-matches" + flagsText(group.ripgrepFlags),
                         ripgrepCount(group, countFolder), output, ripgrepTotalOf),
        {"morvane-cli execute -r" + flagsText(group.runnerFlags) + ", a copy",
         [&] {
             copyFolder(executeFolder, runnerCopy);
             return runnerExecute(work, joined(joined(group.runnerFlags, kRunnerWholeFolder),
                                               joined(runnerPairs(group.pairs), {"--", runnerCopy})));
         }},
        {"sd" + flagsText(group.sdFlags) + ", a run per pair, a copy",
         [&] {
             copyFolder(executeFolder, sdCopy);
             writeList(list, pathsBelow(sdCopy, below), '\0');
             return sdOnePairARun(group, list, output);
         }},
    };
    std::printf("\n  %s; medians of %d rotating rounds, load %s before", group.name.c_str(), kRounds,
                loadAverage().c_str());
    std::fflush(stdout);
    runInRotatingRounds(contenders, kRounds);
    std::printf(", %s after\n", loadAverage().c_str());
    printTable(contenders, contenders[1]);
    GroupFigures figures{medianSecondsOf(contenders[0]), true};
    std::printf("  %-44s %8.2f x\n", "execute / sd (paired)", pairedRatio(contenders[2], contenders[3]));
    if (allRan(contenders[2]) && allRan(contenders[3])) {
        const std::size_t differ = filesThatDiffer(below, runnerCopy, sdCopy);
        figures.sameBytes = differ == 0;
        std::printf("  %-44s %s\n", "execute's bytes next to sd's",
                    differ == 0 ? "the same in every file"
                                : (std::to_string(differ) + " files DIFFER").c_str());
    }
    fs::remove_all(runnerCopy);
    fs::remove_all(sdCopy);
    fs::remove_all(work + "/execute-app");
    return figures;
}

} // namespace

bool printMatchingFigures(const std::string& work, const std::string& countFolder,
                          const std::string& executeFolder) {
    const std::vector<std::string> countFiles = regularFilesBelow(countFolder);
    const std::vector<std::string> executeFiles = regularFilesBelow(executeFolder);
    std::vector<std::string> below;
    for (const std::string& file : executeFiles) {
        below.push_back(file.substr(executeFolder.size()));
    }
    std::printf("\nMatching: counting over %s (%zu files, %.1f MB), executing on copies of %s (%zu files, "
                "%.1f MB)\n",
                countFolder.c_str(), countFiles.size(), static_cast<double>(bytesOf(countFiles)) / 1e6,
                executeFolder.c_str(), executeFiles.size(), static_cast<double>(bytesOf(executeFiles)) / 1e6);
    std::printf(
        "  (the runner chains its pairs, each reading what the one before left, and counts a literal "
        "pair's overlapping occurrences; ripgrep counts the leftmost matches of all patterns at once; "
        "so the totals may differ)\n");
    bool sameBytes = true;
    double literal = 0;
    for (const Group& group : groups()) {
        const GroupFigures figures = printGroup(work, group, countFolder, executeFolder, below);
        sameBytes = sameBytes && figures.sameBytes;
        if (literal == 0) {
            literal = figures.simulate;
        } else {
            std::printf("  %-44s %8.2f x\n", "simulate / literal pairs' simulate (medians)",
                        figures.simulate / literal);
        }
    }
    return sameBytes;
}

} // namespace morvane::bench
