#include "core/state/window_place.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace morvane {
namespace {

TEST(WindowPlaceFile, KeepsThePlaceBesideTheSettingsAndPassesOverDamage) {
    testing::TempDir folder;
    EXPECT_EQ(readWindowPlace(folder.path()), std::nullopt);
    const WindowPlace place{-1200, 40, 900, 700, true};
    ASSERT_TRUE(storeWindowPlace(folder.path(), place).ok());
    EXPECT_EQ(readWindowPlace(folder.path()), place);
    EXPECT_EQ(windowPlaceText(place), "[Main Window]\t\t-1200 40 900 700\r\n[Maximized]\t\t1\r\n");

    struct Case {
        std::string text;
        std::optional<WindowPlace> place;
    };
    const std::vector<Case> cases{
        {"[Maximized]\t0\n[Main Window]\t10 20 30 40\n", WindowPlace{10, 20, 30, 40, false}},
        {"[Main Window]\t\t10 20 30\r\n[Maximized]\t\t0\r\n", std::nullopt},
        {"[Main Window]\t\t10 20 0 40\r\n[Maximized]\t\t0\r\n", std::nullopt},
        {"[Main Window]\t\t10 20 30 4x\r\n[Maximized]\t\t0\r\n", std::nullopt},
        {"[Main Window]\t\t10 20 30 99999999999\r\n[Maximized]\t\t0\r\n", std::nullopt},
        {"[Main Window]\t\t10 20 30 40\r\n[Maximized]\t\tyes\r\n", std::nullopt},
        {"[Main Window]\t\t10 20 30 40\r\n", std::nullopt},
        {std::string("\0\0\0", 3), std::nullopt},
    };
    for (const Case& file : cases) {
        EXPECT_EQ(windowPlaceFromText(file.text), file.place) << file.text;
    }
}

} // namespace
} // namespace morvane
