#include "core/state/task_actions.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

RepTask task(std::string name) {
    return RepTask{std::move(name), {"/f"}, {"a"}, {"b"}};
}

// Taking a delete back gives every task its number again, unless a task took that number meanwhile.
TEST(RestoreTasks, BackUnderTheirNumbersOrAtTheEnd) {
    SavedReps reps{RepTask{}, task("one"), task("two"), task("three")};
    const std::vector<DeletedTask> gone = deleteTasksKeeping(reps, {3, 1, 9});
    EXPECT_EQ(gone, (std::vector<DeletedTask>{{3, task("three")}, {1, task("one")}}));
    EXPECT_EQ(reps[1].name, "");
    EXPECT_TRUE(deleteTasksKeeping(reps, {1}).empty()) << "a task goes once";

    reps[1] = task("taken meanwhile");
    EXPECT_EQ(restoreTasks(reps, gone), (std::vector<std::size_t>{3, 4}));
    EXPECT_EQ(reps, (SavedReps{RepTask{}, task("taken meanwhile"), task("two"), task("three"), task("one")}));
    EXPECT_TRUE(deleteTasksKeeping(reps, {0}).empty()) << "entry 0 never holds a task";
}

} // namespace
} // namespace morvane
