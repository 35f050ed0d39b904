#include "gui/window/run_status_view.h"

#include "gui/widgets/progress_view.h"
#include "gui/widgets/qt_text.h"

#include <QLabel>

namespace morvane {

RunStatusView::RunStatusView(RunController& runs, FileListModel& files, ProgressPicture& bar, QLabel& line,
                             MessageLookup text, QObject& owner)
    : QObject(&owner), files_(files), line_(line), status_(std::move(text)) {
    // Every row counts 0 until the run reaches it.
    connect(&runs, &RunController::started, this, [this] { files_.resetCounts(); });
    connect(&runs, &RunController::progressed, this,
            [&bar](int percent) { bar.drawProgress(percent, kProgressColour); });
    connect(&runs, &RunController::rowsDone, this, &RunStatusView::applyRows);
    connect(&runs, &RunController::finished, this, &RunStatusView::runEnded);
    connect(&runs, &RunController::stopped, this, [this] { show(status_event::RunStopped{files_.total()}); });
    connect(&runs, &RunController::notUndoable, this,
            [this](const std::string& reason) { show(status_event::NotUndoable{reason}); });
}

void RunStatusView::show(const StatusEvent& event) {
    if (const std::optional<std::string> text = status_.handle(event)) {
        line_.setText(toQString(*text));
    }
}

// The status line shows the sum of the rows there are: a row removed during the run takes its count along.
void RunStatusView::applyRows(const std::vector<RowUpdate>& rows, std::optional<StatusKind> status) {
    files_.apply(rows);
    if (status) {
        show(status_event::RowsCounted{*status, files_.total()});
    }
}

void RunStatusView::runEnded(const RunResult& result, bool executed) {
    show(status_event::RunEnded{.executed = executed,
                                .cancelled = result.cancelled,
                                .countsHeldBack = result.status && !result.notUndoable.empty(),
                                .total = files_.total()});
}

} // namespace morvane
