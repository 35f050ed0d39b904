// A replacement prepared now and placed later: the new file written (whole, as it comes, or from another
// file) beside the target, flushed, then renamed over it after a last look.
#include "core/platform/posix_files.h"

#include <map>
#include <sys/utsname.h>

namespace morvane::platform {

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

namespace {

// syncfs reports a failure to write any file of the file system since Linux 5.8; before, it reports none.
bool fileSystemFlushReportsFailures() {
    static const bool reports = [] {
        struct utsname system {};
        int major = 0;
        int minor = 0;
        return ::uname(&system) == 0 && std::sscanf(system.release, "%d.%d", &major, &minor) == 2 &&
               (major > 5 || (major == 5 && minor >= 8));
    }();
    return reports;
}

} // namespace

std::vector<char> flushTogether(const std::vector<PreparedReplacement*>& replacements) {
    std::vector<char> flushed(replacements.size(), 0);
    if (!fileSystemFlushReportsFailures()) {
        return flushed;
    }
    std::map<dev_t, std::vector<std::size_t>> byFileSystem;
    for (std::size_t i = 0; i < replacements.size(); ++i) {
        struct stat info {};
        if (replacements[i]->temporary_ >= 0 && ::fstat(replacements[i]->temporary_, &info) == 0) {
            byFileSystem[info.st_dev].push_back(i);
        }
    }
    for (const auto& [device, files] : byFileSystem) {
        if (syncFileSystem(replacements[files.front()]->temporary_, files.size()) == 0) {
            for (const std::size_t i : files) {
                flushed[i] = 1;
            }
        }
    }
    return flushed;
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

} // namespace morvane::platform
