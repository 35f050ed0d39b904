#pragma once

#include "core/platform/platform_fs.h"

#include <string>

namespace morvane {

// Whole-file access, byte for byte: no line-end translation, nothing added or removed.

struct ReadOutcome {
    std::string text;
    std::string error; // empty when the read succeeded; then an empty text means an empty file
    bool ok() const { return error.empty(); }
};

struct WriteOutcome {
    std::string error; // empty when the file now holds exactly the text
    bool ok() const { return error.empty(); }
};

ReadOutcome readTextFile(const std::string& path);

// The same read into a buffer whose memory is kept from file to file. Only a regular file is read (see
// platform::readRegularFile). Returns the reason on failure, when the buffer is left empty; the empty text on
// success. With identity given, it receives what the file was when it was read, for the write that follows.
std::string readTextFileInto(const std::string& path, std::string& buffer,
                             platform::FileIdentity* identity = nullptr);

// The whole contents, or the empty text when the file is missing, empty or unreadable.
std::string readTextFileOrEmpty(const std::string& path);

// Replaces the file's whole contents with the text. The file is either fully rewritten or keeps its old
// contents and permissions: a crash, a full disk or a size limit part way never leaves it truncated. With
// readAs given, a file that someone else replaced or changed since that read is left as it is. With a journal
// given, it hears what the write leaves on disk while it works (see platform::WriteJournal).
WriteOutcome writeTextFile(const std::string& text, const std::string& path,
                           const platform::FileIdentity* readAs = nullptr,
                           platform::WriteJournal* journal = nullptr);

} // namespace morvane
