#include "core/state/settings.h"
#include "core/text/number_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using testing::readBytes;

// The file as saving writes it, by default with icons loaded and files not added.
std::string canonicalFile(char replaceInContents, char language, char loadIcons = '1', char addFiles = '0') {
    return std::string("[Replace in Contents]\t") + replaceInContents + "\r\n[Language]\t\t" + language +
           "\r\n[Load Icons]\t\t" + loadIcons + "\r\n[Add Files to Filelist]\t" + addFiles + "\r\n";
}

TEST(NumberText, LongestLeadingDecimalNumber) {
    struct Row {
        const char* text;
        double expected;
    };
    for (const Row& row :
         {Row{"1", 1}, Row{"  1", 1}, Row{"1.0", 1}, Row{"01", 1}, Row{"1.", 1}, Row{"+1", 1}, Row{"-1", -1},
          Row{"2.25x", 2.25}, Row{".5", 0.5}, Row{"1e3", 1}, Row{"1 2", 1}, Row{"", 0}, Row{"True", 0},
          Row{"- 1", 0}, Row{".", 0}, Row{"\t1", 0}}) {
        EXPECT_EQ(leadingNumber(row.text), row.expected) << '"' << row.text << '"';
    }
    EXPECT_FALSE(readsAsTrue(std::string(400, '9'))) << "a number too large for a double";
}

TEST(Settings, MissingFileIsCreatedWithTheDefaults) {
    testing::TempDir dir;
    EXPECT_EQ(loadSettings(dir.path()), Settings{});
    EXPECT_EQ(readBytes(dir.file("Settings.txt")), canonicalFile('1', '0'));
}

TEST(Settings, HandEditedFilesAreReadAndRepairedWhenAKeyIsMissing) {
    const std::string otherThree = "\r\n[Load Icons]\t1\r\n[Add Files to Filelist]\t0\r\n";
    struct Row {
        const char* name;
        std::string contents;
        Settings expected;
        std::string rewrittenTo; // empty: the file is left as it was
    };
    for (const Row& row : {
             Row{"only three keys, and a line a person added",
                 "[Language]\t1\r\nsomething a person added\r\n[Load Icons]\t0\r\n[Add Files to Filelist]\t1",
                 {true, 1, false, true},
                 canonicalFile('1', '1', '0', '1')},
             Row{"five tabs",
                 "[Replace in Contents]\t0\r\n[Language]\t\t\t\t\t1" + otherThree,
                 {false, 1, true, false},
                 ""},
             Row{"blank instead of tab",
                 "[Replace in Contents] 0\r\n[Language]\t1" + otherThree,
                 {true, 1, true, false},
                 canonicalFile('1', '1')},
             Row{"two is not true",
                 "[Replace in Contents]\t1\r\n[Language]\t0\r\n[Load Icons]\t2\r\n[Add Files to "
                 "Filelist]\t01",
                 {true, 0, false, true},
                 ""},
             Row{"blank lines, no final line end",
                 "\r\n\r\n[Add Files to Filelist]\t1\r\n\r\n[Load Icons]\t0\r\n[Language]\t1\r\n"
                 "[Replace in Contents]\t0",
                 {false, 1, false, true},
                 ""},
             Row{"key in other case",
                 "[Replace in Contents]\t0\r\n[language]\t1" + otherThree,
                 {false, 0, true, false},
                 canonicalFile('0', '0')},
             Row{"words read as 0",
                 "[Replace in Contents]\tyes\r\n[Language]\tGerman" + otherThree,
                 {false, 0, true, false},
                 ""},
             Row{"zero bytes", "", {}, ""},
         }) {
        testing::TempDir dir;
        dir.write("Settings.txt", row.contents);
        EXPECT_EQ(loadSettings(dir.path()), row.expected) << row.name;
        EXPECT_EQ(readBytes(dir.file("Settings.txt")),
                  row.rewrittenTo.empty() ? row.contents : row.rewrittenTo)
            << row.name;
    }
}

TEST(Settings, LanguageRoundsHalfToEvenAndFallsBackToEnglish) {
    struct Row {
        const char* value;
        int expected;
    };
    for (const Row& row : {Row{"1", 1}, Row{" 1.0", 1}, Row{"0.5", 0}, Row{"0.51", 1}, Row{"1.49", 1},
                           Row{"1.5", 0}, Row{"2", 0}, Row{"-1", 0}, Row{"99999999999999999999", 0}}) {
        testing::TempDir dir;
        dir.write("Settings.txt", std::string("[Language]\t") + row.value);
        EXPECT_EQ(loadSettings(dir.path()).language, row.expected) << row.value;
    }
}

} // namespace
} // namespace morvane
