#include "core/state/tagged_text.h"

namespace morvane {

namespace {

std::vector<std::string_view> patternParts(std::string_view pattern) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t mark = pattern.find(kValueMark);
        parts.push_back(pattern.substr(0, mark));
        if (mark == std::string_view::npos) {
            return parts;
        }
        pattern.remove_prefix(mark + 1);
    }
}

} // namespace

std::string stripEdges(std::string_view text, std::string_view edge) {
    if (edge.empty()) {
        return std::string(text);
    }
    if (text.ends_with(edge)) {
        text.remove_suffix(edge.size());
    }
    if (text.starts_with(edge)) {
        text.remove_prefix(edge.size());
    }
    return std::string(text);
}

std::vector<std::string> tagValues(std::string_view text, std::string_view startTag,
                                   std::string_view endTag) {
    std::vector<std::string> values;
    // An empty start tag would be found again at the same place for ever.
    if (startTag.empty()) {
        return values;
    }
    std::size_t from = 0;
    for (;;) {
        const std::size_t start = text.find(startTag, from);
        if (start == std::string_view::npos) {
            return values;
        }
        const std::size_t valueStart = start + startTag.size();
        const std::size_t end = text.find(endTag, valueStart);
        if (end == std::string_view::npos) {
            return values;
        }
        values.emplace_back(text.substr(valueStart, end - valueStart));
        from = end;
    }
}

std::vector<std::string> patternValues(std::string_view text, std::string_view pattern, bool& nichtGefunden) {
    nichtGefunden = false;
    const std::vector<std::string_view> parts = patternParts(pattern);
    std::vector<std::string> values;
    std::size_t previousEnd = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t at = text.find(parts[i], previousEnd);
        if (at == std::string_view::npos) {
            nichtGefunden = true;
            return {};
        }
        if (i > 0) {
            values.emplace_back(text.substr(previousEnd, at - previousEnd));
        }
        previousEnd = at + parts[i].size();
    }
    return values;
}

} // namespace morvane
