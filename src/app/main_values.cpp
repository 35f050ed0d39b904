#include "app/main_values.h"

#include "config/settings_format.h"
#include "util/paths.h"
#include "util/platform_fs.h"

namespace morvane {

Version programVersion() {
    return Version{MORVANE_VERSION_MAJOR, MORVANE_VERSION_MINOR, MORVANE_VERSION_REVISION};
}

std::string windowCaption(std::string_view title, Version version) {
    return std::string(title) + " " + std::to_string(version.major) + "." + std::to_string(version.minor) +
           "." + std::to_string(version.revision);
}

std::string savedTasksPath(const std::string& appFolder) {
    return joinPath(appFolder, kSavedTasksFileName);
}

bool appFolderWritable(const std::string& appFolder) {
    if (!platform::isWritable(appFolder)) {
        return false;
    }
    for (const std::string& path :
         {joinPath(appFolder, settings_format::kFileName), savedTasksPath(appFolder)}) {
        if (DateiExistiert(path) && !platform::isWritable(path)) {
            return false;
        }
    }
    return true;
}

} // namespace morvane
