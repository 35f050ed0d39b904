#include "core/text/edited_text.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

// Replacements of every length, side by side and at both ends, build the text they make; a byte counts as
// taken only inside a replacement, across the borders of the bit words too.
TEST(EditedText, BuildsTheTextTheReplacementsMakeAndTellsWhichBytesTheyTook) {
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

    const std::string dots(200, '.');
    edits.reset(dots);
    edits.replace(62, 4, "x");
    edits.replace(128, 64, "");
    EXPECT_TRUE(edits.untouched(0, 62) && edits.untouched(66, 128) && edits.untouched(192, 200));
    EXPECT_FALSE(edits.untouched(60, 63) || edits.untouched(65, 70) || edits.untouched(191, 192));
}

// The window shows the new text, other replacements included, up to the reach on each side; so does the one
// taken straight from the text where no other replacement lies within reach.
TEST(EditedText, WindowShowsTheNewTextAroundAReplacement) {
    struct Made {
        std::size_t start;
        std::size_t length;
        const char* replacement;
    };
    struct Case {
        std::size_t made; // which replacement
        std::size_t reach;
        const char* window;
        std::size_t at;
    };
    const std::string text = "0123456789";
    const Made made[] = {{1, 1, "ab"}, {2, 2, ""}, {4, 1, "X"}, {9, 1, "YZ"}, {6, 1, "S"}};
    EditedText edits;
    edits.reset(text);
    for (const Made& m : made) {
        edits.replace(m.start, m.length, m.replacement);
    }
    for (const Case& c : {
             Case{2, 3, "0abX5S7", 3},    // a cut and replacements on both sides
             Case{2, 1, "bX5", 1},        // part of a replacement
             Case{1, 2, "abX5", 2},       // a cut: the window holds what lies around it
             Case{0, 9, "0abX5S78YZ", 1}, // the text ends
             Case{3, 2, "78YZ", 2},       // nothing else within reach
             Case{4, 1, "5S7", 1},
         }) {
        const Made& m = made[c.made];
        std::string window;
        std::size_t at = 0;
        std::size_t size = 0;
        edits.window(m.start, c.reach, window, at, size);
        EXPECT_EQ(window, c.window) << m.start << " " << c.reach;
        EXPECT_EQ(at, c.at) << m.start << " " << c.reach;
        EXPECT_EQ(size, std::string_view(m.replacement).size());
        window.clear();
        edits.windowOf(m.start, m.length, m.replacement, c.reach, window, at);
        EXPECT_EQ(window, c.window) << "from the text: " << m.start << " " << c.reach;
        EXPECT_EQ(at, c.at) << "from the text: " << m.start << " " << c.reach;
    }
}

// Spans of the new text that take bytes of earlier replacements join them: the text reads as if the
// replacements had been made one after the other, and a later span sees the joined replacement.
TEST(EditedText, SpansOfTheNewTextJoinTheReplacementsTheyTouch) {
    struct Case {
        const char* name;
        std::vector<std::size_t> starts; // in the new text "0ab3X5789"
        std::size_t length;
        const char* built;
        std::vector<std::size_t> placed;
    };
    const std::string text = "0123456789";
    EditedText edits; // kept from text to text, as a worker keeps it
    for (const Case& c : std::vector<Case>{
             {"the text alone", {6}, 1, "0ab3X5#89", {7}},
             {"inside a replacement", {1}, 1, "0#b3X5789", {1}},
             {"two in one replacement", {1, 2}, 1, "0##3X5789", {1}},
             {"in two replacements", {2, 4}, 1, "0a#3#5789", {1, 4}},
             {"across a replacement and the text", {2}, 2, "0a#X5789", {1}},
             {"next to a cut", {5}, 1, "0ab3X#789", {5}},
             {"over a cut", {5}, 2, "0ab3X#89", {5}},
         }) {
        edits.reset(text);
        edits.replace(1, 2, "ab");
        edits.replace(4, 1, "X");
        edits.replace(6, 1, "");
        std::string built;
        edits.build(built);
        std::vector<std::size_t> placed;
        edits.replaceInBuilt(built, c.starts, c.length, "#", placed);
        edits.build(built);
        EXPECT_EQ(built, c.built) << c.name;
        EXPECT_EQ(placed, c.placed) << c.name;
    }
}

} // namespace
} // namespace morvane
