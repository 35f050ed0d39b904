// The reasons a file could not be read, written or renamed, as a run and its undo both give them: the runner
// prints them and the window lists them.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

std::string cannotReadText(std::string_view error);
std::string cannotWriteText(std::string_view error);
std::string cannotRenameText(std::string_view refused);
std::string cannotRenameToText(std::string_view name, std::string_view error);
std::string asideNameNotHeldText(std::string_view aside);

} // namespace morvane
