#pragma once

#include <string_view>

// The names and keys of Settings.txt: one line per key, the key, TABs and the value, lines ended by CR LF.
namespace morvane::settings_format {

inline constexpr std::string_view kFileName = "Settings.txt";

inline constexpr std::string_view kReplaceInContents = "[Replace in Contents]";
inline constexpr std::string_view kLanguage = "[Language]";
inline constexpr std::string_view kLoadIcons = "[Load Icons]";
inline constexpr std::string_view kAddFilesToFilelist = "[Add Files to Filelist]";

// The file is written with one or two TABs after each key so that every value starts at column 24 with tab
// stops every 8 columns; the reader takes any run of TABs as one.
inline constexpr std::string_view kOneTab = "\t";
inline constexpr std::string_view kTwoTabs = "\t\t";

inline constexpr std::string_view kLineEnd = "\r\n";

} // namespace morvane::settings_format
