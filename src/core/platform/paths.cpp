#include "core/platform/paths.h"

#include <system_error>

namespace morvane {

bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

char nativeSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::filesystem::path toFsPath(const std::string& path) {
    return std::filesystem::path(path);
}

std::string fromFsPath(const std::filesystem::path& path) {
    return path.string();
}

PathParts splitPath(std::string_view path) {
    std::size_t nameStart = 0;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isPathSeparator(path[i - 1])) {
            nameStart = i;
            break;
        }
    }
    const std::size_t lastDot = path.rfind('.');
    const bool hasExtension = lastDot != std::string_view::npos && lastDot >= nameStart;
    const std::size_t extensionStart = hasExtension ? lastDot : path.size();
    return PathParts{std::string(path.substr(0, nameStart)),
                     std::string(path.substr(nameStart, extensionStart - nameStart)),
                     std::string(path.substr(extensionStart))};
}

std::string fileNameOf(std::string_view path) {
    const PathParts parts = splitPath(path);
    return parts.name + parts.extension;
}

std::string_view withoutTrailingSeparators(std::string_view path) {
    std::size_t end = path.size();
    while (end > 0 && isPathSeparator(path[end - 1])) {
        --end;
    }
    return end == 0 ? path : path.substr(0, end);
}

namespace {

bool canBeExamined(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

} // namespace

bool fileExists(const std::string& path) {
    if (!canBeExamined(path)) {
        return false;
    }
    std::error_code error;
    return std::filesystem::exists(toFsPath(path), error);
}

bool isDirectory(const std::string& path) {
    if (!canBeExamined(path)) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_directory(toFsPath(path), error);
}

bool isRegularFile(const std::string& path) {
    if (!canBeExamined(path)) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_regular_file(toFsPath(path), error);
}

std::string resolvedPath(const std::string& path) {
    if (!canBeExamined(path)) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(toFsPath(path), error);
    return error ? std::string() : fromFsPath(resolved);
}

bool isSymbolicLink(const std::string& path) {
    if (!canBeExamined(path)) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_symlink(toFsPath(path), error);
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && !isPathSeparator(joined.back())) {
        joined += nativeSeparator();
    }
    joined += name;
    return joined;
}

} // namespace morvane
