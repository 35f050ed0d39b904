// Identities and status of paths, reading regular files whole or in blocks, and the folders the program
// keeps its state in.
#include "core/platform/posix_files.h"

#include <dirent.h>

namespace morvane::platform {

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

std::string readRegularFile(const std::string& path, std::string& buffer, FileIdentity* identity) {
    struct stat info {};
    std::string reason;
    const OpenFile file(openRegularFile(path, identity, info, reason));
    if (!file.isOpen()) {
        buffer.clear();
        return reason;
    }
    // A file that grows or shrinks while it is read no longer has this identity, so no write relies on it.
    return readOpenFile(file.fd(), static_cast<std::size_t>(info.st_size), buffer);
}

RowFile::~RowFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

RowFile::RowFile(RowFile&& other) noexcept
    : status_(other.status_), fd_(std::exchange(other.fd_, -1)), identity_(other.identity_) {}

RowFile& RowFile::operator=(RowFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        status_ = other.status_;
        fd_ = std::exchange(other.fd_, -1);
        identity_ = other.identity_;
    }
    return *this;
}

RowFile RowFile::lookedAt(const std::string& path) {
    RowFile file;
    file.status_ = pathStatus(path);
    return file;
}

std::string RowFile::readInto(const std::string& path, std::string& buffer, FileIdentity* identity) {
    if (fd_ < 0) {
        return readRegularFile(path, buffer, identity);
    }
    if (identity) {
        *identity = identity_;
    }
    return readOpenFile(fd_, static_cast<std::size_t>(status_.size), buffer);
}

FolderCursor::~FolderCursor() {
    leave();
}

RowFile FolderCursor::open(const std::string& path, std::string_view nextPath) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view folder = std::string_view(path).substr(0, nameAt);
    if (path.find('\0') != std::string::npos ||
        !listedAsRegular(folder, std::string_view(path).substr(nameAt), nextPath)) {
        return RowFile::lookedAt(path);
    }
    // Opened without blocking in case the name was given to a FIFO since the folder was listed; a regular
    // file's read waits for the disk all the same.
    const int fd =
        ::openat(folderFd_, path.c_str() + nameAt, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        return RowFile::lookedAt(path);
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return RowFile::lookedAt(path);
    }
    RowFile file;
    file.fd_ = fd;
    file.status_ = {PathKind::RegularFile, static_cast<std::uint64_t>(info.st_size)};
    file.identity_ = identityOf(info);
    return file;
}

bool FolderCursor::listedAsRegular(std::string_view folder, std::string_view name,
                                   std::string_view nextPath) {
    if (!entered_ || folder != folder_) {
        leave();
        const bool nextHere = nextPath.size() > folder.size() &&
                              nextPath.substr(0, folder.size()) == folder &&
                              nextPath.find('/', folder.size()) == std::string_view::npos;
        if (!nextHere || !enter(folder)) {
            return false;
        }
    }
    return std::binary_search(regularNames_.begin(), regularNames_.end(), name);
}

bool FolderCursor::enter(std::string_view folder) {
    folder_.assign(folder);
    entered_ = true;
    folderFd_ = ::open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0) {
        return false;
    }
    alignas(struct dirent64) char entries[32768];
    for (;;) {
        const ssize_t got = ::getdents64(folderFd_, entries, sizeof entries);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // A listing cut short by an error leaves the names it did not reach to be looked at by their paths.
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
            if (entry->d_type == DT_REG) {
                regularNames_.emplace_back(entry->d_name);
            }
            at += entry->d_reclen;
        }
    }
    std::sort(regularNames_.begin(), regularNames_.end());
    return true;
}

void FolderCursor::leave() {
    if (folderFd_ >= 0) {
        ::close(folderFd_);
        folderFd_ = -1;
    }
    entered_ = false;
    folder_.clear();
    regularNames_.clear();
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
        if (n < 0 && (errno == EINTR || (errno == EAGAIN && waitOnReads(fd_)))) {
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

void ignoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
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
