#include "core/text/escaped_text.h"

namespace morvane {

namespace {

bool isControlByte(unsigned char byte) {
    return byte < 32 || byte == 127;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
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

std::string unescapeControlBytes(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char form = text[i + 1];
        if (form == '\\' || form == 't' || form == 'n') {
            bytes += form == 't' ? '\t' : form == 'n' ? '\n' : '\\';
            ++i;
        } else if (form == 'x' && i + 3 < text.size() && hexDigit(text[i + 2]) >= 0 &&
                   hexDigit(text[i + 3]) >= 0) {
            bytes += static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            bytes += '\\';
        }
    }
    return bytes;
}

} // namespace morvane
