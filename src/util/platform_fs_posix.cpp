#include "util/platform_fs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace morvane::platform {

namespace {

namespace fs = std::filesystem;

std::string errnoText(int code) {
    return std::generic_category().message(code);
}

// The file that a write must replace: a symbolic link is followed to what it points at, so the link stays a
// link.
fs::path resolveWriteTarget(const std::string& target) {
    std::error_code error;
    fs::path resolved = fs::canonical(fs::path(target), error);
    return error ? fs::path(target) : resolved;
}

std::string randomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 10; ++i) {
        suffix += alphabet[generator() % (sizeof alphabet - 1)];
    }
    return suffix;
}

// A temporary file beside the target, so that the final rename stays on one filesystem and is atomic.
int createTemporaryBeside(const fs::path& target, mode_t mode, std::string& temporaryPath) {
    const std::string stem =
        (target.parent_path() / ("." + target.filename().string() + ".morvane-")).string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = stem + randomSuffix();
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string replaceFileContents(const std::string& target, std::string_view bytes) {
    const fs::path resolved = resolveWriteTarget(target);
    struct stat original {};
    const bool exists = ::stat(resolved.c_str(), &original) == 0;
    if (exists && S_ISDIR(original.st_mode)) {
        return errnoText(EISDIR);
    }
    // Replacing through the folder would get round a file's own write protection, which a user set on
    // purpose.
    if (exists && ::access(resolved.c_str(), W_OK) != 0) {
        return errnoText(errno);
    }
    const mode_t mode = exists ? (original.st_mode & 07777) : 0666;
    std::string temporaryPath;
    const int fd = createTemporaryBeside(resolved, mode, temporaryPath);
    if (fd < 0) {
        return errnoText(errno);
    }
    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(temporaryPath.c_str());
        return errnoText(code);
    };
    if (!writeAll(fd, bytes)) {
        return fail(errno);
    }
    if (exists) {
        // The umask may have cleared bits of the original mode; the owner is kept where we are allowed to.
        if (::fchmod(fd, mode) != 0) {
            return fail(errno);
        }
        if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
            errno = 0;
        }
    }
    if (::fsync(fd) != 0) {
        return fail(errno);
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporaryPath.c_str());
        return errnoText(code);
    }
    if (::rename(temporaryPath.c_str(), resolved.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporaryPath.c_str());
        return errnoText(code);
    }
    syncFolder(resolved.parent_path());
    return {};
}

std::string renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    const int code = errno;
    std::error_code error;
    if (code == EEXIST) {
        // A name that differs only in case on a case-insensitive filesystem names the file itself.
        if (fs::equivalent(fs::path(from), fs::path(to), error) && !error) {
            return ::rename(from.c_str(), to.c_str()) == 0 ? std::string() : errnoText(errno);
        }
        return "a file or folder of that name already exists";
    }
    if (code == EINVAL || code == ENOSYS) {
        // Filesystems without the no-replace flag: check first, accepting the small race it leaves.
        if (fs::symlink_status(fs::path(to), error).type() != fs::file_type::not_found) {
            return "a file or folder of that name already exists";
        }
        return ::rename(from.c_str(), to.c_str()) == 0 ? std::string() : errnoText(errno);
    }
    return errnoText(code);
}

std::string executableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

} // namespace morvane::platform
