#include "core/run/row_problem.h"

namespace morvane {

RowProblem rowProblem(const std::string& path, const platform::PathStatus& status, ReplaceMode mode) {
    const bool contents = mode == ReplaceMode::Contents;
    if (path.empty()) {
        return {SkipReason::EmptyPath, {}};
    }
    if (contents && status.kind == platform::PathKind::Folder) {
        return {SkipReason::Folder, {}};
    }
    if (status.kind == platform::PathKind::Missing) {
        return {SkipReason::Missing, {}};
    }
    if (contents && status.kind != platform::PathKind::RegularFile) {
        return {SkipReason::None, platform::kNotRegularFile};
    }
    return {};
}

std::string contentsProblem(const std::string& path) {
    const RowProblem problem = rowProblem(path, platform::pathStatus(path), ReplaceMode::Contents);
    return problem.failure.empty() ? skipReasonText(problem.skipped, ReplaceMode::Contents) : problem.failure;
}

} // namespace morvane
