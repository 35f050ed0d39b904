// What the window's lists hand on: the column headings they take from the language, and the run they ask for.
#pragma once

#include "gui/work/run_controller.h"

#include <functional>
#include <string>
#include <string_view>

namespace morvane {

class FileListModel;
class PairListModel;
class SavedTaskModel;

// Each list's headings in the language now chosen; a heading the language file lacks keeps its English.
void setListHeadings(PairListModel& pairs, FileListModel& files, SavedTaskModel& tasks,
                     const std::function<std::string(std::string_view key)>& text);

// A run of the pairs over the files as the lists hold them now.
RunInputs runInputsOf(const PairListModel& pairs, const FileListModel& files, ReplaceMode mode);

} // namespace morvane
