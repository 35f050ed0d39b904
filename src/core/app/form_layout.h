#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace morvane {

// The main window's geometry is stated in twips (1440 per inch) and shown at 15 twips per logical pixel.
inline constexpr int kTwipsPerPixel = 15;

// Rounds to the nearest whole pixel; a value that is not a number gives 0 and one beyond the range of int
// is clamped to it.
int pixelsFromTwips(double twips);

constexpr double twipsFromPixels(int pixels) {
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    bool operator==(const TwipsRect&) const = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelRect&) const = default;
};

// Rounds the edges rather than the width and height, so that edges which meet or line up in twips still do
// in pixels.
PixelRect pixelRectFromTwips(const TwipsRect& rect);

struct WindowSize {
    double width = 0;
    double height = 0;
};

// Every control the layout places. A control's rectangle is relative to its container: the two pages
// mainFrame and frameNewElement to the window, Label4 to picProgress, imgButton5 to frmSwap, everything
// else to the page it stands on (mainFrame up to img0, frameNewElement from there on).
enum class FormControl : std::size_t {
    mainFrame,
    optReplaceInContents0,
    optReplaceInContents1,
    picProgress,
    Label4,
    cmdToList,
    cmdUpdateTasks,
    txtTaskName,
    cmdSaveList,
    lvFiles,
    lvCurrentFindReplace,
    lvSavedReps,
    Label7,
    Label6,
    Label5,
    imgButton0,
    imgButton1,
    imgButton2,
    Label8,
    img0,
    frameNewElement,
    frmSwap,
    imgButton5,
    cmdSwap,
    cmdUpdateElement,
    cmdCancelNewElement,
    cmdAddNewElement,
    txtSpecialChars,
    txtReplace,
    txtFind,
    Label2,
    Label1,
    Label0,
    tglIgnoreCase,
    tglWholeWord,
    tglPattern,
    img1,
};
inline constexpr std::size_t kFormControlCount = static_cast<std::size_t>(FormControl::img1) + 1;

// The rectangle of every control, in twips.
struct FormLayout {
    std::array<TwipsRect, kFormControlCount> rects{};

    TwipsRect& operator[](FormControl control) { return rects[static_cast<std::size_t>(control)]; }
    const TwipsRect& operator[](FormControl control) const {
        return rects[static_cast<std::size_t>(control)];
    }
    bool operator==(const FormLayout&) const = default;
};

// Where every control stands before the first layout pass. Values no layout rule sets keep these for good.
FormLayout designFormLayout();

// Lays both pages out for a window of the given outer size in twips; the pages are 700 twips lower than the
// window, which leaves room for its caption, menu bar and borders. The rules read some of the current
// rectangles (the heights of txtTaskName, picProgress, the image buttons and the labels, the top of txtFind,
// ...), so pass the previous pass's result, or the design layout before the first pass. A value that would
// come out as a negative width or height, or not as a number, is not assigned: that control keeps its value
// from `current` and the pass goes on. After applying it the window draws the progress bar full in the
// progress colour, also when no run has happened yet.
FormLayout formResize(WindowSize outer, const FormLayout& current);

// The widths in twips of the list columns, numbered from 0. An empty entry is one whose width would come out
// negative: that column keeps the width it has. The first columns of the saved-task list and the file list
// stay hidden at width 0, also when the user has dragged them open.
struct ListColumnWidths {
    std::array<std::optional<double>, 3> findReplace; // the find text, the replacement, the option marks
    std::array<std::optional<double>, 4> savedTasks;
    std::array<std::optional<double>, 3> files;
};

// The column widths that follow from the lists' widths; applied after every formResize.
ListColumnWidths listColumnWidths(const FormLayout& layout);

// What keeps a control of a laid-out page from being used: it lies over another control of its page, it
// reaches past its page's edge, or it is smaller than it can be used at (a list shows at least its heading
// and two rows, a text box a few words). The swap button, which stands over the gap between the find and
// replace boxes on purpose, and the controls no one sees are not checked. A label counts with the width of
// its caption, which the window measures into the layout before it lays it out.
struct LayoutFault {
    enum class Kind { Overlap, OutsidePage, TooSmall };
    Kind kind = Kind::Overlap;
    FormControl control = FormControl::mainFrame;
    FormControl other = FormControl::mainFrame; // the control it lies over, for an overlap

    bool operator==(const LayoutFault&) const = default;
};
std::vector<LayoutFault> layoutFaults(const FormLayout& layout);

// The smallest outer window size, in twips and counting the 700 the layout leaves for the caption and menu
// bar, whose layout has no fault, for controls of the heights and label captions of `current`.
WindowSize minimumWindowSize(const FormLayout& current);

struct PixelSize {
    int width = 0;
    int height = 0;

    bool operator==(const PixelSize&) const = default;
};

// The placing of windows on the screen. Every size and rectangle here is a window's outer one, with the frame
// the window system draws around it; an area is a screen's free part, without its panels.

// Where a window first stands: as large as wanted but no larger than the area, no smaller than the minimum,
// centred on the area.
PixelRect placeInArea(PixelSize wanted, PixelSize minimum, const PixelRect& area);

// Where a remembered window goes back to: where it was, when its top edge, by which it is dragged, can still
// be reached on one of the areas, made smaller where that area is smaller; nothing when it would be out of
// reach, as after a screen was taken away.
std::optional<PixelRect> placeRemembered(const PixelRect& remembered, PixelSize minimum,
                                         const std::vector<PixelRect>& areas);

// Where a second window opens so that it leaves the first one (the owner) in sight: to its right, or else to
// its left, where the area has room for the wanted width; else on the side with more room, narrowed to it
// when that is at least the minimum width; else at the area's right edge, over the owner.
PixelRect placeBeside(const PixelRect& owner, PixelSize wanted, int minimumWidth, const PixelRect& area);

} // namespace morvane
