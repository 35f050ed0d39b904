#include "core/platform/leftover_names.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

constexpr std::string_view kSuffix = "k3j4h5g6f7";

TEST(LeftoverNames, ShortNamesAreEmbeddedWhole) {
    EXPECT_EQ(leftoverName(LeftoverKind::Temporary, "notes.txt", kSuffix, 255),
              ".notes.txt.morvane-k3j4h5g6f7");
    EXPECT_EQ(leftoverName(LeftoverKind::Backup, "notes.txt", kSuffix, 255),
              ".notes.txt.morvane-old-k3j4h5g6f7");
    const std::string aside = leftoverName(LeftoverKind::Aside, "notes.txt", kSuffix, 255);
    EXPECT_EQ(aside, ".notes.txt.morvane-aside-k3j4h5g6f7");
    EXPECT_EQ(parseLeftoverName(aside)->kind, LeftoverKind::Aside);
    EXPECT_EQ(parseLeftoverName(aside)->fileName, "notes.txt");
}

TEST(LeftoverNames, LongNamesAreCutToTheLimit) {
    const std::string name(255, 'n');
    const std::string temporary = leftoverName(LeftoverKind::Temporary, name, kSuffix, 255);
    EXPECT_EQ(temporary, "." + std::string(235, 'n') + ".morvane-k3j4h5g6f7");
    const std::string backup = leftoverName(LeftoverKind::Backup, name, kSuffix, 255);
    EXPECT_EQ(backup, "." + std::string(231, 'n') + ".morvane-old-k3j4h5g6f7");
    // The longest name that still fits whole.
    EXPECT_EQ(leftoverName(LeftoverKind::Temporary, std::string(235, 'n'), kSuffix, 255), temporary);
}

TEST(LeftoverNames, CutNeverSplitsAUtf8Character) {
    // 235 bytes of room: 117 two-byte characters and then the first byte of the 118th.
    std::string name;
    for (int i = 0; i < 127; ++i) {
        name += "\xC3\xA9";
    }
    const std::string temporary = leftoverName(LeftoverKind::Temporary, name, kSuffix, 255);
    EXPECT_EQ(temporary, "." + name.substr(0, 234) + ".morvane-k3j4h5g6f7");
    // Bytes that are not UTF-8 are cut where the room ends, at most three bytes short of it.
    const std::string latin1(255, '\xA0');
    EXPECT_EQ(leftoverName(LeftoverKind::Temporary, latin1, kSuffix, 255).size(), 252u);
}

} // namespace
} // namespace morvane
