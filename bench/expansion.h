#pragma once

#include <string>

namespace morvane::bench {

// Times the expansion of a generated 70,000-file tree inside a git work tree and of the 100,000 small files,
// each with a warm cache, and a runner simulate over 100,000 paths given on standard input. False when the
// runner failed.
bool printExpansionFigures(const std::string& work);

} // namespace morvane::bench
