#pragma once

#include "gui/work/run_controller.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace morvane::testing {

// A run that stands in for the real one and waits, before the file at `gateAt`, until the test opens the
// gate or the run is cancelled: the test decides when a run moves on. Each file counts its position plus
// one. The real run checks its cancel flag between two files in the same way.
class GatedRunner {
public:
    explicit GatedRunner(std::size_t gateAt = 0) : state_(std::make_shared<State>()) {
        state_->gateAt = gateAt;
    }

    RunController::Runner runner() const {
        return [state = state_](const RunRequest& request, RunObserver* observer,
                                const std::atomic<bool>* cancel) {
            {
                const std::lock_guard lock(state->mutex);
                state->started.push_back(request);
            }
            RunResult result;
            for (std::size_t i = 0; i < request.files.size(); ++i) {
                if (i == state->gateAt) {
                    std::unique_lock lock(state->mutex);
                    state->waiting = true;
                    while (!state->open && !cancel->load()) {
                        state->changed.wait_for(lock, std::chrono::milliseconds(1));
                    }
                    state->waiting = false;
                }
                if (cancel->load()) {
                    result.cancelled = true;
                    break;
                }
                RowResult row;
                row.count = static_cast<std::int64_t>(i + 1);
                row.path = request.files[i];
                result.total += row.count;
                result.rows.push_back(row);
                result.status = request.execute ? StatusKind::Done : StatusKind::Pending;
                observer->rowDone(i, row, result.total, result.status);
            }
            return result;
        };
    }

    void open() {
        const std::lock_guard lock(state_->mutex);
        state_->open = true;
        state_->changed.notify_all();
    }
    bool waiting() const {
        const std::lock_guard lock(state_->mutex);
        return state_->waiting;
    }
    std::vector<RunRequest> started() const {
        const std::lock_guard lock(state_->mutex);
        return state_->started;
    }

private:
    struct State {
        mutable std::mutex mutex; // guards every member
        std::condition_variable changed;
        std::size_t gateAt = 0;
        bool open = false;
        bool waiting = false;
        std::vector<RunRequest> started;
    };
    std::shared_ptr<State> state_;
};

} // namespace morvane::testing
