#pragma once

#include "core/journal/leftovers.h"
#include "core/journal/undo.h"
#include "core/run/run.h"
#include "gui/widgets/message_dialog.h"
#include "gui/window/qt_run_report.h"
#include "gui/work/jobs.h"
#include "gui/work/run_controller.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QWidget;

namespace morvane {

// Undo of the last execute run, from the window: what the menu item offers, the undo itself off the
// user-interface thread, what it reports, and the offer to take back a run found cut short at start-up.
class UndoController : public QObject {
    Q_OBJECT

public:
    // A text of the language file in the current language, or the built-in text when the file has none.
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;
    // Shows the box of what clearing up found and what could not be done; an empty one shows nothing.
    using Report = std::function<void(const ReportBox& box)>;

    // An empty journal folder offers nothing: the window's folder cannot be written.
    UndoController(std::string journalFolder, QAction& action, Dialogs& dialogs, Message message,
                   Report report, QWidget& window);
    bool undoing() const { return undoing_; }

    // What clearing up at start-up found; a run cut short is said once, with the offer to undo what it did.
    void startUp(const std::vector<LeftoverNote>& leftovers);
    // Reads the journals again: after an execute run and after an undo, not at every run.
    void readOffer();
    // The menu offers nothing while a run goes; nothing is undone while an execute run goes.
    void setRunPhase(RunPhase phase);
    // Puts back the newest execute run not yet undone.
    void undo();
    // The menu item names the run it takes back in the window's language.
    void relabel() { refresh(); }

signals:
    // An undo begins; the lists must not change until it ends.
    void started();
    // An undo ended; `status` says what it did, for the status line.
    void finished(const morvane::UndoResult& result, const QString& status);

private:
    void ended(const std::vector<LeftoverNote>& leftovers, const UndoResult& result);
    void refresh();
    // When the run started and how many files it changed, as the menu item and the status line name it.
    QString runName(const JournaledRun& run) const;

    std::string journalFolder_;
    QAction& action_;
    Dialogs& dialogs_;
    Message message_;
    Report report_;
    QWidget& window_;
    std::optional<JournaledRun> offered_; // the newest run the journal holds not yet undone
    RunPhase phase_ = RunPhase::Idle;
    bool undoing_ = false;
    // Waits for an undo that goes at the end: undo has no stop, and it never leaves a file half done.
    JobSynchronizer jobs_{this};
};

} // namespace morvane
