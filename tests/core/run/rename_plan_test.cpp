#include "core/run/rename_plan.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// The lists of names and texts are written as one text each, their entries parted by "|".
struct PlanCase {
    const char* name;
    std::string_view existing; // files in the folder
    std::string_view rows;     // names in the folder, in row order
    std::string_view finds;
    std::string_view replaces;
    std::string expected; // per row, parted by "; ": kind, new name, what it waits for or why it is refused
    std::string steps;    // 1-based rows, groups parted by "|"; "park" and "unpark" for the entry put aside
};

std::vector<std::string> entries(std::string_view text) {
    std::vector<std::string> out;
    for (std::size_t bar; (bar = text.find('|')) != std::string_view::npos; text.remove_prefix(bar + 1)) {
        out.emplace_back(text.substr(0, bar));
    }
    out.emplace_back(text);
    return out;
}

std::string describe(const PlannedRename& row) {
    std::string text =
        std::string(renameKindText(row.kind)) + " " + fs::path(row.newPath).filename().string();
    if (row.kind == RenameKind::Ordered || row.kind == RenameKind::Cycle ||
        row.kind == RenameKind::Repeated) {
        text += " after " + std::to_string(row.after + 1);
    }
    if (!row.problem.empty()) {
        text += ": " + row.problem;
    }
    return text;
}

std::string describe(const std::vector<std::vector<RenameStep>>& groups) {
    std::string text;
    for (const std::vector<RenameStep>& steps : groups) {
        text += text.empty() ? "" : " |";
        for (const RenameStep& step : steps) {
            text += text.empty() ? "" : " ";
            text += step.stage == RenameStep::Stage::Park     ? "park "
                    : step.stage == RenameStep::Stage::Unpark ? "unpark "
                                                              : "";
            text += std::to_string(step.row + 1);
        }
    }
    return text;
}

class RenamePlanTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(RenamePlanTable, ClassifiesEveryRowAndOrdersTheRenames) {
    const PlanCase& c = GetParam();
    TempDir dir;
    for (const std::string& name : entries(c.existing)) {
        dir.write(name, name);
    }
    RunRequest request{.finds = entries(c.finds), .replaces = entries(c.replaces), .files = {}};
    for (const std::string& row : entries(c.rows)) {
        request.files.push_back(row.empty() ? row : dir.file(row));
    }
    const RenamePlan plan = planRenames(request);
    std::string rows;
    for (const PlannedRename& row : plan.rows) {
        rows += (rows.empty() ? "" : "; ") + describe(row);
    }
    EXPECT_EQ(rows, c.expected);
    EXPECT_EQ(describe(plan.groups), c.steps);
    for (const std::string& name : entries(c.existing)) {
        EXPECT_TRUE(fs::exists(dir.file(name))) << "planning renames nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(
    RenamePlan, RenamePlanTable,
    ::testing::Values(
        PlanCase{"independent", "a1|b1", "a1|b1", "1", "2", "rename a2; rename b2", ""},
        PlanCase{"unchanged_and_missing", "a", "a|gone|", "x", "y", "unchanged a; skipped gone; skipped ",
                 ""},
        // a -> b must wait until b has become c.
        PlanCase{"chain_against_row_order", "a|b", "a|b", "b|a", "c|b", "chain b after 2; rename c", "2 1"},
        PlanCase{"chain_in_row_order", "a|b", "b|a", "b|a", "c|b", "rename c; chain b after 1", "1 2"},
        PlanCase{"swap", "a|b", "a|b", "a|b|#", "#|a|b", "cycle b after 2; cycle a after 1",
                 "park 1 2 unpark 1"},
        PlanCase{"three_cycle", "a|b|c", "a|b|c", "a|c|b|#", "#|a|c|b",
                 "cycle b after 2; cycle c after 3; cycle a after 1", "park 1 3 2 unpark 1"},
        PlanCase{"swap_then_chain", "a|b|c|d", "a|b|d|c", "a|b|#|c|d", "#|a|b|e|c",
                 "cycle b after 2; cycle a after 1; chain c after 4; rename e", "park 1 2 unpark 1 | 4 3"},
        PlanCase{
            "two_rows_to_one_name", "a1|a2|b1", "a1|a2|b1", "1|2", "|",
            "refused a: \"a2\" gets the same new name; refused a: \"a1\" gets the same new name; rename b",
            ""},
        PlanCase{"onto_a_file_not_in_the_run", "a|b", "a", "a", "b",
                 "refused b: a file or folder named \"b\" already exists", ""},
        PlanCase{"onto_a_row_that_keeps_its_name", "a|b", "a|b", "a", "b",
                 "refused b: a file or folder named \"b\" already exists; unchanged b", ""},
        // The end of the chain is blocked, so the whole chain stays.
        PlanCase{"chain_onto_a_file_not_in_the_run", "a|b|c", "a|b", "b|a", "c|b",
                 "refused b: the new name is held by \"b\", which is not renamed; refused c: a file or "
                 "folder named \"c\" already exists",
                 ""},
        PlanCase{"cycle_with_a_member_refused", "a|b|x1", "a|b|x1", "a|b|#|x1", "#|a|b|b",
                 "refused b: \"x1\" gets the same new name; refused a: the new name is held by \"a\", which "
                 "is not renamed; refused b: \"a\" gets the same new name",
                 ""},
        PlanCase{"names_refused_anyway", "a|b|c", "a|b|c", "a|b|c", "|x/y|..",
                 "refused : the new name would be empty; refused y: the new name would contain a path "
                 "separator or a NUL byte; refused ..: the new name \"..\" is not allowed",
                 ""},
        PlanCase{"same_entry_in_two_rows", "a", "a|a", "a", "b", "rename b; repeated b after 1", ""}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(RenamePlan, MismatchedColumnsPlanNothing) {
    RunRequest request{.finds = {"a", "b"}, .replaces = {"c"}, .files = {"x"}};
    const RenamePlan plan = planRenames(request);
    EXPECT_TRUE(plan.mismatch);
    EXPECT_EQ(plan.findsUbound, 1u);
    EXPECT_EQ(plan.replacesUbound, 0u);
    EXPECT_TRUE(plan.rows.empty());
}

TEST(RenamePlan, TwoSpellingsOfOnePathAreOneEntry) {
    TempDir dir;
    dir.write("a", "");
    dir.makeFolder("sub");
    RunRequest request{.finds = {"a"}, .replaces = {"b"}, .files = {dir.file("a"), dir.file("sub/../a")}};
    const RenamePlan plan = planRenames(request);
    EXPECT_EQ(plan.rows.at(1).kind, RenameKind::Repeated);
}

RenamePlan planIn(const TempDir& dir, const std::vector<std::string>& rows, std::vector<std::string> finds,
                  std::vector<std::string> replaces) {
    RunRequest request{.finds = std::move(finds), .replaces = std::move(replaces), .files = {}};
    for (const std::string& row : rows) {
        request.files.push_back(dir.file(row));
    }
    return planRenames(request);
}

TEST(RenamePlan, new_name_longer_than_the_name_limit_is_refused_in_the_plan) {
    TempDir dir;
    dir.write("a", "");
    dir.write("b", "");
    const RenamePlan plan = planIn(dir, {"a", "b"}, {"a", "b"}, {std::string(300, 'x'), "c"});
    EXPECT_EQ(plan.rows.at(0).kind, RenameKind::Refused);
    EXPECT_EQ(renameProblem(plan.rows.at(0)).rfind("the new name is longer than the ", 0), 0u)
        << renameProblem(plan.rows.at(0));
    EXPECT_EQ(plan.rows.at(1).kind, RenameKind::Plain);
}

TEST(RenamePlan, entry_in_a_folder_renamed_before_it_is_refused_in_the_plan) {
    TempDir dir;
    dir.makeFolder("dd");
    dir.write("dd/dfile", "");
    const RenamePlan folderFirst = planIn(dir, {"dd/", "dd/dfile"}, {"d"}, {"e"});
    EXPECT_EQ(folderFirst.rows.at(0).kind, RenameKind::Plain);
    EXPECT_EQ(folderFirst.rows.at(1).kind, RenameKind::Refused);
    EXPECT_EQ(renameProblem(folderFirst.rows.at(1)),
              "the folder \"dd\" is renamed first; list the folder after this row");

    // Listed before its folder, the entry is renamed first and then moves with the folder.
    const RenamePlan entryFirst = planIn(dir, {"dd/dfile", "dd/"}, {"d"}, {"e"});
    EXPECT_EQ(entryFirst.rows.at(0).kind, RenameKind::Plain);
    EXPECT_EQ(entryFirst.rows.at(1).kind, RenameKind::Plain);
}

// The chain that renames the folder is carried out at its first row's turn, before the entry's own.
TEST(RenamePlan, entry_in_a_folder_a_chain_renames_earlier_is_refused_in_the_plan) {
    TempDir dir;
    dir.write("f", "");
    dir.makeFolder("dd");
    dir.write("dd/x", "");
    const RenamePlan plan = planIn(dir, {"f", "dd/x", "dd"}, {"dd", "f", "x"}, {"ee", "dd", "y"});
    EXPECT_EQ(plan.rows.at(0).kind, RenameKind::Ordered);
    EXPECT_EQ(plan.rows.at(1).kind, RenameKind::Refused);
    EXPECT_EQ(renameProblem(plan.rows.at(1)),
              "the folder \"dd\" is renamed first; list the folder after this row");
    EXPECT_EQ(plan.rows.at(2).kind, RenameKind::Plain);
}

// Whatever the folders between do, the entry is gone from its path once a folder further up is renamed.
TEST(RenamePlan, entry_below_a_folder_renamed_before_it_is_refused_past_the_folders_between) {
    TempDir dir;
    dir.makeFolder("g/f");
    dir.write("g/f/x", "");
    const std::vector<std::string> finds{"g", "f", "x"}, replaces{"k", "h", "z"};
    for (const auto& rows : {std::vector<std::string>{"g", "g/f", "g/f/x"}, {"g", "g/f/x", "g/f"}}) {
        const RenamePlan plan = planIn(dir, rows, finds, replaces);
        EXPECT_EQ(plan.rows.at(0).kind, RenameKind::Plain);
        EXPECT_EQ(plan.rows.at(1).kind, RenameKind::Refused);
        EXPECT_EQ(plan.rows.at(2).kind, RenameKind::Refused) << rows[2];
        EXPECT_EQ(renameProblem(plan.rows.at(rows[2] == "g/f/x" ? 2 : 1)),
                  "the folder \"g\" is renamed first; list the folder after this row");
    }
}

// A row refused in a chain keeps its entry, so the row waiting for that name is refused too, and never
// moves a refused entry. Only a row named through ".." can wait for an entry of another folder.
TEST(RenamePlan, row_waiting_for_a_refused_row_is_refused) {
    TempDir dir;
    dir.makeFolder("top/f");
    dir.write("top/f/x", "");
    const RenamePlan plan = planIn(dir, {"top/f", "top/f/x", "top/f/.."}, {"f", "x", ".."}, {"h", "z", "x"});
    EXPECT_EQ(plan.rows.at(0).kind, RenameKind::Plain);
    EXPECT_EQ(plan.rows.at(1).kind, RenameKind::Refused);
    EXPECT_EQ(renameProblem(plan.rows.at(2)), "the new name is held by \"x\", which is not renamed");
    EXPECT_TRUE(plan.groups.empty());
}

TEST(RenamePlan, ProblemsAreTheRefusalsAndSkipsOnly) {
    TempDir dir;
    dir.write("a", "");
    const RenamePlan plan = planIn(dir, {"a", "missing", "a"}, {"a"}, {"b"});
    EXPECT_EQ(renameProblem(plan.rows.at(0)), "");
    EXPECT_EQ(renameProblem(plan.rows.at(1)), "no such file or folder");
    EXPECT_EQ(plan.rows.at(2).kind, RenameKind::Repeated);
    EXPECT_EQ(renameProblem(plan.rows.at(2)), "") << "it reports the rename of the first row";
}

} // namespace
} // namespace morvane
