#include "core/state/language.h"

#include "core/text/occurrences.h"

namespace morvane {

namespace {

std::string_view fieldAt(std::string_view line, int index) {
    for (int field = 0; field < index; ++field) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            return {};
        }
        line.remove_prefix(tab + 1);
    }
    return line.substr(0, line.find('\t'));
}

} // namespace

int offeredLanguage(int index) {
    return index >= 0 && index < kLanguageCount ? index : 0;
}

std::string languageFileText(std::string_view key, std::string_view languageFile, int language) {
    if (key.empty() || languageFile.empty() || language < 0) {
        return {};
    }
    const std::size_t at = languageFile.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view rest = languageFile.substr(at + key.size());
    rest = rest.substr(0, rest.find(key));
    rest = rest.substr(0, rest.find("\r\n"));
    return replaceAllOccurrences(fieldAt(rest, language + 1), kEnterToken, "\r\n");
}

} // namespace morvane
