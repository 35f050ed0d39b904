#pragma once

#include "app/message_dialog.h"
#include "config/settings.h"
#include "engine/run.h"
#include "engine/run_controller.h"
#include "lists/key_rules.h"
#include "tasks/app_folder.h"
#include "tasks/rep_task.h"
#include "tasks/saved_task_store.h"
#include "tasks/task_actions.h"
#include "ui/form_layout.h"
#include "ui/image_button_view.h"
#include "ui/qt_shell.h"

#include <QMainWindow>
#include <array>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTreeWidget;

namespace morvane {

class FileListView;
class KeyedListView;
class PairListEditor;
class ProgressPicture;
class ReplaceModeOption;
class AboutDialog;

// The main window: the application. It owns the working lists and wires the controls to the functions that
// hold the rules; the rules themselves live in the core and in the list classes.
class MainWindow : public QMainWindow {
public:
    // Whether the settings and saved tasks can be kept in the application folder; asked once, at start-up.
    using AppFolderCheck = StateFilesWritable (*)(const std::string& appFolder);

    // The application folder holds the settings, the saved tasks and the language file.
    MainWindow(std::string appFolder, Dialogs& dialogs, Shell& shell,
               AppFolderCheck appFolderCheck = stateFilesWritable, QWidget* parent = nullptr);

    // A run over the lists as they are now; a simulate run asked for while an execute run goes follows it.
    void ErsetzenSimulieren(bool ausfuehren);
    // The execute run, then the simulate run that shows what is left.
    void ReplaceIt();

    void SpracheAusgewaehlt(int index);

    // Stores the working lists as a new task and saves the table.
    void AddToTaskList();
    // Loads the selected task into the working lists and simulates.
    void lvCurrentTaskBearbeiten();
    void MenuNeu();

    bool executing() const { return executing_; }
    bool running() const { return runs_.running(); }
    const std::string& savedTasksPath() const { return tasks_.path(); }
    PairListEditor& pairEditor() { return *pairEditor_; }
    AboutDialog& about() { return *about_; }
    const Skin& skin() const { return skin_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildSkin();
    void connectLists();
    void startUp(AppFolderCheck appFolderCheck);
    void reportReadOnlyStateFiles();
    void reportKeptAside(const std::string& keptAside);
    void showTakenIn(const SavedTaskStore::Sync& sync);

    void SettingsEinstellen();
    void SpracheEinstellen();
    void ListenColumnsEinstellen();
    void FormResize();
    void applyLayout();
    QString message(std::string_view key) const;
    QString message(std::string_view key, const char* builtIn) const;

    void dropFiles(const QStringList& paths);
    void onFileListKey(KeyStroke key);
    void onModeChanged(bool replaceInContents);
    void onSavedTaskKey(KeyStroke key);
    void saveSettings();
    void saveTasks();
    WorkingLists workingLists() const;
    void setPairs(const std::vector<std::string>& finds, const std::vector<std::string>& replaces);
    void setFiles(const std::vector<std::string>& paths);

    RunRequest snapshot(bool ausfuehren) const;
    void applyRows(const std::vector<RowUpdate>& rows, std::int64_t total, std::optional<StatusKind> status);
    void runFinished(const RunResult& result);
    void showStatus(StatusKind kind, std::int64_t total);
    void reportFailures(const RunResult& result);
    void setInputsEnabled(bool enabled);

    std::string appFolder_;
    Dialogs& dialogs_;
    Shell& shell_;
    SavedTaskStore tasks_;
    StateFilesWritable writable_;
    Settings settings_;

    QStackedWidget* pages_ = nullptr;
    QWidget* frameHaupt_ = nullptr;
    KeyedListView* lvCurrentFindReplace_ = nullptr;
    FileListView* lvFiles_ = nullptr;
    KeyedListView* lvSavedReps_ = nullptr;
    QLineEdit* txtTaskName_ = nullptr;
    PairListEditor* pairEditor_ = nullptr;
    ReplaceModeOption* replaceMode_ = nullptr;
    ProgressPicture* picProgress_ = nullptr;
    QLabel* statusLabel_ = nullptr; // Label(4)
    QAction* mnuSimulate_ = nullptr;
    QAction* mnuReplace_ = nullptr;
    std::array<QAction*, 2> mnuLanguage_{};
    std::vector<QWidget*> inputs_; // what changes the lists; disabled while an execute run goes

    Skin skin_;
    AboutDialog* about_ = nullptr;
    FormLayout layout_ = designFormLayout();
    std::vector<std::pair<FormControl, QWidget*>> placed_;

    RunController runs_;
    bool executing_ = false;
    bool runningExecute_ = false;
    bool simulateAfterExecute_ = false;
};

} // namespace morvane
