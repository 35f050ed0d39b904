#include "gui/widgets/qt_form_layout.h"

#include <QLabel>
#include <algorithm>
#include <array>
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

} // namespace

void placeControls(QWidget& root, const FormLayout& layout) {
    for (const auto& [control, name] : kObjectNames) {
        auto* widget = root.findChild<QWidget*>(QString::fromLatin1(name));
        if (!widget) {
            continue;
        }
        const PixelRect rect = pixelRectFromTwips(layout[control]);
        const auto* label = qobject_cast<QLabel*>(widget);
        const int width =
            label && !label->text().isEmpty() ? std::max(rect.width, label->sizeHint().width()) : rect.width;
        widget->setGeometry(rect.left, rect.top, width, rect.height);
    }
}

} // namespace morvane
