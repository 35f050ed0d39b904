#include "gui/lists/list_inputs.h"

#include "core/state/message_keys.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/pair_list_model.h"
#include "gui/lists/saved_task_model.h"
#include "gui/widgets/list_view.h"

namespace morvane {

void setListHeadings(PairListModel& pairs, FileListModel& files, SavedTaskModel& tasks,
                     const std::function<std::string(std::string_view key)>& text) {
    pairs.setHeadings(columnHeadings(text(keys::kFindReplaceWith), {"Find", "Replace with"}));
    files.setHeadings(columnHeadings(text(keys::kPathFileReplacements), {"Path", "File", "Replacements"}));
    tasks.setHeadings(columnHeadings(text(keys::kSavedTaskColumns), {"Nr.", "Name", "Find", "Replace with"}));
}

RunInputs runInputsOf(const PairListModel& pairs, const FileListModel& files, ReplaceMode mode) {
    RunInputs inputs;
    inputs.request.finds = pairs.finds();
    inputs.request.replaces = pairs.replaces();
    inputs.request.options = pairs.options();
    inputs.request.files = files.paths();
    inputs.request.mode = mode;
    inputs.ids = files.ids();
    return inputs;
}

} // namespace morvane
