// The reasons a run gives for a row that failed; those it shares with undo (a file that could not be read,
// written or renamed) are in file_reasons.h. The run's other texts (skipReasonText, statusLine, mismatchText)
// are declared in run.h and written beside these.
#pragma once

#include "core/journal/file_reasons.h"

#include <string>
#include <string_view>

namespace morvane {

std::string noMemoryForFileText();
std::string tooLargeForOptionPairsText();
std::string tooLargeForUtf16Text();

} // namespace morvane
