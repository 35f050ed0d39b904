#include "core/platform/leftover_names.h"

#include <algorithm>

namespace morvane {

namespace {

constexpr std::string_view kMarker = ".morvane-";
constexpr std::string_view kBackupTag = "old-";
constexpr std::string_view kAsideTag = "aside-";
constexpr std::string_view kHoldTag = "hold-";

std::string_view tagOf(LeftoverKind kind) {
    switch (kind) {
    case LeftoverKind::Backup:
        return kBackupTag;
    case LeftoverKind::Aside:
        return kAsideTag;
    case LeftoverKind::Hold:
        return kHoldTag;
    case LeftoverKind::Temporary:
        break;
    }
    return {};
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

bool isSuffix(std::string_view text) {
    return text.size() == kLeftoverSuffixLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
           });
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

std::optional<LeftoverNameParts> parseLeftoverName(std::string_view name) {
    if (!name.starts_with('.')) {
        return std::nullopt;
    }
    const std::size_t marker = name.rfind(kMarker);
    if (marker == std::string_view::npos || marker == 0) {
        return std::nullopt;
    }
    std::string_view rest = name.substr(marker + kMarker.size());
    LeftoverKind kind = LeftoverKind::Temporary;
    if (rest.starts_with(kBackupTag)) {
        kind = LeftoverKind::Backup;
        rest.remove_prefix(kBackupTag.size());
    } else if (rest.starts_with(kAsideTag)) {
        kind = LeftoverKind::Aside;
        rest.remove_prefix(kAsideTag.size());
    } else if (rest.starts_with(kHoldTag)) {
        kind = LeftoverKind::Hold;
        rest.remove_prefix(kHoldTag.size());
    }
    if (!isSuffix(rest)) {
        return std::nullopt;
    }
    return LeftoverNameParts{kind, name.substr(1, marker - 1)};
}

std::optional<std::string> holdNameOfAside(std::string_view asideName) {
    const std::optional<LeftoverNameParts> parts = parseLeftoverName(asideName);
    if (!parts || parts->kind != LeftoverKind::Aside) {
        return std::nullopt;
    }
    const std::string_view suffix = asideName.substr(asideName.size() - kLeftoverSuffixLength);
    std::string name = ".";
    name += parts->fileName;
    name += kMarker;
    name += kHoldTag;
    name += suffix;
    return name;
}

bool mayBeCutShort(std::string_view leftoverName, std::size_t nameMax) {
    // A cut stops up to three bytes short of the limit rather than split a character.
    return leftoverName.size() + 3 >= nameMax;
}

std::string keptBackupName(std::string_view backupName) {
    return std::string(backupName.starts_with('.') ? backupName.substr(1) : backupName);
}

} // namespace morvane
