#pragma once

#include "core/files/path_list.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// What a folder's expansion into its files leaves out. By default it keeps what a person would call the
// project's text files: no hidden files or folders (a name starting with a dot), nothing the work tree's git
// ignore rules leave out, no binary files.
struct ExpansionOptions {
    bool hidden = false;  // also files and folders whose name starts with a dot (never `.git` itself)
    bool ignored = false; // also what .ignore and .gitignore files, .git/info/exclude and core.excludesFile
                          // leave out
    bool binary = false;  // also files with a NUL byte in their first 8 KiB, the test git makes
    // Globs on a file's name: when any include is given the name must match one of them, and it must match
    // no exclude. `*` is any run of bytes, `?` one byte, `[abc]`, `[a-z]`, `[[:alpha:]]` and `[!a-z]` a set
    // of bytes (see SetMatch); a backslash takes the next byte literally, and so does a `[` that no `]`
    // closes.
    std::vector<std::string> includes;
    std::vector<std::string> excludes;
    std::optional<std::uint64_t> maxBytes; // larger files are left out
};

struct ExpansionProblem {
    std::string path;
    std::string reason;
};

struct Expansion {
    PathList files;
    std::vector<ExpansionProblem> problems; // folders that could not be read, each skipped
    bool stopped = false;                   // the stop flag was raised; files holds what was found until then
};

// Hears, on the expanding thread, of each folder as it is entered and of how many files were found so far.
using ExpansionProgress = std::function<void(const std::string& folder, std::size_t filesFound)>;

// Every regular file below the folder that the options keep, as paths that start with the folder as given.
// The order is stable: a folder's entries in the byte order of their names, a subfolder's files in the place
// of its name. Symbolic links to folders are not followed; a link to a regular file is listed by its own
// path. Names are kept as the bytes they are, whatever their encoding. Inside a git work tree the ignore
// rules are those git applies (see IgnoreRules; each work tree met, nested ones included, is opened once).
// `.ignore` files, written like .gitignore files, count inside and outside work trees, from the top of the
// work tree (or the starting folder outside one) down, and a rule of theirs wins over .gitignore's, as in
// the search tools that read them. A folder the rules ignore is not entered; the starting folder is
// expanded even when they ignore it. `.git` is never entered. Never throws.
Expansion expandFolder(const std::string& folder, const ExpansionOptions& options,
                       const std::atomic<bool>* stop = nullptr, const ExpansionProgress& progress = {});

// Name patterns as a person types them in one line: separated by spaces, commas or semicolons.
std::vector<std::string> splitNamePatterns(std::string_view line);
std::string joinNamePatterns(const std::vector<std::string>& patterns);

// Whether the name matches the glob, as described at ExpansionOptions.
bool globMatches(std::string_view glob, std::string_view name);

} // namespace morvane
