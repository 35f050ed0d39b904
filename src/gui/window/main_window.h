#pragma once

#include "core/state/app_folder.h"
#include "core/state/settings.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/pair_list_model.h"
#include "gui/widgets/image_button_view.h"
#include "gui/widgets/message_dialog.h"
#include "gui/widgets/qt_form_layout.h"
#include "gui/widgets/qt_shell.h"
#include "gui/window/input_lock.h"
#include "gui/window/language_switch.h"
#include "gui/window/qt_main_menus.h"
#include "gui/window/qt_run_report.h"
#include "gui/window/run_status_view.h"
#include "gui/window/saved_tasks_controller.h"
#include "gui/window/undo_controller.h"
#include "gui/work/run_controller.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace morvane {

class AboutDialog;
class FileListFinder;
class FileListView;
class ListView;
class PairListEditor;
class PreviewWindow;
class ProgressPicture;
class ReplaceModeOption;

// The main window: builds the controls and wires them to the models, the run controller and the functions
// that hold the rules.
class MainWindow : public QMainWindow {
public:
    // Whether the settings and saved tasks can be kept in a folder; asked once, at start-up.
    using AppFolderCheck = std::function<StateFilesWritable(const std::string& folder)>;

    // The application folder holds the language file and the icons, and the settings, the saved tasks and the
    // undo journal when it can be written; otherwise those are kept in the user's data folder, when one is
    // given.
    MainWindow(std::string appFolder, Dialogs& dialogs, Shell& shell,
               const AppFolderCheck& appFolderCheck = stateFilesWritable,
               RunController::Runner runner = RunController::defaultRunner(),
               const std::string& userDataFolder = {}, QWidget* parent = nullptr);

    // The execute run, then the simulate run that shows what is left.
    void executeReplacements() { runs_->execute(); }
    // Puts back what the newest execute run not yet undone changed, then shows what is left by a simulate
    // run. The undo goes on off the user-interface thread; the lists are locked until it ends.
    void undoLastExecute() { undo_->undo(); }
    bool undoing() const { return undo_->undoing(); }
    void chooseLanguage(int index);
    void addToSavedTasks() { tasks_->store(); }
    void loadCurrentTask() { tasks_->load(); }
    void startNewTask();
    // Files and folders dropped onto the file list, or named on the command line, join it in their order (a
    // folder as one row), and a simulate run follows.
    void addRows(const std::vector<std::string>& paths);
    // Files or a folder picked in a chooser join the list as dropped ones do, and a simulate run follows.
    void addChosenFiles();
    void addChosenFolder();

    RunController& runs() { return *runs_; }
    bool executing() const { return runs_->phase() == RunPhase::Executing; }
    bool running() const { return runs_->phase() != RunPhase::Idle; }
    FileListModel& files() { return files_; }
    PairListModel& pairs() { return pairs_; }
    const std::string& savedTasksPath() const { return tasks_->path(); }
    PairListEditor& pairEditor() { return *pairEditor_; }
    AboutDialog& about() { return *about_; }
    PreviewWindow& preview() { return *preview_; }
    const Skin& skin() const { return skin_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildSkin();
    void setTabOrders();
    void connectLists();
    void connectRuns();
    void startUp(const AppFolderCheck& appFolderCheck);

    void setUpListColumns();
    void layOutForm();
    void applyLayout();
    void tell(const QString& text, Dialogs::Icon icon = Dialogs::Icon::None);

    void onModeChanged();
    void countNewRows();
    void onEscape();
    void saveSettings();

    RunInputs snapshot(bool execute) const;
    void runFinished(const RunResult& result, bool executed);
    // What interrupted runs left and the files a run could not handle, in one box.
    void report(const ReportBox& box);
    void connectUndo();
    void undoFinished(const UndoResult& result, const QString& status);
    // Locked while an execute run or an undo goes.
    void refreshLock();

    std::string appFolder_;
    StateFolder state_; // where the settings, the saved tasks and the undo journal are kept
    Dialogs& dialogs_;
    Shell& shell_;
    StateFilesWritable writable_;
    Settings settings_;
    LanguageSwitch language_{*this, appFolder_, dialogs_};
    const std::function<QString(std::string_view key, const char* builtIn)> lookup_ =
        [this](std::string_view key, const char* builtIn) { return language_.message(key, builtIn); };
    PairListModel pairs_;
    FileListModel files_;

    QStackedWidget* pages_ = nullptr;
    QWidget* mainFrame_ = nullptr;
    ListView* lvCurrentFindReplace_ = nullptr;
    FileListView* lvFiles_ = nullptr;
    ListView* lvSavedReps_ = nullptr;
    QLineEdit* txtTaskName_ = nullptr;
    QPushButton* cmdToList_ = nullptr;
    PairListEditor* pairEditor_ = nullptr;
    SavedTasksController* tasks_ = nullptr;
    ReplaceModeOption* replaceMode_ = nullptr;
    ProgressPicture* picProgress_ = nullptr;
    QLabel* statusLabel_ = nullptr; // Label(4)
    MainMenus menus_;
    InputLock inputLock_;
    UndoController* undo_ = nullptr;
    RunStatusView* status_ = nullptr;

    // The skin's buttons, each with its action.
    struct SkinButtons {
        ImageButton* execute = nullptr;
        ImageButton* swap = nullptr;
    };
    SkinButtons skinButtons_;
    Skin skin_;
    AboutDialog* about_ = nullptr;
    PreviewWindow* preview_ = nullptr;
    FileListFinder* finder_ = nullptr;
    FormView form_;

    std::unique_ptr<RunController> runs_; // first to go: it waits for its worker
};

} // namespace morvane
