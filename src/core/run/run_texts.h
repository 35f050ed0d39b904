// The reasons a run gives for a row it could not read, write or rename, as the runner prints them and the
// window lists them. The run's other texts (skipReasonText, statusLine, mismatchText) are declared in run.h
// and written beside these.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

std::string cannotReadText(std::string_view error);
std::string cannotWriteText(std::string_view error);
std::string cannotRenameText(std::string_view refused);
std::string cannotRenameToText(std::string_view name, std::string_view error);
std::string noMemoryForFileText();

} // namespace morvane
