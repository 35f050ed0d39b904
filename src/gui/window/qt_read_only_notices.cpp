#include "gui/window/qt_read_only_notices.h"

#include "core/app/message_catalogue.h"
#include "core/platform/paths.h"
#include "core/state/message_keys.h"
#include "core/state/settings_format.h"
#include "gui/widgets/qt_text.h"

#include <QDir>

namespace morvane {

QStringList
readOnlyNotices(const StateFilesWritable& writable, const std::string& appFolder,
                const std::string& savedTasksPath,
                const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    QStringList notices;
    const auto notice = [&](std::string_view key, const char* builtIn, const std::string& path) {
        notices << message(key, builtIn) + QStringLiteral("\r\n") +
                       QDir::toNativeSeparators(pathToQString(path));
    };
    if (!writable.folder) {
        notice(keys::kAppFolderReadOnly, builtInText(keys::kAppFolderReadOnly).c_str(), appFolder);
        return notices;
    }
    if (!writable.settings) {
        notice(keys::kSettingsReadOnly, builtInText(keys::kSettingsReadOnly).c_str(),
               joinPath(appFolder, settings_format::kFileName));
    }
    if (!writable.tasks) {
        notice(keys::kTasksReadOnly, builtInText(keys::kTasksReadOnly).c_str(), savedTasksPath);
    }
    return notices;
}

QString userFolderNotice(const std::string& stateFolder, bool installed,
                         const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    const QString text =
        installed ? message(keys::kStateKeptInUserFolder, builtInText(keys::kStateKeptInUserFolder).c_str())
                  : message(keys::kStateInUserFolder, builtInText(keys::kStateInUserFolder).c_str());
    return text + QStringLiteral("\r\n") + QDir::toNativeSeparators(pathToQString(stateFolder));
}

QStringList startUpNotices(const StartState& start, const std::string& stateFolder,
                           const std::string& savedTasksPath, const std::function<bool()>& installed,
                           const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    QStringList notices = readOnlyNotices(start.writable, stateFolder, savedTasksPath, message);
    if (start.firstInUsersFolder) {
        notices << userFolderNotice(stateFolder, installed(), message);
    }
    return notices;
}

} // namespace morvane
