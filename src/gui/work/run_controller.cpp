#include "gui/work/run_controller.h"

#include <chrono>

namespace morvane {

namespace {

using Clock = std::chrono::steady_clock;
// What a person can see: more redraws only cost the user-interface thread time.
constexpr auto kProgressInterval = std::chrono::milliseconds(33);
constexpr auto kRowBatchInterval = std::chrono::milliseconds(50);

} // namespace

// Collects the run's callbacks on the worker thread and posts them, throttled and batched, to the
// controller's thread, each row named by its id.
class RunController::PostingObserver : public RunObserver {
public:
    PostingObserver(RunController* controller, const JobContext& job, std::vector<RowId> ids)
        : controller_(controller), job_(job), ids_(std::move(ids)) {}

    void progress(int percent) override {
        const auto now = Clock::now();
        if (percent == lastPercent_ || (percent != 100 && now - lastProgress_ < kProgressInterval)) {
            return;
        }
        lastPercent_ = percent;
        lastProgress_ = now;
        post([percent](RunController* c) { emit c->progressed(percent); });
    }

    void notUndoable(const std::string& reason) override {
        post([reason](RunController* c) { emit c->notUndoable(reason); });
    }

    void rowDone(std::size_t row, const RowResult& result, std::int64_t,
                 std::optional<StatusKind> status) override {
        if (row < ids_.size()) {
            batch_.push_back(RowUpdate{ids_[row], result});
        }
        status_ = status;
        if (Clock::now() - lastFlush_ >= kRowBatchInterval) {
            flush();
        }
    }

    // The rows still held go before the result.
    void flush() {
        lastFlush_ = Clock::now();
        if (batch_.empty()) {
            return;
        }
        post([rows = std::move(batch_), status = status_](RunController* c) {
            emit c->rowsDone(rows, status);
        });
        batch_.clear();
    }

private:
    template <class Deliver> void post(Deliver deliver) {
        job_.post([controller = controller_, deliver = std::move(deliver)] { deliver(controller); });
    }

    RunController* controller_;
    const JobContext& job_;
    std::vector<RowId> ids_;
    int lastPercent_ = -1;
    Clock::time_point lastProgress_{};
    Clock::time_point lastFlush_ = Clock::now();
    std::vector<RowUpdate> batch_;
    std::optional<StatusKind> status_;
};

RunController::RunController(Snapshot snapshot, Runner runner, QObject* parent)
    : QObject(parent), snapshot_(std::move(snapshot)), runner_(std::move(runner)) {}

RunController::~RunController() {
    jobs_.cancelAndWait();
}

RunController::Runner RunController::defaultRunner() {
    return [](const RunRequest& request, RunObserver* observer, const std::atomic<bool>* cancel) {
        return runPairs(request, observer, cancel);
    };
}

void RunController::simulate() {
    if (phase_ == RunPhase::Executing) {
        simulateAfterExecute_ = true;
        return;
    }
    start(false);
}

void RunController::execute() {
    if (phase_ == RunPhase::Executing) {
        return;
    }
    simulateAfterExecute_ = true;
    start(true);
}

void RunController::stop() {
    if (!active_) {
        return;
    }
    simulateAfterExecute_ = false;
    if (phase_ == RunPhase::Executing) {
        // The run ends after the file it is writing; until then the lists stay locked, and its end reports.
        active_.stop();
        return;
    }
    cancelActive();
    setPhase(RunPhase::Idle);
    emit stopped();
}

void RunController::start(bool execute, bool followsExecute) {
    cancelActive();
    RunInputs inputs = snapshot_(execute);
    emit started(followsExecute);
    setPhase(execute ? RunPhase::Executing : RunPhase::Simulating);
    active_ = jobs_.start(
        [this, runner = runner_, inputs = std::move(inputs)](const JobContext& job) {
            PostingObserver observer(this, job, inputs.ids);
            RunResult result = runner(inputs.request, &observer, job.stopFlag());
            observer.flush();
            return result;
        },
        [this](const RunResult& result) { runEnded(result); });
}

void RunController::runEnded(const RunResult& result) {
    const bool executed = phase_ == RunPhase::Executing;
    active_ = Job();
    setPhase(RunPhase::Idle);
    emit finished(result, executed);
    if (result.cancelled) {
        emit stopped();
        return;
    }
    if (simulateAfterExecute_) {
        simulateAfterExecute_ = false;
        start(false, executed);
    }
}

void RunController::cancelActive() {
    active_.cancel();
    active_ = Job();
}

void RunController::setPhase(RunPhase phase) {
    if (phase != phase_) {
        phase_ = phase;
        emit phaseChanged(phase);
    }
}

} // namespace morvane
