#pragma once

#include "core/app/key_codes.h"

class QKeyEvent;

namespace morvane {

// The one translation from the toolkit's key events into key codes and the Shift 1 / Ctrl 2 / Alt 4 mask.
KeyStroke keyStrokeOf(const QKeyEvent& event);

} // namespace morvane
