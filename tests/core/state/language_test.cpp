#include "core/state/language.h"
#include "core/state/message_keys.h"
#include "core/text/keyed_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(KeyedText, RunsOfTabsAndLineBreaksCollapse) {
    EXPECT_EQ(normaliseKeyedText("[a]\t\t\tx\r\n\r\n\r\n[b]\ty"), "[a]\tx\r\n[b]\ty");
    EXPECT_EQ(normaliseKeyedText("a\n\nb"), "a\n\nb") << "only CR LF pairs are line breaks";
    EXPECT_EQ(replaceUntilAbsent("aaaa", "aa", "a"), "a");
    EXPECT_EQ(replaceUntilAbsent("ab", "a", "aa"), "aab") << "a replacement holding the find text ends";
}

TEST(LanguageLookup, TakesTheColumnOfTheLanguage) {
    const std::string file = "[mnuFile]\t&File\t&Datei\r\n[only]\tEnglish\r\n";
    EXPECT_EQ(languageFileText("[mnuFile]", file, 0), "&File");
    EXPECT_EQ(languageFileText("[mnuFile]", file, 1), "&Datei");
    EXPECT_EQ(languageFileText("[only]", file, 1), "");
    EXPECT_EQ(languageFileText("[absent]", file, 0), "");
    EXPECT_EQ(languageFileText("", file, 0), "");
    EXPECT_EQ(languageFileText("[mnuFile]", file, 5), "");
}

TEST(LanguageLookup, FirstOccurrenceDecidesEvenInsideAnotherLine) {
    const std::string file = "[a]\tsee [b] here\tx\r\n[b]\tB\tBB\r\n";
    EXPECT_EQ(languageFileText("[b]", file, 0), "x");
    EXPECT_EQ(languageFileText("[a]", "[a]\tfirst\r\n[a]\tsecond", 0), "first");
}

TEST(LanguageLookup, TextBetweenKeyAndFirstTabIsIgnoredAndEnterBecomesCrLf) {
    EXPECT_EQ(languageFileText("[k]", "[k] comment\tline one[ENTER]line two\tzwei", 0),
              "line one\r\nline two");
}

} // namespace
} // namespace morvane
