#pragma once

#include "engine/run.h"

#include <string>
#include <vector>

namespace morvane::cli {

struct Invocation {
    bool help = false;
    RunRequest request;
};

struct ParseOutcome {
    Invocation invocation;
    std::string error; // empty when the arguments were understood
};

// Reads the arguments after the program name:
//   simulate|execute [--names] [--pair FIND REPLACE]... [--] PATH...
// Options and paths may be mixed; after "--" everything is a path.
ParseOutcome parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText();

} // namespace morvane::cli
