#include "core/text/notation.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

std::string byte(int code) {
    return std::string(1, static_cast<char>(code));
}

TEST(Notation, ExpandsTheThreeForms) {
    EXPECT_EQ(expandNotation("a^pb"), "a\r\nb");
    EXPECT_EQ(expandNotation("^t"), "\t");
    EXPECT_EQ(expandNotation("^chr(13)^chr(10)"), expandNotation("^p"));
    EXPECT_EQ(expandNotation("^chr(0)"), byte(0));
    EXPECT_EQ(expandNotation("^chr(255)x"), byte(255) + "x");
}

TEST(Notation, UpperCaseAndMalformedFormsStayAsTyped) {
    for (const char* kept : {"^P", "^T", "^CHR(9)", "^chr(09)", "^chr( 9)", "^chr(+9)", "^chr(256)",
                             "^chr(-1)", "^chr()", "^chr(x)", "^chr(9", "^", "^chr", "chr(9)"}) {
        EXPECT_EQ(expandNotation(kept), kept) << kept;
    }
}

TEST(Notation, EarlierFormsAreExpandedFirst) {
    // "^p" is expanded before code 94 makes a caret: the way to write a literal "^p".
    EXPECT_EQ(expandNotation("^chr(94)p"), "^p");
    EXPECT_EQ(expandNotation("^chr(94)t"), "^t");
    // A caret made at n = 94 starts a token of a higher code, but not one of a lower code.
    EXPECT_EQ(expandNotation("^chr(94)chr(200)"), byte(200));
    EXPECT_EQ(expandNotation("^chr(94)chr(65)"), "^chr(65)");
}

TEST(Notation, SonderzeichenReplaceRewritesEveryEntryInPlace) {
    std::vector<std::string> texts{"^p", "", "x^ty"};
    expandEachNotation(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"\r\n", "", "x\ty"}));
}

} // namespace
} // namespace morvane
