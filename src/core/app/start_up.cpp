#include "core/app/start_up.h"

#include "core/journal/run_journal.h"
#include "core/platform/paths.h"
#include "core/state/settings_format.h"

namespace morvane {

StartState readStartState(const StateFolder& state, const StateFilesWritable& writable) {
    StartState start;
    start.writable = writable;
    start.firstInUsersFolder =
        state.usersOwn && !fileExists(joinPath(state.path, settings_format::kFileName));
    start.settings = writable.settings ? loadSettings(state.path) : readSettings(state.path).settings;
    return start;
}

std::vector<LeftoverNote> clearStartLeftovers(const StateFolder& state, const StateFilesWritable& writable) {
    if (!writable.folder) {
        return {};
    }
    return clearLeftovers(journalFolderIn(state.path), {state.path});
}

} // namespace morvane
