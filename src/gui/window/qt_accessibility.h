#pragma once

namespace morvane {

// Tells assistive technology what the window's own kinds of control are: the image buttons are buttons that
// can be pressed, the mode captions radio buttons that are checked or not, and the progress picture a
// progress bar with its percentage. Installing it twice does no harm.
void installAccessibility();

} // namespace morvane
