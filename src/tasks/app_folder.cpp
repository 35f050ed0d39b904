#include "tasks/app_folder.h"

#include "config/settings_format.h"
#include "tasks/saved_tasks_file.h"
#include "util/paths.h"
#include "util/platform_fs.h"

namespace morvane {

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
