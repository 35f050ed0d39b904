// The pairs' pass over a text with a literal scan (see applyPairs): the plain pairs find their occurrences in
// one scan and replace by noting what goes where, and the text is built anew only where it must be.
#pragma once

#include "core/run/pair_plan.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace morvane {

// applyPairs for a plan with a literal scan.
PairsOutcome applyPairsInOneScan(const Plan& plan, std::string& text, bool wholeText, bool textWanted,
                                 const std::atomic<bool>* cancel,
                                 const std::function<void(std::size_t pair)>& beforePair);

} // namespace morvane
