#pragma once

#include <string>
#include <string_view>

namespace morvane {

inline constexpr std::string_view kLanguageFileName = "Sprachen.txt";
inline constexpr std::string_view kEnterToken = "[ENTER]";

// The languages offered, English (0) and German (1): the language menu's items and the text columns of the
// language file.
inline constexpr int kLanguageCount = 2;

// The index when it names a language offered, otherwise English: the settings file may hold any number.
int offeredLanguage(int index);

// The text of a key in one language of an already normalised language file: the rest of the line after the
// key's first occurrence, split at TABs, field language + 1. "[ENTER]" comes back as CR LF. Empty when the
// key, the line or the column is missing.
std::string languageFileText(std::string_view key, std::string_view languageFile, int language);

} // namespace morvane
