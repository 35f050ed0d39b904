#pragma once

#include "core/run/run.h"

#include <atomic>
#include <string>
#include <vector>

namespace morvane {

// Why a contents execute run of the request over these files cannot be kept for undo within the request's
// bound, or the empty text when it can. The journal keeps the old contents of the files the run changes, so
// only those count. Where the listed files together stay within the bound, one look at each tells; where they
// exceed it, the files are counted first as a simulate run counts them, the largest first, until the answer
// is known: enough files found unchanged that the rest fit, or more found changing than fit. Each file counts
// once, however many paths name it. A count cut short by the cancel flag gives the empty text; the run it
// precedes stops before its first file.
std::string whyNotKeptForUndo(const RunRequest& request, const PathList& files,
                              const std::atomic<bool>* cancel);

} // namespace morvane
