// A simulate run's count of a streamed file cut into ranges (see range_cuts.h), each range counted on
// whichever thread is free.
#pragma once

#include "core/platform/platform_fs.h"
#include "core/run/range_cuts.h"
#include "core/run/row_work.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace morvane {

// Row i's count, its file read as readAs, with the text beginning at textStart (past a UTF-8 mark), on this
// thread and up to `helpers` more; an incomplete row when the run was cancelled.
RowOutcome countInRanges(const Plan& plan, const RangeCuts& cuts, std::size_t i, const std::string& path,
                         const platform::FileIdentity& readAs, std::uint64_t textStart, unsigned helpers,
                         const std::atomic<bool>* cancel, const BeforePair& beforePair);

} // namespace morvane
