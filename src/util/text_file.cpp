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

std::string readTextFileInto(const std::string& path, std::string& buffer, platform::FileIdentity* identity) {
    buffer.clear();
    if (path.empty()) {
        return "empty path";
    }
    // Taken before opening: a file swapped in between then differs from it, so the write refuses rather than
    // overwriting a file that was never read.
    if (identity) {
        *identity = platform::fileIdentity(path);
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return errnoText(errno ? errno : EIO);
    }
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    std::error_code sizeError;
    const auto expected = std::filesystem::file_size(toFsPath(path), sizeError);
    // One read of the size the file has now; the loop only runs on when the file grew meanwhile.
    std::size_t chunk = sizeError ? std::size_t{1} << 16 : static_cast<std::size_t>(expected) + 1;
    std::size_t filled = 0;
    for (;;) {
        buffer.resize(filled + chunk);
        const std::size_t got = std::fread(buffer.data() + filled, 1, chunk, file.get());
        filled += got;
        if (got < chunk) {
            break;
        }
        chunk = std::size_t{1} << 16;
    }
    buffer.resize(filled);
    if (std::ferror(file.get())) {
        buffer.clear();
        return errnoText(errno ? errno : EIO);
    }
    return {};
}

ReadOutcome readTextFile(const std::string& path) {
    ReadOutcome outcome;
    outcome.error = readTextFileInto(path, outcome.text);
    return outcome;
}

std::string TextDateiEinlesen(const std::string& path) {
    return readTextFile(path).text;
}

WriteOutcome TextDateiSpeichern(const std::string& text, const std::string& path,
                                const platform::FileIdentity* readAs, platform::WriteJournal* journal) {
    if (path.empty()) {
        return WriteOutcome{"empty path"};
    }
    return WriteOutcome{platform::replaceFileContents(path, text, readAs, journal)};
}

} // namespace morvane
