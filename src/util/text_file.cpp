#include "util/text_file.h"

#include "util/paths.h"
#include "util/platform_fs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace morvane {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string errnoText(int code) {
    return std::generic_category().message(code);
}

} // namespace

ReadOutcome readTextFile(const std::string& path) {
    ReadOutcome outcome;
    if (path.empty()) {
        outcome.error = "empty path";
        return outcome;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        outcome.error = errnoText(errno ? errno : EIO);
        return outcome;
    }
    std::error_code sizeError;
    const auto expected = std::filesystem::file_size(toFsPath(path), sizeError);
    if (!sizeError) {
        outcome.text.reserve(static_cast<std::size_t>(expected));
    }
    // The file may grow or shrink while it is read, so read until the end instead of trusting the size.
    char buffer[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        outcome.text.append(buffer, got);
        if (got < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        outcome.text.clear();
        outcome.error = errnoText(errno ? errno : EIO);
    }
    return outcome;
}

std::string TextDateiEinlesen(const std::string& path) {
    return readTextFile(path).text;
}

WriteOutcome TextDateiSpeichern(const std::string& text, const std::string& path) {
    if (path.empty()) {
        return WriteOutcome{"empty path"};
    }
    return WriteOutcome{platform::replaceFileContents(path, text)};
}

} // namespace morvane
