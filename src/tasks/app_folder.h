#pragma once

#include <string>

namespace morvane {

// Whether the program can keep its settings and saved tasks in the application folder: the folder takes new
// files, and the settings and saved-tasks files that are already there may be replaced.
bool appFolderWritable(const std::string& appFolder);

} // namespace morvane
