#pragma once

#include <string>
#include <vector>

namespace morvane::bench {

// What keeping execute runs for undo costs: an execute run over a copy of the text corpus with the journal
// and without (as --no-undo), the disk the journal then takes and the undo of that run; and the same for
// renaming a folder of empty files.
void printUndoCostFigures(const std::string& work, const std::string& corpusFolder,
                          const std::vector<std::string>& corpusFiles);

} // namespace morvane::bench
