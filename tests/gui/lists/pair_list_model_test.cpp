#include "gui/lists/pair_list_model.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

using namespace morvane;

namespace {

struct PairListModelTest : ::testing::Test {
    PairListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

    PairListModelTest() { model.setHeadings({"Find", "Replace with"}); }
};

TEST_F(PairListModelTest, an_empty_list_gives_the_run_one_empty_pair) {
    EXPECT_EQ(model.finds(), std::vector<std::string>{""});
    EXPECT_EQ(model.replaces(), std::vector<std::string>{""});
}

TEST_F(PairListModelTest, texts_keep_their_bytes_and_an_empty_find_text_is_never_stored) {
    model.append("\xe4", "ae");
    model.append("", "lost");
    model.append("a", "");
    EXPECT_EQ(model.finds(), (std::vector<std::string>{"\xe4", "a"}));
    EXPECT_EQ(model.replaces(), (std::vector<std::string>{"ae", ""}));
    model.update(1, "", "x", {});
    EXPECT_EQ(model.row(1).find, "a");
    model.update(1, "b", "c", {});
    EXPECT_EQ(model.row(1).replace, "c");
}

TEST_F(PairListModelTest, each_pair_keeps_its_options_and_shows_a_mark_for_each) {
    const struct {
        PairOptions options;
        const char* marks;
        const char* tooltip;
    } rows[] = {
        {{}, "", ""},
        {{.ignoreCase = true}, "a=A", "Ignore case"},
        {{.wholeWord = true, .pattern = true}, "W .*", "Whole word, Regular expression"},
        {{.ignoreCase = true, .wholeWord = true, .pattern = true},
         "a=A W .*",
         "Ignore case, Whole word, Regular expression"},
    };
    for (const auto& row : rows) {
        model.append("x", "y", row.options);
        const QModelIndex marks = model.index(model.size() - 1, PairListModel::kOptionsColumn);
        EXPECT_EQ(marks.data().toString(), row.marks);
        EXPECT_EQ(marks.data(Qt::ToolTipRole).toString(), row.tooltip);
    }
    model.update(0, "x", "y", {.pattern = true});
    EXPECT_EQ(model.options(),
              (PairOptionsList{{.pattern = true}, rows[1].options, rows[2].options, rows[3].options}));
}

TEST_F(PairListModelTest, a_text_with_line_breaks_shows_on_one_line_and_whole_in_its_tooltip) {
    model.append("x\r\ny", "a\nb");
    EXPECT_EQ(model.index(0, 0).data().toString(), "x^py");
    EXPECT_EQ(model.index(0, 1).data().toString(), "a^chr(10)b");
    EXPECT_EQ(model.index(0, 0).data(Qt::ToolTipRole).toString(), "x\r\ny");
}

TEST_F(PairListModelTest, removing_rows_keeps_the_order_of_the_others) {
    for (const char* find : {"a", "b", "c", "d", "e"}) {
        model.append(find, "");
    }
    model.removeAt({2, 1, 2});
    EXPECT_EQ(model.finds(), (std::vector<std::string>{"a", "d", "e"}));
}

} // namespace

namespace {

TEST_F(PairListModelTest, a_pair_that_works_against_an_earlier_one_shows_a_warning_until_it_no_longer_does) {
    model.append("cat", "dog");
    model.append("x\ny", "z");
    model.append("dog", "cow");
    model.append("ca", "k");
    EXPECT_TRUE(model.index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(model.index(1, 0).data(Qt::ToolTipRole).toString(), "x\ny") << "no warning, the text as before";
    EXPECT_FALSE(model.index(2, 0).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.index(2, 1).data(Qt::DecorationRole).isNull()) << "the icon shows once in the row";
    EXPECT_EQ(model.index(2, 0).data(Qt::ToolTipRole).toString(), "Pair 3 also changes what pair 1 inserts");
    EXPECT_FALSE(model.warningAt(3).has_value()) << "pair 4 looks for a part of what pair 1 replaced";
    model.update(3, "cats", "k", {});
    EXPECT_EQ(model.index(3, 0).data(Qt::ToolTipRole).toString(),
              "Pair 1 replaces every \"cat\" before pair 4 looks for \"cats\"");

    model.removeAt({0});
    EXPECT_FALSE(model.warningAt(1).has_value());
    EXPECT_TRUE(model.index(1, 0).data(Qt::DecorationRole).isNull());
}

} // namespace
