#include "core/run/rename_plan.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::TempDir;

// The lists of names and texts are written as one text each, their entries parted by "|".
struct PlanCase {
    const char* name;
    std::string_view existing; // files in the folder, and folders where a name ends in "/"
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

TEST(RenamePlan, ClassifiesEveryRowAndOrdersTheRenames) {
    for (const PlanCase& c : std::vector<PlanCase>{
             {"unchanged_and_missing", "a", "a|gone|", "x", "y", "unchanged a; skipped gone; skipped ", ""},
             // a -> b must wait until b has become c.
             {"chain_against_row_order", "a|b", "a|b", "b|a", "c|b", "chain b after 2; rename c", "2 1"},
             {"chain_in_row_order", "a|b", "b|a", "b|a", "c|b", "rename c; chain b after 1", "1 2"},
             {"swap", "a|b", "a|b", "a|b|#", "#|a|b", "cycle b after 2; cycle a after 1",
              "park 1 2 unpark 1"},
             {"three_cycle", "a|b|c", "a|b|c", "a|c|b|#", "#|a|c|b",
              "cycle b after 2; cycle c after 3; cycle a after 1", "park 1 3 2 unpark 1"},
             {"swap_then_chain", "a|b|c|d", "a|b|d|c", "a|b|#|c|d", "#|a|b|e|c",
              "cycle b after 2; cycle a after 1; chain c after 4; rename e", "park 1 2 unpark 1 | 4 3"},
             {"two_rows_to_one_name", "a1|a2|b1", "a1|a2|b1", "1|2", "|",
              "refused a: \"a2\" gets the same new name; refused a: \"a1\" gets the same new name; rename b",
              ""},
             {"onto_a_file_not_in_the_run", "a|b", "a", "a", "b",
              "refused b: a file or folder named \"b\" already exists", ""},
             {"onto_a_row_that_keeps_its_name", "a|b", "a|b", "a", "b",
              "refused b: a file or folder named \"b\" already exists; unchanged b", ""},
             // The end of the chain is blocked, so the whole chain stays.
             {"chain_onto_a_file_not_in_the_run", "a|b|c", "a|b", "b|a", "c|b",
              "refused b: the new name is held by \"b\", which is not renamed; refused c: a file or "
              "folder named \"c\" already exists",
              ""},
             {"cycle_with_a_member_refused", "a|b|x1", "a|b|x1", "a|b|#|x1", "#|a|b|b",
              "refused b: \"x1\" gets the same new name; refused a: the new name is held by \"a\", which "
              "is not renamed; refused b: \"a\" gets the same new name",
              ""},
             {"names_refused_anyway", "a|b|c", "a|b|c", "a|b|c", "|x/y|..",
              "refused : the new name would be empty; refused y: the new name would contain a path "
              "separator or a NUL byte; refused ..: the new name \"..\" is not allowed",
              ""},
             {"to_a_nul_byte", "a", "a", "a", "^chr(0)",
              "refused \0: the new name would contain a path separator or a NUL byte"s, ""},
             {"same_entry_in_two_rows", "a", "a|a", "a", "b", "rename b; repeated b after 1", ""},
             // An entry whose folder is renamed before it is gone from its path; listed first, it moves with
             // it.
             {"entry_after_its_folder", "dd/|dd/df", "dd|dd/df", "d", "e",
              "rename ee; refused ef: the folder \"dd\" is renamed first; list the folder after this row",
              ""},
             {"entry_before_its_folder", "dd/|dd/df", "dd/df|dd", "d", "e", "rename ef; rename ee", ""},
             // The chain that renames the folder is carried out at its first row's turn, before the entry's
             // own.
             {"entry_after_a_chain_renames_its_folder", "f|dd/|dd/x", "f|dd/x|dd", "dd|f|x", "ee|dd|y",
              "chain dd after 3; refused y: the folder \"dd\" is renamed first; list the folder after this "
              "row; rename ee",
              "3 1"},
             // Whatever the folders between do, the entry is gone once a folder further up is renamed.
             {"entry_below_a_folder_renamed_first", "g/|g/f/|g/f/x", "g|g/f/x|g/f", "g|f|x", "k|h|z",
              "rename k; refused z: the folder \"g\" is renamed first; list the folder after this row; "
              "refused h: the folder \"g\" is renamed first; list the folder after this row",
              ""},
             // A refused row keeps its entry, so the row waiting for its name is refused too.
             {"row_waiting_for_a_refused_row", "top/|top/f/|top/f/x", "top/f|top/f/x|top/f/..", "f|x|..",
              "h|z|x",
              "rename h; refused z: the folder \"f\" is renamed first; list the folder after this row; "
              "refused x: the new name is held by \"x\", which is not renamed",
              ""},
         }) {
        TempDir dir;
        for (const std::string& name : entries(c.existing)) {
            name.ends_with('/') ? (void)dir.makeFolder(name) : (void)dir.write(name, name);
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
        EXPECT_EQ(rows, c.expected) << c.name;
        EXPECT_EQ(describe(plan.groups), c.steps) << c.name;
        for (const std::string& name : entries(c.existing)) {
            EXPECT_TRUE(fs::exists(dir.file(name))) << "planning renames nothing";
        }
    }
}

// A problem is a refusal or a skip; a repeated row reports the rename of the first.
TEST(RenamePlan, ProblemsAreTheRefusalsAndSkipsOnly) {
    TempDir dir;
    RunRequest request{.finds = {"a", "b"},
                       .replaces = {"c", std::string(300, 'x')},
                       .files = {dir.write("a", ""), dir.file("missing"), dir.file("a"), dir.write("b", "")}};
    const RenamePlan plan = planRenames(request);
    EXPECT_EQ(renameProblem(plan.rows.at(0)), "");
    EXPECT_EQ(renameProblem(plan.rows.at(1)), "no such file or folder");
    EXPECT_EQ(plan.rows.at(2).kind, RenameKind::Repeated);
    EXPECT_EQ(renameProblem(plan.rows.at(2)), "");
    EXPECT_EQ(plan.rows.at(3).kind, RenameKind::Refused);
    EXPECT_EQ(renameProblem(plan.rows.at(3)).rfind("the new name is longer than the ", 0), 0u)
        << renameProblem(plan.rows.at(3));
}

} // namespace
} // namespace morvane
