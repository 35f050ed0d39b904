#pragma once

#include "core/app/start_up.h"
#include "core/state/app_folder.h"

#include <QStringList>
#include <functional>
#include <string>
#include <string_view>

namespace morvane {

// What start-up tells once when state cannot be kept: that the folder cannot be written as a whole, or else
// each state file that cannot, each text ending in the path concerned. `message` looks a key up in the
// language file, with the built-in text for a missing one.
QStringList readOnlyNotices(const StateFilesWritable& writable, const std::string& appFolder,
                            const std::string& savedTasksPath,
                            const std::function<QString(std::string_view key, const char* builtIn)>& message);

// What the first start that keeps the state files in the user's own folder tells: where they are. An
// installed copy, whose folder is not the user's to write, says no more; a copy of the user's own says that
// its folder cannot be written, which the user may want to change.
QString userFolderNotice(const std::string& stateFolder, bool installed,
                         const std::function<QString(std::string_view key, const char* builtIn)>& message);

// Everything start-up tells, in order: the files that cannot be kept, then on the first start in the user's
// own folder, where the files are. `installed` is asked only then.
QStringList startUpNotices(const StartState& start, const std::string& stateFolder,
                           const std::string& savedTasksPath, const std::function<bool()>& installed,
                           const std::function<QString(std::string_view key, const char* builtIn)>& message);

} // namespace morvane
