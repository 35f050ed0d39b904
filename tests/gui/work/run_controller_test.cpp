#include "gui/work/run_controller.h"
#include "support/event_wait.h"
#include "support/gated_runner.h"

#include <gtest/gtest.h>

using namespace morvane;
using morvane::testing::GatedRunner;
using morvane::testing::waitUntil;

namespace {

// A controller over two file rows with the ids 7 and 9, recording what it reports.
struct Harness {
    GatedRunner gate;
    RunController controller;
    std::vector<RunPhase> phases;
    std::vector<RowUpdate> rows;
    std::vector<bool> finishedExecuted;
    int stops = 0;

    explicit Harness(std::size_t gateAt = 0)
        : gate(gateAt),
          controller(
              [](bool execute) {
                  return RunInputs{
                      .request = {.finds = {}, .replaces = {}, .files = {"/one", "/two"}, .execute = execute},
                      .ids = {7, 9}};
              },
              gate.runner()) {
        QObject::connect(&controller, &RunController::phaseChanged,
                         [this](RunPhase p) { phases.push_back(p); });
        QObject::connect(&controller, &RunController::rowsDone,
                         [this](const std::vector<RowUpdate>& done, auto) {
                             rows.insert(rows.end(), done.begin(), done.end());
                         });
        QObject::connect(&controller, &RunController::finished,
                         [this](const RunResult&, bool executed) { finishedExecuted.push_back(executed); });
        QObject::connect(&controller, &RunController::stopped, [this] { ++stops; });
    }
    bool idle() const { return controller.phase() == RunPhase::Idle; }
};

TEST(RunController, results_come_back_under_the_ids_of_the_snapshot) {
    Harness h;
    h.gate.open();
    h.controller.simulate();
    ASSERT_TRUE(waitUntil([&] { return h.idle(); }));
    ASSERT_EQ(h.rows.size(), 2u);
    EXPECT_TRUE(h.rows[0].id == 7u && h.rows[1].id == 9u);
    EXPECT_EQ(h.rows[1].result.count, 2);
    EXPECT_EQ(h.phases, (std::vector<RunPhase>{RunPhase::Simulating, RunPhase::Idle}));
}

TEST(RunController, a_simulate_run_supersedes_one_that_goes_and_nothing_of_the_old_one_arrives) {
    Harness h(1);
    h.controller.simulate();
    ASSERT_TRUE(waitUntil([&] { return h.gate.waiting(); }));
    const std::size_t before = h.rows.size(); // a busy machine may have delivered the first file already
    h.controller.simulate();
    ASSERT_TRUE(waitUntil([&] { return h.gate.started().size() == 2; }));
    h.gate.open();
    ASSERT_TRUE(waitUntil([&] { return h.idle(); }));
    EXPECT_EQ(h.rows.size() - before, 2u); // only the second run's rows
    EXPECT_EQ(h.finishedExecuted, std::vector<bool>{false});
}

TEST(RunController, an_execute_run_holds_other_runs_back_and_is_followed_by_one_simulate_run) {
    Harness h;
    h.controller.execute();
    ASSERT_TRUE(waitUntil([&] { return h.gate.waiting(); }));
    h.controller.simulate();
    h.controller.execute();
    h.controller.simulate();
    EXPECT_EQ(h.controller.phase(), RunPhase::Executing);
    EXPECT_EQ(h.gate.started().size(), 1u);
    h.gate.open();
    ASSERT_TRUE(waitUntil([&] { return h.finishedExecuted.size() == 2; }));
    EXPECT_EQ(h.gate.started().size(), 2u);
    EXPECT_EQ(h.finishedExecuted, (std::vector<bool>{true, false}));
    EXPECT_EQ(h.phases, (std::vector<RunPhase>{RunPhase::Executing, RunPhase::Idle, RunPhase::Simulating,
                                               RunPhase::Idle}));
}

TEST(RunController, stopping_an_execute_run_ends_it_after_the_file_it_is_on_and_nothing_follows) {
    Harness h(1);
    h.controller.execute();
    ASSERT_TRUE(waitUntil([&] { return h.gate.waiting(); }));
    h.controller.stop();
    // The lists stay locked until the worker has really stopped.
    EXPECT_EQ(h.controller.phase(), RunPhase::Executing);
    ASSERT_TRUE(waitUntil([&] { return h.stops == 1; }));
    EXPECT_TRUE(h.idle());
    ASSERT_EQ(h.rows.size(), 1u); // the first file was done, the second never begun
    EXPECT_EQ(h.rows[0].id, 7u);
    EXPECT_EQ(h.gate.started().size(), 1u);
}

} // namespace
