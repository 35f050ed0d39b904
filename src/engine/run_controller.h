#pragma once

#include "engine/run.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace morvane {

// One row's result as it reaches the window.
struct RowUpdate {
    std::size_t row = 0;
    RowResult result;
};

// Runs the replacement off the user-interface thread and hands its progress and rows back on it, in
// batches a window can apply without stalling. A new run supersedes the one going: the old one is cancelled
// and nothing more of it arrives. The caller decides what may run when (see MainWindow).
class RunController : public QObject {
    Q_OBJECT

public:
    explicit RunController(QObject* parent = nullptr);
    // Cancels whatever runs and waits for it: a run never leaves a file half done, so this is short.
    ~RunController() override;

    void start(RunRequest request);
    // Whether a run started here has not finished yet.
    bool running() const { return active_ != nullptr; }

signals:
    void progressed(int percent);
    // Rows in list order, with the total and the status line as they stand after the last of them.
    void rowsDone(const std::vector<RowUpdate>& rows, std::int64_t total, std::optional<StatusKind> status);
    void finished(const RunResult& result);

private:
    struct Active {
        std::uint64_t generation;
        std::shared_ptr<std::atomic<bool>> cancel;
    };
    class PostingObserver;

    void cancelActive();
    // Runs on the user-interface thread; drops what belongs to a superseded run.
    bool isCurrent(std::uint64_t generation) const { return active_ && active_->generation == generation; }

    std::uint64_t nextGeneration_ = 1;
    std::unique_ptr<Active> active_;
    std::vector<QPointer<QThread>> threads_;
};

} // namespace morvane
