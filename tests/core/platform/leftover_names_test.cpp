#include "core/platform/leftover_names.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

// A name fits whole or is cut to the room left beside the suffix, never inside a UTF-8 character.
TEST(LeftoverNames, EmbedTheNameWholeOrCutToTheLimit) {
    std::string utf8;
    for (int i = 0; i < 127; ++i) {
        utf8 += "\xC3\xA9";
    }
    const std::string n235(235, 'n');
    const struct {
        LeftoverKind kind;
        std::string name, expected;
    } cases[] = {
        {LeftoverKind::Temporary, "notes.txt", ".notes.txt.morvane-k3j4h5g6f7"},
        {LeftoverKind::Backup, "notes.txt", ".notes.txt.morvane-old-k3j4h5g6f7"},
        {LeftoverKind::Aside, "notes.txt", ".notes.txt.morvane-aside-k3j4h5g6f7"},
        {LeftoverKind::Temporary, std::string(255, 'n'), "." + n235 + ".morvane-k3j4h5g6f7"},
        {LeftoverKind::Backup, std::string(255, 'n'), "." + n235.substr(4) + ".morvane-old-k3j4h5g6f7"},
        // The longest name that still fits whole.
        {LeftoverKind::Temporary, n235, "." + n235 + ".morvane-k3j4h5g6f7"},
        // 235 bytes of room: 117 two-byte characters and then the first byte of the 118th.
        {LeftoverKind::Temporary, utf8, "." + utf8.substr(0, 234) + ".morvane-k3j4h5g6f7"},
        // Bytes that are not UTF-8 are cut where the room ends, at most three bytes short of it.
        {LeftoverKind::Temporary, std::string(255, '\xA0'),
         "." + std::string(232, '\xA0') + ".morvane-k3j4h5g6f7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(leftoverName(c.kind, c.name, "k3j4h5g6f7", 255), c.expected);
    }
    EXPECT_EQ(parseLeftoverName(cases[2].expected)->kind, LeftoverKind::Aside);
    EXPECT_EQ(parseLeftoverName(cases[2].expected)->fileName, "notes.txt");
}

} // namespace
} // namespace morvane
