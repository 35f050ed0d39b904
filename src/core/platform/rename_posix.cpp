// Renames that never replace, a name's change of letter case, the names that files are kept under and the
// aside names of a run.
#include "core/platform/posix_files.h"

namespace morvane::platform {

namespace {

constexpr char kNameTaken[] = "a file or folder of that name already exists";

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Whether two names in one folder that differ only in letter case are one and the same directory entry, as
// on a file system that ignores case. Links are looked at, never followed.
bool isCaseChangeOfOneEntry(const fs::path& from, const fs::path& to) {
    const std::string fromName = from.filename().string();
    const std::string toName = to.filename().string();
    if (from.parent_path() != to.parent_path() || fromName == toName ||
        !equalIgnoringAsciiCase(fromName, toName)) {
        return false;
    }
    struct stat a {};
    struct stat b {};
    return ::lstat(from.c_str(), &a) == 0 && ::lstat(to.c_str(), &b) == 0 && sameEntry(a, b) &&
           !S_ISLNK(a.st_mode);
}

bool folderLists(const fs::path& folder, const fs::path& name) {
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename() == name) {
            return true;
        }
    }
    return false;
}

// A rename between two names of one file does nothing and still reports success (two hard links whose names
// differ only in case); only the folder's listing tells whether the name changed.
std::string renameCaseOnly(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return errnoText(errno);
    }
    const fs::path folder = to.parent_path();
    if (!folderLists(folder, to.filename()) || folderLists(folder, from.filename())) {
        return kNameTaken;
    }
    return {};
}

} // namespace

std::vector<std::string> keepFilesAs(const std::vector<std::pair<std::string, std::string>>& fromTo) {
    std::vector<std::string> reasons(fromTo.size());
    std::vector<std::string> linkedIn;
    for (std::size_t i = 0; i < fromTo.size(); ++i) {
        const auto& [from, to] = fromTo[i];
        // Another file system, or one that protects links to files of other owners, gets a copy.
        if (::link(from.c_str(), to.c_str()) == 0) {
            std::string folder = fs::path(to).parent_path().string();
            if (std::find(linkedIn.begin(), linkedIn.end(), folder) == linkedIn.end()) {
                linkedIn.push_back(std::move(folder));
            }
            continue;
        }
        std::string bytes;
        reasons[i] = readRegularFile(from, bytes);
        if (reasons[i].empty()) {
            reasons[i] = writeNewFile(to, bytes);
        }
    }
    flushFolders(linkedIn);
    return reasons;
}

std::string renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    const int code = errno;
    if (code != EEXIST && code != EINVAL && code != ENOSYS) {
        return errnoText(code);
    }
    struct stat taken {};
    if (code == EEXIST || ::lstat(to.c_str(), &taken) == 0) {
        return isCaseChangeOfOneEntry(from, to) ? renameCaseOnly(from, to) : kNameTaken;
    }
    // A file system without the no-replace flag, and nothing has the new name: rename, accepting the small
    // race this leaves.
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::string() : errnoText(errno);
}

bool isCaseChangeOfEntry(const std::string& from, const std::string& to) {
    return isCaseChangeOfOneEntry(from, to);
}

std::string asidePathFor(const std::string& path) {
    const fs::path entry(path);
    const fs::path folder = entry.parent_path();
    const std::size_t limit = nameMax(folder.string());
    std::string aside;
    for (int attempt = 0; attempt < 100; ++attempt) {
        aside = (folder / leftoverName(LeftoverKind::Aside, entry.filename().string(), randomSuffix(), limit))
                    .string();
        struct stat taken {};
        if (::lstat(aside.c_str(), &taken) != 0) {
            break;
        }
    }
    return aside;
}

} // namespace morvane::platform
