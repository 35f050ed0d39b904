#include "engine/run_controller.h"

#include <chrono>

namespace morvane {

namespace {

using Clock = std::chrono::steady_clock;
// What a person can see: more redraws only cost the user-interface thread time.
constexpr auto kProgressInterval = std::chrono::milliseconds(33);
constexpr auto kRowBatchInterval = std::chrono::milliseconds(50);

} // namespace

// Collects the run's callbacks on the worker thread and posts them, throttled and batched, to the
// controller's thread.
class RunController::PostingObserver : public RunObserver {
public:
    PostingObserver(RunController* controller, std::uint64_t generation)
        : controller_(controller), generation_(generation) {}

    void progress(int percent) override {
        const auto now = Clock::now();
        if (percent == lastPercent_ || (percent != 100 && now - lastProgress_ < kProgressInterval)) {
            return;
        }
        lastPercent_ = percent;
        lastProgress_ = now;
        post([percent](RunController* c) { emit c->progressed(percent); });
    }

    void rowDone(std::size_t row, const RowResult& result, std::int64_t total,
                 std::optional<StatusKind> status) override {
        batch_.push_back(RowUpdate{row, result});
        total_ = total;
        status_ = status;
        if (Clock::now() - lastFlush_ >= kRowBatchInterval) {
            flush();
        }
    }

    void finish(RunResult result) {
        flush();
        post([result = std::move(result)](RunController* c) {
            c->active_.reset();
            emit c->finished(result);
        });
    }

private:
    void flush() {
        lastFlush_ = Clock::now();
        if (batch_.empty()) {
            return;
        }
        post([rows = std::move(batch_), total = total_, status = status_](RunController* c) {
            emit c->rowsDone(rows, total, status);
        });
        batch_.clear();
    }

    template <class Deliver> void post(Deliver deliver) {
        QMetaObject::invokeMethod(
            controller_,
            [controller = controller_, generation = generation_, deliver = std::move(deliver)] {
                if (controller->isCurrent(generation)) {
                    deliver(controller);
                }
            },
            Qt::QueuedConnection);
    }

    RunController* controller_;
    std::uint64_t generation_;
    int lastPercent_ = -1;
    Clock::time_point lastProgress_{};
    Clock::time_point lastFlush_ = Clock::now();
    std::vector<RowUpdate> batch_;
    std::int64_t total_ = 0;
    std::optional<StatusKind> status_;
};

RunController::RunController(QObject* parent) : QObject(parent) {}

RunController::~RunController() {
    cancelActive();
    for (const QPointer<QThread>& thread : threads_) {
        if (thread) {
            thread->wait();
        }
    }
}

void RunController::cancelActive() {
    if (active_) {
        active_->cancel->store(true);
        active_.reset();
    }
}

void RunController::start(RunRequest request) {
    cancelActive();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    const std::uint64_t generation = nextGeneration_++;
    active_ = std::make_unique<Active>(Active{generation, cancel});
    QThread* thread = QThread::create([this, generation, cancel, request = std::move(request)] {
        PostingObserver observer(this, generation);
        observer.finish(ErsetzenSimulieren(request, &observer, cancel.get()));
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    std::erase_if(threads_, [](const QPointer<QThread>& t) { return t.isNull(); });
    threads_.emplace_back(thread);
    thread->start();
}

} // namespace morvane
