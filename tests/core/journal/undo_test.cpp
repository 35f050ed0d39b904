#include "core/journal/contents_batch.h"
#include "core/journal/leftovers.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/platform_fs.h"
#include "core/run/run.h"
#include "support/killed_child.h"
#include "support/run_observers.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;
using testing::UndoNotice;
using namespace std::string_literals;

struct Fixture {
    TempDir dir;
    std::string app = dir.makeFolder("app");
    std::string journalFolder = journalFolderIn(app);
    std::string files = dir.makeFolder("files");
    // Whether every file is streamed, in blocks small enough that occurrences cross their edges.
    bool streamed = false;

    std::string write(const std::string& name, const std::string& bytes) const {
        return dir.write("files/" + name, bytes);
    }
    std::string path(const std::string& name) const { return dir.file("files/" + name); }
    std::vector<std::string> paths(const std::vector<std::string>& names) const {
        std::vector<std::string> all;
        for (const std::string& name : names) {
            all.push_back(path(name));
        }
        return all;
    }
    // Files that each hold their own name after the prefix.
    std::vector<std::string> named(const std::vector<std::string>& names,
                                   const std::string& prefix = "") const {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(write(name, prefix + name));
        }
        return paths;
    }
    // Files named 1000 and up, the i-th holding "old i".
    std::vector<std::string> numbered(std::size_t count) const {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < count; ++i) {
            paths.push_back(write(std::to_string(1000 + i), "old " + std::to_string(i)));
        }
        return paths;
    }

    RunResult execute(std::vector<std::string> paths, std::vector<std::string> finds,
                      std::vector<std::string> replaces, ReplaceMode mode = ReplaceMode::Contents,
                      bool keepForUndo = true, std::uint64_t undoBytesBound = kBytesKeptForUndo,
                      RunObserver* observer = nullptr) const {
        RunRequest request{.finds = std::move(finds),
                           .replaces = std::move(replaces),
                           .files = std::move(paths),
                           .mode = mode,
                           .execute = true,
                           .stateFolder = app,
                           .keepForUndo = keepForUndo,
                           .undoBytesBound = undoBytesBound};
        if (streamed) {
            request.streamedFileBytes = 0;
            request.streamBlockBytes = 3;
        }
        return runPairs(request, observer);
    }
};

fs::perms permsOf(const std::string& path) {
    return fs::status(path).permissions();
}

// How many of the files hold what Fixture::numbered gave them.
std::size_t oldOnes(const std::vector<std::string>& paths) {
    std::size_t old = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        old += readBytes(paths[i]) == "old " + std::to_string(i) ? 1 : 0;
    }
    return old;
}

// The first file undo left, with its reason, or nothing.
std::string firstLeft(const UndoResult& undone) {
    return undone.left.empty() ? "" : undone.left[0].path + ": " + undone.left[0].reason;
}

// Whole or streamed, a rewrite keeps the file's mode, owner and other names, and undo gives its bytes back.
TEST(Undo, ContentsComeBackByteForByteWithPermissionsAndHardLinks) {
    for (const bool streamed : {false, true}) {
        Fixture f;
        f.streamed = streamed;
        const std::string plain = f.write("plain.txt", "one\r\ntwo one\r\n");
        const std::string secret = f.write("secret.txt", "one\0one"s);
        fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        // Another user's file, where the test may give it one.
        const bool otherOwner = ::chown(secret.c_str(), 4321, 4321) == 0;
        const std::string linked = f.write("linked.txt", "just one");
        fs::create_hard_link(linked, f.path("other-name.txt"));

        const RunResult run = f.execute({plain, secret, linked, plain}, {"one"}, {"1"});
        ASSERT_TRUE(run.failures.empty());
        EXPECT_EQ(run.rows[3].count, run.rows[0].count) << "the second row of plain.txt reports its result";
        EXPECT_EQ(permsOf(secret), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        ASSERT_EQ(readBytes(secret), "1\0"
                                     "1"s);
        const std::vector<JournaledRun> runs = listRuns(f.journalFolder);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].changed, 3u) << streamed;
        EXPECT_FALSE(runs[0].names);

        const UndoResult undone = undoNewestRun(f.journalFolder);

        EXPECT_TRUE(undone.found);
        EXPECT_EQ(undone.restored, 3u);
        EXPECT_TRUE(undone.left.empty());
        EXPECT_EQ(readBytes(plain), "one\r\ntwo one\r\n");
        EXPECT_EQ(readBytes(secret), "one\0one"s);
        EXPECT_EQ(permsOf(secret), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        struct stat owned {};
        ASSERT_EQ(::stat(secret.c_str(), &owned), 0);
        if (otherOwner) {
            EXPECT_EQ(owned.st_uid, 4321u);
            EXPECT_EQ(owned.st_gid, 4321u);
        }
        EXPECT_EQ(readBytes(f.path("other-name.txt")), "just one") << "every name of the file sees it";
        EXPECT_TRUE(fs::equivalent(linked, f.path("other-name.txt")));
        EXPECT_EQ(testing::namesIn(f.files),
                  (std::vector<std::string>{"linked.txt", "other-name.txt", "plain.txt", "secret.txt"}));
        EXPECT_FALSE(fs::exists(keptFolderOf(runs[0].journal))) << "nothing left needs the old contents";
        EXPECT_TRUE(listRuns(f.journalFolder).at(0).undone);
        EXPECT_FALSE(undoNewestRun(f.journalFolder).found) << "an undone run is not undone twice";
    }
}

// Batches grow 1, 1, 2, 4, 8 files: nine files make batches of two and four, sixteen end on a full batch of
// eight, twenty-three on one of seven after it. Every file of every batch, its last one included, is
// journaled and comes back.
TEST(Undo, every_file_of_batches_of_several_comes_back) {
    for (const std::size_t count : {9u, 16u, 23u}) {
        Fixture f;
        const std::vector<std::string> paths = f.numbered(count);
        ASSERT_TRUE(f.execute(paths, {"old"}, {"new"}).failures.empty());
        EXPECT_EQ(readBytes(paths.back()), "new " + std::to_string(count - 1));
        EXPECT_EQ(listRuns(f.journalFolder).at(0).changed, count);

        const UndoResult undone = undoNewestRun(f.journalFolder);

        EXPECT_EQ(undone.restored, count);
        EXPECT_EQ(firstLeft(undone), "");
        EXPECT_EQ(oldOnes(paths), count);
    }
}

TEST(Undo, AFileEditedSinceIsLeftAndReportedWhileTheOthersGoBack) {
    Fixture f;
    const std::string a = f.write("a.txt", "alpha");
    const std::string b = f.write("b.txt", "alpha beta");
    f.execute({a, b}, {"alpha"}, {"gamma"});
    f.write("b.txt", "edited by hand");

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(readBytes(a), "alpha");
    EXPECT_EQ(readBytes(b), "edited by hand");
    ASSERT_EQ(undone.left.size(), 1u);
    EXPECT_EQ(undone.left[0].path, fs::canonical(b).string());
    EXPECT_EQ(undone.left[0].reason, "changed since the run");
    EXPECT_EQ(readBytes(undone.left[0].keptIn), "alpha beta") << "the old contents stay for the user";
    EXPECT_TRUE(listRuns(f.journalFolder).at(0).undone);
}

TEST(Undo, RenameChainsGoBackInReverseOrder) {
    Fixture f;
    // One entry renamed twice in one run: x1 to x2 by its first row, then x2 to x3 by its second.
    f.write("x1", "first");
    // Across rows: y leaves its name before x takes it.
    f.write("y", "was y");
    f.write("x", "was x");
    const RunResult chain =
        f.execute({f.path("x1"), f.path("x2")}, {"2", "1"}, {"3", "2"}, ReplaceMode::FileNames);
    ASSERT_TRUE(chain.failures.empty());
    const RunResult across =
        f.execute({f.path("y"), f.path("x")}, {"y", "x"}, {"z", "y"}, ReplaceMode::FileNames);
    ASSERT_TRUE(across.failures.empty());
    ASSERT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"x3", "y", "z"}));
    EXPECT_TRUE(listRuns(f.journalFolder).at(0).names);

    EXPECT_EQ(undoNewestRun(f.journalFolder).restored, 2u);
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"x", "x3", "y"}));
    EXPECT_EQ(readBytes(f.path("x")), "was x");
    EXPECT_EQ(readBytes(f.path("y")), "was y");
    const UndoResult chainBack = undoNewestRun(f.journalFolder);
    EXPECT_EQ(chainBack.restored, 2u);
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"x", "x1", "y"}));
    ASSERT_EQ(chainBack.namesBack.size(), 1u) << "the window knows the entry by its last name only";
    EXPECT_EQ(chainBack.namesBack[0].now, f.path("x3"));
    EXPECT_EQ(chainBack.namesBack[0].back, f.path("x1"));
}

TEST(Undo, SwapsCyclesAndChainsAgainstRowOrderRenameAndUndoAsAWhole) {
    Fixture f;
    f.named({"a", "b", "p", "q", "r", "x", "y"});
    // a and b swap; p, q and r go round; y -> z must come before x -> y.
    const RunResult run =
        f.execute(f.paths({"a", "b", "p", "q", "r", "x", "y"}), {"a", "b", "#", "p", "r", "q", "%", "y", "x"},
                  {"#", "a", "b", "%", "p", "r", "q", "z", "y"}, ReplaceMode::FileNames);
    EXPECT_TRUE(run.failures.empty()) << run.failures.at(0).reason;
    ASSERT_EQ(run.rows.size(), 7u);
    EXPECT_EQ(run.rows[0].path, f.path("b"));
    EXPECT_TRUE(run.rows[0].renamed);
    EXPECT_EQ(run.rows[5].path, f.path("y"));
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"a", "b", "p", "q", "r", "y", "z"}));
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"a", "b"}, {"b", "a"}, {"p", "r"}, {"q", "p"}, {"r", "q"}, {"y", "x"}, {"z", "y"}}) {
        EXPECT_EQ(readBytes(f.path(name)), bytes) << name;
    }
    EXPECT_EQ(listRuns(f.journalFolder).at(0).changed, 7u) << "an entry put aside counts once";

    const UndoResult undone = undoNewestRun(f.journalFolder);
    EXPECT_EQ(undone.restored, 7u);
    EXPECT_TRUE(undone.left.empty());
    for (const char* name : {"a", "b", "p", "q", "r", "x", "y"}) {
        EXPECT_EQ(readBytes(f.path(name)), name);
    }
    EXPECT_EQ(testing::namesIn(f.files).size(), 7u);
}

TEST(Undo, ACollisionIsRefusedBeforeAnythingIsRenamed) {
    Fixture f;
    f.named({"a", "b", "c", "d1", "d2"});
    // b -> c is blocked by c, which no row renames, so a -> b cannot follow; d1 and d2 both want d.
    const RunResult run = f.execute(f.paths({"a", "b", "d1", "d2"}), {"b", "a", "1", "2"}, {"c", "b", "", ""},
                                    ReplaceMode::FileNames);
    EXPECT_EQ(run.failures.size(), 4u);
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"a", "b", "c", "d1", "d2"}));
}

TEST(Undo, ANameTakenOrReplacedSinceIsLeftAndNothingIsOverwritten) {
    Fixture f;
    f.write("old-a", "a");
    f.write("old-b", "b");
    f.write("old-c", "c");
    f.execute(f.paths({"old-a", "old-b", "old-c"}), {"old"}, {"new"}, ReplaceMode::FileNames);
    // new-a is replaced by another file; old-b's name is taken by a new file.
    fs::rename(f.path("new-a"), f.path("moved-a"));
    f.write("new-a", "someone else's");
    f.write("old-b", "a newcomer");

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 1u);
    ASSERT_EQ(undone.left.size(), 2u);
    EXPECT_EQ(readBytes(f.path("old-c")), "c");
    EXPECT_EQ(readBytes(f.path("new-a")), "someone else's");
    EXPECT_EQ(readBytes(f.path("old-b")), "a newcomer");
    EXPECT_EQ(readBytes(f.path("new-b")), "b");
}

// A run without undo, and one that changed nothing, leave nothing to undo.
TEST(Undo, ARunWithoutUndoLeavesNoJournalAndNothingToUndo) {
    Fixture f;
    const std::string a = f.write("a.txt", "one");
    f.execute({a}, {"one"}, {"two"}, ReplaceMode::Contents, false);
    f.execute({f.path("a.txt")}, {"a"}, {"b"}, ReplaceMode::FileNames, false);
    EXPECT_FALSE(fs::exists(f.journalFolder));
    EXPECT_EQ(readBytes(f.path("b.txt")), "two");
    f.execute({f.path("b.txt"), f.path("missing")}, {"zzz"}, {"y"}, ReplaceMode::FileNames);
    EXPECT_TRUE(listRuns(f.journalFolder).empty());
    EXPECT_FALSE(undoNewestRun(f.journalFolder).found);
}

TEST(Undo, TheJournalKeepsTheNewestRunsAndDropsTheOldest) {
    Fixture f;
    const std::string a = f.write("a.txt", "0");
    for (int i = 0; i < static_cast<int>(kRunsKeptForUndo) + 2; ++i) {
        f.execute({a}, {std::to_string(i)}, {std::to_string(i + 1)});
    }
    const std::vector<JournaledRun> runs = listRuns(f.journalFolder);
    ASSERT_EQ(runs.size(), kRunsKeptForUndo);
    EXPECT_EQ(testing::namesIn(f.journalFolder).size(), 2 * kRunsKeptForUndo)
        << "each run's journal and kept contents, no more";
    for (std::size_t i = kRunsKeptForUndo; i > 0; --i) {
        EXPECT_EQ(undoNewestRun(f.journalFolder).restored, 1u) << "newest first";
        EXPECT_EQ(readBytes(a), std::to_string(i + 1));
    }
    EXPECT_FALSE(undoNewestRun(f.journalFolder).found) << "the dropped runs are not offered";
}

TEST(Undo, AJournalOnAnotherFileSystemKeepsCopies) {
    Fixture f;
    const std::string elsewhere = "/dev/shm/morvane-undo-test-" + std::to_string(getpid());
    std::error_code error;
    if (!fs::create_directory(elsewhere, error) || fs::status(elsewhere).type() != fs::file_type::directory) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    struct Removed {
        std::string path;
        ~Removed() { fs::remove_all(path); }
    } removed{elsewhere};
    const std::string a = f.write("a.txt", "old");
    f.app = elsewhere;
    ASSERT_TRUE(f.execute({a}, {"old"}, {"new"}).failures.empty());
    ASSERT_EQ(readBytes(a), "new");

    const UndoResult undone = undoNewestRun(journalFolderIn(elsewhere));

    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(readBytes(a), "old");
}

// A kept file is the old file itself, or a copy: only the folders above it keep it from other users.
TEST(Undo, state_folders_are_private_whatever_the_umask) {
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        Fixture f;
        const std::string secret = f.dir.makeFolder("files/secret");
        fs::permissions(secret, fs::perms::owner_all);
        const std::string replaced = f.write("secret/replaced.txt", "old");
        const std::string linked = f.write("secret/linked.txt", "old");
        fs::create_hard_link(linked, f.path("secret/second-name.txt"));
        const mode_t before = ::umask(mask);
        const RunResult run = f.execute({replaced, linked}, {"old"}, {"new"});
        ::umask(before);
        ASSERT_TRUE(run.failures.empty());

        const std::string journal = listRuns(f.journalFolder).at(0).journal;
        EXPECT_EQ(permsOf(f.journalFolder), fs::perms::owner_all) << mask;
        EXPECT_EQ(permsOf(keptFolderOf(journal)), fs::perms::owner_all) << mask;
        EXPECT_EQ(undoNewestRun(f.journalFolder).restored, 2u) << "the owner still reaches it all";
    }
}

TEST(Undo, a_journal_that_cannot_be_made_does_not_stop_the_run) {
    Fixture f;
    const std::string a = f.write("a.txt", "old");
    f.app = f.dir.file("no-such-folder");

    const RunResult run = f.execute({a}, {"old"}, {"new"});

    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(readBytes(a), "new");
    EXPECT_NE(run.notUndoable.find("cannot be made"), std::string::npos) << run.notUndoable;
}

TEST(Undo, ARunKilledPartWayIsClosedByTheClearUpAndItsDonePartCanBeUndone) {
    for (const ReplaceMode mode : {ReplaceMode::Contents, ReplaceMode::FileNames}) {
        Fixture f;
        const std::vector<std::string> paths = f.named({"old-a", "old-b", "old-c", "old-d"}, "old ");
        ASSERT_TRUE(testing::killedInChild([&] {
            testing::KilledAfterRows killer(2);
            f.execute(paths, {"old"}, {"new"}, mode, true, kBytesKeptForUndo, &killer);
        }));
        EXPECT_TRUE(listRuns(f.journalFolder).empty()) << "a run not closed is not offered for undo";

        const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].action, LeftoverAction::RunInterrupted);
        EXPECT_TRUE(clearLeftovers(f.journalFolder, {}).empty()) << "said once";

        const std::vector<JournaledRun> runs = listRuns(f.journalFolder);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_TRUE(runs[0].interrupted);
        const UndoResult undone = undoNewestRun(f.journalFolder);
        EXPECT_EQ(undone.restored, 2u);
        EXPECT_EQ(firstLeft(undone), "");
        EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"old-a", "old-b", "old-c", "old-d"}));
        for (const std::string& path : paths) {
            EXPECT_EQ(readBytes(path), "old " + fs::path(path).filename().string());
        }
    }
}

// Every file and folder under the folder with what each file holds, hidden ones too.
std::map<std::string, std::string> treeOf(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        tree[fs::relative(entry.path(), folder).string()] =
            entry.is_directory() ? "/" : readBytes(entry.path());
    }
    return tree;
}

// The plan of a names run as the journal hears it, with a file renamed in a folder that is renamed after it
// and a cycle of three between them. Made one by one as a run makes them, then cut short after each count.
TEST(Undo, a_names_run_cut_after_any_rename_is_cleared_up_and_undone_to_the_old_names) {
    Fixture f;
    for (const char* name : {"x", "p", "q", "r", "d/f"}) {
        fs::create_directories(fs::path(f.path(name)).parent_path());
        f.write(name, name);
    }
    const std::map<std::string, std::string> before = treeOf(f.files);
    const std::string aside = platform::asidePathFor(f.path("p"));
    const std::vector<PlannedMove> moves{{f.path("x"), f.path("y"), {}}, {f.path("d/f"), f.path("d/g"), {}},
                                         {f.path("p"), aside, f.files},  {f.path("r"), f.path("p"), {}},
                                         {f.path("q"), f.path("r"), {}}, {aside, f.path("q"), {}},
                                         {f.path("d"), f.path("e"), {}}};
    for (std::size_t cut = 0; cut <= moves.size(); ++cut) {
        ASSERT_TRUE(testing::killedInChild([&] {
            RunJournal journal(f.journalFolder, RunHeading{true, {"a"}, {"b"}, 5});
            journal.renamesPlanned(moves);
            for (std::size_t i = 0; i < cut; ++i) {
                journal.renaming(moves[i].from, moves[i].to);
                platform::renameNoReplace(moves[i].from, moves[i].to);
                journal.renamed(moves[i].to);
            }
            ::raise(SIGKILL);
        }));

        const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
        const bool cycleCut = cut > 2 && cut < 6;
        EXPECT_EQ(notes.size(), (cut > 0 ? 1u : 0u) + (cycleCut ? 1u : 0u)) << cut;
        if (cycleCut) {
            EXPECT_EQ(notes.front().action, LeftoverAction::AsidePutBack) << "the cycle goes back as a whole";
            EXPECT_EQ(notes.front().path, f.path("p"));
        }
        EXPECT_EQ(listRuns(f.journalFolder).size(), cut > 0 ? 1u : 0u) << cut;
        if (cut > 0) {
            const UndoResult undone = undoNewestRun(f.journalFolder);
            EXPECT_EQ(undone.restored, cut - (cycleCut ? cut - 2 : cut >= 6 ? 1 : 0)) << cut;
            EXPECT_TRUE(undone.left.empty()) << cut << ": " << undone.left.at(0).path;
        }
        EXPECT_EQ(treeOf(f.files), before) << cut;
        fs::remove_all(f.journalFolder);
    }
}

// A cycle that breaks off is taken back by the run: what it renamed and renamed back is no change to undo.
TEST(Undo, a_cycle_the_run_took_back_leaves_no_run_to_undo) {
    Fixture f;
    for (const char* name : {"p", "q"}) {
        f.write(name, name);
    }
    const std::string aside = platform::asidePathFor(f.path("p"));
    const std::vector<PlannedMove> moves{
        {f.path("p"), aside, f.files}, {f.path("q"), f.path("p"), {}}, {aside, f.path("q"), {}}};
    {
        RunJournal journal(f.journalFolder, RunHeading{true, {"a"}, {"b"}, 2});
        ASSERT_TRUE(journal.renamesPlanned(moves).empty());
        for (const auto& [from, to] :
             std::vector<std::pair<std::string, std::string>>{{f.path("p"), aside},
                                                              {f.path("q"), f.path("p")},
                                                              {f.path("p"), f.path("q")},
                                                              {aside, f.path("p")}}) {
            ASSERT_TRUE(journal.renaming(from, to).empty());
            ASSERT_TRUE(platform::renameNoReplace(from, to).empty());
            journal.renamed(to);
        }
    }
    EXPECT_TRUE(listRuns(f.journalFolder).empty());
    EXPECT_EQ(readBytes(f.path("p")), "p");
}

// Journals that an earlier version wrote, a line before each rename and one after it, are still undone.
TEST(Undo, a_journal_of_the_kind_that_records_each_rename_is_still_undone) {
    Fixture f;
    f.write("x", "was x");
    f.write("y", "was y");
    const std::string stays = f.write("stays", "stays");
    // y -> z went first, then x -> y; the rename of "stays" failed.
    ASSERT_TRUE(platform::renameNoReplace(f.path("y"), f.path("z")).empty());
    ASSERT_TRUE(platform::renameNoReplace(f.path("x"), f.path("y")).empty());
    const auto renamed = [&](const std::string& name) {
        const platform::FileIdentity id = platform::fileIdentity(f.path(name));
        return "renamed\t" + f.path(name) + "\t" + std::to_string(id.device) + "\t" +
               std::to_string(id.inode) + "\t" + std::to_string(id.size) + "\t" +
               std::to_string(id.modifiedNanoseconds) + "\t0\n";
    };
    fs::create_directories(f.journalFolder);
    std::ofstream(f.journalFolder + "/run-1-1.journal")
        << "morvane-journal\t1\nrun\t1\tnames\t3\npair\tx\ty\n"
        << "rename\t" << f.path("y") << "\t" << f.path("z") << "\n"
        << renamed("z") << "rename\t" << f.path("x") << "\t" << f.path("y") << "\n"
        << renamed("y") << "rename\t" << stays << "\t" << f.path("gone") << "\nfinished\twhole\n";

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 2u);
    EXPECT_TRUE(undone.left.empty());
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"stays", "x", "y"}));
    EXPECT_EQ(readBytes(f.path("x")), "was x");
    EXPECT_EQ(readBytes(f.path("y")), "was y");
}

// Kills its own process when the bar first reaches the percentage, while the files of a batch are prepared.
struct KilledAtPercent : RunObserver {
    int percent;
    explicit KilledAtPercent(int percent_) : percent(percent_) {}
    void progress(int now) override {
        if (now >= percent) {
            ::raise(SIGKILL);
        }
    }
};

TEST(Undo, a_run_killed_part_way_through_a_batch_leaves_each_file_old_or_new_and_undo_puts_back_the_new) {
    Fixture f;
    const std::vector<std::string> paths = f.numbered(400);
    ASSERT_TRUE(testing::killedInChild([&] {
        KilledAtPercent killer(25);
        f.execute(paths, {"old"}, {"new"}, ReplaceMode::Contents, true, kBytesKeptForUndo, &killer);
    }));

    std::size_t changed = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string bytes = readBytes(paths[i]);
        ASSERT_TRUE(bytes == "old " + std::to_string(i) || bytes == "new " + std::to_string(i)) << bytes;
        const bool isNew = bytes[0] == 'n';
        EXPECT_TRUE(!isNew || changed == i) << "the batches before the one prepared were done, none after";
        changed += isNew ? 1 : 0;
    }
    EXPECT_GT(changed, 0u);
    EXPECT_LT(changed, 100u);
    const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
    EXPECT_EQ(notes.back().action, LeftoverAction::RunInterrupted);
    EXPECT_EQ(testing::namesIn(f.files).size(), paths.size()) << "the prepared files of the batch are gone";

    const UndoResult undone = undoNewestRun(f.journalFolder);
    EXPECT_EQ(undone.restored, changed);
    EXPECT_EQ(firstLeft(undone), "");
    EXPECT_EQ(oldOnes(paths), paths.size());
}

// Files under a long folder name, so that their journal lines fill many blocks.
std::vector<std::string> filesOnDisk(const testing::SmallDisk& disk, std::size_t count, std::size_t bytes) {
    const std::string folder = disk.path() + "/" + std::string(200, 'd');
    fs::create_directory(folder);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < count; ++i) {
        paths.push_back(folder + "/" + std::to_string(1000 + i));
        std::ofstream(paths.back()) << "old" << std::string(bytes - 3, '.');
    }
    return paths;
}

// Before, the lines after a full disk's last change were lost, and the next clear-up removed the journal.
TEST(Undo, the_lines_after_a_change_find_room_on_a_disk_that_filled_up_meanwhile) {
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << "a small disk of its own cannot be mounted here (the test must run as root)";
    }
    const std::string journalFolder = journalFolderIn(disk.path());
    const std::vector<std::string> paths = filesOnDisk(disk, 40, 10);
    {
        RunJournal journal(journalFolder, RunHeading{false, {"old"}, {"new"}, paths.size()});
        ASSERT_EQ(journal.begin(), "");
        std::vector<PendingWrite> writes;
        std::vector<ReplacingFile> files;
        for (const std::string& path : paths) {
            const std::string text = "new" + std::string(7, '.');
            writes.push_back(
                *prepareWrite(path, text, platform::fileIdentity(path), true, true, &journal).write);
            ASSERT_EQ(writes.back().replacement.flush(), "");
            files.push_back(ReplacingFile{writes.back().replacement.target(),
                                          writes.back().replacement.becomes(), writes.back().hash});
        }
        for (const std::string& refused : journal.replacingAll(files)) {
            ASSERT_EQ(refused, "");
        }
        disk.fill();
        for (PendingWrite& write : writes) {
            ASSERT_EQ(write.replacement.place(), "");
            journal.replacedWith(write.replacement.target(), write.hash);
        }
        journal.flushWhatIsLeft();
        EXPECT_EQ(journal.finish(), "") << "the journal is complete";
    }
    EXPECT_TRUE(clearLeftovers(journalFolder, {}).empty());
    const std::vector<JournaledRun> runs = listRuns(journalFolder);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_FALSE(runs[0].interrupted);
    EXPECT_EQ(runs[0].changed, paths.size());

    disk.unfill();
    const UndoResult undone = undoNewestRun(journalFolder);
    EXPECT_EQ(undone.restored, paths.size());
    EXPECT_TRUE(undone.left.empty());
}

// A run that fills the disk part way: each file is old or new, the journal says which, and undo puts back
// the new ones, however the disk filled up.
TEST(Undo, a_run_on_a_disk_that_fills_up_part_way_keeps_its_journal_and_is_undone) {
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << "a small disk of its own cannot be mounted here (the test must run as root)";
    }
    const std::vector<std::string> paths = filesOnDisk(disk, 40, 16 << 10);
    disk.fill(40 << 12);
    RunRequest request{
        .finds = {"old"}, .replaces = {"new"}, .files = paths, .execute = true, .stateFolder = disk.path()};
    const RunResult run = runPairs(request);

    std::size_t changed = 0;
    for (const std::string& path : paths) {
        changed += readBytes(path).starts_with("new") ? 1 : 0;
    }
    EXPECT_GT(changed, 0u);
    EXPECT_EQ(run.failures.size(), paths.size() - changed) << "each file not changed is reported";
    EXPECT_EQ(run.notUndoable, "");
    const std::string journalFolder = journalFolderIn(disk.path());
    EXPECT_TRUE(clearLeftovers(journalFolder, {}).empty()) << "the run ended by itself";
    ASSERT_EQ(listRuns(journalFolder).size(), 1u) << "the clear-up keeps its journal";
    EXPECT_EQ(listRuns(journalFolder)[0].changed, changed);

    disk.unfill();
    const UndoResult undone = undoNewestRun(journalFolder);
    EXPECT_EQ(undone.restored, changed);
    EXPECT_TRUE(undone.left.empty());
    for (const std::string& path : paths) {
        EXPECT_TRUE(readBytes(path).starts_with("old")) << path;
    }
}

// A batch's files are recorded, then renamed over their targets, then what each left is recorded: killed
// with some renamed and none of those lines written, the renamed ones are wholly new and still go back.
TEST(Undo, a_batch_killed_between_its_renames_and_their_journal_lines_is_undone_completely) {
    constexpr std::size_t kFiles = 6;
    for (const std::size_t renamed : {std::size_t{0}, std::size_t{4}, kFiles}) {
        Fixture f;
        const std::vector<std::string> paths = f.numbered(kFiles);
        ASSERT_TRUE(testing::killedInChild([&] {
            RunJournal journal(f.journalFolder, RunHeading{false, {"old"}, {"new"}, kFiles});
            std::vector<PendingWrite> writes;
            std::vector<ReplacingFile> files;
            for (std::size_t i = 0; i < kFiles; ++i) {
                const std::string text = "new " + std::to_string(i);
                writes.push_back(
                    *prepareWrite(paths[i], text, platform::fileIdentity(paths[i]), true, true, &journal)
                         .write);
                writes[i].replacement.flush();
                files.push_back(ReplacingFile{writes[i].replacement.target(), writes[i].replacement.becomes(),
                                              writes[i].hash});
            }
            journal.replacingAll(files);
            for (std::size_t i = 0; i < renamed; ++i) {
                writes[i].replacement.place();
            }
            ::raise(SIGKILL);
        }));

        const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes.back().action, LeftoverAction::RunInterrupted);
        EXPECT_EQ(testing::namesIn(f.files).size(), kFiles) << "the files not renamed yet are gone";
        EXPECT_EQ(listRuns(f.journalFolder).at(0).changed, renamed);

        const UndoResult undone = undoNewestRun(f.journalFolder);

        EXPECT_EQ(undone.restored, renamed);
        EXPECT_EQ(firstLeft(undone), "");
        EXPECT_EQ(oldOnes(paths), kFiles) << renamed;
    }
}

TEST(Undo, a_hard_linked_file_killed_in_its_rewrite_is_undone_completely) {
    const std::string old(20 << 20, 'o');
    for (const int step : {2, 0}) {
        Fixture f;
        const std::string file = f.write("big.txt", old);
        const std::string link = f.dir.file("files/link.txt");
        fs::create_hard_link(file, link);
        ASSERT_TRUE(testing::killedInChild([&] {
            RunJournal journal(f.journalFolder, RunHeading{false, {"o"}, {"n"}, 1});
            testing::KillingWriteJournal killer({.atStep = step, .atEnd = step == 0}, &journal);
            platform::replaceFileContents(file, std::string(old.size(), 'n'), nullptr, &killer);
        }));

        clearLeftovers(f.journalFolder, {});
        const UndoResult undone = undoNewestRun(f.journalFolder);

        EXPECT_EQ(undone.restored, step == 0 ? 1u : 0u) << "put back by the clear-up when cut part way";
        EXPECT_EQ(firstLeft(undone), "");
        EXPECT_TRUE(readBytes(link) == old) << step;
        EXPECT_TRUE(fs::equivalent(file, link));
        EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"big.txt", "link.txt"}));
    }
}

TEST(Undo, AnUnchangedFileGetsItsOldTimeBackUnlessChangedSince) {
    Fixture f;
    const std::string kept = f.write("kept.txt", "nothing to find");
    const std::string edited = f.write("edited.txt", "nothing either");
    const auto lastYear = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(kept, lastYear);
    fs::last_write_time(edited, lastYear);
    // Written by its first row through a link; the second row names the same file and takes that result.
    const std::string written = f.write("written.txt", "w");
    fs::create_symlink(written, f.path("link"));
    f.execute({kept, edited, f.path("link"), f.path("link")}, {"w"}, {"W"});
    ASSERT_NE(fs::last_write_time(kept), lastYear)
        << "a run gives every file it went over the time of a write";
    ASSERT_EQ(listRuns(f.journalFolder).at(0).changed, 3u);
    f.write("edited.txt", "edited");

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 2u);
    EXPECT_EQ(readBytes(written), "w");
    EXPECT_EQ(fs::last_write_time(kept), lastYear);
    EXPECT_EQ(readBytes(kept), "nothing to find");
    ASSERT_EQ(undone.left.size(), 1u);
    EXPECT_EQ(undone.left[0].path, edited);
}

// A write or rename the run began and then did not make: the run reported it, and undo has nothing to say.
TEST(Undo, a_change_the_run_failed_to_make_is_not_reported_as_left) {
    Fixture f;
    const std::string written = f.write("written.txt", "old");
    const std::string failed = f.write("failed.txt", "old");
    const std::string unrenamed = f.write("unrenamed.txt", "old");
    {
        RunJournal journal(f.journalFolder, RunHeading{false, {"old"}, {"new"}, 3});
        ASSERT_TRUE(platform::replaceFileContents(written, "new", nullptr, &journal).empty());
        ASSERT_TRUE(journal.replacing(failed, platform::fileIdentity(written), "new").empty());
        ASSERT_TRUE(journal.renaming(unrenamed, f.path("renamed.txt")).empty());
    }
    // Since then, the file has been saved by an editor that writes a new file, and the other one moved.
    fs::remove(failed);
    f.write("failed.txt", "edited");
    fs::rename(unrenamed, f.path("moved.txt"));

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(firstLeft(undone), "");
    EXPECT_EQ(readBytes(written), "old");
    EXPECT_EQ(readBytes(failed), "edited");
}

TEST(Undo, TheKeptBytesAreBoundedAndARunLargerThanTheBoundRunsWithoutUndo) {
    Fixture f;
    const std::string a = f.write("a.txt", "0123456789");
    const std::string b = f.write("b.txt", "0123456789");
    constexpr std::uint64_t kBound = 25;
    // The same file under two names counts once.
    f.execute({a, a}, {"0"}, {"A"}, ReplaceMode::Contents, true, kBound);
    f.execute({b}, {"1"}, {"B"}, ReplaceMode::Contents, true, kBound);
    ASSERT_EQ(listRuns(f.journalFolder).size(), 2u);
    f.execute({a}, {"2"}, {"C"}, ReplaceMode::Contents, true, kBound);
    EXPECT_EQ(listRuns(f.journalFolder).size(), 2u) << "three runs keep 30 bytes: the oldest goes";

    UndoNotice notice;
    const RunResult large = f.execute({a, b, f.write("c.txt", "0123456789")}, {"3"}, {"D"},
                                      ReplaceMode::Contents, true, kBound, &notice);

    EXPECT_EQ(readBytes(a), "A1CD456789") << "it runs all the same";
    EXPECT_TRUE(notice.beforeAnyRow);
    EXPECT_EQ(notice.reason, large.notUndoable);
    EXPECT_EQ(large.notUndoable,
              "it could change 30 bytes of files, more than the 25 bytes that are kept for undo");
    ASSERT_EQ(listRuns(f.journalFolder).size(), 2u) << "nothing of it is kept, and the older runs stay";
    EXPECT_EQ(undoNewestRun(f.journalFolder).left.size(), 1u) << "what it changed is left as changed since";
}

TEST(Undo, TheReasonARunIsTooLargeNamesSizesInTheirUnits) {
    struct Row {
        std::uint64_t bytes, bound;
        const char* sizes; // as the reason gives them: the files', then the bound's
    };
    for (const Row& row : {
             Row{(1u << 20) - 1, 0, "1048575 bytes of files, more than the 0 bytes"},
             Row{1u << 20, (1u << 20) - 1, "1 MiB of files, more than the 1048575 bytes"},
             Row{(3u << 20) - 1, 1u << 20, "2 MiB of files, more than the 1 MiB"},
             Row{(std::uint64_t{3} << 29) + 1, 1u << 30, "1.5 GiB of files, more than the 1.0 GiB"},
         }) {
        EXPECT_EQ(tooLargeForUndo(row.bytes, row.bound),
                  "it could change "s + row.sizes + " that are kept for undo");
    }
    EXPECT_EQ(tooLargeForUndo(1u << 20, 1u << 20), "");
}

// Fifty files of 8 KiB on the disk, the old contents of each kept by the run in the state folder.
struct FilesOnSmallDisk {
    std::vector<std::string> files;
    RunRequest run;

    FilesOnSmallDisk(const testing::SmallDisk& disk, const std::string& stateFolder) {
        fs::create_directories(stateFolder);
        fs::create_directories(disk.path() + "/files");
        for (int i = 0; i < 50; ++i) {
            files.push_back(disk.path() + "/files/" + std::to_string(i) + ".txt");
            std::ofstream(files.back()) << std::string(8192, 'o');
        }
        run.finds = {"o"};
        run.replaces = {"n"};
        run.files = files;
        run.execute = true;
        run.stateFolder = stateFolder;
    }
    bool allHold(char byte) const {
        return std::all_of(files.begin(), files.end(), [&](const std::string& file) {
            return readBytes(file) == std::string(8192, byte);
        });
    }
};

std::vector<std::string> hiddenNamesIn(const std::string& folder) {
    std::vector<std::string> names = testing::namesIn(folder);
    std::erase_if(names, [](const std::string& name) { return !name.starts_with('.'); });
    return names;
}

TEST(Undo, an_undo_on_a_full_disk_links_back_every_file_whose_old_inode_is_kept) {
    Fixture f;
    testing::SmallDisk disk(2 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    const FilesOnSmallDisk on(disk, disk.path() + "/app");
    const std::uint64_t inode = platform::fileIdentity(on.files[0]).inode;
    ASSERT_TRUE(runPairs(on.run).failures.empty());
    ASSERT_TRUE(on.allHold('n'));
    disk.fill(4096);

    const UndoResult undone = undoNewestRun(journalFolderIn(disk.path() + "/app"));

    EXPECT_EQ(undone.restored, 50u);
    EXPECT_EQ(firstLeft(undone), "");
    EXPECT_TRUE(undone.failure.empty()) << undone.failure;
    EXPECT_TRUE(undone.run.undone);
    EXPECT_TRUE(on.allHold('o'));
    EXPECT_EQ(platform::fileIdentity(on.files[0]).inode, inode) << "the very file the run kept";
    EXPECT_TRUE(hiddenNamesIn(disk.path() + "/files").empty());
}

TEST(Undo, an_undo_that_fails_on_a_full_disk_stays_to_be_undone_and_finishes_when_run_again) {
    Fixture f;
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    // The state folder is on another file system, so the run keeps copies, which take room to put back.
    const FilesOnSmallDisk on(disk, f.app);
    ASSERT_TRUE(runPairs(on.run).failures.empty());
    disk.fill(4096);

    const UndoResult failed = undoNewestRun(f.journalFolder);

    EXPECT_EQ(failed.restored, 0u);
    ASSERT_EQ(failed.left.size(), 50u);
    EXPECT_NE(failed.left[0].reason.find("No space left"), std::string::npos) << failed.left[0].reason;
    EXPECT_FALSE(failed.failure.empty());
    EXPECT_FALSE(failed.run.undone);
    EXPECT_TRUE(on.allHold('n'));
    EXPECT_TRUE(hiddenNamesIn(disk.path() + "/files").empty()) << "no temporary file stays";
    ASSERT_EQ(listRuns(f.journalFolder).size(), 1u);
    EXPECT_FALSE(listRuns(f.journalFolder)[0].undone);

    disk.unfill();
    const UndoResult again = undoNewestRun(f.journalFolder);

    EXPECT_EQ(again.restored, 50u);
    EXPECT_EQ(firstLeft(again), "");
    EXPECT_TRUE(again.run.undone);
    EXPECT_TRUE(on.allHold('o'));
    EXPECT_FALSE(undoNewestRun(f.journalFolder).found);
}

TEST(Undo, an_undo_killed_part_way_is_cleared_up_and_when_run_again_counts_what_is_back_as_put_back) {
    Fixture f;
    const std::vector<std::string> paths = f.numbered(300);
    ASSERT_TRUE(f.execute(paths, {"old"}, {"new"}).failures.empty());
    ASSERT_TRUE(testing::killedInChild([&] {
        // The files of the batch prepared before the 270th write have their temporary names beside them.
        testing::KillingWriteJournal killer({.atWrite = 270});
        undoNewestRun(f.journalFolder, &killer);
    }));
    EXPECT_EQ(oldOnes(paths), 256u) << "the first batch went back whole";
    EXPECT_EQ(hiddenNamesIn(f.files).size(), 13u) << "the prepared files of the batch cut short";
    ASSERT_EQ(listRuns(f.journalFolder).size(), 1u);
    EXPECT_FALSE(listRuns(f.journalFolder)[0].undone) << "the run stays to be undone";

    const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
    ASSERT_EQ(notes.size(), 14u);
    EXPECT_EQ(notes[0].action, LeftoverAction::TemporaryRemoved);
    EXPECT_EQ(notes.back().action, LeftoverAction::UndoInterrupted);
    EXPECT_TRUE(hiddenNamesIn(f.files).empty());
    EXPECT_TRUE(clearLeftovers(f.journalFolder, {}).empty()) << "said once";

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, paths.size()) << "what the undo cut short put back counts as put back";
    EXPECT_EQ(firstLeft(undone), "");
    EXPECT_TRUE(undone.run.undone);
    EXPECT_EQ(oldOnes(paths), paths.size());
}

TEST(Undo, an_undo_killed_in_a_rewrite_in_place_is_put_back_by_the_clear_up_and_then_undone) {
    Fixture f;
    const std::string old(20 << 20, 'o');
    const std::string file = f.write("big.txt", old);
    fs::create_hard_link(file, f.path("link.txt"));
    ASSERT_TRUE(f.execute({file}, {"o"}, {"n"}).failures.empty());
    ASSERT_TRUE(testing::killedInChild([&] {
        testing::KillingWriteJournal killer({.atStep = 2});
        undoNewestRun(f.journalFolder, &killer);
    }));
    ASSERT_NE(readBytes(file), old) << "the kill left the file half written";

    const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].action, LeftoverAction::PutBack);
    EXPECT_EQ(notes[1].action, LeftoverAction::UndoInterrupted);
    EXPECT_EQ(readBytes(file), std::string(old.size(), 'n')) << "as the run left it";

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(firstLeft(undone), "");
    EXPECT_EQ(readBytes(f.path("link.txt")), old);
    EXPECT_TRUE(fs::equivalent(file, f.path("link.txt")));
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"big.txt", "link.txt"}));
}

// Names an undo cut short put back already, and a cycle the clear-up then took back as a whole, count as
// put back when undo is run again.
TEST(Undo, a_names_undo_cut_short_is_finished_by_the_next_undo) {
    Fixture f;
    for (const char* name : {"a", "b", "old-c", "old-d"}) {
        f.write(name, name);
    }
    ASSERT_TRUE(f.execute(f.paths({"a", "b", "old-c", "old-d"}), {"a", "b", "#", "old"},
                          {"#", "a", "b", "new"}, ReplaceMode::FileNames)
                    .failures.empty());
    ASSERT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"a", "b", "new-c", "new-d"}));
    // The undo took back new-d and began the swap, putting the entry now named b back aside, and was killed.
    const std::string journal = listRuns(f.journalFolder).at(0).journal;
    const std::vector<RecordedRename> renames = readUndoRecord(readBytes(journal))->renames;
    const auto parked = std::find_if(renames.begin(), renames.end(),
                                     [&](const RecordedRename& r) { return r.from == f.path("a"); });
    ASSERT_NE(parked, renames.end());
    ASSERT_TRUE(platform::appendToFile(journal, "undo\tbegun\n").empty());
    ASSERT_TRUE(platform::renameNoReplace(f.path("new-d"), f.path("old-d")).empty());
    ASSERT_TRUE(platform::renameNoReplace(f.path("b"), parked->to).empty());

    const std::vector<LeftoverNote> notes = clearLeftovers(f.journalFolder, {});
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().action, LeftoverAction::UndoInterrupted);
    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 4u);
    EXPECT_EQ(firstLeft(undone), "");
    EXPECT_TRUE(undone.run.undone);
    EXPECT_EQ(testing::namesIn(f.files), (std::vector<std::string>{"a", "b", "old-c", "old-d"}));
    EXPECT_EQ(readBytes(f.path("a")), "a");
    EXPECT_EQ(readBytes(f.path("b")), "b");
}

// The second undo once found the touched file replaced by the first undo's write, and left it with the time
// of that write.
TEST(Undo, a_file_the_older_run_only_touched_gets_its_old_time_back_after_the_newer_run_is_undone) {
    for (const bool linked : {false, true}) {
        Fixture f;
        const std::string file = f.write("file.txt", "one two");
        if (linked) {
            // A file of two names is rewritten in place, and put back in place, with a new time.
            fs::create_hard_link(file, f.path("second name.txt"));
        }
        const auto lastYear = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
        fs::last_write_time(file, lastYear);
        f.execute({file}, {"three"}, {"3"});
        f.execute({file}, {"two"}, {"2"});
        ASSERT_EQ(readBytes(file), "one 2");

        const UndoResult newer = undoNewestRun(f.journalFolder);
        const UndoResult older = undoNewestRun(f.journalFolder);

        EXPECT_EQ(newer.restored, 1u) << linked;
        EXPECT_EQ(older.restored, 1u) << linked;
        EXPECT_EQ(firstLeft(older), "") << linked;
        EXPECT_EQ(readBytes(file), "one two");
        EXPECT_EQ(fs::last_write_time(file), lastYear) << linked;
    }
}

} // namespace
} // namespace morvane
