#include "core/run/row_problem.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace morvane {
namespace {

using platform::PathKind;

TEST(RowProblem, DependsOnWhatThePathNamesAndTheMode) {
    struct Case {
        std::string path;
        PathKind kind;
        ReplaceMode mode;
        SkipReason skipped;
        std::string failure;
    };
    const Case cases[] = {
        {"", PathKind::Missing, ReplaceMode::Contents, SkipReason::EmptyPath, ""},
        {"", PathKind::Missing, ReplaceMode::FileNames, SkipReason::EmptyPath, ""},
        {"a", PathKind::Missing, ReplaceMode::Contents, SkipReason::Missing, ""},
        {"a", PathKind::Missing, ReplaceMode::FileNames, SkipReason::Missing, ""},
        {"d", PathKind::Folder, ReplaceMode::Contents, SkipReason::Folder, ""},
        {"d", PathKind::Folder, ReplaceMode::FileNames, SkipReason::None, ""},
        {"p", PathKind::Other, ReplaceMode::Contents, SkipReason::None, "not a regular file"},
        {"p", PathKind::Other, ReplaceMode::FileNames, SkipReason::None, ""},
        {"f", PathKind::RegularFile, ReplaceMode::Contents, SkipReason::None, ""},
        {"f", PathKind::RegularFile, ReplaceMode::FileNames, SkipReason::None, ""},
    };
    for (const Case& c : cases) {
        const RowProblem problem = rowProblem(c.path, {c.kind, 0}, c.mode);
        EXPECT_EQ(problem.skipped, c.skipped) << c.path << " " << static_cast<int>(c.kind);
        EXPECT_EQ(problem.failure, c.failure) << c.path << " " << static_cast<int>(c.kind);
        EXPECT_EQ(problem.any(), c.skipped != SkipReason::None || !c.failure.empty());
    }
}

TEST(RowProblem, ContentsProblemLooksAtTheDisk) {
    const testing::TempDir dir;
    const std::string file = dir.write("f.txt", "text");
    const std::string folder = dir.makeFolder("d");
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(contentsProblem(file), "");
    EXPECT_EQ(contentsProblem(""), "empty path");
    EXPECT_EQ(contentsProblem(dir.file("gone")), "no such file or folder");
    EXPECT_EQ(contentsProblem(folder), "is a folder; contents mode reads files only");
    EXPECT_EQ(contentsProblem(fifo), "not a regular file");
}

} // namespace
} // namespace morvane
