// Identities and status of paths, reading regular files whole or in blocks, and the folders the program
// keeps its state in.
#include "core/platform/posix_files.h"

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
