#pragma once

#include "core/journal/leftovers.h"
#include "core/state/app_folder.h"
#include "core/state/settings.h"

#include <vector>

namespace morvane {

// What the window starts from: which of its state files can be written, and the settings.
struct StartState {
    StateFilesWritable writable;
    Settings settings;
    // The first start that keeps its files in the user's folder finds no settings there yet.
    bool firstInUsersFolder = false;
};

// Reads the settings, and repairs them only when they can be written: in a folder that cannot be written,
// start-up neither creates nor repairs a file.
StartState readStartState(const StateFolder& state, const StateFilesWritable& writable);

// Clears what runs cut short by this window or the runner left, and the state files' own temporary files;
// nothing when the folder cannot be written, as the journals live there.
std::vector<LeftoverNote> clearStartLeftovers(const StateFolder& state, const StateFilesWritable& writable);

} // namespace morvane
