#include "gui/window/qt_read_only_notices.h"

#include "core/state/message_keys.h"
#include "core/state/settings_format.h"
#include "core/platform/paths.h"
#include "gui/widgets/qt_text.h"

#include <QDir>

namespace morvane {

namespace {

// Texts that must reach the user even when the language file is missing.
const char* const kBuiltInReadOnly =
    "This program keeps its settings and saved tasks in its own folder, and that folder cannot be written, "
    "so changes to the settings and the tasks will not be kept.\r\nTo keep them, copy the program folder to "
    "a "
    "place you can write, such as your home folder, and start the program from the copy (README.md in the "
    "program folder explains how). The program folder:";
const char* const kBuiltInSettingsReadOnly =
    "The settings file cannot be written, so changes to the settings will not be kept. The settings file:";
const char* const kBuiltInTasksReadOnly =
    "The saved-tasks file or its backup cannot be written, so tasks stored or deleted now will not be kept. "
    "The saved-tasks file:";
const char* const kBuiltInUserFolder =
    "The program folder cannot be written, so the settings, the saved tasks and what Undo needs are kept in "
    "your own folder:";
const char* const kBuiltInKeptInUserFolder =
    "Morvane keeps your settings, your saved tasks and what Undo needs in your own folder:";

} // namespace

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
        notice(keys::kAppFolderReadOnly, kBuiltInReadOnly, appFolder);
        return notices;
    }
    if (!writable.settings) {
        notice(keys::kSettingsReadOnly, kBuiltInSettingsReadOnly,
               joinPath(appFolder, settings_format::kFileName));
    }
    if (!writable.tasks) {
        notice(keys::kTasksReadOnly, kBuiltInTasksReadOnly, savedTasksPath);
    }
    return notices;
}

QString userFolderNotice(const std::string& stateFolder, bool installed,
                         const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    const QString text = installed ? message(keys::kStateKeptInUserFolder, kBuiltInKeptInUserFolder)
                                   : message(keys::kStateInUserFolder, kBuiltInUserFolder);
    return text + QStringLiteral("\r\n") + QDir::toNativeSeparators(pathToQString(stateFolder));
}

} // namespace morvane
