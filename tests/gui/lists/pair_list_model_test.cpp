#include "gui/lists/pair_list_model.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

using namespace morvane;

namespace {

struct PairListModelTest : ::testing::Test {
    PairListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

    PairListModelTest() { model.setHeadings({"Find", "Replace with"}); }
    QString shown(int row, int column, int role = Qt::DisplayRole) const {
        return model.index(row, column).data(role).toString();
    }
};

// The run gets one empty pair from an empty list; texts keep their bytes, an empty find text is never stored,
// and removing rows keeps the order of the others.
TEST_F(PairListModelTest, texts_keep_their_bytes_and_their_order_and_an_empty_find_text_is_never_stored) {
    EXPECT_EQ(model.finds(), std::vector<std::string>{""});
    EXPECT_EQ(model.replaces(), std::vector<std::string>{""});
    for (const char* find : {"\xe4", "", "b", "c", "d"}) {
        model.append(find, "ae");
    }
    model.update(1, "", "x", {});
    model.removeAt({2, 2, 9});
    EXPECT_EQ(model.finds(), (std::vector<std::string>{"\xe4", "b", "d"}));
}

// A text with line breaks shows on one line and whole in its tooltip; each pair keeps its options and shows a
// mark for each.
TEST_F(PairListModelTest, each_pair_shows_its_texts_on_one_line_and_a_mark_for_each_option) {
    const struct {
        PairOptions options;
        const char* marks;
        const char* tooltip;
    } rows[] = {
        {{}, "", ""},
        {{.ignoreCase = true}, "a=A", "Ignore case"},
        {{.ignoreCase = true, .wholeWord = true, .pattern = true},
         "a=A W .*",
         "Ignore case, Whole word, Regular expression"},
    };
    for (const auto& row : rows) {
        model.append("x\r\ny", "a\nb", row.options);
        EXPECT_EQ(shown(model.size() - 1, PairListModel::kOptionsColumn), row.marks);
        EXPECT_EQ(shown(model.size() - 1, PairListModel::kOptionsColumn, Qt::ToolTipRole), row.tooltip);
    }
    EXPECT_EQ(shown(0, 0), "x^py");
    EXPECT_EQ(shown(0, 1), "a^chr(10)b");
    EXPECT_EQ(shown(0, 0, Qt::ToolTipRole), "x\r\ny");
    model.update(0, "x", "y", {.pattern = true});
    EXPECT_EQ(model.options(), (PairOptionsList{{.pattern = true}, rows[1].options, rows[2].options}));
}

// A pair that works against an earlier one shows a warning, once in its row, until it no longer does.
TEST_F(PairListModelTest, a_pair_that_works_against_an_earlier_one_shows_a_warning_until_it_no_longer_does) {
    model.append("cat", "dog");
    model.append("x\ny", "z");
    model.append("dog", "cow");
    EXPECT_TRUE(model.index(1, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(shown(1, 0, Qt::ToolTipRole), "x\ny"); // no warning: the text as before
    EXPECT_FALSE(model.index(2, 0).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.index(2, 1).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(shown(2, 0, Qt::ToolTipRole), "Pair 3 also changes what pair 1 inserts");
    model.removeAt({0});
    EXPECT_FALSE(model.warningAt(1).has_value());
    EXPECT_TRUE(model.index(1, 0).data(Qt::DecorationRole).isNull());
}

} // namespace
