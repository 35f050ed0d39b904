#pragma once

#include <string>
#include <string_view>

namespace morvane {

// The values the main window sets once at start-up and every part reads.

inline constexpr std::string_view kApplicationTitle = "Morvane";
inline constexpr std::string_view kSavedTasksFileName = "Saved_Replacements.txt";

// An opening bracket, 39 hyphens, "][", 18 hyphens and a closing bracket.
inline constexpr std::string_view kTaskSeparator =
    "[---------------------------------------][------------------]";

struct Rgb {
    int red;
    int green;
    int blue;
};
inline constexpr Rgb kProgressColour{67, 142, 142};

struct Version {
    int major;
    int minor;
    int revision;
};

// The version the build was configured with.
Version programVersion();

// The title, a blank and major.minor.revision in plain decimal: "Morvane 1.0.1".
std::string windowCaption(std::string_view title, Version version);

// The saved-tasks file in the application folder.
std::string savedTasksPath(const std::string& appFolder);

// Whether the program can keep its settings and saved tasks in the application folder: the folder takes new
// files, and the settings and saved-tasks files that are already there may be replaced.
bool appFolderWritable(const std::string& appFolder);

} // namespace morvane
