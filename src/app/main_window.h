#pragma once

#include "app/dialogs.h"
#include "config/settings.h"
#include "engine/run.h"
#include "engine/run_controller.h"
#include "tasks/rep_task.h"

#include <QMainWindow>
#include <array>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;

namespace morvane {

class ProgressPicture;

// The main window: the application. It owns the working lists and wires the controls to the functions that
// hold the rules; the rules themselves live in the core.
class MainWindow : public QMainWindow {
  public:
    // The application folder holds the settings, the saved tasks and the language file.
    MainWindow(std::string appFolder, Dialogs& dialogs, QWidget* parent = nullptr);

    // A run over the lists as they are now; a simulate run while an execute run goes follows it.
    void ErsetzenSimulieren(bool ausfuehren);
    // The execute run, then the simulate run that shows what is left.
    void ReplaceIt();

    void SpracheAusgewaehlt(int index);

    bool executing() const { return executing_; }
    const std::string& savedTasksPath() const { return savedTasksPath_; }
    const Settings& settings() const { return settings_; }
    const SavedReps& savedReps() const { return savedReps_; }

  private:
    void buildControls();
    void buildMenus();
    void startUp();

    void SettingsEinstellen();
    void SpracheEinstellen();
    QString message(std::string_view key) const;

    RunRequest snapshot(bool ausfuehren) const;
    void applyRows(const std::vector<RowUpdate>& rows, std::int64_t total, std::optional<StatusKind> status);
    void runFinished(const RunResult& result);
    void showStatus(StatusKind kind, std::int64_t total);
    void reportFailures(const RunResult& result);
    void setRunActionsEnabled(bool enabled);

    std::string appFolder_;
    Dialogs& dialogs_;
    std::string savedTasksPath_;
    Settings settings_;
    SavedReps savedReps_;

    QTreeWidget* lvCurrentFindReplace_ = nullptr;
    QTreeWidget* lvFiles_ = nullptr;
    ProgressPicture* picProgress_ = nullptr;
    QLabel* statusLabel_ = nullptr; // Label(4)
    QAction* mnuSimulate_ = nullptr;
    QAction* mnuReplace_ = nullptr;
    std::array<QAction*, 2> mnuLanguage_{};

    RunController runs_;
    bool executing_ = false;
    bool runningExecute_ = false;
    bool simulateAfterExecute_ = false;
};

} // namespace morvane
