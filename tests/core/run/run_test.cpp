#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/platform_fs.h"
#include "core/run/run.h"
#include "core/text/occurrences.h"
#include "support/run_observers.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using testing::ChangeAfterTheFirstRead;
using testing::namesIn;
using testing::readBytes;
using testing::TempDir;

RunResult run(const Pairs& pairs, std::vector<std::string> files, bool execute = false,
              ReplaceMode mode = ReplaceMode::Contents, RunObserver* observer = nullptr,
              const std::atomic<bool>* cancel = nullptr) {
    RunRequest request;
    for (const auto& [find, replace] : pairs) {
        request.finds.push_back(find);
        request.replaces.push_back(replace);
    }
    request.files = std::move(files);
    request.mode = mode;
    request.execute = execute;
    return runPairs(request, observer, cancel);
}

TEST(RunCounting, ChainedPairsWorkOnTheEarlierResultAndSimulateWritesNothing) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "ab");
    // The safe write replaces the file by a new one, so an unchanged inode proves that it was not written.
    const auto before = platform::fileIdentity(file).inode;
    const RunResult simulated = run({{"a", "b"}, {"b", "c"}}, {file});
    EXPECT_EQ(simulated.rows[0].count, 3);
    EXPECT_EQ(simulated.status, StatusKind::Pending);
    EXPECT_EQ(platform::fileIdentity(file).inode, before);

    const RunResult executed = run({{"a", "b"}, {"b", "c"}}, {file}, true);
    EXPECT_EQ(executed.total, 3);
    EXPECT_EQ(executed.status, StatusKind::Done);
    EXPECT_EQ(readBytes(file), "cc");
}

// A simulate run only counts a pair whose replacement no later pair can tell from its find text; one that
// takes away or makes what a later pair finds is still applied.
TEST(RunCounting, only_counted_pair_never_hides_what_it_takes_away_or_makes) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "abc abd");
    EXPECT_EQ(run({{"ab", "x"}, {"bc", "y"}, {"d", "z"}}, {file}).total, 3); // ab takes the b of bc
    EXPECT_EQ(run({{"a", "b"}, {"bb", "c"}, {"d", "z"}}, {file}).total, 5);  // a makes bb
    EXPECT_EQ(run({{"c", "q"}, {"ab", "x"}, {"d", "z"}}, {file}).total, 4);  // independent
}

// With many pairs a run first finds which of them occur and skips the others; a pair whose find text only an
// earlier replacement makes occur (inside the inserted text, across its edge, or across a place where text
// was cut out) must still count and replace as the pairs one after the other do. Whether a replacement can
// make a later find text occur turns on how far the two overlap: by the shorter length less one, by a single
// byte at either edge of the insertion, wholly, or not at all. Each case runs with its own pairs and behind
// sixteen that never occur, over the bare text (scanned whole) and padded (scanned only around the
// replacements).
TEST(RunCounting, later_find_texts_that_earlier_replacements_make_occur_are_found) {
    const std::vector<std::pair<std::string, Pairs>> cases{
        {"ab", {{"b", "c"}, {"ac", "X"}}},
        {"axb", {{"x", ""}, {"ab", "Y"}}},
        {"stat", {{"t", "tus"}, {"status", "S"}, {"S", "SS"}}},
        {"aaa", {{"a", "aa"}, {"aaaa", "b"}, {"b", "a"}, {"aaa", "c"}}},
        {"ab.ab", {{"b", "xy"}, {"a", "w"}, {"wx", "V"}, {"y.w", "-"}}},
        {"hello world", {{"o w", "o_w"}, {"hello_world", "H"}, {"never", "x"}}},
        {"abw", {{"ab", "xyz"}, {"yzw", "Q"}}},    // its end, by two bytes of three
        {"wab", {{"ab", "xyz"}, {"wxy", "Q"}}},    // its start, by two bytes of three
        {"wxab", {{"ab", "yzz"}, {"wxy", "Q"}}},   // its start, by one byte
        {"abxy", {{"ab", "zzw"}, {"wxy", "Q"}}},   // its end, by one byte
        {"ab", {{"ab", "xyz"}, {"yz", "Q"}}},      // wholly
        {"ab qrs", {{"ab", "xyz"}, {"qrs", "Q"}}}, // not at all
    };
    Pairs never;
    for (int i = 0; i < 16; ++i) {
        never.emplace_back("never" + std::to_string(i), "q");
    }
    const std::string padding(200, '.');
    for (const auto& [bare, active] : cases) {
        Pairs many = never;
        many.insert(many.end(), active.begin(), active.end());
        for (const Pairs& pairs : {active, many}) {
            for (const std::string& text : {bare, padding + bare + padding}) {
                std::int64_t expectedCount = 0;
                std::string expectedText = text;
                for (const auto& [find, replace] : pairs) {
                    expectedCount += countOccurrences(expectedText, find);
                    expectedText = replaceAllOccurrences(expectedText, find, replace);
                }
                TempDir dir;
                const std::string file = dir.write("f.txt", text);
                EXPECT_EQ(run(pairs, {file}).total, expectedCount) << bare << pairs.size();
                EXPECT_EQ(run(pairs, {file}, true).total, expectedCount) << bare << pairs.size();
                EXPECT_EQ(readBytes(file), expectedText) << bare << pairs.size();
            }
        }
    }
}

TEST(RunCounting, NotationIsExpandedAndLineFeedsAloneAreNoLineBreak) {
    TempDir dir;
    const std::string crlf = dir.write("crlf.txt", "a\r\nb\r\n");
    const std::string lf = dir.write("lf.txt", "a\nb\n");
    const RunResult result = run({{"^p", "^t"}}, {crlf, lf}, true);
    EXPECT_EQ(result.rows[0].count, 2);
    EXPECT_EQ(result.rows[1].count, 0);
    EXPECT_EQ(readBytes(crlf), "a\tb\t");
}

TEST(RunCounting,
     rows_naming_one_file_by_links_take_its_one_result_in_a_batch_and_in_the_one_read_meanwhile) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "x");
    fs::create_symlink(file, dir.file("symbolic"));
    fs::create_hard_link(file, dir.file("hard"));
    std::vector<std::string> files;
    for (int i = 0; i < 800; ++i) {
        files.push_back(dir.write("other" + std::to_string(i), "x"));
    }
    // Rows 20 and 21 fall in one batch; row 400 in a full one, and row 600 in the next, which the workers
    // read while the one before is committed.
    files.insert(files.begin() + 20, {file, dir.file("symbolic")});
    files.insert(files.begin() + 400, dir.file("hard"));
    files.insert(files.begin() + 600, dir.file("symbolic"));
    RunRequest request{.finds = {"x"}, .replaces = {"xx"}, .files = files, .execute = true, .workers = 4};
    const RunResult result = runPairs(request);
    ASSERT_TRUE(result.failures.empty());
    for (const std::size_t row : {20, 21, 400, 600}) {
        EXPECT_EQ(result.rows[row].count, 1) << row;
    }
    EXPECT_EQ(readBytes(file), "xx");
    EXPECT_EQ(readBytes(files.back()), "xx");
}

TEST(RunCounting, WorkersDeliverTheRowsOfOneThreadInListOrder) {
    TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) {
        files.push_back(i % 7 == 3 ? dir.file("missing")
                                   : dir.write(std::to_string(i), std::string(i, 'a') + "b"));
        // Files too large for two workers to hold at once wait for each other's turn.
        if (i == 6 || i == 19) {
            fs::resize_file(files.back(), (std::uintmax_t{65} << 20) + static_cast<std::uintmax_t>(i));
        }
    }
    RunRequest request{.finds = {"a", "ab"}, .replaces = {"b", "bb"}, .files = files, .workers = 1};
    const RunResult alone = runPairs(request);
    request.workers = 4;
    const RunResult spread = runPairs(request);
    ASSERT_EQ(spread.rows.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(spread.rows[i].count, alone.rows[i].count) << i;
        EXPECT_EQ(spread.rows[i].skipped, alone.rows[i].skipped) << i;
    }
    EXPECT_EQ(spread.total, alone.total);
}

TEST(RunSkipping, EmptyMissingAndFolderRowsKeepZero) {
    TempDir dir;
    const RunResult result =
        run({{"a", "b"}}, {"", dir.file("gone.txt"), dir.makeFolder("a-folder"), dir.write("a.txt", "a")});
    ASSERT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(result.rows[0].skipped, SkipReason::EmptyPath);
    EXPECT_EQ(result.rows[1].skipped, SkipReason::Missing);
    EXPECT_EQ(result.rows[2].skipped, SkipReason::Folder);
    EXPECT_EQ(result.rows[3].skipped, SkipReason::None);
    EXPECT_EQ(result.rows[2].count, 0);
    EXPECT_EQ(result.total, 1);
}

TEST(RunSkipping, EmptyFindTextsAndAnEmptyPairListCauseNoWrite) {
    TempDir dir;
    const std::string file = dir.write("f.txt", "abc");
    const auto before = platform::fileIdentity(file).inode;
    for (const Pairs& pairs : {Pairs{{"", "x"}, {"", "abc"}}, Pairs{}}) {
        const RunResult result = run(pairs, {file}, true);
        EXPECT_EQ(result.rows[0].count, 0);
        EXPECT_FALSE(result.status.has_value());
    }
    EXPECT_EQ(platform::fileIdentity(file).inode, before);
}

// Files no pair changes, or the pairs put back as they were, whole or streamed in blocks small enough that
// occurrences cross their edges: none is replaced by a new file or kept for undo, all take the time of a
// write, and undo gives that time back.
TEST(RunContents, file_no_pair_changes_is_not_rewritten_but_takes_a_new_modification_time) {
    for (const bool streamed : {false, true}) {
        TempDir dir;
        const std::string app = dir.makeFolder("app");
        const std::vector<std::string> files{dir.write("none.txt", "qqq"), dir.write("cancel.txt", "abba"),
                                             dir.write("same.txt", "eve"), dir.write("match.txt", "foo")};
        const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
        std::vector<std::uint64_t> before;
        for (const std::string& path : files) {
            fs::last_write_time(path, longAgo);
            before.push_back(platform::fileIdentity(path).inode);
        }
        RunRequest request{.finds = {"a", "X", "e", "o"},
                           .replaces = {"X", "a", "e", "0"},
                           .files = files,
                           .execute = true,
                           .stateFolder = app};
        if (streamed) {
            request.streamedFileBytes = 0;
            request.streamBlockBytes = 3;
        }
        const RunResult result = runPairs(request);
        EXPECT_TRUE(result.failures.empty());
        EXPECT_EQ(result.total, 4 + 2 + 2) << streamed;
        const std::vector<std::string> expected{"qqq", "abba", "eve", "f00"};
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_GT(fs::last_write_time(files[i]), longAgo + std::chrono::hours(1)) << files[i];
            EXPECT_EQ(readBytes(files[i]), expected[i]);
            EXPECT_EQ(platform::fileIdentity(files[i]).inode == before[i], i < 3) << files[i] << streamed;
        }
        EXPECT_EQ(namesIn(dir.path()).size(), 5u) << "no temporary file or backup may be left";
        const std::vector<JournaledRun> runs = listRuns(journalFolderIn(app));
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(namesIn(keptFolderOf(runs[0].journal)).size(), 1u) << "only the changed file is kept";
        EXPECT_EQ(undoNewestRun(journalFolderIn(app)).restored, 4u);
        EXPECT_EQ(fs::last_write_time(files[1]), longAgo) << "undo gives back its time";
        EXPECT_EQ(readBytes(files[3]), "foo");
    }
}

TEST(RunContents, file_without_a_match_changed_after_the_read_is_left_as_the_other_program_wrote_it) {
    TempDir dir;
    const std::string file = dir.write("none.txt", "qqq");
    const std::string other = dir.write("other.txt", "qqq");
    ChangeAfterTheFirstRead observer;
    observer.change = [&] { std::ofstream(file, std::ios::app) << "theirs"; };
    const RunResult result = run({{"zz", "y"}}, {file, other}, true, ReplaceMode::Contents, &observer);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].path, file);
    EXPECT_EQ(readBytes(file), "qqqtheirs");
}

// Batches grow 1, 1, 2, 4 files: with one file in each of eight folders, each batch flushes several
// folders, and a folder left out of any batch's flush shows in the count.
TEST(RunContents, each_new_file_and_each_folder_it_is_renamed_in_is_flushed) {
    TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i) {
        dir.makeFolder("d" + std::to_string(i));
        files.push_back(dir.write("d" + std::to_string(i) + "/f.txt", "a"));
    }
    const platform::FlushCounts before = platform::flushCounts();
    ASSERT_TRUE(run({{"a", "b"}}, files, true).failures.empty());
    const platform::FlushCounts after = platform::flushCounts();
    EXPECT_EQ(after.files - before.files, 8u);
    EXPECT_EQ(after.folders - before.folders, 8u);
}

// A names run over a small tree, "/" ending a folder's name. Each row expects "count path-afterwards", with
// paths inside the test's folder ("/" alone is the root); `after` names what then exists, "-" what is gone.
struct NamesCase {
    std::vector<std::string> tree;
    Pairs pairs;
    std::vector<std::string> rows;
    std::vector<std::string> expected;
    std::vector<std::string> after;
};

TEST(RunNames, EachRowIsRenamedOnceOrLeftAsItIs) {
    for (const NamesCase& c : std::vector<NamesCase>{
             // the pairs chain on the final name
             {{"a.old"}, {{"old", "new"}, {"new", "newer"}}, {"a.old"}, {"2 a.newer"}, {"a.newer", "-a.old"}},
             // a folder is renamed, but a path's folder part is never matched
             {{"d/", "d/d.txt"}, {{"d", "e"}}, {"d"}, {"1 e"}, {"e/d.txt", "-d"}},
             {{"d/", "d/x"}, {{"d", "z"}}, {"d/x"}, {"0 d/x"}, {"d/x"}},
             // renamed to the name it has: a success that changes nothing
             {{"a.txt"}, {{"a", "a"}}, {"a.txt"}, {"1 a.txt"}, {"a.txt"}},
             // trailing separators stay on the path, renamed or not
             {{"d/"}, {{"x", "y"}}, {"d/"}, {"0 d/"}, {"d"}},
             {{"d/", "d/x"}, {{"d", "e"}}, {"d//"}, {"1 e//"}, {"e/x", "-d"}},
             // names the pairs leave alone are never refused
             {{"a.txt"}, {{"q", "r"}}, {".", "/", "a.txt"}, {"0 .", "0 /", "0 a.txt"}, {"a.txt"}},
             // a second spelling of a renamed entry reports the first one's rename
             {{"a.txt", "sub/"},
              {{"a", "b"}},
              {"a.txt", "sub/../a.txt"},
              {"1 b.txt", "1 sub/../b.txt"},
              {"-a.txt"}},
         }) {
        TempDir dir;
        for (const std::string& entry : c.tree) {
            entry.ends_with('/') ? (void)dir.makeFolder(entry) : (void)dir.write(entry, "x");
        }
        const auto inDir = [&](const std::string& path) { return path == "/" ? path : dir.file(path); };
        std::vector<std::string> rows;
        std::transform(c.rows.begin(), c.rows.end(), std::back_inserter(rows), inDir);
        const std::string label = rows[0];

        const RunResult simulated = run(c.pairs, rows, false, ReplaceMode::FileNames);
        const RunResult executed = run(c.pairs, rows, true, ReplaceMode::FileNames);

        EXPECT_TRUE(executed.failures.empty()) << label << ": " << executed.failures[0].reason;
        std::vector<std::string> seen;
        std::vector<std::string> expected;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const std::string& want = c.expected[row];
            expected.push_back(want.substr(0, 2) + inDir(want.substr(2)));
            seen.push_back(std::to_string(executed.rows[row].count) + " " + executed.rows[row].path);
            EXPECT_EQ(simulated.rows[row].count, executed.rows[row].count) << label;
            EXPECT_EQ(executed.rows[row].renamed, executed.rows[row].path != rows[row]) << label;
        }
        EXPECT_EQ(seen, expected);
        for (const std::string& path : c.after) {
            EXPECT_EQ(fs::exists(dir.file(path.substr(path.starts_with('-')))), !path.starts_with('-'))
                << path;
        }
    }
}

struct RecordingObserver : RunObserver {
    std::vector<int> draws;
    std::vector<std::size_t> rows;
    void progress(int percent) override { draws.push_back(percent); }
    void rowDone(std::size_t row, const RowResult&, std::int64_t, std::optional<StatusKind>) override {
        rows.push_back(row);
    }
};

TEST(RunProgress, DrawsBeforeEachPairOfProcessedFilesThenFull) {
    TempDir dir;
    RecordingObserver observer;
    run({{"x", "y"}, {"", ""}}, {dir.write("a.txt", "x"), "", dir.write("b.txt", "x")}, false,
        ReplaceMode::Contents, &observer);
    EXPECT_EQ(observer.draws, (std::vector<int>{17, 33, 50, 100, 100}));
    EXPECT_EQ(observer.rows, (std::vector<std::size_t>{0, 1, 2}));

    RecordingObserver empty;
    EXPECT_FALSE(run({{"a", "b"}}, {}, false, ReplaceMode::Contents, &empty).status.has_value());
    EXPECT_EQ(empty.draws, std::vector<int>{100});
}

TEST(RunMismatch, DifferentColumnLengthsEndTheRunAtOnce) {
    RunRequest request{.finds = {"a", "b"}, .replaces = {"x"}, .files = {"/nonexistent"}};
    RecordingObserver observer;
    const RunResult result = runPairs(request, &observer);
    EXPECT_TRUE(result.mismatch);
    EXPECT_EQ(mismatchText("Wrong:", result.findsUbound, result.replacesUbound), "Wrong:\r\n1\t0");
    EXPECT_TRUE(result.rows.empty());
    EXPECT_TRUE(observer.draws.empty());
}

TEST(RunCancellation, ACancelledExecuteRunWritesNothingMore) {
    TempDir dir;
    const std::string first = dir.write("a.txt", "x");
    const std::string second = dir.write("b.txt", "x");
    struct CancelAfterFirstRow : RunObserver {
        std::atomic<bool> cancel{false};
        void rowDone(std::size_t, const RowResult&, std::int64_t, std::optional<StatusKind>) override {
            cancel = true;
        }
    } observer;
    EXPECT_TRUE(run({{"x", "y"}}, {first, second}, true, ReplaceMode::Contents, &observer, &observer.cancel)
                    .cancelled);
    EXPECT_EQ(readBytes(first), "y");
    EXPECT_EQ(readBytes(second), "x");
}

TEST(StatusLine, IsTheMessageABlankAndTheTotal) {
    EXPECT_EQ(statusLine("Replacements pending:", 12), "Replacements pending: 12");
    EXPECT_EQ(statusLine("", 5'000'000'000), " 5000000000");
}

} // namespace
} // namespace morvane
