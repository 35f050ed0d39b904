#include "core/app/form_layout.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace morvane {
namespace {

using enum FormControl;

testing::AssertionResult isRect(const TwipsRect& actual, double left, double top, double width,
                                double height) {
    const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
    if (near(actual.left, left) && near(actual.top, top) && near(actual.width, width) &&
        near(actual.height, height)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "got " << actual.left << ", " << actual.top << ", " << actual.width << ", " << actual.height;
}

FormLayout laidOut(double width, double height) {
    return formResize({width, height}, designFormLayout());
}

TEST(layOutForm, MainPageAtTwelveThousandByNineThousand) {
    const FormLayout layout = laidOut(12000, 9000);
    EXPECT_TRUE(isRect(layout[mainFrame], 0, 0, 12000, 8300));
    EXPECT_TRUE(isRect(layout[img0], 0, 0, 12000, 8300));
    EXPECT_TRUE(isRect(layout[lvCurrentFindReplace], 100, 200, 7200, 3901));
    EXPECT_TRUE(isRect(layout[lvSavedReps], 100, 5201, 7200, 2799));
    EXPECT_TRUE(isRect(layout[txtTaskName], 100, 4816, 4335, 285));
    EXPECT_TRUE(isRect(layout[cmdToList], 4535, 4816, 2055, 285));
    EXPECT_TRUE(isRect(layout[lvFiles], 7500, 200, 4200, 6025));
    EXPECT_TRUE(isRect(layout[picProgress], 7500, 7625, 4200, 375));
    EXPECT_TRUE(isRect(layout[Label4], 0, 0, 4200, 375));
    EXPECT_TRUE(isRect(layout[imgButton2], 10800, 6525, 900, 900));
    EXPECT_TRUE(isRect(layout[imgButton1], 9700, 6525, 900, 900));
    EXPECT_TRUE(isRect(layout[Label5], 7500, 6525, 1695, 255));
    EXPECT_TRUE(isRect(layout[Label6], 7500, 6780, 1695, 255));
    EXPECT_TRUE(isRect(layout[Label7], 7500, 7035, 1695, 255));
    EXPECT_TRUE(isRect(layout[Label8], 100, 4331, 2055, 255)); // midway between the pair list and the name
}

TEST(layOutForm, EditorPageAtTwelveThousandByNineThousand) {
    const FormLayout layout = laidOut(12000, 9000);
    EXPECT_TRUE(isRect(layout[frameNewElement], 0, 0, 12000, 8300));
    EXPECT_TRUE(isRect(layout[img1], 0, 0, 12000, 8300));
    EXPECT_TRUE(isRect(layout[txtFind], 100, 600, 3840, 7025));
    EXPECT_TRUE(isRect(layout[txtReplace], 4040, 600, 3840, 7025));
    EXPECT_TRUE(isRect(layout[txtSpecialChars], 7980, 600, 3840, 7025));
    EXPECT_TRUE(isRect(layout[cmdAddNewElement], 120, 7775, 1335, 375));
    EXPECT_TRUE(isRect(layout[cmdUpdateElement], 1560, 7775, 1335, 375));
    EXPECT_TRUE(isRect(layout[cmdCancelNewElement], 3000, 7775, 1335, 375));
    // Halves drop their fraction: 615 gives 307 and the height 7025 gives 3512.
    EXPECT_TRUE(isRect(layout[cmdSwap], 3683, 3805, 615, 615));
    EXPECT_TRUE(isRect(layout[frmSwap], 3615, 3737, 750, 750));
    EXPECT_TRUE(isRect(layout[imgButton5], 0, 0, 750, 750));
    EXPECT_TRUE(isRect(layout[Label0], 150, 345, 2055, 255));
    EXPECT_TRUE(isRect(layout[Label1], 4090, 345, 2055, 255));
    EXPECT_TRUE(isRect(layout[Label2], 8030, 345, 2055, 255));
}

TEST(layOutForm, TooSmallWindowSkipsOnlyTheNegativeSizes) {
    const FormLayout before = laidOut(12000, 9000);
    const FormLayout small = formResize({1400, 1900}, before);
    EXPECT_TRUE(isRect(small[mainFrame], 0, 0, 1400, 1200));
    EXPECT_TRUE(isRect(small[lvCurrentFindReplace], 100, 200, 840, 564));
    // Heights -964 and -75 and the width -40 are skipped; the values of the previous pass carry on.
    EXPECT_TRUE(isRect(small[lvSavedReps], 100, 1864, 840, 2799));
    EXPECT_TRUE(isRect(small[lvFiles], 1140, 200, 4200, 2688));
    EXPECT_TRUE(isRect(small[picProgress], 1140, 4288, 4200, 375));
    EXPECT_TRUE(isRect(small[imgButton2], 4440, 3188, 900, 900));
    EXPECT_TRUE(isRect(small[txtFind], 100, 600, 448, 7025));
    EXPECT_TRUE(isRect(small[cmdUpdateElement], 1560, 7775, 1335, 375));

    const FormLayout low = formResize({1400, 600}, small);
    EXPECT_TRUE(isRect(low[mainFrame], 0, 0, 1400, 1200));

    EXPECT_EQ(formResize({12000, 9000}, low), before);
}

TEST(layOutForm, SizeThatIsNotANumberLeavesThePageAsItWas) {
    const double infinity = std::numeric_limits<double>::infinity();
    const FormLayout layout = laidOut(std::nan(""), infinity);
    EXPECT_TRUE(isRect(layout[mainFrame], 0, 0, 11295, 7695));
    EXPECT_TRUE(isRect(layout[lvCurrentFindReplace], 100, 200, 6777, 3616.65));
}

TEST(ListColumnWidths, FollowTheListsAndKeepTheHiddenColumnsClosed) {
    const ListColumnWidths wide = listColumnWidths(laidOut(12000, 9000));
    EXPECT_EQ(wide.findReplace[0], 3175);
    EXPECT_EQ(wide.findReplace[1], 3175);
    EXPECT_EQ(wide.findReplace[2], 750);
    EXPECT_EQ(wide.savedTasks[0], 0);
    EXPECT_NEAR(wide.savedTasks[3].value_or(-1), 2366, 1e-6);
    EXPECT_EQ(wide.files[0], 0);
    EXPECT_EQ(wide.files[1], 3310);
    EXPECT_NEAR(wide.files[2].value_or(-1), 790, 1e-6);

    // A pair list 90 wide would need columns of -5: they keep their widths.
    const ListColumnWidths narrow = listColumnWidths(laidOut(150, 9000));
    EXPECT_FALSE(narrow.findReplace[0].has_value());
    EXPECT_FALSE(narrow.findReplace[1].has_value());
    EXPECT_EQ(narrow.savedTasks[0], 0);
    EXPECT_EQ(narrow.files[0], 0);
}

TEST(TwipsToPixels, RoundsEdgesSoThatAlignedEdgesStayAligned) {
    EXPECT_EQ(pixelsFromTwips(900), 60);
    EXPECT_EQ(pixelsFromTwips(7), 0);
    EXPECT_EQ(pixelsFromTwips(8), 1);
    EXPECT_EQ(pixelsFromTwips(std::nan("")), 0);
    EXPECT_EQ(pixelsFromTwips(1e300), INT_MAX);
    EXPECT_EQ(twipsFromPixels(763), 11445);
    EXPECT_EQ(pixelRectFromTwips({10800, 6525, 900, 900}), (PixelRect{720, 435, 60, 60}));

    // One twip higher makes the saved-task list 2799.53 high from 5201.47: rounding the height alone would
    // put its bottom a pixel below the progress bar's.
    const FormLayout layout = laidOut(12000, 9001);
    EXPECT_EQ(pixelRectFromTwips(layout[lvSavedReps]), (PixelRect{7, 347, 480, 186}));
    EXPECT_EQ(pixelRectFromTwips(layout[picProgress]), (PixelRect{500, 508, 280, 25}));
}

} // namespace
} // namespace morvane
