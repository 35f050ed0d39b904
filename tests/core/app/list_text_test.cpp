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
