#pragma once

#include "tasks/app_folder.h"

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

// What the first start that keeps the state files in the user's own folder tells: where they are, and why.
QString userFolderNotice(const std::string& stateFolder,
                         const std::function<QString(std::string_view key, const char* builtIn)>& message);

} // namespace morvane
