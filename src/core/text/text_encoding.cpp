#include "core/text/text_encoding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

// Output made in a small buffer and appended to the text a piece at a time, so that the text is neither
// filled with zeros first nor made larger than it ends up.
class PieceWriter {
public:
    static constexpr std::size_t kMostPerStep = 8;

    explicit PieceWriter(std::string& out) : out_(out) {}
    ~PieceWriter() { flush(); }
    PieceWriter(const PieceWriter&) = delete;
    PieceWriter& operator=(const PieceWriter&) = delete;

    // Room for one step's bytes, at most kMostPerStep; advance(end) after writing them.
    char* room() {
        if (used_ > sizeof piece_ - kMostPerStep) {
            flush();
        }
        return piece_ + used_;
    }
    void advance(char* end) { used_ = static_cast<std::size_t>(end - piece_); }

private:
    void flush() {
        out_.append(piece_, used_);
        used_ = 0;
    }

    std::string& out_;
    char piece_[std::size_t{1} << 14];
    std::size_t used_ = 0;
};

std::uint64_t eightBytesAt(const char* at) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Whether the eight bytes at `at` are four code units below 0x80, read in the host's byte order.
bool fourAsciiUnits(const char* at, bool littleEndian) {
    static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);
    const bool sameOrder = littleEndian == (std::endian::native == std::endian::little);
    return (eightBytesAt(at) & (sameOrder ? 0xFF80FF80FF80FF80u : 0x80FF80FF80FF80FFu)) == 0;
}

std::string decodeUtf16(std::string_view units, TextEncoding encoding, std::string& text) {
    const std::string_view name = encodingName(encoding);
    if (units.size() % 2 != 0) {
        return "not " + std::string(name) + " text: an odd number of bytes (" +
               std::to_string(units.size() + 2) + ")";
    }
    const bool littleEndian = encoding == TextEncoding::Utf16Le;
    const std::size_t low = littleEndian ? 0 : 1; // where a unit keeps its low byte
    text.clear();
    text.reserve(units.size() / 2);
    PieceWriter writer(text);
    const auto* in = reinterpret_cast<const unsigned char*>(units.data());
    const std::size_t count = units.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        char* out = writer.room();
        if (i + 4 <= count && fourAsciiUnits(units.data() + 2 * i, littleEndian)) {
            for (std::size_t k = 0; k < 4; ++k) {
                *out++ = static_cast<char>(in[2 * (i + k) + low]);
            }
            writer.advance(out);
            i += 3;
            continue;
        }
        const std::uint32_t unit = unitAt(in + 2 * i, littleEndian);
        std::uint32_t code = unit;
        if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(unitAt(in + 2 * i + 2, littleEndian))) {
            code = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(in + 2 * i + 2, littleEndian) - 0xDC00);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            return "not " + std::string(name) + " text: an unpaired surrogate " + hex(unit, 4) + " at byte " +
                   std::to_string(2 * i + 2);
        }
        writer.advance(putUtf8(out, code));
    }
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

bool fourAsciiBytes(std::string_view text, std::size_t at) {
    std::uint32_t word = 0;
    std::memcpy(&word, text.data() + at, sizeof word);
    return (word & 0x80808080u) == 0;
}

std::string notUtf8Reason(std::string_view text, std::size_t at, TextEncoding encoding) {
    return "the text the pairs leave is not UTF-8 (byte " + hex(static_cast<unsigned char>(text[at]), 2) +
           " at " + std::to_string(at) + "), which " + std::string(encodingName(encoding)) + " cannot hold";
}

// Calls onCode for each code point of the text, or for four ASCII ones at once; returns the position of the
// first byte that starts no well-formed sequence, or the text's size.
template <typename OnCode, typename OnFourAscii>
std::size_t forEachCode(std::string_view text, OnCode onCode, OnFourAscii onFourAscii) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (at + 4 <= text.size() && fourAsciiBytes(text, at)) {
            onFourAscii(at);
            at += 4;
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = utf8Sequence(text, at, code);
        if (length == 0) {
            return at;
        }
        onCode(code);
        at += length;
    }
    return at;
}

std::string encodeUtf16(std::string_view text, TextEncoding encoding, std::string& contents) {
    const bool littleEndian = encoding == TextEncoding::Utf16Le;
    contents.assign(markOf(encoding));
    contents.reserve(contents.size() + 2 * text.size());
    std::size_t end = 0;
    {
        PieceWriter writer(contents);
        end = forEachCode(
            text,
            [&](std::uint32_t code) {
                char* out = writer.room();
                if (code < 0x10000) {
                    out = putUnit(out, code, littleEndian);
                } else {
                    out = putUnit(out, 0xD800 + ((code - 0x10000) >> 10), littleEndian);
                    out = putUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF), littleEndian);
                }
                writer.advance(out);
            },
            [&](std::size_t at) {
                char* out = writer.room();
                for (std::size_t k = 0; k < 4; ++k) {
                    out = putUnit(out, static_cast<unsigned char>(text[at + k]), littleEndian);
                }
                writer.advance(out);
            });
    }
    return end == text.size() ? std::string() : notUtf8Reason(text, end, encoding);
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

// Runs of ASCII go eight bytes at a time: the text is mostly ASCII, and every pair with options asks.
std::size_t wellFormedUtf8End(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (at + 8 <= text.size() && (eightBytesAt(text.data() + at) & 0x8080808080808080u) == 0) {
            at += 8;
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = utf8Sequence(text, at, code);
        if (length == 0) {
            return at;
        }
        at += length;
    }
    return at;
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

std::string encodingProblem(std::string_view text, TextEncoding encoding) {
    if (!isUtf16(encoding)) {
        return {};
    }
    const std::size_t end = wellFormedUtf8End(text);
    return end == text.size() ? std::string() : notUtf8Reason(text, end, encoding);
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

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The text with its ASCII letters lowered, eight bytes at a time: a byte's top bit marks it an upper-case
// letter when its low seven bits lie from 'A' to 'Z' and its own top bit is clear; that bit shifted to 0x20
// lowers it.
void lowerAscii(std::string_view text, std::string& lowered) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kTops = 0x8080808080808080ULL;
    lowered.resize(text.size());
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        const std::uint64_t low = word & ~kTops;
        const std::uint64_t fromA = low + (0x80 - 'A') * kOnes;
        const std::uint64_t pastZ = low + (0x80 - 'Z' - 1) * kOnes;
        word |= (fromA & ~pastZ & ~word & kTops) >> 2;
        std::memcpy(lowered.data() + i, &word, 8);
    }
    for (; i < text.size(); ++i) {
        lowered[i] = static_cast<char>(asciiLower(static_cast<unsigned char>(text[i])));
    }
}

} // namespace morvane
