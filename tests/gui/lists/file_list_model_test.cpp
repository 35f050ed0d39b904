#include "gui/lists/file_list_model.h"

#include <QAbstractItemModelTester>
#include <algorithm>
#include <gtest/gtest.h>

using namespace morvane;

namespace {

struct FileListModelTest : ::testing::Test {
    FileListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

    FileListModelTest() { model.setHeadings({"Path", "File", "Count"}); }
    QString text(int row, int column) const { return model.index(row, column).data().toString(); }
    static RowUpdate countedFor(RowId id, std::int64_t count) {
        RowUpdate update;
        update.id = id;
        update.result.count = count;
        return update;
    }
    RowUpdate counted(int row, std::int64_t count) const { return countedFor(model.row(row).id, count); }
    QStringList counts() const {
        QStringList all;
        for (int row = 0; row < model.size(); ++row) {
            all << text(row, FileListModel::kCountColumn);
        }
        return all;
    }
};

TEST_F(FileListModelTest, rows_keep_the_exact_bytes_of_their_paths_and_show_their_names) {
    model.append({"/data/bad\xff.txt", "", "/data/report.old.txt"});
    ASSERT_EQ(model.size(), 2);
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/data/bad\xff.txt", "/data/report.old.txt"}));
    EXPECT_EQ(text(1, FileListModel::kNameColumn), "report.old.txt");
    EXPECT_EQ(text(1, FileListModel::kCountColumn), ""); // nothing counted yet
    EXPECT_NE(model.row(0).id, model.row(1).id);
}

TEST_F(FileListModelTest, counts_reach_the_rows_they_belong_to_after_rows_were_removed) {
    model.append({"/a", "/b", "/c", "/d"});
    const std::vector<RowId> ids = model.ids();
    model.resetCounts();
    EXPECT_EQ(text(3, FileListModel::kCountColumn), "0");
    model.removeAt({1, 2});
    model.apply({counted(0, 10), countedFor(ids[1], 20), countedFor(ids[3], 40)});
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/a", "/d"}));
    EXPECT_EQ(counts(), (QStringList{"10", "40"}));
    EXPECT_EQ(model.total(), 50);
    model.removeAt({0});
    EXPECT_EQ(model.total(), 40);
}

TEST_F(FileListModelTest, removing_scattered_rows_keeps_the_others_in_order_with_their_counts) {
    model.append({"/1", "/2", "/3", "/4", "/5"});
    for (int row = 0; row < 5; ++row) {
        model.apply({counted(row, row + 1)});
    }
    model.removeAt({3, 1, 3, 9, -1});
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/1", "/3", "/5"}));
    EXPECT_EQ(counts(), (QStringList{"1", "3", "5"}));
    EXPECT_EQ(model.total(), 9);
    EXPECT_EQ(model.indexOf(model.row(2).id), 2);
}

TEST_F(FileListModelTest, a_rename_changes_the_path_and_the_name_shown) {
    model.append({"/data/report.old.txt"});
    RowUpdate update = counted(0, 1);
    update.result.renamed = true;
    update.result.path = "/data/report.new.txt";
    model.apply({update});
    EXPECT_EQ(model.row(0).path, "/data/report.new.txt");
    EXPECT_EQ(text(0, FileListModel::kNameColumn), "report.new.txt");
}

// A folder row gives its place to its files; the rows after it keep their counts under new ids, so a run
// started before cannot write a count into a row that took another's place.
TEST_F(FileListModelTest, a_row_replaced_by_its_files_keeps_the_order_and_ids_keep_ascending) {
    model.append({"/a", "/dir", "/z"});
    model.apply({counted(0, 1), counted(1, 0), counted(2, 5)});
    const std::vector<RowId> before = model.ids();
    EXPECT_TRUE(model.replace(before[1], {"/dir/x", "", "/dir/y"}));
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/a", "/dir/x", "/dir/y", "/z"}));
    EXPECT_EQ(counts(), (QStringList{"1", "", "", "5"}));
    EXPECT_EQ(model.total(), 6);
    EXPECT_EQ(model.row(0).id, before[0]);
    const std::vector<RowId> after = model.ids();
    EXPECT_TRUE(std::is_sorted(after.begin(), after.end()));
    EXPECT_EQ(model.indexOf(before[2]), -1);
    model.apply({countedFor(before[2], 9)});
    EXPECT_EQ(model.total(), 6);
    EXPECT_FALSE(model.replace(before[1], {"/again"}));
    EXPECT_TRUE(model.replace(model.row(3).id, {}));
    EXPECT_EQ(model.total(), 1);
}

TEST_F(FileListModelTest, new_rows_after_a_clear_get_new_ids) {
    model.append({"/a"});
    const RowId first = model.row(0).id;
    model.clear();
    EXPECT_EQ(model.total(), 0);
    model.append({"/a"});
    EXPECT_NE(model.row(0).id, first);
    EXPECT_EQ(model.indexOf(first), -1);
}

TEST_F(FileListModelTest, icons_show_in_the_name_column_only) {
    model.append({"/a", "/b"});
    QPixmap pixel(1, 1);
    pixel.fill(Qt::red);
    model.setIcons(1, {QIcon(pixel), QIcon(pixel)}); // more icons than rows: the rest is dropped
    EXPECT_TRUE(model.index(0, FileListModel::kNameColumn).data(Qt::DecorationRole).isNull());
    EXPECT_FALSE(model.index(1, FileListModel::kNameColumn).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.index(1, FileListModel::kPathColumn).data(Qt::DecorationRole).isNull());
}

} // namespace
