#include "cli/command_line.h"
#include "engine/run.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace morvane;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::string skipReason(SkipReason reason, ReplaceMode mode) {
    switch (reason) {
    case SkipReason::EmptyPath:
        return "empty path";
    case SkipReason::Missing:
        return "no such file or folder";
    case SkipReason::Folder:
        return mode == ReplaceMode::Contents ? "is a folder; contents mode reads files only" : "is a folder";
    case SkipReason::None:
        break;
    }
    return {};
}

void reportProblem(const std::string& path, const std::string& reason) {
    std::cerr << "morvane-cli: " << path << ": " << reason << '\n';
}

int runAndReport(const RunRequest& request) {
    const RunResult result = ErsetzenSimulieren(request);
    bool anyFailed = !result.failures.empty();
    for (std::size_t i = 0; i < result.rows.size(); ++i) {
        const RowResult& row = result.rows[i];
        std::cout << row.count << '\t' << row.path << '\n';
        if (row.skipped != SkipReason::None) {
            reportProblem(row.path, skipReason(row.skipped, request.mode));
            anyFailed = true;
        }
    }
    std::cout << "total\t" << result.total << '\n';
    for (const RunFailure& failure : result.failures) {
        reportProblem(failure.path, failure.reason);
    }
    std::cout.flush();
    return anyFailed || !std::cout ? kExitFailure : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const cli::ParseOutcome parsed = cli::parseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "morvane-cli: " << parsed.error << "\n\n" << cli::usageText();
        return kExitUsage;
    }
    if (parsed.invocation.help) {
        std::cout << cli::usageText();
        return 0;
    }
    return runAndReport(parsed.invocation.request);
}
