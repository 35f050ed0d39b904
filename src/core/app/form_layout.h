#pragma once

#include <array>
#include <cstddef>
#include <optional>

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

} // namespace morvane
