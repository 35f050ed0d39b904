#include "gui/window/run_status_view.h"

#include "gui/widgets/progress_view.h"
#include "gui/widgets/qt_text.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

namespace morvane {

RunStatusView::RunStatusView(RunController& runs, FileListModel& files, ProgressPicture& bar, QLabel& line,
                             MessageLookup text, QObject& owner)
    : QObject(&owner), files_(files), line_(line), status_(std::move(text)) {
    files_.setFailedIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
    connect(&runs, &RunController::started, this, &RunStatusView::runStarted);
    connect(&runs, &RunController::progressed, this,
            [&bar](int percent) { bar.drawProgress(percent, kProgressColour); });
    connect(&runs, &RunController::rowsDone, this, &RunStatusView::applyRows);
    connect(&runs, &RunController::finished, this, &RunStatusView::runEnded);
    connect(&runs, &RunController::stopped, this, [this] { show(status_event::RunStopped{files_.total()}); });
    connect(&runs, &RunController::notUndoable, this,
            [this](const std::string& reason) { show(status_event::NotUndoable{reason}); });
    connect(&files_, &QAbstractItemModel::rowsRemoved, this, &RunStatusView::rowsRemoved);
    // Many rows go at once as a reset, and so do new headings, which change no count.
    connect(&files_, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { rowsBeforeReset_ = files_.size(); });
    connect(&files_, &QAbstractItemModel::modelReset, this, [this] {
        if (files_.size() < rowsBeforeReset_) {
            rowsRemoved();
        }
    });
}

void RunStatusView::show(const StatusEvent& event) {
    if (const std::optional<std::string> text = status_.handle(event)) {
        line_.setText(toQString(*text));
    }
}

// Every row counts 0 until the run reaches it. The rows that an execute run failed on keep saying why
// through the simulate run that follows it.
void RunStatusView::runStarted(bool followsExecute) {
    files_.resetCounts();
    if (!followsExecute) {
        files_.clearFailures();
    }
    show(status_event::RunStarted{followsExecute});
}

// The status line shows the sum of the rows there are: a row removed during the run takes its count along.
void RunStatusView::applyRows(const std::vector<RowUpdate>& rows, std::optional<StatusKind> status) {
    files_.apply(rows);
    if (status) {
        show(status_event::RowsCounted{*status, files_.total()});
    }
}

void RunStatusView::runEnded(const RunResult& result, bool executed) {
    show(status_event::RunEnded{.executed = executed ? std::optional(executeOutcome(result)) : std::nullopt,
                                .cancelled = result.cancelled,
                                .total = files_.total(),
                                .rows = files_.size()});
}

void RunStatusView::rowsRemoved() {
    show(status_event::RowsRemoved{files_.total(), files_.size()});
}

} // namespace morvane
