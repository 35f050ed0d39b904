#pragma once

#include "core/app/status_line.h"
#include "gui/lists/file_list_model.h"
#include "gui/work/run_controller.h"

#include <QFont>
#include <QObject>
#include <optional>
#include <vector>

class QLabel;

namespace morvane {

class ProgressPicture;

// What the window shows of the runs as they go: each row's count and why it failed, the progress bar and the
// status line over it. The status line also tells of what else happens to the lists (rows removed, an undo, a
// new task).
class RunStatusView : public QObject {
public:
    RunStatusView(RunController& runs, FileListModel& files, ProgressPicture& bar, QLabel& line,
                  MessageLookup text, QObject& owner);

    void show(const StatusEvent& event);
    // After a language switch: the line says what it said in the new language.
    void retell() { show(status_event::LanguageChanged{files_.total(), files_.size()}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitLine();
    void runStarted(bool followsExecute);
    void applyRows(const std::vector<RowUpdate>& rows, std::optional<StatusKind> status);
    void runEnded(const RunResult& result, bool executed);
    void rowsRemoved();

    FileListModel& files_;
    QLabel& line_;
    QFont lineFont_;
    StatusLine status_;
    int rowsBeforeReset_ = 0;
};

} // namespace morvane
