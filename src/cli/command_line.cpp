#include "cli/command_line.h"

#include "core/app/program_version.h"
#include "core/text/pair_matcher.h"

namespace morvane::cli {

namespace {

ParseOutcome usageError(std::string message) {
    return ParseOutcome{{}, std::move(message)};
}

// Before "--", every argument that starts with a dash is an option, known or not: a mistyped option taken
// for a path would let the run go on with what the user did not ask for. "-" alone stays a path.
bool isOption(const std::string& argument) {
    return argument.size() > 1 && argument.front() == '-';
}

// The options and paths of simulate and execute, from index `first` on.
std::string parseRunArguments(const std::vector<std::string>& arguments, std::size_t first,
                              Invocation& invocation) {
    RunRequest& request = invocation.request;
    bool onlyPathsFollow = false;
    bool pairsOrModeGiven = false;
    bool expansionOptionGiven = false;
    PairOptions pairOptions;
    ExpansionOptions& expansion = invocation.expansion;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPathsFollow || !isOption(argument)) {
            request.files.push_back(argument);
        } else if (argument == "--") {
            onlyPathsFollow = true;
        } else if (argument == "-z" || argument == "--null") {
            invocation.nulRecords = true;
        } else if (argument == "--names") {
            request.mode = ReplaceMode::FileNames;
            pairsOrModeGiven = true;
        } else if (argument == "--pair") {
            if (i + 2 >= arguments.size()) {
                return "--pair needs a FIND and a REPLACE text";
            }
            request.finds.push_back(arguments[i + 1]);
            request.replaces.push_back(arguments[i + 2]);
            pairsOrModeGiven = true;
            i += 2;
        } else if (argument == "-i" || argument == "--ignore-case") {
            pairOptions.ignoreCase = true;
        } else if (argument == "-w" || argument == "--word-regexp") {
            pairOptions.wholeWord = true;
        } else if (argument == "-E" || argument == "--regex") {
            pairOptions.pattern = true;
        } else if (argument == "--no-undo" && request.execute) {
            request.keepForUndo = false;
        } else if (argument == "-r" || argument == "--recursive") {
            invocation.recursive = true;
        } else if (argument == "--include" || argument == "--exclude") {
            if (i + 1 >= arguments.size()) {
                return argument + " needs a GLOB";
            }
            (argument == "--include" ? expansion.includes : expansion.excludes).push_back(arguments[++i]);
            expansionOptionGiven = true;
        } else if (argument == "--hidden") {
            expansion.hidden = expansionOptionGiven = true;
        } else if (argument == "--no-ignore") {
            expansion.ignored = expansionOptionGiven = true;
        } else if (argument == "--binary") {
            expansion.binary = expansionOptionGiven = true;
        } else if (argument == "--files-from") {
            if (i + 1 >= arguments.size()) {
                return "--files-from needs a FILE, or - for standard input";
            }
            if (invocation.filesFrom) {
                return "--files-from may be given once";
            }
            invocation.filesFrom = arguments[++i];
        } else if (argument == "--task") {
            if (i + 1 >= arguments.size()) {
                return "--task needs a task name or number";
            }
            invocation.task = arguments[++i];
        } else {
            return "unknown option \"" + argument + "\"";
        }
    }
    if (invocation.task && pairsOrModeGiven) {
        return "--task brings its own pairs and mode; --pair and --names cannot be added";
    }
    if (invocation.task && !pairOptions.isPlain()) {
        return "--task brings its own pairs' options; -i, -w and -E cannot be added";
    }
    if (!pairOptions.isPlain()) {
        request.options.assign(request.finds.size(), pairOptions);
    }
    if (std::string refused = refusedPatternText(request.finds, request.options); !refused.empty()) {
        return refused;
    }
    if (expansionOptionGiven && !invocation.recursive) {
        return "--include, --exclude, --hidden, --no-ignore and --binary choose the files of a folder; they "
               "need -r";
    }
    if (!invocation.task && request.files.empty() && !invocation.filesFrom) {
        return "no PATH given";
    }
    return {};
}

} // namespace

std::string refusedPatternText(const std::vector<std::string>& finds, const PairOptionsList& options) {
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (std::string error = patternError(finds[j], optionsOfPair(options, j)); !error.empty()) {
            return "the pattern \"" + finds[j] + "\" is refused: " + error;
        }
    }
    return {};
}

ParseOutcome parseCommandLine(const std::vector<std::string>& arguments) {
    ParseOutcome outcome;
    Invocation& invocation = outcome.invocation;
    std::size_t i = 0;
    if (i < arguments.size() && arguments[i] == "--app-dir") {
        if (i + 1 >= arguments.size()) {
            return usageError("--app-dir needs a folder");
        }
        invocation.appDir = arguments[i + 1];
        i += 2;
    }
    if (i >= arguments.size()) {
        return usageError("no command given");
    }
    const std::string& command = arguments[i];
    if (command == "--help" || command == "-h" || command == "--version") {
        invocation.command = command == "--version" ? Command::Version : Command::Help;
        if (i + 1 < arguments.size()) {
            return usageError(command + " takes no arguments");
        }
    } else if (command == "tasks") {
        invocation.command = Command::ListTasks;
        if (i + 1 < arguments.size()) {
            return usageError("tasks takes no arguments");
        }
    } else if (command == "undo") {
        const bool list = i + 1 < arguments.size() && arguments[i + 1] == "--list";
        invocation.command = list ? Command::ListRuns : Command::Undo;
        if (i + (list ? 2 : 1) < arguments.size()) {
            return usageError("undo takes no arguments but --list");
        }
    } else if (command == "simulate" || command == "execute") {
        invocation.command = Command::Run;
        invocation.request.execute = command == "execute";
        if (std::string error = parseRunArguments(arguments, i + 1, invocation); !error.empty()) {
            return usageError(std::move(error));
        }
    } else if (command == "diff") {
        invocation.command = Command::Diff;
        if (std::string error = parseRunArguments(arguments, i + 1, invocation); !error.empty()) {
            return usageError(std::move(error));
        }
        if (invocation.nulRecords) {
            return usageError("diff prints lines for people and takes no -z");
        }
    } else {
        return usageError("unknown command \"" + command + "\"");
    }
    return outcome;
}

std::string usageText() {
    return "usage: morvane-cli [--app-dir DIR] simulate [-z] [--names] [-i] [-w] [-E] [--pair FIND "
           "REPLACE]... "
           "[--] PATH...\n"
           "       morvane-cli [--app-dir DIR] execute  [-z] [--names] [--no-undo] [-i] [-w] [-E] "
           "[--pair FIND REPLACE]... [--] PATH...\n"
           "       morvane-cli [--app-dir DIR] simulate|execute [-z] --task NAME|NUMBER [--] [PATH...]\n"
           "  each of them also takes [-r [--include GLOB]... [--exclude GLOB]... [--hidden] [--no-ignore]\n"
           "  [--binary]] and [--files-from FILE]\n"
           "       morvane-cli [--app-dir DIR] diff [--names] [-i] [-w] [-E] [--pair FIND REPLACE]... [--] "
           "PATH...\n"
           "       morvane-cli [--app-dir DIR] diff --task NAME|NUMBER [--] [PATH...]\n"
           "       morvane-cli [--app-dir DIR] tasks\n"
           "       morvane-cli [--app-dir DIR] undo [--list]\n"
           "\n"
           "Applies the pairs in order to every PATH in order and prints, per PATH, the number of "
           "occurrences\n"
           "found, a TAB and the path, then \"total\", a TAB and the sum. simulate changes nothing; execute\n"
           "writes the files (or, with --names, renames them; the new path is printed). A PATH that\n"
           "could not be read, written or renamed prints \"failed\" in place of its count, its reason\n"
           "goes to standard error, and the sum leaves it out. In a printed path a backslash is \\\\,\n"
           "a line feed \\n, a TAB \\t and any other control byte \\xHH.\n"
           "\n"
           "  --names          replace in file and folder names instead of file contents\n"
           "  --pair F R       find F and replace it by R; in both, ^p is CR LF, ^t is TAB and\n"
           "                   ^chr(n) is the byte n (0..255)\n"
           "  -i, --ignore-case\n"
           "                   every --pair matches letters regardless of case (Unicode case folding\n"
           "                   in UTF-8 text, ASCII in other text)\n"
           "  -w, --word-regexp\n"
           "                   every --pair matches only where no letter, digit or _ lies right\n"
           "                   before or after\n"
           "  -E, --regex      every --pair's F is a regular expression (RE2: linear time, no\n"
           "                   backreferences or look-around), and R may hold $1, ${name} and $$ for\n"
           "                   a dollar sign; occurrences are then leftmost and non-overlapping\n"
           "  --task T         take the pairs and the mode of the saved task named T (or, when no task has\n"
           "                   that name, numbered T), and its files when no PATH is given\n"
           "  -z, --null       for scripts: end each record (count or \"failed\", TAB, path; then\n"
           "                   total, TAB, sum) with a NUL byte instead of a line end, and print the\n"
           "                   paths as they are; with --files-from, the paths in FILE are ended by NUL\n"
           "                   bytes too\n"
           "  -r, --recursive  a folder PATH stands for every regular file below it, sorted, leaving out\n"
           "                   hidden files and folders (names starting with a dot), what .ignore files\n"
           "                   and the git work tree's .gitignore files and .git/info/exclude ignore, and\n"
           "                   binary files (a NUL byte in the first 8 KiB); links to folders are not "
           "followed\n"
           "  --include GLOB   with -r: only files whose name matches one GLOB given (* ? [a-z] [!a-z])\n"
           "  --exclude GLOB   with -r: no file whose name matches a GLOB given\n"
           "  --hidden         with -r: also hidden files and folders\n"
           "  --no-ignore      with -r: also the files the ignore files leave out\n"
           "  --binary         with -r: also binary files\n"
           "  --files-from F   also the paths in file F (- for standard input), one per line, after the\n"
           "                   PATHs; each line is the path's exact bytes (a CR before the line feed stays\n"
           "                   part of it); empty lines are skipped\n"
           "  --no-undo        execute only: keep nothing of the run for undo\n"
           "  --app-dir DIR    the program folder holding the saved tasks (default: this program's folder);\n"
           "                   when it cannot be written, they are in $XDG_DATA_HOME/morvane instead\n"
           "                   (~/.local/share/morvane), as the window keeps them\n"
           "  --               every argument after it is a PATH\n"
           "  --help           show this text\n"
           "  --version        show the program's version\n"
           "\n"
           "diff changes nothing and prints what execute would write as a unified diff (three lines of\n"
           "context, lines ended after each line feed, so a CR stays on its line) that patch -p1 applies;\n"
           "for a file holding a NUL byte it prints \"Binary files a/PATH and b/PATH differ\". A path\n"
           "holding a blank, a control byte, \" or \\ is named in double quotes with those bytes escaped as "
           "in\n"
           "C (\\t, \\n, \\\", \\\\, else \\ooo), as git does, so that patch and git apply find it.\n"
           "With --names (or a task in names mode) it prints instead, per PATH, the path, \" -> \" and the\n"
           "path with the new name execute would give it, and where execute would refuse the rename a TAB\n"
           "and the reason (the new name exists already, another PATH gets the same one, the name would be\n"
           "empty, hold a separator or be longer than the file system takes, or an earlier PATH renames the\n"
           "folder the PATH is in); the exit status is then 1. Two spellings of one PATH are one rename.\n"
           "\n"
           "tasks lists the saved tasks: number, name, contents or names, pair count and file count,\n"
           "separated by TABs. The runner never changes the saved tasks or the settings.\n"
           "\n"
           "Every execute run keeps the old contents or names of what it changed in the folder Undo beside\n"
           "the saved tasks (the last 20 runs, at most 1 GiB of old contents; a run changing more\n"
           "is not kept, and says so before it starts). undo puts back the newest run not yet undone:\n"
           "every file or name still as the run left it; one changed since is left as it is and reported.\n"
           "An undo that cannot finish (a full disk, a kill) leaves the run to be undone again: it prints\n"
           "\"not undone yet\", and the next undo puts back the rest. undo --list prints the kept runs,\n"
           "newest first: number, start time (UTC), contents or names, files changed and done, interrupted\n"
           "or undone, separated by TABs.\n"
           "\n"
           "Exit status: 0 when every PATH was processed (or, for undo, everything was put back or there\n"
           "was nothing to undo), 1 when any failed (reasons on standard error, with paths escaped as\n"
           "above), 2 for a usage error.\n"
           "\n"
           "Examples:\n"
           "  morvane-cli simulate --pair colour color notes.txt\n"
           "      counts \"colour\" in notes.txt and changes nothing\n"
           "  morvane-cli execute -r --include '*.cpp' --include '*.h' --pair colour color src\n"
           "      replaces in every C++ file below src that git does not ignore\n"
           "  find . -name '*.txt' -print0 | morvane-cli simulate -z --pair old new --files-from -\n"
           "      reads the paths from find, NUL-ended, and prints NUL-ended records\n"
           "  morvane-cli execute --names --pair ' ' _ -- *.txt\n"
           "      renames the files, blanks in their names becoming underscores\n"
           "  morvane-cli execute --task 2\n"
           "      runs the saved task numbered 2 on its own files\n"
           "  morvane-cli undo\n"
           "      puts back what the last execute run changed\n";
}

std::string versionText() {
    return windowCaption("morvane-cli", programVersion()) + "\n";
}

std::string usageErrorText(const std::string& reason) {
    return "morvane-cli: " + reason + "\nTry 'morvane-cli --help' for more information.\n";
}

} // namespace morvane::cli
