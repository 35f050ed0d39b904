// What the POSIX files of the platform layer share; nothing outside them includes it.
#pragma once

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

namespace fs = std::filesystem;

std::string errnoText(int code);

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
int openForLooking(const char* path);

bool sameEntry(const struct stat& a, const struct stat& b);

// The file that a write must replace: a symbolic link is followed to what it points at, so the link stays a
// link.
fs::path resolveWriteTarget(const std::string& target);

std::string randomSuffix();

// A temporary file or backup beside the target, so that the final rename stays on one filesystem and is
// atomic. Its name fits the folder's limit however long the target's name is.
int createTemporaryBeside(const fs::path& target, mode_t mode, LeftoverKind kind, std::string& temporaryPath);

bool writeAll(int fd, std::string_view bytes);

bool readAll(int fd, std::size_t expectedSize, std::string& bytes);

int syncFile(int fd);

// Only the data, and what reading it back needs: for a file appended to.
int syncFileData(int fd);

// The whole file system the file lies on, which puts every file on it on disk: counted as a flush of each of
// the files it stands for. 0, or -1 with errno, as syncfs gives.
int syncFileSystem(int fd, std::size_t files);

void syncFolder(const fs::path& folder);

FileIdentity identityOf(const struct stat& info);

bool changedSince(const FileIdentity* readAs, const struct stat& now);

inline constexpr char kChangedMeanwhile[] =
    "the file was replaced or changed by someone else after it was read";

// The file being replaced, open for reading, with what it was when opened.
struct Original {
    int fd = -1;
    struct stat info {};
};

// Returned instead of an error when the new file cannot be given everything the original has.
inline constexpr int kAttributesNotKept = -1;

// Gives the new file the original's owner, group, extended attributes and mode bits, and checks that they
// came out the same. The order matters: a change of owner clears the setuid and setgid bits and file
// capabilities, and writing an access control list sets the group bits from its mask; the mode, whose group
// bits are the original's mask, comes last.
bool takeOnAttributes(int fd, const Original& original);

// Whether two files have the same owner, group, mode bits and extended attributes: all that a new file takes
// on from the one it replaces.
bool sameAttributes(int a, const struct stat& aInfo, int b, const struct stat& bInfo);

// A file beside the target holding the bytes, not yet flushed, left open in fd; with an original, it has
// everything the original has but the contents. Returns 0, the error or kAttributesNotKept; on failure
// nothing is left behind.
int writeUnflushedBeside(const fs::path& target, mode_t mode, LeftoverKind kind, const Original* original,
                         std::string_view bytes, std::string& temporaryPath, int& fd);

// The same file flushed to disk and closed.
int writeTemporaryBeside(const fs::path& target, mode_t mode, LeftoverKind kind, const Original* original,
                         std::string_view bytes, std::string& temporaryPath);

// A write lease is granted only while no other open file description exists for the file, in this process or
// any other: the one way Linux tells that another program has the file open.
enum class Lease { Held, InUse, NotAvailable };

Lease takeWriteLease(int fd);

// False once someone has tried to open the file since the lease was taken.
bool leaseUnbroken(int fd);

void releaseLease(int fd);

// The last look before the new file takes the target's name, while the lease, where there is one, keeps
// others from opening the file: the target must still be the file open in fd (as opened found it), unchanged
// since it was read, and nobody may have tried to open it. Renames; returns why not, or nothing.
std::string renameUnderLease(int fd, const struct stat& opened, const FileIdentity* readAs,
                             const std::string& temporaryPath, const fs::path& target);

// Opens a regular file for reading without blocking on anything else; the descriptor, or -1 with the reason.
// It stays open without blocking: a regular file's read waits for the disk all the same.
int openRegularFile(const std::string& path, FileIdentity* identity, struct stat& info, std::string& reason);

// Where a file system honours the flag for a regular file (a lock another process holds, some network and
// user-space file systems), a read of a file opened without blocking can find nothing ready: such a file's
// reads are made to wait, as a regular file's should. False when the descriptor already waits or cannot be
// made to.
bool waitOnReads(int fd);

// Reads the first size bytes of the open regular file into the buffer, fewer when it ends before. Returns
// the reason on failure, when the buffer is empty.
std::string readOpenFile(int fd, std::size_t size, std::string& buffer);

// Copies the first bytes of one open file to the end of another: by the system where it can, without passing
// them through this process, else through a buffer. Returns the reason on failure.
std::string copyBytes(int from, int to, std::uint64_t length);

} // namespace morvane::platform
