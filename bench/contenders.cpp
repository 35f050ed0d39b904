#include "contenders.h"

#include "core/platform/text_file.h"
#include "timing.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

namespace morvane::bench {

namespace fs = std::filesystem;

const std::vector<std::string> kRunnerWholeFolder{"-r", "--hidden", "--no-ignore", "--binary"};

void runInRotatingRounds(std::vector<Contender>& contenders, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < contenders.size(); ++i) {
            Contender& contender = contenders[(static_cast<std::size_t>(round) + i) % contenders.size()];
            contender.samples.push_back(contender.run());
        }
    }
}

double medianSecondsOf(const Contender& contender) {
    std::vector<double> seconds;
    for (const Sample& sample : contender.samples) {
        seconds.push_back(sample.seconds);
    }
    return median(seconds);
}

double pairedRatio(const Contender& one, const Contender& other) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < std::min(one.samples.size(), other.samples.size()); ++i) {
        // A round in which either failed tells nothing of their times.
        if (one.samples[i].ran && other.samples[i].ran) {
            ratios.push_back(one.samples[i].seconds / other.samples[i].seconds);
        }
    }
    return ratios.empty() ? std::numeric_limits<double>::quiet_NaN() : median(ratios);
}

bool allRan(const Contender& contender) {
    return std::all_of(contender.samples.begin(), contender.samples.end(),
                       [](const Sample& sample) { return sample.ran; });
}

void printTable(const std::vector<Contender>& contenders, const Contender& reference) {
    std::printf("  %-44s %9s  %9s  %9s  %s\n", "", "median", "paired", "peak", "found");
    for (const Contender& contender : contenders) {
        if (!allRan(contender)) {
            std::printf("  %-44s %9s  (not installed or failed)\n", contender.name.c_str(), "-");
            continue;
        }
        long peak = 0;
        for (const Sample& sample : contender.samples) {
            peak = std::max(peak, sample.peakKilobytes);
        }
        const std::int64_t total = contender.samples.back().total;
        const std::string peakText =
            peak > 0 ? std::to_string(static_cast<int>(static_cast<double>(peak) / 1024.0 + 0.5)) + " MB"
                     : "-";
        std::printf("  %-44s %8.3f s  %8.2f x  %9s  %s\n", contender.name.c_str(), medianSecondsOf(contender),
                    pairedRatio(contender, reference), peakText.c_str(),
                    total >= 0 ? std::to_string(total).c_str() : "");
    }
    std::printf("  (paired: the median over the rounds of the time over that of \"%s\" in the same round)\n",
                reference.name.c_str());
}

Sample sampleOf(const ProcessOutcome& outcome, std::int64_t total) {
    return {outcome.seconds, outcome.peakKilobytes, total, outcome.ran};
}

Contender processContender(const std::string& name, const std::vector<std::string>& arguments,
                           const std::string& output, std::int64_t (*totalOf)(const std::string&)) {
    return {name, [=] {
                const ProcessOutcome outcome = runProcess(arguments, output);
                return sampleOf(outcome, totalOf(outcome.out));
            }};
}

Sample runnerExecute(const std::string& work, const std::vector<std::string>& arguments) {
    static std::atomic<int> runs{0};
    const std::string appFolder = work + "/execute-app/" + std::to_string(runs++);
    fs::create_directories(appFolder);
    const ProcessOutcome outcome = runProcess(
        joined({MORVANE_CLI_PATH, "--app-dir", appFolder, "execute"}, arguments), work + "/execute-output");
    return sampleOf(outcome, runnerTotalOf(outcome.out));
}

std::int64_t ripgrepTotalOf(const std::string& output) {
    std::int64_t total = 0;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        total += std::atoll(line.substr(line.rfind(':') + 1).c_str());
    }
    return total;
}

std::string loadAverage() {
    std::ifstream load("/proc/loadavg");
    std::string figure;
    load >> figure;
    return figure;
}

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

std::string writeList(const std::string& listFile, const std::vector<std::string>& files, char end) {
    std::ofstream list(listFile, std::ios::binary);
    for (const std::string& file : files) {
        list << file << end;
    }
    return listFile;
}

std::vector<std::string> runnerPairs(const Pairs& pairs) {
    std::vector<std::string> arguments;
    for (const auto& [find, replace] : pairs) {
        arguments.insert(arguments.end(), {"--pair", find, replace});
    }
    return arguments;
}

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void copyFolder(const std::string& folder, const std::string& copy) {
    fs::remove_all(copy);
    fs::copy(folder, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    ::sync();
}

std::vector<std::string> pathsBelow(const std::string& folder, const std::vector<std::string>& below) {
    std::vector<std::string> paths;
    for (const std::string& path : below) {
        paths.push_back(folder + path);
    }
    return paths;
}

std::size_t filesThatDiffer(const std::vector<std::string>& below, const std::string& one,
                            const std::string& other) {
    std::size_t differ = 0;
    for (const std::string& path : below) {
        differ += readTextFileOrEmpty(one + path) != readTextFileOrEmpty(other + path) ? 1 : 0;
    }
    return differ;
}

} // namespace morvane::bench
