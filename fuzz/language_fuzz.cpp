#include "core/app/message_catalogue.h"
#include "core/state/language.h"
#include "core/text/keyed_text.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

using morvane::testing::plainReplace;

bool holdsAny(std::string_view text, std::string_view bytes) {
    return text.find_first_of(bytes) != std::string_view::npos;
}

// A text a language column can hold: not empty, no TAB, no line break, not the key.
bool fitsColumn(std::string_view text, std::string_view key) {
    return !text.empty() && !holdsAny(text, "\t\r\n") && text.find(key) == std::string_view::npos;
}

} // namespace

// Normalising leaves no doubled TAB or line break and changes nothing more when repeated; the lookup never
// fails on any file text, and an entry written at the top of the file gives back its columns.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string english = input.ConsumeRandomLengthString(48);
    const std::string german = input.ConsumeRandomLengthString(48);
    const int language = input.ConsumeIntegralInRange(-1, morvane::kLanguageCount);
    const std::string rest = input.ConsumeRemainingBytesAsString();

    const std::string normalised = morvane::normaliseKeyedText(rest);
    FUZZ_CHECK(normalised.find("\t\t") == std::string::npos);
    FUZZ_CHECK(normalised.find("\r\n\r\n") == std::string::npos);
    FUZZ_CHECK(morvane::normaliseKeyedText(normalised) == normalised);
    FUZZ_CHECK(morvane::languageFileText(key, normalised, language).find('\t') == std::string::npos);

    if (key.empty() || holdsAny(key, "\t\r\n") || !fitsColumn(english, key) || !fitsColumn(german, key)) {
        return 0;
    }
    const std::string file =
        morvane::normaliseKeyedText(key + "\t" + english + "\t" + german + "\r\n" + rest);
    const std::string found = morvane::languageFileText(key, file, language);
    if (language == 0 || language == 1) {
        FUZZ_CHECK(found == plainReplace(language == 0 ? english : german, morvane::kEnterToken, "\r\n"));
    } else {
        FUZZ_CHECK(found.empty());
    }
    morvane::fuzz::scratch().write(morvane::kLanguageFileName, file);
    morvane::MessageCatalogue catalogue;
    catalogue.load(morvane::fuzz::scratch().path(), language);
    FUZZ_CHECK(catalogue.fileText(key) == found);
    return 0;
}
