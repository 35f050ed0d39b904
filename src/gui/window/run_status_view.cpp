#include "gui/window/run_status_view.h"

#include "gui/widgets/progress_view.h"
#include "gui/widgets/qt_text.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>

namespace morvane {

namespace {

// The smallest font the line shrinks to, and the steps it takes on the way there.
constexpr qreal kSmallestPoints = 6.5;
constexpr qreal kPointStep = 0.5;

} // namespace

RunStatusView::RunStatusView(RunController& runs, FileListModel& files, ProgressPicture& bar, QLabel& line,
                             MessageLookup text, QObject& owner)
    : QObject(&owner), files_(files), line_(line), lineFont_(line.font()), status_(std::move(text)) {
    line_.installEventFilter(this);
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
        line_.setToolTip(line_.text());
        fitLine();
    }
}

bool RunStatusView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &line_ && event->type() == QEvent::Resize) {
        fitLine();
    }
    return QObject::eventFilter(watched, event);
}

// What an execute run did takes more than the bar's one line holds at the window's first size: a text too
// long for one line takes two, in a font as much smaller as that needs, down to a size still legible.
void RunStatusView::fitLine() {
    const QString text = line_.text();
    const QRect room = line_.contentsRect();
    QFont font = lineFont_;
    const bool oneLine = QFontMetrics(font).horizontalAdvance(text) <= room.width();
    if (!oneLine && font.pointSizeF() > 0) {
        for (qreal points = font.pointSizeF(); points >= kSmallestPoints; points -= kPointStep) {
            font.setPointSizeF(points);
            if (QFontMetrics(font).boundingRect(room, Qt::TextWordWrap, text).height() <= room.height()) {
                break;
            }
        }
    }
    line_.setWordWrap(!oneLine);
    line_.setFont(font);
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
