// Durable writes: a file's contents replaced by rename or rewritten in place, new files, appends, and the
// checks and touches that go with them.
#include "core/platform/posix_files.h"

namespace morvane::platform {

namespace {

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

} // namespace

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

} // namespace morvane::platform
