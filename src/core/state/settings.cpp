#include "core/state/settings.h"

#include "core/platform/paths.h"
#include "core/state/language.h"
#include "core/state/settings_format.h"
#include "core/text/keyed_text.h"
#include "core/text/number_text.h"

#include <cmath>

namespace morvane {

namespace fmt = settings_format;

namespace {

std::string settingsPath(const std::string& appFolder) {
    return joinPath(appFolder, fmt::kFileName);
}

// Halves go to the even neighbour ("0.5" is 0, "1.5" is 2). Anything far outside the languages offered is
// settled before the conversion to int, which could not hold it.
int languageFromValue(std::string_view value) {
    const double number = leadingNumber(value);
    if (!(std::fabs(number) < 1e6)) {
        return 0;
    }
    double whole = std::floor(number);
    const double fraction = number - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return offeredLanguage(static_cast<int>(whole));
}

std::string canonicalLine(std::string_view key, std::string_view tabs, std::string_view value) {
    std::string line(key);
    line += tabs;
    line += value;
    line += fmt::kLineEnd;
    return line;
}

} // namespace

std::string settingValue(std::string_view key, std::string_view text) {
    return languageFileText(key, text, 0);
}

SettingsRead readSettings(const std::string& appFolder) {
    SettingsRead read;
    Settings& settings = read.settings;
    const std::string path = settingsPath(appFolder);
    if (!fileExists(path)) {
        read.needsWriting = true;
        return read;
    }
    const std::string text = normaliseKeyedText(readTextFileOrEmpty(path));
    if (text.empty()) {
        return read;
    }

    // A key without a value keeps its default and counts as missing.
    int missing = 0;
    const auto valueOf = [&](std::string_view key) {
        std::string value = settingValue(key, text);
        missing += value.empty() ? 1 : 0;
        return value;
    };
    if (const std::string value = valueOf(fmt::kReplaceInContents); !value.empty()) {
        settings.replaceInContents = readsAsTrue(value);
    }
    if (const std::string value = valueOf(fmt::kLanguage); !value.empty()) {
        settings.language = languageFromValue(value);
    }
    if (const std::string value = valueOf(fmt::kLoadIcons); !value.empty()) {
        settings.loadIcons = readsAsTrue(value);
    }
    if (const std::string value = valueOf(fmt::kAddFilesToFilelist); !value.empty()) {
        settings.addFilesToFileList = readsAsTrue(value);
    }

    read.needsWriting = missing > 0;
    return read;
}

Settings loadSettings(const std::string& appFolder) {
    const SettingsRead read = readSettings(appFolder);
    if (read.needsWriting) {
        storeSettings(appFolder, read.settings);
    }
    return read.settings;
}

WriteOutcome storeSettings(const std::string& appFolder, const Settings& settings) {
    const std::string text =
        canonicalLine(fmt::kReplaceInContents, fmt::kOneTab, flagText(settings.replaceInContents)) +
        canonicalLine(fmt::kLanguage, fmt::kTwoTabs, std::to_string(settings.language)) +
        canonicalLine(fmt::kLoadIcons, fmt::kTwoTabs, flagText(settings.loadIcons)) +
        canonicalLine(fmt::kAddFilesToFilelist, fmt::kOneTab, flagText(settings.addFilesToFileList));
    return writeTextFile(text, settingsPath(appFolder));
}

} // namespace morvane
