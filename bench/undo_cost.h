#pragma once

#include <string>
#include <vector>

namespace morvane::bench {

// What keeping execute runs for undo costs: an execute run over a copy of the text corpus with the journal
// and without (as --no-undo), the disk the journal then takes and the undo of that run; and the same for
// renaming a folder of empty files.
void printUndoCostFigures(const std::string& work, const std::string& corpusFolder,
                          const std::vector<std::string>& corpusFiles);

// Undo next to the execute run it takes back, each a runner process with its time and peak memory: 2,000
// small files, and with `large` one generated file of 1,000 MiB as well (which takes 2 GiB of disk while it
// goes). Returns whether every run and undo ran, and each undo put back the bytes the files held before.
bool printUndoNextToExecute(const std::string& work, bool large);

} // namespace morvane::bench
