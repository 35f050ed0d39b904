#pragma once

#include "core/files/folder_expansion.h"
#include "core/run/run.h"

#include <optional>
#include <string>
#include <vector>

namespace morvane::cli {

enum class Command { Help, Version, Run, Diff, ListTasks, Undo, ListRuns };

struct Invocation {
    Command command = Command::Help;
    std::optional<std::string> appDir;
    std::optional<std::string> task;      // a saved task's name or number, for its pairs, mode and files
    bool nulRecords = false;              // -z: raw paths in records ended by NUL instead of escaped lines
    bool recursive = false;               // -r: a folder PATH stands for the files below it
    ExpansionOptions expansion;           // which files -r takes from a folder
    std::optional<std::string> filesFrom; // a file of further paths, "-" for standard input
    RunRequest request;
};

struct ParseOutcome {
    Invocation invocation;
    std::string error; // empty when the arguments were understood
};

// Reads the arguments after the program name:
//   [--app-dir DIR] simulate|execute [-z] [--names] [-i] [-w] [-E] [--pair FIND REPLACE]... [--task
//   NAME|NUMBER]
//   [-r [--include GLOB]... [--exclude GLOB]... [--hidden] [--no-ignore] [--binary]] [--files-from FILE] [--]
//   PATH...
//   [--app-dir DIR] diff [--names] [-i] [-w] [-E] [--pair FIND REPLACE]... [--task NAME|NUMBER] [-r ...]
//   [--files-from FILE]
//   [--] PATH...
//   [--app-dir DIR] tasks
//   [--app-dir DIR] undo [--list]
//   --help | --version
// Options and paths may be mixed; after "--" everything is a path. -i, -w and -E apply to every --pair.
ParseOutcome parseCommandLine(const std::vector<std::string>& arguments);

// Empty, or the usage error for the first pattern among the pairs that RE2 refuses, with its message.
std::string refusedPatternText(const std::vector<std::string>& finds, const PairOptionsList& options);

std::string usageText();

// The line for --version: "morvane-cli 1.0.1".
std::string versionText();

// What a usage error prints: its reason on one line and where to read more, never the whole usage.
std::string usageErrorText(const std::string& reason);

} // namespace morvane::cli
