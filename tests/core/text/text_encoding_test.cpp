#include "core/text/text_encoding.h"

#include <gtest/gtest.h>
#include <string>

namespace morvane {
namespace {

using namespace std::string_literals;

TEST(TextEncoding, TheFirstBytesNameTheEncoding) {
    const struct {
        std::string contents;
        TextEncoding encoding;
    } cases[] = {
        {"", TextEncoding::Bytes},
        {"abc", TextEncoding::Bytes},
        {"\xEF\xBB", TextEncoding::Bytes},
        {"\xEF\xBB\xBF", TextEncoding::Utf8WithMark},
        {"\xFF\xFE", TextEncoding::Utf16Le},
        {"\xFE\xFF"
         "\0a"s,
         TextEncoding::Utf16Be},
        {"\xFF", TextEncoding::Bytes},
        {"a\xFF\xFE", TextEncoding::Bytes},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodingOf(c.contents), c.encoding) << c.contents;
    }
}

// Each file decodes to the text and encodes back to the same bytes.
TEST(TextEncoding, MarkedContentsDecodeToUtf8AndEncodeBackExactly) {
    const struct {
        std::string contents;
        std::string text;
    } cases[] = {
        {"\xFF\xFE", ""},
        {"\xFE\xFF", ""},
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB\xBF"
         "a\xFF\r\n",
         "a\xFF\r\n"}, // the bytes after a UTF-8 mark, as they are
        {"\xFF\xFE"
         "a\0\r\0\n\0"s,
         "a\r\n"}, // ASCII
        {"\xFE\xFF"
         "\0a\0\r\0\n"s,
         "a\r\n"}, // the same, big-endian
        {"\xFF\xFE"
         "\xE9\0\xAC\x20"s,
         "\xC3\xA9\xE2\x82\xAC"}, // U+00E9 U+20AC
        {"\xFF\xFE"
         "\x3D\xD8\x00\xDE"s,
         "\xF0\x9F\x98\x80"}, // U+1F600, a surrogate pair
        {"\xFE\xFF"
         "\xD8\x3D\xDE\x00"s,
         "\xF0\x9F\x98\x80"}, // the same, big-endian
        {"\xFF\xFE"
         "\xFF\xDB\xFF\xDF"s,
         "\xF4\x8F\xBF\xBF"}, // U+10FFFF, the last code point
        {"\xFF\xFE"
         "\xFF\xFE"
         "\0\0"s,
         "\xEF\xBB\xBF"
         "\0"s}, // a second mark is a character; so is NUL
    };
    for (const auto& c : cases) {
        const TextEncoding encoding = encodingOf(c.contents);
        std::string text = "old";
        ASSERT_EQ(decodeText(c.contents, encoding, text), "") << c.text;
        EXPECT_EQ(text, c.text);
        std::string contents = "old";
        ASSERT_EQ(encodeText(text, encoding, contents), "") << c.text;
        EXPECT_EQ(contents, c.contents);
    }
}

TEST(TextEncoding, Utf16ThatCannotBeDecodedIsRefusedWithItsReason) {
    const struct {
        std::string contents;
        std::string reason;
    } cases[] = {
        {"\xFF\xFE"
         "a"s,
         "not UTF-16 LE text: an odd number of bytes (3)"},
        {"\xFE\xFF"
         "\0a\0"s,
         "not UTF-16 BE text: an odd number of bytes (5)"},
        {"\xFF\xFE"
         "a\0\x3D\xD8"s,
         "not UTF-16 LE text: an unpaired surrogate 0xD83D at byte 4"},
        {"\xFF\xFE"
         "\x3D\xD8"
         "a\0"s,
         "not UTF-16 LE text: an unpaired surrogate 0xD83D at byte 2"},
        {"\xFF\xFE"
         "\x00\xDE\x3D\xD8"s,
         "not UTF-16 LE text: an unpaired surrogate 0xDE00 at byte 2"},
        {"\xFE\xFF"
         "\xD8\x3D\xD8\x3D"s,
         "not UTF-16 BE text: an unpaired surrogate 0xD83D at byte 2"},
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(decodeText(c.contents, encodingOf(c.contents), text), c.reason);
    }
}

TEST(TextEncoding, TextThatIsNotUtf8CannotBecomeUtf16) {
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"ab\xC8", "byte 0xC8 at 2"},           // a lead byte without its continuation
        {"\x80", "byte 0x80 at 0"},             // a continuation alone
        {"a\xC0\xAF", "byte 0xC0 at 1"},        // an overlong form
        {"\xED\xA0\x80", "byte 0xED at 0"},     // a surrogate written as UTF-8
        {"\xF4\x90\x80\x80", "byte 0xF4 at 0"}, // above U+10FFFF
    };
    for (const auto& c : cases) {
        std::string contents;
        EXPECT_EQ(encodeText(c.text, TextEncoding::Utf16Be, contents),
                  "the text the pairs leave is not UTF-8 (" + c.reason + "), which UTF-16 BE cannot hold");
        // A UTF-8 mark puts any bytes back behind it.
        EXPECT_EQ(encodeText(c.text, TextEncoding::Utf8WithMark, contents), "");
        EXPECT_EQ(contents, "\xEF\xBB\xBF" + c.text);
    }
}

TEST(TextEncoding, AStartCutAfterItsLastLineFeedSplitsNoCharacter) {
    const struct {
        std::string contents;
        std::size_t end;
    } cases[] = {
        {"a\nb", 2},
        {"ab", 0},
        {"\xEF\xBB\xBF"
         "ab",
         3},
        {"\xFF\xFE"
         "a\0\n\0b"s,
         6},
        {"\xFF\xFE"
         "\n\x0A"
         "a"s,
         2}, // U+0A0A holds the byte of a line feed but is none
        {"\xFE\xFF"
         "\0\n\0b\0"s,
         4},
        {"\xFE\xFF"
         "\0"s,
         2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wholeLinesEnd(c.contents, encodingOf(c.contents)), c.end) << c.contents;
    }
}

} // namespace
} // namespace morvane
