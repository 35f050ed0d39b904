#include "core/app/list_text.h"

#include "core/platform/paths.h"
#include "core/text/occurrences.h"

namespace morvane {

std::vector<std::string> splitHeadings(std::string_view text) {
    std::vector<std::string> headings;
    if (text.empty()) {
        return headings;
    }
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        headings.emplace_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) {
            return headings;
        }
        start = comma + 1;
    }
}

double initialColumnWidthTwips(double listWidthTwips, std::size_t columns) {
    return columns == 0 ? 0.0 : (listWidthTwips - 80.0) / static_cast<double>(columns);
}

std::string typedToStored(std::string_view typed) {
    return replaceAllOccurrences(replaceAllOccurrences(typed, "\r\n", "\n"), "\n", "\r\n");
}

std::string storedToTyped(std::string_view stored) {
    return replaceAllOccurrences(stored, "\r\n", "\n");
}

std::string_view folderOfEntry(std::string_view path) {
    const std::string_view entry = withoutTrailingSeparators(path);
    for (std::size_t at = entry.size(); at > 0; --at) {
        if (isPathSeparator(entry[at - 1])) {
            return path.substr(0, at);
        }
    }
    return {};
}

// Compared byte by byte, any separator matching any other, and cut after the last separator both share.
std::string_view sharedFolder(std::string_view a, std::string_view b) {
    std::size_t shared = 0;
    for (std::size_t at = 0; at < a.size() && at < b.size(); ++at) {
        const bool separators = isPathSeparator(a[at]) && isPathSeparator(b[at]);
        if (!separators && a[at] != b[at]) {
            break;
        }
        if (separators) {
            shared = at + 1;
        }
    }
    return a.substr(0, shared);
}

std::string_view shownFolder(std::string_view path, std::string_view shared) {
    std::string_view folder = folderOfEntry(path);
    if (sharedFolder(folder, shared).size() == shared.size()) {
        folder.remove_prefix(shared.size());
    }
    while (!folder.empty() && isPathSeparator(folder.back())) {
        folder.remove_suffix(1);
    }
    return folder;
}

std::string oneLineText(std::string_view stored) {
    std::string line;
    line.reserve(stored.size());
    for (std::size_t at = 0; at < stored.size(); ++at) {
        const auto byte = static_cast<unsigned char>(stored[at]);
        if (byte == '\r' && at + 1 < stored.size() && stored[at + 1] == '\n') {
            line += "^p";
            ++at;
        } else if (byte == '\t') {
            line += "^t";
        } else if (byte < 0x20) {
            line += "^chr(" + std::to_string(byte) + ")";
        } else {
            line += stored[at];
        }
    }
    return line;
}

} // namespace morvane
