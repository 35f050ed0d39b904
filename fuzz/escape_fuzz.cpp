#include "core/text/escaped_text.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

bool isControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 32 || byte == 127;
}

int hexValue(char c) {
    const std::size_t value = std::string_view("0123456789abcdef").find(c);
    return value == std::string_view::npos ? -1 : static_cast<int>(value);
}

// What a reader of the runner's output does: every backslash form back to its byte. Nothing when the text
// holds a form the escaping never writes, so that each original has exactly one escaped form.
std::optional<std::string> unescape(std::string_view escaped) {
    std::string text;
    for (std::size_t at = 0; at < escaped.size(); ++at) {
        if (escaped[at] != '\\') {
            text += escaped[at];
            continue;
        }
        if (++at == escaped.size()) {
            return std::nullopt;
        }
        if (escaped[at] == '\\') {
            text += '\\';
        } else if (escaped[at] == 'n') {
            text += '\n';
        } else if (escaped[at] == 't') {
            text += '\t';
        } else if (escaped[at] == 'x' && at + 2 < escaped.size() && hexValue(escaped[at + 1]) >= 0 &&
                   hexValue(escaped[at + 2]) >= 0) {
            const char byte = static_cast<char>(hexValue(escaped[at + 1]) * 16 + hexValue(escaped[at + 2]));
            if (!isControlByte(byte) || byte == '\n' || byte == '\t') {
                return std::nullopt;
            }
            text += byte;
            at += 2;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

} // namespace

// A printed name can never hold a byte that starts a line, a field or a terminal sequence, reads back as the
// exact bytes it stands for (by the strict reading here and by the program's own), and is left as it is when
// it holds nothing to escape.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string escaped = morvane::escapeControlBytes(text);
    for (const char c : escaped) {
        FUZZ_CHECK(!isControlByte(c));
    }
    FUZZ_CHECK(unescape(escaped) == text);
    FUZZ_CHECK(morvane::unescapeControlBytes(escaped) == text);
    const bool plain = text.find('\\') == std::string::npos &&
                       std::none_of(text.begin(), text.end(), [](char c) { return isControlByte(c); });
    FUZZ_CHECK(plain == (escaped == text));
    return 0;
}
