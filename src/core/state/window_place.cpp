#include "core/state/window_place.h"

#include "core/platform/paths.h"

#include <charconv>
#include <vector>

namespace morvane {

namespace {

constexpr std::string_view kPlaceKey = "[Main Window]";
constexpr std::string_view kMaximizedKey = "[Maximized]";
constexpr std::string_view kSeparator = "\t\t";
constexpr std::string_view kLineEnd = "\r\n";
// Far beyond any desktop; a larger number is damage, not a place.
constexpr int kLargest = 1 << 20;

std::string windowPlacePath(const std::string& stateFolder) {
    return joinPath(stateFolder, kWindowPlaceFileName);
}

// The value after the key on the line it starts, or nothing when no line starts with it.
std::optional<std::string_view> valueOf(std::string_view text, std::string_view key) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(at, end - at);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with(key)) {
            line.remove_prefix(key.size());
            return line.substr(std::min(line.find_first_not_of('\t'), line.size()));
        }
        at = end + 1;
    }
    return std::nullopt;
}

// Whole numbers separated by single spaces, and nothing else.
std::optional<std::vector<int>> numbers(std::string_view text) {
    std::vector<int> values;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (at < end) {
        int value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || value < -kLargest || value > kLargest) {
            return std::nullopt;
        }
        values.push_back(value);
        at = next;
        if (at < end && *at++ != ' ') {
            return std::nullopt;
        }
    }
    return values;
}

} // namespace

std::string windowPlaceText(const WindowPlace& place) {
    std::string text(kPlaceKey);
    text += kSeparator;
    text += std::to_string(place.left) + ' ' + std::to_string(place.top) + ' ' + std::to_string(place.width) +
            ' ' + std::to_string(place.height);
    text += kLineEnd;
    text += kMaximizedKey;
    text += kSeparator;
    text += place.maximized ? '1' : '0';
    text += kLineEnd;
    return text;
}

std::optional<WindowPlace> windowPlaceFromText(std::string_view text) {
    const auto rect = valueOf(text, kPlaceKey);
    const auto maximized = valueOf(text, kMaximizedKey);
    if (!rect || !maximized || (*maximized != "0" && *maximized != "1")) {
        return std::nullopt;
    }
    const auto values = numbers(*rect);
    if (!values || values->size() != 4 || (*values)[2] <= 0 || (*values)[3] <= 0) {
        return std::nullopt;
    }
    return WindowPlace{(*values)[0], (*values)[1], (*values)[2], (*values)[3], *maximized == "1"};
}

std::optional<WindowPlace> readWindowPlace(const std::string& stateFolder) {
    return windowPlaceFromText(readTextFileOrEmpty(windowPlacePath(stateFolder)));
}

WriteOutcome storeWindowPlace(const std::string& stateFolder, const WindowPlace& place) {
    return writeTextFile(windowPlaceText(place), windowPlacePath(stateFolder));
}

} // namespace morvane
