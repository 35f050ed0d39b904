#pragma once

#include <span>
#include <string>
#include <string_view>

namespace morvane {

// A key the program looks up in the language file, with the English text it shows when the file has none.
// The built-in text is empty for the column headings, whose English words the lists keep one by one.
struct MessageEntry {
    std::string_view key;
    std::string_view builtIn;
};

// Every message key of the program, each once.
std::span<const MessageEntry> messageTable();

// The built-in English text of a key; empty for a key not in the table.
std::string builtInText(std::string_view key);

// Whether the language file can give the program its texts.
enum class LanguageFileState { Usable, Missing, Empty };

// What the error box says of a language file that cannot be used; empty for a usable one.
std::string languageFileProblem(LanguageFileState state);

// The texts of one language, from the language file of the application folder as it was when it was loaded:
// a window asks for them on every status update, so the file is read once per choice of language.
class MessageCatalogue {
public:
    // Reads the language file afresh; a missing or empty file leaves only the built-in texts.
    LanguageFileState load(const std::string& appFolder, int language);
    LanguageFileState state() const { return state_; }

    // The language file's text of the key, or when it has none, the built-in one.
    std::string text(std::string_view key) const;
    // The language file's own text of the key; empty when it has none.
    std::string fileText(std::string_view key) const;

private:
    std::string languageFile_; // normalised
    int language_ = 0;
    LanguageFileState state_ = LanguageFileState::Missing;
};

} // namespace morvane
