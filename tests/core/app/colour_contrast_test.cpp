#include "core/app/colour_contrast.h"

#include <array>
#include <gtest/gtest.h>

namespace morvane {
namespace {

constexpr Srgb kBlack{0, 0, 0};
constexpr Srgb kWhite{255, 255, 255};

TEST(ColourContrast, RatiosFollowTheWcagFormula) {
    struct Case {
        Srgb first;
        Srgb second;
        double ratio;
    };
    for (const Case& c : {Case{kBlack, kWhite, 21.0}, Case{kWhite, kBlack, 21.0}, Case{kWhite, kWhite, 1.0},
                          Case{{0x76, 0x76, 0x76}, kWhite, 4.54}, Case{{0x77, 0x77, 0x77}, kWhite, 4.48},
                          Case{{0, 0, 0xff}, {0x2d, 0x2d, 0x2d}, 1.60}}) {
        EXPECT_NEAR(contrastRatio(c.first, c.second), c.ratio, 0.01);
    }
}

// Dark blue on dark grey, pale pink under near-white text: what fixed colours do on a dark theme.
TEST(ColourContrast, ColoursGiveWayWhereTheTextWouldNotRead) {
    constexpr Srgb darkBase{0x2d, 0x2d, 0x2d};
    constexpr Srgb lightText{0xee, 0xee, 0xec};
    constexpr std::array<Srgb, 1> dark{darkBase};
    const Srgb header = readableOn({0, 0, 0xff}, lightText, dark);
    EXPECT_GE(contrastRatio(header, darkBase), kReadableContrast);
    EXPECT_GT(header.blue, header.red) << "still blue";

    const Srgb pink = readableTint(kWhite, {0xe0, 0x40, 0x40}, 1.0, kBlack);
    EXPECT_GE(contrastRatio(kBlack, pink), kReadableContrast) << "a full tint gives way to black text";
    EXPECT_LT(pink.green, 0xff);
    const Srgb red = readableTint(darkBase, {0xe0, 0x40, 0x40}, 0.45, lightText);
    EXPECT_GT(red.red, darkBase.red) << "a dark base is tinted as wanted";
    EXPECT_GE(contrastRatio(lightText, red), kReadableContrast);
}

} // namespace
} // namespace morvane
