#include "core/app/form_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <span>

namespace morvane {

namespace {

using enum FormControl;

double roundedPixels(double twips) {
    const double pixels = std::round(twips / kTwipsPerPixel);
    return std::isnan(pixels) ? 0 : pixels;
}

int clampedToInt(double value) {
    return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// A width or height that would be negative or not a number leaves the old value in place.
void setExtent(double& field, double value) {
    if (std::isfinite(value) && value >= 0) {
        field = value;
    }
}

void setPosition(double& field, double value) {
    if (std::isfinite(value)) {
        field = value;
    }
}

// The centring rule halves like an integer division: the value is rounded to a whole number (ties to even)
// and the fraction of its half is dropped, so 615 gives 307.
double halfDroppingFraction(double value) {
    double whole = std::round(value);
    if (std::abs(value - std::trunc(value)) == 0.5) {
        whole = 2 * std::round(value / 2);
    }
    return std::trunc(whole / 2);
}

void fillPage(TwipsRect& picture, const TwipsRect& page) {
    picture.top = 0;
    picture.left = 0;
    setExtent(picture.width, page.width);
    setExtent(picture.height, page.height);
}

void layOutLists(FormLayout& layout) {
    const TwipsRect& page = layout[mainFrame];
    TwipsRect& pairs = layout[lvCurrentFindReplace];
    pairs.left = 100;
    pairs.top = 200;
    setExtent(pairs.width, 0.6 * page.width);
    setExtent(pairs.height, 0.47 * page.height);

    TwipsRect& tasks = layout[lvSavedReps];
    setPosition(tasks.top, pairs.top + pairs.height + 1100);
    setPosition(tasks.left, pairs.left);
    setExtent(tasks.width, pairs.width);
    setExtent(tasks.height, page.height - tasks.top - 300);

    TwipsRect& name = layout[txtTaskName];
    setPosition(name.left, tasks.left);
    setPosition(name.top, tasks.top - name.height - 100);

    // The name box keeps its designed width while the pair list is wide enough for it and the button beside
    // it; in a narrower window it gives way, so the button never reaches the file list.
    TwipsRect& addToList = layout[cmdToList];
    setExtent(name.width, std::min(designFormLayout()[txtTaskName].width,
                                   pairs.left + pairs.width - addToList.width - 100 - name.left));
    setPosition(addToList.top, name.top);
    setExtent(addToList.height, name.height);
    setPosition(addToList.left, name.left + name.width + 100);

    // The heading of the saved tasks stands in the gap between the pair list and the name box, whatever the
    // height of the window, where the pair list would otherwise grow over it.
    TwipsRect& heading = layout[Label8];
    setPosition(heading.left, tasks.left);
    setPosition(heading.top, pairs.top + pairs.height +
                                 halfDroppingFraction(name.top - pairs.top - pairs.height - heading.height));

    // With the pair list's left margin m, the file list starts 2m after the pair list and ends 3m before the
    // page's right edge.
    TwipsRect& files = layout[lvFiles];
    setPosition(files.top, pairs.top);
    setPosition(files.left, 3 * pairs.left + pairs.width);
    setExtent(files.width, page.width - (6 * pairs.left + pairs.width));
}

void layOutProgressAndButtons(FormLayout& layout) {
    const TwipsRect& files = layout[lvFiles];
    TwipsRect& progress = layout[picProgress];
    setExtent(progress.width, files.width);
    setPosition(progress.left, files.left);

    // The status line lies inside the bar and spans all of it: a line too long for the bar's width takes two
    // lines of its height.
    TwipsRect& status = layout[Label4];
    setExtent(status.width, progress.width);
    setExtent(status.height, progress.height);
    status.left = 0;

    const TwipsRect& tasks = layout[lvSavedReps];
    setPosition(progress.top, tasks.top + tasks.height - progress.height);

    TwipsRect& execute = layout[imgButton2];
    setPosition(execute.top, progress.top - execute.height - 200);
    setPosition(execute.left, progress.left + progress.width - execute.width);

    // The hidden update button only marks where the button row begins.
    TwipsRect& anchor = layout[imgButton1];
    setPosition(anchor.top, execute.top);
    setPosition(anchor.left, execute.left - anchor.width - 200);

    int row = 0;
    for (const FormControl caption : {Label5, Label6, Label7}) {
        TwipsRect& label = layout[caption];
        setPosition(label.left, progress.left);
        setPosition(label.top, anchor.top + label.height * row++);
    }

    setExtent(layout[lvFiles].height, anchor.top - 500);
}

void layOutMainPage(FormLayout& layout, WindowSize outer) {
    TwipsRect& page = layout[mainFrame];
    setExtent(page.height, outer.height - 700);
    page.top = 0;
    page.left = 0;
    setExtent(page.width, outer.width);

    fillPage(layout[img0], page);
    fillPage(layout[img1], page);

    layOutLists(layout);
    layOutProgressAndButtons(layout);
}

// Square controls are centred vertically by their width, which stands for their height.
void centreOnGapAfter(TwipsRect& square, const TwipsRect& box) {
    setPosition(square.left,
                box.left + box.width - halfDroppingFraction(square.width) + halfDroppingFraction(box.left));
    setPosition(square.top, box.top + halfDroppingFraction(box.height) - halfDroppingFraction(square.width));
}

void layOutEditorPage(FormLayout& layout) {
    const TwipsRect& main = layout[mainFrame];
    TwipsRect& page = layout[frameNewElement];
    setPosition(page.left, main.left);
    setPosition(page.top, main.top);
    setExtent(page.width, main.width);
    setExtent(page.height, main.height);

    TwipsRect& update = layout[cmdUpdateElement];
    TwipsRect& find = layout[txtFind];
    find.left = 100;
    setExtent(find.width, 0.32 * page.width);
    setExtent(find.height, page.height - find.top - 300 - update.height);

    TwipsRect& replace = layout[txtReplace];
    setExtent(replace.width, find.width);
    setPosition(replace.left, 2 * find.left + find.width);
    setExtent(replace.height, find.height);

    TwipsRect& special = layout[txtSpecialChars];
    setExtent(special.width, find.width);
    setPosition(special.left, 3 * find.left + 2 * find.width);
    setExtent(special.height, find.height);

    setPosition(update.top, find.top + find.height + 150);
    setPosition(layout[cmdAddNewElement].top, update.top);
    setPosition(layout[cmdCancelNewElement].top, update.top);

    centreOnGapAfter(layout[cmdSwap], find);
    centreOnGapAfter(layout[frmSwap], find);
    layout[imgButton5].top = 0;
    layout[imgButton5].left = 0;

    // The option toggles stand in a row above the find box's right end.
    double right = find.left + find.width;
    for (const FormControl control : {tglPattern, tglWholeWord, tglIgnoreCase}) {
        TwipsRect& toggle = layout[control];
        right -= toggle.width;
        setPosition(toggle.left, right);
        setPosition(toggle.top, find.top - toggle.height - 15);
    }

    // The headings stand on the boxes rather than one pixel into them.
    for (const auto& [caption, box] :
         {std::pair{Label0, find}, std::pair{Label1, replace}, std::pair{Label2, special}}) {
        TwipsRect& label = layout[caption];
        setPosition(label.left, box.left + 50);
        setPosition(label.top, box.top - label.height);
    }
}

// The controls a user sees on each page. The swap button is left out: it stands over the gap between the
// find and replace boxes by design.
constexpr std::array kMainPageControls{
    lvCurrentFindReplace, txtTaskName, cmdToList, Label8, lvSavedReps, lvFiles, Label5, Label6, Label7,
    imgButton2,           picProgress};
constexpr std::array kEditorPageControls{
    Label0,  Label1,     Label2,          tglIgnoreCase,    tglWholeWord,     tglPattern,
    txtFind, txtReplace, txtSpecialChars, cmdAddNewElement, cmdUpdateElement, cmdCancelNewElement};

// A list shows its heading and two rows; a text box a few words. The file list has a count column beside
// the names.
constexpr double kListMinimumWidth = 1500;
constexpr double kFileListMinimumWidth = 2700;
constexpr double kListMinimumHeight = 1200;
constexpr double kTextBoxMinimumWidth = 1200;

struct MinimumExtent {
    double width = 0;
    double height = 0;
};

MinimumExtent minimumExtent(FormControl control) {
    switch (control) {
    case lvCurrentFindReplace:
    case lvSavedReps:
        return {kListMinimumWidth, kListMinimumHeight};
    case lvFiles:
        return {kFileListMinimumWidth, kListMinimumHeight};
    case txtFind:
    case txtReplace:
    case txtSpecialChars:
        return {kTextBoxMinimumWidth, kListMinimumHeight};
    case txtTaskName:
        return {kTextBoxMinimumWidth, 0};
    default:
        return {1, 1};
    }
}

bool overlaps(const TwipsRect& a, const TwipsRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

bool outside(const TwipsRect& control, const TwipsRect& page) {
    return control.left < 0 || control.top < 0 || control.left + control.width > page.width ||
           control.top + control.height > page.height;
}

void findFaults(const FormLayout& layout, std::span<const FormControl> controls, const TwipsRect& page,
                std::vector<LayoutFault>& faults) {
    using Kind = LayoutFault::Kind;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const TwipsRect& rect = layout[controls[i]];
        const MinimumExtent least = minimumExtent(controls[i]);
        if (!(rect.width >= least.width && rect.height >= least.height)) {
            faults.push_back({Kind::TooSmall, controls[i], controls[i]});
        }
        if (outside(rect, page)) {
            faults.push_back({Kind::OutsidePage, controls[i], controls[i]});
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (overlaps(rect, layout[controls[j]])) {
                faults.push_back({Kind::Overlap, controls[i], controls[j]});
            }
        }
    }
}

bool fitsWithoutFault(WindowSize outer, const FormLayout& current) {
    return layoutFaults(formResize(outer, current)).empty();
}

// Walks down from a size without fault, one pixel at a time, to the last one without fault; from a size with
// a fault it first walks up to one without, as far as the limit.
double smallestFitting(double start, double limit, const std::function<bool(double)>& fits) {
    double size = start;
    while (!fits(size) && size < limit) {
        size += kTwipsPerPixel;
    }
    while (size > kTwipsPerPixel && fits(size - kTwipsPerPixel)) {
        size -= kTwipsPerPixel;
    }
    return size;
}

std::optional<double> columnWidth(double width) {
    if (std::isfinite(width) && width >= 0) {
        return width;
    }
    return std::nullopt;
}

} // namespace

int pixelsFromTwips(double twips) {
    return clampedToInt(roundedPixels(twips));
}

PixelRect pixelRectFromTwips(const TwipsRect& rect) {
    const double left = roundedPixels(rect.left);
    const double top = roundedPixels(rect.top);
    return {clampedToInt(left), clampedToInt(top), clampedToInt(roundedPixels(rect.left + rect.width) - left),
            clampedToInt(roundedPixels(rect.top + rect.height) - top)};
}

FormLayout designFormLayout() {
    FormLayout layout;
    layout[mainFrame] = {120, 120, 11295, 7695};
    layout[optReplaceInContents0] = {9000, 5400, 1575, 372};
    layout[optReplaceInContents1] = {9000, 4920, 1695, 372};
    layout[picProgress] = {7080, 7080, 3975, 375};
    layout[Label4] = {720, 0, 2655, 255};
    layout[cmdToList] = {4680, 4680, 2055, 255};
    layout[cmdUpdateTasks] = {4800, 4320, 855, 255};
    layout[txtTaskName] = {240, 4680, 4335, 285};
    layout[cmdSaveList] = {5760, 4320, 855, 255};
    layout[lvFiles] = {6960, 240, 4215, 4815};
    layout[lvCurrentFindReplace] = {120, 240, 6735, 3735};
    layout[lvSavedReps] = {240, 5040, 6495, 2415};
    layout[Label7] = {7080, 6600, 1695, 255};
    layout[Label6] = {7080, 6240, 1695, 255};
    layout[Label5] = {7080, 5880, 1695, 255};
    layout[imgButton0] = {10800, 5400, 300, 300};
    layout[imgButton1] = {9000, 6000, 900, 900};
    layout[imgButton2] = {10080, 6000, 900, 900};
    layout[Label8] = {240, 4440, 2055, 255};
    layout[img0] = {360, 120, 1560, 540};
    layout[frameNewElement] = {120, 120, 11295, 7695};
    layout[frmSwap] = {3120, 2160, 750, 750};
    layout[imgButton5] = {240, 240, 750, 750};
    layout[cmdSwap] = {3240, 3240, 615, 615};
    layout[cmdUpdateElement] = {1560, 7200, 1335, 375};
    layout[cmdCancelNewElement] = {3000, 7200, 1335, 375};
    layout[cmdAddNewElement] = {120, 7200, 1335, 375};
    layout[txtSpecialChars] = {7080, 600, 3495, 6495};
    layout[txtReplace] = {3600, 600, 3375, 6495};
    layout[txtFind] = {120, 600, 3375, 6495};
    layout[Label2] = {7200, 360, 2055, 255};
    layout[Label1] = {3720, 360, 2055, 255};
    layout[Label0] = {240, 360, 2055, 255};
    layout[tglIgnoreCase] = {1875, 300, 540, 285};
    layout[tglWholeWord] = {2415, 300, 540, 285};
    layout[tglPattern] = {2955, 300, 540, 285};
    layout[img1] = {0, 0, 1560, 540};
    return layout;
}

FormLayout formResize(WindowSize outer, const FormLayout& current) {
    FormLayout layout = current;
    layOutMainPage(layout, outer);
    layOutEditorPage(layout);
    return layout;
}

ListColumnWidths listColumnWidths(const FormLayout& layout) {
    const double pairs = layout[lvCurrentFindReplace].width;
    const double tasks = layout[lvSavedReps].width;
    const double files = layout[lvFiles].width;
    // Wide enough for all three option marks.
    constexpr double kOptionsColumn = 750;
    const auto pairColumn = columnWidth(0.5 * (pairs - kOptionsColumn) - 50);
    const auto taskColumn = columnWidth(0.33 * tasks - 10);
    return {
        .findReplace = {pairColumn, pairColumn, columnWidth(kOptionsColumn)},
        .savedTasks = {0.0, taskColumn, taskColumn, taskColumn},
        .files = {0.0, columnWidth(0.8 * files - 50), columnWidth(0.2 * files - 50)},
    };
}

} // namespace morvane

namespace morvane {

std::vector<LayoutFault> layoutFaults(const FormLayout& layout) {
    std::vector<LayoutFault> faults;
    findFaults(layout, kMainPageControls, layout[mainFrame], faults);
    findFaults(layout, kEditorPageControls, layout[frameNewElement], faults);
    return faults;
}

WindowSize minimumWindowSize(const FormLayout& current) {
    // Far beyond any screen: a window that needs more has captions no screen could show anyway.
    constexpr double kLimit = 100000;
    const WindowSize design{12000, 9000};
    const double width = smallestFitting(design.width, kLimit, [&](double w) {
        return fitsWithoutFault({w, std::max(design.height, kLimit / 4)}, current);
    });
    const double height = smallestFitting(design.height, kLimit, [&](double h) {
        return fitsWithoutFault({width, h}, current);
    });
    return {width, height};
}

PixelRect placeInArea(PixelSize wanted, PixelSize minimum, const PixelRect& area) {
    const int width = std::max(minimum.width, std::min(wanted.width, area.width));
    const int height = std::max(minimum.height, std::min(wanted.height, area.height));
    // A window larger than the area keeps its top left corner, and so its caption, on it.
    return {area.left + std::max(0, (area.width - width) / 2),
            area.top + std::max(0, (area.height - height) / 2), width, height};
}

std::optional<PixelRect> placeRemembered(const PixelRect& remembered, PixelSize minimum,
                                         const std::vector<PixelRect>& areas) {
    // The caption can be grabbed when this much of the top edge lies on an area.
    constexpr int kReachable = 60;
    for (const PixelRect& area : areas) {
        const int shared = std::min(remembered.left + remembered.width, area.left + area.width) -
                           std::max(remembered.left, area.left);
        const bool topOnArea =
            remembered.top >= area.top && remembered.top < area.top + area.height - kReachable;
        if (!topOnArea || shared < std::min(kReachable, remembered.width)) {
            continue;
        }
        const int width = std::max(minimum.width, std::min(remembered.width, area.width));
        const int height = std::max(minimum.height, std::min(remembered.height, area.height));
        const auto kept = [](int at, int size, int start, int extent) {
            return size > extent ? start : std::clamp(at, start, start + extent - size);
        };
        return PixelRect{kept(remembered.left, width, area.left, area.width),
                         kept(remembered.top, height, area.top, area.height), width, height};
    }
    return std::nullopt;
}

PixelRect placeBeside(const PixelRect& owner, PixelSize wanted, int minimumWidth, const PixelRect& area) {
    const int height = std::min(wanted.height, area.height);
    const int top = std::clamp(owner.top, area.top, area.top + area.height - height);
    const int right = owner.left + owner.width;
    const int roomRight = area.left + area.width - right;
    const int roomLeft = owner.left - area.left;
    if (roomRight >= wanted.width) {
        return {right, top, wanted.width, height};
    }
    if (roomLeft >= wanted.width) {
        return {owner.left - wanted.width, top, wanted.width, height};
    }
    if (std::max(roomRight, roomLeft) >= minimumWidth) {
        return roomRight >= roomLeft ? PixelRect{right, top, roomRight, height}
                                     : PixelRect{area.left, top, roomLeft, height};
    }
    const int width = std::min(wanted.width, area.width);
    return {area.left + area.width - width, top, width, height};
}

} // namespace morvane
