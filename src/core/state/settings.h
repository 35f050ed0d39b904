#pragma once

#include "core/platform/text_file.h"

#include <string>
#include <string_view>

namespace morvane {

// The user's settings, one record for the program. The member initialisers are the defaults, which a load
// starts from and which stand in for every key the file lacks.
struct Settings {
    bool replaceInContents = true;
    int language = 0; // always one of the languages offered
    bool loadIcons = true;
    bool addFilesToFileList = false;

    bool operator==(const Settings&) const = default;
};

// The settings as Settings.txt gives them, and whether the file needs writing: it is missing, or lacks a key
// or has it with an empty value. An empty or unreadable file gives the defaults and needs nothing.
struct SettingsRead {
    Settings settings;
    bool needsWriting = false;
};

// Reads Settings.txt of the application folder, writing nothing.
SettingsRead readSettings(const std::string& appFolder);

// Reads Settings.txt of the application folder. A missing file is created with the defaults. A file that
// lacks a key (or has it with an empty value) is rewritten in its canonical four lines, with the values read
// and the defaults for the rest. An empty or unreadable file gives the defaults and is left as it is.
Settings loadSettings(const std::string& appFolder);

// Replaces Settings.txt with the canonical four lines of the record.
WriteOutcome storeSettings(const std::string& appFolder, const Settings& settings);

// The value of a key in a normalised keyed text: the first field after the key's first occurrence, up to the
// next TAB or line end. Empty when the key is absent or has no value.
std::string settingValue(std::string_view key, std::string_view text);

} // namespace morvane
