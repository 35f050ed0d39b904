#include "core/state/saved_tasks_file.h"
#include "core/state/saved_tasks_format.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace morvane {
namespace {

using namespace std::string_literals;

using testing::namesIn;
using testing::readBytes;
using testing::TempDir;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The runner's application folder where a test names none: one of the test's own, so that the journals of its
// execute runs never land in the build's program folder.
const TempDir& defaultAppFolder() {
    static const TempDir folder;
    return folder;
}

// Where the runner's output is caught, apart from the folders the tests look into.
const TempDir& captureFolder() {
    static const TempDir folder;
    return folder;
}

// Starts the real runner as a separate process, exactly as a script would, with its output going to files
// and its standard input, when given, read from one; returns its process id, or -1.
pid_t startCli(std::vector<std::string> arguments, const std::string* input = nullptr) {
    if (std::find(arguments.begin(), arguments.end(), "--app-dir") == arguments.end()) {
        arguments.insert(arguments.begin(), {"--app-dir", defaultAppFolder().path()});
    }
    arguments.insert(arguments.begin(), MORVANE_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const TempDir& capture = captureFolder();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, capture.file("stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, capture.file("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (input) {
        posix_spawn_file_actions_addopen(&actions, 0, capture.write("stdin", *input).c_str(), O_RDONLY, 0);
    }
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        child = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

Outcome finishCli(pid_t child) {
    Outcome outcome;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    }
    outcome.out = readBytes(captureFolder().file("stdout"));
    outcome.err = readBytes(captureFolder().file("stderr"));
    return outcome;
}

Outcome runCli(std::vector<std::string> arguments) {
    return finishCli(startCli(std::move(arguments)));
}

// The runner on the given application folder.
Outcome runIn(const TempDir& app, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--app-dir", app.path()});
    return runCli(std::move(arguments));
}

// An outcome as one text, to compare whole: the exit code, standard output and standard error.
std::string whole(const Outcome& outcome) {
    return std::to_string(outcome.exitCode) + "|" + outcome.out + "|" + outcome.err;
}

TEST(Runner, SimulatePrintsCountsPerPathAndTheTotalAndChangesNothing) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "one^two\r\none");
    const std::string b = dir.write("b.txt", "none");
    EXPECT_EQ(whole(runCli({"simulate", "--pair", "one", "1", "--pair", "^p", "^t", a, b})),
              "0|3\t" + a + "\n1\t" + b + "\ntotal\t4\n|");
    EXPECT_EQ(readBytes(a), "one^two\r\none");
}

// Execute prints each row's count under the path the row has afterwards.
TEST(Runner, ExecutePrintsEachRowUnderItsNewPath) {
    TempDir dir;
    const std::string a = dir.write("report.old.txt", "x\r\ny");
    EXPECT_EQ(whole(runCli({"execute", "--pair", "^p", "^chr(0)", "--", a})), "0|1\t" + a + "\ntotal\t1\n|");
    EXPECT_EQ(readBytes(a), std::string("x\0y", 3));
    EXPECT_EQ(runCli({"simulate", "--names", "--pair", "old", "new", a}).out, "1\t" + a + "\ntotal\t1\n");
    EXPECT_EQ(whole(runCli({"execute", "--names", "--pair", "old", "new", a})),
              "0|1\t" + dir.file("report.new.txt") + "\ntotal\t1\n|");
}

TEST(RunnerDiffNames, EveryRowWithItsNewNameAndWhatStandsInTheWay) {
    TempDir dir;
    const std::string a = dir.write("a", "");
    const std::string b = dir.write("b", "");
    const std::string c = dir.write("c", "");
    // a and b swap, c stays: only changes, exit 0.
    EXPECT_EQ(whole(runCli(
                  {"diff", "--names", "--pair", "a", "#", "--pair", "b", "a", "--pair", "#", "b", a, b, c})),
              "0|" + a + " -> " + b + "\n" + b + " -> " + a + "\n" + c + " -> " + c +
                  "\n|morvane-cli: warning: pair 3 also changes what pair 1 inserts\n");
    // A name taken by a file not in the run: exit 1, the reason after a tab, nothing renamed.
    EXPECT_EQ(whole(runCli({"diff", "--names", "--pair", "a", "c", a, b})),
              "1|" + a + " -> " + c + "\ta file or folder named \"c\" already exists\n" + b + " -> " + b +
                  "\n|");
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_EQ(runCli({"diff", "--names", "--pair", "a"}).exitCode, 2);
}

TEST(Runner, FailuresGoToStandardErrorAndExitWithOne) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "");
    const std::string b = dir.write("b.txt", "");
    const std::string missing = dir.file("missing.txt");
    const Outcome run = runCli({"execute", "--names", "--pair", "a", "b", a, missing});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "failed\t" + a + "\n0\t" + missing + "\ntotal\t0\n");
    EXPECT_NE(run.err.find("morvane-cli: " + a +
                           ": cannot be renamed: a file or folder named \"b.txt\" already exists\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("morvane-cli: " + missing + ": no such file or folder\n"), std::string::npos)
        << run.err;
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(b));
}

TEST(Runner, UsageErrorsPrintTheirReasonAndAHintNotTheWholeUsage) {
    TempDir dir;
    const std::string t = dir.write("t.txt", "colour");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {},
             {"replace", "x"},
             {"simulate"},
             {"simulate", "--pair", "a"},
             {"simulate", "--bogus", "x"},
             {"--version", "x"},
             {"execute", "-n", "--pair", "colour", "color", t},
             {"execute", "--pair", "colour", "1", "--files-from", dir.path(), t},
             {"execute", "-E", "--pair", "(a)\\1", "b", t},
             {"execute", "-i", "--task", "1", t}}) {
        const Outcome run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        EXPECT_EQ(run.err.rfind("morvane-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("\nTry 'morvane-cli --help' for more information.\n"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(readBytes(t), "colour") << "nothing runs after a usage error";
    // After "--" a name starting with a dash is a path like any other.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dir.write("-n", "colour");
    const Outcome dashed = runCli({"execute", "--pair", "colour", "color", "--", "-n"});
    std::filesystem::current_path(before);
    EXPECT_EQ(dashed.exitCode, 0) << dashed.err;
    EXPECT_EQ(readBytes(dir.file("-n")), "color");
    const Outcome help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("usage: morvane-cli") &&
                help.out.find("\nExamples:\n") != std::string::npos);
    EXPECT_EQ(whole(runCli({"--version"})), "0|morvane-cli " + std::to_string(MORVANE_VERSION_MAJOR) + "." +
                                                std::to_string(MORVANE_VERSION_MINOR) + "." +
                                                std::to_string(MORVANE_VERSION_REVISION) + "\n|");
}

// The options apply to every pair of the command.
TEST(Runner, OptionsApplyToEveryPair) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "Load loader LOAD IMG_0001.JPG");
    EXPECT_EQ(whole(runCli({"execute", "-i", "-w", "--pair", "load", "read", "--pair", "loader", "x", a})),
              "0|3\t" + a + "\ntotal\t3\n|");
    EXPECT_EQ(runCli({"execute", "--regex", "--pair", "IMG_(\\d+)\\.JPG", "Holiday_$1.jpg", a}).exitCode, 0);
    EXPECT_EQ(readBytes(a), "read x read Holiday_0001.jpg");
}

// An installed runner cannot write its own folder: it keeps the undo journal, and finds the saved tasks,
// where the window of the same user keeps them.
TEST(Runner, ProgramFolderThatCannotBeWrittenKeepsTheStateInTheUsersDataFolder) {
    TempDir dir;
    TempDir dataHome;
    ::setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
    const std::string missing = dir.file("not-a-folder"); // a folder nobody can write, not even root
    SavedReps reps = emptySavedReps();
    reps.push_back(RepTask{"Mine", {}, {"one"}, {"two"}, true, true});
    std::filesystem::create_directory(dataHome.file("morvane"));
    writeSavedTasks(dataHome.file("morvane/Saved_Replacements.txt"), reps);
    const std::string a = dir.write("a.txt", "one");
    const Outcome run = runCli({"--app-dir", missing, "execute", "--task", "Mine", a});
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes(a), "two");
    EXPECT_TRUE(std::filesystem::exists(dataHome.file("morvane/Undo")));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(RunnerFolders, RecursiveTakesAFoldersFilesInOrderAndThePatternsChooseThem) {
    TempDir dir;
    const std::string tree = dir.makeFolder("tree");
    dir.writeTree(
        {"tree/b.cpp", "one one", "tree/a.txt", "one", "tree/sub/c.txt", "one", "tree/.hidden", "one"});
    dir.write("tree/data.bin", "one\0"s);
    const std::string single = dir.write("single.txt", "one");
    const auto simulate = [&](std::vector<std::string> more) {
        more.insert(more.begin(), {"simulate", "--pair", "one", "1"});
        return runCli(more);
    };

    const Outcome plain = simulate({tree});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.out, "0\t" + tree + "\ntotal\t0\n");
    EXPECT_EQ(whole(simulate({single, "-r", tree})), "0|1\t" + single + "\n1\t" + tree + "/a.txt\n2\t" +
                                                         tree + "/b.cpp\n1\t" + tree +
                                                         "/sub/c.txt\ntotal\t5\n|");
    EXPECT_EQ(simulate({"--recursive", "--include", "*.txt", "--exclude", "c*", tree}).out,
              "1\t" + tree + "/a.txt\ntotal\t1\n");
    EXPECT_EQ(
        simulate({"-r", "--hidden", "--binary", "--no-ignore", "--include", "*.bin", "--include", ".*", tree})
            .out,
        "1\t" + tree + "/.hidden\n1\t" + tree + "/data.bin\ntotal\t2\n");

    const Outcome nothingKept = simulate({"-r", "--include", "*.none", tree});
    EXPECT_EQ(nothingKept.exitCode, 0) << nothingKept.err;
    EXPECT_EQ(nothingKept.out, "total\t0\n");
    EXPECT_NE(nothingKept.err.find(tree + ": no file"), std::string::npos) << nothingKept.err;
    const Outcome withoutRecursive = simulate({"--include", "*.txt", tree});
    EXPECT_EQ(withoutRecursive.exitCode, 2);
    EXPECT_NE(withoutRecursive.err.find("need -r"), std::string::npos);
}

TEST(RunnerFilesFrom, PathsFromStandardInputFollowTheCommandLinesInTheirOwnRecords) {
    TempDir dir;
    const std::string first = dir.write("first.txt", "one");
    const std::string odd = dir.write("line\nbreak.txt", "one one");
    const std::string folder = dir.makeFolder("folder");
    dir.write("folder/inside.txt", "one");
    const std::string nulInput = odd + '\0' + '\0' + folder + '\0';
    EXPECT_EQ(
        whole(finishCli(
            startCli({"simulate", "-z", "-r", "--pair", "one", "1", "--files-from", "-", first}, &nulInput))),
        "0|1\t" + first + "\0"s + "2\t" + odd + '\0' + "1\t" + folder + "/inside.txt\0"s + "total\t4\0|"s);

    // A path is its bytes: the CR of a line end written on another system stays in the name and finds no
    // file.
    const std::string list = dir.write("list", first + "\r\n\n" + first + "\n");
    const Outcome lines = runCli({"simulate", "--pair", "one", "1", "--files-from", list});
    EXPECT_EQ(lines.exitCode, 1);
    EXPECT_EQ(lines.out, "0\t" + first + "\\x0d\n1\t" + first + "\ntotal\t1\n");
    EXPECT_EQ(runCli({"simulate", "--pair", "one", "1", "--files-from", dir.file("none")}).exitCode, 2);
}

// A path is printed escaped, so that no name can forge a line of the output or of standard error; NUL
// records hold the paths as they are, and standard error stays escaped.
TEST(RunnerOutput, path_with_newline_cannot_forge_a_total_line) {
    TempDir dir;
    const std::string forged = dir.write("a\ntotal\t0", "a");
    const std::string odd = dir.write("b\\n\x01\x7f", "a");
    const std::string missing = dir.file("gone\nmorvane-cli: fake");
    EXPECT_EQ(whole(runCli({"simulate", "--pair", "a", "b", forged, odd, missing})),
              "1|1\t" + dir.path() + "/a\\ntotal\\t0\n1\t" + dir.path() + "/b\\\\n\\x01\\x7f\n0\t" +
                  dir.path() + "/gone\\nmorvane-cli: fake\ntotal\t2\n|morvane-cli: " + dir.path() +
                  "/gone\\nmorvane-cli: fake: no such file or folder\n");
    EXPECT_EQ(whole(runCli({"simulate", "-z", "--pair", "a", "b", forged, dir.file("gone\n")})),
              "1|1\t" + forged + '\0' + "0\t" + dir.file("gone\n") + '\0' + "total\t1" + '\0' +
                  "|morvane-cli: " + dir.path() + "/gone\\n: no such file or folder\n");
    const std::string renamed = dir.write("x\\y", "");
    EXPECT_EQ(runCli({"execute", "--null", "--names", "--pair", "x", "^t", renamed}).out,
              "1\t" + dir.path() + "/\t\\y" + '\0' + "total\t1" + '\0');
    // A failed rename quotes the new name escaped, on one line.
    dir.write("\n", "");
    const Outcome run = runCli({"execute", "--names", "--pair", "a", "^chr(10)", dir.write("a", "")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find("\"\\n\""), std::string::npos) << run.err;
}

// A saved-tasks file as a hand edit leaves it, with the files and the pairs given.
std::string handEditedTask(const std::string& name, const std::string& pairGroups, const std::string& files) {
    const std::string separator(saved_tasks_format::kSeparator);
    return separator + "\r\n[Name:]\r\n" + name + "\r\n[/Name]\r\n" + pairGroups + "[Files:]\r\n" + files +
           "\r\n[/Files]\r\n" + separator;
}

TEST(RunnerTasks, NulRecordsRefuseATaskPathHoldingANulByte) {
    TempDir app;
    TempDir files;
    const std::string a = files.write("a.txt", "a");
    app.write("Saved_Replacements.txt",
              handEditedTask("Nul", "[Find:]\r\na\r\n[/Find]\r\n[Replace:]\r\nb\r\n[/Replace]\r\n",
                             a + "\r\n" + a + '\0' + "x"));
    const Outcome refused = runIn(app, {"execute", "-z", "--task", "Nul"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(readBytes(a), "a");
    // As lines, the path is escaped and names no file: the system would have seen only a.txt.
    const Outcome lines = runIn(app, {"simulate", "--task", "Nul"});
    EXPECT_EQ(lines.out, "1\t" + a + "\n0\t" + a + "\\x00x\ntotal\t1\n");
    EXPECT_EQ(lines.exitCode, 1);
}

TEST(RunnerTasks, ListsSavedTasksAndRunsOneByNameOrNumber) {
    TempDir app;
    TempDir files;
    const std::string a = files.write("a.txt", "cat");
    SavedReps reps = emptySavedReps();
    reps.push_back(RepTask{"Pets", {a}, {"cat"}, {"dog"}, false, true});
    reps.push_back(RepTask{"Rename", {}, {"a", "^chr(46)txt"}, {"b", ".md"}, false, false});
    ASSERT_TRUE(writeSavedTasks(app.file("Saved_Replacements.txt"), reps).ok());

    EXPECT_EQ(runIn(app, {"tasks"}).out, "1\tPets\tcontents\t1\t1\n2\tRename\tnames\t2\t0\n");
    EXPECT_EQ(runIn(app, {"execute", "--task", "Pets"}).out, "1\t" + a + "\ntotal\t1\n");
    EXPECT_EQ(readBytes(a), "dog");
    EXPECT_EQ(runIn(app, {"execute", "--task", "2", a}).out, "2\t" + files.file("b.md") + "\ntotal\t2\n");
}

TEST(RunnerTasks, UnknownTasksAreUsageErrorsAndNothingIsCreated) {
    TempDir app;
    TempDir files;
    const std::string a = files.write("a.txt", "");
    for (const char* selector : {"Nothing", "0", "1"}) {
        EXPECT_EQ(runIn(app, {"simulate", "--task", selector, a}).exitCode, 2);
    }
    EXPECT_EQ(runIn(app, {"simulate", "--task", "x", "--pair", "a", "b", a}).exitCode, 2);
    EXPECT_EQ(runIn(app, {"tasks"}).out, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(app.path()), {}), 0)
        << "the runner must not write the saved tasks or the settings";
}

TEST(RunnerUndo, ContentsAndNamesComeBackTheRunsAreListedAndAnEditedFileIsLeft) {
    TempDir app;
    TempDir files;
    const std::string a = files.write("a.txt", "one\r\none");
    const std::string b = files.write("b.txt", "no match");
    ASSERT_EQ(runIn(app, {"execute", "--pair", "one", "two", a, b}).exitCode, 0);
    ASSERT_EQ(runIn(app, {"execute", "--names", "--pair", ".txt", ".md", a, b}).exitCode, 0);

    const Outcome listed = runIn(app, {"undo", "--list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_TRUE(listed.out.starts_with("1\t")) << listed.out;
    EXPECT_NE(listed.out.find("\tnames\t2\tdone\n2\t"), std::string::npos) << listed.out;
    EXPECT_TRUE(listed.out.ends_with("\tcontents\t2\tdone\n"))
        << listed.out << "b.txt had nothing to change but took the time of a write";

    EXPECT_EQ(runIn(app, {"undo"}).exitCode, 0);
    EXPECT_EQ(namesIn(files.path()), (std::vector<std::string>{"a.txt", "b.txt"}));
    // A file edited since the run is left and reported, with exit 1.
    files.write("a.txt", "mine now");
    const Outcome contents = runIn(app, {"undo"});
    EXPECT_EQ(contents.exitCode, 1);
    EXPECT_TRUE(contents.err.starts_with("morvane-cli: " + a + ": changed since the run; left as it is; "))
        << contents.err;
    EXPECT_NE(contents.out.find(": 1 put back, 1 left\n"), std::string::npos) << contents.out;
    EXPECT_EQ(readBytes(a), "mine now");
    EXPECT_EQ(readBytes(b), "no match");

    EXPECT_EQ(whole(runIn(app, {"undo"})), "0|nothing to undo\n|");
}

TEST(RunnerUndo, NoUndoKeepsNothingAndIsRefusedForSimulate) {
    TempDir app;
    TempDir files;
    const std::string a = files.write("a.txt", "one");
    EXPECT_EQ(runIn(app, {"execute", "--no-undo", "--pair", "one", "two", a}).exitCode, 0);
    EXPECT_EQ(readBytes(a), "two");
    EXPECT_EQ(namesIn(app.path()), std::vector<std::string>{});
    EXPECT_EQ(runIn(app, {"undo"}).out, "nothing to undo\n");
    EXPECT_EQ(runIn(app, {"simulate", "--no-undo", "--pair", "a", "b", a}).exitCode, 2);
    EXPECT_EQ(runIn(app, {"undo", "--all"}).exitCode, 2);
}

// The runner's diff, applied by patch and by git apply to copies of the files, gives what execute writes:
// with CR LF and no final line end, under names it must quote (beside a decoy that an escaped but unquoted
// "back\\slash" would name), and with one section for a file the rows spell differently or reach through a
// link (a second section fails as already applied, and patch refuses a link). A file holding a NUL byte is
// only named. The runner sees the paths relative to the folder, as -p1 wants them.
TEST(RunnerDiff, patch_and_git_apply_give_what_execute_writes) {
    if (std::system("git --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "git is not installed";
    }
    TempDir dir;
    const std::map<std::string, std::string> files = {{"crlf.txt", "one\r\ntwo\r\n\r\nthree\r\n"},
                                                      {"nofinal.txt", "keep\nold"},
                                                      {"same.txt", "nothing to do\n"},
                                                      {"my notes.txt", "old\n"},
                                                      {"back\\slash", "old\n"},
                                                      {"back\\\\slash", "old\n"},
                                                      {"tab\there", "old\n"},
                                                      {"line\nfeed", "old\n"},
                                                      {"say \"hi\"", "old\n"},
                                                      {"trailing ", "old\n"},
                                                      {"sub/real.txt", "old\n"},
                                                      {"binary file", "old\0"s}};
    for (const std::string folder : {"work", "by-patch", "by-git"}) {
        dir.makeFolder(folder);
        dir.makeFolder(folder + "/d");
        dir.makeFolder(folder + "/sub");
        for (const auto& [name, text] : files) {
            dir.write(folder + "/" + name, text);
        }
        std::filesystem::create_symlink("sub/real.txt", dir.file(folder + "/link.txt"));
    }
    const auto run = [&](const std::string& command) {
        std::vector<std::string> arguments = {command, "--pair", "two^p", "",  "--pair", "old",
                                              "new^p", "--pair", "e",     "E", "--"};
        for (const auto& [name, text] : files) {
            if (name != "back\\\\slash") {
                arguments.push_back(name);
            }
        }
        arguments.insert(arguments.end(), {"./sub/real.txt", "d/../sub/real.txt", "link.txt"});
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(dir.file("work"));
        const Outcome outcome = runCli(arguments);
        std::filesystem::current_path(before);
        return outcome;
    };
    const Outcome diff = run("diff");
    ASSERT_EQ(diff.exitCode, 0) << diff.err;
    EXPECT_EQ(diff.err, "morvane-cli: warning: pair 3 also changes what pair 2 inserts\n");
    EXPECT_NE(diff.out.find("Binary files \"a/binary file\" and \"b/binary file\" differ\n"),
              std::string::npos);
    EXPECT_NE(diff.out.find("-keep\n-old\n\\ No newline at end of file\n+kEEp\n+nEw\r\n"), std::string::npos)
        << diff.out;
    EXPECT_NE(diff.out.find("--- \"a/my notes.txt\"\n+++ \"b/my notes.txt\"\n"), std::string::npos)
        << diff.out;
    EXPECT_NE(diff.out.find("--- a/sub/real.txt\n"), std::string::npos) << diff.out;
    for (const char* absent : {"same.txt", "link.txt", "./sub", "d/.."}) {
        EXPECT_EQ(diff.out.find(absent), std::string::npos) << absent << " in " << diff.out;
    }

    const std::string patchFile = dir.write("out.diff", diff.out);
    ASSERT_EQ(
        std::system(("patch --quiet -p1 -d '" + dir.file("by-patch") + "' < '" + patchFile + "'").c_str()),
        0);
    ASSERT_EQ(std::system(("cd '" + dir.file("by-git") +
                           "' && git init --quiet && git apply --whitespace=nowarn -p1 '" + patchFile + "'")
                              .c_str()),
              0);
    ASSERT_EQ(run("execute").exitCode, 0);
    EXPECT_EQ(readBytes(dir.file("work/crlf.txt")), "onE\r\n\r\nthrEE\r\n");
    EXPECT_EQ(readBytes(dir.file("work/sub/real.txt")), "nEw\r\n\n");
    for (const std::string folder : {"by-patch", "by-git"}) {
        for (const auto& [name, text] : files) {
            if (name != "binary file") {
                EXPECT_EQ(readBytes(dir.file(folder + "/" + name)), readBytes(dir.file("work/" + name)))
                    << folder << ": " << name;
            }
        }
        EXPECT_EQ(readBytes(dir.file(folder + "/back\\\\slash")), "old\n") << folder << ": the decoy";
    }
}

TEST(RunnerDiff, NothingToChangePrintsNothingAndNulRecordsAreAUsageError) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "a");
    EXPECT_EQ(whole(runCli({"diff", "--pair", "x", "y", a})), "0||");
    EXPECT_EQ(whole(runCli({"diff", "--pair", "a", "b", dir.file("missing.txt")})),
              "1||morvane-cli: " + dir.file("missing.txt") + ": no such file or folder\n");
    EXPECT_EQ(runCli({"diff", "-z", "--pair", "a", "b", a}).exitCode, 2);
}

} // namespace
} // namespace morvane

namespace morvane {
namespace {

// The runner with its standard output going into a pipe whose reader has already gone; its exit status, or -1
// when a signal ended it.
int runCliWithoutReader(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {MORVANE_CLI_PATH, "--app-dir", defaultAppFolder().path()});
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int ends[2];
    if (::pipe(ends) != 0) {
        return -2;
    }
    ::close(ends[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child) {
        return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Rows are printed while the run goes on, so a reader can go away part way; an execute run is never left
// half done for that, and says that its report was lost.
TEST(RunnerOutput, execute_whose_reader_went_away_still_changes_every_file) {
    TempDir dir;
    std::vector<std::string> files;
    for (int k = 0; k < 400; ++k) {
        files.push_back(dir.write("file-" + std::to_string(k) + ".txt", "a"));
    }
    EXPECT_EQ(runCliWithoutReader({"execute", "--no-undo", "--pair", "a", "b", "-r", dir.path()}), 1);
    for (const std::string& file : files) {
        ASSERT_EQ(readBytes(file), "b") << file;
    }
}

} // namespace
} // namespace morvane
