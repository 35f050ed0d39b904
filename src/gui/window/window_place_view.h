// Where the main window shows and what it remembers of its size and place, in the file beside the settings.
#pragma once

#include <string>

class QMainWindow;

namespace morvane {

// Where the window stood when it was last closed, while that can still be reached on a screen; otherwise
// the designed size, as far as the screen has room for it, in the middle of the screen.
void showWindowInPlace(QMainWindow& window, const std::string& stateFolder);

// The size and place the window goes back to are those it has when it is not maximized.
void rememberWindowPlace(const QMainWindow& window, const std::string& stateFolder);

} // namespace morvane
