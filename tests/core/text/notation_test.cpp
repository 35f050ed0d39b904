#include "core/text/escaped_text.h"
#include "core/text/notation.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using namespace std::string_literals;

TEST(Notation, ExpandsTheThreeFormsEarlierOnesFirst) {
    struct Row {
        std::string typed, expanded;
    };
    for (const Row& row : {
             Row{"a^pb", "a\r\nb"},
             Row{"^t", "\t"},
             Row{"^chr(13)^chr(10)", "\r\n"},
             Row{"^chr(0)", "\0"s},
             Row{"^chr(255)x", "\xFFx"},
             // "^p" is expanded before code 94 makes a caret: the way to write a literal "^p".
             Row{"^chr(94)p", "^p"},
             Row{"^chr(94)t", "^t"},
             // A caret made at n = 94 starts a token of a higher code, but not one of a lower code.
             Row{"^chr(94)chr(200)", "\xC8"},
             Row{"^chr(94)chr(65)", "^chr(65)"},
         }) {
        EXPECT_EQ(expandNotation(row.typed), row.expanded) << row.typed;
    }
    for (const char* kept : {"^P", "^T", "^CHR(9)", "^chr(09)", "^chr( 9)", "^chr(+9)", "^chr(256)",
                             "^chr(-1)", "^chr()", "^chr(x)", "^chr(9", "^", "^chr", "chr(9)"}) {
        EXPECT_EQ(expandNotation(kept), kept) << "upper case and malformed forms stay as typed";
    }
    std::vector<std::string> texts{"^p", "", "x^ty"};
    expandEachNotation(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"\r\n", "", "x\ty"}));
}

TEST(ControlByteEscaping, WritesEveryControlByteAndBackslashAsAForm) {
    const std::pair<std::string, std::string> cases[] = {
        {"/data/report 1.txt", "/data/report 1.txt"},
        {"", ""},
        {"a\ntotal\t0", "a\\ntotal\\t0"}, // a forged total line
        {"a\\n", "a\\\\n"},               // a backslash before n stays apart
        {"\r\x1b[2J", "\\x0d\\x1b[2J"},
        {"\0\x7f"s, "\\x00\\x7f"},
        {"\x1f ", "\\x1f "},
        {"\xe4\xff\xc3\xa4", "\xe4\xff\xc3\xa4"}, // eight-bit bytes stay
    };
    for (const auto& [text, escaped] : cases) {
        EXPECT_EQ(escapeControlBytes(text), escaped) << escaped;
    }
}

} // namespace
} // namespace morvane
