#pragma once

#include <string>

namespace morvane {

// Which of the program's state files can be kept in the application folder. Each is decided on its own: a
// settings file someone made read-only does not stop the saved tasks from being kept, nor the other way
// round.
struct StateFilesWritable {
    bool folder = false;   // the folder takes new files (a file is replaced by a new one beside it)
    bool settings = false; // the settings file may be replaced, or created
    bool tasks = false;    // the saved-tasks file and its backup may be replaced, or created
};

StateFilesWritable stateFilesWritable(const std::string& appFolder);

} // namespace morvane
