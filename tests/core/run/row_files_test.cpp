#include "core/platform/platform_fs.h"
#include "core/run/row_problem.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using platform::PathKind;
using testing::TempDir;

// The folder is listed once, at its first row; what its names hold by the time each is opened counts, and
// what is no regular file by then is refused without waiting for a writer that never comes.
TEST(FolderCursor, names_changed_after_the_listing_are_looked_at_again) {
    TempDir dir;
    dir.writeTree({"a", "first", "b", "second", "c", "third"});
    platform::FolderCursor cursor;
    std::string buffer;
    ASSERT_EQ(cursor.open(dir.file("a"), dir.file("b")).readInto(dir.file("a"), buffer, nullptr), "");
    EXPECT_EQ(buffer, "first");

    fs::remove(dir.file("b"));
    ASSERT_EQ(::mkfifo(dir.file("b").c_str(), 0600), 0);
    fs::remove(dir.file("c"));
    fs::create_symlink("b", dir.file("c"));
    dir.write("d", "made after the listing");
    const std::string rows[] = {dir.file("b"), dir.file("c"), dir.file("d"), ""};
    for (std::size_t k = 0; k < 3; ++k) {
        platform::RowFile file = cursor.open(rows[k], rows[k + 1]);
        EXPECT_EQ(file.status().kind, k < 2 ? PathKind::Other : PathKind::RegularFile) << rows[k];
        EXPECT_EQ(file.readInto(rows[k], buffer, nullptr).empty(), k == 2) << rows[k];
    }
    EXPECT_EQ(buffer, "made after the listing");
}

// Each row the observer hears of, as "row count path", and each draw of the progress bar.
struct RowsSeen : RunObserver {
    std::vector<std::string> rows;
    std::vector<int> draws;
    void progress(int percent) override { draws.push_back(percent); }
    void rowDone(std::size_t row, const RowResult& result, std::int64_t, std::optional<StatusKind>) override {
        rows.push_back(std::to_string(row) + " " + std::to_string(result.count) + " " + result.path);
    }
};

// More rows than the workers hold at once, over several folders, with rows that are no file and files too
// large for the workers to hold together: each row comes once, in order, with its own count, whether the
// result keeps the rows or leaves them to the observer.
TEST(RunRows, rows_beyond_what_the_workers_hold_come_in_order_with_their_counts) {
    TempDir dir;
    RunRequest request{.finds = {"a"}, .replaces = {"b"}, .files = {}, .workers = 4};
    std::vector<std::string> expected;
    std::int64_t total = 0;
    const auto addRow = [&](const std::string& path, std::int64_t count) {
        expected.push_back(std::to_string(request.files.size()) + " " + std::to_string(count) + " " + path);
        request.files.push_back(path);
        total += count;
    };
    for (const std::string folder : {"d0", "d1", "d2"}) {
        dir.makeFolder(folder);
        for (int k = 0; k < 700; ++k) {
            addRow(dir.write(folder + "/" + std::to_string(1000 + k), std::string(k % 5, 'a')), k % 5);
            // Files too large for two workers to hold at once wait for each other's turn.
            if (k == 6 || k == 19) {
                fs::resize_file(request.files[request.files.size() - 1], std::uintmax_t{65} << 20);
            }
        }
        addRow(dir.file(folder), 0);
    }
    addRow(dir.file("missing"), 0);
    for (const bool keepRows : {false, true}) {
        request.keepRows = keepRows;
        RowsSeen seen;
        const RunResult result = runPairs(request, &seen);
        EXPECT_EQ(seen.rows, expected);
        // The bar is full at the last row's draw, and drawn full once more at the end.
        EXPECT_EQ(std::count(seen.draws.begin(), seen.draws.end(), 100), 2);
        EXPECT_EQ(result.rows.size(), keepRows ? request.files.size() : 0);
        EXPECT_EQ(result.total, total);
    }
}

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
