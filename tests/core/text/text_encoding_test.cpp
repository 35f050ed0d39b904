#include "core/text/text_encoding.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace morvane {
namespace {

using namespace std::string_literals;

// Bytes are written as escapes throughout, so that no letter runs into the escape before it.

// The first bytes name the encoding; each file decodes to the text and encodes back to the same bytes.
TEST(TextEncoding, ContentsDecodeToUtf8AndEncodeBackExactly) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"\xEF\xBB", "\xEF\xBB"}, // no mark, but its start
        {"\xFF", "\xFF"},
        {"\x61\xFF\xFE", "\x61\xFF\xFE"}, // a mark only counts first
        {"\xFF\xFE", ""},
        {"\xFE\xFF", ""},
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB\xBF\x61\xFF\r\n", "\x61\xFF\r\n"},          // the bytes after a UTF-8 mark, as they are
        {"\xFF\xFE\x61\x00\r\x00\n\x00"s, "a\r\n"},            // ASCII
        {"\xFE\xFF\x00\x61\x00\r\x00\n"s, "a\r\n"},            // the same, big-endian
        {"\xFF\xFE\xE9\x00\xAC\x20"s, "\xC3\xA9\xE2\x82\xAC"}, // U+00E9 U+20AC
        {"\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},     // U+1F600, a surrogate pair
        {"\xFE\xFF\xD8\x3D\xDE\x00"s, "\xF0\x9F\x98\x80"},     // the same, big-endian
        {"\xFF\xFE\xFF\xDB\xFF\xDF", "\xF4\x8F\xBF\xBF"},      // U+10FFFF, the last code point
        // U+FFFF and U+10000, the last of three bytes and the first of four
        {"\xFF\xFE\xFF\xFF\x00\xD8\x00\xDC"s, "\xEF\xBF\xBF\xF0\x90\x80\x80"},
        {"\xFF\xFE\xFF\xFE\x00\x00"s, "\xEF\xBB\xBF\x00"s}, // a second mark is a character; so is NUL
    };
    for (const auto& [contents, expected] : cases) {
        const TextEncoding encoding = encodingOf(contents);
        std::string text = "old";
        ASSERT_EQ(decodeText(contents, encoding, text), "") << expected;
        EXPECT_EQ(text, expected);
        std::string back = "old";
        ASSERT_EQ(encodeText(text, encoding, back), "") << expected;
        EXPECT_EQ(back, contents);
    }
}

// Long enough to pass through the output in many pieces, with runs of ASCII, which go four at a time, broken
// at every offset by characters of two, three and four bytes.
TEST(TextEncoding, LongTextsConvertBothWaysInEveryAlignment) {
    // "abcédefgh€i😀zé": 15 units and 21 bytes, so that the copies start at every offset from a step of four.
    const std::string unitsLe = "\x61\x00\x62\x00\x63\x00\xE9\x00\x64\x00\x65\x00\x66\x00\x67\x00\x68\x00\xAC"
                                "\x20\x69\x00\x3D\xD8\x00\xDE"
                                "\x7A\x00\xE9\x00"s;
    const std::string utf8 =
        "\x61\x62\x63\xC3\xA9\x64\x65\x66\x67\x68\xE2\x82\xAC\x69\xF0\x9F\x98\x80\x7A\xC3\xA9";
    std::string unitsBe;
    for (std::size_t at = 0; at < unitsLe.size(); at += 2) {
        unitsBe += {unitsLe[at + 1], unitsLe[at]};
    }
    for (const auto& [mark, units] : {std::pair{"\xFF\xFE"s, unitsLe}, std::pair{"\xFE\xFF"s, unitsBe}}) {
        std::string contents = mark;
        std::string expected;
        for (int k = 0; k < 3000; ++k) {
            contents += units;
            expected += utf8;
        }
        const TextEncoding encoding = encodingOf(contents);
        std::string text;
        ASSERT_EQ(decodeText(contents, encoding, text), "");
        EXPECT_EQ(text, expected);
        std::string back;
        ASSERT_EQ(encodeText(text, encoding, back), "");
        EXPECT_EQ(back, contents);
        EXPECT_EQ(encodingProblem(text, encoding), "");
    }
}

TEST(TextEncoding, Utf16ThatCannotBeDecodedIsRefusedWithItsReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"\xFF\xFE\x61", "not UTF-16 LE text: an odd number of bytes (3)"},
        {"\xFE\xFF\x00\x61\x00"s, "not UTF-16 BE text: an odd number of bytes (5)"},
        {"\xFF\xFE\x61\x00\x3D\xD8"s, "not UTF-16 LE text: an unpaired surrogate 0xD83D at byte 4"},
        {"\xFF\xFE\x3D\xD8\x61\x00"s, "not UTF-16 LE text: an unpaired surrogate 0xD83D at byte 2"},
        {"\xFF\xFE\x00\xDE\x3D\xD8"s, "not UTF-16 LE text: an unpaired surrogate 0xDE00 at byte 2"},
        {"\xFE\xFF\xD8\x3D\xD8\x3D", "not UTF-16 BE text: an unpaired surrogate 0xD83D at byte 2"},
        {"\xFF\xFE\x61\x00\x62\x00\x63\x00\x64\x00\x65\x00\x00\xDC"s,
         "not UTF-16 LE text: an unpaired surrogate 0xDC00 at byte 12"},
    };
    for (const auto& [contents, reason] : cases) {
        std::string text;
        EXPECT_EQ(decodeText(contents, encodingOf(contents), text), reason);
    }
}

TEST(TextEncoding, TextThatIsNotUtf8CannotBecomeUtf16) {
    const std::pair<std::string, std::string> cases[] = {
        {"\x61\x62\xC8", "byte 0xC8 at 2"},     // a lead byte without its continuation
        {"\x80", "byte 0x80 at 0"},             // a continuation alone
        {"\x61\xC0\xAF", "byte 0xC0 at 1"},     // an overlong form
        {"\xED\xA0\x80", "byte 0xED at 0"},     // a surrogate written as UTF-8
        {"\xF4\x90\x80\x80", "byte 0xF4 at 0"}, // above U+10FFFF
        {"abcdefgh\xFF", "byte 0xFF at 8"},     // after ASCII taken four at a time
        {"\xE0\x9F\xBF", "byte 0xE0 at 0"},     // an overlong form of three bytes
        {"\xE2\x82", "byte 0xE2 at 0"},         // cut short
    };
    for (const auto& [text, where] : cases) {
        std::string contents;
        const std::string reason =
            "the text the pairs leave is not UTF-8 (" + where + "), which UTF-16 BE cannot hold";
        EXPECT_EQ(encodeText(text, TextEncoding::Utf16Be, contents), reason);
        EXPECT_EQ(encodingProblem(text, TextEncoding::Utf16Be), reason);
        // A UTF-8 mark puts any bytes back behind it.
        EXPECT_EQ(encodingProblem(text, TextEncoding::Utf8WithMark), "");
        EXPECT_EQ(encodeText(text, TextEncoding::Utf8WithMark, contents), "");
        EXPECT_EQ(contents, "\xEF\xBB\xBF" + text);
    }
}

TEST(TextEncoding, AStartCutAfterItsLastLineFeedSplitsNoCharacter) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"a\nb", 2},
        {"ab", 0},
        {"\xEF\xBB\xBF\x61\x62", 3},
        {"\xFF\xFE\x61\x00\n\x00\x62"s, 6},
        {"\xFF\xFE\n\n\x61", 2}, // U+0A0A holds the byte of a line feed but is none
        {"\xFE\xFF\x00\n\x00\x62\x00"s, 4},
        {"\xFE\xFF\x00"s, 2},
    };
    for (const auto& [contents, end] : cases) {
        EXPECT_EQ(wholeLinesEnd(contents, encodingOf(contents)), end) << contents;
    }
}

} // namespace
} // namespace morvane
