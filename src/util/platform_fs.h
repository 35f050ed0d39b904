#pragma once

#include <string>
#include <string_view>

// The only place that calls the operating system's file functions directly; everything else goes through
// std::filesystem or these.
namespace morvane::platform {

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it over the target,
// keeping the target's permission bits. A target reached through a symbolic link is replaced where the link
// points. Returns the reason on failure, when the target is left as it was; the empty text on success.
std::string replaceFileContents(const std::string& target, std::string_view bytes);

// Renames a file or folder, failing instead of replacing anything that already exists at the new path.
// Returns the reason on failure; the empty text on success.
std::string renameNoReplace(const std::string& from, const std::string& to);

// The folder that holds the running executable, without a trailing separator; empty when it cannot be found.
std::string executableFolder();

} // namespace morvane::platform
