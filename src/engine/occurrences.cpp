#include "engine/occurrences.h"

namespace morvane {

std::int64_t AnzahlFundstellen(std::string_view text, std::string_view find) {
    if (find.empty()) {
        return 0;
    }
    std::int64_t count = 0;
    for (std::size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, at + 1)) {
        ++count;
    }
    return count;
}

std::string replaceAllOccurrences(std::string_view text, std::string_view find,
                                  std::string_view replacement) {
    if (find.empty()) {
        return std::string(text);
    }
    std::string result;
    std::size_t copiedUpTo = 0;
    for (std::size_t at = text.find(find); at != std::string_view::npos;
         at = text.find(find, at + find.size())) {
        result.append(text, copiedUpTo, at - copiedUpTo);
        result.append(replacement);
        copiedUpTo = at + find.size();
    }
    result.append(text, copiedUpTo);
    return result;
}

} // namespace morvane
