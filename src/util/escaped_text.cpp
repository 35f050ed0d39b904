#include "util/escaped_text.h"

namespace morvane {

namespace {

bool isControlByte(unsigned char byte) {
    return byte < 32 || byte == 127;
}

} // namespace

std::string escapeControlBytes(std::string_view text) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (isControlByte(byte)) {
            escaped += "\\x";
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0xf];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace morvane
