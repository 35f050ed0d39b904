#include "core/state/app_folder.h"

#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/saved_tasks_format.h"
#include "core/state/settings_format.h"

namespace morvane {

namespace {

// A file that is there and may not be replaced stays as it is, even where the folder would allow it.
bool replaceable(const std::string& path) {
    return !fileExists(path) || platform::isWritable(path);
}

} // namespace

StateFilesWritable stateFilesWritable(const std::string& appFolder) {
    StateFilesWritable writable;
    writable.folder = platform::isWritable(appFolder);
    writable.installed = !platform::ownedByRunningUser(appFolder);
    if (!writable.folder) {
        return writable;
    }
    const std::string tasks = savedTasksPath(appFolder);
    writable.settings = replaceable(joinPath(appFolder, settings_format::kFileName));
    writable.tasks =
        replaceable(tasks) && replaceable(tasks + std::string(saved_tasks_format::kBackupSuffix));
    return writable;
}

StateFolder stateFolder(const std::string& appFolder, bool appFolderWritable,
                        const std::string& userDataFolder) {
    if (appFolderWritable || userDataFolder.empty()) {
        return {appFolder};
    }
    const std::string own = joinPath(userDataFolder, kUserStateFolderName);
    if (!platform::makePrivateFolder(own)) {
        return {appFolder};
    }
    return {own, true};
}

} // namespace morvane
