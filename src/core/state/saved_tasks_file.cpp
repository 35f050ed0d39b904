#include "core/state/saved_tasks_file.h"

#include "core/platform/paths.h"
#include "core/state/saved_tasks_format.h"
#include "core/state/tagged_text.h"
#include "core/state/task_rows.h"
#include "core/text/number_text.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace morvane {

namespace fmt = saved_tasks_format;

namespace {

std::string join(const std::vector<std::string>& texts, std::string_view between) {
    std::string joined;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            joined += between;
        }
        joined += texts[i];
    }
    return joined;
}

std::vector<std::string> split(std::string_view text, std::string_view at) {
    std::vector<std::string> pieces;
    for (;;) {
        const std::size_t found = text.find(at);
        pieces.emplace_back(text.substr(0, found));
        if (found == std::string_view::npos) {
            return pieces;
        }
        text.remove_prefix(found + at.size());
    }
}

void appendGroup(std::string& out, const fmt::TagPair& tags, std::string_view value) {
    for (std::string_view line : {tags.open, value, tags.close}) {
        out += line;
        out += fmt::kLineEnd;
    }
}

std::string pairOptionsLine(const PairOptions& options) {
    std::string letters;
    if (options.ignoreCase) {
        letters += fmt::kIgnoreCaseLetter;
    }
    if (options.wholeWord) {
        letters += fmt::kWholeWordLetter;
    }
    if (options.pattern) {
        letters += fmt::kPatternLetter;
    }
    return letters.empty() ? std::string(fmt::kPlainPair) : letters;
}

std::string pairOptionsText(const TaskPairs& pairs) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < pairs.finds.size(); ++i) {
        lines.push_back(pairOptionsLine(optionsOfPair(pairs.options, i)));
    }
    return join(lines, fmt::kLineEnd);
}

void appendBlock(std::string& out, const RepTask& task) {
    out += fmt::kSeparator;
    out += fmt::kLineEnd;
    appendGroup(out, fmt::kName, task.name);
    appendGroup(out, fmt::kReplaceInContents, flagText(task.replaceInContents));
    appendGroup(out, fmt::kCaseSensitive, flagText(task.caseSensitive));
    const TaskPairs pairs = pairsOfTask(task);
    for (const std::string& find : pairs.finds) {
        appendGroup(out, fmt::kFind, find);
    }
    for (const std::string& replace : pairs.replaces) {
        appendGroup(out, fmt::kReplace, replace);
    }
    if (!pairs.options.empty()) {
        appendGroup(out, fmt::kPairOptions, pairOptionsText(pairs));
    }
    // An empty list and a list of one empty entry both give the one empty line.
    appendGroup(out, fmt::kFiles, join(task.files, fmt::kLineEnd));
}

} // namespace

std::string savedTasksText(const SavedReps& reps) {
    std::string text;
    for (const RepTask& task : reps) {
        if (!task.name.empty()) {
            appendBlock(text, task);
        }
    }
    text += fmt::kSeparator;
    return text;
}

namespace {

// The text between a field's opening tag line and the first closing tag line after it; nothing when the tags
// are missing or the value is empty, so that the field keeps its initial value.
std::optional<std::string> fieldValue(std::string_view block, const fmt::TagPair& tags) {
    std::string pattern(tags.open);
    pattern += fmt::kLineEnd;
    pattern += kValueMark;
    pattern += fmt::kLineEnd;
    pattern += tags.close;
    bool notFound = false;
    std::vector<std::string> values = patternValues(block, pattern, notFound);
    if (notFound || values.empty() || values.front().empty()) {
        return std::nullopt;
    }
    return std::move(values.front());
}

std::vector<std::string> groupValues(std::string_view block, const fmt::TagPair& tags) {
    return tagValues(block, std::string(tags.open) + std::string(fmt::kLineEnd),
                     std::string(fmt::kLineEnd) + std::string(tags.close));
}

// Nothing for a line the writer would not write; the letters may come in any order.
std::optional<PairOptions> pairOptionsOfLine(std::string_view line) {
    PairOptions options;
    if (line == fmt::kPlainPair) {
        return options;
    }
    if (line.empty()) {
        return std::nullopt;
    }
    for (char letter : line) {
        bool* option = letter == fmt::kIgnoreCaseLetter  ? &options.ignoreCase
                       : letter == fmt::kWholeWordLetter ? &options.wholeWord
                       : letter == fmt::kPatternLetter   ? &options.pattern
                                                         : nullptr;
        if (option == nullptr || *option) {
            return std::nullopt;
        }
        *option = true;
    }
    return options;
}

// A group that does not give one valid line per find group, as a hand edit that adds or removes a pair
// leaves it, gives all pairs plain rather than move options onto other pairs or lose the task.
PairOptionsList pairOptionsOfGroup(std::string_view text, std::size_t pairCount) {
    const std::vector<std::string> lines = split(text, fmt::kLineEnd);
    if (lines.size() != pairCount) {
        return {};
    }
    PairOptionsList options;
    for (const std::string& line : lines) {
        const std::optional<PairOptions> pair = pairOptionsOfLine(line);
        if (!pair) {
            return {};
        }
        options.push_back(*pair);
    }
    return withoutTrailingPlain(std::move(options));
}

RepTask readBlock(std::string_view block) {
    RepTask task;
    if (auto name = fieldValue(block, fmt::kName)) {
        task.name = std::move(*name);
    }
    if (auto flag = fieldValue(block, fmt::kReplaceInContents)) {
        task.replaceInContents = readsAsTrue(*flag);
    }
    if (auto flag = fieldValue(block, fmt::kCaseSensitive)) {
        task.caseSensitive = readsAsTrue(*flag);
    }
    task.finds = groupValues(block, fmt::kFind);
    task.replacements = groupValues(block, fmt::kReplace);
    if (auto options = fieldValue(block, fmt::kPairOptions)) {
        task.pairOptions = pairOptionsOfGroup(*options, task.finds.size());
    }
    if (auto files = fieldValue(block, fmt::kFiles)) {
        task.files = split(*files, fmt::kLineEnd);
    }
    return task;
}

// A file edited where lines end in LF alone reads as if they ended in CR LF. A file that holds a CR LF
// anywhere reads as it is: a lone LF in it is part of a text, as the writer, which never changes a text, put
// it there.
std::string withCrLfLineEnds(std::string_view contents) {
    if (contents.find(fmt::kLineEnd) != std::string_view::npos ||
        contents.find('\n') == std::string_view::npos) {
        return std::string(contents);
    }
    std::string text;
    text.reserve(contents.size() + contents.size() / 16);
    for (char c : contents) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

bool onlyBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// One line end more or less at either end of the file reads the same, and a separator line counts only as a
// whole line, so the blocks never hold the line ends around it.
SavedTasksRead readTasks(std::string_view contents) {
    SavedTasksRead read{emptySavedReps(), false};
    std::string text(fmt::kLineEnd);
    text += stripEdges(withCrLfLineEnds(contents), fmt::kLineEnd);
    text += fmt::kLineEnd;
    std::string delimiter(fmt::kLineEnd);
    delimiter += fmt::kSeparator;
    delimiter += fmt::kLineEnd;
    // Without a separator line the whole text would count as one block.
    if (text.find(delimiter) == std::string::npos) {
        read.dropsSomething = !onlyBlank(text);
        return read;
    }
    for (const std::string& block : split(text, delimiter)) {
        if (!block.empty()) {
            read.reps.push_back(readBlock(block));
            read.dropsSomething = read.dropsSomething || read.reps.back().name.empty();
        }
    }
    return read;
}

// The contents to keep in the backup: empty for a file that is not there, nothing at all for one that is
// there but cannot be read.
std::optional<std::string> previousContents(const std::string& path) {
    ReadOutcome read = readTextFile(path);
    if (read.ok()) {
        return std::move(read.text);
    }
    std::error_code error;
    if (std::filesystem::status(toFsPath(path), error).type() == std::filesystem::file_type::not_found) {
        return std::string();
    }
    return std::nullopt;
}

} // namespace

std::string savedTasksPath(const std::string& folder) {
    return joinPath(folder, fmt::kFileName);
}

SavedReps readOrCreateSavedTasks(const std::string& savedTasksPath) {
    if (!fileExists(savedTasksPath)) {
        SavedReps reps = emptySavedReps();
        writeSavedTasks(savedTasksPath, reps);
        return reps;
    }
    return readSavedTasks(savedTasksPath);
}

SavedReps readSavedTasks(const std::string& savedTasksPath) {
    return readTasks(readTextFileOrEmpty(savedTasksPath)).reps;
}

SavedTasksRead savedTasksFromText(std::string_view contents) {
    return readTasks(contents);
}

WriteOutcome writeSavedTasks(const std::string& savedTasksPath, const SavedReps& reps) {
    const std::optional<std::string> previous = previousContents(savedTasksPath);
    if (!previous) {
        return WriteOutcome{"the saved-tasks file cannot be read, so it is not replaced"};
    }
    // Only the most recent previous state is kept; a backup that cannot be written does not stop the save.
    writeTextFile(*previous, savedTasksPath + std::string(fmt::kBackupSuffix));
    return writeTextFile(savedTasksText(reps), savedTasksPath);
}

RepTask storedForm(const RepTask& task) {
    RepTask stored = task;
    const TaskPairs pairs = pairsOfTask(task);
    stored.finds = pairs.finds;
    stored.replacements = pairs.replaces;
    stored.pairOptions = pairs.options;
    if (stored.files == std::vector<std::string>{""}) {
        stored.files.clear();
    }
    return stored;
}

bool readsBackFaithfully(const RepTask& task) {
    const SavedReps back = readTasks(savedTasksText({task})).reps;
    return back.size() == 2 && back[1] == storedForm(task);
}

} // namespace morvane
