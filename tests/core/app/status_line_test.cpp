#include "core/app/status_line.h"
#include "core/state/message_keys.h"

#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace morvane {
namespace {

using namespace status_event;

std::string shortText(std::string_view key) {
    static const std::map<std::string_view, std::string> texts{{keys::kReplacementsPending, "Found:"},
                                                               {keys::kReplacementsDone, "Done:"},
                                                               {keys::kRunStopped, "Stopped:"},
                                                               {keys::kNotUndoable, "No undo:"}};
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

TEST(StatusLine, SaysWhatEachStoryOfRunsAndUndoesLeavesOnTheLine) {
    const std::vector<Story> stories{
        {"counts as they come",
         {{RowsCounted{StatusKind::Pending, 3}, "Found: 3"},
          {RowsCounted{StatusKind::Pending, 7}, "Found: 7"},
          {RunEnded{.total = 7}, "="},
          {RowsCounted{StatusKind::Done, 7}, "Done: 7"},
          {RunEnded{.executed = true, .total = 7}, "="}}},
        {"a note that the run cannot be undone holds the counts back until the run ends",
         {{NotUndoable{"the folder is read-only"}, "No undo: the folder is read-only"},
          {RowsCounted{StatusKind::Done, 4}, "="},
          {RunEnded{.executed = true, .countsHeldBack = true, .total = 4}, "Done: 4"},
          {RowsCounted{StatusKind::Pending, 0}, "Found: 0"}}},
        {"an execute run that changed nothing leaves the note",
         {{NotUndoable{"r"}, "No undo: r"}, {RunEnded{.executed = true, .total = 0}, "="}}},
        {"what an undo did shows when the simulate run after it ends",
         {{UndoEnded{"Undone: 2"}, "="},
          {RowsCounted{StatusKind::Pending, 5}, "Found: 5"},
          {RunEnded{.total = 5}, "Undone: 2"},
          {RunEnded{.total = 5}, "="}}},
        {"a stopped run drops what the undo did and says what it found",
         {{UndoEnded{"Undone: 2"}, "="},
          {RunEnded{.cancelled = true, .total = 1}, "="},
          {RunStopped{1}, "Stopped: 1"},
          {RunEnded{.total = 1}, "="}}},
        {"a run stopped before it ended keeps the undo's text for the next",
         {{UndoEnded{"Undone: 2"}, "="}, {RunStopped{0}, "Stopped: 0"}, {RunEnded{.total = 0}, "Undone: 2"}}},
        {"an execute run's end drops what the undo did",
         {{UndoEnded{"Undone: 2"}, "="}, {RunEnded{.executed = true, .total = 0}, "="}, {RunEnded{}, "="}}},
        {"an undo with nothing to say drops an earlier one's text",
         {{UndoEnded{"Undone: 2"}, "="}, {UndoEnded{""}, "="}, {RunEnded{}, "="}}},
        {"a new task empties the line and drops the undo's text",
         {{RowsCounted{StatusKind::Pending, 2}, "Found: 2"},
          {UndoEnded{"Undone: 1"}, "="},
          {NewTask{}, ""},
          {RunEnded{}, "="}}},
    };
    for (const Story& story : stories) {
        StatusLine line(shortText);
        for (std::size_t step = 0; step < story.steps.size(); ++step) {
            const std::optional<std::string> shown = line.handle(story.steps[step].event);
            EXPECT_EQ(shown.value_or("="), story.steps[step].shown) << story.name << ", step " << step;
        }
    }
}

TEST(StatusLine, StateNamesWhatTheLineWaitsFor) {
    StatusLine line(shortText);
    EXPECT_EQ(line.state(), StatusLine::State::Counts);
    line.handle(UndoEnded{"Undone: 1"});
    EXPECT_EQ(line.state(), StatusLine::State::UndoShown);
    line.handle(NotUndoable{"r"});
    EXPECT_EQ(line.state(), StatusLine::State::NotUndoable);
    line.handle(RunEnded{.executed = true});
    EXPECT_EQ(line.state(), StatusLine::State::Counts);
}

} // namespace
} // namespace morvane
