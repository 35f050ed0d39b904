#include "core/app/form_layout.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace morvane {
namespace {

using enum FormControl;
using Kind = LayoutFault::Kind;

// The design layout with every heading 900 twips wide, as the window measures its captions into it.
FormLayout withCaptions() {
    FormLayout layout = designFormLayout();
    for (const FormControl label : {Label0, Label1, Label2, Label5, Label6, Label7, Label8}) {
        layout[label].width = 900;
    }
    return layout;
}

TEST(LayoutFaults, NoneFromTheMinimumUpAndNamedBelowIt) {
    const FormLayout captions = withCaptions();
    const WindowSize minimum = minimumWindowSize(captions);
    EXPECT_EQ(minimum.width, 8250);
    EXPECT_EQ(minimum.height, 5985);

    struct Case {
        double width;
        double height;
        std::vector<LayoutFault> faults;
    };
    const std::vector<Case> cases{
        {12000, 9000, {}},
        {8400, 6325, {}},   // 560 by 400 pixels with a menu bar of 25
        {24000, 14875, {}}, // 1600 by 970
        {8250, 5985, {}},
        {8235, 5985, {{Kind::TooSmall, lvFiles, lvFiles}}},
        {8250, 5970, {{Kind::TooSmall, lvSavedReps, lvSavedReps}}},
        {7500, 5985, {{Kind::TooSmall, lvFiles, lvFiles}, {Kind::Overlap, Label0, tglIgnoreCase}}},
        {60000, 40000, {}},
    };
    for (const Case& size : cases) {
        EXPECT_EQ(layoutFaults(formResize({size.width, size.height}, captions)), size.faults)
            << size.width << " by " << size.height;
    }
}

// The name box gives way so that Add to List keeps to the left of the file list.
TEST(LayoutFaults, AddToListKeepsLeftOfTheFileList) {
    const FormLayout narrow = formResize({8400, 6325}, withCaptions());
    EXPECT_EQ(narrow[txtTaskName].width, 2885);
    EXPECT_EQ(narrow[cmdToList].left + narrow[cmdToList].width, 5140);
    EXPECT_EQ(narrow[lvFiles].left, 5340);
}

TEST(WindowPlace, FirstWindowFitsTheFreePartOfTheScreen) {
    const PixelSize wanted{800, 630};
    const PixelSize minimum{540, 400};
    EXPECT_EQ(placeInArea(wanted, minimum, {0, 0, 1920, 1040}), (PixelRect{560, 205, 800, 630}));
    // A screen 1000 pixels high at a scale of 2, less a panel, is 470 high.
    EXPECT_EQ(placeInArea(wanted, minimum, {0, 30, 960, 470}), (PixelRect{80, 30, 800, 470}));
    // Smaller than the minimum: the minimum, from the corner, so the caption stays on the screen.
    EXPECT_EQ(placeInArea(wanted, minimum, {0, 0, 500, 300}), (PixelRect{0, 0, 540, 400}));
}

TEST(WindowPlace, RememberedWindowComesBackWhereItCanBeReached) {
    const std::vector<PixelRect> two{{0, 0, 1920, 1040}, {1920, 0, 1280, 1024}};
    const PixelSize minimum{540, 400};
    struct Case {
        PixelRect remembered;
        std::optional<PixelRect> placed;
    };
    const std::vector<Case> cases{
        {{100, 100, 900, 700}, PixelRect{100, 100, 900, 700}},
        {{2000, 100, 900, 700}, PixelRect{2000, 100, 900, 700}}, // on the second screen
        {{3100, 100, 900, 700}, PixelRect{2300, 100, 900, 700}}, // mostly past its right edge
        {{3150, 100, 900, 700}, std::nullopt},                   // too little of its caption left on it
        {{1800, 100, 900, 700}, PixelRect{1020, 100, 900, 700}}, // onto the screen of its left end
        {{100, 50, 2400, 1500}, PixelRect{0, 0, 1920, 1040}},    // larger than its screen
        {{4000, 100, 900, 700}, std::nullopt},                   // its screen was taken away
        {{100, 1020, 900, 700}, std::nullopt},                   // caption below the screen's end
    };
    for (const Case& window : cases) {
        EXPECT_EQ(placeRemembered(window.remembered, minimum, two), window.placed)
            << window.remembered.left << ", " << window.remembered.top;
    }
}

TEST(WindowPlace, SecondWindowOpensBesideTheFirstWhereThereIsRoom) {
    const PixelRect screen{0, 0, 1920, 1040};
    const PixelSize wanted{960, 520};
    EXPECT_EQ(placeBeside({0, 0, 800, 630}, wanted, 480, screen), (PixelRect{800, 0, 960, 520}));
    EXPECT_EQ(placeBeside({1120, 100, 800, 630}, wanted, 480, screen), (PixelRect{160, 100, 960, 520}));
    // Room on neither side for all of it: the wider side, narrowed.
    EXPECT_EQ(placeBeside({560, 205, 800, 630}, wanted, 480, screen), (PixelRect{1360, 205, 560, 520}));
    // No room worth having: over the first window, at the screen's right edge; kept on the screen below.
    EXPECT_EQ(placeBeside({0, 900, 1920, 1040}, wanted, 480, screen), (PixelRect{960, 520, 960, 520}));
}

} // namespace
} // namespace morvane
