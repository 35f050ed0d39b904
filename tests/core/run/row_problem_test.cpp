#include "core/run/row_problem.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using platform::PathKind;

TEST(RowProblem, DependsOnWhatThePathNamesAndTheMode) {
    constexpr auto kContents = ReplaceMode::Contents, kNames = ReplaceMode::FileNames;
    const struct {
        const char* path;
        PathKind kind;
        ReplaceMode mode;
        SkipReason skipped;
        std::string failure;
    } cases[] = {
        {"", PathKind::Missing, kContents, SkipReason::EmptyPath, ""},
        {"", PathKind::Missing, kNames, SkipReason::EmptyPath, ""},
        {"a", PathKind::Missing, kContents, SkipReason::Missing, ""},
        {"d", PathKind::Folder, kContents, SkipReason::Folder, ""},
        {"d", PathKind::Folder, kNames, SkipReason::None, ""},
        {"p", PathKind::Other, kContents, SkipReason::None, "not a regular file"},
        {"p", PathKind::Other, kNames, SkipReason::None, ""},
        {"f", PathKind::RegularFile, kContents, SkipReason::None, ""},
        {"f", PathKind::RegularFile, kNames, SkipReason::None, ""},
    };
    for (const auto& c : cases) {
        const RowProblem problem = rowProblem(c.path, {c.kind, 0}, c.mode);
        EXPECT_EQ(problem.skipped, c.skipped) << c.path << " " << static_cast<int>(c.kind);
        EXPECT_EQ(problem.failure, c.failure) << c.path << " " << static_cast<int>(c.kind);
        EXPECT_EQ(problem.any(), c.skipped != SkipReason::None || !c.failure.empty());
    }
}

} // namespace
} // namespace morvane
