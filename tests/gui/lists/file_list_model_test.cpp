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
    static RowUpdate counted(RowId id, std::int64_t count) {
        RowUpdate update;
        update.id = id;
        update.result.count = count;
        return update;
    }
    QStringList counts() const {
        QStringList all;
        for (int row = 0; row < model.size(); ++row) {
            all << text(row, FileListModel::kCountColumn);
        }
        return all;
    }
};

// Rows keep the bytes of their paths and show their names, new ones after a rename, and icons in the name
// column only.
TEST_F(FileListModelTest, rows_keep_the_bytes_of_their_paths_and_show_their_names_renames_and_icons) {
    model.append({"/data/bad\xff.txt", "", "/data/report.old.txt"});
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/data/bad\xff.txt", "/data/report.old.txt"}));
    EXPECT_EQ(text(1, FileListModel::kNameColumn), "report.old.txt");
    EXPECT_EQ(text(1, FileListModel::kCountColumn), ""); // nothing counted yet
    RowUpdate update = counted(model.row(1).id, 1);
    update.result.renamed = true;
    update.result.path = "/data/report.new.txt";
    model.apply({update});
    EXPECT_EQ(model.row(1).path, "/data/report.new.txt");
    EXPECT_EQ(text(1, FileListModel::kNameColumn), "report.new.txt");
    QPixmap pixel(1, 1);
    pixel.fill(Qt::red);
    model.setIcons(1, {QIcon(pixel), QIcon(pixel)}); // more icons than rows: the rest is dropped
    EXPECT_TRUE(model.index(0, FileListModel::kNameColumn).data(Qt::DecorationRole).isNull());
    EXPECT_FALSE(model.index(1, FileListModel::kNameColumn).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.index(1, FileListModel::kPathColumn).data(Qt::DecorationRole).isNull());
}

// Counts come back under the ids of the rows a run started with: after rows were removed (scattered, twice,
// or out of range) each reaches its own row, and those of removed rows are dropped.
TEST_F(FileListModelTest, counts_reach_the_rows_they_belong_to_after_rows_were_removed) {
    model.append({"/1", "/2", "/3", "/4", "/5"});
    const std::vector<RowId> ids = model.ids();
    model.resetCounts();
    EXPECT_EQ(text(4, FileListModel::kCountColumn), "0");
    model.removeAt({3, 1, 3, 9, -1});
    model.apply({counted(ids[0], 10), counted(ids[1], 20), counted(ids[2], 30), counted(ids[4], 50)});
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/1", "/3", "/5"}));
    EXPECT_EQ(counts(), (QStringList{"10", "30", "50"}));
    EXPECT_EQ(model.total(), 90);
    EXPECT_EQ(model.indexOf(ids[4]), 2);
    model.removeAt({0});
    EXPECT_EQ(model.total(), 80);
}

// A folder row gives its place to its files; the rows after it keep their counts under new ids, so a run
// started before cannot write a count into a row that took another's place. Rows after a clear get new ids.
TEST_F(FileListModelTest, a_row_replaced_by_its_files_keeps_the_order_and_ids_keep_ascending) {
    model.append({"/a", "/dir", "/z"});
    const std::vector<RowId> before = model.ids();
    model.apply({counted(before[0], 1), counted(before[1], 0), counted(before[2], 5)});
    EXPECT_TRUE(model.replace(before[1], {"/dir/x", "", "/dir/y"}));
    EXPECT_EQ(model.paths(), (std::vector<std::string>{"/a", "/dir/x", "/dir/y", "/z"}));
    EXPECT_EQ(counts(), (QStringList{"1", "", "", "5"}));
    EXPECT_EQ(model.row(0).id, before[0]);
    const std::vector<RowId> after = model.ids();
    EXPECT_TRUE(std::is_sorted(after.begin(), after.end()));
    EXPECT_EQ(model.indexOf(before[2]), -1);
    model.apply({counted(before[2], 9)});
    EXPECT_EQ(model.total(), 6);
    EXPECT_FALSE(model.replace(before[1], {"/again"}));
    EXPECT_TRUE(model.replace(model.row(3).id, {}));
    EXPECT_EQ(model.total(), 1);
    model.clear();
    model.append({"/a"});
    EXPECT_EQ(model.total(), 0);
    EXPECT_EQ(model.indexOf(before[0]), -1);
}

} // namespace
