// New files beside a target: temporary names that fit the folder, and a new file that takes on everything
// the original has but its contents.
#include "core/platform/posix_files.h"

#include <optional>

namespace morvane::platform {

std::string randomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 10; ++i) {
        suffix += alphabet[generator() % (sizeof alphabet - 1)];
    }
    return suffix;
}

int createTemporaryBeside(const fs::path& target, mode_t mode, LeftoverKind kind,
                          std::string& temporaryPath) {
    const fs::path folder = target.parent_path();
    const std::size_t limit = nameMax(folder.string());
    const std::string fileName = target.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = (folder / leftoverName(kind, fileName, randomSuffix(), limit)).string();
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            // Held for as long as it is open, so that a clean-up of leftovers elsewhere leaves it alone (see
            // HeldFile); where the file system has no such locks, the file is written all the same. A
            // clean-up that took the new file before the lock removes it: a file not found where it was made
            // is given up for another name.
            struct stat opened {};
            struct stat named {};
            if ((::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) || ::fstat(fd, &opened) != 0 ||
                ::lstat(temporaryPath.c_str(), &named) != 0 || !sameEntry(opened, named)) {
                ::close(fd);
                continue;
            }
            return fd;
        }
        if (errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

namespace {

// The names of a file's extended attributes; none when they cannot be listed. A file system without them
// lists an empty set.
std::optional<std::vector<std::string>> attributeNames(int fd) {
    std::string list;
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP ? std::optional(std::vector<std::string>()) : std::nullopt;
        }
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(fd, list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) { // ERANGE: an attribute was added meanwhile
            return std::nullopt;
        }
    }
    std::vector<std::string> names;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = list.find('\0', start);
        names.push_back(list.substr(start, end - start));
        start = end == std::string::npos ? list.size() : end + 1;
    }
    return names;
}

bool attributeValue(int fd, const std::string& name, std::string& value) {
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) {
            return false;
        }
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) {
            return false;
        }
    }
}

// Makes the new file's extended attributes those of the original, including its access control lists: the
// ones it has are copied, and the ones the new file was given by its folder's default ACL are removed.
bool copyExtendedAttributes(int from, int to) {
    const std::optional<std::vector<std::string>> wantedNames = attributeNames(from);
    const std::optional<std::vector<std::string>> presentNames = attributeNames(to);
    if (!wantedNames || !presentNames) {
        return false;
    }
    const std::vector<std::string>& wanted = *wantedNames;
    const std::vector<std::string>& present = *presentNames;
    std::string value;
    std::string given;
    for (const std::string& name : wanted) {
        if (!attributeValue(from, name, value)) {
            return false;
        }
        // A security label the system gave the new file may be one this user could not set, even to itself.
        if (std::find(present.begin(), present.end(), name) != present.end() &&
            attributeValue(to, name, given) && given == value) {
            continue;
        }
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
            return false;
        }
    }
    for (const std::string& name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
            ::fremovexattr(to, name.c_str()) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

bool takeOnAttributes(int fd, const Original& original) {
    const struct stat& wanted = original.info;
    if (::fchown(fd, wanted.st_uid, wanted.st_gid) != 0 || !copyExtendedAttributes(original.fd, fd) ||
        ::fchmod(fd, wanted.st_mode & 07777) != 0) {
        return false;
    }
    struct stat now {};
    return ::fstat(fd, &now) == 0 && now.st_uid == wanted.st_uid && now.st_gid == wanted.st_gid &&
           (now.st_mode & 07777) == (wanted.st_mode & 07777);
}

bool sameAttributes(int a, const struct stat& aInfo, int b, const struct stat& bInfo) {
    if (aInfo.st_uid != bInfo.st_uid || aInfo.st_gid != bInfo.st_gid ||
        (aInfo.st_mode & 07777) != (bInfo.st_mode & 07777)) {
        return false;
    }
    std::optional<std::vector<std::string>> aNames = attributeNames(a);
    std::optional<std::vector<std::string>> bNames = attributeNames(b);
    if (!aNames || !bNames) {
        return false;
    }
    std::sort(aNames->begin(), aNames->end());
    std::sort(bNames->begin(), bNames->end());
    if (aNames != bNames) {
        return false;
    }
    std::string aValue;
    std::string bValue;
    return std::all_of(aNames->begin(), aNames->end(), [&](const std::string& name) {
        return attributeValue(a, name, aValue) && attributeValue(b, name, bValue) && aValue == bValue;
    });
}

int writeUnflushedBeside(const fs::path& target, mode_t mode, LeftoverKind kind, const Original* original,
                         std::string_view bytes, std::string& temporaryPath, int& fd) {
    fd = createTemporaryBeside(target, mode, kind, temporaryPath);
    if (fd < 0) {
        return errno;
    }
    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(temporaryPath.c_str());
        fd = -1;
        return code;
    };
    if (!writeAll(fd, bytes)) {
        return fail(errno);
    }
    // After the contents: writing would clear file capabilities again.
    if (original && !takeOnAttributes(fd, *original)) {
        return fail(kAttributesNotKept);
    }
    return 0;
}

int writeTemporaryBeside(const fs::path& target, mode_t mode, LeftoverKind kind, const Original* original,
                         std::string_view bytes, std::string& temporaryPath) {
    int fd = -1;
    if (const int code = writeUnflushedBeside(target, mode, kind, original, bytes, temporaryPath, fd);
        code != 0) {
        return code;
    }
    if (syncFile(fd) != 0) {
        const int code = errno;
        ::close(fd);
        ::unlink(temporaryPath.c_str());
        return code;
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporaryPath.c_str());
        return code;
    }
    return 0;
}

} // namespace morvane::platform
