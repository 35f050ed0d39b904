#pragma once

#include <string_view>

// The tags and names of the saved-tasks file. Each field of a task stands on its own lines between an opening
// and a closing tag line; tasks are separated by kSeparator lines; lines end in CR LF.
namespace morvane::saved_tasks_format {

// The file's name in the folder that keeps the program's state.
inline constexpr std::string_view kFileName = "Saved_Replacements.txt";

// An opening bracket, 39 hyphens, "][", 18 hyphens and a closing bracket.
inline constexpr std::string_view kSeparator =
    "[---------------------------------------][------------------]";

struct TagPair {
    std::string_view open;
    std::string_view close;
};

inline constexpr TagPair kName{"[Name:]", "[/Name]"};
inline constexpr TagPair kReplaceInContents{"[Replace in Contents:]", "[/Replace in Contents]"};
inline constexpr TagPair kCaseSensitive{"[Case Sensitive:]", "[/Case Sensitive]"};
inline constexpr TagPair kFind{"[Find:]", "[/Find]"};
inline constexpr TagPair kReplace{"[Replace:]", "[/Replace]"};
inline constexpr TagPair kFiles{"[Files:]", "[/Files]"};

// Written after the replacement groups only when some pair is not plain, so that a task of plain pairs is
// written as it was before pairs had options. One line per pair, in the order of the find groups: the
// letters of the options it has on, in this order, or kPlainPair.
inline constexpr TagPair kPairOptions{"[Pair Options:]", "[/Pair Options]"};
inline constexpr char kIgnoreCaseLetter = 'i';
inline constexpr char kWholeWordLetter = 'w';
inline constexpr char kPatternLetter = 'r';
inline constexpr std::string_view kPlainPair = "-";

inline constexpr std::string_view kLineEnd = "\r\n";

// Appended to the saved-tasks file's path to name the copy of its previous contents.
inline constexpr std::string_view kBackupSuffix = "_copy.txt";

} // namespace morvane::saved_tasks_format
