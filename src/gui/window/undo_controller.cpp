#include "gui/window/undo_controller.h"

#include "core/app/message_catalogue.h"
#include "core/app/program_version.h"
#include "core/app/reports.h"
#include "core/state/message_keys.h"
#include "gui/widgets/qt_text.h"
#include "gui/window/qt_run_report.h"

#include <QAction>
#include <QDateTime>
#include <QWidget>
#include <algorithm>

namespace morvane {

namespace {

struct UndoOutcome {
    std::vector<LeftoverNote> leftovers;
    UndoResult result;
};

} // namespace

UndoController::UndoController(std::string journalFolder, QAction& action, Dialogs& dialogs, Message message,
                               Report report, QWidget& window)
    : QObject(&window), journalFolder_(std::move(journalFolder)), action_(action), dialogs_(dialogs),
      message_(std::move(message)), report_(std::move(report)), window_(window) {}

void UndoController::startUp(const std::vector<LeftoverNote>& leftovers) {
    readOffer();
    const bool cutShort = std::any_of(leftovers.begin(), leftovers.end(), [](const LeftoverNote& note) {
        return note.action == LeftoverAction::RunInterrupted;
    });
    if (!cutShort || !offered_) {
        report_(reportBox(leftovers, {}, {}, message_));
        return;
    }
    const QString question = QStringLiteral("\n") + message_(keys::kUndoInterruptedRun,
                                                             builtInText(keys::kUndoInterruptedRun).c_str());
    if (dialogs_.ask(&window_, toQString(kApplicationTitle), runReport(leftovers, {}, message_, question))) {
        undo();
    }
}

// Reading the journals costs as much as the runs they record, so they are read only when what undo offers can
// have changed.
void UndoController::readOffer() {
    const std::vector<JournaledRun> runs =
        journalFolder_.empty() ? std::vector<JournaledRun>{} : listRuns(journalFolder_);
    const auto newest =
        std::find_if(runs.begin(), runs.end(), [](const JournaledRun& run) { return !run.undone; });
    offered_ = newest == runs.end() ? std::nullopt : std::optional<JournaledRun>(*newest);
    refresh();
}

void UndoController::setRunPhase(RunPhase phase) {
    phase_ = phase;
    refresh();
}

void UndoController::refresh() {
    action_.setEnabled(offered_ && phase_ == RunPhase::Idle && !undoing());
    const QString caption = message_(keys::kMenuUndo, builtInText(keys::kMenuUndo).c_str());
    action_.setText(offered_ ? QStringLiteral("%1 (%2)").arg(caption, runName(*offered_)) : caption);
}

// A run of today is named by its time alone.
QString UndoController::runName(const JournaledRun& run) const {
    const QDateTime started = QDateTime::fromMSecsSinceEpoch(run.startedNanoseconds / 1'000'000);
    const QString format = started.date() == QDate::currentDate() ? QStringLiteral("HH:mm:ss")
                                                                  : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return message_(keys::kUndoRun, builtInText(keys::kUndoRun).c_str())
        .arg(started.toString(format))
        .arg(static_cast<qulonglong>(run.changed));
}

// A simulate run only reads: the one the window starts at start-up does not keep a run cut short from going
// back.
void UndoController::undo() {
    if (!offered_ || phase_ == RunPhase::Executing || undoing()) {
        return;
    }
    // Undoing a large run reads and writes as much as the run did: the window stays alive meanwhile.
    undoing_ = true;
    jobs_.start(
        [journalFolder = journalFolder_](const JobContext&) {
            // A run cut short since the start is cleared up and closed first, so that undo can take back the
            // part it did.
            std::vector<LeftoverNote> leftovers = clearLeftovers(journalFolder, {});
            return UndoOutcome{std::move(leftovers), undoNewestRun(journalFolder)};
        },
        [this](const UndoOutcome& outcome) { ended(outcome.leftovers, outcome.result); });
    refresh();
    emit started();
}

void UndoController::ended(const std::vector<LeftoverNote>& leftovers, const UndoResult& result) {
    undoing_ = false;
    const MessageLookup text = [this](std::string_view key) {
        return fromQString(message_(key, builtInText(key).c_str()));
    };
    std::vector<RunFailure> left;
    for (ReportLine& line : undoLeftLines(result, text)) {
        left.push_back({.path = std::move(line.path), .reason = std::move(line.text)});
    }
    report_(reportBox(leftovers, left,
                      result.failure.empty()
                          ? QString()
                          : message_(keys::kUndoFailed, builtInText(keys::kUndoFailed).c_str()) +
                                QLatin1Char(' ') + toQString(result.failure),
                      message_));
    // A run not undone yet stays offered: the next undo finishes the rest.
    const QString status = !result.found ? QString()
                           : result.run.undone
                               ? message_(keys::kUndoDone, builtInText(keys::kUndoDone).c_str())
                                     .arg(result.restored)
                                     .arg(static_cast<qulonglong>(result.left.size()))
                               : message_(keys::kUndoUnfinished, builtInText(keys::kUndoUnfinished).c_str())
                                     .arg(result.restored)
                                     .arg(static_cast<qulonglong>(result.left.size()));
    readOffer();
    emit finished(result,
                  status.isEmpty() ? status : QStringLiteral("%1 (%2)").arg(status, runName(result.run)));
}

} // namespace morvane
