#include "util/leftover_names.h"
#include "util/platform_fs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
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

// A temporary file or backup beside the target, so that the final rename stays on one filesystem and is
// atomic. Its name fits the folder's limit however long the target's name is.
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
            // HeldFile); where the file system has no such locks, the file is written all the same.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST) {
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

bool readAll(int fd, std::size_t expectedSize, std::string& bytes) {
    bytes.resize(expectedSize + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const ssize_t got =
            ::pread(fd, bytes.data() + filled, bytes.size() - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            bytes.resize(filled);
            return got == 0;
        }
        filled += static_cast<std::size_t>(got);
    }
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

FileIdentity identityOf(const struct stat& info) {
    return FileIdentity{true, static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino), static_cast<std::uint64_t>(info.st_size),
                        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                            info.st_mtim.tv_nsec};
}

bool changedSince(const FileIdentity* readAs, const struct stat& now) {
    return readAs && !sameFile(*readAs, identityOf(now));
}

constexpr char kChangedMeanwhile[] = "the file was replaced or changed by someone else after it was read";

// A file beside the target holding the bytes, flushed to disk; with an original, it takes its permission
// bits and, where we are allowed to, its owner. Returns 0 or the error; on failure nothing is left behind.
int writeTemporaryBeside(const fs::path& target, mode_t mode, LeftoverKind kind, const struct stat* original,
                         std::string_view bytes, std::string& temporaryPath) {
    const int fd = createTemporaryBeside(target, mode, kind, temporaryPath);
    if (fd < 0) {
        return errno;
    }
    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(temporaryPath.c_str());
        return code;
    };
    if (!writeAll(fd, bytes)) {
        return fail(errno);
    }
    // The umask may have cleared bits of the original mode.
    if (original && ::fchmod(fd, mode) != 0) {
        return fail(errno);
    }
    if (original && ::fchown(fd, original->st_uid, original->st_gid) != 0) {
        errno = 0;
    }
    if (::fsync(fd) != 0) {
        return fail(errno);
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporaryPath.c_str());
        return code;
    }
    return 0;
}

std::string replaceByRename(const fs::path& resolved, std::string_view bytes, const struct stat* original,
                            const FileIdentity* readAs) {
    const mode_t mode = original ? (original->st_mode & 07777) : 0666;
    std::string temporaryPath;
    if (const int code =
            writeTemporaryBeside(resolved, mode, LeftoverKind::Temporary, original, bytes, temporaryPath);
        code != 0) {
        return errnoText(code);
    }
    // The last look before the rename: a file put there by someone else since the read must not be lost.
    struct stat now {};
    if (readAs && (::stat(resolved.c_str(), &now) != 0 || changedSince(readAs, now))) {
        ::unlink(temporaryPath.c_str());
        return kChangedMeanwhile;
    }
    if (::rename(temporaryPath.c_str(), resolved.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporaryPath.c_str());
        return errnoText(code);
    }
    syncFolder(resolved.parent_path());
    return {};
}

// Writes from the start in steps, telling the journal between them, cuts the file to the new length and
// flushes it. Returns 0 or the error.
int rewriteFrom0(int fd, std::string_view bytes, WriteJournal* journal) {
    constexpr std::size_t kStep = std::size_t{8} << 20;
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        return errno;
    }
    for (std::size_t done = 0; done < bytes.size(); done += kStep) {
        if (journal) {
            journal->rewriteGoingOn();
        }
        if (!writeAll(fd, bytes.substr(done, kStep))) {
            return errno;
        }
    }
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

// The old contents of a file about to be rewritten in place, on disk beside it and held until the rewrite
// is over. Returns the open backup, or -1 with errno set; on failure nothing is left behind.
int writeBackupBeside(const fs::path& target, std::string_view old, std::string& backupPath) {
    const int fd = createTemporaryBeside(target, 0600, LeftoverKind::Backup, backupPath);
    if (fd < 0) {
        return -1;
    }
    if (!writeAll(fd, old) || ::fsync(fd) != 0) {
        const int code = errno;
        ::unlink(backupPath.c_str());
        ::close(fd);
        errno = code;
        return -1;
    }
    // The backup's name must be on disk before a journal names it.
    syncFolder(target.parent_path());
    return fd;
}

// A backup still needed after a failed rewrite takes a visible name, so that its owner can find it.
std::string keepBackup(const std::string& backupPath) {
    const fs::path backup(backupPath);
    const std::string kept = (backup.parent_path() / keptBackupName(backup.filename().string())).string();
    return renameNoReplace(backupPath, kept).empty() ? kept : backupPath;
}

std::string rewriteInPlace(int fd, const fs::path& resolved, std::string_view bytes,
                           const FileIdentity* readAs, WriteJournal* journal) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        return errnoText(errno);
    }
    if (changedSince(readAs, now)) {
        return kChangedMeanwhile;
    }
    std::string old;
    if (!readAll(fd, static_cast<std::size_t>(now.st_size), old)) {
        return errnoText(errno);
    }
    std::string backupPath;
    const int backup = writeBackupBeside(resolved, old, backupPath);
    if (backup < 0) {
        return errnoText(errno);
    }
    const InPlaceRewrite rewrite{resolved.string(), backupPath, identityOf(now), old, bytes};
    const auto discardBackup = [&] {
        ::unlink(backupPath.c_str());
        ::close(backup);
        syncFolder(resolved.parent_path());
        if (journal) {
            journal->rewriteEnded(rewrite);
        }
    };
    if (journal) {
        if (std::string reason = journal->rewriteStarting(rewrite); !reason.empty()) {
            ::unlink(backupPath.c_str());
            ::close(backup);
            return reason;
        }
    }
    if (const int code = rewriteFrom0(fd, bytes, journal); code != 0) {
        if (rewriteFrom0(fd, old, journal) != 0) {
            const std::string kept = keepBackup(backupPath);
            ::close(backup);
            return errnoText(code) + "; the old contents are kept in \"" + kept + "\"";
        }
        discardBackup();
        return errnoText(code);
    }
    discardBackup();
    return {};
}

// A rename would give this name a new inode and leave the file's other names with the old contents.
std::string replaceHardLinked(const fs::path& resolved, std::string_view bytes, const FileIdentity* readAs,
                              WriteJournal* journal) {
    const int fd = ::open(resolved.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return errnoText(errno);
    }
    std::string reason = rewriteInPlace(fd, resolved, bytes, readAs, journal);
    if (::close(fd) != 0 && reason.empty()) {
        reason = errnoText(errno);
    }
    return reason;
}

} // namespace

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedNanoseconds == b.modifiedNanoseconds;
}

FileIdentity fileIdentity(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? identityOf(info) : FileIdentity{};
}

std::string replaceFileContents(const std::string& target, std::string_view bytes, const FileIdentity* readAs,
                                WriteJournal* journal) {
    const fs::path resolved = resolveWriteTarget(target);
    if (journal) {
        journal->writingIn(resolved.parent_path().string());
    }
    struct stat original {};
    const bool exists = ::stat(resolved.c_str(), &original) == 0;
    if (!exists) {
        return readAs ? kChangedMeanwhile : replaceByRename(resolved, bytes, nullptr, nullptr);
    }
    if (S_ISDIR(original.st_mode)) {
        return errnoText(EISDIR);
    }
    // Replacing through the folder would get round a file's own write protection, which a user set on
    // purpose.
    if (::access(resolved.c_str(), W_OK) != 0) {
        return errnoText(errno);
    }
    if (original.st_nlink > 1) {
        return replaceHardLinked(resolved, bytes, readAs, journal);
    }
    return replaceByRename(resolved, bytes, &original, readAs);
}

std::string putBackInPlace(const std::string& path, std::string_view bytes, const FileIdentity& expected) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errnoText(errno);
    }
    struct stat info {};
    std::string reason;
    if (::fstat(fd, &info) != 0) {
        reason = errnoText(errno);
    } else if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_dev) != expected.device ||
               static_cast<std::uint64_t>(info.st_ino) != expected.inode) {
        reason = "the file was replaced";
    } else if (const int code = rewriteFrom0(fd, bytes, nullptr); code != 0) {
        reason = errnoText(code);
    }
    if (::close(fd) != 0 && reason.empty()) {
        reason = errnoText(errno);
    }
    return reason;
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

bool isWritable(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return false;
    }
    // A folder needs search permission too before anything inside it can be created or removed.
    const int wanted = S_ISDIR(status.st_mode) ? (W_OK | X_OK) : W_OK;
    return ::faccessat(AT_FDCWD, path.c_str(), wanted, AT_EACCESS) == 0;
}

std::size_t nameMax(const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : kDefaultNameMax;
}

std::string executableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

} // namespace morvane::platform
