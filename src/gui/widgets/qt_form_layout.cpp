#include "gui/widgets/qt_form_layout.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace morvane {

namespace {

using enum FormControl;

constexpr std::array<std::pair<FormControl, const char*>, 31> kObjectNames{{
    {picProgress, "picProgress"},
    {Label4, "Label(4)"},
    {cmdToList, "cmdToList"},
    {txtTaskName, "txtTaskName"},
    {lvFiles, "lvFiles"},
    {lvCurrentFindReplace, "lvCurrentFindReplace"},
    {lvSavedReps, "lvSavedReps"},
    {Label7, "Label(7)"},
    {Label6, "Label(6)"},
    {Label5, "Label(5)"},
    {imgButton0, "imgButton(0)"},
    {imgButton1, "imgButton(1)"},
    {imgButton2, "imgButton(2)"},
    {Label8, "Label(8)"},
    {img0, "img(0)"},
    {frmSwap, "frmSwap"},
    {imgButton5, "imgButton(5)"},
    {cmdSwap, "cmdSwap"},
    {cmdUpdateElement, "cmdUpdateElement"},
    {cmdCancelNewElement, "cmdCancelNewElement"},
    {cmdAddNewElement, "cmdAddNewElement"},
    {txtSpecialChars, "txtSpecialChars"},
    {txtReplace, "txtReplace"},
    {txtFind, "txtFind"},
    {Label2, "Label(2)"},
    {Label1, "Label(1)"},
    {Label0, "Label(0)"},
    {tglIgnoreCase, "tglIgnoreCase"},
    {tglWholeWord, "tglWholeWord"},
    {tglPattern, "tglPattern"},
    {img1, "img(1)"},
}};

// A label's caption may turn bold when it is chosen; its width allows for that.
int captionWidth(const QLabel& label) {
    QFont bold = label.font();
    bold.setBold(true);
    const int boldWider = QFontMetrics(bold).horizontalAdvance(label.text()) -
                          QFontMetrics(label.font()).horizontalAdvance(label.text());
    return label.sizeHint().width() + std::max(0, boldWider);
}

} // namespace

void measureCaptions(const QWidget& root, FormLayout& layout) {
    for (const auto& [control, name] : kObjectNames) {
        const auto* label = root.findChild<const QLabel*>(QString::fromLatin1(name));
        // The backgrounds are labels too, without a caption, and the status line's width is the bar's: the
        // layout sizes them.
        if (label && !label->text().isEmpty() && control != Label4) {
            layout[control].width = twipsFromPixels(captionWidth(*label));
        }
    }
}

void placeControls(QWidget& root, const FormLayout& layout) {
    for (const auto& [control, name] : kObjectNames) {
        if (auto* widget = root.findChild<QWidget*>(QString::fromLatin1(name))) {
            const PixelRect rect = pixelRectFromTwips(layout[control]);
            widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
        }
    }
}

PixelRect pixelRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

QSize windowFrameSize(const QWidget& window) {
    const QSize measured = window.frameGeometry().size() - window.size();
    return measured.isNull() ? QSize(8, 36) : measured;
}

void FormView::fit(QWidget& pages) {
    measureCaptions(pages, layout_);
    keepUsableSize(pages);
    // The layout counts 700 twips of the window's height for its caption and menu bar; the pages fill what
    // is left, which here is the page stack below the menu bar.
    layout_ = formResize(WindowSize{twipsFromPixels(pages.width()), twipsFromPixels(pages.height()) + 700},
                         layout_);
}

void FormView::keepUsableSize(QWidget& pages) {
    std::vector<double> captions;
    for (const FormControl label : {Label0, Label1, Label2, Label5, Label6, Label7, Label8}) {
        captions.push_back(layout_[label].width);
    }
    if (captions == sizedForCaptions_) {
        return;
    }
    const WindowSize least = minimumWindowSize(layout_);
    pages.setMinimumSize(static_cast<int>(std::ceil(least.width / kTwipsPerPixel)),
                         static_cast<int>(std::ceil((least.height - 700) / kTwipsPerPixel)));
    sizedForCaptions_ = std::move(captions);
}

} // namespace morvane
