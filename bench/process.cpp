#include "process.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace morvane::bench {

namespace {

// What the launcher sends back for a program it ran.
struct Ran {
    int ran = 0;
    double seconds = 0;
    long peakKilobytes = 0;
};

Ran spawnAndWait(std::vector<std::string> arguments, const std::string& outputFile,
                 const std::string& inputFile) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!inputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, inputFile.c_str(), O_RDONLY, 0);
    }
    Ran ran;
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        ran.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ran.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
        ran.peakKilobytes = usage.ru_maxrss;
    }
    posix_spawn_file_actions_destroy(&actions);
    return ran;
}

bool sendAll(int fd, const void* bytes, std::size_t size) {
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t sent = ::write(fd, at, size);
        if (sent <= 0) {
            return false;
        }
        at += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool receiveAll(int fd, void* bytes, std::size_t size) {
    char* at = static_cast<char*>(bytes);
    while (size > 0) {
        const ssize_t got = ::read(fd, at, size);
        if (got <= 0) {
            return false;
        }
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool sendText(int fd, const std::string& text) {
    const std::size_t size = text.size();
    return sendAll(fd, &size, sizeof size) && sendAll(fd, text.data(), size);
}

bool receiveText(int fd, std::string& text) {
    std::size_t size = 0;
    if (!receiveAll(fd, &size, sizeof size)) {
        return false;
    }
    text.resize(size);
    return receiveAll(fd, text.data(), size);
}

// A request is the argument count, the arguments, the output file and the input file (empty for none).
bool sendRequest(int fd, const std::vector<std::string>& arguments, const std::string& outputFile,
                 const std::string& inputFile) {
    const std::size_t count = arguments.size();
    bool sent = sendAll(fd, &count, sizeof count);
    for (const std::string& argument : arguments) {
        sent = sent && sendText(fd, argument);
    }
    return sent && sendText(fd, outputFile) && sendText(fd, inputFile);
}

[[noreturn]] void serveRequests(int requests, int replies) {
    for (;;) {
        std::size_t count = 0;
        if (!receiveAll(requests, &count, sizeof count)) {
            ::_exit(0);
        }
        std::vector<std::string> arguments(count);
        std::string outputFile;
        std::string inputFile;
        bool received = true;
        for (std::string& argument : arguments) {
            received = received && receiveText(requests, argument);
        }
        if (!received || !receiveText(requests, outputFile) || !receiveText(requests, inputFile)) {
            ::_exit(0);
        }
        const Ran ran = spawnAndWait(std::move(arguments), outputFile, inputFile);
        if (!sendAll(replies, &ran, sizeof ran)) {
            ::_exit(0);
        }
    }
}

int launcherRequests = -1;
int launcherReplies = -1;

} // namespace

void startLauncher() {
    int requests[2];
    int replies[2];
    if (::pipe(requests) != 0 || ::pipe(replies) != 0) {
        return;
    }
    const pid_t launcher = ::fork();
    if (launcher == 0) {
        ::close(requests[1]);
        ::close(replies[0]);
        serveRequests(requests[0], replies[1]);
    }
    ::close(requests[0]);
    ::close(replies[1]);
    if (launcher > 0) {
        launcherRequests = requests[1];
        launcherReplies = replies[0];
    } else {
        ::close(requests[1]);
        ::close(replies[0]);
    }
}

ProcessOutcome runProcess(std::vector<std::string> arguments, const std::string& outputFile,
                          const std::string* inputFile) {
    const std::string input = inputFile ? *inputFile : std::string();
    Ran ran;
    if (launcherRequests < 0 || !sendRequest(launcherRequests, arguments, outputFile, input) ||
        !receiveAll(launcherReplies, &ran, sizeof ran)) {
        // Without the launcher the peak counts this process's own as its start.
        ran = spawnAndWait(std::move(arguments), outputFile, input);
    }
    ProcessOutcome outcome;
    outcome.ran = ran.ran != 0;
    outcome.seconds = ran.seconds;
    outcome.peakKilobytes = ran.peakKilobytes;
    if (ran.seconds > 0) {
        std::ifstream in(outputFile);
        outcome.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return outcome;
}

std::int64_t runnerTotalOf(const std::string& runnerOutput) {
    const std::size_t at = runnerOutput.rfind("total\t");
    return at == std::string::npos ? -1 : std::stoll(runnerOutput.substr(at + 6));
}

} // namespace morvane::bench
