#include "core/platform/held_file.h"
#include "core/platform/leftover_names.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace morvane::platform {

namespace {

namespace fs = std::filesystem;

bool lockWithoutWaiting(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

// Whether the path still names the open file: one removed or replaced between the open and the lock was
// already dealt with by whoever held it then.
bool pathStillNames(const std::string& path, int fd) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

HeldFile::HeldFile(HeldFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), state_(std::exchange(other.state_, State::Failed)),
      path_(std::move(other.path_)), size_(other.size_), reserved_(other.reserved_) {}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        state_ = std::exchange(other.state_, State::Failed);
        path_ = std::move(other.path_);
        size_ = other.size_;
        reserved_ = other.reserved_;
    }
    return *this;
}

HeldFile::~HeldFile() {
    release();
}

void HeldFile::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

// A new file at the path, locked. Another process's clear-up may take a file between its creation and the
// lock and remove it as left behind, so a file taken first, or no longer at its path once locked, is given
// up. Where the file system has no such locks, a clear-up cannot take the file either, and it is kept.
HeldFile HeldFile::createAt(std::string path, bool& nameTaken) {
    nameTaken = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        nameTaken = errno == EEXIST;
        return {};
    }
    if ((!lockWithoutWaiting(fd) && errno == EWOULDBLOCK) || !pathStillNames(path, fd)) {
        ::close(fd);
        return {};
    }
    return HeldFile(fd, State::Held, std::move(path));
}

HeldFile HeldFile::create(const std::string& folder, std::string_view prefix, std::string_view extension) {
    const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool nameTaken = false;
        HeldFile created = createAt(folder + "/" + std::string(prefix) + std::to_string(::getpid()) + "-" +
                                        std::to_string(stamp + attempt) + std::string(extension),
                                    nameTaken);
        if (!nameTaken) {
            return created;
        }
    }
    return {};
}

HeldFile HeldFile::holdAside(const std::string& asidePath) {
    const fs::path aside(asidePath);
    const std::optional<std::string> name = holdNameOfAside(aside.filename().string());
    if (!name) {
        return {};
    }
    bool nameTaken = false;
    return createAt((aside.parent_path() / *name).string(), nameTaken);
}

HeldFile HeldFile::take(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return HeldFile(-1, errno == ENOENT || errno == ELOOP ? State::Gone : State::Failed, path);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return HeldFile(-1, State::Failed, path);
    }
    if (!lockWithoutWaiting(fd)) {
        const State state = errno == EWOULDBLOCK ? State::InUse : State::Failed;
        ::close(fd);
        return HeldFile(-1, state, path);
    }
    if (!pathStillNames(path, fd)) {
        ::close(fd);
        return HeldFile(-1, State::Gone, path);
    }
    return HeldFile(fd, State::Held, path);
}

bool HeldFile::append(std::string_view bytes, Flush flush) {
    if (fd_ < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        size_ += static_cast<std::uint64_t>(written);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return flush == Flush::Later || ::fdatasync(fd_) == 0;
}

std::string HeldFile::reserve(std::uint64_t bytes) {
    if (fd_ < 0) {
        return std::generic_category().message(EBADF);
    }
    if (size_ + bytes <= reserved_) {
        return {};
    }
    // In steps, so that many short lines cost one call; only what is asked where the disk has no more.
    constexpr std::uint64_t kStep = std::uint64_t{64} << 10;
    int code = 0;
    for (const std::uint64_t wanted : {std::max(bytes, kStep), bytes}) {
        if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(size_), static_cast<off_t>(wanted)) ==
            0) {
            reserved_ = size_ + wanted;
            return {};
        }
        code = errno;
        if (code == EOPNOTSUPP || code == ENOSYS) {
            return {};
        }
    }
    return std::generic_category().message(code);
}

void HeldFile::releaseReserved() {
    if (fd_ >= 0 && reserved_ > size_ && ::ftruncate(fd_, static_cast<off_t>(size_)) == 0) {
        reserved_ = 0;
    }
}

void HeldFile::touch() {
    if (fd_ >= 0) {
        ::futimens(fd_, nullptr);
    }
}

bool HeldFile::remove() {
    const bool removed = fd_ >= 0 && ::unlink(path_.c_str()) == 0;
    release();
    state_ = State::Gone;
    return removed;
}

} // namespace morvane::platform
