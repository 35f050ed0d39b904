// What the POSIX platform files share: descriptors, errors, identities, flushes that are counted, the
// reading of regular files without blocking, copying between open files and the write lease.
#include "core/platform/posix_files.h"

#include "core/platform/leftover_names.h"
#include "core/platform/platform_fs.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace morvane::platform {

std::string errnoText(int code) {
    return std::generic_category().message(code);
}

int openForLooking(const char* path) {
    return ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

bool sameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

fs::path resolveWriteTarget(const std::string& target) {
    std::error_code error;
    fs::path resolved = fs::canonical(fs::path(target), error);
    return error ? fs::path(target) : resolved;
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

namespace {

// Every flush asked of the system here is counted (see flushCounts).
std::atomic<std::uint64_t> fileFlushes{0};

std::atomic<std::uint64_t> folderFlushes{0};

} // namespace

int syncFile(int fd) {
    fileFlushes.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(fd);
}

int syncFileData(int fd) {
    fileFlushes.fetch_add(1, std::memory_order_relaxed);
    return ::fdatasync(fd);
}

int syncFileSystem(int fd, std::size_t files) {
    fileFlushes.fetch_add(files, std::memory_order_relaxed);
    return ::syncfs(fd);
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        folderFlushes.fetch_add(1, std::memory_order_relaxed);
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

Lease takeWriteLease(int fd) {
    // Someone opening the file while the lease is held breaks it, and the holder is told by a signal: SIGIO
    // unless set otherwise, which would end the process; SIGURG is ignored unless a handler is installed.
    if (::fcntl(fd, F_SETSIG, SIGURG) != 0) {
        return Lease::NotAvailable;
    }
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        return Lease::Held;
    }
    // Anything else (not the file's owner, a file system without leases) leaves the identity check alone.
    return errno == EAGAIN ? Lease::InUse : Lease::NotAvailable;
}

bool leaseUnbroken(int fd) {
    return ::fcntl(fd, F_GETLEASE) == F_WRLCK;
}

void releaseLease(int fd) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
}

std::string renameUnderLease(int fd, const struct stat& opened, const FileIdentity* readAs,
                             const std::string& temporaryPath, const fs::path& target) {
    const Lease lease = takeWriteLease(fd);
    std::string reason;
    struct stat now {};
    if (lease == Lease::InUse) {
        reason = kInUseElsewhere;
    } else if (changedSince(readAs, opened) || ::stat(target.c_str(), &now) != 0 || !sameEntry(now, opened) ||
               changedSince(readAs, now)) {
        reason = kChangedMeanwhile;
    } else if (lease == Lease::Held && !leaseUnbroken(fd)) {
        reason = kInUseElsewhere;
    } else if (::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        reason = errnoText(errno);
    }
    if (lease == Lease::Held) {
        releaseLease(fd);
    }
    return reason;
}

int openRegularFile(const std::string& path, FileIdentity* identity, struct stat& info, std::string& reason) {
    // Looked at before opening: opening a device can act on it.
    if (::stat(path.c_str(), &info) != 0) {
        reason = errnoText(errno);
        if (identity) {
            *identity = FileIdentity{};
        }
        return -1;
    }
    if (identity) {
        *identity = identityOf(info);
    }
    if (!S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? errnoText(EISDIR) : kNotRegularFile;
        return -1;
    }
    const int fd = openForLooking(path.c_str());
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        reason = errnoText(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    if (identity) {
        *identity = identityOf(info);
    }
    if (!S_ISREG(info.st_mode)) {
        reason = kNotRegularFile;
        ::close(fd);
        return -1;
    }
    return fd;
}

bool waitOnReads(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

std::string readOpenFile(int fd, std::size_t size, std::string& buffer) {
    // Overwritten, not cleared: resizing fills only what lies past the bytes the buffer already holds. A
    // buffer too small is let go first, so that the new one is the file's size rather than twice the old one.
    if (size > buffer.capacity()) {
        std::string().swap(buffer);
    }
    buffer.resize(size);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::pread(fd, buffer.data() + filled, size - filled, static_cast<off_t>(filled));
        if (got < 0 && (errno == EINTR || (errno == EAGAIN && waitOnReads(fd)))) {
            continue;
        }
        if (got < 0) {
            const int code = errno;
            buffer.clear();
            return errnoText(code);
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    buffer.resize(filled);
    return {};
}

std::string copyBytes(int from, int to, std::uint64_t length) {
    loff_t at = 0;
    while (static_cast<std::uint64_t>(at) < length) {
        const auto left = static_cast<std::size_t>(length - static_cast<std::uint64_t>(at));
        const ssize_t copied = ::copy_file_range(from, &at, to, nullptr, left, 0);
        if (copied > 0 || (copied < 0 && errno == EINTR)) {
            continue;
        }
        if (copied == 0) {
            return kChangedMeanwhile;
        }
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
            return errnoText(errno);
        }
        // Across file systems, or where the system cannot copy by itself: through a buffer.
        std::string chunk(std::min<std::size_t>(left, std::size_t{1} << 20), '\0');
        while (static_cast<std::uint64_t>(at) < length) {
            const auto wanted = static_cast<std::size_t>(
                std::min<std::uint64_t>(chunk.size(), length - static_cast<std::uint64_t>(at)));
            const ssize_t got = ::pread(from, chunk.data(), wanted, at);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return got == 0 ? kChangedMeanwhile : errnoText(errno);
            }
            if (!writeAll(to, std::string_view(chunk.data(), static_cast<std::size_t>(got)))) {
                return errnoText(errno);
            }
            at += got;
        }
    }
    return {};
}

FlushCounts flushCounts() {
    return FlushCounts{fileFlushes.load(std::memory_order_relaxed),
                       folderFlushes.load(std::memory_order_relaxed)};
}

void flushFolders(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        syncFolder(fs::path(folder));
    }
}

} // namespace morvane::platform
