#pragma once

#include <string>
#include <vector>

namespace morvane {

// What the window's command line asks for, once the toolkit has taken its own options out.
struct WindowArguments {
    enum class Ask { Window, Help, Version, UnknownOption };
    Ask ask = Ask::Window;
    // The files and folders to add to the file list, in the order given, each an absolute path in the file
    // system's own bytes, as a drop gives it.
    std::vector<std::string> paths;
    std::string unknownOption;
};

// "--help" or "--version" anywhere before "--" is answered on its own, whatever else is there; "--" ends the
// options, so that a name starting with a hyphen is still a file. A relative path is taken from the working
// folder.
WindowArguments windowArguments(const std::vector<std::string>& arguments);

} // namespace morvane
