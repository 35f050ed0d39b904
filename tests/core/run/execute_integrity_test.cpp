#include "core/platform/platform_fs.h"
#include "core/platform/text_file.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;

RunRequest runOver(std::vector<std::string> files, bool execute, ReplaceMode mode = ReplaceMode::Contents,
                   std::string find = "a", std::string replace = "b") {
    RunRequest request{.finds = {std::move(find)},
                       .replaces = {std::move(replace)},
                       .files = std::move(files),
                       .mode = mode,
                       .execute = execute};
    return request;
}

bool isRoot() {
    return ::geteuid() == 0;
}

std::string makeFifo(const TempDir& dir, const char* name) {
    const std::string path = dir.file(name);
    EXPECT_EQ(::mkfifo(path.c_str(), 0666), 0);
    return path;
}

TEST(FileKinds, FifoInListDoesNotBlockTheRun) {
    TempDir dir;
    const std::string ok = dir.write("ok.txt", "aa");
    const std::string fifo = makeFifo(dir, "fifo");
    const std::string fifoLink = dir.file("fifo-link");
    fs::create_symlink(fifo, fifoLink);
    const std::string later = dir.write("later.txt", "a");
    const std::vector<std::string> files{ok, fifo, fifoLink, later};
    for (const bool execute : {false, true}) {
        const RunResult result = runPairs(runOver(files, execute));
        ASSERT_EQ(result.rows.size(), files.size());
        ASSERT_EQ(result.failures.size(), files.size() - 2);
        for (std::size_t i = 1; i + 1 < files.size(); ++i) {
            EXPECT_EQ(result.failures[i - 1].row, i);
            EXPECT_EQ(result.failures[i - 1].reason, platform::kNotRegularFile);
        }
        EXPECT_EQ(result.total, 3);
    }
    EXPECT_EQ(readBytes(ok), "bb");
    EXPECT_EQ(readBytes(later), "b");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(fifoLink));
}

// The run looks before it reads; these are what the read and the write do when a path turns into something
// else after that look.
TEST(FileKinds, ReadAndWriteRefuseAnythingButARegularFileWithoutBlocking) {
    TempDir dir;
    const std::string fifo = makeFifo(dir, "fifo");
    std::string buffer = "stale";
    platform::FileIdentity identity;
    EXPECT_EQ(readTextFileInto(fifo, buffer, &identity), platform::kNotRegularFile);
    EXPECT_EQ(buffer, "");
    EXPECT_TRUE(identity.known) << "a path that names something unreadable is not taken for a missing file";
    EXPECT_FALSE(readTextFileInto(dir.file("missing"), buffer, &identity).empty());
    EXPECT_FALSE(identity.known);
    EXPECT_EQ(writeTextFile("x", fifo).error, platform::kNotRegularFile);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(readTextFileInto("/dev/urandom", buffer), platform::kNotRegularFile);
}

TEST(FileKinds, DeviceNodeIsNotReplaced) {
    if (!isRoot()) {
        GTEST_SKIP() << "only root may make a device node";
    }
    TempDir dir;
    const std::string device = dir.file("null");
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    const std::string link = dir.file("link");
    fs::create_symlink(device, link);
    for (const std::string& path : {device, link}) {
        EXPECT_EQ(writeTextFile("x", path).error, platform::kNotRegularFile) << path;
        EXPECT_EQ(runPairs(runOver({path}, true)).failures.size(), 1u);
    }
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_TRUE(fs::is_symlink(link));
}

// Every name in the folder with what it holds: a link's target, a file's contents or "/" for a folder.
std::map<std::string, std::string> everyName(const TempDir& dir) {
    std::map<std::string, std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        names[entry.path().filename()] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry).string()
                                         : entry.is_directory() ? "/"
                                                                : readBytes(entry.path());
    }
    return names;
}

// Entries are made in order: "name" a file holding its name, "name/" a folder, "name->target" a symbolic link
// and "name=>other" a hard link to another entry.
void makeEntries(const TempDir& dir, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const std::size_t link = entry.find("->");
        const std::size_t hard = entry.find("=>");
        if (link != std::string::npos) {
            fs::create_symlink(entry.substr(link + 2), dir.file(entry.substr(0, link)));
        } else if (hard != std::string::npos) {
            fs::create_hard_link(dir.file(entry.substr(hard + 2)), dir.file(entry.substr(0, hard)));
        } else if (entry.ends_with('/')) {
            dir.makeFolder(entry);
        } else {
            dir.write(entry, entry);
        }
    }
}

TEST(RenameSafety, RenameThatWouldDestroyFakeMoveOrVanishIsRefusedAndChangesNothing) {
    struct Case {
        const char* fault;
        std::vector<std::string> entries;
        const char* row;
        const char* find;
        const char* replace;
    };
    for (const Case& c : std::vector<Case>{
             {"onto a symbolic link to itself", {"b", "a->b"}, "a", "a", "b"},
             {"onto a link to the file", {"a", "b->a"}, "a", "a", "b"},
             {"of a hard link onto its twin", {"h1", "h2=>h1"}, "h1", "1", "2"},
             // Looks like a change of case on a file system that ignores case, but both names stay.
             {"case only, onto its hard-linked twin", {"h", "H=>h"}, "h", "h", "H"},
             {"onto another file", {"a.txt", "b.txt"}, "a.txt", "a", "b"},
             {"onto another file whose name differs in case only", {"a.txt", "A.txt"}, "a.txt", "a", "A"},
             {"onto a folder", {"old/", "new/"}, "old", "old", "new"},
             {"to an empty name", {"report.txt"}, "report.txt", "report.txt", ""},
             {"to .", {"report.txt"}, "report.txt", "report.txt", "."},
             {"to ..", {"report.txt"}, "report.txt", "report.txt", ".."},
             {"into a folder", {"report.txt", "sub/"}, "report.txt", "report", "sub/x"},
             {"to a name with a NUL byte", {"report.txt"}, "report.txt", "report", "^chr(0)"},
         }) {
        TempDir dir;
        makeEntries(dir, c.entries);
        const std::string path = dir.file(c.row);
        const auto before = everyName(dir);
        const RunResult result = runPairs(runOver({path}, true, ReplaceMode::FileNames, c.find, c.replace));
        ASSERT_EQ(result.failures.size(), 1u) << c.fault;
        EXPECT_FALSE(result.rows[0].renamed) << c.fault;
        EXPECT_EQ(result.rows[0].path, path) << c.fault;
        EXPECT_EQ(everyName(dir), before) << c.fault;
    }
}

struct stat statOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

std::string attribute(const std::string& path, const char* name) {
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    return size < 0 ? "<none>" : value.substr(0, static_cast<std::size_t>(size));
}

// An access control list as the kernel stores it: a version, then entries of tag, permissions and id (given
// one after the other), sorted by tag and id.
std::string accessControlList(const std::vector<std::uint32_t>& entries) {
    std::string bytes;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes += static_cast<char>((value >> (8 * i)) & 0xff);
        }
    };
    put(2, 4);
    for (std::size_t i = 0; i + 2 < entries.size(); i += 3) {
        put(entries[i], 2);
        put(entries[i + 1], 2);
        put(entries[i + 2], 4);
    }
    return bytes;
}

constexpr std::uint32_t kUserObj = 0x01, kUser = 0x02, kGroupObj = 0x04, kMask = 0x10, kOther = 0x20;
constexpr std::uint32_t kAnyone = 0xffffffff, kNobody = 65534;
constexpr char kAccessAcl[] = "system.posix_acl_access";
constexpr char kDefaultAcl[] = "system.posix_acl_default";

bool setAttribute(const std::string& path, const char* name, const std::string& value) {
    return ::setxattr(path.c_str(), name, value.data(), value.size(), 0) == 0;
}

TEST(RewriteKeepsAttributes, SetuidBitSurvivesRewrite) {
    TempDir dir;
    for (const mode_t mode : {04755, 02755, 01755, 06710, 0640}) {
        const std::string file = dir.write("tool", "aaa");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        ASSERT_TRUE(writeTextFile("bbb", file).ok());
        EXPECT_EQ(statOf(file).st_mode & 07777, mode) << std::oct << mode;
    }
}

TEST(RewriteKeepsAttributes, AclSurvivesRewriteWithoutWideningGroup) {
    TempDir dir;
    const std::string file = dir.write("shared.txt", "aaa");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const std::string acl = accessControlList({kUserObj, 6, kAnyone, kUser, 4, kNobody, kGroupObj, 4, kAnyone,
                                               kMask, 4, kAnyone, kOther, 0, kAnyone});
    if (!setAttribute(file, kAccessAcl, acl)) {
        GTEST_SKIP() << "no access control lists here";
    }
    const mode_t mode = statOf(file).st_mode & 07777;
    ASSERT_TRUE(writeTextFile("bbb", file).ok());
    EXPECT_EQ(attribute(file, kAccessAcl), acl);
    EXPECT_EQ(statOf(file).st_mode & 07777, mode);

    // A folder's default list is for new files; a rewritten file without a list of its own gets none.
    const std::string plain = dir.write("plain.txt", "aaa");
    ASSERT_EQ(::chmod(plain.c_str(), 0600), 0);
    ASSERT_TRUE(setAttribute(dir.path(), kDefaultAcl,
                             accessControlList({kUserObj, 7, kAnyone, kUser, 7, kNobody, kGroupObj, 7,
                                                kAnyone, kMask, 7, kAnyone, kOther, 7, kAnyone})));
    ASSERT_TRUE(writeTextFile("bbb", plain).ok());
    EXPECT_EQ(attribute(plain, kAccessAcl), "<none>");
    EXPECT_EQ(statOf(plain).st_mode & 07777, 0600u);
}

TEST(RewriteKeepsAttributes, XattrsSurviveRewrite) {
    TempDir dir;
    const std::string file = dir.write("tagged.txt", "aaa");
    const std::string binary("\0\xff\n", 3);
    if (!setAttribute(file, "user.x", "y")) {
        GTEST_SKIP() << "no extended attributes here";
    }
    ASSERT_TRUE(setAttribute(file, "user.empty", ""));
    ASSERT_TRUE(setAttribute(file, "user.binary", binary));
    const ino_t inode = statOf(file).st_ino;
    const RunResult result = runPairs(runOver({file}, true));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(readBytes(file), "bbb");
    EXPECT_NE(statOf(file).st_ino, inode) << "replaced by a new file, not rewritten in place";
    EXPECT_EQ(attribute(file, "user.x"), "y");
    EXPECT_EQ(attribute(file, "user.empty"), "");
    EXPECT_EQ(attribute(file, "user.binary"), binary);
}

bool rewriteSucceeds(const std::string& file) {
    return runPairs(runOver({file}, true)).failures.empty();
}

TEST(RewriteKeepsAttributes, AnotherUsersFileKeepsItsOwner) {
    if (!isRoot()) {
        GTEST_SKIP() << "needs a file of another user";
    }
    TempDir dir;
    testing::openToEveryone(dir.path());
    // Root's file that nobody may write: no new file can be given root as owner, so it is rewritten in place.
    const std::string roots = dir.write("roots.txt", "aaa");
    ASSERT_EQ(::chmod(roots.c_str(), 0666), 0);
    const ino_t inode = statOf(roots).st_ino;
    EXPECT_TRUE(testing::runWithoutRoot(rewriteSucceeds, roots));
    EXPECT_EQ(readBytes(roots), "bbb");
    EXPECT_EQ(statOf(roots).st_uid, 0u);
    EXPECT_EQ(statOf(roots).st_ino, inode);
    // Nobody's file rewritten by root keeps nobody as its owner.
    const std::string nobodys = dir.write("nobodys.txt", "aaa");
    ASSERT_EQ(::chown(nobodys.c_str(), kNobody, kNobody), 0);
    EXPECT_TRUE(rewriteSucceeds(nobodys));
    EXPECT_EQ(statOf(nobodys).st_uid, kNobody);
    EXPECT_EQ(statOf(nobodys).st_gid, kNobody);
    // A group its owner is not in cannot be given to a new file either; the owner holds a lease while it
    // rewrites in place, and must let go of it before opening the file for writing.
    constexpr gid_t kDaemonGroup = 1;
    const std::string grouped = dir.write("grouped.txt", "aaa");
    ASSERT_EQ(::chown(grouped.c_str(), kNobody, kDaemonGroup), 0);
    ASSERT_EQ(::chmod(grouped.c_str(), 0664), 0);
    const ino_t groupedInode = statOf(grouped).st_ino;
    EXPECT_TRUE(testing::runWithoutRoot(rewriteSucceeds, grouped));
    EXPECT_EQ(readBytes(grouped), "bbb");
    EXPECT_EQ(statOf(grouped).st_gid, kDaemonGroup);
    EXPECT_EQ(statOf(grouped).st_ino, groupedInode);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3)
        << "no backup or temporary file may be left";
}

// A child that keeps the file open for writing and appends numbered lines, as a program writing a log does.
// It tells the parent when it has written them all, so that the file is the one read when the run looks at it
// again and only being open elsewhere can stop the write, and keeps it open until the parent says the run is
// over.
struct Appender {
    int ready[2]{};
    int finish[2]{};
    pid_t child = -1;

    Appender(const std::string& file, int lines) {
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(finish), 0);
        child = ::fork();
        if (child == 0) {
            const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND);
            for (int i = 1; i <= lines; ++i) {
                const std::string line = "line " + std::to_string(i) + "\n";
                (void)!::write(fd, line.data(), line.size());
            }
            (void)!::write(ready[1], "r", 1);
            char over = 0;
            (void)!::read(finish[0], &over, 1);
            ::_exit(0);
        }
        char started = 0;
        EXPECT_EQ(::read(ready[0], &started, 1), 1);
    }
    ~Appender() {
        (void)!::write(finish[1], "f", 1);
        ::waitpid(child, nullptr, 0);
        for (const int fd : {ready[0], ready[1], finish[0], finish[1]}) {
            ::close(fd);
        }
    }
};

TEST(InUseElsewhere, FileOpenForWritingElsewhereIsNotReplaced) {
    for (const bool hardLinked : {false, true}) {
        TempDir dir;
        const std::string log = dir.write("app.log", "");
        if (hardLinked) {
            fs::create_hard_link(log, dir.file("twin.log"));
        }
        const std::string other = dir.write("other.txt", "line");
        RunResult result;
        {
            const Appender appender(log, 30);
            result = runPairs(runOver({log, other}, true, ReplaceMode::Contents, "line", "LINE"));
        }
        ASSERT_EQ(result.failures.size(), 1u) << hardLinked;
        EXPECT_EQ(result.failures[0].path, log);
        EXPECT_NE(result.failures[0].reason.find(platform::kInUseElsewhere), std::string::npos)
            << result.failures[0].reason;
        std::string expected;
        for (int i = 1; i <= 30; ++i) {
            expected += "line " + std::to_string(i) + "\n";
        }
        EXPECT_EQ(readBytes(log), expected);
        EXPECT_EQ(readBytes(other), "LINE");
    }
}

} // namespace
} // namespace morvane
