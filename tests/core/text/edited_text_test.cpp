#include "core/text/edited_text.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

// Replacements of every length, side by side and at both ends, build the text they make.
TEST(EditedText, BuildsTheTextTheReplacementsMake) {
    const std::string text = "abcdefghij";
    EditedText edits;
    edits.reset(text);
    EXPECT_FALSE(edits.edited());
    edits.replace(0, 1, "AA");
    edits.replace(1, 2, "");
    edits.replace(3, 1, "D");
    edits.replace(9, 1, "JJJ");
    std::string built;
    edits.build(built);
    EXPECT_EQ(built, "AADefghiJJJ");
}

// A byte counts as taken only inside a replacement, across the borders of the bit words too.
TEST(EditedText, TellsWhichBytesAReplacementTook) {
    const std::string text(200, '.');
    EditedText edits;
    edits.reset(text);
    edits.replace(62, 4, "x");
    edits.replace(128, 64, "");
    EXPECT_TRUE(edits.untouched(0, 62));
    EXPECT_FALSE(edits.untouched(60, 63));
    EXPECT_FALSE(edits.untouched(65, 70));
    EXPECT_TRUE(edits.untouched(66, 128));
    EXPECT_FALSE(edits.untouched(191, 192));
    EXPECT_TRUE(edits.untouched(192, 200));
}

// The window shows the new text, other replacements included, up to the reach on each side.
TEST(EditedText, WindowShowsTheNewTextAroundAReplacement) {
    struct Case {
        std::size_t start;
        std::size_t reach;
        const char* window;
        std::size_t at;
    };
    const std::string text = "0123456789";
    EditedText edits;
    edits.reset(text);
    edits.replace(1, 1, "ab");
    edits.replace(2, 2, "");
    edits.replace(4, 1, "X");
    edits.replace(9, 1, "YZ");
    for (const Case& c : {
             Case{4, 3, "0abX567", 3},    // a cut and a replacement to the left
             Case{4, 1, "bX5", 1},        // part of a replacement
             Case{2, 2, "abX5", 2},       // a cut: the window holds what lies around it
             Case{1, 9, "0abX5678YZ", 1}, // the text ends
             Case{9, 4, "5678YZ", 4},
         }) {
        std::string window;
        std::size_t at = 0;
        edits.window(c.start, c.reach, window, at);
        EXPECT_EQ(window, c.window) << c.start << " " << c.reach;
        EXPECT_EQ(at, c.at) << c.start << " " << c.reach;
    }
}

} // namespace
} // namespace morvane
