#include "core/app/status_line.h"
#include "core/state/message_keys.h"

#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <vector>

namespace morvane {
namespace {

using namespace status_event;

std::string shortText(std::string_view key) {
    static const std::map<std::string_view, std::string> texts{{keys::kReplacementsPending, "Found:"},
                                                               {keys::kReplacementsDone, "Done:"},
                                                               {keys::kRunStopped, "Stopped:"},
                                                               {keys::kNotUndoable, "No undo:"},
                                                               {keys::kDoneFiles, "; files %1, failed %2."},
                                                               {keys::kDoneStopped, "Stopped early."},
                                                               {keys::kDoneUndoable, "Ctrl+Z undoes it."}};
    const auto found = texts.find(key);
    return found == texts.end() ? std::string() : found->second;
}

// One step of a story: an event and what the line then shows ("=" for no change).
struct Step {
    StatusEvent event;
    std::string shown;
};

struct Story {
    const char* name;
    std::vector<Step> steps;
};

ExecuteOutcome wrote(std::int64_t replaced, std::int64_t files, std::int64_t failed = 0) {
    return {.replaced = replaced, .files = files, .failed = failed, .undoable = files > 0};
}

void expectStories(const std::vector<Story>& stories) {
    for (const Story& story : stories) {
        StatusLine line(shortText);
        for (std::size_t step = 0; step < story.steps.size(); ++step) {
            const std::optional<std::string> shown = line.handle(story.steps[step].event);
            EXPECT_EQ(shown.value_or("="), story.steps[step].shown) << story.name << ", step " << step;
        }
    }
}

TEST(StatusLine, CountsAlwaysSayTheSumOfTheRowsShown) {
    expectStories({
        {"counts as they come, and the run's end says their sum",
         {{RowsCounted{StatusKind::Pending, 3}, "Found: 3"},
          {RowsCounted{StatusKind::Pending, 7}, "Found: 7"},
          {RunEnded{.total = 7, .rows = 2}, "Found: 7"}}},
        {"a run that met no file (a folder row, a file deleted since) still says its rows' sum",
         {{RowsCounted{StatusKind::Pending, 1}, "Found: 1"},
          {RunStarted{}, "="},
          {RunEnded{.total = 0, .rows = 1}, "Found: 0"}}},
        {"a run over an empty list leaves the line blank", {{RunEnded{.total = 0, .rows = 0}, ""}}},
        {"removing every row empties the line",
         {{RowsCounted{StatusKind::Pending, 1133}, "Found: 1133"}, {RowsRemoved{0, 0}, ""}}},
        {"a stopped run's count follows the rows removed after it",
         {{RunStopped{25}, "Stopped: 25"}, {RowsRemoved{20, 3}, "Stopped: 20"}}},
    });
}

TEST(StatusLine, AnExecuteRunsLineSaysWhatItDidUntilTheInputsChange) {
    expectStories({
        {"the line stays through the simulate run that follows, and goes with the next run",
         {{RowsCounted{StatusKind::Done, 73}, "Done: 73"},
          {RunEnded{.executed = wrote(73, 5), .total = 73, .rows = 6},
           "Done: 73; files 5, failed 0. Ctrl+Z undoes it."},
          {RunStarted{.followsExecute = true}, "="},
          {RowsCounted{StatusKind::Pending, 0}, "="},
          {RunEnded{.total = 0, .rows = 6}, "="},
          {RunStarted{}, "="},
          {RowsCounted{StatusKind::Pending, 4}, "Found: 4"}}},
        {"what the simulate run after it still finds joins the line",
         {{RunEnded{.executed = wrote(1, 1), .total = 1, .rows = 1},
           "Done: 1; files 1, failed 0. Ctrl+Z undoes it."},
          {RunStarted{.followsExecute = true}, "="},
          {RunEnded{.total = 2, .rows = 1}, "Done: 1; files 1, failed 0. Ctrl+Z undoes it. Found: 2"}}},
        {"rows that all failed did nothing, and there is nothing to undo",
         {{RunEnded{.executed = wrote(0, 0, 4), .total = 0, .rows = 4}, "Done: 0; files 0, failed 4."}}},
        {"a run that cannot be undone says so while it goes and after",
         {{NotUndoable{"read-only"}, "No undo: read-only"},
          {RowsCounted{StatusKind::Done, 4}, "="},
          {RunEnded{.executed = ExecuteOutcome{.replaced = 4, .files = 1, .notUndoable = "read-only"}},
           "Done: 4; files 1, failed 0. No undo: read-only"}}},
        {"a stopped execute run says so, and the stop does not hide what it did",
         {{RunEnded{.executed = ExecuteOutcome{.replaced = 2, .files = 1, .stopped = true, .undoable = true},
                    .cancelled = true},
           "Done: 2; files 1, failed 0. Stopped early. Ctrl+Z undoes it."},
          {RunStopped{2}, "="}}},
        {"removing rows changes the inputs: the line counts what is left",
         {{RunEnded{.executed = wrote(5, 2), .total = 5, .rows = 3},
           "Done: 5; files 2, failed 0. Ctrl+Z undoes it."},
          {RowsRemoved{3, 2}, "Found: 3"}}},
        {"a new task empties it",
         {{RunEnded{.executed = wrote(5, 2)}, "Done: 5; files 2, failed 0. Ctrl+Z undoes it."},
          {NewTask{}, ""}}},
    });
}

TEST(StatusLine, WhatAnUndoDidWaitsForTheSimulateRunAfterIt) {
    expectStories({
        {"it shows when the simulate run after it ends",
         {{UndoEnded{"Undone: 2"}, "="},
          {RowsCounted{StatusKind::Pending, 5}, "Found: 5"},
          {RunEnded{.total = 5, .rows = 1}, "Undone: 2"},
          {RunEnded{.total = 5, .rows = 1}, "Found: 5"}}},
        {"a stopped run drops it and says what it found",
         {{UndoEnded{"Undone: 2"}, "="},
          {RunEnded{.cancelled = true, .total = 1}, "="},
          {RunStopped{1}, "Stopped: 1"},
          {RunEnded{.total = 1, .rows = 1}, "Found: 1"}}},
        {"a run stopped before it ended keeps it for the next",
         {{UndoEnded{"Undone: 2"}, "="},
          {RunStopped{0}, "Stopped: 0"},
          {RunEnded{.total = 0, .rows = 1}, "Undone: 2"}}},
        {"an undo with nothing to say drops an earlier one's text",
         {{UndoEnded{"Undone: 2"}, "="}, {UndoEnded{""}, "="}, {RunEnded{.rows = 1}, "Found: 0"}}},
        {"a new task empties the line and drops it",
         {{RowsCounted{StatusKind::Pending, 2}, "Found: 2"},
          {UndoEnded{"Undone: 1"}, "="},
          {NewTask{}, ""},
          {RunEnded{}, ""}}},
    });
}

TEST(StatusLine, AnExecuteRunsOutcomeLeavesFailedRowsOut) {
    const auto row = [](std::int64_t count, std::string failure = {}) {
        RowResult row;
        row.count = count;
        row.failure = std::move(failure);
        return row;
    };
    RunResult result;
    result.rows = {row(3), row(0), row(4, "cannot write"), row(2)};
    result.keptForUndo = true;
    const ExecuteOutcome outcome = executeOutcome(result);
    EXPECT_EQ(std::tuple(outcome.replaced, outcome.files, outcome.failed, outcome.undoable),
              std::tuple(5, 2, 1, true));

    result.rows = {row(4, "refused")};
    EXPECT_FALSE(executeOutcome(result).undoable) << "a run that changed nothing has nothing to undo";
}

// A language switch tells again what the line says, from what it holds, not from the text shown.
TEST(StatusLine, LanguageSwitchTellsTheSameThingAgain) {
    expectStories({
        {"counts", {{RowsCounted{StatusKind::Pending, 3}, "Found: 3"}, {LanguageChanged{3, 1}, "Found: 3"}}},
        {"a stopped run", {{RunStopped{5}, "Stopped: 5"}, {LanguageChanged{5, 2}, "Stopped: 5"}}},
        {"what an execute run did, and what is left after it",
         {{RunEnded{.executed = wrote(1, 1), .total = 1, .rows = 1},
           "Done: 1; files 1, failed 0. Ctrl+Z undoes it."},
          {LanguageChanged{1, 1}, "Done: 1; files 1, failed 0. Ctrl+Z undoes it."},
          {RunStarted{.followsExecute = true}, "="},
          {RunEnded{.total = 2, .rows = 1}, "Done: 1; files 1, failed 0. Ctrl+Z undoes it. Found: 2"},
          {LanguageChanged{2, 1}, "Done: 1; files 1, failed 0. Ctrl+Z undoes it. Found: 2"}}},
        {"a run that cannot be undone",
         {{NotUndoable{"read-only"}, "No undo: read-only"}, {LanguageChanged{0, 1}, "No undo: read-only"}}},
        {"a blank line stays blank", {{NewTask{}, ""}, {LanguageChanged{0, 0}, "="}}},
        {"what an undo did stays",
         {{UndoEnded{"Undone"}, "="},
          {RunEnded{.total = 2, .rows = 1}, "Undone"},
          {LanguageChanged{2, 1}, "="}}},
    });
}

} // namespace
} // namespace morvane
