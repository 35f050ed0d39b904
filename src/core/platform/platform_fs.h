#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The only place that calls the operating system's file functions directly; everything else goes through
// std::filesystem or these.
namespace morvane::platform {

// What a file was when it was read, so that a later write can tell whether someone else has replaced or
// changed it since. Two identities are equal only when both are known.
struct FileIdentity {
    bool known = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
};

bool sameFile(const FileIdentity& a, const FileIdentity& b);

// The identity of the file a path names, following symbolic links; not known when there is no such file.
FileIdentity fileIdentity(const std::string& path);

enum class PathKind { Missing, Folder, RegularFile, Other };

struct PathStatus {
    PathKind kind = PathKind::Missing;
    std::uint64_t size = 0; // of a regular file
};

// What the path names, following symbolic links, from one look: Missing also for a path that cannot be looked
// at (empty, holding a NUL byte, or in a folder this user may not search).
PathStatus pathStatus(const std::string& path);

// The reasons a read or a write gives for a path that names no regular file, and for a file another program
// has open.
inline constexpr char kNotRegularFile[] = "not a regular file";
inline constexpr char kInUseElsewhere[] = "in use by another program";

// Reads a regular file whole into the buffer, whose memory is kept. Anything else (a FIFO, a device, a
// socket, or a link to one) is refused without being opened in a way that could block, and no more than the
// size the file had when it was opened is read, so a file that grows meanwhile cannot exhaust memory. With
// identity given, it receives what the file was when it was opened, or what the path named when the file
// could not be read; it is not known only when the path names nothing. Returns the reason on failure, when
// the buffer is empty; the empty text on success.
std::string readRegularFile(const std::string& path, std::string& buffer, FileIdentity* identity = nullptr);

// A run's look at the file of one row, and when it is a regular file that could be opened at once, the open
// file: everything the row needs to know comes from that one look.
class RowFile {
public:
    RowFile() = default;
    ~RowFile();
    RowFile(RowFile&& other) noexcept;
    RowFile& operator=(RowFile&& other) noexcept;
    RowFile(const RowFile&) = delete;
    RowFile& operator=(const RowFile&) = delete;

    // What the path names, from one look (see pathStatus), opening nothing: for a row whose file is not read.
    static RowFile lookedAt(const std::string& path);

    const PathStatus& status() const { return status_; }

    // Reads the file whole into the buffer, as readRegularFile does. The buffer's bytes are overwritten, not
    // cleared first, so that only what a file holds beyond the one before is filled twice.
    std::string readInto(const std::string& path, std::string& buffer, FileIdentity* identity);

private:
    friend class FolderCursor;
    PathStatus status_;
    int fd_ = -1;           // open only for a regular file opened at once
    FileIdentity identity_; // of the open file
};

// Opens the files of a run's rows, which come folder by folder. It keeps a descriptor of the folder of the
// last row and the names of the regular files the folder lists, and opens a file so listed by its name there:
// one open and one look at the open file per row, with no lookup of the whole path. Only a name listed as a
// regular file is opened so (and never through a symbolic link), since opening a device can act on it; any
// other row is looked at by its path first, as readRegularFile does. A folder is listed only when the row
// after the one opened is in it too, so that a row alone in a large folder does not pay for the listing.
class FolderCursor {
public:
    FolderCursor() = default;
    ~FolderCursor();
    FolderCursor(const FolderCursor&) = delete;
    FolderCursor& operator=(const FolderCursor&) = delete;

    // The row's file; nextPath is the path of the row after it, empty when there is none.
    RowFile open(const std::string& path, std::string_view nextPath);

private:
    // Whether the name is listed as a regular file in the folder, which becomes the current one.
    bool listedAsRegular(std::string_view folder, std::string_view name, std::string_view nextPath);
    bool enter(std::string_view folder);
    void leave();

    std::string folder_;
    int folderFd_ = -1;
    bool entered_ = false;
    std::vector<std::string> regularNames_; // sorted
};

// A regular file read from its start in blocks, for a file too large to hold whole. It is opened as
// readRegularFile opens it, and read no further than the size it had then.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // With identity given, as for readRegularFile. Returns the reason on failure.
    std::string open(const std::string& path, FileIdentity* identity = nullptr);
    // Fills the buffer with the next bytes, fewer only at the end; got is 0 once all are read. Returns the
    // reason on failure.
    std::string read(std::span<char> buffer, std::size_t& got);
    // Passes over the next bytes without reading them.
    void skip(std::uint64_t bytes);

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t offset_ = 0;
};

// Reads up to the buffer's size from the start of a regular file and returns how much it read; 0 for a file
// that cannot be read or is no regular file, which is opened without blocking on it or acting on a device.
// Cheaper than readRegularFile for a look at the start of many files: no stat of the path before opening.
std::size_t readRegularFileStart(const std::string& path, std::span<char> buffer);

// What a rewrite in place is about to do, for a journal that must be able to put the file back after a crash.
struct InPlaceRewrite {
    std::string target;        // the file, after following symbolic links
    std::string backup;        // beside it: the old contents, already on disk
    FileIdentity before;       // the file as it is before the rewrite
    std::string_view oldBytes; // what the backup holds
    std::string_view newBytes;
};

// Hears what a write leaves on disk while it works, so that a process killed part way (or a machine that
// lost its power) leaves a trail that a later run can follow to clean up and put back.
class WriteJournal {
public:
    virtual ~WriteJournal() = default;
    // Before a temporary file or a backup is made in the folder.
    virtual void writingIn(const std::string& folder) = 0;
    // Before the file is first changed; a reason stops the rewrite, and the file keeps its old contents.
    virtual std::string rewriteStarting(const InPlaceRewrite& rewrite) = 0;
    // Now and then while the file is being written.
    virtual void rewriteGoingOn() = 0;
    // When the file holds its new contents, or its old ones again, and the backup is gone.
    virtual void rewriteEnded(const InPlaceRewrite& rewrite) = 0;
    // Before a new file takes the place of the target under its name: the new file as it is on disk (the
    // rename keeps its device and inode) and what it holds. A reason stops the write, and the target is left
    // as it is.
    virtual std::string replacing(const std::string& target, const FileIdentity& becomes,
                                  std::string_view bytes) {
        (void)target, (void)becomes, (void)bytes;
        return {};
    }
    // Once the target holds the new bytes, whichever way they got there.
    virtual void replaced(const std::string& target, std::string_view bytes) { (void)target, (void)bytes; }
};

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it over the target;
// the new file gets the target's owner, group, every mode bit and its extended attributes (which hold its
// access control lists). A target reached through a symbolic link is replaced where the link points; anything
// but a regular file is never replaced. A file with more than one hard link keeps its inode, so every name
// sees the new contents, and so does a file whose owner or attributes the new file could not be given: a
// backup of the old contents is written beside it first, then the file is rewritten in place; should that
// fail, the old contents are put back, and if even that fails the reason names the backup that still holds
// them. A file that another program has open, where the system can tell, is left alone. With readAs given, a
// file that is no longer the one read (replaced, or changed since) is not overwritten. With a journal given,
// it hears of every folder written in and every rewrite in place. While a temporary file or backup exists, it
// is held (see HeldFile), so that a clean-up by another process leaves it alone. Returns the reason on
// failure, when the target is left as it was; the empty text on success.
std::string replaceFileContents(const std::string& target, std::string_view bytes,
                                const FileIdentity* readAs = nullptr, WriteJournal* journal = nullptr);

// The steps of replaceFileContents split apart, so that the new files of many targets reach the disk
// together: the new file is written beside the target and not flushed; flush() puts it on disk, place() takes
// the last look (the target is still the file read, and nobody else has it open) and renames it over the
// target; the folders of the placed files are flushed after, once each (flushFolders). A target that must be
// rewritten in place (more than one hard link, or an owner or attributes a new file cannot be given) is not
// prepared: it says so, and takes replaceFileContents. The temporary file is held while it exists and removed
// when the replacement goes without having been placed.
class PreparedReplacement {
public:
    PreparedReplacement() = default;
    PreparedReplacement(PreparedReplacement&& other) noexcept;
    PreparedReplacement& operator=(PreparedReplacement&& other) noexcept;
    PreparedReplacement(const PreparedReplacement&) = delete;
    PreparedReplacement& operator=(const PreparedReplacement&) = delete;
    ~PreparedReplacement();

    // Why the target cannot be replaced; empty when it is prepared or must be rewritten in place.
    const std::string& error() const { return error_; }
    bool mustRewriteInPlace() const { return inPlace_; }
    // The file to be replaced, after following symbolic links.
    const std::string& target() const { return target_; }
    // The new file as it is now, which the target is once placed: the rename keeps its device and inode.
    FileIdentity becomes() const;

    // For one begun without its bytes (see beginReplacement): the target's first bytes, copied by the system
    // without passing through this process; then the rest as it comes; and once all are written, the
    // target's owner, mode and attributes, which writing can clear. Each returns the reason on failure.
    std::string copyTargetStart(std::uint64_t length);
    std::string append(std::string_view bytes);
    std::string finishWriting();

    // Each returns the reason on failure, when the temporary file is gone and the target left as it was.
    std::string flush();
    std::string place();

private:
    friend PreparedReplacement prepareReplacement(const std::string& target, std::string_view bytes,
                                                  const FileIdentity& readAs, WriteJournal* journal);
    friend PreparedReplacement beginReplacement(const std::string& target, const FileIdentity& readAs,
                                                WriteJournal* journal);
    friend PreparedReplacement prepareReplacementFrom(const std::string& target, const std::string& source,
                                                      const FileIdentity& readAs, WriteJournal* journal);
    friend std::vector<char> flushTogether(const std::vector<PreparedReplacement*>& replacements);
    struct OpenedTarget;
    // How the three above begin: the target checked and opened, with its path and the reason or the
    // in-place verdict set; false when that ends the preparation.
    bool openTarget(const std::string& target, const FileIdentity& readAs, WriteJournal* journal,
                    OpenedTarget& opened);
    void discard();

    int temporary_ = -1;
    std::string target_;
    std::string temporaryPath_;
    FileIdentity readAs_;
    std::string error_;
    bool inPlace_ = false;
};

// With a journal given, it hears of the folder written in before the temporary file is made there.
PreparedReplacement prepareReplacement(const std::string& target, std::string_view bytes,
                                       const FileIdentity& readAs, WriteJournal* journal = nullptr);

// The same for new contents too large to hold whole, which the caller then writes as they come: the temporary
// file is made empty, and a target that must be rewritten in place is known before any byte is written.
PreparedReplacement beginReplacement(const std::string& target, const FileIdentity& readAs,
                                     WriteJournal* journal = nullptr);

// The same for new contents that another file holds, as the old contents a run keeps for undo. Where that
// file lies on the target's file system and has everything the target has besides its contents (owner, group,
// mode bits, extended attributes), the new file is a second name of it: nothing is copied and no space is
// taken. Else it is a copy that the system makes, given the target's attributes.
PreparedReplacement prepareReplacementFrom(const std::string& target, const std::string& source,
                                           const FileIdentity& readAs, WriteJournal* journal = nullptr);

// Puts the new files of many prepared replacements on disk together, where the system can flush a whole file
// system and report a failure to write any file there: once for each file system they lie on, so that the
// disk takes them all with one wait rather than one each. Tells for each whether it is on disk now; one that
// is not (the system cannot, or reported a failure) takes flush(), which also tells which file failed.
std::vector<char> flushTogether(const std::vector<PreparedReplacement*>& replacements);

// Flushes each folder to disk, so that the renames made in it are kept.
void flushFolders(const std::vector<std::string>& folders);

// How many times this process has had the system put a file's contents, or a folder's entries, on disk
// through the functions declared here, as git's trace counts its fsyncs: a flush left out loses nothing until
// the power fails, so only its count can show it.
struct FlushCounts {
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
};
FlushCounts flushCounts();

// Writes the bytes over the file at the path from its start and cuts it to their length, keeping its inode
// so that every hard link sees them, and flushes it to disk; only while the path still names the file of the
// identity's device and inode, and never through a symbolic link. Returns the reason on failure.
std::string putBackInPlace(const std::string& path, std::string_view bytes, const FileIdentity& expected);

// Keeps what each file at `from` holds under its new path `to` and flushes it to disk with its folder, each
// folder once: as a second name of the same file where the file system allows it, so that nothing is copied,
// else as a private copy. Returns each one's reason on failure, when nothing is left at its `to`.
std::vector<std::string> keepFilesAs(const std::vector<std::pair<std::string, std::string>>& fromTo);

// Writes the bytes to a new private file at the path and flushes it to disk with its folder. Returns the
// reason on failure, when nothing is left at the path.
std::string writeNewFile(const std::string& path, std::string_view bytes);

// Adds the bytes at the end of the existing regular file at the path, never through a symbolic link, and
// flushes them to disk. Returns the reason on failure.
std::string appendToFile(const std::string& path, std::string_view bytes);

// Lets go of the room on disk that the regular file at the path holds past its end (see HeldFile::reserve),
// never through a symbolic link. Returns the reason on failure.
std::string releaseReservedRoom(const std::string& path);

// Whether the regular file at the path is still the one read and holds exactly the bytes; false when it
// cannot be told.
bool stillHolds(const std::string& path, std::string_view bytes, const FileIdentity& readAs);

// Gives an existing regular file the times a rewrite with its own bytes would give it, changing nothing else,
// and only where a rewrite would be allowed: never a file that is no longer the one read (replaced, or
// changed since). Returns the reason on failure.
std::string touchAsRewritten(const std::string& path, const FileIdentity& readAs);

// Gives the regular file at the path, following symbolic links, this modification time; nothing else changes.
// Returns the reason on failure.
std::string setModifiedTime(const std::string& path, std::int64_t modifiedNanoseconds);

// Renames a file or folder, failing instead of replacing anything that already exists at the new path. Only a
// change of letter case of one entry on a file system that ignores case may take a name that already exists,
// and it succeeds only when the folder then lists the new name.
// Returns the reason on failure; the empty text on success.
std::string renameNoReplace(const std::string& from, const std::string& to);

// Whether the new path names the same entry as the old path by a name that differs only in letter case, on a
// file system that ignores case; never for a symbolic link.
bool isCaseChangeOfEntry(const std::string& from, const std::string& to);

// A hidden name beside the entry that says whose it is (an aside name, see leftover_names.h) and that nothing
// has now, for the entry to step aside under while another entry takes its name.
std::string asidePathFor(const std::string& path);

// Whether the running user may replace the file at the path, or create and remove files in the folder at the
// path. False for a path that does not exist.
bool isWritable(const std::string& path);

// Whether the running user owns the file or folder at the path. False for a path that cannot be examined.
bool ownedByRunningUser(const std::string& path);

// The longest file name, in bytes, the folder takes; the common limit where the file system does not say.
inline constexpr std::size_t kDefaultNameMax = 255;
std::size_t nameMax(const std::string& folder);

// Lets a write to a pipe that nobody reads any more fail with an error, rather than end the process.
void ignoreBrokenPipes();

// The folder that holds the running executable, without a trailing separator; empty when it cannot be found.
std::string executableFolder();

// Where the user's programs keep their data: $XDG_DATA_HOME when it is an absolute path, otherwise
// ~/.local/share; empty when neither can be told.
std::string userDataFolder();

// Makes the folder, and those above it that are missing, for the running user alone (the folders above get
// the usual permissions). Returns whether it is there now as a folder.
bool makePrivateFolder(const std::string& path);

// Makes the folder in its existing parent for the running user alone: 0700, whatever the umask. One already
// there is left as it is. Returns whether it is there now as a folder.
bool makePrivateSubfolder(const std::string& path);

} // namespace morvane::platform
