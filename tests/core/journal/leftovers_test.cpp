#include "core/journal/leftovers.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/held_file.h"
#include "core/platform/platform_fs.h"
#include "core/run/run.h"
#include "support/killed_child.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <unistd.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::namesIn;
using testing::readBytes;
using testing::TempDir;
using testing::treeOf;

// A hard-linked file is killed in its rewrite in place before its first byte, part way through its 20 MiB
// (and maybe changed since by someone else) or after its last, before the run removed its journal; then it
// is run over, and the run clears up first. A file wholly old or wholly new is kept as it is and its backup
// goes.
TEST(Leftovers, AnInterruptedRewriteIsPutBackByTheNextRunUnlessTheFileChangedSince) {
    enum class Since { Nothing, Appended, Replaced };
    const struct {
        int step; // 0: killed after the rewrite ended
        Since since;
        std::optional<LeftoverAction> action;
    } cases[] = {
        {1, Since::Nothing, LeftoverAction::RewriteNotBegun},
        {0, Since::Nothing, std::nullopt},
        {2, Since::Nothing, LeftoverAction::PutBack},
        {2, Since::Appended, LeftoverAction::BackupKept},
        {2, Since::Replaced, LeftoverAction::BackupKept},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string app = dir.makeFolder("app");
        const std::string old(c.step == 2 ? 20 << 20 : 3, 'o');
        dir.makeFolder("data");
        const std::string file = dir.write("data/big.txt", old);
        const std::string link = dir.file("data/link.txt");
        fs::create_hard_link(file, link);
        ASSERT_TRUE(testing::killedInChild([&] {
            RunJournal journal(journalFolderIn(app));
            testing::KillingWriteJournal killer({.atStep = c.step}, &journal);
            platform::replaceFileContents(file, std::string(old.size(), 'n'), nullptr, &killer);
            ::raise(SIGKILL);
        }));
        ASSERT_EQ(namesIn(journalFolderIn(app)).size(), 1u);
        ASSERT_EQ(namesIn(dir.file("data")).size(), c.step == 0 ? 2u : 3u)
            << "a backup until the rewrite ends";
        if (c.step == 2) {
            ASSERT_EQ(readBytes(file), std::string(8 << 20, 'n') + old.substr(8 << 20)) << "a half-new file";
        }
        if (c.since == Since::Appended) {
            std::ofstream(file, std::ios::app) << "theirs";
        } else if (c.since == Since::Replaced) {
            fs::remove(file);
            dir.write("data/big.txt", "theirs");
        }
        const std::string before = readBytes(file);

        const RunResult result = runPairs({.finds = {"x"},
                                           .replaces = {"y"},
                                           .files = {link},
                                           .execute = true,
                                           .stateFolder = app,
                                           .keepForUndo = false});

        ASSERT_EQ(result.leftovers.size(), c.action ? 1u : 0u) << c.step;
        EXPECT_EQ(readBytes(file), c.action == LeftoverAction::PutBack ? old : before) << "not overwritten";
        if (c.since == Since::Nothing) {
            EXPECT_EQ(readBytes(link), readBytes(file)) << "the same file under every name";
            EXPECT_EQ(fs::hard_link_count(file), 2u);
            EXPECT_EQ(namesIn(dir.file("data")), (std::vector<std::string>{"big.txt", "link.txt"}));
        }
        if (c.action) {
            const LeftoverNote& note = result.leftovers[0];
            EXPECT_EQ(note.path, file);
            EXPECT_EQ(note.action, *c.action);
            EXPECT_EQ(needsAttention(note), c.since != Since::Nothing);
        }
        if (c.since != Since::Nothing) {
            EXPECT_EQ(readBytes(result.leftovers[0].keptIn), old) << "the old contents are kept";
            EXPECT_EQ(result.leftovers[0].keptIn.find("/."), std::string::npos) << "under a visible name";
        }
        EXPECT_FALSE(fs::exists(journalFolderIn(app))) << "the journal is gone once followed";
    }
}

// Without a journal, a folder's leftovers speak for themselves: a temporary file is removed, a backup of the
// same bytes as its file is not needed, and one that differs is kept under a visible name. An entry put aside
// by swapped names is never removed: it gets its own name back, or keeps a visible one when that was taken
// meanwhile.
TEST(Leftovers, LeftoversWithoutAJournalAreRemovedOrKeptVisibleAndReportedOnce) {
    TempDir dir;
    const std::string cut(231, 'n');
    dir.writeTree({"a.txt", "data", ".a.txt.morvane-k3j4h5g6f7", "new data", ".a.txt.morvane-old-k3j4h5g6f7",
                   "data", "c.txt", "half new", ".c.txt.morvane-old-k3j4h5g6f7", "old data",
                   // A backup whose file name was cut to fit cannot be matched to a file.
                   "." + cut + ".morvane-old-k3j4h5g6f7", "old",
                   // Not ours: other names, and a visible backup kept earlier.
                   ".a.txt.morvane-k3j4h5g6f", "x", ".a.txt.morvane-K3J4H5G6F7", "x",
                   "a.txt.morvane-old-k3j4h5g6f7", "x", ".a.txt.swp", "x",
                   ".d.morvane-aside-k3j4h5g6f7/inside", "kept", ".b.morvane-aside-k3j4h5g6f7", "was b", "b",
                   "was a",
                   // A hold nobody has is removed with its entry put back; a hold alone is only a mark.
                   ".f.morvane-aside-k3j4h5g6f7/", "", ".f.morvane-hold-k3j4h5g6f7", "",
                   ".e.morvane-hold-m1n2b3v4c5", ""});

    std::map<std::string, LeftoverAction> actions;
    for (const LeftoverNote& note : clearLeftovers({}, {dir.path()})) {
        actions[fs::path(note.path).filename().string()] = note.action;
        EXPECT_EQ(needsAttention(note),
                  note.action == LeftoverAction::BackupKept || note.action == LeftoverAction::AsideKept)
            << note.path;
    }

    EXPECT_EQ(actions, (std::map<std::string, LeftoverAction>{
                           {".a.txt.morvane-k3j4h5g6f7", LeftoverAction::TemporaryRemoved},
                           {"a.txt", LeftoverAction::RewriteNotBegun},
                           {"c.txt", LeftoverAction::BackupKept},
                           {"." + cut + ".morvane-old-k3j4h5g6f7", LeftoverAction::BackupKept},
                           {"b.morvane-aside-k3j4h5g6f7", LeftoverAction::AsideKept},
                           {"d", LeftoverAction::AsidePutBack},
                           {"f", LeftoverAction::AsidePutBack}}));
    EXPECT_EQ(treeOf(dir.path()),
              (std::map<std::string, std::string>{{"a.txt", "data"},
                                                  {"c.txt", "half new"},
                                                  {"c.txt.morvane-old-k3j4h5g6f7", "old data"},
                                                  {cut + ".morvane-old-k3j4h5g6f7", "old"},
                                                  {".a.txt.morvane-k3j4h5g6f", "x"},
                                                  {".a.txt.morvane-K3J4H5G6F7", "x"},
                                                  {"a.txt.morvane-old-k3j4h5g6f7", "x"},
                                                  {".a.txt.swp", "x"},
                                                  {"b", "was a"},
                                                  {"b.morvane-aside-k3j4h5g6f7", "was b"},
                                                  {"d", "/"},
                                                  {"d/inside", "kept"},
                                                  {"f", "/"}}));
    EXPECT_TRUE(clearLeftovers({}, {dir.path()}).empty()) << "reported once";
}

// Run A writes a temporary file, and swaps the folder a and the file b and is between its first rename and
// its second, when a clear-up and then run B, in the same folder before its own renames, come by.
TEST(Leftovers, what_a_live_run_holds_is_left_alone_by_a_clear_up_and_a_second_run) {
    TempDir dir;
    dir.writeTree({"a/inside", "was in a", "b", "was b", "c", "c"});
    const std::string journalFolder = dir.makeFolder("Undo");
    const std::string temporary = dir.write(".a.txt.morvane-k3j4h5g6f7", "new");
    platform::HeldFile writing = platform::HeldFile::take(temporary);
    ASSERT_TRUE(writing.held());
    RunJournal live(journalFolder);
    live.writingIn(dir.path());
    const std::string aside = platform::asidePathFor(dir.file("a"));
    platform::HeldFile hold = platform::HeldFile::holdAside(aside);
    ASSERT_TRUE(hold.held());
    EXPECT_FALSE(platform::HeldFile::holdAside(aside).held()) << "one hold per aside name";
    ASSERT_EQ(platform::renameNoReplace(dir.file("a"), aside), "");

    EXPECT_TRUE(clearLeftovers(journalFolder, {dir.path()}).empty());
    EXPECT_EQ(namesIn(journalFolder).size(), 1u) << "a live run's journal stays";
    const RunResult result = runPairs({.finds = {"c"},
                                       .replaces = {"d"},
                                       .files = {dir.file("c")},
                                       .mode = ReplaceMode::FileNames,
                                       .execute = true,
                                       .stateFolder = dir.makeFolder("app")});
    EXPECT_TRUE(result.failures.empty()) << result.failures.at(0).reason;
    EXPECT_TRUE(result.leftovers.empty()) << result.leftovers.at(0).path;
    EXPECT_TRUE(fs::exists(temporary));
    EXPECT_EQ(readBytes(aside + "/inside"), "was in a");
    EXPECT_EQ(readBytes(dir.file("b")), "was b");
    EXPECT_FALSE(fs::exists(dir.file("a")));
    EXPECT_TRUE(hold.remove()) << "the hold is run A's to remove";
}

// A journal of a run cut short, with one change whose old contents it kept, of exactly `size` bytes.
std::string cutJournalOfSize(const std::string& journalFolder, const std::string& file, std::size_t size) {
    fs::create_directories(journalFolder + "/run-1-1.kept");
    std::ofstream(journalFolder + "/run-1-1.kept/1") << "old";
    std::ofstream(file) << "new";
    const platform::FileIdentity left = platform::fileIdentity(file);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%llx", static_cast<unsigned long long>(contentHash("new")));
    const std::string lines = "keep\t" + file + "\t1\nleft\t" + file + "\t" + std::to_string(left.device) +
                              "\t" + std::to_string(left.inode) + "\t3\t" +
                              std::to_string(left.modifiedNanoseconds) + "\t" + hash + "\n";
    const std::string heading = "morvane-journal\t1\nrun\t1\tcontents\t1\npair\told\t";
    const std::string journal = journalFolder + "/run-1-1.journal";
    std::ofstream(journal) << heading << std::string(size - heading.size() - 5 - lines.size(), 'o')
                           << "\tnew\n"
                           << lines;
    return journal;
}

// Before, a journal whose ending could not be written was removed, with the only record of what to undo.
TEST(Leftovers, a_journal_the_clear_up_cannot_close_is_kept_until_it_can) {
    testing::SmallDisk disk(1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << "a small disk of its own cannot be mounted here (the test must run as root)";
    }
    const std::string journalFolder = journalFolderIn(disk.path());
    const std::string file = disk.path() + "/a.txt";
    // Its ending needs a block of its own, which a full disk does not have.
    const std::string journal = cutJournalOfSize(journalFolder, file, 8192);
    disk.fill();

    std::vector<LeftoverNote> notes = clearLeftovers(journalFolder, {});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].action, LeftoverAction::RunNotClosed);
    EXPECT_TRUE(needsAttention(notes[0]));
    EXPECT_EQ(fs::file_size(journal), 8192u) << "kept as it was";

    disk.unfill();
    notes = clearLeftovers(journalFolder, {});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].action, LeftoverAction::RunInterrupted);
    const UndoResult undone = undoNewestRun(journalFolder);
    EXPECT_EQ(undone.restored, 1u);
    EXPECT_EQ(readBytes(file), "old");
}

TEST(Leftovers, kept_contents_that_no_journal_names_are_dropped_and_reported) {
    TempDir dir;
    const std::string journalFolder = dir.makeFolder("Undo");
    const std::string named = cutJournalOfSize(journalFolder, dir.file("a.txt"), 400);
    fs::rename(named, journalFolder + "/run-2-2.journal");
    fs::rename(journalFolder + "/run-1-1.kept", journalFolder + "/run-2-2.kept");
    const std::string orphan = dir.file("Undo/run-3-3.kept");
    dir.writeTree({"Undo/run-3-3.kept/1", "old", "Undo/notes.kept/", ""});

    const std::vector<LeftoverNote> notes = clearLeftovers(journalFolder, {});

    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].action, LeftoverAction::RunInterrupted);
    EXPECT_EQ(notes[1].action, LeftoverAction::KeptDropped);
    EXPECT_EQ(notes[1].path, orphan);
    EXPECT_FALSE(needsAttention(notes[1]));
    EXPECT_EQ(namesIn(journalFolder),
              (std::vector<std::string>{"notes.kept", "run-2-2.journal", "run-2-2.kept"}));
}

TEST(RunJournalFormat, PathsWithAnyByteReadBackAndACutLastLineIsLeftOut) {
    TempDir dir;
    const std::string journalFolder = dir.makeFolder("Undo");
    const std::string odd = "/tmp/tab\there\nnew line\\back\x01\x7f\xC3\xA9";
    const platform::InPlaceRewrite rewrite{odd + "/f", odd + "/.f.morvane-old-k3j4h5g6f7",
                                           platform::FileIdentity{true, 1, 2, 3, 4}, "old", "newer"};
    std::string text;
    std::string afterTheEnd;
    {
        RunJournal journal(journalFolder);
        journal.writingIn(odd);
        ASSERT_EQ(journal.rewriteStarting(rewrite), "");
        text = readBytes(journalFolder + "/" + namesIn(journalFolder).at(0));
        journal.rewriteEnded(rewrite);
        afterTheEnd = readBytes(journalFolder + "/" + namesIn(journalFolder).at(0));
    }
    const std::optional<JournalRecord> record = readJournal(text);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->folders, std::vector<std::string>{odd});
    ASSERT_EQ(record->unfinished.size(), 1u);
    const RecordedRewrite& read = record->unfinished[0];
    EXPECT_EQ(read.target + "|" + read.backup, rewrite.target + "|" + rewrite.backup);
    EXPECT_EQ((std::vector<std::uint64_t>{read.device, read.inode, read.oldSize, read.oldHash, read.newSize,
                                          read.newHash}),
              (std::vector<std::uint64_t>{1, 2, 3, contentHash("old"), 5, contentHash("newer")}));

    EXPECT_TRUE(readJournal(afterTheEnd)->unfinished.empty()) << "an ended rewrite needs nothing";
    EXPECT_EQ(readJournal(text.substr(0, text.size() - 1))->unfinished.size(), 0u)
        << "a cut line is not read";
    EXPECT_FALSE(readJournal("morvane-journal\t3\n")) << "a later version's journal is left to it";
    EXPECT_TRUE(readJournal("morvane-jou")) << "a journal cut in its first line recorded nothing";
    EXPECT_FALSE(fs::exists(journalFolder)) << "an ended run leaves no journal";
}

// The clear-up passes over a journal whose last line ends it without reading the rest, so where that line
// alone says the journal ended, reading the whole journal must say so too.
TEST(RunJournalFormat, TheLastLineAloneTellsThatAJournalEnded) {
    const std::string head = "morvane-journal\t1\nfolder\t/x\n";
    const std::vector<std::pair<std::string, bool>> journals{
        {head + "finished\twhole\n", true},
        {head + "finished\twhole", false}, // cut in its last line
        {head + "finished\twhole\nundo\tbegun\n", false},
        {head + "undo\tbegun\nundone\n", true},
        {head + "undo\tbegun\nundo\tstopped\n", true},
        {head + "finished\twhole\nfolder\t/y\n", false}, // ended, but only the whole journal tells
        {head, false},
    };
    for (const auto& [text, toldByLastLine] : journals) {
        SCOPED_TRACE(text);
        EXPECT_EQ(endsJournal(text), toldByLastLine);
        if (toldByLastLine) {
            EXPECT_TRUE(readJournal(text)->ended);
        }
    }
    EXPECT_FALSE(endsJournal("finished\twhole\n")) << "a tail that begins inside its last line does not tell";
}

} // namespace
} // namespace morvane
