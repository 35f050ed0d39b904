#include "core/platform/platform_fs.h"
#include "core/platform/text_file.h"
#include "core/run/run.h"
#include "support/run_observers.h"
#include "support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::ChangeAfterTheFirstRead;
using testing::namesIn;
using testing::readBytes;
using testing::TempDir;
using namespace std::string_literals;

// Whether the contents tests stream every file, in blocks small enough that occurrences cross their edges,
// or read each one whole; set per test by the suite's parameter.
bool streamEveryFile = false;

RunRequest executeRun(ReplaceMode mode, std::string find, std::string replace,
                      std::vector<std::string> files) {
    return {.finds = {std::move(find)},
            .replaces = {std::move(replace)},
            .files = std::move(files),
            .mode = mode,
            .execute = true,
            .streamedFileBytes = streamEveryFile ? 0 : kStreamedFileBytes,
            .streamBlockBytes = streamEveryFile ? 3 : kStreamBlockBytes};
}

class ExecuteSafety : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { streamEveryFile = GetParam(); }
    void TearDown() override { streamEveryFile = false; }
};

INSTANTIATE_TEST_SUITE_P(WholeAndStreamed, ExecuteSafety, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "streamed" : "whole";
                         });

struct stat statOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

// As another user: a vanished file, an unreadable one, then a read-only one three times (once through a
// link) each fail their row alone and the run ends done; a file in a folder it may not write keeps its
// contents and its name, and root's file it may write is rewritten in place, since no new file can be given
// root as its owner.
bool unusableRowsFailAloneAndRootsFileIsRewritten(const std::string& folder) {
    const std::string locked = folder + "/locked.txt", inLockedFolder = folder + "/locked/data.txt";
    const RunResult result = runPairs(
        executeRun(ReplaceMode::Contents, "d", "x",
                   {folder + "/gone.txt", folder + "/secret.txt", locked, locked + ".link", locked}));
    return result.rows[0].skipped == SkipReason::Missing && result.failures.size() == 4 &&
           result.failures[0].row == 1 && result.failures[2].row == 3 &&
           result.failures[2].path == locked + ".link" &&
           result.failures[3].reason == result.failures[1].reason && result.rows[3].count == 1 &&
           result.total == 0 && result.status == StatusKind::Done &&
           runPairs(executeRun(ReplaceMode::Contents, "d", "x", {inLockedFolder})).failures.size() == 1 &&
           runPairs(executeRun(ReplaceMode::FileNames, "d", "x", {inLockedFolder})).failures.size() == 1 &&
           runPairs(executeRun(ReplaceMode::Contents, "a", "b", {folder + "/roots.txt"})).failures.empty();
}

TEST_P(ExecuteSafety, AnotherUserKeepsWhatItMayNotReadOrWriteAndRewritesRootsFileInPlace) {
    TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string secret = dir.write("secret.txt", "data");
    const std::string locked = dir.write("locked.txt", "data");
    fs::create_symlink(locked, locked + ".link");
    fs::permissions(secret, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string folder = dir.makeFolder("locked");
    const std::string file = folder + "/data.txt";
    testing::openToEveryone(dir.write("locked/data.txt", "data"));
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const std::string roots = dir.write("roots.txt", "aaa");
    fs::permissions(roots, fs::perms(0666));
    const struct stat before = statOf(roots);
    EXPECT_TRUE(testing::runWithoutRoot(unusableRowsFailAloneAndRootsFileIsRewritten, dir.path()));
    fs::permissions(secret, fs::perms::owner_read, fs::perm_options::add);
    for (const std::string& path : {secret, locked, file}) {
        EXPECT_EQ(readBytes(path), "data") << path;
    }
    EXPECT_EQ(readBytes(roots), "bbb");
    EXPECT_EQ(statOf(roots).st_ino == before.st_ino, ::geteuid() == 0) << "in place when it is root's";
    EXPECT_EQ(namesIn(dir.path()).size(), 5u) << "no temporary file or backup may be left";
}

// Run in a child process, which keeps the limit to itself. With SIGXFSZ ignored, the write past the limit
// fails with EFBIG after the first bytes.
bool replaceUnderFileSizeLimit(const std::string& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return runPairs(executeRun(ReplaceMode::Contents, "old", std::string(100'000, 'x'), {file}))
               .failures.size() == 1;
}

// The temporary and backup names beside a file must fit even when its own name takes all 255 bytes; a write
// that fails part way leaves the old contents. Either way the file keeps every name it had, and nothing else
// is left beside it.
TEST_P(ExecuteSafety, FileIsRewrittenOrLeftAsItWasUnderEveryName) {
    std::string utf8;
    for (int i = 0; i < 127; ++i) {
        utf8 += "\xC3\xA9";
    }
    for (const std::string& name : {std::string(236, 'n'), std::string(255, 'n'), utf8 + "x", "too big"s}) {
        for (const bool hardLinked : {false, true}) {
            SCOPED_TRACE(std::to_string(name.size()) + (hardLinked ? " bytes, hard-linked" : " bytes"));
            TempDir dir;
            const std::string file = dir.write(name, "old data");
            if (hardLinked) {
                fs::create_hard_link(file, dir.file("other"));
            }
            if (name == "too big") {
                EXPECT_EXIT(std::exit(replaceUnderFileSizeLimit(file) ? 0 : 1), ::testing::ExitedWithCode(0),
                            "");
            } else {
                EXPECT_TRUE(
                    runPairs(executeRun(ReplaceMode::Contents, "old", "new", {file})).failures.empty());
            }
            EXPECT_EQ(readBytes(file), name == "too big" ? "old data" : "new data");
            EXPECT_TRUE(!hardLinked || fs::equivalent(file, dir.file("other")));
            EXPECT_EQ(namesIn(dir.path()).size(), hardLinked ? 2u : 1u);
        }
    }
}

// The file another program changed after the run read it is left as that program wrote it, whether the run
// had anything to replace in it or not.
TEST_P(ExecuteSafety, FileChangedWhileTheRunHoldsItIsNotOverwritten) {
    const struct {
        const char* name;
        const char* contents;
        bool hardLinked, swapped;
        const char* expected;
    } rows[] = {
        {"swapped for another file", "data", false, true, "theirs"},
        {"appended to", "data", false, false, "datatheirs"},
        {"hard-linked and appended to", "data", true, false, "datatheirs"},
        {"appended to, nothing to replace", "qqq", false, false, "qqqtheirs"},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const std::string file = dir.write("a.txt", row.contents);
        const std::string afterwards = dir.write("b.txt", "data");
        if (row.hardLinked) {
            fs::create_hard_link(file, dir.file("link.txt"));
        }
        ChangeAfterTheFirstRead observer;
        observer.change = [&] {
            if (row.swapped) {
                fs::rename(dir.write("new.txt", "theirs"), file);
            } else {
                std::ofstream(file, std::ios::app) << "theirs";
            }
        };
        const RunResult result =
            runPairs(executeRun(ReplaceMode::Contents, "d", "x", {file, afterwards}), &observer);
        ASSERT_EQ(result.failures.size(), 1u) << row.name;
        EXPECT_EQ(result.failures[0].row, 0u) << row.name;
        EXPECT_EQ(readBytes(file), row.expected) << row.name;
        EXPECT_EQ(readBytes(afterwards), "xata") << row.name;
    }
}

// Rows that name one file (by a hard link, a symbolic link or another spelling) take its one result, in one
// batch or in later ones, among them the one the workers read while the one before is committed. The
// symbolic link comes before its target and after: a target replaced by a new file is found again.
TEST_P(ExecuteSafety, every_name_of_a_file_takes_its_one_result_in_any_batch_and_on_many_workers) {
    TempDir dir;
    dir.writeTree({"d/", "", "h1", "v1 v1", "sub/real.txt", "v1 v1", "a.txt", "v1 v1"});
    const std::string h1 = dir.file("h1"), h2 = dir.file("h2"), link = dir.file("link.txt");
    const std::string real = dir.file("sub/real.txt"), a = dir.file("a.txt");
    fs::create_hard_link(h1, h2);
    fs::create_symlink("sub/real.txt", link);
    std::vector<std::string> files{
        h1, h2, link, real, dir.path() + "/./a.txt", link, a, dir.path() + "/d/../a.txt"};
    for (int i = 0; i < 300; ++i) {
        files.push_back(dir.write("f" + std::to_string(i), "v1 v1"));
    }
    for (int i = 299; i >= 0; i -= 3) {
        const std::string name = std::to_string(i);
        fs::create_symlink("f" + name, dir.file("l" + name));
        fs::create_hard_link(dir.file("f" + name), dir.file("g" + name));
        files.insert(files.end(), {dir.file("l" + name), dir.file("f" + name), dir.file("g" + name)});
    }
    RunRequest request = executeRun(ReplaceMode::Contents, "v1", "v1.1", files);
    request.workers = 4;
    for (const bool execute : {false, true}) {
        request.execute = execute;
        const RunResult result = runPairs(request);
        EXPECT_TRUE(result.failures.empty()) << result.failures[0].reason;
        ASSERT_EQ(result.rows.size(), files.size());
        for (const RowResult& row : result.rows) {
            EXPECT_EQ(row.count, 2) << row.path;
        }
    }
    for (const std::string& file : files) {
        EXPECT_EQ(readBytes(file), "v1.1 v1.1") << file;
    }
    EXPECT_TRUE(fs::equivalent(h1, h2));
    EXPECT_TRUE(fs::is_symlink(link));
}

// A program that keeps the file open for writing, as one writing a log does, holds off the lease the run
// takes before it puts the new file in place.
TEST_P(ExecuteSafety, FileOpenForWritingElsewhereIsNotReplaced) {
    TempDir dir;
    const std::string log = dir.write("app.log", "line 1\n");
    std::ofstream writer(log, std::ios::app);
    const RunResult result = runPairs(executeRun(ReplaceMode::Contents, "line", "LINE", {log}));
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_NE(result.failures[0].reason.find(platform::kInUseElsewhere), std::string::npos)
        << result.failures[0].reason;
    EXPECT_EQ(readBytes(log), "line 1\n");
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

// The run itself refuses these, whatever the rename plan saw: each would destroy a file, only pretend to
// move it, or lose it.
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
         }) {
        TempDir dir;
        makeEntries(dir, c.entries);
        const std::string path = dir.file(c.row);
        const auto before = testing::treeOf(dir.path());
        const RunResult result = runPairs(executeRun(ReplaceMode::FileNames, c.find, c.replace, {path}));
        ASSERT_EQ(result.failures.size(), 1u) << c.fault;
        EXPECT_FALSE(result.rows[0].renamed) << c.fault;
        EXPECT_EQ(result.rows[0].path, path) << c.fault;
        EXPECT_EQ(testing::treeOf(dir.path()), before) << c.fault;
    }
}

TEST(FileKinds, FifoInTheListFailsItsRowsWithoutBlockingTheRun) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    fs::create_symlink(fifo, dir.file("fifo-link"));
    const std::vector<std::string> files{dir.write("ok.txt", "aa"), fifo, dir.file("fifo-link"),
                                         dir.write("later.txt", "a")};
    for (const bool execute : {false, true}) {
        const RunResult result =
            runPairs(RunRequest{.finds = {"a"}, .replaces = {"b"}, .files = files, .execute = execute});
        ASSERT_EQ(result.failures.size(), 2u);
        EXPECT_EQ(result.failures[1].row, 2u);
        EXPECT_EQ(result.failures[1].reason, platform::kNotRegularFile);
        EXPECT_EQ(result.total, 3);
    }
    EXPECT_EQ(readBytes(files[3]), "b");
    // Should the path turn into a fifo after the run looked, the read and the write refuse it all the same.
    std::string buffer;
    EXPECT_EQ(readTextFileInto(fifo, buffer), platform::kNotRegularFile);
    EXPECT_EQ(writeTextFile("x", fifo).error, platform::kNotRegularFile);
}

std::string attribute(const std::string& path, const char* name) {
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    return size < 0 ? "<none>" : value.substr(0, static_cast<std::size_t>(size));
}

bool setAttribute(const std::string& path, const char* name, const std::string& value) {
    return ::setxattr(path.c_str(), name, value.data(), value.size(), 0) == 0;
}

// An access control list as the kernel stores it: version 2, then per entry a tag, permissions and an id
// (all ones for none): the owner, the user nobody (65534), the group, the mask and others.
std::string accessControlList(char nobody, char group, char others) {
    const auto entry = [](char tag, char permissions, const std::string& id) {
        return std::string{tag, '\0', permissions, '\0'} + id;
    };
    const std::string none = "\xff\xff\xff\xff";
    return "\2\0\0\0"s + entry(1, 6, none) + entry(2, nobody, "\xfe\xff\0\0"s) + entry(4, group, none) +
           entry(0x10, group, none) + entry(0x20, others, none);
}

constexpr char kAccessAcl[] = "system.posix_acl_access";

// The rewrite is a new file: the old one's access control list and extended attributes go over to it, and
// a folder's default list, meant for new files, does not widen a file that had no list of its own.
TEST(RewriteKeepsAttributes, AclAndXattrsSurviveRewriteWithoutWideningGroup) {
    TempDir dir;
    const std::string file = dir.write("shared.txt", "aaa");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const std::string acl = accessControlList(4, 4, 0);
    const std::string binary("\0\xff\n", 3);
    if (!setAttribute(file, kAccessAcl, acl) || !setAttribute(file, "user.x", "y")) {
        GTEST_SKIP() << "no access control lists or extended attributes here";
    }
    ASSERT_TRUE(setAttribute(file, "user.empty", ""));
    ASSERT_TRUE(setAttribute(file, "user.binary", binary));
    const struct stat before = statOf(file);
    EXPECT_TRUE(runPairs(executeRun(ReplaceMode::Contents, "a", "b", {file})).failures.empty());
    EXPECT_EQ(readBytes(file), "bbb");
    EXPECT_NE(statOf(file).st_ino, before.st_ino) << "replaced by a new file, not rewritten in place";
    EXPECT_EQ(statOf(file).st_mode, before.st_mode);
    EXPECT_EQ(attribute(file, kAccessAcl), acl);
    EXPECT_EQ(attribute(file, "user.x"), "y");
    EXPECT_EQ(attribute(file, "user.empty"), "");
    EXPECT_EQ(attribute(file, "user.binary"), binary);
    // A folder's default list is for new files: a file that had no list of its own does not get it.
    const std::string plain = dir.write("plain.txt", "aaa");
    ASSERT_EQ(::chmod(plain.c_str(), 0600), 0);
    ASSERT_TRUE(setAttribute(dir.path(), "system.posix_acl_default", accessControlList(7, 7, 7)));
    ASSERT_TRUE(writeTextFile("bbb", plain).ok());
    EXPECT_EQ(attribute(plain, kAccessAcl), "<none>");
    EXPECT_EQ(statOf(plain).st_mode & 07777, 0600u);
}

} // namespace
} // namespace morvane
