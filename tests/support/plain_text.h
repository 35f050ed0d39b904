#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::testing {

// Every position the find text occurs at, overlapping ones included, found the plain way as the reference
// for the scanners; an empty find text occurs nowhere.
inline std::vector<std::size_t> plainPositions(std::string_view text, std::string_view find) {
    std::vector<std::size_t> positions;
    for (std::size_t at = 0; !find.empty() && at + find.size() <= text.size(); ++at) {
        if (text.substr(at, find.size()) == find) {
            positions.push_back(at);
        }
    }
    return positions;
}

// Left to right without overlap, the plain way; an empty find text replaces nothing.
inline std::string plainReplace(std::string_view text, std::string_view find, std::string_view replacement) {
    if (find.empty()) {
        return std::string(text);
    }
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        if (text.substr(at, find.size()) == find) {
            out += replacement;
            at += find.size();
        } else {
            out += text[at++];
        }
    }
    return out;
}

} // namespace morvane::testing
