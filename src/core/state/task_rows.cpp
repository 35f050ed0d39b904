#include "core/state/task_rows.h"

#include <charconv>

namespace morvane {

std::string joinLines(const std::vector<std::string>& texts) {
    std::string joined;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            joined += "\r\n";
        }
        joined += texts[i];
    }
    return joined;
}

std::optional<std::size_t> taskIndexOf(std::string_view number, const SavedReps& reps) {
    std::size_t index = 0;
    const char* end = number.data() + number.size();
    const auto parsed = std::from_chars(number.data(), end, index);
    if (parsed.ec != std::errc() || parsed.ptr != end || index == 0 || index >= reps.size() ||
        reps[index].name.empty()) {
        return std::nullopt;
    }
    return index;
}

TaskPairs pairsOfTask(const RepTask& task) {
    TaskPairs pairs;
    for (std::size_t i = 0; i < task.finds.size(); ++i) {
        if (!task.finds[i].empty()) {
            pairs.finds.push_back(task.finds[i]);
            pairs.replaces.push_back(i < task.replacements.size() ? task.replacements[i] : std::string());
            pairs.options.push_back(optionsOfPair(task.pairOptions, i));
        }
    }
    pairs.options = withoutTrailingPlain(std::move(pairs.options));
    return pairs;
}

} // namespace morvane
