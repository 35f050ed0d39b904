#include "core/platform/platform_fs.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using platform::PathKind;
using testing::TempDir;

struct ExpectedRow {
    std::string name;
    PathKind kind;
    std::string bytes; // of a regular file
};

// Opens the rows one after another as a run does, each with the path of the row after it, and checks what
// each turns out to be; a regular file is read into one buffer that a longer file held before.
void expectRows(const TempDir& dir, platform::FolderCursor& cursor, const std::vector<ExpectedRow>& rows) {
    std::string buffer = "what a longer file held before";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::string path = dir.file(rows[k].name);
        const std::string next = k + 1 < rows.size() ? dir.file(rows[k + 1].name) : std::string();
        platform::RowFile file = cursor.open(path, next);
        EXPECT_EQ(file.status().kind, rows[k].kind) << rows[k].name;
        platform::FileIdentity identity;
        const std::string reason = file.readInto(path, buffer, &identity);
        if (rows[k].kind == PathKind::RegularFile) {
            EXPECT_EQ(reason, "") << rows[k].name;
            EXPECT_EQ(buffer, rows[k].bytes) << rows[k].name;
            EXPECT_EQ(file.status().size, rows[k].bytes.size()) << rows[k].name;
            EXPECT_TRUE(platform::sameFile(identity, platform::fileIdentity(path))) << rows[k].name;
        } else {
            // Refused without waiting for a writer that never comes.
            EXPECT_NE(reason, "") << rows[k].name;
            EXPECT_EQ(buffer, "") << rows[k].name;
        }
    }
}

TEST(FolderCursor, each_row_is_what_its_path_names_and_nothing_blocks) {
    TempDir dir;
    dir.write("a.txt", "0123456789");
    dir.write("b.txt", "xy");
    fs::create_symlink("a.txt", dir.file("c-link"));
    ASSERT_EQ(::mkfifo(dir.file("d-fifo").c_str(), 0600), 0);
    dir.makeFolder("e-folder");
    fs::create_symlink("d-fifo", dir.file("f-link-to-fifo"));
    dir.write("g-empty", "");
    platform::FolderCursor cursor;
    expectRows(dir, cursor,
               {{"a.txt", PathKind::RegularFile, "0123456789"},
                {"b.txt", PathKind::RegularFile, "xy"},
                {"c-link", PathKind::RegularFile, "0123456789"},
                {"d-fifo", PathKind::Other, ""},
                {"e-folder", PathKind::Folder, ""},
                {"f-link-to-fifo", PathKind::Other, ""},
                {"g-empty", PathKind::RegularFile, ""},
                {"missing", PathKind::Missing, ""},
                {"e-folder/", PathKind::Folder, ""}});
}

// The folder is listed once, at its first row; what its names hold by the time each is opened counts.
TEST(FolderCursor, names_changed_after_the_listing_are_looked_at_again) {
    TempDir dir;
    dir.write("a", "first");
    dir.write("b", "second");
    dir.write("c", "third");
    platform::FolderCursor cursor;
    std::string buffer;
    platform::RowFile first = cursor.open(dir.file("a"), dir.file("b"));
    ASSERT_EQ(first.readInto(dir.file("a"), buffer, nullptr), "");
    EXPECT_EQ(buffer, "first");

    fs::remove(dir.file("b"));
    ASSERT_EQ(::mkfifo(dir.file("b").c_str(), 0600), 0);
    fs::remove(dir.file("c"));
    fs::create_symlink("b", dir.file("c"));
    dir.write("d", "made after the listing");
    expectRows(dir, cursor,
               {{"b", PathKind::Other, ""},
                {"c", PathKind::Other, ""},
                {"d", PathKind::RegularFile, "made after the listing"}});
}

struct RowsSeen : RunObserver {
    std::vector<std::size_t> rows;
    std::vector<RowResult> results;
    void rowDone(std::size_t row, const RowResult& result, std::int64_t, std::optional<StatusKind>) override {
        rows.push_back(row);
        results.push_back(result);
    }
};

// More rows than the workers hold at once, over several folders and with rows that are no file: each row
// comes once, in order, with its own count, whether the result keeps the rows or leaves them to the observer.
TEST(RunRows, rows_beyond_what_the_workers_hold_come_in_order_with_their_counts) {
    TempDir dir;
    RunRequest request;
    request.finds = {"a"};
    request.replaces = {"b"};
    request.workers = 2;
    std::vector<std::int64_t> counts;
    for (int folder = 0; folder < 3; ++folder) {
        const std::string name = "d" + std::to_string(folder);
        dir.makeFolder(name);
        for (int k = 0; k < 700; ++k) {
            const std::string file = name + "/" + std::to_string(1000 + k);
            request.files.push_back(dir.write(file, std::string(static_cast<std::size_t>(k % 5), 'a')));
            counts.push_back(k % 5);
        }
        request.files.push_back(dir.file(name));
        counts.push_back(0);
    }
    request.files.push_back(dir.file("missing"));
    counts.push_back(0);
    std::int64_t total = 0;
    for (const std::int64_t count : counts) {
        total += count;
    }

    for (const bool keepRows : {false, true}) {
        request.keepRows = keepRows;
        RowsSeen seen;
        const RunResult result = runPairs(request, &seen);
        ASSERT_EQ(seen.rows.size(), request.files.size());
        EXPECT_EQ(result.rows.size(), keepRows ? request.files.size() : 0);
        EXPECT_EQ(result.total, total);
        for (std::size_t i = 0; i < seen.rows.size(); ++i) {
            ASSERT_EQ(seen.rows[i], i);
            EXPECT_EQ(seen.results[i].count, counts[i]) << i;
            EXPECT_EQ(seen.results[i].path, request.files[i]) << i;
        }
    }
}

} // namespace
} // namespace morvane
