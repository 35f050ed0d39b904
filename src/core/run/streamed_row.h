// A row whose file is too large to hold whole: its blocks go through the pairs as they are read.
#pragma once

#include "core/platform/platform_fs.h"
#include "core/run/row_work.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

namespace morvane {

// Whether the run streams the row's file rather than read it whole. A run with a pair with options never
// does: a pattern can match across any number of bytes, so such a file is read whole, up to
// kOptionPairFileBytes (see row_work.h), and refused beyond.
bool isStreamed(const Plan& plan, const platform::PathStatus& status);

// A row whose file is too large to hold whole: its blocks go through the pairs as they are read, and an
// execute run writes the new contents as they are made, for the run to commit. Nothing when the file can only
// be rewritten in place (see platform::beginReplacement), which needs its text whole.
std::optional<RowOutcome> streamRow(const Plan& plan, std::size_t i, const std::string& path,
                                    const std::atomic<bool>* cancel, const BeforePair& beforePair);

} // namespace morvane
