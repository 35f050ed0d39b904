#include "core/state/saved_tasks_file.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane {
namespace {

using namespace std::string_literals;

using testing::namesIn;
using testing::readBytes;
using testing::TempDir;

struct Outcome {
    int exitCode = -1; // -1 when a signal ended the runner
    std::string out;
    std::string err;
};

// The runner's application folder where a test names none, and where its output is caught: one of the
// test's own, so that the journals of its execute runs never land in the build's program folder.
const TempDir& scratch() {
    static const TempDir folder;
    return folder;
}

// Runs the real runner as a separate process in `folder`, exactly as a script would, with standard input read
// from `input`. Without a reader its standard output is a pipe whose reader has already gone.
Outcome runCli(std::vector<std::string> arguments, const std::string& folder = ".",
               const std::string& input = "", bool reader = true) {
    if (std::find(arguments.begin(), arguments.end(), "--app-dir") == arguments.end()) {
        arguments.insert(arguments.begin(), {"--app-dir", scratch().path()});
    }
    arguments.insert(arguments.begin(), MORVANE_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const std::string out = scratch().file("stdout");
    const std::string err = scratch().file("stderr");
    const std::string in = scratch().write("stdin", input);
    int pipeEnds[2] = {-1, -1};
    if (!reader && ::pipe(pipeEnds) == 0) {
        ::close(pipeEnds[0]);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(reader ? ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600) : pipeEnds[1], 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::dup2(::open(in.c_str(), O_RDONLY), 0);
        if (::chdir(folder.c_str()) == 0) {
            ::execv(argv[0], argv.data());
        }
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    int status = 0;
    const bool exited = ::waitpid(child, &status, 0) == child && WIFEXITED(status);
    return {exited ? WEXITSTATUS(status) : -1, reader ? readBytes(out) : "", readBytes(err)};
}

// The runner on the given application folder.
Outcome runIn(const std::string& app, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--app-dir", app});
    return runCli(std::move(arguments));
}

// The words of a command line, split at spaces.
std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), {}};
}

// An outcome as one text, to compare whole: the exit code, standard output and standard error.
std::string whole(const Outcome& outcome) {
    return std::to_string(outcome.exitCode) + "|" + outcome.out + "|" + outcome.err;
}

// Each row's count under the path it has afterwards, then the total; what fails goes to standard error with
// exit 1. A path is escaped on lines, so that no name can forge a line, and held as it is in NUL records.
TEST(RunnerOutput, CountsPerRowAndTotalOnLinesOrNulRecordsFailuresOnStandardError) {
    TempDir dir;
    const std::string a = dir.write("report.old.txt", "one^two\r\none");
    const std::string forged = dir.write("a\ntotal\t0", "none");
    const std::string missing = dir.file("gone\nmorvane-cli: fake");
    const std::string escaped = dir.path() + "/gone\\nmorvane-cli: fake";
    EXPECT_EQ(whole(runCli({"simulate", "--pair", "one", "1", "--pair", "^p", "^t", a, forged, missing})),
              "1|3\t" + a + "\n1\t" + dir.path() + "/a\\ntotal\\t0\n0\t" + escaped +
                  "\ntotal\t4\n|morvane-cli: " + escaped + ": no such file or folder\n");
    EXPECT_EQ(readBytes(a), "one^two\r\none");
    EXPECT_EQ(whole(runCli({"execute", "--names", "--pair", "old", "new", "--", a})),
              "0|1\t" + dir.file("report.new.txt") + "\ntotal\t1\n|");
    dir.write("b.txt", "");
    const std::string taken = dir.write("a.txt", "");
    const Outcome failed = runCli({"execute", "--null", "--names", "--pair", "a", "b", taken});
    EXPECT_EQ(std::to_string(failed.exitCode) + failed.out, "1failed\t" + taken + "\0total\t0\0"s);
    EXPECT_TRUE(failed.err.starts_with("morvane-cli: " + taken + ": cannot be renamed: ")) << failed.err;
    // In names mode the diff lists every row with its new name, and after a tab what stands in the way.
    const std::string unchanged = dir.file("report.new.txt");
    EXPECT_EQ(whole(runCli({"diff", "--names", "--pair", "a", "b", taken, unchanged})),
              "1|" + taken + " -> " + dir.file("b.txt") +
                  "\ta file or folder named \"b.txt\" already exists\n" + unchanged + " -> " + unchanged +
                  "\n|");
}

TEST(RunnerArguments, UsageErrorsPrintTheirReasonAndAHintAndRunNothing) {
    TempDir dir;
    const std::string t = dir.write("t.txt", "colour");
    for (const char* line :
         {"", "replace x", "simulate", "simulate --pair a", "simulate --bogus x", "--version x",
          "execute -n --pair colour color t.txt", "execute --pair colour 1 --files-from . t.txt",
          "execute -E --pair (a)\\1 b t.txt", "execute -i --task 1 t.txt",
          "execute --include *.txt --pair a b t.txt", "simulate --no-undo --pair a b t.txt",
          "diff -z --pair a b t.txt", "undo --all", "simulate --task Nothing t.txt",
          "simulate --task 0 t.txt", "simulate --pair a b --files-from none"}) {
        const Outcome run = runCli(words(line), dir.path());
        EXPECT_EQ(run.exitCode, 2) << line;
        EXPECT_TRUE(std::count(run.err.begin(), run.err.end(), '\n') == 2 &&
                    run.err.starts_with("morvane-cli: ") &&
                    run.err.ends_with("\nTry 'morvane-cli --help' for more information.\n"))
            << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(readBytes(t), "colour");
    // After "--" a name starting with a dash is a path like any other.
    dir.write("-n", "colour");
    EXPECT_EQ(runCli({"execute", "--pair", "colour", "color", "--", "-n"}, dir.path()).exitCode, 0);
    EXPECT_EQ(readBytes(dir.file("-n")), "color");
    const Outcome help = runCli({"--help"});
    EXPECT_TRUE(help.exitCode == 0 && help.out.starts_with("usage: morvane-cli") &&
                help.out.find("\nExamples:\n") != std::string::npos);
    EXPECT_EQ(whole(runCli({"--version"})), "0|morvane-cli " + std::to_string(MORVANE_VERSION_MAJOR) + "." +
                                                std::to_string(MORVANE_VERSION_MINOR) + "." +
                                                std::to_string(MORVANE_VERSION_REVISION) + "\n|");
}

// Each option reaches the run: the pair options apply to every pair, the folder options choose the files.
TEST(RunnerArguments, OptionsAndListedPathsReachTheRun) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "Load loader LOAD IMG_0001.JPG");
    EXPECT_EQ(runCli({"execute", "-i", "-w", "--pair", "load", "read", "--pair", "loader", "x", a}).out,
              "3\t" + a + "\ntotal\t3\n");
    EXPECT_EQ(runCli({"execute", "--regex", "--pair", "IMG_(\\d+)\\.JPG", "Holiday_$1.jpg", a}).exitCode, 0);
    EXPECT_EQ(readBytes(a), "read x read Holiday_0001.jpg");

    const std::string tree = dir.makeFolder("tree");
    dir.writeTree(
        {"tree/b.cpp", "one", "tree/sub/a.txt", "one", "tree/sub/c.txt", "one", "tree/.hidden", "one"});
    dir.write("tree/data.bin", "one\0"s);
    EXPECT_EQ(runCli({"simulate", "--pair", "one", "1", "--recursive", "--hidden", "--binary", "--no-ignore",
                      "--include", "*.txt", "--include", "*.bin", "--include", ".*", "--exclude", "c*", tree})
                  .out,
              "1\t" + tree + "/.hidden\n1\t" + tree + "/data.bin\n1\t" + tree + "/sub/a.txt\ntotal\t3\n");

    // Paths from standard input in NUL records follow those of the command line; a listed path is its bytes.
    const std::string first = dir.write("first.txt", "one");
    const std::string odd = dir.write("line\nbreak.txt", "one one");
    const std::string nulInput = odd + '\0' + '\0';
    EXPECT_EQ(
        whole(runCli({"simulate", "-z", "--pair", "one", "1", "--files-from", "-", first}, ".", nulInput)),
        "0|1\t" + first + "\0"s + "2\t" + odd + '\0' + "total\t3\0|"s);
    // The CR of a line end written on another system stays in the name and finds no file.
    const std::string list = dir.write("list", first + "\r\n\n" + first + "\n");
    EXPECT_EQ(runCli({"simulate", "--pair", "one", "1", "--files-from", list}).out,
              "0\t" + first + "\\x0d\n1\t" + first + "\ntotal\t1\n");
}

// An installed runner cannot write its own folder: it keeps the undo journal, and finds the saved tasks,
// where the window of the same user keeps them. It lists tasks and runs one by name or number, and never
// writes the saved tasks itself.
TEST(RunnerTasks, SavedTasksAreListedAndRunFromTheUsersDataFolder) {
    TempDir dir;
    TempDir dataHome;
    ::setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
    const std::string a = dir.write("a.txt", "cat");
    SavedReps reps = emptySavedReps();
    reps.push_back(RepTask{"Pets", {a}, {"cat"}, {"dog"}, false, true});
    reps.push_back(RepTask{"Rename", {}, {"a", "^chr(46)txt"}, {"b", ".md"}, false, false});
    std::filesystem::create_directory(dataHome.file("morvane"));
    const std::string saved = dataHome.file("morvane/Saved_Replacements.txt");
    writeSavedTasks(saved, reps);
    const std::string stored = readBytes(saved);
    const std::string unwritable = dir.file("not-a-folder"); // nobody can write it, not even root
    EXPECT_EQ(runIn(unwritable, {"tasks"}).out, "1\tPets\tcontents\t1\t1\n2\tRename\tnames\t2\t0\n");
    EXPECT_EQ(whole(runIn(unwritable, {"execute", "--task", "Pets"})), "0|1\t" + a + "\ntotal\t1\n|");
    EXPECT_EQ(readBytes(a), "dog");
    EXPECT_EQ(runIn(unwritable, {"execute", "--task", "2", a}).out,
              "2\t" + dir.file("b.md") + "\ntotal\t2\n");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(readBytes(saved) == stored && std::filesystem::exists(dataHome.file("morvane/Undo")));
    EXPECT_FALSE(std::filesystem::exists(unwritable));
}

TEST(RunnerUndo, RunsAreListedAndPutBackNewestFirstAndAnEditedFileIsLeft) {
    const TempDir appFolder;
    const std::string& app = appFolder.path();
    TempDir files;
    const std::string a = files.write("a.txt", "one\r\none");
    const std::string b = files.write("b.txt", "no match");
    ASSERT_EQ(runIn(app, {"execute", "--pair", "one", "two", a, b}).exitCode, 0);
    ASSERT_EQ(runIn(app, {"execute", "--names", "--pair", ".txt", ".md", a, b}).exitCode, 0);
    const Outcome listed = runIn(app, {"undo", "--list"});
    EXPECT_TRUE(listed.out.starts_with("1\t") &&
                listed.out.find("\tnames\t2\tdone\n2\t") != std::string::npos &&
                listed.out.ends_with("\tcontents\t2\tdone\n"))
        << listed.out;
    EXPECT_EQ(runIn(app, {"undo"}).exitCode, 0);
    EXPECT_EQ(namesIn(files.path()), (std::vector<std::string>{"a.txt", "b.txt"}));
    files.write("a.txt", "mine now");
    const Outcome contents = runIn(app, {"undo"});
    EXPECT_EQ(contents.exitCode, 1);
    EXPECT_TRUE(contents.err.starts_with("morvane-cli: " + a + ": changed since the run; left as it is; "))
        << contents.err;
    EXPECT_NE(contents.out.find(": 1 put back, 1 left\n"), std::string::npos) << contents.out;
    EXPECT_EQ(readBytes(a), "mine now");
    EXPECT_EQ(runIn(app, {"execute", "--no-undo", "--pair", "no", "yes", b}).exitCode, 0);
    EXPECT_EQ(whole(runIn(app, {"undo"})), "0|nothing to undo\n|");
}

// The runner's diff, applied by patch to copies of the files, gives what execute writes:
// with CR LF and no final line end, under names it must quote, and with one section for a file the rows spell
// differently or reach through a link. The runner sees the paths relative to the folder, as -p1 wants them.
TEST(RunnerDiff, PatchGivesWhatExecuteWrites) {
    TempDir dir;
    const std::vector<std::string> files = {"crlf.txt",     "one\r\ntwo\r\n\r\nthree\r\n",
                                            "nofinal.txt",  "keep\nold",
                                            "same.txt",     "nothing\n",
                                            "back\\slash",  "old\n",
                                            "line\nfeed",   "old\n",
                                            "sub/real.txt", "old\n",
                                            "binary file",  "old\0"s};
    for (const std::string folder : {"work/", "by-patch/"}) {
        dir.makeFolder(folder + "d");
        for (std::size_t i = 0; i < files.size(); i += 2) {
            dir.writeTree({folder + files[i], files[i + 1]});
        }
        std::filesystem::create_symlink("sub/real.txt", dir.file(folder + "link.txt"));
    }
    std::vector<std::string> arguments = words("diff --pair two^p 2 --pair old new^p --pair e E --");
    for (std::size_t i = 0; i < files.size(); i += 2) {
        arguments.push_back(files[i]);
    }
    arguments.insert(arguments.end(), {"./sub/real.txt", "d/../sub/real.txt", "link.txt"});
    const Outcome diff = runCli(arguments, dir.file("work"));
    ASSERT_EQ(std::to_string(diff.exitCode) + diff.err,
              "0morvane-cli: warning: pair 3 also changes what pair 2 inserts\n");
    for (const char* absent : {"same.txt", "link.txt", "./sub", "d/.."}) {
        EXPECT_EQ(diff.out.find(absent), std::string::npos) << absent << " in " << diff.out;
    }
    const std::string patchFile = dir.write("out.diff", diff.out);
    ASSERT_EQ(
        std::system(("patch --quiet -p1 -d '" + dir.file("by-patch") + "' < '" + patchFile + "'").c_str()),
        0);
    arguments[0] = "execute";
    ASSERT_EQ(runCli(arguments, dir.file("work")).exitCode, 0);
    EXPECT_EQ(readBytes(dir.file("work/crlf.txt")), "onE\r\n2\r\nthrEE\r\n");
    for (std::size_t i = 0; i + 2 < files.size(); i += 2) { // all but the file holding a NUL byte
        EXPECT_EQ(readBytes(dir.file("by-patch/" + files[i])), readBytes(dir.file("work/" + files[i])))
            << files[i];
    }
    EXPECT_EQ(whole(runCli({"diff", "--pair", "x", "y", dir.file("work/same.txt")})), "0||");
}

// Rows are printed while the run goes on, so a reader can go away part way; an execute run is never left
// half done for that, and says that its report was lost.
TEST(RunnerOutput, ExecuteWhoseReaderWentAwayStillChangesEveryFile) {
    TempDir dir;
    std::vector<std::string> files;
    for (int k = 0; k < 400; ++k) {
        files.push_back(dir.write("file-" + std::to_string(k) + ".txt", "a"));
    }
    EXPECT_EQ(runCli({"execute", "--no-undo", "--pair", "a", "b", "-r", dir.path()}, ".", "", false).exitCode,
              1);
    for (const std::string& file : files) {
        ASSERT_EQ(readBytes(file), "b") << file;
    }
}

} // namespace
} // namespace morvane
