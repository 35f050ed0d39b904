#pragma once

#include "engine/run.h"

#include <optional>
#include <string>
#include <vector>

namespace morvane::cli {

enum class Command { Help, Run, ListTasks, Undo, ListRuns };

struct Invocation {
    Command command = Command::Help;
    std::optional<std::string> appDir;
    std::optional<std::string> task; // a saved task's name or number, for its pairs, mode and files
    bool nulRecords = false;         // -z: raw paths in records ended by NUL instead of escaped lines
    RunRequest request;
};

struct ParseOutcome {
    Invocation invocation;
    std::string error; // empty when the arguments were understood
};

// Reads the arguments after the program name:
//   [--app-dir DIR] simulate|execute [-z] [--names] [--pair FIND REPLACE]... [--task NAME|NUMBER] [--]
//   PATH...
//   [--app-dir DIR] tasks
//   [--app-dir DIR] undo [--list]
// Options and paths may be mixed; after "--" everything is a path.
ParseOutcome parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText();

} // namespace morvane::cli
