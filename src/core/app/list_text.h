#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The headings of a list from its language text: split at every comma, nothing trimmed, two adjacent
// commas give an empty heading, an empty text gives none.
std::vector<std::string> splitHeadings(std::string_view text);

// The width every new column gets: all equal, together 80 twips narrower than the list.
double initialColumnWidthTwips(double listWidthTwips, std::size_t columns);

// The editor's boxes break lines with LF; the pair list keeps the CR LF of the files the pairs work on.
std::string typedToStored(std::string_view typed);
std::string storedToTyped(std::string_view stored);

// The file list's folder column shows each row's folder relative to the folder all rows lie in, so that rows
// of a large tree read apart ("app", "util") rather than alike.
// The folder holding the entry a path names, with its trailing separator: "a/b/c.txt" and the folder row
// "a/b/c/" both give "a/b/"; a bare name gives "".
std::string_view folderOfEntry(std::string_view path);
// The longest folder that two folders (each ending in a separator, or empty) both lie in; "" for none.
std::string_view sharedFolder(std::string_view a, std::string_view b);
// The folder of the path's entry below `shared`, a folder all rows lie in, without its trailing separator;
// "" for an entry in `shared` itself.
std::string_view shownFolder(std::string_view path, std::string_view shared);

// A pair's or a task's text on one line of a list, each control byte written as the notation writes it, so
// that a line break reads as plainly as the text around it and typing what is shown gives the same bytes:
// CR LF as "^p", TAB as "^t", and any other (a lone CR or LF too) as "^chr(n)".
std::string oneLineText(std::string_view stored);

} // namespace morvane
