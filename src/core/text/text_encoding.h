// How a file's contents become the text the pairs see and back: a file that starts with a byte-order mark is
// text in the encoding the mark names, every other file is bytes. The one place that decides a file's
// encoding and converts it, for the run, the preview and the diff alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

enum class TextEncoding {
    Bytes,        // no mark: the contents are the text, byte for byte
    Utf8WithMark, // EF BB BF: the bytes after the mark are the text; the mark is kept and never matched
    Utf16Le,      // FF FE: the text is the UTF-8 form of the UTF-16 after the mark
    Utf16Be,      // FE FF: as Utf16Le, most significant byte first
};

// The encoding the contents' first bytes announce.
TextEncoding encodingOf(std::string_view contents);

// How a user knows the encoding: "UTF-16 LE", "UTF-16 BE", "UTF-8 with BOM"; empty for bytes.
std::string_view encodingName(TextEncoding encoding);

bool isUtf16(TextEncoding encoding);

// Where the text stops being well-formed UTF-8 (no overlong form, surrogate or code point above U+10FFFF):
// the position of the first byte that starts no such sequence, or the text's size.
std::size_t wellFormedUtf8End(std::string_view text);

inline bool isValidUtf8(std::string_view text) {
    return wellFormedUtf8End(text) == text.size();
}

bool isAscii(std::string_view text);

// The byte with an ASCII capital letter lowered; any other byte as it is.
constexpr unsigned char asciiLower(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte | 0x20) : byte;
}

constexpr bool isAsciiLetter(unsigned char byte) {
    return asciiLower(byte) >= 'a' && asciiLower(byte) <= 'z';
}

// The text with its ASCII letters lowered into `lowered`, whose memory can be kept from text to text.
void lowerAscii(std::string_view text, std::string& lowered);

// The text the pairs see in contents of that encoding (which encodingOf gave for them): the bytes after the
// mark, as UTF-8 where the contents are UTF-16. Returns the empty string, or why the contents are not text in
// their encoding (an odd number of bytes, an unpaired surrogate); `text` is then unspecified. `text` is
// overwritten, its memory used again.
std::string decodeText(std::string_view contents, TextEncoding encoding, std::string& text);

// The contents that hold the text in that encoding, mark first. Returns the empty string, or why UTF-16
// cannot hold the text: it is not well-formed UTF-8. `contents` is overwritten, its memory used again.
std::string encodeText(std::string_view text, TextEncoding encoding, std::string& contents);

// Empty, or why the encoding cannot hold the text, as encodeText would find, without making the contents.
std::string encodingProblem(std::string_view text, TextEncoding encoding);

// How many of the contents' first bytes hold whole lines: up to the last line feed of the encoding, or the
// mark alone when there is none. Where a look at a file's start may cut it, so that the cut never splits a
// character.
std::size_t wholeLinesEnd(std::string_view contents, TextEncoding encoding);

} // namespace morvane
