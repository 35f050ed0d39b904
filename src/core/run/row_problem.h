#pragma once

#include "core/platform/platform_fs.h"
#include "core/run/run.h"

#include <string>

namespace morvane {

// Why a row gives the pairs nothing to work on. A skip is passed over with a count of nothing; a failure is
// a path the run refuses to read or write (a FIFO or a device could block it for ever, and writing one would
// destroy it).
struct RowProblem {
    SkipReason skipped = SkipReason::None;
    std::string failure;
    bool any() const { return skipped != SkipReason::None || !failure.empty(); }
};

// The problem of a row from one look at its path: an empty path, nothing there, and in contents mode a folder
// or anything but a regular file.
RowProblem rowProblem(const std::string& path, const platform::PathStatus& status, ReplaceMode mode);

// Why the path has no contents to show or diff, as the runner prints it; empty when it has. Looks at the
// disk.
std::string contentsProblem(const std::string& path);

} // namespace morvane
