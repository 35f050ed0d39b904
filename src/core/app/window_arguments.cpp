#include "core/app/window_arguments.h"

#include "core/platform/paths.h"

#include <filesystem>
#include <system_error>

namespace morvane {

namespace {

WindowArguments asking(WindowArguments::Ask ask) {
    WindowArguments arguments;
    arguments.ask = ask;
    return arguments;
}

// The path a file manager would give for the same entry: absolute, without "." or ".." steps and without a
// trailing separator.
std::string absoluteEntryPath(const std::string& argument) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(toFsPath(argument), error);
    if (error) {
        return argument;
    }
    return std::string(withoutTrailingSeparators(fromFsPath(path.lexically_normal())));
}

} // namespace

WindowArguments windowArguments(const std::vector<std::string>& arguments) {
    WindowArguments result;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            if (!argument.empty()) {
                result.paths.push_back(absoluteEntryPath(argument));
            }
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            return asking(WindowArguments::Ask::Help);
        } else if (argument == "--version") {
            return asking(WindowArguments::Ask::Version);
        } else if (result.unknownOption.empty()) {
            result.unknownOption = argument;
        }
    }
    if (!result.unknownOption.empty()) {
        result.ask = WindowArguments::Ask::UnknownOption;
    }
    return result;
}

} // namespace morvane
