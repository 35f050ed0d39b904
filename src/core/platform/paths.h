#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace morvane {

// Paths are byte strings in the program's 8-bit text; these helpers are the only place that knows the
// platform's separators and how a byte string becomes a filesystem path.

bool isPathSeparator(char c);

// The separator used when the program joins a folder and a name.
char nativeSeparator();

std::filesystem::path toFsPath(const std::string& path);
std::string fromFsPath(const std::filesystem::path& path);

struct PathParts {
    std::string folder;    // with its trailing separator, empty when the path has none
    std::string name;      // without the extension
    std::string extension; // with its leading dot, empty when there is none
};

// Splits at the last separator and at the last dot after it; folder + name + extension is always the path.
PathParts splitPath(std::string_view path);

// Everything after the last separator.
std::string fileNameOf(std::string_view path);

// The path without the separators at its end: "d/" names the folder "d". A path of nothing but separators
// (a root) stays as it is.
std::string_view withoutTrailingSeparators(std::string_view path);

// These follow symbolic links and answer false for anything that cannot be examined, a path holding a NUL
// byte included: no file has such a name, and the system would see only the part before it.
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// False for a FIFO, a device or a socket.
bool isRegularFile(const std::string& path);

// The absolute path of what the path names, symbolic links followed and "." and ".." taken out; empty when
// it names nothing that can be examined.
std::string resolvedPath(const std::string& path);
// Whether the entry at the path is itself a symbolic link (not followed).
bool isSymbolicLink(const std::string& path);

// Joins a folder and a file name with the native separator.
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace morvane
