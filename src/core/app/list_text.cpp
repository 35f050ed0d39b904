#include "core/app/list_text.h"

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

} // namespace morvane
