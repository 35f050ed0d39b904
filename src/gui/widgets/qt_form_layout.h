#pragma once

#include "core/app/form_layout.h"

class QWidget;

namespace morvane {

// Puts every control of the layout at its rectangle, each found below the root (the page stack, where no
// other window's controls are) by its object name (a
// control the window does not have is passed over; the pages fill the window and are not placed). A label
// whose caption from the language file is longer than the English one the design was drawn for keeps its
// place and grows to the right, so no heading is cut off.
void placeControls(QWidget& root, const FormLayout& layout);

} // namespace morvane
