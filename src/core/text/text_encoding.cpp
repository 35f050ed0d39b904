#include "core/text/text_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace morvane {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::string_view markOf(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8WithMark:
        return kUtf8Mark;
    case TextEncoding::Utf16Le:
        return kUtf16LeMark;
    case TextEncoding::Utf16Be:
        return kUtf16BeMark;
    case TextEncoding::Bytes:
        break;
    }
    return {};
}

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::uint32_t unitAt(const unsigned char* at, bool littleEndian) {
    return littleEndian ? (at[0] | (std::uint32_t{at[1]} << 8)) : ((std::uint32_t{at[0]} << 8) | at[1]);
}

bool isHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Writes the code point's UTF-8 form at `out`; returns the byte after it.
char* putUtf8(char* out, std::uint32_t code) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

char* putUnit(char* out, std::uint32_t unit, bool littleEndian) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    *out++ = littleEndian ? low : high;
    *out++ = littleEndian ? high : low;
    return out;
}

std::string decodeUtf16(std::string_view units, TextEncoding encoding, std::string& text) {
    const std::string_view name = encodingName(encoding);
    if (units.size() % 2 != 0) {
        return "not " + std::string(name) + " text: an odd number of bytes (" +
               std::to_string(units.size() + 2) + ")";
    }
    const bool littleEndian = encoding == TextEncoding::Utf16Le;
    // Each unit gives at most three bytes; a pair of units, four.
    text.resize(units.size() / 2 * 3);
    char* out = text.data();
    const auto* in = reinterpret_cast<const unsigned char*>(units.data());
    const std::size_t count = units.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = unitAt(in + 2 * i, littleEndian);
        if (unit < 0x80) {
            *out++ = static_cast<char>(unit);
            continue;
        }
        std::uint32_t code = unit;
        if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(unitAt(in + 2 * i + 2, littleEndian))) {
            code = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(in + 2 * i + 2, littleEndian) - 0xDC00);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            return "not " + std::string(name) + " text: an unpaired surrogate " + hex(unit, 4) + " at byte " +
                   std::to_string(2 * i + 2);
        }
        out = putUtf8(out, code);
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return {};
}

// The length of the well-formed UTF-8 sequence at `at` (no overlong form, surrogate or code point above
// U+10FFFF), and its code point; 0 where there is none.
std::size_t utf8Sequence(std::string_view text, std::size_t at, std::uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const auto continues = [&](std::size_t k) { return at + k < text.size() && (byte(k) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF && continues(1)) {
        code = ((lead & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && continues(1) && continues(2)) {
        code = ((lead & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        return code >= 0x800 && (code < 0xD800 || code > 0xDFFF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && continues(1) && continues(2) && continues(3)) {
        code =
            ((lead & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) | ((byte(2) & 0x3Fu) << 6) | (byte(3) & 0x3Fu);
        return code >= 0x10000 && code <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

std::string encodeUtf16(std::string_view text, TextEncoding encoding, std::string& contents) {
    const bool littleEndian = encoding == TextEncoding::Utf16Le;
    const std::string_view mark = markOf(encoding);
    // Each byte of UTF-8 gives at most two bytes of UTF-16.
    contents.resize(mark.size() + 2 * text.size());
    char* out = contents.data();
    out = std::copy(mark.begin(), mark.end(), out);
    std::size_t at = 0;
    while (at < text.size()) {
        std::uint32_t code = 0;
        const std::size_t length = utf8Sequence(text, at, code);
        if (length == 0) {
            return "the text the pairs leave is not UTF-8 (byte " +
                   hex(static_cast<unsigned char>(text[at]), 2) + " at " + std::to_string(at) + "), which " +
                   std::string(encodingName(encoding)) + " cannot hold";
        }
        if (code < 0x10000) {
            out = putUnit(out, code, littleEndian);
        } else {
            out = putUnit(out, 0xD800 + ((code - 0x10000) >> 10), littleEndian);
            out = putUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF), littleEndian);
        }
        at += length;
    }
    contents.resize(static_cast<std::size_t>(out - contents.data()));
    return {};
}

} // namespace

TextEncoding encodingOf(std::string_view contents) {
    if (contents.starts_with(kUtf8Mark)) {
        return TextEncoding::Utf8WithMark;
    }
    if (contents.starts_with(kUtf16LeMark)) {
        return TextEncoding::Utf16Le;
    }
    if (contents.starts_with(kUtf16BeMark)) {
        return TextEncoding::Utf16Be;
    }
    return TextEncoding::Bytes;
}

std::string_view encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8WithMark:
        return "UTF-8 with BOM";
    case TextEncoding::Utf16Le:
        return "UTF-16 LE";
    case TextEncoding::Utf16Be:
        return "UTF-16 BE";
    case TextEncoding::Bytes:
        break;
    }
    return {};
}

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

std::string decodeText(std::string_view contents, TextEncoding encoding, std::string& text) {
    contents.remove_prefix(markOf(encoding).size());
    if (isUtf16(encoding)) {
        return decodeUtf16(contents, encoding, text);
    }
    text.assign(contents);
    return {};
}

std::string encodeText(std::string_view text, TextEncoding encoding, std::string& contents) {
    if (isUtf16(encoding)) {
        return encodeUtf16(text, encoding, contents);
    }
    contents.assign(markOf(encoding));
    contents.append(text);
    return {};
}

std::size_t wholeLinesEnd(std::string_view contents, TextEncoding encoding) {
    const std::size_t mark = std::min(markOf(encoding).size(), contents.size());
    if (!isUtf16(encoding)) {
        const std::size_t feed = contents.rfind('\n');
        return feed == std::string_view::npos || feed < mark ? mark : feed + 1;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(contents.data());
    const bool littleEndian = encoding == TextEncoding::Utf16Le;
    for (std::size_t end = mark + (contents.size() - mark) / 2 * 2; end > mark; end -= 2) {
        if (unitAt(in + end - 2, littleEndian) == '\n') {
            return end;
        }
    }
    return mark;
}

} // namespace morvane
