#include "core/state/app_folder.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/saved_tasks_format.h"
#include "core/state/tagged_text.h"
#include "core/state/task_rows.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace morvane {
namespace {

using namespace std::string_literals;
using testing::readBytes;
const std::string kSep(saved_tasks_format::kSeparator);

TEST(TaggedText, EdgeRemovalTakesAtMostOneFromEachEnd) {
    EXPECT_EQ(stripEdges("\r\nab\r\n", "\r\n"), "ab");
    EXPECT_EQ(stripEdges("ab\r\n\r\n", "\r\n"), "ab\r\n") << "a doubled end loses one";
    EXPECT_EQ(stripEdges("\r\n", "\r\n"), "") << "the end is taken before the start";
    EXPECT_EQ(stripEdges("a", "\r\n"), "a");
    EXPECT_EQ(stripEdges("ab", ""), "ab");
}

TEST(TaggedText, TagValuesComeInOrderAndStopAtAStartTagWithoutEnd) {
    EXPECT_EQ(tagValues("<a>1</a><a></a><a>x\r\ny</a><a>open", "<a>", "</a>"),
              (std::vector<std::string>{"1", "", "x\r\ny"}));
    EXPECT_EQ(tagValues("<a>x<a>y</a>", "<a>", "</a>"), std::vector<std::string>{"x<a>y"})
        << "the value runs to the first end tag";
    EXPECT_EQ(tagValues("abxab1xa", "ab", "xa"), (std::vector<std::string>{"", "1"}))
        << "the next start tag may begin inside the end tag";
    EXPECT_TRUE(tagValues("abc", "", "b").empty()) << "an empty start tag must not loop";
}

// The two tasks of the format's worked example, as the window builds them (an empty file list gives one
// empty entry).
SavedReps workedExample() {
    SavedReps reps(1);
    reps.push_back({"Colours",
                    {"C:\\Docs\\report.txt", "C:\\Docs\\notes.txt"},
                    {"colour", "^p^p"},
                    {"color", "^p"},
                    false,
                    true});
    reps.push_back({"Prefix", {""}, {"old_"}, {""}, false, false});
    return reps;
}

const std::string kWorkedExampleFile =
    kSep +
    "\r\n[Name:]\r\nColours\r\n[/Name]\r\n"
    "[Replace in Contents:]\r\n1\r\n[/Replace in Contents]\r\n"
    "[Case Sensitive:]\r\n0\r\n[/Case Sensitive]\r\n"
    "[Find:]\r\ncolour\r\n[/Find]\r\n[Find:]\r\n^p^p\r\n[/Find]\r\n"
    "[Replace:]\r\ncolor\r\n[/Replace]\r\n[Replace:]\r\n^p\r\n[/Replace]\r\n"
    "[Files:]\r\nC:\\Docs\\report.txt\r\nC:\\Docs\\notes.txt\r\n[/Files]\r\n" +
    kSep +
    "\r\n[Name:]\r\nPrefix\r\n[/Name]\r\n"
    "[Replace in Contents:]\r\n0\r\n[/Replace in Contents]\r\n"
    "[Case Sensitive:]\r\n0\r\n[/Case Sensitive]\r\n"
    "[Find:]\r\nold_\r\n[/Find]\r\n[Replace:]\r\n\r\n[/Replace]\r\n"
    "[Files:]\r\n\r\n[/Files]\r\n" +
    kSep;

// The Colours task of the worked example, as the file holds it with the pair options group given, or
// without the group.
std::string coloursFile(const std::string& optionsGroup) {
    std::string text = kWorkedExampleFile.substr(0, kWorkedExampleFile.find(kSep, 1)) + kSep;
    return text.insert(text.find("[Files:]"), optionsGroup);
}

std::string optionsGroup(const std::string& lines) {
    return "[Pair Options:]\r\n" + lines + "\r\n[/Pair Options]\r\n";
}

TEST(SavedTasksFile, PairOptionsGoInAGroupOfTheirOwnOnlyWhenSomePairHasThem) {
    const PairOptions plain, ignoreCase{.ignoreCase = true}, all{true, true, true};
    struct Row {
        const char* name;
        PairOptionsList written;
        std::string group;
        PairOptionsList read;
    };
    for (const Row& row : {
             Row{"none", {}, "", {}},
             Row{"all plain", {plain, plain}, "", {}},
             Row{"first pair", {ignoreCase}, optionsGroup("i\r\n-"), {ignoreCase}},
             Row{"last pair", {plain, all}, optionsGroup("-\r\niwr"), {plain, all}},
             Row{"past the last pair", {plain, plain, all}, "", {}},
         }) {
        RepTask colours = workedExample()[1];
        colours.pairOptions = row.written;
        EXPECT_EQ(savedTasksText({RepTask{}, colours}), coloursFile(row.group)) << row.name;
        const SavedReps back = savedTasksFromText(coloursFile(row.group)).reps;
        ASSERT_EQ(back.size(), 2u) << row.name;
        colours.pairOptions = row.read;
        EXPECT_EQ(back[1], colours) << row.name;
    }
}

// A group the writer would not write leaves every pair plain and the rest of the task as it is: options put
// on the wrong pair would change what a run does.
TEST(SavedTasksFile, MalformedPairOptionsLeaveThePairsPlain) {
    const RepTask colours = workedExample()[1];
    for (const char* lines : {"i", "i\r\n-\r\n-", "i\r\nx", "ii\r\n-", "i\r\n", "I\r\n-"}) {
        const SavedReps back = savedTasksFromText(coloursFile(optionsGroup(lines))).reps;
        ASSERT_EQ(back.size(), 2u) << lines;
        EXPECT_EQ(back[1], colours) << lines;
    }
    std::string unclosed = coloursFile(optionsGroup("i\r\n-"));
    unclosed.erase(unclosed.find("[/Pair Options]\r\n"), 17);
    EXPECT_EQ(savedTasksFromText(unclosed).reps[1], colours) << "a group without its closing tag";
}

// The backup holds the file as it was before each save: empty when the first start made the file.
TEST(SavedTasksFile, FirstStartCreatesTheSeparatorLineAndEachSaveABackup) {
    testing::TempDir dir;
    const std::string path = dir.file("Saved_Replacements.txt");
    EXPECT_EQ(readOrCreateSavedTasks(path), SavedReps(1));
    EXPECT_EQ(readBytes(path), kSep);
    ASSERT_TRUE(std::filesystem::exists(path + "_copy.txt"));
    EXPECT_EQ(readBytes(path + "_copy.txt"), "");
    dir.write("Saved_Replacements.txt", "hand-made\r\n\0bytes"s);
    ASSERT_TRUE(writeSavedTasks(path, workedExample()).ok());
    EXPECT_EQ(readBytes(path + "_copy.txt"), "hand-made\r\n\0bytes"s);
    ASSERT_TRUE(writeSavedTasks(path, SavedReps(3)).ok()) << "entries without a name leave no trace";
    EXPECT_EQ(readBytes(path + "_copy.txt"), kWorkedExampleFile);
    EXPECT_EQ(readBytes(path), kSep);
}

std::string blockWithFlag(const std::string& flag) {
    return kSep + "\r\n[Name:]\r\nt\r\n[/Name]\r\n[Replace in Contents:]\r\n" + flag +
           "\r\n[/Replace in Contents]\r\n[Case Sensitive:]\r\n" + flag + "\r\n[/Case Sensitive]\r\n" + kSep;
}

TEST(SavedTasksFile, FlagsAreTrueOnlyForValuesReadingAsOne) {
    struct Row {
        const char* flag;
        bool expected;
    };
    // How a flag reads as a number is the settings' rule; an empty flag keeps its default.
    for (const Row& row : {Row{"1", true}, Row{"0", false}, Row{"1.0", true}, Row{"", true}}) {
        const SavedReps reps = savedTasksFromText(blockWithFlag(row.flag)).reps;
        ASSERT_EQ(reps.size(), 2u) << row.flag;
        EXPECT_EQ(reps[1].replaceInContents, row.expected) << '"' << row.flag << '"';
        EXPECT_EQ(reps[1].caseSensitive, row.expected) << '"' << row.flag << '"';
    }
}

std::string lfOnly(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.erase(at, 1);
    }
    return text;
}

// The worked example reads back alike with CR LF or LF alone, and is saved back with CR LF.
TEST(SavedTasksFile, WorkedExampleReadsBackWhateverItsLineEnds) {
    testing::TempDir dir;
    SavedReps expected = workedExample();
    expected[2].files.clear();
    const std::string path = dir.write("Saved_Replacements.txt", lfOnly(kWorkedExampleFile));
    EXPECT_EQ(readOrCreateSavedTasks(dir.write("crlf.txt", kWorkedExampleFile)), expected);
    EXPECT_EQ(readOrCreateSavedTasks(path), expected);
    ASSERT_TRUE(writeSavedTasks(path, expected).ok());
    EXPECT_EQ(readBytes(path), kWorkedExampleFile);

    // In a file with CR LF line ends a lone LF is part of a text, as the writer stored it; a long block reads
    // whole.
    SavedReps lone = emptySavedReps();
    lone.push_back(
        RepTask{"lone", {"/f"}, {"a\nb", std::string(4'000'000, 'a') + "\r\n"}, {"\n", "b"}, false, true});
    ASSERT_TRUE(writeSavedTasks(path, lone).ok());
    EXPECT_EQ(readOrCreateSavedTasks(path), lone);
}

// A hand-edited file reads as far as it goes, reading writes nothing back, and the reader tells whether the
// next save would drop something of it.
TEST(SavedTasksFile, HandEditedFilesReadAsFarAsTheyGo) {
    const std::string colours = kWorkedExampleFile.substr(0, kWorkedExampleFile.find(kSep, 1));
    const std::string noFiles = kSep + "\r\n[Name:]\r\nbare\r\n[/Name]\r\n[Find:]\r\na\r\n[/Find]\r\n" +
                                "[Find:]\r\nb\r\n[Replace:]\r\nx\r\n[/Replace]\r\n" + kSep;
    struct Row {
        const char* name;
        std::string contents;
        std::vector<std::string> names; // of the entries after entry 0
        bool drops;
    };
    for (const Row& row : {
             Row{"no tasks", kSep, {}, false},
             Row{"empty", "", {}, false},
             Row{"final line end", kWorkedExampleFile + "\r\n", {"Colours", "Prefix"}, false},
             Row{"blank line between blocks",
                 colours + "\r\n" + kWorkedExampleFile.substr(colours.size()),
                 {"Colours", "Prefix"},
                 false},
             Row{"a name twice", colours + colours + kSep, {"Colours", "Colours"}, false},
             Row{"block without a name",
                 kSep + "\r\n[Name:]\r\n\r\n[/Name]\r\n" + colours + kSep,
                 {"", "Colours"},
                 true},
             Row{"missing tags", noFiles, {"bare"}, false},
             Row{"no separator line", "[Name:]\r\nx\r\n[/Name]", {}, true},
             Row{"binary", std::string("\0\xff\r\n\x1a", 5), {}, true},
         }) {
        testing::TempDir dir;
        const std::string path = dir.write("s.txt", row.contents);
        const SavedReps reps = readOrCreateSavedTasks(path);
        std::vector<std::string> names;
        for (std::size_t i = 1; i < reps.size(); ++i) {
            names.push_back(reps[i].name);
        }
        EXPECT_EQ(names, row.names) << row.name;
        EXPECT_EQ(readBytes(path), row.contents) << row.name << ": reading writes nothing back";
        EXPECT_EQ(savedTasksFromText(row.contents).dropsSomething, row.drops) << row.name;
    }
    EXPECT_EQ(savedTasksFromText(noFiles).reps.at(1), (RepTask{"bare", {}, {"a"}, {"x"}, true, true}))
        << "a find without its closing tag ends the list";
}

bool unreadableFileIsNotReplaced(const std::string& path) {
    return readOrCreateSavedTasks(path).size() == 1 && !writeSavedTasks(path, workedExample()).ok();
}

TEST(SavedTasksFile, unreadable_file_is_not_replaced_by_an_empty_table) {
    namespace fs = std::filesystem;
    testing::TempDir dir;
    testing::openToEveryone(dir.path());
    const std::string path = dir.write("Saved_Replacements.txt", kWorkedExampleFile);
    const std::string backup = dir.write("Saved_Replacements.txt_copy.txt", "earlier state");
    // Writable but unreadable, so nothing but the guard keeps the save from replacing both files.
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    fs::permissions(backup, fs::perms::all);
    EXPECT_TRUE(testing::runWithoutRoot(unreadableFileIsNotReplaced, path));
    fs::permissions(path, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(readBytes(path), kWorkedExampleFile);
    EXPECT_EQ(readBytes(backup), "earlier state");
}

// Checked as an ordinary user, for whom the permissions set below bind.
bool eachStateFileIsDecidedOnItsOwn(const std::string& root) {
    const auto writable = [&](const char* folder, bool settings, bool tasks) {
        const StateFilesWritable state = stateFilesWritable(root + "/" + folder);
        return state.settings == settings && state.tasks == tasks;
    };
    return writable("open", true, true) && writable("locked", false, false) &&
           writable("read-only settings", false, true) && writable("read-only tasks", true, false) &&
           writable("read-only backup", true, false) && writable("missing", false, false);
}

TEST(AppFolder, read_only_settings_file_does_not_stop_saving_tasks) {
    namespace fs = std::filesystem;
    testing::TempDir dir;
    testing::openToEveryone(dir.path());
    for (const char* folder :
         {"open", "locked", "read-only settings", "read-only tasks", "read-only backup"}) {
        testing::openToEveryone(dir.makeFolder(folder));
    }
    fs::permissions(dir.write("open/Settings.txt", ""), fs::perms::all);
    fs::permissions(dir.write("open/Saved_Replacements.txt", ""), fs::perms::all);
    fs::permissions(dir.write("read-only settings/Settings.txt", ""), fs::perms::others_read);
    fs::permissions(dir.write("read-only tasks/Saved_Replacements.txt", ""), fs::perms::others_read);
    fs::permissions(dir.write("read-only backup/Saved_Replacements.txt_copy.txt", ""),
                    fs::perms::others_read);
    fs::permissions(dir.file("locked"),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(testing::runWithoutRoot(eachStateFileIsDecidedOnItsOwn, dir.path()));
}

bool folderIsAnInstalledCopy(const std::string& folder) {
    return stateFilesWritable(folder).installed;
}

// A folder another user owns (root's, for a system install) is an installed copy, whose first start greets; a
// folder of the user's own that cannot be written is a copy the user may want to fix.
TEST(AppFolder, folder_of_another_user_is_an_installed_copy) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a folder that belongs to another user";
    }
    testing::TempDir dir;
    testing::openToEveryone(dir.path());
    EXPECT_FALSE(folderIsAnInstalledCopy(dir.path()));
    EXPECT_TRUE(testing::runWithoutRoot(folderIsAnInstalledCopy, dir.path()));
}

TEST(SavedTasksFile, FaithfulnessCheckRefusesTextsTheFormatWouldCutOrSplit) {
    struct Row {
        const char* name;
        RepTask task;
        bool faithful;
    };
    const auto pair = [](std::string find, std::string replace) {
        return RepTask{"t", {"/f"}, {std::move(find)}, {std::move(replace)}, false, true};
    };
    for (const Row& row : {
             Row{"line breaks inside texts", pair("a\r\nb", "\r\n"), true},
             Row{"closing tag without a line break before it", pair("a[/Find]", "[/Replace]"), true},
             Row{"empty file list and an empty find", {"t", {""}, {"", "a"}, {"x", ""}, false, true}, true},
             Row{"find with line break and closing tag", pair("a\r\n[/Find]", "b"), false},
             Row{"replacement with line break and closing tag", pair("a", "b\r\n[/Replace]c"), false},
             Row{"path with a line break", {"t", {"/a\r\nb"}, {"a"}, {"b"}}, false},
             Row{"find is the separator line", pair(kSep, "b"), false},
             Row{"replacement ending in the separator line", pair("a", "b\r\n" + kSep), false},
             Row{"no name", {"", {"/f"}, {"a"}, {"b"}}, false},
         }) {
        EXPECT_EQ(readsBackFaithfully(row.task), row.faithful) << row.name;
    }
}

} // namespace
} // namespace morvane
