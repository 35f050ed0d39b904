#include "gui/work/jobs.h"

#include <limits>

namespace morvane {

JobSynchronizer::JobSynchronizer(QObject* owner) : owner_(owner) {
    // A cancelled job keeps its thread until it reaches its next step: a new job never queues behind it.
    pool_.setMaxThreadCount(std::numeric_limits<int>::max());
}

JobSynchronizer::~JobSynchronizer() {
    cancelAndWait();
}

void JobSynchronizer::cancelAndWait() {
    for (Tracked& job : jobs_) {
        Job(job.state).cancel();
    }
    for (Tracked& job : jobs_) {
        job.future.waitForFinished();
    }
    jobs_.clear();
}

void JobSynchronizer::track(QFuture<void> future, std::shared_ptr<detail::JobState> state) {
    std::erase_if(jobs_, [](const Tracked& job) { return job.future.isFinished(); });
    jobs_.push_back({std::move(future), std::move(state)});
}

} // namespace morvane
