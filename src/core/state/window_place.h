#pragma once

#include "core/platform/text_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvane {

// Where the main window stood when it was last closed, in logical pixels: the top left corner of its frame
// and the size of its contents, and whether it filled the screen. Kept in a file of its own beside the
// settings, so Settings.txt keeps its four lines.
struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;

    bool operator==(const WindowPlace&) const = default;
};

inline constexpr std::string_view kWindowPlaceFileName = "Window.txt";

// The place the file in the state folder keeps; nothing when there is no file or it does not read as a
// place (a damaged file is passed over, and the next close replaces it).
std::optional<WindowPlace> readWindowPlace(const std::string& stateFolder);

// Replaces the file with the place, as the other state files are replaced: whole or not at all.
WriteOutcome storeWindowPlace(const std::string& stateFolder, const WindowPlace& place);

// The file's text: one line "[Main Window]" TAB TAB left, top, width and height separated by spaces, and
// one "[Maximized]" TAB TAB 0 or 1, each ended by CR LF.
std::string windowPlaceText(const WindowPlace& place);
std::optional<WindowPlace> windowPlaceFromText(std::string_view text);

} // namespace morvane
