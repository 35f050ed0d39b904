#include "util/folder_expansion.h"

#include "util/paths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <git2.h>
#include <memory>
#include <system_error>

namespace morvane {

namespace fs = std::filesystem;

namespace {

// git looks no further than this for a NUL byte when it decides that a file is binary.
constexpr std::size_t kBinaryProbeBytes = 8192;
constexpr char kGitFolder[] = ".git";

// The next position in the glob after one byte of the name matched at g, if it does. An unclosed `[` stands
// for itself, and so does a backslash at the glob's end.
std::optional<std::size_t> matchOne(std::string_view glob, std::size_t g, unsigned char c) {
    if (glob[g] == '?') {
        return g + 1;
    }
    if (glob[g] == '\\' && g + 1 < glob.size()) {
        return static_cast<unsigned char>(glob[g + 1]) == c ? std::optional(g + 2) : std::nullopt;
    }
    if (glob[g] == '[') {
        std::size_t i = g + 1;
        const bool negated = i < glob.size() && (glob[i] == '!' || glob[i] == '^');
        i += negated ? 1 : 0;
        bool matched = false;
        for (bool first = true; i < glob.size() && (glob[i] != ']' || first); ++i, first = false) {
            if (glob[i] == '\\' && i + 1 < glob.size()) {
                ++i;
            }
            const auto low = static_cast<unsigned char>(glob[i]);
            auto high = low;
            if (i + 2 < glob.size() && glob[i + 1] == '-' && glob[i + 2] != ']') {
                high = static_cast<unsigned char>(glob[i + 2]);
                i += 2;
            }
            matched = matched || (low <= c && c <= high);
        }
        if (i < glob.size()) {
            return matched != negated ? std::optional(i + 1) : std::nullopt;
        }
    }
    return static_cast<unsigned char>(glob[g]) == c ? std::optional(g + 1) : std::nullopt;
}

bool matchesAny(const std::vector<std::string>& globs, std::string_view name) {
    return std::any_of(globs.begin(), globs.end(),
                       [&](const std::string& glob) { return globMatches(glob, name); });
}

bool isBinary(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false; // listed, so that the run says why it cannot be read
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    char probe[kBinaryProbeBytes];
    const std::size_t read = std::fread(probe, 1, sizeof probe, file);
    std::fclose(file);
    return std::memchr(probe, '\0', read) != nullptr;
}

// libgit2 counts its users; each expansion is one for as long as it runs.
class GitLibrary {
public:
    GitLibrary() { git_libgit2_init(); }
    ~GitLibrary() { git_libgit2_shutdown(); }
    GitLibrary(const GitLibrary&) = delete;
    GitLibrary& operator=(const GitLibrary&) = delete;
};

struct RepositoryFree {
    void operator()(git_repository* repository) const { git_repository_free(repository); }
};
using Repository = std::unique_ptr<git_repository, RepositoryFree>;

// Where the walk is inside a work tree: its repository and the path from the work tree's top, with a
// trailing slash, as git's rules take it. No repository outside a work tree.
struct WorkTreePlace {
    git_repository* repository = nullptr;
    std::string relative;
};

enum class EntryKind { File, Folder };

struct Entry {
    std::string name;
    EntryKind kind;
};

class Walker {
public:
    Walker(const ExpansionOptions& options, const std::atomic<bool>* stop, const ExpansionProgress& progress)
        : options_(options), stop_(stop), progress_(progress) {}

    Expansion expand(const std::string& folder) {
        walk(folder, enclosingWorkTree(folder), true);
        return std::move(result_);
    }

private:
    bool stopRequested() {
        if (stop_ && stop_->load(std::memory_order_relaxed)) {
            result_.stopped = true;
        }
        return result_.stopped;
    }

    git_repository* openRepository(const std::string& folder, unsigned flags) {
        git_repository* opened = nullptr;
        if (git_repository_open_ext(&opened, folder.c_str(), flags, nullptr) != 0) {
            return nullptr;
        }
        Repository repository(opened);
        if (git_repository_is_bare(opened)) {
            return nullptr;
        }
        repositories_.push_back(std::move(repository));
        return opened;
    }

    // The work tree the starting folder lies in, found by looking upwards as git does.
    WorkTreePlace enclosingWorkTree(const std::string& folder) {
        if (options_.ignored) {
            return {};
        }
        git_repository* repository = openRepository(folder, 0);
        if (!repository) {
            return {};
        }
        std::error_code error;
        const std::string top = fromFsPath(fs::canonical(git_repository_workdir(repository), error));
        const std::string start = fromFsPath(fs::canonical(toFsPath(folder), error));
        if (error || start.compare(0, top.size(), top) != 0) {
            return {};
        }
        std::string relative = start.substr(top.size());
        while (!relative.empty() && isPathSeparator(relative.front())) {
            relative.erase(0, 1);
        }
        return {repository, relative.empty() ? relative : relative + '/'};
    }

    bool ignoredByRules(const WorkTreePlace& place, const std::string& relativePath) const {
        int ignored = 0;
        return place.repository &&
               git_ignore_path_is_ignored(&ignored, place.repository, relativePath.c_str()) == 0 && ignored;
    }

    bool keepsFile(const std::string& path, const std::string& name, const WorkTreePlace& place) const {
        if ((!options_.includes.empty() && !matchesAny(options_.includes, name)) ||
            matchesAny(options_.excludes, name) || ignoredByRules(place, place.relative + name)) {
            return false;
        }
        if (options_.maxBytes) {
            std::error_code error;
            const std::uintmax_t size = fs::file_size(toFsPath(path), error);
            if (error || size > *options_.maxBytes) {
                return false;
            }
        }
        return options_.binary || !isBinary(path);
    }

    // The folder's files and folders in the byte order of their names, and whether it holds a `.git`,
    // which makes it the top of a work tree of its own. Anything else (devices, links to folders, links
    // that lead nowhere) is left out.
    bool listFolder(const std::string& folder, std::vector<Entry>& entries, bool& holdsGit) {
        std::error_code error;
        fs::directory_iterator it(toFsPath(folder), error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            std::string name = fromFsPath(it->path().filename());
            if (name == kGitFolder) {
                holdsGit = true;
                continue;
            }
            if (name.front() == '.' && !options_.hidden) {
                continue;
            }
            std::error_code typeError;
            if (it->is_symlink(typeError)) {
                if (fs::is_regular_file(it->status(typeError))) {
                    entries.push_back({std::move(name), EntryKind::File});
                }
            } else if (it->is_directory(typeError)) {
                entries.push_back({std::move(name), EntryKind::Folder});
            } else if (it->is_regular_file(typeError)) {
                entries.push_back({std::move(name), EntryKind::File});
            }
        }
        if (error) {
            result_.problems.push_back({folder, error.message()});
            return false;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        return true;
    }

    void walk(const std::string& folder, WorkTreePlace place, bool isStart) {
        if (progress_) {
            progress_(folder, result_.files.size());
        }
        std::vector<Entry> entries;
        bool holdsGit = false;
        if (!listFolder(folder, entries, holdsGit)) {
            return;
        }
        if (holdsGit && !isStart && !options_.ignored) {
            if (git_repository* nested = openRepository(folder, GIT_REPOSITORY_OPEN_NO_SEARCH)) {
                place = {nested, {}};
            }
        }
        for (const Entry& entry : entries) {
            if (stopRequested()) {
                return;
            }
            const std::string path = joinPath(folder, entry.name);
            if (entry.kind == EntryKind::Folder) {
                if (!ignoredByRules(place, place.relative + entry.name + '/')) {
                    walk(path, {place.repository, place.relative + entry.name + '/'}, false);
                }
            } else if (keepsFile(path, entry.name, place)) {
                result_.files.push_back(path);
            }
        }
    }

    const ExpansionOptions& options_;
    const std::atomic<bool>* stop_;
    const ExpansionProgress& progress_;
    GitLibrary git_;
    std::vector<Repository> repositories_; // every work tree met, each opened once
    Expansion result_;
};

} // namespace

bool globMatches(std::string_view glob, std::string_view name) {
    // On a mismatch after a star, the star takes one more byte and matching goes on from there.
    std::size_t g = 0;
    std::size_t n = 0;
    std::optional<std::size_t> afterStar;
    std::size_t starTakesUpTo = 0;
    while (n < name.size()) {
        if (g < glob.size() && glob[g] == '*') {
            afterStar = ++g;
            starTakesUpTo = n;
            continue;
        }
        if (g < glob.size()) {
            if (const auto next = matchOne(glob, g, static_cast<unsigned char>(name[n]))) {
                g = *next;
                ++n;
                continue;
            }
        }
        if (!afterStar) {
            return false;
        }
        g = *afterStar;
        n = ++starTakesUpTo;
    }
    while (g < glob.size() && glob[g] == '*') {
        ++g;
    }
    return g == glob.size();
}

Expansion expandFolder(const std::string& folder, const ExpansionOptions& options,
                       const std::atomic<bool>* stop, const ExpansionProgress& progress) {
    try {
        return Walker(options, stop, progress).expand(folder);
    } catch (const std::exception& error) {
        Expansion failed;
        failed.problems.push_back({folder, error.what()});
        return failed;
    }
}

} // namespace morvane
