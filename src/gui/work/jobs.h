#pragma once

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

namespace morvane {

namespace detail {

// What a job's work and its owner share. `dropped` is read and written on the owner's thread only.
struct JobState {
    std::atomic<bool> stop{false};
    bool dropped = false;
};

} // namespace detail

// What a job's work sees: the flag that asks it to stop between two steps, and the way back to its owner.
class JobContext {
public:
    explicit JobContext(QObject* owner, std::shared_ptr<detail::JobState> state)
        : owner_(owner), state_(std::move(state)) {}

    const std::atomic<bool>* stopFlag() const { return &state_->stop; }

    // Runs `deliver` on the owner's thread, unless the job was cancelled before it gets there.
    template <class Deliver> void post(Deliver deliver) const {
        QMetaObject::invokeMethod(
            owner_,
            [state = state_, deliver = std::move(deliver)]() mutable {
                if (!state->dropped) {
                    deliver();
                }
            },
            Qt::QueuedConnection);
    }

private:
    QObject* owner_;
    std::shared_ptr<detail::JobState> state_;
};

// A started job as its owner holds it; an empty one stands for no job.
class Job {
public:
    Job() = default;

    explicit operator bool() const { return state_ != nullptr; }
    bool operator==(const Job& other) const { return state_ == other.state_; }

    // Asks the work to stop between two steps; what it reports still arrives.
    void stop() {
        if (state_) {
            state_->stop.store(true);
        }
    }
    // Asks the work to stop and drops whatever it reports from now on.
    void cancel() {
        if (state_) {
            state_->dropped = true;
            state_->stop.store(true);
        }
    }

private:
    friend class JobSynchronizer;
    explicit Job(std::shared_ptr<detail::JobState> state) : state_(std::move(state)) {}

    std::shared_ptr<detail::JobState> state_;
};

// The one way the window runs work off the user-interface thread. It keeps every job it started until the job
// ends; when it goes, it cancels whatever still runs and waits for it, so no work outlives what it reports to
// and the window closes without a freeze: every job checks its stop flag between two steps.
class JobSynchronizer {
public:
    // What jobs post is delivered on `owner`'s thread while `owner` lives.
    explicit JobSynchronizer(QObject* owner);
    ~JobSynchronizer();
    JobSynchronizer(const JobSynchronizer&) = delete;
    JobSynchronizer& operator=(const JobSynchronizer&) = delete;

    // Runs `work(const JobContext&)` off the user-interface thread; `done` gets what it returns on the
    // owner's thread, unless the job was cancelled first.
    template <class Work, class Done> Job start(Work work, Done done) {
        auto state = std::make_shared<detail::JobState>();
        track(QtConcurrent::run(&pool_,
                                [context = JobContext(owner_, state), work = std::move(work),
                                 done = std::move(done)]() mutable {
                                    context.post(
                                        [result = work(std::as_const(context)),
                                         done = std::move(done)]() mutable { done(std::move(result)); });
                                }),
              state);
        return Job(state);
    }

    // Cancels every job that goes and waits for all of them.
    void cancelAndWait();

private:
    struct Tracked {
        QFuture<void> future;
        std::shared_ptr<detail::JobState> state;
    };

    void track(QFuture<void> future, std::shared_ptr<detail::JobState> state);

    QObject* owner_;
    std::vector<Tracked> jobs_;
    QThreadPool pool_;
};

} // namespace morvane
