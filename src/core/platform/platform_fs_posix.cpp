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

namespace {

namespace fs = std::filesystem;

std::string errnoText(int code) {
    return std::generic_category().message(code);
}

// Closes the descriptor when it goes out of scope.
class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_;
};

// Opening a FIFO or a device for reading can block or act on the device; without O_NONBLOCK it returns at
// once, and the caller looks at what it opened before reading.
int openForLooking(const char* path) {
    return ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

bool sameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

// Every flush asked of the system here is counted (see flushCounts).
std::atomic<std::uint64_t> fileFlushes{0};
std::atomic<std::uint64_t> folderFlushes{0};

int syncFile(int fd) {
    fileFlushes.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(fd);
}

// Only the data, and what reading it back needs: for a file appended to.
int syncFileData(int fd) {
    fileFlushes.fetch_add(1, std::memory_order_relaxed);
    return ::fdatasync(fd);
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

constexpr char kChangedMeanwhile[] = "the file was replaced or changed by someone else after it was read";

// The file being replaced, open for reading, with what it was when opened.
struct Original {
    int fd = -1;
    struct stat info {};
};

// Returned instead of an error when the new file cannot be given everything the original has.
constexpr int kAttributesNotKept = -1;

// The names of a file's extended attributes; false when they cannot be listed. A file system without them
// lists none.
bool attributeNames(int fd, std::vector<std::string>& names) {
    names.clear();
    std::string list;
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP;
        }
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(fd, list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) { // ERANGE: an attribute was added meanwhile
            return false;
        }
    }
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = list.find('\0', start);
        names.push_back(list.substr(start, end - start));
        start = end == std::string::npos ? list.size() : end + 1;
    }
    return true;
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
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!attributeNames(from, wanted) || !attributeNames(to, present)) {
        return false;
    }
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

// Gives the new file the original's owner, group, extended attributes and mode bits, and checks that they
// came out the same. The order matters: a change of owner clears the setuid and setgid bits and file
// capabilities, and writing an access control list sets the group bits from its mask; the mode, whose group
// bits are the original's mask, comes last.
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

// Whether two files have the same owner, group, mode bits and extended attributes: all that a new file takes
// on from the one it replaces.
bool sameAttributes(int a, const struct stat& aInfo, int b, const struct stat& bInfo) {
    if (aInfo.st_uid != bInfo.st_uid || aInfo.st_gid != bInfo.st_gid ||
        (aInfo.st_mode & 07777) != (bInfo.st_mode & 07777)) {
        return false;
    }
    std::vector<std::string> aNames;
    std::vector<std::string> bNames;
    if (!attributeNames(a, aNames) || !attributeNames(b, bNames)) {
        return false;
    }
    std::sort(aNames.begin(), aNames.end());
    std::sort(bNames.begin(), bNames.end());
    if (aNames != bNames) {
        return false;
    }
    std::string aValue;
    std::string bValue;
    return std::all_of(aNames.begin(), aNames.end(), [&](const std::string& name) {
        return attributeValue(a, name, aValue) && attributeValue(b, name, bValue) && aValue == bValue;
    });
}

// A file beside the target holding the bytes, not yet flushed, left open in fd; with an original, it has
// everything the original has but the contents. Returns 0, the error or kAttributesNotKept; on failure
// nothing is left behind.
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

// The same file flushed to disk and closed.
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
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || syncFile(fd) != 0) {
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
    if (!writeAll(fd, old) || syncFile(fd) != 0) {
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
    if (journal) {
        journal->replaced(resolved.string(), bytes);
    }
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

// A write lease is granted only while no other open file description exists for the file, in this process or
// any other: the one way Linux tells that another program has the file open.
enum class Lease { Held, InUse, NotAvailable };

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

// False once someone has tried to open the file since the lease was taken.
bool leaseUnbroken(int fd) {
    return ::fcntl(fd, F_GETLEASE) == F_WRLCK;
}

void releaseLease(int fd) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
}

// The last look before the new file takes the target's name, while the lease, where there is one, keeps
// others from opening the file: the target must still be the file open in fd (as opened found it), unchanged
// since it was read, and nobody may have tried to open it. Renames; returns why not, or nothing.
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

// Rewriting in place keeps the inode, so what the original has besides its contents stays as it is.
std::string replaceInPlace(const Original& original, const fs::path& resolved, std::string_view bytes,
                           const FileIdentity* readAs, WriteJournal* journal) {
    const Lease lease = takeWriteLease(original.fd);
    if (lease == Lease::InUse) {
        return kInUseElsewhere;
    }
    // Released before the file is opened for writing, which would break this very process's lease.
    if (lease == Lease::Held) {
        releaseLease(original.fd);
    }
    return replaceHardLinked(resolved, bytes, readAs, journal);
}

std::string createByRename(const fs::path& resolved, std::string_view bytes) {
    std::string temporaryPath;
    if (const int code =
            writeTemporaryBeside(resolved, 0666, LeftoverKind::Temporary, nullptr, bytes, temporaryPath);
        code != 0) {
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

std::string replaceByRename(const Original& original, const fs::path& resolved, std::string_view bytes,
                            const FileIdentity* readAs, WriteJournal* journal) {
    std::string temporaryPath;
    const int code =
        writeTemporaryBeside(resolved, 0600, LeftoverKind::Temporary, &original, bytes, temporaryPath);
    if (code == kAttributesNotKept) {
        return replaceInPlace(original, resolved, bytes, readAs, journal);
    }
    if (code != 0) {
        return errnoText(code);
    }
    // Before the lease: a journal that has to copy the file opens it, which would break the lease.
    if (journal) {
        struct stat made {};
        const FileIdentity becomes =
            ::stat(temporaryPath.c_str(), &made) == 0 ? identityOf(made) : FileIdentity{};
        if (std::string refused = journal->replacing(resolved.string(), becomes, bytes); !refused.empty()) {
            ::unlink(temporaryPath.c_str());
            return refused;
        }
    }
    const std::string reason = renameUnderLease(original.fd, original.info, readAs, temporaryPath, resolved);
    if (!reason.empty()) {
        ::unlink(temporaryPath.c_str());
        return reason;
    }
    syncFolder(resolved.parent_path());
    if (journal) {
        journal->replaced(resolved.string(), bytes);
    }
    return {};
}

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

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedNanoseconds == b.modifiedNanoseconds;
}

FileIdentity fileIdentity(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? identityOf(info) : FileIdentity{};
}

PathStatus pathStatus(const std::string& path) {
    struct stat info {};
    if (path.empty() || path.find('\0') != std::string::npos || ::stat(path.c_str(), &info) != 0) {
        return {};
    }
    if (S_ISDIR(info.st_mode)) {
        return {PathKind::Folder, 0};
    }
    if (S_ISREG(info.st_mode)) {
        return {PathKind::RegularFile, static_cast<std::uint64_t>(info.st_size)};
    }
    return {PathKind::Other, 0};
}

std::size_t readRegularFileStart(const std::string& path, std::span<char> buffer) {
    const OpenFile file(openForLooking(path.c_str()));
    struct stat info {};
    if (!file.isOpen() || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t got = ::read(file.fd(), buffer.data() + filled, buffer.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

namespace {

// Opens a regular file for reading without blocking on anything else; the descriptor, or -1 with the reason.
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
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

std::string readRegularFile(const std::string& path, std::string& buffer, FileIdentity* identity) {
    buffer.clear();
    struct stat info {};
    std::string reason;
    const OpenFile file(openRegularFile(path, identity, info, reason));
    if (!file.isOpen()) {
        return reason;
    }
    // A file that grows or shrinks while it is read no longer has this identity, so no write relies on it.
    const auto size = static_cast<std::size_t>(info.st_size);
    buffer.resize(size);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got =
            ::pread(file.fd(), buffer.data() + filled, size - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) {
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

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string FileReader::open(const std::string& path, FileIdentity* identity) {
    struct stat info {};
    std::string reason;
    fd_ = openRegularFile(path, identity, info, reason);
    if (fd_ >= 0) {
        size_ = static_cast<std::uint64_t>(info.st_size);
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    return reason;
}

std::string FileReader::read(std::span<char> buffer, std::size_t& got) {
    got = 0;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - offset_));
    while (got < wanted) {
        const ssize_t n = ::pread(fd_, buffer.data() + got, wanted - got, static_cast<off_t>(offset_ + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errnoText(errno);
        }
        if (n == 0) {
            break; // the file shrank: its identity has changed, and no write relies on it
        }
        got += static_cast<std::size_t>(n);
    }
    offset_ += got;
    return {};
}

void FileReader::skip(std::uint64_t bytes) {
    offset_ += std::min(bytes, size_ - offset_);
}

std::string replaceFileContents(const std::string& target, std::string_view bytes, const FileIdentity* readAs,
                                WriteJournal* journal) {
    const fs::path resolved = resolveWriteTarget(target);
    if (journal) {
        journal->writingIn(resolved.parent_path().string());
    }
    struct stat found {};
    if (::stat(resolved.c_str(), &found) != 0) {
        return readAs ? kChangedMeanwhile : createByRename(resolved, bytes);
    }
    if (S_ISDIR(found.st_mode)) {
        return errnoText(EISDIR);
    }
    if (!S_ISREG(found.st_mode)) {
        return kNotRegularFile;
    }
    // Replacing through the folder would get round a file's own write protection, which a user set on
    // purpose.
    if (::access(resolved.c_str(), W_OK) != 0) {
        return errnoText(errno);
    }
    const OpenFile file(openForLooking(resolved.c_str()));
    Original original;
    original.fd = file.fd();
    if (!file.isOpen() || ::fstat(file.fd(), &original.info) != 0) {
        return errnoText(errno);
    }
    if (!sameEntry(original.info, found) || changedSince(readAs, original.info)) {
        return kChangedMeanwhile;
    }
    if (original.info.st_nlink > 1) {
        return replaceInPlace(original, resolved, bytes, readAs, journal);
    }
    return replaceByRename(original, resolved, bytes, readAs, journal);
}

PreparedReplacement::PreparedReplacement(PreparedReplacement&& other) noexcept
    : temporary_(std::exchange(other.temporary_, -1)), target_(std::move(other.target_)),
      temporaryPath_(std::move(other.temporaryPath_)), readAs_(other.readAs_),
      error_(std::move(other.error_)), inPlace_(other.inPlace_) {}

PreparedReplacement& PreparedReplacement::operator=(PreparedReplacement&& other) noexcept {
    if (this != &other) {
        discard();
        temporary_ = std::exchange(other.temporary_, -1);
        target_ = std::move(other.target_);
        temporaryPath_ = std::move(other.temporaryPath_);
        readAs_ = other.readAs_;
        error_ = std::move(other.error_);
        inPlace_ = other.inPlace_;
    }
    return *this;
}

PreparedReplacement::~PreparedReplacement() {
    discard();
}

void PreparedReplacement::discard() {
    if (temporary_ >= 0) {
        ::unlink(temporaryPath_.c_str());
        ::close(temporary_);
        temporary_ = -1;
    }
}

namespace {

// The checks before a new file is made for the target (it is still the regular file read, and this user may
// write it), once the journal knows the folder: the target open, or -1 with the reason, or with inPlace set
// for a file with more than one hard link. Resolved receives where the new file goes.
int openTargetToReplace(const std::string& target, const FileIdentity& readAs, WriteJournal* journal,
                        fs::path& resolved, struct stat& info, std::string& reason, bool& inPlace) {
    resolved = resolveWriteTarget(target);
    if (journal) {
        journal->writingIn(resolved.parent_path().string());
    }
    struct stat found {};
    if (::stat(resolved.c_str(), &found) != 0) {
        reason = kChangedMeanwhile;
        return -1;
    }
    if (!S_ISREG(found.st_mode)) {
        reason = S_ISDIR(found.st_mode) ? errnoText(EISDIR) : kNotRegularFile;
        return -1;
    }
    if (::access(resolved.c_str(), W_OK) != 0) {
        reason = errnoText(errno);
        return -1;
    }
    const int fd = openForLooking(resolved.c_str());
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        reason = errnoText(errno);
    } else if (!sameEntry(info, found) || changedSince(&readAs, info)) {
        reason = kChangedMeanwhile;
    } else if (info.st_nlink > 1) {
        inPlace = true;
    } else {
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

// Copies the first bytes of one open file to the end of another: by the system where it can, without passing
// them through this process, else through a buffer. Returns the reason on failure.
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

} // namespace

// The target of a replacement being prepared: where the new file goes, and the file it replaces, open until
// the preparation ends.
struct PreparedReplacement::OpenedTarget {
    fs::path resolved;
    int fd = -1;
    struct stat info {};

    OpenedTarget() = default;
    OpenedTarget(const OpenedTarget&) = delete;
    OpenedTarget& operator=(const OpenedTarget&) = delete;
    ~OpenedTarget() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Original original() const { return Original{fd, info}; }
};

bool PreparedReplacement::openTarget(const std::string& target, const FileIdentity& readAs,
                                     WriteJournal* journal, OpenedTarget& opened) {
    readAs_ = readAs;
    opened.fd = openTargetToReplace(target, readAs, journal, opened.resolved, opened.info, error_, inPlace_);
    target_ = opened.resolved.string();
    return opened.fd >= 0;
}

PreparedReplacement prepareReplacement(const std::string& target, std::string_view bytes,
                                       const FileIdentity& readAs, WriteJournal* journal) {
    PreparedReplacement prepared;
    PreparedReplacement::OpenedTarget opened;
    if (!prepared.openTarget(target, readAs, journal, opened)) {
        return prepared;
    }
    const fs::path& resolved = opened.resolved;
    const Original original = opened.original();
    const int code = writeUnflushedBeside(resolved, 0600, LeftoverKind::Temporary, &original, bytes,
                                          prepared.temporaryPath_, prepared.temporary_);
    prepared.inPlace_ = code == kAttributesNotKept;
    if (code != 0 && !prepared.inPlace_) {
        prepared.error_ = errnoText(code);
    }
    return prepared;
}

PreparedReplacement beginReplacement(const std::string& target, const FileIdentity& readAs,
                                     WriteJournal* journal) {
    PreparedReplacement prepared;
    PreparedReplacement::OpenedTarget opened;
    if (!prepared.openTarget(target, readAs, journal, opened)) {
        return prepared;
    }
    const fs::path& resolved = opened.resolved;
    const Original original = opened.original();
    prepared.temporary_ =
        createTemporaryBeside(resolved, 0600, LeftoverKind::Temporary, prepared.temporaryPath_);
    if (prepared.temporary_ < 0) {
        prepared.error_ = errnoText(errno);
    } else if (!takeOnAttributes(prepared.temporary_, original)) {
        // Tried on the empty file, so that such a target is known before any byte is written.
        prepared.discard();
        prepared.inPlace_ = true;
    }
    return prepared;
}

namespace {

// A second name of the source beside the target, made as createTemporaryBeside makes its files; the source,
// open in fd, is held first, so that no clean-up elsewhere takes the new name for a leftover. Returns 0 or
// the error.
int linkTemporaryBeside(const fs::path& target, const std::string& source, int fd,
                        std::string& temporaryPath) {
    ::flock(fd, LOCK_EX | LOCK_NB);
    const fs::path folder = target.parent_path();
    const std::size_t limit = nameMax(folder.string());
    const std::string fileName = target.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath =
            (folder / leftoverName(LeftoverKind::Temporary, fileName, randomSuffix(), limit)).string();
        if (::link(source.c_str(), temporaryPath.c_str()) == 0) {
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

} // namespace

PreparedReplacement prepareReplacementFrom(const std::string& target, const std::string& source,
                                           const FileIdentity& readAs, WriteJournal* journal) {
    PreparedReplacement prepared;
    PreparedReplacement::OpenedTarget opened;
    if (!prepared.openTarget(target, readAs, journal, opened)) {
        return prepared;
    }
    const fs::path& resolved = opened.resolved;
    const Original original = opened.original();
    struct stat sourceInfo {};
    int kept = openRegularFile(source, nullptr, sourceInfo, prepared.error_);
    if (kept < 0) {
        return prepared;
    }
    if (sourceInfo.st_dev == original.info.st_dev &&
        sameAttributes(kept, sourceInfo, original.fd, original.info) &&
        linkTemporaryBeside(resolved, source, kept, prepared.temporaryPath_) == 0) {
        prepared.temporary_ = kept;
        return prepared;
    }
    const OpenFile copied(kept);
    prepared.temporary_ =
        createTemporaryBeside(resolved, 0600, LeftoverKind::Temporary, prepared.temporaryPath_);
    if (prepared.temporary_ < 0) {
        prepared.error_ = errnoText(errno);
        return prepared;
    }
    if (std::string reason =
            copyBytes(copied.fd(), prepared.temporary_, static_cast<std::uint64_t>(sourceInfo.st_size));
        !reason.empty()) {
        prepared.discard();
        prepared.error_ = std::move(reason);
    } else if (!takeOnAttributes(prepared.temporary_, original)) {
        prepared.discard();
        prepared.inPlace_ = true;
    }
    return prepared;
}

std::string PreparedReplacement::copyTargetStart(std::uint64_t length) {
    const OpenFile original(openForLooking(target_.c_str()));
    struct stat info {};
    if (!original.isOpen() || ::fstat(original.fd(), &info) != 0 || changedSince(&readAs_, info)) {
        return kChangedMeanwhile;
    }
    ::fcntl(original.fd(), F_SETFL, ::fcntl(original.fd(), F_GETFL) & ~O_NONBLOCK);
    return copyBytes(original.fd(), temporary_, length);
}

std::string PreparedReplacement::append(std::string_view bytes) {
    return writeAll(temporary_, bytes) ? std::string() : errnoText(errno);
}

std::string PreparedReplacement::finishWriting() {
    const OpenFile file(openForLooking(target_.c_str()));
    Original original;
    original.fd = file.fd();
    if (!file.isOpen() || ::fstat(file.fd(), &original.info) != 0 || changedSince(&readAs_, original.info)) {
        return kChangedMeanwhile;
    }
    return takeOnAttributes(temporary_, original) ? std::string()
                                                  : "the file's owner or attributes cannot be kept";
}

FileIdentity PreparedReplacement::becomes() const {
    struct stat info {};
    return temporary_ >= 0 && ::fstat(temporary_, &info) == 0 ? identityOf(info) : FileIdentity{};
}

std::string PreparedReplacement::flush() {
    if (temporary_ < 0) {
        return errnoText(EBADF);
    }
    if (syncFile(temporary_) != 0) {
        const int code = errno;
        discard();
        return errnoText(code);
    }
    return {};
}

std::string PreparedReplacement::place() {
    if (temporary_ < 0) {
        return errnoText(EBADF);
    }
    // As replaceByRename's last look, on the file opened anew: it must still be the one read, unchanged,
    // and nobody may have it open or try to open it until the rename.
    const OpenFile original(openForLooking(target_.c_str()));
    struct stat opened {};
    if (!original.isOpen() || ::fstat(original.fd(), &opened) != 0) {
        discard();
        return kChangedMeanwhile;
    }
    const std::string reason = renameUnderLease(original.fd(), opened, &readAs_, temporaryPath_, target_);
    if (!reason.empty()) {
        discard();
        return reason;
    }
    ::close(temporary_);
    temporary_ = -1;
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

std::string writeNewFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errnoText(errno);
    }
    if (!writeAll(fd, bytes) || syncFile(fd) != 0) {
        const int code = errno;
        ::close(fd);
        ::unlink(path.c_str());
        return errnoText(code);
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(path.c_str());
        return errnoText(code);
    }
    syncFolder(fs::path(path).parent_path());
    return {};
}

std::string appendToFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errnoText(errno);
    }
    std::string reason;
    if (!writeAll(fd, bytes) || syncFileData(fd) != 0) {
        reason = errnoText(errno);
    }
    if (::close(fd) != 0 && reason.empty()) {
        reason = errnoText(errno);
    }
    return reason;
}

std::string releaseReservedRoom(const std::string& path) {
    const OpenFile file(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file.isOpen() || ::fstat(file.fd(), &info) != 0) {
        return errnoText(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return kNotRegularFile;
    }
    // Cutting a file to its own size frees what lies past its end.
    return ::ftruncate(file.fd(), info.st_size) == 0 ? std::string() : errnoText(errno);
}

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

bool stillHolds(const std::string& path, std::string_view bytes, const FileIdentity& readAs) {
    if (readAs.size != bytes.size()) {
        return false;
    }
    const OpenFile file(openForLooking(path.c_str()));
    struct stat info {};
    if (!file.isOpen() || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode) ||
        changedSince(&readAs, info)) {
        return false;
    }
    ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK);
    constexpr std::size_t kChunk = 64 * 1024;
    char chunk[kChunk];
    std::size_t compared = 0;
    while (compared < bytes.size()) {
        const std::size_t wanted = std::min(kChunk, bytes.size() - compared);
        const ssize_t got = ::pread(file.fd(), chunk, wanted, static_cast<off_t>(compared));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || std::memcmp(chunk, bytes.data() + compared, static_cast<std::size_t>(got)) != 0) {
            return false;
        }
        compared += static_cast<std::size_t>(got);
    }
    return true;
}

std::string touchAsRewritten(const std::string& path, const FileIdentity& readAs) {
    const OpenFile file(openForLooking(path.c_str()));
    struct stat info {};
    if (!file.isOpen() || ::fstat(file.fd(), &info) != 0) {
        return errnoText(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return kNotRegularFile;
    }
    if (changedSince(&readAs, info)) {
        return kChangedMeanwhile;
    }
    // The owner may set the time of a file they protected from writing; a rewrite would have been refused.
    if (::access(path.c_str(), W_OK) != 0) {
        return errnoText(errno);
    }
    // Both times become now, which whoever may write the file may do; leaving the access time as it was would
    // be for the owner only. The read that came before has moved the access time already on most mounts.
    return ::futimens(file.fd(), nullptr) == 0 ? std::string() : errnoText(errno);
}

std::string setModifiedTime(const std::string& path, std::int64_t modifiedNanoseconds) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errnoText(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return kNotRegularFile;
    }
    constexpr std::int64_t kBillion = 1'000'000'000;
    // Whole seconds rounded down, so that a time before 1970 keeps a nanosecond part that is not negative.
    const std::int64_t remainder = (modifiedNanoseconds % kBillion + kBillion) % kBillion;
    const struct timespec times[2] = {
        {0, UTIME_OMIT},
        {static_cast<time_t>((modifiedNanoseconds - remainder) / kBillion), static_cast<long>(remainder)}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? std::string() : errnoText(errno);
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

bool ownedByRunningUser(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_uid == ::geteuid();
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

std::string userDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/') {
        return dataHome;
    }
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? (fs::path(home) / ".local" / "share").string() : std::string();
}

bool makePrivateFolder(const std::string& path) {
    std::error_code error;
    const fs::path folder(path);
    if (fs::is_directory(folder, error)) {
        return true;
    }
    fs::create_directories(folder.parent_path(), error);
    return makePrivateSubfolder(path);
}

bool makePrivateSubfolder(const std::string& path) {
    if (::mkdir(path.c_str(), S_IRWXU) == 0) {
        // The umask may have taken the owner's own bits away; it never gave anyone else any.
        return ::chmod(path.c_str(), S_IRWXU) == 0;
    }
    std::error_code error;
    return errno == EEXIST && fs::is_directory(fs::path(path), error);
}

} // namespace morvane::platform
