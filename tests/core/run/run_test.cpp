#include "core/journal/run_journal.h"
#include "core/platform/platform_fs.h"
#include "core/run/pair_plan.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using testing::namesIn;
using testing::readBytes;
using testing::TempDir;

RunResult run(const Pairs& pairs, std::vector<std::string> files, bool execute = false,
              ReplaceMode mode = ReplaceMode::Contents, const PairOptionsList& options = {}) {
    RunRequest request{.finds = {},
                       .replaces = {},
                       .options = options,
                       .files = std::move(files),
                       .mode = mode,
                       .execute = execute};
    for (const auto& [find, replace] : pairs) {
        request.finds.push_back(find);
        request.replaces.push_back(replace);
    }
    return runPairs(request);
}

constexpr PairOptions kFold{true, false, false};
constexpr PairOptions kWord{false, true, false};

struct Chain {
    std::string text;
    Pairs pairs;
    std::string expected;
    std::int64_t count;
    PairOptionsList options{};
};

// Each pair reads what the pairs before it left: occurrences they took are gone, and those their replacements
// or cuts made are there, however they came about. With many pairs a run first finds which of them occur and
// skips the others, or finds them all in one scan; a pair whose find text only an earlier replacement makes
// occur (inside the inserted text, across its edge, or across a place where text was cut out) must still
// count and replace. Whether a replacement can make a later find text occur turns on how far the two
// overlap: by the shorter length less one, by a single byte at either edge of the insertion, wholly, or not
// at all. A pair with options reads the text the plain pairs before it left, and the plain pairs after it
// read what it left. Each case runs with its own pairs and between sixteen that never occur on each side,
// over the bare text (scanned whole) and padded (scanned only around the replacements). A simulate run only
// counts its last pair, but still applies one that takes away or makes what a later pair finds.
TEST(RunCounting, later_find_texts_that_earlier_replacements_make_occur_are_found) {
    const std::vector<Chain> cases{
        {"ab", {{"b", "c"}, {"ac", "X"}}, "X", 2},
        {"axb", {{"x", ""}, {"ab", "Y"}}, "Y", 2},
        {"stat", {{"t", "tus"}, {"status", "S"}, {"S", "SS"}}, "stusatus", 2},
        {"aaa", {{"a", "aa"}, {"aaaa", "b"}, {"b", "a"}, {"aaa", "c"}}, "c", 8},
        {"ab.ab", {{"b", "xy"}, {"a", "w"}, {"wx", "V"}, {"y.w", "-"}}, "Vy.Vy", 6},
        {"hello world", {{"o w", "o_w"}, {"hello_world", "H"}, {"never", "x"}}, "H", 2},
        {"abw", {{"ab", "xyz"}, {"yzw", "Q"}}, "xQ", 2},       // its end, by two bytes of three
        {"wab", {{"ab", "xyz"}, {"wxy", "Q"}}, "Qz", 2},       // its start, by two bytes of three
        {"wxab", {{"ab", "yzz"}, {"wxy", "Q"}}, "Qzz", 2},     // its start, by one byte
        {"abxy", {{"ab", "zzw"}, {"wxy", "Q"}}, "zzQ", 2},     // its end, by one byte
        {"ab", {{"ab", "xyz"}, {"yz", "Q"}}, "xQ", 2},         // wholly
        {"ab qrs", {{"ab", "xyz"}, {"qrs", "Q"}}, "xyz Q", 2}, // not at all
        {"abc abd", {{"ab", "x"}, {"bc", "y"}, {"d", "z"}}, "xc xz", 3},
        {"abc abd", {{"a", "b"}, {"bb", "c"}, {"d", "z"}}, "cc cz", 5},
        {"abc abd", {{"c", "q"}, {"ab", "x"}, {"d", "z"}}, "xq xz", 4},
        {"abc", {{"ab", "X"}, {"bc", "Y"}}, "Xc", 1},            // taken by an earlier pair
        {"ab", {{"a", "b"}, {"bb", "c"}}, "c", 2},               // made by an insertion
        {"aaa", {{"aa", "b"}, {"q", "r"}}, "ba", 2},             // overlapping ones counted
        {"ab", {{"a", "x"}, {"b", "y"}, {"xy", "!"}}, "!", 3},   // made across two replacements
        {"abcd", {{"a", "c"}, {"bc", ""}, {"cd", "Q"}}, "Q", 3}, // made, cut and made again
        {"ab", {{"ab", "ab"}, {"b", "c"}}, "ac", 2},             // kept as it is
        {"Foo foo FOO", {{"Foo", "x"}, {"foo", "y"}, {"x", "z"}}, "z y y", 4, {{}, kFold}},
        // made by a replacement, reaching past it in another case
        {"xA", {{"x", "b"}, {"ba", "!"}}, "!", 2, {{}, kFold}},
        // a word made or unmade by a new neighbour
        {"foo_x foox", {{"_", " "}, {"foo", "bar"}}, "bar x foox", 2, {{}, kWord}},
        {"foo-", {{"-", "a"}, {"foo", "bar"}}, "fooa", 1, {{}, kWord}},
        // a space above ASCII, a word's end in UTF-8 and a letter's byte elsewhere, in a text a cut made
        // UTF-8
        {"\xC3X f\xC2\xA0", {{"\xC3X", ""}, {"f", "g"}}, " g\xC2\xA0", 2, {{}, kWord}},
        // a Kelvin sign, which folds to k
        {"x k", {{"x", "\xE2\x84\xAA"}, {"k", "!"}}, "! !", 3, {{}, kFold}},
    };
    Pairs never;
    for (int i = 0; i < 16; ++i) {
        never.emplace_back("never" + std::to_string(i), "q");
    }
    const std::string padding(200, '.');
    for (const Chain& c : cases) {
        Pairs many = never;
        many.insert(many.end(), c.pairs.begin(), c.pairs.end());
        many.insert(many.end(), never.begin(), never.end());
        PairOptionsList manyOptions(never.size());
        manyOptions.insert(manyOptions.end(), c.options.begin(), c.options.end());
        for (const auto& [pairs, options] : {std::pair{c.pairs, c.options}, std::pair{many, manyOptions}}) {
            for (const std::string& pad : {std::string(), padding}) {
                SCOPED_TRACE(c.text + " with " + std::to_string(pairs.size()) + " pairs" +
                             (pad.empty() ? "" : ", padded"));
                TempDir dir;
                const std::string file = dir.write("f.txt", pad + c.text + pad);
                const RunResult simulated = run(pairs, {file}, false, ReplaceMode::Contents, options);
                EXPECT_EQ(simulated.total, c.count);
                EXPECT_EQ(simulated.status, StatusKind::Pending);
                ASSERT_EQ(readBytes(file), pad + c.text + pad) << "simulate writes nothing";
                EXPECT_EQ(run(pairs, {file}, true, ReplaceMode::Contents, options).total, c.count);
                EXPECT_EQ(readBytes(file), pad + c.expected + pad);
            }
        }
    }
    // Behind sixteen pairs the run takes the one scan, whatever options the pairs have.
    RunRequest request{.finds = {}, .replaces = {}, .options = {kFold, kWord}, .files = {}};
    for (const auto& [find, replace] : never) {
        request.finds.push_back(find);
        request.replaces.push_back(replace);
    }
    EXPECT_TRUE(Plan(request, request.finds, request.replaces).literalScan.has_value());
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
// occurrences cross their edges: none is replaced by a new file or kept for undo, and all take the time of
// a write.
TEST(RunContents, file_no_pair_changes_is_not_rewritten_but_takes_a_new_modification_time) {
    for (const std::uint64_t streamedFileBytes : {kStreamedFileBytes, std::uint64_t{0}}) {
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
        const RunResult result = runPairs(RunRequest{.finds = {"a", "X", "e", "o"},
                                                     .replaces = {"X", "a", "e", "0"},
                                                     .files = files,
                                                     .execute = true,
                                                     .stateFolder = app,
                                                     .streamedFileBytes = streamedFileBytes,
                                                     .streamBlockBytes = 3});
        EXPECT_TRUE(result.failures.empty());
        EXPECT_EQ(result.total, 4 + 2 + 2);
        EXPECT_EQ(readBytes(files[3]), "f00");
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_GT(fs::last_write_time(files[i]), longAgo + std::chrono::hours(1)) << files[i];
            EXPECT_EQ(platform::fileIdentity(files[i]).inode == before[i], i < 3)
                << files[i] << streamedFileBytes;
        }
        EXPECT_EQ(namesIn(dir.path()).size(), 5u) << "no temporary file or backup may be left";
        const std::vector<JournaledRun> runs = listRuns(journalFolderIn(app));
        EXPECT_EQ(namesIn(keptFolderOf(runs.at(0).journal)).size(), 1u) << "only the changed file is kept";
    }
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

// A streamed file's ranges are counted for all pairs at once in parts of about a mebibyte, each ending after
// a byte no find holds: the parts add up to what the text read whole counts.
TEST(RunContents, streamed_file_counted_in_one_scan_counts_what_the_whole_text_counts) {
    TempDir dir;
    std::string text;
    while (text.size() < (std::size_t{6} << 20)) {
        text += "the THE aa; 7\n"; // occurrences on both sides of each space, the one byte a part can end at
    }
    RunRequest request{.finds = {"the", "THE", "aa", "a;", "7\n"},
                       .replaces = {"THE", "the", "b", ";a", "x"},
                       .files = {dir.write("large.txt", text)}};
    // Pairs that occur nowhere bring the one scan in wherever the processor runs it.
    for (char c = 'A'; c < 'Q'; ++c) {
        request.finds.push_back(std::string("\x7f") + c);
        request.replaces.push_back(request.finds.back());
    }
    request.streamedFileBytes = std::uint64_t{64} << 20;
    const std::int64_t whole = runPairs(request).total;
    request.streamedFileBytes = 0;
    EXPECT_EQ(runPairs(request).total, whole);
    EXPECT_EQ(whole, (text.size() / 14) * 5); // the, THE twice (one made by the pair before), aa, 7\n
}

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
        std::vector<std::string> rows, expected, seen;
        std::transform(c.rows.begin(), c.rows.end(), std::back_inserter(rows), inDir);
        for (const std::string& want : c.expected) {
            expected.push_back(want.substr(0, 2) + inDir(want.substr(2)));
        }
        const RunResult simulated = run(c.pairs, rows, false, ReplaceMode::FileNames);
        const RunResult executed = run(c.pairs, rows, true, ReplaceMode::FileNames);
        EXPECT_TRUE(executed.failures.empty()) << rows[0] << ": " << executed.failures[0].reason;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            seen.push_back(std::to_string(executed.rows[row].count) + " " + executed.rows[row].path);
            EXPECT_EQ(simulated.rows[row].count, executed.rows[row].count) << rows[0];
            EXPECT_EQ(executed.rows[row].renamed, executed.rows[row].path != rows[row]) << rows[0];
        }
        EXPECT_EQ(seen, expected);
        for (const std::string& path : c.after) {
            EXPECT_EQ(fs::exists(dir.file(path.substr(path.starts_with('-')))), !path.starts_with('-'))
                << path;
        }
    }
}

// The texts a run's status shows, and the mismatch it ends on at once when the columns differ in length.
TEST(RunTexts, StatusLineAndMismatch) {
    EXPECT_EQ(statusLine("Replacements pending:", 12), "Replacements pending: 12");
    EXPECT_EQ(statusLine("", 5'000'000'000), " 5000000000");
    const RunResult result =
        runPairs(RunRequest{.finds = {"a", "b"}, .replaces = {"x"}, .files = {"/nonexistent"}});
    EXPECT_TRUE(result.mismatch);
    EXPECT_EQ(mismatchText("Wrong:", result.findsUbound, result.replacesUbound), "Wrong:\r\n1\t0");
}

// Only what the run changes counts against the bound: listed files the pairs leave alone, however large,
// neither keep a run from undo nor count in the reason it gives.
TEST(UndoFit, OnlyTheFilesThatChangeCountAgainstTheBound) {
    const struct {
        std::vector<std::string> rows; // names of files holding "old" plus a letter each, or "big"
        std::uint64_t bound;
        const char* reason;
    } cases[] = {
        {{"big", "a", "b"}, 10, ""},
        {{"big", "a", "b", "c"},
         10,
         "it could change 12 bytes of files, more than the 10 bytes that are kept for undo"},
        {{"big", "none", "sub", "a"}, 4, ""}, // what is missing or a folder counts nothing
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string app = dir.makeFolder("app");
        dir.makeFolder("sub");
        dir.write("big", std::string(100, 'x'));
        std::vector<std::string> paths;
        for (const std::string& name : c.rows) {
            paths.push_back(name.size() == 1 ? dir.write(name, "old" + name) : dir.file(name));
        }
        const RunResult run = runPairs(RunRequest{.finds = {"old"},
                                                  .replaces = {"new"},
                                                  .files = paths,
                                                  .execute = true,
                                                  .stateFolder = app,
                                                  .undoBytesBound = c.bound});
        EXPECT_EQ(run.notUndoable, c.reason);
        EXPECT_EQ(run.keptForUndo, *c.reason == '\0');
    }
}

} // namespace
} // namespace morvane
