#include "gui/window/main_window.h"

#include "core/app/program_version.h"
#include "core/app/start_up.h"
#include "core/journal/run_journal.h"
#include "core/state/language.h"
#include "core/state/message_keys.h"
#include "core/state/saved_tasks_file.h"
#include "gui/lists/file_list_view.h"
#include "gui/lists/list_inputs.h"
#include "gui/lists/pair_editor_controller.h"
#include "gui/lists/replace_mode_view.h"
#include "gui/lists/saved_task_view.h"
#include "gui/widgets/about_dialog.h"
#include "gui/widgets/frame_title_view.h"
#include "gui/widgets/progress_view.h"
#include "gui/widgets/qt_form_layout.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/widgets/qt_text.h"
#include "gui/window/file_list_finder.h"
#include "gui/window/folder_files_controller.h"
#include "gui/window/preview_window.h"
#include "gui/window/qt_accessibility.h"
#include "gui/window/qt_read_only_notices.h"
#include "gui/window/window_place_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStackedWidget>

namespace morvane {

MainWindow::MainWindow(std::string appFolder, Dialogs& dialogs, Shell& shell,
                       const AppFolderCheck& appFolderCheck, RunController::Runner runner,
                       const std::string& userDataFolder, QWidget* parent)
    : QMainWindow(parent), appFolder_(std::move(appFolder)),
      state_(stateFolder(appFolder_, appFolderCheck(appFolder_).folder, userDataFolder)), dialogs_(dialogs),
      shell_(shell), runs_(std::make_unique<RunController>([this](bool execute) { return snapshot(execute); },
                                                           std::move(runner))) {
    setObjectName("frm1");
    installAccessibility();
    buildControls();
    buildSkin();
    setTabOrders();
    buildMenus();
    connectLists();
    connectRuns();
    startUp(appFolderCheck);
}

void MainWindow::buildControls() {
    pages_ = new QStackedWidget(this);
    setCentralWidget(pages_);
    mainFrame_ = named(new QWidget(pages_), "frameHaupt");
    pages_->addWidget(mainFrame_);

    lvCurrentFindReplace_ = named(newPairListView(pairs_, mainFrame_), "lvCurrentFindReplace");
    lvFiles_ = named(new FileListView(files_, shell_, mainFrame_), "lvFiles");
    lvSavedReps_ = named(newSavedTaskListView(mainFrame_), "lvSavedReps");
    txtTaskName_ =
        named(new QLineEdit(QStringLiteral("Enter Name to save new Task"), mainFrame_), "txtTaskName");
    cmdToList_ = named(new QPushButton(QStringLiteral("Add to &List"), mainFrame_), "cmdToList");
    connect(cmdToList_, &QPushButton::clicked, this, &MainWindow::addToSavedTasks);
    named(new QLabel(QStringLiteral("Saved Tasks"), mainFrame_), "Label(8)");
    replaceMode_ = new ReplaceModeOption(*mainFrame_);
    picProgress_ = named(new ProgressPicture(mainFrame_), "picProgress");
    // The status line lies on the bar, so its text reads over it.
    statusLabel_ = named(new QLabel(picProgress_), "Label(4)");
    pairEditor_ = new PairListEditor(*pages_, *mainFrame_, *lvCurrentFindReplace_, pairs_);
    tasks_ = new SavedTasksController(morvane::savedTasksPath(state_.path), settings_, dialogs_, lookup_,
                                      {*pairEditor_, pairs_, files_, *replaceMode_, *txtTaskName_}, *this);
    tasks_->attach(*lvSavedReps_);

    for (QWidget* input : std::initializer_list<QWidget*>{
             lvCurrentFindReplace_, lvFiles_, lvSavedReps_, cmdToList_, &pairEditor_->editorFrame(),
             &replaceMode_->namesCaption(), &replaceMode_->contentsCaption()}) {
        inputLock_.add(*input);
    }
    applyLayout();
}

// The image buttons, the page backgrounds and the About dialog, which shares the skin's background.
void MainWindow::buildSkin() {
    QGroupBox& editor = pairEditor_->editorFrame();
    auto* mainBackground = named(new QLabel(mainFrame_), "img(0)");
    auto* editorBackground = named(new QLabel(&editor), "img(1)");
    auto* frmSwap = named(new QFrame(&editor), "frmSwap");
    skinButtons_ = {.execute = new ImageButton(2, mainFrame_), .swap = new ImageButton(5, frmSwap)};
    skin_.addButton(*skinButtons_.execute, [this] { executeReplacements(); });
    skin_.addButton(*skinButtons_.swap, [this] { pairEditor_->swapFindAndReplace(); });
    about_ = new AboutDialog(shell_, appFolder_, this);
    for (QLabel* background : {mainBackground, editorBackground, &about_->background()}) {
        skin_.addBackground(*background);
        background->lower();
    }
    new FrameTitleView(editor);
    for (QWidget* surface : std::initializer_list<QWidget*>{this, &editor, lvCurrentFindReplace_->viewport(),
                                                            lvFiles_->viewport(), lvSavedReps_->viewport()}) {
        skin_.addResetSurface(*surface);
    }
    for (QWidget* box : pairEditor_->textBoxes()) {
        skin_.addResetSurface(*box);
    }
    inputLock_.add(*skinButtons_.execute);
    applyLayout();
}

// The keyboard goes down the left column of the page, then down the right one, as the eye reads it.
void MainWindow::setTabOrders() {
    const std::array<QWidget*, 8> order{lvCurrentFindReplace_,
                                        txtTaskName_,
                                        cmdToList_,
                                        lvSavedReps_,
                                        lvFiles_,
                                        &replaceMode_->namesCaption(),
                                        &replaceMode_->contentsCaption(),
                                        skinButtons_.execute};
    for (std::size_t next = 1; next < order.size(); ++next) {
        setTabOrder(order[next - 1], order[next]);
    }
}

void MainWindow::buildMenus() {
    MainMenuHandlers on;
    on.newTask = [this] { startNewTask(); };
    on.addFiles = [this] { addChosenFiles(); };
    on.addFolder = [this] { addChosenFolder(); };
    on.taskFiles = [this](bool checked) {
        settings_.addFilesToFileList = checked;
        saveSettings();
    };
    on.close = [this] { close(); };
    on.showAdd = [this] { pairEditor_->showPairEditor(false); };
    on.edit = [this] { pairEditor_->editCurrentPair(); };
    on.addToTasks = [this] { addToSavedTasks(); };
    on.simulate = [this] { runs_->simulate(); };
    on.replace = [this] { executeReplacements(); };
    on.undo = [this] { undoLastExecute(); };
    on.preview = [this] { preview_->toggle(); };
    on.language = [this](int index) {
        chooseLanguage(index);
        saveSettings();
    };
    on.about = [this] {
        about_->show();
        about_->raise();
        about_->activateWindow();
    };
    menus_ = buildMainMenus(*menuBar(), on);
    inputLock_.add(menus_.listChanging);
    // Escape works wherever the focus is, as the window sees every key first.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &MainWindow::onEscape);
}

void MainWindow::connectLists() {
    preview_ = new PreviewWindow(
        files_, pairs_, *lvFiles_->selectionModel(), [this] { return replaceMode_->mode(); }, lookup_,
        computePreview, this);
    finder_ = new FileListFinder(*lvFiles_, *menus_.list, *statusLabel_, *runs_, *preview_, lookup_, *this);
    preview_->addAction(menus_.replace); // Execute works from the preview, locked as its menu item is
    connect(lvFiles_, &FileListView::filesDropped, this, &MainWindow::addRows);
    lvFiles_->setMessages(lookup_);
    auto* folderFiles = new FolderFilesController(files_, dialogs_, lookup_, *this);
    connect(lvFiles_, &FileListView::folderFilesWanted, folderFiles, &FolderFilesController::addFilesOf);
    connect(folderFiles, &FolderFilesController::rowReplaced, this, &MainWindow::countNewRows);
    connect(pairEditor_, &PairListEditor::pairsChanged, runs_.get(), &RunController::simulate);
    connect(replaceMode_, &ReplaceModeOption::changed, this, &MainWindow::onModeChanged);
    connect(tasks_, &SavedTasksController::loaded, this, &MainWindow::countNewRows);
}

void MainWindow::connectRuns() {
    status_ = new RunStatusView(
        *runs_, files_, *picProgress_, *statusLabel_,
        [this](std::string_view key) { return language_.messages().text(key); }, *this);
    connect(runs_.get(), &RunController::finished, this, &MainWindow::runFinished);
    connect(runs_.get(), &RunController::phaseChanged, this, [this](RunPhase phase) {
        refreshLock();
        if (undo_) {
            undo_->setRunPhase(phase);
        }
    });
}

// Made once the window knows whether its folder may be written: the journals live there.
void MainWindow::connectUndo() {
    undo_ = new UndoController(
        writable_.folder ? journalFolderIn(state_.path) : std::string(), *menus_.undo, dialogs_, lookup_,
        [this](const ReportBox& box) { report(box); }, *this);
    undo_->setRunPhase(runs_->phase());
    connect(undo_, &UndoController::started, this, &MainWindow::refreshLock);
    connect(undo_, &UndoController::finished, this, &MainWindow::undoFinished);
}

// The fixed order of start-up: the settings and the language come before anything that shows their texts,
// the saved tasks after the lists exist, the layout after every control has its content, and what start-up
// tells after the window shows.
void MainWindow::startUp(const AppFolderCheck& appFolderCheck) {
    setWindowTitle(toQString(windowCaption(kApplicationTitle, programVersion())));
    const StartState start = readStartState(state_, appFolderCheck(state_.path));
    writable_ = start.writable;
    settings_ = start.settings;
    replaceMode_->setReplaceMode(settings_.replaceInContents);
    menus_.taskFiles->setChecked(settings_.addFilesToFileList);
    chooseLanguage(settings_.language);
    setUpListColumns();
    picProgress_->setUpProgress();
    skin_.loadButtonImages(appFolder_);
    skin_.refreshButtonIcons(true);
    pairEditor_->showMainFrame();
    layOutForm();
    showWindowInPlace(*this, state_.path);
    const auto installed = [&] { return appFolderCheck(appFolder_).installed; };
    for (const QString& notice : startUpNotices(start, state_.path, tasks_->path(), installed, lookup_)) {
        tell(notice, Dialogs::Icon::Information);
    }
    tasks_->open(writable_.tasks);
    connectUndo();
    undo_->startUp(clearStartLeftovers(state_, writable_));
}

void MainWindow::chooseLanguage(int index) {
    settings_.language = offeredLanguage(index);
    if (language_.choose(settings_.language, menus_)) {
        layOutForm(); // the labels take the width of their new captions, and the window's least size follows
    }
    finder_->relabel();
    setListHeadings(pairs_, files_, tasks_->model(),
                    [this](std::string_view key) { return fromQString(language_.message(key)); });
    preview_->followLanguage();
    status_->retell();
    pairEditor_->relabel([this](std::string_view key) { return language_.message(key); });
    if (undo_) {
        undo_->relabel();
    }
}

// The columns start equally wide, with the headings of the language chosen at start-up.
void MainWindow::setUpListColumns() {
    for (ListView* list : std::array<ListView*, 3>{lvCurrentFindReplace_, lvFiles_, lvSavedReps_}) {
        list->setEqualColumnWidths();
    }
    lvSavedReps_->setColumnWidth(0, 0);
}

// A window the user comes back to shows what other windows on the folder saved meanwhile.
void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        tasks_->takeInChanges();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layOutForm();
}

// Closing the window ends the program at once; no other window of it stays behind.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (writable_.folder) {
        rememberWindowPlace(*this, state_.path);
    }
    about_->close();
    preview_->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::layOutForm() {
    form_.fit(*pages_);
    applyLayout();
    picProgress_->drawProgress(100, kProgressColour);
}

void MainWindow::applyLayout() {
    form_.place(*pages_);
    const ListColumnWidths widths = listColumnWidths(form_.layout());
    lvCurrentFindReplace_->setColumnWidthsTwips(widths.findReplace);
    lvSavedReps_->setColumnWidthsTwips(widths.savedTasks);
    lvFiles_->setColumnWidthsTwips(widths.files);
}

void MainWindow::tell(const QString& text, Dialogs::Icon icon) {
    dialogs_.message(this, toQString(kApplicationTitle), text, icon);
}

void MainWindow::onModeChanged() {
    saveSettings();
    preview_->follow();
    runs_->simulate();
}

// Escape closes the editor first; in the main view it stops a run that goes, between two files.
void MainWindow::onEscape() {
    if (!pairEditor_->editorShown() && running()) {
        runs_->stop();
        return;
    }
    pairEditor_->showMainFrame();
}

// A settings file that cannot be written was reported once at start-up; the changes live on in the window.
// The option control holds the replace mode; the settings take it when they are saved.
void MainWindow::saveSettings() {
    settings_.replaceInContents = replaceMode_->replaceInContents();
    if (writable_.settings) {
        storeSettings(state_.path, settings_);
    }
}

void MainWindow::startNewTask() {
    tasks_->startNew();
    status_->show(status_event::NewTask{});
}

void MainWindow::addRows(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    files_.append(paths);
    countNewRows();
}

// New rows show whether their paths are there, and a simulate run counts them.
void MainWindow::countNewRows() {
    lvFiles_->loadButtonIcons(appFolder_);
    runs_->simulate();
}

// Paths go to the list in the file system's own bytes, as a drop gives them.
void MainWindow::addChosenFiles() {
    std::vector<std::string> paths;
    for (const QString& path : dialogs_.chooseFiles(this, chooserTitle(*menus_.addFiles))) {
        paths.push_back(QFile::encodeName(path).toStdString());
    }
    addRows(paths);
}

void MainWindow::addChosenFolder() {
    const QString folder = dialogs_.chooseFolder(this, chooserTitle(*menus_.addFolder));
    if (!folder.isEmpty()) {
        addRows({QFile::encodeName(folder).toStdString()});
    }
}

// The rows of names the undo put back show them again, and the simulate run that follows counts anew.
void MainWindow::undoFinished(const UndoResult& result, const QString& status) {
    files_.putNamesBack(result.namesBack);
    status_->show(status_event::UndoEnded{fromQString(status)});
    refreshLock();
    runs_->simulate();
}

// Read when a run starts.
RunInputs MainWindow::snapshot(bool execute) const {
    RunInputs inputs = runInputsOf(pairs_, files_, replaceMode_->mode());
    inputs.request.execute = execute;
    inputs.request.stateFolder = writable_.folder ? state_.path : std::string();
    return inputs;
}

void MainWindow::runFinished(const RunResult& result, bool executed) {
    if (result.mismatch) {
        tell(toQString(mismatchText(fromQString(language_.message(keys::kUboundElementsWrong)),
                                    result.findsUbound, result.replacesUbound)));
    }
    if (executed) {
        undo_->readOffer();
        report(executeReportBox(result, lookup_));
    }
}

void MainWindow::report(const ReportBox& box) {
    if (!box.text.text.isEmpty()) {
        dialogs_.message(this, toQString(kApplicationTitle), box.text,
                         box.needsAttention ? Dialogs::Icon::Critical : Dialogs::Icon::Information);
    }
}

void MainWindow::refreshLock() {
    inputLock_.set(executing() || (undo_ && undo_->undoing()));
}

} // namespace morvane
