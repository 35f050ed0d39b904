#include "core/state/language.h"
#include "core/state/settings.h"
#include "fuzz_check.h"

#include <cstdint>

// Whatever the file holds, loading gives a language offered and leaves a file that loads as the same record
// and is not rewritten again; an empty file gives the defaults and stays empty; a saved record loads back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string& folder = morvane::fuzz::scratch().path();
    const std::string path = morvane::fuzz::scratch().write("Settings.txt", text);

    const morvane::Settings loaded = morvane::loadSettings(folder);
    FUZZ_CHECK(loaded.language >= 0 && loaded.language < morvane::kLanguageCount);
    const std::string afterLoad = morvane::testing::readBytes(path);
    if (text.empty()) {
        FUZZ_CHECK(afterLoad.empty() && loaded == morvane::Settings{});
        return 0;
    }

    FUZZ_CHECK(morvane::loadSettings(folder) == loaded);
    FUZZ_CHECK(morvane::testing::readBytes(path) == afterLoad);

    morvane::Settings flipped = loaded;
    flipped.replaceInContents = !flipped.replaceInContents;
    flipped.language = morvane::kLanguageCount - 1 - flipped.language;
    flipped.addFilesToFileList = !flipped.addFilesToFileList;
    FUZZ_CHECK(morvane::storeSettings(folder, flipped).ok());
    FUZZ_CHECK(morvane::loadSettings(folder) == flipped);
    return 0;
}
