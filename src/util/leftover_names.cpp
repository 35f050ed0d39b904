#include "util/leftover_names.h"

namespace morvane {

namespace {

constexpr std::string_view kMarker = ".morvane-";
constexpr std::string_view kBackupTag = "old-";

std::string_view tagOf(LeftoverKind kind) {
    return kind == LeftoverKind::Backup ? kBackupTag : std::string_view();
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// At most `room` bytes of the name, not ending inside a UTF-8 character where the name is UTF-8.
std::string_view cutToFit(std::string_view name, std::size_t room) {
    if (name.size() <= room) {
        return name;
    }
    std::size_t end = room;
    // A UTF-8 character is at most four bytes; a name that is not UTF-8 is cut at most three bytes shorter.
    for (int step = 0; step < 3 && end > 0 && isContinuationByte(name[end]); ++step) {
        --end;
    }
    return name.substr(0, end);
}

} // namespace

std::string leftoverName(LeftoverKind kind, std::string_view fileName, std::string_view suffix,
                         std::size_t nameMax) {
    const std::string_view tag = tagOf(kind);
    const std::size_t overhead = 1 + kMarker.size() + tag.size() + suffix.size();
    const std::size_t room = nameMax > overhead ? nameMax - overhead : 0;
    std::string name = ".";
    name += cutToFit(fileName, room);
    name += kMarker;
    name += tag;
    name += suffix;
    return name;
}

} // namespace morvane
