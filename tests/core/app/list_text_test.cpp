#include "core/app/key_rules.h"
#include "core/app/list_text.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using Headings = std::vector<std::string>;

TEST(ListHeadings, SplitAtEveryCommaWithoutTrimming) {
    EXPECT_EQ(splitHeadings("Path,File,Replacements"), (Headings{"Path", "File", "Replacements"}));
    EXPECT_EQ(splitHeadings("Find, Replace"), (Headings{"Find", " Replace"}));
    EXPECT_EQ(splitHeadings("a,,b"), (Headings{"a", "", "b"}));
    EXPECT_EQ(splitHeadings("alone"), (Headings{"alone"}));
    EXPECT_EQ(splitHeadings(""), Headings{});
}

TEST(ListHeadings, NewColumnsShareTheListWidthLess80Twips) {
    EXPECT_DOUBLE_EQ(initialColumnWidthTwips(6735, 2), 3327.5);
    EXPECT_NEAR(initialColumnWidthTwips(4215, 3), 1378.33, 0.01);
    EXPECT_DOUBLE_EQ(initialColumnWidthTwips(1000, 1), 920);
}

TEST(EditorText, LineBreaksAreStoredAsCrLf) {
    EXPECT_EQ(typedToStored("x\ny"), "x\r\ny");
    EXPECT_EQ(typedToStored("x\r\ny"), "x\r\ny");
    EXPECT_EQ(storedToTyped("x\r\ny"), "x\ny");
}

// Each case: the rows, and the folder column of each once the folder all of them share is taken off.
TEST(FolderColumn, ShowsEachRowsFolderBelowTheFolderAllRowsShare) {
    struct Case {
        std::vector<std::string> paths;
        std::string shared;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {{"/src/app/main.c", "/src/util/main.c"}, "/src/", {"app", "util"}},
        {{"/src/app/main.c", "/src/app/x/y.c", "/src/readme"}, "/src/", {"app", "app/x", ""}},
        {{"/ab/x.c", "/ac/y.c"}, "/", {"ab", "ac"}},          // "a" is no folder both lie in
        {{"/t/d/", "/t/d/f.txt"}, "/t/", {"", "d"}},          // a folder row lies in its parent
        {{"/t/only.txt"}, "/t/", {""}},                       // one row lies in its own folder
        {{"rel/a.txt", "other/b.txt"}, "", {"rel", "other"}}, // relative paths share no folder
        {{"bare.txt", "/abs/c.txt"}, "", {"", "/abs"}},
    };
    for (const Case& c : cases) {
        std::string shared(folderOfEntry(c.paths.front()));
        for (const std::string& path : c.paths) {
            shared = std::string(sharedFolder(shared, folderOfEntry(path)));
        }
        EXPECT_EQ(shared, c.shared) << c.paths.front();
        std::vector<std::string> shown;
        for (const std::string& path : c.paths) {
            shown.emplace_back(shownFolder(path, shared));
        }
        EXPECT_EQ(shown, c.shown) << c.paths.front();
    }
}

TEST(EditorText, ListsWriteControlBytesAsTheNotationDoes) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"x\r\ny", "x^py"},
        {"a\tb", "a^tb"},
        {"lone\nLF and\rCR", "lone^chr(10)LF and^chr(13)CR"},
        {"\r\r\n", "^chr(13)^p"},
        {std::string("nul\0", 4) + "\x1b", "nul^chr(0)^chr(27)"},
        {"caf\xc3\xa9 ^p", "caf\xc3\xa9 ^p"},
    };
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(oneLineText(stored), shown) << stored;
    }
}

TEST(KeyRules, CtrlOnlyMeansExactlyCtrl) {
    EXPECT_EQ(fileListKey({vk::kA, kCtrlMask}), FileListKey::SelectAll);
    EXPECT_EQ(fileListKey({vk::kA, kCtrlMask | kShiftMask}), FileListKey::None);
    EXPECT_EQ(fileListKey({vk::kDelete, kShiftMask | kAltMask}), FileListKey::DeleteSelected);
    EXPECT_EQ(pairListKey({vk::kMainPlus, kShiftMask}), PairListKey::AddNew);
    EXPECT_EQ(pairListKey({vk::kKeypadPlus, 0}), PairListKey::None);
    EXPECT_EQ(pairListKey({vk::kSpace, kCtrlMask}), PairListKey::EditCurrent);
    EXPECT_FALSE(selectsWholeText({vk::kA, kCtrlMask | kAltMask}));
}

} // namespace
} // namespace morvane
