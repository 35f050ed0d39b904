#include "core/files/folder_expansion.h"

#include "core/files/ignore_rules.h"
#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"
#include "core/text/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdlib>
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
constexpr char kGitIgnoreFile[] = ".gitignore";
// Rules of the same form that search tools read in and out of work trees, and that win over .gitignore's.
constexpr char kIgnoreFile[] = ".ignore";

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
        if (const std::optional<SetMatch> set = matchSet(glob, g, c)) {
            return set->holds && !set->broken ? std::optional(set->end) : std::nullopt;
        }
    }
    return static_cast<unsigned char>(glob[g]) == c ? std::optional(g + 1) : std::nullopt;
}

bool matchesAny(const std::vector<std::string>& globs, std::string_view name) {
    return std::any_of(globs.begin(), globs.end(),
                       [&](const std::string& glob) { return globMatches(glob, name); });
}

// A file that cannot be read counts as text: it is listed, so that the run says why it cannot be read. So
// does one with a UTF-16 mark, whose text holds NUL bytes wherever it holds ASCII.
bool isBinary(const std::string& path) {
    std::array<char, kBinaryProbeBytes> probe;
    const std::size_t read = platform::readRegularFileStart(path, probe);
    const std::string_view start(probe.data(), read);
    return !isUtf16(encodingOf(start)) && start.find('\0') != std::string_view::npos;
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

// An ignore file's text; empty when there is none or it is no regular file (a FIFO must not stop the walk).
std::string readIgnoreFile(const std::string& path) {
    std::string text;
    platform::readRegularFile(path, text);
    return text;
}

// The file of ignore rules for every work tree of the user: core.excludesFile, else git's default place.
std::string globalIgnoreFile(git_repository* repository) {
    std::string path;
    git_config* config = nullptr;
    if (git_repository_config_snapshot(&config, repository) == 0) {
        git_buf configured = GIT_BUF_INIT;
        if (git_config_get_path(&configured, config, "core.excludesfile") == 0) {
            path = configured.ptr;
        }
        git_buf_dispose(&configured);
        git_config_free(config);
    }
    if (path.empty()) {
        if (const char* configHome = std::getenv("XDG_CONFIG_HOME"); configHome && *configHome) {
            path = std::string(configHome) + "/git/ignore";
        } else if (const char* home = std::getenv("HOME"); home && *home) {
            path = std::string(home) + "/.config/git/ignore";
        }
    }
    return path;
}

// A work tree met by the walk: its repository, kept open, and the rules that hold everywhere in it, in the
// order git asks them after every .gitignore: .git/info/exclude, then the user's own.
struct WorkTree {
    Repository repository;
    std::vector<IgnoreRules> everywhere;
};

using RuleLevels = std::vector<std::shared_ptr<const IgnoreRules>>;

// Where the walk is for the ignore rules. Inside a work tree: the path from the work tree's top with a
// trailing slash, as the rules take it, and the .gitignore files from the top down to here. The .ignore
// files count from the top of the outermost work tree, or from the starting folder outside one, down to
// here; they go on counting in nested work trees, so their paths run from where they began.
struct RulePlace {
    const WorkTree* tree = nullptr;
    std::string inTree;
    RuleLevels gitIgnores;
    std::string belowRoot;
    RuleLevels ignores;

    RulePlace below(const std::string& name) const {
        return {tree, inTree + name + '/', gitIgnores, belowRoot + name + '/', ignores};
    }
};

// The deepest file that has a rule for the path decides; in a file, the last rule that matches.
std::optional<bool> decideByLevels(const RuleLevels& levels, const std::string& path, bool isFolder) {
    for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
        if (const std::optional<bool> decided = (*level)->decide(path, isFolder)) {
            return decided;
        }
    }
    return std::nullopt;
}

void addRules(const std::string& ignoreFile, const std::string& base, RuleLevels& levels) {
    auto rules = std::make_shared<const IgnoreRules>(readIgnoreFile(ignoreFile), base);
    if (!rules->empty()) {
        levels.push_back(std::move(rules));
    }
}

enum class EntryKind { File, Folder };

struct Entry {
    std::string name;
    EntryKind kind;
};

// The names in a folder that matter to the ignore rules.
struct RuleNames {
    bool git = false; // the folder is the top of a work tree of its own
    bool gitIgnore = false;
    bool ignore = false;
};

class Walker {
public:
    Walker(const ExpansionOptions& options, const std::atomic<bool>* stop, const ExpansionProgress& progress)
        : options_(options), stop_(stop), progress_(progress) {}

    Expansion expand(const std::string& folder) {
        walk(folder, startingPlace(folder), true);
        return std::move(result_);
    }

private:
    bool stopRequested() {
        if (stop_ && stop_->load(std::memory_order_relaxed)) {
            result_.stopped = true;
        }
        return result_.stopped;
    }

    const WorkTree* openWorkTree(const std::string& folder, unsigned flags) {
        git_repository* opened = nullptr;
        if (git_repository_open_ext(&opened, folder.c_str(), flags, nullptr) != 0) {
            return nullptr;
        }
        Repository repository(opened);
        if (git_repository_is_bare(opened)) {
            return nullptr;
        }
        auto tree = std::make_unique<WorkTree>();
        tree->everywhere.emplace_back(
            readIgnoreFile(std::string(git_repository_commondir(opened)) + "info/exclude"), std::string());
        tree->everywhere.emplace_back(readIgnoreFile(globalIgnoreFile(opened)), std::string());
        tree->repository = std::move(repository);
        workTrees_.push_back(std::move(tree));
        return workTrees_.back().get();
    }

    // The work tree the starting folder lies in, found by looking upwards as git does, with the ignore files
    // of the folders above the starting one. The starting folder itself is expanded even when the rules
    // ignore it: it was asked for by name.
    RulePlace startingPlace(const std::string& folder) {
        if (options_.ignored) {
            return {};
        }
        const WorkTree* tree = openWorkTree(folder, 0);
        if (!tree) {
            return {};
        }
        std::error_code error;
        std::string top =
            fromFsPath(fs::canonical(git_repository_workdir(tree->repository.get()), error)) + '/';
        const std::string start = fromFsPath(fs::canonical(toFsPath(folder), error)) + '/';
        if (error || start.compare(0, top.size(), top) != 0) {
            return {};
        }
        RulePlace place{tree, start.substr(top.size()), {}, start.substr(top.size()), {}};
        for (std::size_t end = 0; end < place.inTree.size(); end = place.inTree.find('/', end) + 1) {
            const std::string base = place.inTree.substr(0, end);
            addRules(top + base + kGitIgnoreFile, base, place.gitIgnores);
            addRules(top + base + kIgnoreFile, base, place.ignores);
        }
        return place;
    }

    // A .ignore file's rule wins over every .gitignore's, which win over the rules of the whole work tree.
    bool ignoredByRules(const RulePlace& place, const std::string& name, bool isFolder) const {
        if (!place.ignores.empty()) {
            if (const std::optional<bool> decided =
                    decideByLevels(place.ignores, place.belowRoot + name, isFolder)) {
                return *decided;
            }
        }
        if (!place.tree) {
            return false;
        }
        const std::string path = place.inTree + name;
        if (const std::optional<bool> decided = decideByLevels(place.gitIgnores, path, isFolder)) {
            return *decided;
        }
        for (const IgnoreRules& rules : place.tree->everywhere) {
            if (const std::optional<bool> decided = rules.decide(path, isFolder)) {
                return *decided;
            }
        }
        return false;
    }

    bool keepsFile(const std::string& path, const std::string& name, const RulePlace& place) const {
        if ((!options_.includes.empty() && !matchesAny(options_.includes, name)) ||
            matchesAny(options_.excludes, name) || ignoredByRules(place, name, false)) {
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

    // The folder's files and folders in the byte order of their names, and which of the names that matter
    // to the rules it holds. Anything else (devices, links to folders, links that lead nowhere) is left out.
    bool listFolder(const std::string& folder, std::vector<Entry>& entries, RuleNames& holds) {
        std::error_code error;
        fs::directory_iterator it(toFsPath(folder), error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            std::string name = fromFsPath(it->path().filename());
            if (name == kGitFolder) {
                holds.git = true;
                continue;
            }
            holds.gitIgnore = holds.gitIgnore || name == kGitIgnoreFile;
            holds.ignore = holds.ignore || name == kIgnoreFile;
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

    void walk(const std::string& folder, RulePlace place, bool isStart) {
        if (progress_) {
            progress_(folder, result_.files.size());
        }
        std::vector<Entry> entries;
        RuleNames holds;
        if (!listFolder(folder, entries, holds)) {
            return;
        }
        if (holds.git && !isStart && !options_.ignored) {
            if (const WorkTree* nested = openWorkTree(folder, GIT_REPOSITORY_OPEN_NO_SEARCH)) {
                place.tree = nested;
                place.inTree.clear();
                place.gitIgnores.clear();
            }
        }
        if (place.tree && holds.gitIgnore) {
            addRules(joinPath(folder, kGitIgnoreFile), place.inTree, place.gitIgnores);
        }
        if (!options_.ignored && holds.ignore) {
            addRules(joinPath(folder, kIgnoreFile), place.belowRoot, place.ignores);
        }
        for (const Entry& entry : entries) {
            if (stopRequested()) {
                return;
            }
            const std::string path = joinPath(folder, entry.name);
            if (entry.kind == EntryKind::Folder) {
                if (!ignoredByRules(place, entry.name, true)) {
                    walk(path, place.below(entry.name), false);
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
    std::vector<std::unique_ptr<WorkTree>> workTrees_; // every work tree met, each opened once
    Expansion result_;
};

} // namespace

std::vector<std::string> splitNamePatterns(std::string_view line) {
    constexpr std::string_view kSeparators = " \t,;";
    std::vector<std::string> patterns;
    for (std::size_t start = line.find_first_not_of(kSeparators); start != std::string_view::npos;) {
        const std::size_t end = std::min(line.find_first_of(kSeparators, start), line.size());
        patterns.emplace_back(line.substr(start, end - start));
        start = line.find_first_not_of(kSeparators, end);
    }
    return patterns;
}

std::string joinNamePatterns(const std::vector<std::string>& patterns) {
    std::string line;
    for (const std::string& pattern : patterns) {
        line += (line.empty() ? "" : " ") + pattern;
    }
    return line;
}

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
