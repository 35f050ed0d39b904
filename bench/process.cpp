#include "process.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace morvane::bench {

ProcessOutcome runProcess(std::vector<std::string> arguments, const std::string& outputFile,
                          const std::string* inputFile) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (inputFile) {
        posix_spawn_file_actions_addopen(&actions, 0, inputFile->c_str(), O_RDONLY, 0);
    }
    ProcessOutcome outcome;
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        outcome.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        outcome.peakKilobytes = usage.ru_maxrss;
        std::ifstream in(outputFile);
        outcome.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    posix_spawn_file_actions_destroy(&actions);
    return outcome;
}

std::int64_t runnerTotalOf(const std::string& runnerOutput) {
    const std::size_t at = runnerOutput.rfind("total\t");
    return at == std::string::npos ? -1 : std::stoll(runnerOutput.substr(at + 6));
}

} // namespace morvane::bench
