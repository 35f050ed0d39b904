#include "core/text/notation.h"

#include "core/text/occurrences.h"

namespace morvane {

std::string expandNotation(std::string_view text) {
    std::string expanded = replaceAllOccurrences(text, "^p", "\r\n");
    expanded = replaceAllOccurrences(expanded, "^t", "\t");
    // The common case has no "^chr(" at all; the 256 passes would each copy the text for nothing.
    if (expanded.find("^chr(") == std::string::npos) {
        return expanded;
    }
    for (int code = 0; code <= 255; ++code) {
        const std::string token = "^chr(" + std::to_string(code) + ")";
        if (expanded.find(token) != std::string::npos) {
            expanded = replaceAllOccurrences(expanded, token, std::string(1, static_cast<char>(code)));
        }
    }
    return expanded;
}

void expandEachNotation(std::vector<std::string>& texts) {
    for (std::string& entry : texts) {
        entry = expandNotation(entry);
    }
}

} // namespace morvane
