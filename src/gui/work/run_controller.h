#pragma once

#include "core/run/run.h"
#include "gui/work/jobs.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace morvane {

// A list row's identity: given once, never reused, so a result finds its row wherever the row went.
using RowId = std::uint64_t;

// One row's result as it reaches the window.
struct RowUpdate {
    RowId id = 0;
    RowResult result;
};

// What a run reads, with the id of each file row in request order.
struct RunInputs {
    RunRequest request;
    std::vector<RowId> ids;
};

enum class RunPhase { Idle, Simulating, Executing };

// Owns the runs of the window: runs the replacement off the user-interface thread and hands its progress and
// rows back on it, in batches a window can apply without stalling. A simulate run asked for while another
// simulate run goes supersedes it: the old one is cancelled and nothing more of it arrives. While an execute
// run goes no other run starts; the simulate run that shows what is left follows when it ends.
class RunController : public QObject {
    Q_OBJECT

public:
    // Reads the lists as they are at the moment a run starts.
    using Snapshot = std::function<RunInputs(bool execute)>;
    // The run itself; tests put one in that waits for them.
    using Runner = std::function<RunResult(const RunRequest&, RunObserver*, const std::atomic<bool>*)>;

    explicit RunController(Snapshot snapshot, Runner runner = defaultRunner(), QObject* parent = nullptr);
    // Cancels whatever runs and waits for it: a run never leaves a file half done, so this is short.
    ~RunController() override;

    RunPhase phase() const { return phase_; }

    void simulate();
    // The execute run, then a simulate run; nothing while an execute run goes.
    void execute();
    // Ends the run that goes between two files and drops the simulate run that would follow.
    void stop();

    static Runner defaultRunner();

signals:
    // A run starts on the lists as the snapshot just read them; nothing of it has arrived yet.
    // `followsExecute`: the simulate run that an execute run's end started, to show what is left.
    void started(bool followsExecute);
    void phaseChanged(morvane::RunPhase phase);
    void progressed(int percent);
    // Before an execute run changes anything, when it is known that it cannot be undone.
    void notUndoable(const std::string& reason);
    // Rows in list order, with the status line as it stands after the last of them.
    void rowsDone(const std::vector<morvane::RowUpdate>& rows, std::optional<morvane::StatusKind> status);
    // A run that was not superseded or stopped ended.
    void finished(const morvane::RunResult& result, bool executed);
    void stopped();

private:
    class PostingObserver;

    void start(bool execute, bool followsExecute = false);
    void runEnded(const RunResult& result);
    void cancelActive();
    void setPhase(RunPhase phase);

    Snapshot snapshot_;
    Runner runner_;
    RunPhase phase_ = RunPhase::Idle;
    bool simulateAfterExecute_ = false;
    Job active_; // a superseded run is cancelled: nothing more of it arrives
    JobSynchronizer jobs_{this};
};

} // namespace morvane
