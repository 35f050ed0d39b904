#include "cli/command_line.h"

namespace morvane::cli {

namespace {

ParseOutcome usageError(std::string message) {
    return ParseOutcome{{}, std::move(message)};
}

} // namespace

ParseOutcome parseCommandLine(const std::vector<std::string>& arguments) {
    ParseOutcome outcome;
    if (arguments.empty()) {
        return usageError("no command given");
    }
    const std::string& command = arguments[0];
    if (command == "--help" || command == "-h") {
        outcome.invocation.help = true;
        return outcome;
    }
    if (command != "simulate" && command != "execute") {
        return usageError("unknown command \"" + command + "\"");
    }
    RunRequest& request = outcome.invocation.request;
    request.ausfuehren = command == "execute";
    bool onlyPathsFollow = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPathsFollow || argument.rfind("--", 0) != 0) {
            request.files.push_back(argument);
        } else if (argument == "--") {
            onlyPathsFollow = true;
        } else if (argument == "--names") {
            request.mode = ReplaceMode::FileNames;
        } else if (argument == "--pair") {
            if (i + 2 >= arguments.size()) {
                return usageError("--pair needs a FIND and a REPLACE text");
            }
            request.finds.push_back(arguments[i + 1]);
            request.replaces.push_back(arguments[i + 2]);
            i += 2;
        } else if (argument == "--help") {
            outcome.invocation.help = true;
        } else {
            return usageError("unknown option \"" + argument + "\"");
        }
    }
    if (!outcome.invocation.help && request.files.empty()) {
        return usageError("no PATH given");
    }
    return outcome;
}

std::string usageText() {
    return "usage: morvane-cli simulate [--names] [--pair FIND REPLACE]... [--] PATH...\n"
           "       morvane-cli execute  [--names] [--pair FIND REPLACE]... [--] PATH...\n"
           "\n"
           "Applies the pairs in order to every PATH in order and prints, per PATH, the number of "
           "occurrences\n"
           "found, a TAB and the path, then \"total\", a TAB and the sum. simulate changes nothing; execute\n"
           "writes the files (or, with --names, renames them; the new path is printed).\n"
           "\n"
           "  --names          replace in file and folder names instead of file contents\n"
           "  --pair F R       find F and replace it by R; in both, ^p is CR LF, ^t is TAB and\n"
           "                   ^chr(n) is the byte n (0..255)\n"
           "  --               every argument after it is a PATH\n"
           "  --help           show this text\n"
           "\n"
           "Exit status: 0 when every PATH was processed, 1 when any failed (reasons on standard error),\n"
           "2 for a usage error.\n";
}

} // namespace morvane::cli
