#include "core/text/keyed_text.h"

#include "core/text/occurrences.h"

namespace morvane {

std::string replaceUntilAbsent(std::string text, std::string_view find, std::string_view replacement) {
    if (find.empty()) {
        return text;
    }
    if (replacement.find(find) != std::string_view::npos) {
        return replaceAllOccurrences(text, find, replacement);
    }
    while (text.find(find) != std::string::npos) {
        std::string replaced = replaceAllOccurrences(text, find, replacement);
        if (replaced.size() >= text.size()) {
            return replaced;
        }
        text = std::move(replaced);
    }
    return text;
}

std::string normaliseKeyedText(std::string text) {
    text = replaceUntilAbsent(std::move(text), "\t\t", "\t");
    return replaceUntilAbsent(std::move(text), "\r\n\r\n", "\r\n");
}

} // namespace morvane
