#include "core/journal/contents_batch.h"
#include "core/journal/leftovers.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/platform_fs.h"
#include "core/run/run.h"
#include "support/killed_child.h"
#include "support/run_observers.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::namesIn;
using testing::readBytes;
using testing::TempDir;
using testing::treeOf;
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
    // Files that each hold their own name.
    std::vector<std::string> named(const std::vector<std::string>& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(write(name, name));
        }
        return paths;
    }

    RunResult execute(std::vector<std::string> paths, std::vector<std::string> finds,
                      std::vector<std::string> replaces, ReplaceMode mode = ReplaceMode::Contents,
                      bool keepForUndo = true, std::uint64_t undoBytesBound = kBytesKeptForUndo,
                      RunObserver* observer = nullptr) const {
        return runPairs({.finds = std::move(finds),
                         .replaces = std::move(replaces),
                         .files = std::move(paths),
                         .mode = mode,
                         .execute = true,
                         .stateFolder = app,
                         .keepForUndo = keepForUndo,
                         .undoBytesBound = undoBytesBound,
                         .streamedFileBytes = streamed ? 0 : kStreamedFileBytes,
                         .streamBlockBytes = streamed ? 3 : kStreamBlockBytes},
                        observer);
    }
};

fs::perms permsOf(const std::string& path) {
    return fs::status(path).permissions();
}

// Files named old-1000 and up in the folder, the i-th holding "old i" and then dots up to `bytes`.
std::vector<std::string> numbered(const std::string& folder, std::size_t count, std::size_t bytes = 0) {
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < count; ++i) {
        paths.push_back(folder + "/old-" + std::to_string(1000 + i));
        const std::string text = "old " + std::to_string(i);
        std::ofstream(paths.back()) << text << std::string(std::max(bytes, text.size()) - text.size(), '.');
    }
    return paths;
}

std::size_t holding(const std::vector<std::string>& paths, const std::string& start) {
    return static_cast<std::size_t>(std::count_if(paths.begin(), paths.end(), [&](const std::string& path) {
        return readBytes(path).starts_with(start);
    }));
}

// The first file undo left, with its reason, or nothing.
std::string firstLeft(const UndoResult& undone) {
    return undone.left.empty() ? "" : undone.left[0].path + ": " + undone.left[0].reason;
}

std::size_t hiddenCountIn(const std::string& folder) {
    return static_cast<std::size_t>(std::ranges::count_if(
        namesIn(folder), [](const std::string& name) { return name.starts_with('.'); }));
}

// Undoes the newest run and checks that it put back `restored` files or names and left none.
void expectUndone(const std::string& journalFolder, std::size_t restored, const std::string& where) {
    const UndoResult undone = undoNewestRun(journalFolder);
    EXPECT_EQ(undone.restored, restored) << where;
    EXPECT_EQ(firstLeft(undone), "") << where;
    EXPECT_TRUE(undone.run.undone) << where;
}

// Prepares the batch's new file beside each of the files, "new" where they hold "old", and has the journal
// keep the old ones, as a batch does before its renames.
std::vector<PendingWrite> preparedBatch(RunJournal& journal, const std::vector<std::string>& paths) {
    std::vector<PendingWrite> writes;
    std::vector<ReplacingFile> files;
    for (const std::string& path : paths) {
        const std::string text = "new" + readBytes(path).substr(3);
        writes.push_back(*prepareWrite(path, text, platform::fileIdentity(path), true, true, &journal).write);
        writes.back().replacement.flush();
        files.push_back(ReplacingFile{writes.back().replacement.target(), writes.back().replacement.becomes(),
                                      writes.back().hash});
    }
    journal.replacingAll(files);
    return writes;
}

// Whole or streamed, a rewrite keeps the file's mode, owner and other names, and undo gives its bytes back.
TEST(Undo, ContentsComeBackByteForByteWithPermissionsAndHardLinks) {
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    for (const bool streamed : {false, true}) {
        Fixture f;
        f.streamed = streamed;
        const std::string plain = f.write("plain.txt", "one\r\ntwo one\r\n");
        const std::string secret = f.write("secret.txt", "one\0one"s);
        fs::permissions(secret, mode);
        // Another user's file, where the test may give it one.
        const bool otherOwner = ::chown(secret.c_str(), 4321, 4321) == 0;
        const std::string linked = f.write("linked.txt", "just one");
        fs::create_hard_link(linked, f.path("other-name.txt"));
        const std::map<std::string, std::string> before = treeOf(f.files);

        const RunResult run = f.execute({plain, secret, linked, plain}, {"one"}, {"1"});
        ASSERT_TRUE(run.failures.empty());
        EXPECT_EQ(run.rows[3].count, run.rows[0].count) << "the second row of plain.txt reports its result";
        ASSERT_EQ(readBytes(secret), "1\0"
                                     "1"s);
        const std::vector<JournaledRun> runs = listRuns(f.journalFolder);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].changed, 3u) << streamed;
        EXPECT_FALSE(runs[0].names);

        expectUndone(f.journalFolder, 3, "streamed " + std::to_string(streamed));

        EXPECT_EQ(treeOf(f.files), before) << "every name of a file sees it";
        EXPECT_EQ(permsOf(secret), mode);
        struct stat owned {};
        ASSERT_EQ(::stat(secret.c_str(), &owned), 0);
        EXPECT_TRUE(!otherOwner || (owned.st_uid == 4321u && owned.st_gid == 4321u));
        EXPECT_TRUE(fs::equivalent(linked, f.path("other-name.txt")));
        EXPECT_FALSE(fs::exists(keptFolderOf(runs[0].journal))) << "nothing left needs the old contents";
        EXPECT_FALSE(undoNewestRun(f.journalFolder).found) << "an undone run is not undone twice";
    }
}

// Batches grow 1, 1, 2, 4, 8 files: nine files make batches of two and four, sixteen end on a full batch of
// eight, twenty-three on one of seven after it. Every file of every batch, its last one included, is
// journaled and comes back.
TEST(Undo, every_file_of_batches_of_several_comes_back) {
    for (const std::size_t count : {9u, 16u, 23u}) {
        Fixture f;
        const std::vector<std::string> paths = numbered(f.files, count);
        const std::map<std::string, std::string> before = treeOf(f.files);
        ASSERT_TRUE(f.execute(paths, {"old"}, {"new"}).failures.empty());
        EXPECT_EQ(readBytes(paths.back()), "new " + std::to_string(count - 1));
        EXPECT_EQ(listRuns(f.journalFolder).at(0).changed, count);

        expectUndone(f.journalFolder, count, std::to_string(count) + " files");
        EXPECT_EQ(treeOf(f.files), before);
    }
}

// One entry renamed twice in one run, x1 to x2 by its first row and then x2 to x3 by its second, goes back
// to its first name; the window knows it by its last name only.
TEST(Undo, AnEntryRenamedTwiceInOneRunGoesBackToItsFirstName) {
    Fixture f;
    f.write("x1", "first");
    ASSERT_TRUE(f.execute({f.path("x1"), f.path("x2")}, {"2", "1"}, {"3", "2"}, ReplaceMode::FileNames)
                    .failures.empty());
    ASSERT_EQ(namesIn(f.files), std::vector<std::string>{"x3"});
    EXPECT_TRUE(listRuns(f.journalFolder).at(0).names);

    const UndoResult chainBack = undoNewestRun(f.journalFolder);

    EXPECT_EQ(chainBack.restored, 2u);
    EXPECT_EQ(namesIn(f.files), std::vector<std::string>{"x1"});
    ASSERT_EQ(chainBack.namesBack.size(), 1u);
    EXPECT_EQ(chainBack.namesBack[0].now, f.path("x3"));
    EXPECT_EQ(chainBack.namesBack[0].back, f.path("x1"));
}

TEST(Undo, SwapsCyclesAndChainsAgainstRowOrderRenameAndUndoAsAWhole) {
    Fixture f;
    const std::vector<std::string> paths = f.named({"a", "b", "p", "q", "r", "x", "y"});
    const std::map<std::string, std::string> before = treeOf(f.files);
    // a and b swap; p, q and r go round; y -> z must come before x -> y.
    const RunResult run = f.execute(paths, {"a", "b", "#", "p", "r", "q", "%", "y", "x"},
                                    {"#", "a", "b", "%", "p", "r", "q", "z", "y"}, ReplaceMode::FileNames);
    EXPECT_TRUE(run.failures.empty()) << run.failures.at(0).reason;
    ASSERT_EQ(run.rows.size(), 7u);
    EXPECT_EQ(run.rows[0].path, f.path("b"));
    EXPECT_TRUE(run.rows[0].renamed);
    EXPECT_EQ(run.rows[5].path, f.path("y"));
    EXPECT_EQ(treeOf(f.files),
              (std::map<std::string, std::string>{
                  {"a", "b"}, {"b", "a"}, {"p", "r"}, {"q", "p"}, {"r", "q"}, {"y", "x"}, {"z", "y"}}))
        << "no entry is left aside";
    EXPECT_EQ(listRuns(f.journalFolder).at(0).changed, 7u) << "an entry put aside counts once";

    expectUndone(f.journalFolder, 7, "");
    EXPECT_EQ(treeOf(f.files), before);
}

TEST(Undo, ANameTakenOrReplacedSinceIsLeftAndNothingIsOverwritten) {
    Fixture f;
    f.execute(f.named({"old-a", "old-b", "old-c"}), {"old"}, {"new"}, ReplaceMode::FileNames);
    // new-a is replaced by another file; old-b's name is taken by a new file.
    fs::rename(f.path("new-a"), f.path("moved-a"));
    f.write("new-a", "someone else's");
    f.write("old-b", "a newcomer");

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(undone.left.size(), 2u);
    EXPECT_EQ(treeOf(f.files), (std::map<std::string, std::string>{{"moved-a", "old-a"},
                                                                   {"new-a", "someone else's"},
                                                                   {"new-b", "old-b"},
                                                                   {"old-b", "a newcomer"},
                                                                   {"old-c", "old-c"}}));
}

// A run without undo, one whose journal cannot be made, and one that changed nothing leave nothing to undo.
TEST(Undo, ARunWithoutAJournalLeavesNothingToUndo) {
    Fixture f;
    const std::string a = f.write("a.txt", "one");
    f.execute({a}, {"one"}, {"two"}, ReplaceMode::Contents, false);
    f.execute({f.path("a.txt")}, {"a"}, {"b"}, ReplaceMode::FileNames, false);
    EXPECT_FALSE(fs::exists(f.journalFolder));
    EXPECT_EQ(readBytes(f.path("b.txt")), "two");
    f.execute({f.path("b.txt"), f.path("missing")}, {"zzz"}, {"y"}, ReplaceMode::FileNames);
    EXPECT_TRUE(listRuns(f.journalFolder).empty());
    EXPECT_FALSE(undoNewestRun(f.journalFolder).found);

    f.app = f.dir.file("no-such-folder");
    const RunResult run = f.execute({f.path("b.txt")}, {"two"}, {"three"});
    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(readBytes(f.path("b.txt")), "three");
    EXPECT_NE(run.notUndoable.find("cannot be made"), std::string::npos) << run.notUndoable;
}

// Removes the run's journal before undo's first write: the lines after it, the one that says the run is
// undone included, find no journal.
struct JournalRemover : platform::WriteJournal {
    std::string journal;
    void writingIn(const std::string&) override { fs::remove(journal); }
    std::string rewriteStarting(const platform::InPlaceRewrite&) override { return {}; }
    void rewriteGoingOn() override {}
    void rewriteEnded(const platform::InPlaceRewrite&) override {}
};

// Told it was undone, the user would take the run for done with and lose the old contents it kept.
TEST(Undo, an_undo_whose_journal_cannot_be_ended_says_so_and_keeps_the_old_contents) {
    Fixture f;
    ASSERT_TRUE(f.execute({f.write("a.txt", "old")}, {"old"}, {"new"}).failures.empty());
    JournalRemover remover;
    remover.journal = listRuns(f.journalFolder).at(0).journal;

    const UndoResult undone = undoNewestRun(f.journalFolder, &remover);

    EXPECT_NE(undone.failure.find("cannot be written"), std::string::npos) << undone.failure;
    EXPECT_FALSE(undone.run.undone);
    EXPECT_TRUE(fs::exists(keptFolderOf(remover.journal)));
}

TEST(Undo, TheJournalKeepsTheNewestRunsAndDropsTheOldest) {
    Fixture f;
    const std::string a = f.write("a.txt", "0");
    for (int i = 0; i < static_cast<int>(kRunsKeptForUndo) + 2; ++i) {
        f.execute({a}, {std::to_string(i)}, {std::to_string(i + 1)});
    }
    ASSERT_EQ(listRuns(f.journalFolder).size(), kRunsKeptForUndo);
    EXPECT_EQ(namesIn(f.journalFolder).size(), 2 * kRunsKeptForUndo)
        << "each run's journal and kept contents";
    for (std::size_t i = kRunsKeptForUndo; i > 0; --i) {
        EXPECT_EQ(undoNewestRun(f.journalFolder).restored, 1u) << "newest first";
        EXPECT_EQ(readBytes(a), std::to_string(i + 1));
    }
    EXPECT_FALSE(undoNewestRun(f.journalFolder).found) << "the dropped runs are not offered";
}

// A kept file is the old file itself, or a copy: only the folders above it keep it from other users.
TEST(Undo, state_folders_are_private_whatever_the_umask) {
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        Fixture f;
        fs::permissions(f.dir.makeFolder("files/secret"), fs::perms::owner_all);
        const std::string replaced = f.write("secret/replaced.txt", "old");
        const std::string linked = f.write("secret/linked.txt", "old");
        fs::create_hard_link(linked, f.path("secret/second-name.txt"));
        const mode_t before = ::umask(mask);
        const RunResult run = f.execute({replaced, linked}, {"old"}, {"new"});
        ::umask(before);
        ASSERT_TRUE(run.failures.empty());

        EXPECT_EQ(permsOf(f.journalFolder), fs::perms::owner_all) << mask;
        EXPECT_EQ(permsOf(keptFolderOf(listRuns(f.journalFolder).at(0).journal)), fs::perms::owner_all)
            << mask;
        EXPECT_EQ(undoNewestRun(f.journalFolder).restored, 2u) << "the owner still reaches it all";
    }
}

// A file changed since the run is left and reported, its old contents kept for the user; one the run only
// touched gets its old time back unless it changed since; the others go back.
TEST(Undo, AFileEditedSinceIsLeftWhileTheOthersGoBackAnUnchangedOneWithItsOldTime) {
    Fixture f;
    const std::string kept = f.write("kept.txt", "nothing to find");
    const std::string edited = f.write("edited.txt", "nothing either");
    const std::string changed = f.write("changed.txt", "was w");
    const auto lastYear = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(kept, lastYear);
    fs::last_write_time(edited, lastYear);
    // Written by its first row through a link; the second row names the same file and takes that result.
    const std::string written = f.write("written.txt", "w");
    fs::create_symlink(written, f.path("link"));
    f.execute({kept, edited, changed, f.path("link"), f.path("link")}, {"w"}, {"W"});
    ASSERT_NE(fs::last_write_time(kept), lastYear)
        << "a run gives every file it went over the time of a write";
    ASSERT_EQ(listRuns(f.journalFolder).at(0).changed, 4u);
    f.write("edited.txt", "edited");
    f.write("changed.txt", "edited by hand");

    const UndoResult undone = undoNewestRun(f.journalFolder);

    EXPECT_EQ(undone.restored, 2u);
    EXPECT_EQ(readBytes(written), "w");
    EXPECT_EQ(fs::last_write_time(kept), lastYear);
    EXPECT_EQ(readBytes(kept), "nothing to find");
    EXPECT_EQ(readBytes(changed), "edited by hand");
    ASSERT_EQ(undone.left.size(), 2u);
    EXPECT_EQ(undone.left[1].path, edited);
    EXPECT_EQ(firstLeft(undone), fs::canonical(changed).string() + ": changed since the run");
    EXPECT_EQ(readBytes(undone.left[0].keptIn), "was w") << "the old contents stay for the user";
    EXPECT_TRUE(undone.run.undone);
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

        EXPECT_EQ(undoNewestRun(f.journalFolder).restored, 1u) << linked;
        expectUndone(f.journalFolder, 1, linked ? "linked" : "");
        EXPECT_EQ(readBytes(file), "one two");
        EXPECT_EQ(fs::last_write_time(file), lastYear) << linked;
    }
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

    expectUndone(f.journalFolder, 1, "");
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

    testing::UndoNotice notice;
    const std::string c = f.write("c.txt", "0123456789");
    const RunResult large = f.execute({a, b, c}, {"3"}, {"D"}, ReplaceMode::Contents, true, kBound, &notice);

    EXPECT_EQ(readBytes(a), "A1CD456789") << "it runs all the same";
    EXPECT_TRUE(notice.beforeAnyRow);
    EXPECT_EQ(notice.reason, large.notUndoable);
    EXPECT_EQ(large.notUndoable,
              "it could change 30 bytes of files, more than the 25 bytes that are kept for undo");
    ASSERT_EQ(listRuns(f.journalFolder).size(), 2u) << "nothing of it is kept, and the older runs stay";
    EXPECT_EQ(undoNewestRun(f.journalFolder).left.size(), 1u) << "what it changed is left as changed since";
    EXPECT_EQ(f.execute({c, c}, {"0"}, {"x"}, ReplaceMode::Contents, true, 10).notUndoable, "")
        << "a file named twice counts once";
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

// The plan of a names run as the journal hears it, with a file renamed in a folder that is renamed after it
// and a cycle of three between them. Made one by one as a run makes them, then cut short after each count.
TEST(Undo, a_names_run_cut_after_any_rename_is_cleared_up_and_undone_to_the_old_names) {
    Fixture f;
    f.dir.writeTree({"files/x", "x", "files/p", "p", "files/q", "q", "files/r", "r", "files/d/f", "d/f"});
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
            expectUndone(f.journalFolder, cut - (cycleCut ? cut - 2 : cut >= 6 ? 1 : 0), std::to_string(cut));
        }
        EXPECT_EQ(treeOf(f.files), before) << cut;
        fs::remove_all(f.journalFolder);
    }
}

// A cycle that breaks off is taken back by the run: what it renamed and renamed back is no change to undo.
TEST(Undo, a_cycle_the_run_took_back_leaves_no_run_to_undo) {
    Fixture f;
    f.named({"p", "q"});
    const std::string aside = platform::asidePathFor(f.path("p"));
    const std::string p = f.path("p");
    const std::string q = f.path("q");
    {
        RunJournal journal(f.journalFolder, RunHeading{true, {"a"}, {"b"}, 2});
        ASSERT_TRUE(journal.renamesPlanned({{p, aside, f.files}, {q, p, {}}, {aside, q, {}}}).empty());
        for (const auto& [from, to] :
             {std::pair{p, aside}, std::pair{q, p}, std::pair{p, q}, std::pair{aside, p}}) {
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

    expectUndone(f.journalFolder, 2, "");
    EXPECT_EQ(treeOf(f.files),
              (std::map<std::string, std::string>{{"stays", "stays"}, {"x", "was x"}, {"y", "was y"}}));
}

// What the clear-up did, a letter for each action: P put back, T temporary removed, A put back from aside,
// R run interrupted, U undo interrupted, ? anything else.
std::string actionsOf(const std::vector<LeftoverNote>& notes) {
    const std::map<LeftoverAction, char> letters{{LeftoverAction::PutBack, 'P'},
                                                 {LeftoverAction::TemporaryRemoved, 'T'},
                                                 {LeftoverAction::AsidePutBack, 'A'},
                                                 {LeftoverAction::RunInterrupted, 'R'},
                                                 {LeftoverAction::UndoInterrupted, 'U'}};
    std::string text;
    for (const LeftoverNote& note : notes) {
        text += letters.contains(note.action) ? letters.at(note.action) : '?';
    }
    return text;
}

// Clears up after a kill, which the clear-up reports once with the `actions`; undo then puts back `restored`
// files or names and leaves the files as they were in `before`.
void expectClearedAndUndone(const Fixture& f, const std::map<std::string, std::string>& before,
                            const std::string& actions, std::size_t restored, const std::string& where) {
    EXPECT_EQ(actionsOf(clearLeftovers(f.journalFolder, {})), actions) << where;
    EXPECT_TRUE(clearLeftovers(f.journalFolder, {}).empty()) << where << ": said once";
    expectUndone(f.journalFolder, restored, where);
    EXPECT_EQ(treeOf(f.files), before) << where;
}

// A file of 20 MiB with a second name, which is rewritten in place.
std::vector<std::string> linkedBigFile(const Fixture& f) {
    const std::string file = f.write("big.txt", std::string(20 << 20, 'o'));
    fs::create_hard_link(file, f.path("link.txt"));
    return {file};
}

// A point a run or an undo is killed at: the files it goes over, the run made before an undo is killed, what
// the process does until it is killed, what the clear-up then reports and what undo puts back.
struct KillPoint {
    const char* name;
    std::function<std::vector<std::string>(const Fixture&)> files;
    std::function<void(const Fixture&, const std::vector<std::string>&)> run;
    std::function<void(const Fixture&, const std::vector<std::string>&)> killed;
    std::string actions; // as actionsOf gives them
    std::size_t restored;
};

RunResult runOld(const Fixture& f, const std::vector<std::string>& paths,
                 ReplaceMode mode = ReplaceMode::Contents, RunObserver* observer = nullptr) {
    return f.execute(paths, {"old"}, {"new"}, mode, true, kBytesKeptForUndo, observer);
}

KillPoint runKilledAfterTwoRows(ReplaceMode mode) {
    return {mode == ReplaceMode::Contents ? "a run after two rows" : "a names run after two rows",
            [](const Fixture& f) { return numbered(f.files, 4); },
            nullptr,
            [mode](const Fixture& f, const std::vector<std::string>& paths) {
                testing::KilledAfterRows killer(2);
                runOld(f, paths, mode, &killer);
            },
            "R",
            2};
}

// A batch's files are recorded, then renamed over their targets, then what each left is recorded: killed with
// some renamed and none of those lines written, the renamed ones are wholly new and still go back.
KillPoint batchKilledAfterRenaming(std::size_t renamed) {
    return {"a batch between its renames and their lines",
            [](const Fixture& f) { return numbered(f.files, 6); },
            nullptr,
            [renamed](const Fixture& f, const std::vector<std::string>& paths) {
                RunJournal journal(f.journalFolder, RunHeading{false, {"old"}, {"new"}, paths.size()});
                std::vector<PendingWrite> writes = preparedBatch(journal, paths);
                for (std::size_t i = 0; i < renamed; ++i) {
                    writes[i].replacement.place();
                }
                ::raise(SIGKILL); // before the journal closes
            },
            std::string(6 - renamed, 'T') + "R",
            renamed};
}

// A hard-linked file killed in its rewrite part way is put back by the clear-up; killed once the rewrite
// ended, it is new and undo puts it back.
KillPoint rewriteKilledAtStep(int step) {
    return {"a run in a rewrite in place",
            linkedBigFile,
            nullptr,
            [step](const Fixture& f, const std::vector<std::string>& paths) {
                RunJournal journal(f.journalFolder, RunHeading{false, {"o"}, {"n"}, 1});
                testing::KillingWriteJournal killer({.atStep = step, .atEnd = step == 0}, &journal);
                platform::replaceFileContents(paths[0], std::string(20 << 20, 'n'), nullptr, &killer);
            },
            step == 0 ? "R" : "PR",
            step == 0 ? 1u : 0u};
}

TEST(Undo, a_run_or_an_undo_killed_at_any_point_is_cleared_up_and_undone_completely) {
    const std::vector<KillPoint> points{
        runKilledAfterTwoRows(ReplaceMode::Contents),
        runKilledAfterTwoRows(ReplaceMode::FileNames),
        batchKilledAfterRenaming(0),
        batchKilledAfterRenaming(4),
        batchKilledAfterRenaming(6),
        rewriteKilledAtStep(2),
        rewriteKilledAtStep(0),
        // The files of the batch prepared before the 270th write have their temporary names beside them; what
        // the undo cut short put back counts as put back.
        {"an undo at its 270th write", [](const Fixture& f) { return numbered(f.files, 300); },
         [](const Fixture& f, const std::vector<std::string>& paths) { runOld(f, paths); },
         [](const Fixture& f, const std::vector<std::string>&) {
             testing::KillingWriteJournal killer({.atWrite = 270});
             undoNewestRun(f.journalFolder, &killer);
         },
         std::string(13, 'T') + "U", 300},
        {"an undo in a rewrite in place", linkedBigFile,
         [](const Fixture& f, const std::vector<std::string>& paths) { f.execute(paths, {"o"}, {"n"}); },
         [](const Fixture& f, const std::vector<std::string>&) {
             testing::KillingWriteJournal killer({.atStep = 2});
             undoNewestRun(f.journalFolder, &killer);
         },
         "PU", 1},
        // The undo took back new-d and began the swap, putting the entry now named b back aside: names it
        // put back and the cycle the clear-up takes back as a whole count as put back.
        {"an undo of names in a swap",
         [](const Fixture& f) {
             return f.named({"a", "b", "old-c", "old-d"});
         },
         [](const Fixture& f, const std::vector<std::string>& paths) {
             f.execute(paths, {"a", "b", "#", "old"}, {"#", "a", "b", "new"}, ReplaceMode::FileNames);
         },
         [](const Fixture& f, const std::vector<std::string>&) {
             const std::string journal = listRuns(f.journalFolder).at(0).journal;
             const std::optional<UndoRecord> record = readUndoRecord(readBytes(journal));
             for (const RecordedRename& rename : record->renames) {
                 if (rename.from == f.path("a")) {
                     platform::appendToFile(journal, "undo\tbegun\n");
                     platform::renameNoReplace(f.path("new-d"), f.path("old-d"));
                     platform::renameNoReplace(f.path("b"), rename.to);
                 }
             }
         },
         "AU", 4},
    };
    for (const KillPoint& point : points) {
        Fixture f;
        const std::vector<std::string> paths = point.files(f);
        const std::map<std::string, std::string> before = treeOf(f.files);
        if (point.run) {
            point.run(f, paths);
        }
        ASSERT_TRUE(testing::killedInChild([&] {
            point.killed(f, paths);
            ::raise(SIGKILL);
        })) << point.name;
        expectClearedAndUndone(f, before, point.actions, point.restored, point.name);
    }
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

TEST(Undo, a_run_killed_part_way_through_a_batch_leaves_each_file_old_or_new) {
    Fixture f;
    const std::vector<std::string> paths = numbered(f.files, 400);
    const std::map<std::string, std::string> before = treeOf(f.files);
    ASSERT_TRUE(testing::killedInChild([&] {
        KilledAtPercent killer(25);
        runOld(f, paths, ReplaceMode::Contents, &killer);
    }));
    EXPECT_TRUE(listRuns(f.journalFolder).empty()) << "a run not closed is not offered for undo";
    std::size_t changed = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string bytes = readBytes(paths[i]);
        ASSERT_TRUE(bytes == "old " + std::to_string(i) || bytes == "new " + std::to_string(i)) << bytes;
        EXPECT_TRUE(bytes[0] == 'o' || changed == i)
            << "the batches before the one prepared were done, none after";
        changed += bytes[0] == 'n' ? 1 : 0;
    }
    EXPECT_GT(changed, 0u);
    EXPECT_LT(changed, 100u);
    expectClearedAndUndone(f, before, std::string(hiddenCountIn(f.files), 'T') + "R", changed, "");
}

RunResult executeIn(const std::vector<std::string>& paths, const std::string& stateFolder) {
    fs::create_directories(stateFolder);
    return runPairs(
        {.finds = {"old"}, .replaces = {"new"}, .files = paths, .execute = true, .stateFolder = stateFolder});
}

const char* const kNeedsRoot = "a small disk of its own cannot be mounted here (the test must run as root)";

// On a full disk, undo links back each file whose old inode the run kept beside it. Copies kept in a state
// folder on another file system take room to put back: that undo fails, leaves no temporary file, stays to
// be undone and finishes when run again.
TEST(Undo, an_undo_on_a_full_disk_links_back_kept_files_and_finishes_copies_when_run_again) {
    for (const bool keptOnTheDisk : {true, false}) {
        Fixture f;
        testing::SmallDisk disk(keptOnTheDisk ? 2 << 20 : 1 << 20);
        if (!disk.mounted()) {
            GTEST_SKIP() << kNeedsRoot;
        }
        const std::string app = keptOnTheDisk ? disk.path() + "/app" : f.app;
        const std::vector<std::string> paths = numbered(disk.path() + "/files", 50, 8192);
        const std::uint64_t inode = platform::fileIdentity(paths[0]).inode;
        ASSERT_TRUE(executeIn(paths, app).failures.empty());
        disk.fill(4096);

        UndoResult undone = undoNewestRun(journalFolderIn(app));

        EXPECT_EQ(hiddenCountIn(disk.path() + "/files"), 0u) << "no temporary file stays";
        if (keptOnTheDisk) {
            EXPECT_TRUE(undone.failure.empty()) << undone.failure;
            EXPECT_EQ(platform::fileIdentity(paths[0]).inode, inode) << "the very file the run kept";
        } else {
            EXPECT_EQ(undone.restored, 0u);
            ASSERT_EQ(undone.left.size(), 50u);
            EXPECT_NE(undone.left[0].reason.find("No space left"), std::string::npos)
                << undone.left[0].reason;
            EXPECT_FALSE(undone.failure.empty());
            EXPECT_FALSE(undone.run.undone || listRuns(journalFolderIn(app)).at(0).undone);
            EXPECT_EQ(holding(paths, "new"), 50u);
            disk.unfill();
            undone = undoNewestRun(journalFolderIn(app));
        }
        EXPECT_EQ(undone.restored, 50u) << keptOnTheDisk;
        EXPECT_EQ(firstLeft(undone), "");
        EXPECT_TRUE(undone.run.undone);
        EXPECT_EQ(holding(paths, "old"), 50u);
        EXPECT_FALSE(undoNewestRun(journalFolderIn(app)).found);
    }
}

// A file rewritten in place whose old contents the journal cannot keep, for want of room, is not rewritten.
TEST(Undo, a_file_whose_old_contents_cannot_be_kept_for_undo_is_left_as_it_is) {
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << kNeedsRoot;
    }
    Fixture f;
    const std::string file = f.write("linked.txt", "old" + std::string(256 << 10, '.'));
    fs::create_hard_link(file, f.path("second name.txt"));
    disk.fill(32 << 10);
    const RunResult run = executeIn({file}, disk.path());
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_NE(run.failures[0].reason.find("cannot be kept for undo"), std::string::npos)
        << run.failures[0].reason;
    EXPECT_TRUE(readBytes(file).starts_with("old"));
}

// Before, the lines after a full disk's last change were lost, and the next clear-up removed the journal.
TEST(Undo, the_lines_after_a_change_find_room_on_a_disk_that_filled_up_meanwhile) {
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << kNeedsRoot;
    }
    const std::string journalFolder = journalFolderIn(disk.path());
    // Under a long folder name, so that their journal lines fill many blocks.
    const std::vector<std::string> paths = numbered(disk.path() + "/" + std::string(200, 'd'), 40, 10);
    {
        RunJournal journal(journalFolder, RunHeading{false, {"old"}, {"new"}, paths.size()});
        ASSERT_EQ(journal.begin(), "");
        std::vector<PendingWrite> writes = preparedBatch(journal, paths);
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
    expectUndone(journalFolder, paths.size(), "");
}

// A run that fills the disk part way: each file is old or new, the journal says which, and undo puts back
// the new ones, however the disk filled up.
TEST(Undo, a_run_on_a_disk_that_fills_up_part_way_keeps_its_journal_and_is_undone) {
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << kNeedsRoot;
    }
    const std::vector<std::string> paths = numbered(disk.path() + "/" + std::string(200, 'd'), 40, 16 << 10);
    disk.fill(40 << 12);
    const RunResult run = executeIn(paths, disk.path());

    const std::size_t changed = holding(paths, "new");
    EXPECT_GT(changed, 0u);
    EXPECT_EQ(run.failures.size(), paths.size() - changed) << "each file not changed is reported";
    EXPECT_EQ(run.notUndoable, "");
    const std::string journalFolder = journalFolderIn(disk.path());
    EXPECT_TRUE(clearLeftovers(journalFolder, {}).empty()) << "the run ended by itself";
    ASSERT_EQ(listRuns(journalFolder).size(), 1u) << "the clear-up keeps its journal";
    EXPECT_EQ(listRuns(journalFolder)[0].changed, changed);

    disk.unfill();
    expectUndone(journalFolder, changed, "");
    EXPECT_EQ(holding(paths, "old"), paths.size());
}

} // namespace
} // namespace morvane
