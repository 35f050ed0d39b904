#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::platform {

// A file held open under an exclusive advisory lock for as long as its holder works with it. The lock goes
// when the object goes, or with the holder's process however that ends, so a file found locked is still in
// someone's hands, and one found unlocked was left behind.
class HeldFile {
public:
    enum class State { Held, InUse, Gone, Failed };

    HeldFile() = default;
    HeldFile(HeldFile&& other) noexcept;
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    // A new, empty file in the folder, named the prefix, a name no other file there has, and the extension.
    static HeldFile create(const std::string& folder, std::string_view prefix, std::string_view extension);
    // The regular file at the path, when nobody holds it. Never follows a symbolic link: Gone for one.
    static HeldFile take(const std::string& path);

    // The hold on an entry about to go aside under the aside path (see asidePathFor): a new empty file beside
    // it, named as holdNameOfAside says, to be made before the entry goes aside and removed once it has
    // left that name. A clear-up puts back only the aside entries whose hold nobody has. The hold is a file
    // of its own rather than a lock on the entry: an entry may be a folder, a symbolic link (which cannot be
    // opened without following it), a FIFO or a device (which opening can block or act on), or a file this
    // user may rename but not read, and a lock on the user's own file would meet the locks other programs
    // take on it. Nor is it a line in the run's journal, which a run without undo does not keep and a run
    // keeping its state in another folder would not be looked for in. Failed when the name is taken.
    static HeldFile holdAside(const std::string& asidePath);

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    const std::string& path() const { return path_; }

    // Adds the bytes at the end and, unless told otherwise, flushes them (and all before them) to disk; false
    // when that failed.
    enum class Flush { Now, Later };
    bool append(std::string_view bytes, Flush flush = Flush::Now);
    // Takes room on disk now for this many bytes appended after the end, so that they can still be written
    // when the disk has filled up meanwhile, and by another process once this one is gone; the file's size
    // stays as it is. Returns the reason when there is no such room; the empty text also where the file
    // system cannot set room aside, as nothing can be done about that.
    std::string reserve(std::uint64_t bytes);
    // Lets go of the room taken past the end.
    void releaseReserved();
    // Sets the modification time to now, to show that the holder is still at work.
    void touch();
    // Removes the file from its folder and lets it go; false when it could not be removed.
    bool remove();

private:
    HeldFile(int fd, State state, std::string path) : fd_(fd), state_(state), path_(std::move(path)) {}
    static HeldFile createAt(std::string path, bool& nameTaken);
    void release();

    int fd_ = -1;
    State state_ = State::Failed;
    std::string path_;
    std::uint64_t size_ = 0;     // of a file this holder made and appends to
    std::uint64_t reserved_ = 0; // where the room taken ends
};

} // namespace morvane::platform
