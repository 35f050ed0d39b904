#include "gui/work/jobs.h"
#include "support/event_wait.h"

#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace morvane;
using morvane::testing::waitUntil;

namespace {

// Work that posts `posts` numbers and then waits for its stop flag, counting whether it saw it.
struct Waiting {
    std::shared_ptr<std::atomic<bool>> sawStop = std::make_shared<std::atomic<bool>>(false);
    int posts = 0;

    auto work(std::vector<int>& delivered) const {
        return [sawStop = sawStop, posts = posts, &delivered](const JobContext& job) {
            for (int i = 0; i < posts; ++i) {
                job.post([i, &delivered] { delivered.push_back(i); });
            }
            while (!job.stopFlag()->load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sawStop->store(true);
            return -1;
        };
    }
};

TEST(Jobs, the_result_and_what_the_work_posts_arrive_in_order_on_the_owners_thread) {
    QObject owner;
    JobSynchronizer jobs(&owner);
    std::vector<int> delivered;
    QThread* doneOn = nullptr;
    jobs.start(
        [&delivered](const JobContext& job) {
            job.post([&delivered] { delivered.push_back(1); });
            job.post([&delivered] { delivered.push_back(2); });
            return 3;
        },
        [&](int result) {
            delivered.push_back(result);
            doneOn = QThread::currentThread();
        });
    ASSERT_TRUE(waitUntil([&] { return delivered.size() == 3; }));
    EXPECT_EQ(delivered, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(doneOn, owner.thread());
}

// A stopped job still reports; a cancelled one reports nothing more, not even what it posted before; and the
// synchronizer cancels and waits for every job when it goes.
TEST(Jobs, a_stopped_job_still_reports_and_a_cancelled_one_or_one_left_running_reports_nothing_more) {
    QObject owner;
    std::vector<int> stoppedDelivered;
    std::vector<int> cancelledDelivered;
    Waiting stopped;
    Waiting cancelled{.posts = 2};
    Waiting left;
    {
        JobSynchronizer jobs(&owner);
        Job stopJob =
            jobs.start(stopped.work(stoppedDelivered), [&](int r) { stoppedDelivered.push_back(r); });
        Job cancelJob =
            jobs.start(cancelled.work(cancelledDelivered), [&](int r) { cancelledDelivered.push_back(r); });
        jobs.start(left.work(cancelledDelivered), [&](int r) { cancelledDelivered.push_back(r); });
        EXPECT_FALSE(stopJob == cancelJob);
        cancelJob.cancel(); // before the event loop turns: what it posted is still queued
        stopJob.stop();
        ASSERT_TRUE(waitUntil([&] { return !stoppedDelivered.empty() && cancelled.sawStop->load(); }));
    }
    EXPECT_TRUE(left.sawStop->load());
    QCoreApplication::processEvents();
    EXPECT_EQ(stoppedDelivered, std::vector<int>{-1});
    EXPECT_TRUE(cancelledDelivered.empty());
}

} // namespace
