#include "core/state/task_actions.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using Texts = std::vector<std::string>;

WorkingLists lists(Texts finds, Texts replaces, Texts files = {}, bool contents = true) {
    return WorkingLists{std::move(finds), std::move(replaces), std::move(files), contents};
}

TEST(StoreTask, RefusalsLeaveTheTableAsItIs) {
    SavedReps reps = emptySavedReps();
    EXPECT_EQ(storeTask(reps, "n", lists({}, {})), StoreOutcome::NoPairs);
    EXPECT_EQ(storeTask(reps, "n", lists({""}, {""})), StoreOutcome::NoPairs) << "an empty list's column";
    EXPECT_EQ(storeTask(reps, "", lists({"a"}, {"b"})), StoreOutcome::NoName);
    EXPECT_EQ(storeTask(reps, "n", lists({"a\r\n[/Find]"}, {"b"})), StoreOutcome::NotFaithful)
        << "a closing tag after a line break would end the text early on reading";
    EXPECT_EQ(reps, emptySavedReps());
}

TEST(StoreTask, AppendsAsTypedAndNeverOverwrites) {
    SavedReps reps = emptySavedReps();
    reps.emplace_back(); // a deleted task, whose number is not reused
    ASSERT_EQ(storeTask(reps, " Twice ", lists({"a", "", "c"}, {"1", "x"}, {"/f", ""}, false)),
              StoreOutcome::Stored);
    ASSERT_EQ(storeTask(reps, " Twice ", lists({"a"}, {"2"})), StoreOutcome::Stored);
    ASSERT_EQ(reps.size(), 4u);
    EXPECT_EQ(reps[2], (RepTask{" Twice ", {"/f", ""}, {"a", "c"}, {"1", ""}, false, false}))
        << "the pair without a find text goes, the find text without a replacement gets an empty one";
    EXPECT_EQ(reps[3].replacements, Texts{"2"});
}

TEST(StoreTask, OptionsTravelWithTheirPairs) {
    const PairOptions word{.wholeWord = true}, pattern{.pattern = true};
    SavedReps reps = emptySavedReps();
    WorkingLists working = lists({"a", "", "c", "d"}, {"1", "2", "3", "4"});
    working.pairOptions = {word, pattern, pattern, PairOptions{}};
    ASSERT_EQ(storeTask(reps, "n", working), StoreOutcome::Stored);
    EXPECT_EQ(reps[1].pairOptions, (PairOptionsList{word, pattern}))
        << "the pair without a find text takes its options along; plain ones at the end say nothing";
    EXPECT_EQ(loadTask(reps, 1, false).pairOptions, (PairOptionsList{word, pattern}));
}

TEST(LoadTask, ClearsThePairsAndOnlyWhenAskedTheFilesEvenWithoutATask) {
    SavedReps reps = emptySavedReps();
    reps.push_back(RepTask{"Deleted", {"/a"}, {"x"}, {"y"}, false, true});
    reps[1].name.clear();
    for (std::optional<std::size_t> index : {std::optional<std::size_t>(), std::optional<std::size_t>(0),
                                             std::optional<std::size_t>(1), std::optional<std::size_t>(9)}) {
        for (bool addFiles : {false, true}) {
            const TaskLoad load = loadTask(reps, index, addFiles);
            EXPECT_TRUE(load.finds.empty() && load.replaces.empty());
            EXPECT_EQ(load.files, addFiles ? std::optional<Texts>(Texts{}) : std::nullopt);
            EXPECT_FALSE(load.name || load.replaceInContents);
        }
    }
}

TEST(LoadTask, GivesPairsNameModeAndTheFilesWhenAsked) {
    SavedReps reps = emptySavedReps();
    // As a hand-edited file may give it: fewer replacements than finds, empty entries.
    reps.push_back(RepTask{"Hand", {"", "/a", ""}, {"x", "", "y^t"}, {"1"}, true, false});
    const TaskLoad keepFiles = loadTask(reps, 1, false);
    EXPECT_EQ(keepFiles.finds, (Texts{"x", "y^t"}));
    EXPECT_EQ(keepFiles.replaces, (Texts{"1", ""}));
    EXPECT_FALSE(keepFiles.files);
    EXPECT_EQ(keepFiles.name, std::optional<std::string>("Hand"));
    EXPECT_EQ(keepFiles.replaceInContents, std::optional<bool>(false));
    EXPECT_EQ(loadTask(reps, 1, true).files, std::optional<Texts>(Texts{"/a"}));
    reps.push_back(RepTask{"Extra", {}, {"a"}, {"x", "y"}, false, true});
    EXPECT_EQ(loadTask(reps, 2, false).replaces, Texts{"x"}) << "a replacement without a find text goes";
}

} // namespace
} // namespace morvane
