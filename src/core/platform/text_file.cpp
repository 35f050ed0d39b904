#include "core/platform/text_file.h"

#include "core/platform/platform_fs.h"

namespace morvane {

std::string readTextFileInto(const std::string& path, std::string& buffer, platform::FileIdentity* identity) {
    if (path.empty()) {
        buffer.clear();
        return "empty path";
    }
    return platform::readRegularFile(path, buffer, identity);
}

ReadOutcome readTextFile(const std::string& path) {
    ReadOutcome outcome;
    outcome.error = readTextFileInto(path, outcome.text);
    return outcome;
}

std::string readTextFileOrEmpty(const std::string& path) {
    return readTextFile(path).text;
}

WriteOutcome writeTextFile(const std::string& text, const std::string& path,
                           const platform::FileIdentity* readAs, platform::WriteJournal* journal) {
    if (path.empty()) {
        return WriteOutcome{"empty path"};
    }
    return WriteOutcome{platform::replaceFileContents(path, text, readAs, journal)};
}

} // namespace morvane
