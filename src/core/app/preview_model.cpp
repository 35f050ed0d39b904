#include "core/app/preview_model.h"

#include "core/journal/file_reasons.h"
#include "core/platform/paths.h"
#include "core/platform/text_file.h"
#include "core/run/rename_plan.h"
#include "core/run/row_problem.h"
#include "core/text/text_encoding.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace morvane {

namespace {

// A control byte other than TAB, written as an escape: \r, \n, \0 or \xHH.
std::string escapeOf(char byte) {
    switch (byte) {
    case '\r':
        return "\\r";
    case '\n':
        return "\\n";
    case '\0':
        return "\\0";
    default:
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02x", static_cast<unsigned char>(byte));
        return text;
    }
}

bool isShownEscaped(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return (value < 0x20 && byte != '\t') || value == 0x7f;
}

// Control bytes show as escapes in a style of their own, so that a CR or NUL the pairs put in can be seen.
void appendVisible(std::vector<PreviewLine::Piece>& pieces, std::string_view bytes, bool changed) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = at;
        while (end < bytes.size() && !isShownEscaped(bytes[end])) {
            ++end;
        }
        if (end > at) {
            pieces.push_back({std::string(bytes.substr(at, end - at)), changed, false});
        }
        for (; end < bytes.size() && isShownEscaped(bytes[end]); ++end) {
            pieces.push_back({escapeOf(bytes[end]), changed, true});
        }
        at = end;
    }
}

std::string visibleName(std::string_view bytes) {
    std::vector<PreviewLine::Piece> pieces;
    appendVisible(pieces, bytes, false);
    std::string text;
    for (const PreviewLine::Piece& piece : pieces) {
        text += piece.text;
    }
    return text;
}

PreviewLine previewLine(std::string_view text, const HunkLine& line) {
    PreviewLine shown;
    shown.kind = line.kind;
    for (const ShownPiece& piece : shownPieces(text, line)) {
        const std::size_t size = piece.bytes.end - piece.bytes.begin;
        if (size == 0) {
            shown.pieces.push_back({{}, false, false});
        } else {
            appendVisible(shown.pieces, text.substr(piece.bytes.begin, size), piece.changed);
        }
    }
    return shown;
}

std::string hunkHeader(const Hunk& hunk) {
    return "@@ -" + std::to_string(hunk.oldFirst) + "," + std::to_string(hunk.oldCount) + " +" +
           std::to_string(hunk.newFirst) + "," + std::to_string(hunk.newCount) + " @@";
}

// The first bytes of a file.
ReadOutcome startOfFile(const std::string& path) {
    std::ifstream file(toFsPath(path), std::ios::binary);
    if (!file) {
        return {{}, std::strerror(errno)};
    }
    std::string start(static_cast<std::size_t>(kFirstLookBytes), '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(file.gcount()));
    return {std::move(start), {}};
}

// A file's text as the pairs see it, with the encoding its mark names.
struct FileText {
    std::string text;
    TextEncoding encoding = TextEncoding::Bytes;
    std::string error; // why the contents are not text in their encoding
};

// The text of the contents, or with wholeLinesOnly of those of their lines that are whole, as the start of a
// file holds them.
FileText textOfContents(std::string contents, bool wholeLinesOnly) {
    FileText file;
    file.encoding = encodingOf(contents);
    if (wholeLinesOnly) {
        contents.resize(wholeLinesEnd(contents, file.encoding));
    }
    if (file.encoding == TextEncoding::Bytes) {
        file.text = std::move(contents);
    } else {
        file.error = decodeText(contents, file.encoding, file.text);
    }
    return file;
}

// A hunk near the end of the start read may change once the bytes after it are seen (an occurrence that
// reaches past the cut); only those well before it are shown.
void keepHunksClearOfTheCut(PreviewResult& result, const ContentsDiff& diff, std::size_t cut,
                            const std::vector<std::string>& finds) {
    std::size_t reach = std::size_t{64} << 10;
    for (const std::string& find : finds) {
        reach += 16 * find.size();
    }
    const auto clear = [&](const Hunk& hunk) {
        return !hunk.lines.empty() && hunk.lines.back().kind != LineKind::Added &&
               hunk.lines.back().bytes.end + reach <= cut;
    };
    std::size_t kept = 0;
    while (kept < diff.hunks.size() && clear(diff.hunks[kept])) {
        ++kept;
    }
    result.hunks.resize(std::min(result.hunks.size(), kept));
    result.partial = true;
    result.state = PreviewResult::State::Changes;
}

PreviewResult contentsPreview(const PreviewRequest& request, const std::atomic<bool>* cancel) {
    PreviewResult result;
    if (request.current < 0 || request.current >= static_cast<int>(request.paths.size())) {
        return result;
    }
    const std::string& path = request.paths[static_cast<std::size_t>(request.current)];
    result.path = path;
    if (std::string problem = contentsProblem(path); !problem.empty()) {
        result.state = PreviewResult::State::Problem;
        result.problem = std::move(problem);
        return result;
    }
    ReadOutcome read = request.firstLook ? startOfFile(path) : readTextFile(path);
    if (!read.ok()) {
        result.state = PreviewResult::State::Problem;
        result.problem = read.error;
        return result;
    }
    const FileText file = textOfContents(std::move(read.text), request.firstLook);
    result.encoding = encodingName(file.encoding);
    if (!file.error.empty()) {
        result.state = PreviewResult::State::Problem;
        result.problem = file.error;
        return result;
    }
    const ContentsDiff diff = diffContents(file.text, request.finds, request.replaces, request.options,
                                           {kPreviewHunks, kPreviewLines}, cancel);
    const TrackedReplacement& replacement = diff.replacement;
    if (replacement.cancelled) {
        result.state = PreviewResult::State::Cancelled;
        return result;
    }
    std::string problem = replacement.error;
    if (problem.empty()) {
        problem = encodingProblem(replacement.newText, file.encoding);
    }
    if (!problem.empty()) {
        result.state = PreviewResult::State::Problem;
        result.problem = std::move(problem);
        return result;
    }
    result.count = replacement.count;
    result.more = diff.more;
    result.state = diff.hunks.empty() ? PreviewResult::State::NoChange : PreviewResult::State::Changes;
    for (const Hunk& hunk : diff.hunks) {
        PreviewHunk shown{hunkHeader(hunk), {}};
        for (const HunkLine& line : hunk.lines) {
            shown.lines.push_back(previewLine(
                line.kind == LineKind::Added ? std::string_view(replacement.newText) : file.text, line));
        }
        result.hunks.push_back(std::move(shown));
    }
    if (request.firstLook) {
        keepHunksClearOfTheCut(result, diff, file.text.size(), request.finds);
    }
    return result;
}

std::string shownName(const std::string& path) {
    return visibleName(NamedEntry(path).name());
}

PreviewResult namesPreview(const PreviewRequest& request) {
    RunRequest run;
    run.finds = request.finds;
    run.replaces = request.replaces;
    run.options = request.options;
    run.files = request.paths;
    run.mode = ReplaceMode::FileNames;
    PreviewResult result;
    result.state = PreviewResult::State::Changes;
    for (const PlannedRename& row : planRenames(run).rows) {
        result.count += row.count;
        result.renames.push_back({shownName(row.path), shownName(row.newPath), renameProblem(row)});
    }
    return result;
}

} // namespace

PreviewResult computePreview(const PreviewRequest& request, const std::atomic<bool>* cancel) {
    return request.mode == ReplaceMode::FileNames ? namesPreview(request) : contentsPreview(request, cancel);
}

std::string writeFileDiff(const std::string& path, const std::vector<std::string>& finds,
                          const std::vector<std::string>& replaces, const PairOptionsList& options,
                          const std::function<void(std::string_view)>& write) {
    if (std::string reason = contentsProblem(path); !reason.empty()) {
        return reason;
    }
    ReadOutcome read = readTextFile(path);
    if (!read.ok()) {
        return cannotReadText(read.error);
    }
    const FileText file = textOfContents(std::move(read.text), false);
    if (!file.error.empty()) {
        return file.error;
    }
    const TrackedReplacement replaced = replaceTracked(file.text, finds, replaces, options);
    if (!replaced.error.empty()) {
        return replaced.error;
    }
    if (replaced.changes.empty()) {
        return {};
    }
    if (std::string problem = encodingProblem(replaced.newText, file.encoding); !problem.empty()) {
        return problem;
    }
    const std::string oldLabel = diffPathLabel("a/", path);
    const std::string newLabel = diffPathLabel("b/", path);
    if (holdsNul(file.text) || holdsNul(replaced.newText)) {
        write("Binary files " + oldLabel + " and " + newLabel + " differ\n");
        return {};
    }
    const std::string_view encoding = encodingName(file.encoding);
    const std::string after = encoding.empty() ? "\n" : "\t" + std::string(encoding) + "\n";
    write("--- " + oldLabel + after + "+++ " + newLabel + after);
    forEachHunk(file.text, replaced.newText, replaced.changes, kDiffContextLines, [&](Hunk&& hunk) {
        write(unifiedHunk(file.text, replaced.newText, hunk));
        return true;
    });
    return {};
}

} // namespace morvane
