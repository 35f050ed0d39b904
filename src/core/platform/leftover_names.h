#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

// The files a write leaves beside a file only while it works on it: a temporary file with the new contents,
// which then replaces the file, and for a file rewritten in place a backup of its old contents. A run that
// swaps names, or renames them round a cycle, puts one entry aside for a moment under a third name. All are
// hidden and carry the entry's name, so whoever finds one after a crash can tell whose it is:
//   .NAME.morvane-XXXXXXXXXX         temporary file
//   .NAME.morvane-old-XXXXXXXXXX     backup
//   .NAME.morvane-aside-XXXXXXXXXX   the entry NAME itself, file or folder, on its way to a new name
//   .NAME.morvane-hold-XXXXXXXXXX    an empty file the run holds while the aside entry of the same NAME and
//                                    XXXXXXXXXX is on its way (see HeldFile::holdAside)
// XXXXXXXXXX is random (a to z, 0 to 9). Where the whole would not fit the file system's limit on the length
// of a name, NAME is cut short, so that every file that exists can be written.
enum class LeftoverKind { Temporary, Backup, Aside, Hold };

inline constexpr std::size_t kLeftoverSuffixLength = 10;

// The name for the kind beside the file of the given name, at most nameMax bytes long when the limit leaves
// room for the marker and the suffix. NAME is cut before a byte that continues a UTF-8 character.
std::string leftoverName(LeftoverKind kind, std::string_view fileName, std::string_view suffix,
                         std::size_t nameMax);

struct LeftoverNameParts {
    LeftoverKind kind;
    std::string_view fileName; // possibly cut short
};

// What a name made by leftoverName says; nothing for any other name.
std::optional<LeftoverNameParts> parseLeftoverName(std::string_view name);

// The name of the hold of the aside entry of that name: the same NAME and XXXXXXXXXX, so it fits wherever the
// aside name did; nothing for a name that is no aside name.
std::optional<std::string> holdNameOfAside(std::string_view asideName);

// Whether the name may hold a file name cut short: it is as long as leftoverName makes a name that is cut.
bool mayBeCutShort(std::string_view leftoverName, std::size_t nameMax);

// The visible name a backup is kept under when nobody can tell whether its file still needs it: the same
// name without the leading dot, so it fits wherever the backup's name did and is never taken for a leftover.
std::string keptBackupName(std::string_view backupName);

} // namespace morvane
