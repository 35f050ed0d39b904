#include "gui/lists/saved_task_model.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <gtest/gtest.h>

using namespace morvane;

namespace {

TEST(SavedTaskModel, shows_named_tasks_with_their_numbers_and_follows_the_table) {
    SavedReps table = emptySavedReps();
    table.push_back(RepTask{.name = "One", .files = {}, .finds = {"a", "b"}, .replacements = {}});
    table.push_back(RepTask{.name = "", .files = {}, .finds = {"gone"}, .replacements = {}});
    table.push_back(RepTask{.name = "Three", .files = {}, .finds = {"\xe4"}, .replacements = {}});
    SavedTaskModel model(table);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setHeadings({"Nr.", "Name", "Find", "Replace with"});
    model.reload();
    ASSERT_EQ(model.size(), 2);
    EXPECT_EQ(model.index(1, 0).data().toString(), "3");
    EXPECT_EQ(model.taskAt(1), 3u);
    EXPECT_EQ(model.index(0, 2).data().toString(), "a^pb");
    EXPECT_EQ(model.index(0, 2).data(Qt::ToolTipRole).toString(), "a\r\nb");

    QItemSelectionModel selection(&model);
    selection.select(model.index(1, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table[1].name.clear();
    table.push_back(RepTask{.name = "Four", .files = {}, .finds = {"x"}, .replacements = {}});
    model.sync();
    ASSERT_EQ(model.size(), 2);
    EXPECT_EQ(model.taskAt(0), 3u);
    EXPECT_EQ(model.taskAt(1), 4u);
    EXPECT_TRUE(selection.isRowSelected(0, {})); // task 3 kept its selection
    EXPECT_FALSE(selection.isRowSelected(1, {}));
}

} // namespace
