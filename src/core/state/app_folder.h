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
    // The folder belongs to another user, as a system install's folder belongs to root: not a copy of the
    // user's own that ought to be writable.
    bool installed = false;
};

StateFilesWritable stateFilesWritable(const std::string& appFolder);

// The name of the program's folder in the user's data folder.
inline constexpr char kUserStateFolderName[] = "morvane";

// Where the settings, the saved tasks and the undo journal are kept. A portable copy keeps them in the
// application folder; an installed one, whose folder the user cannot write, in the user's data folder, so
// that they still survive a restart. The shipped language file and icons are read from the application folder
// either way.
struct StateFolder {
    std::string path;
    bool usersOwn = false; // the user's data folder, because the application folder cannot be written
};

// The application folder when it can be written; otherwise the program's folder in the user's data folder,
// made when missing. Where that cannot be made either, the application folder, whose files are then read
// and never written.
StateFolder stateFolder(const std::string& appFolder, bool appFolderWritable,
                        const std::string& userDataFolder);

} // namespace morvane
