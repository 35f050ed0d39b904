#include "app/main_window.h"

#include "config/language.h"
#include "config/message_keys.h"
#include "config/qt_relabelling.h"
#include "config/settings_format.h"
#include "engine/leftovers.h"
#include "engine/progress_view.h"
#include "engine/run_journal.h"
#include "lists/file_list_view.h"
#include "lists/key_rules.h"
#include "lists/list_text.h"
#include "lists/pair_editor_controller.h"
#include "lists/replace_mode_view.h"
#include "tasks/saved_task_view.h"
#include "tasks/saved_tasks_file.h"
#include "tasks/task_actions.h"
#include "ui/about_dialog.h"
#include "ui/frame_title_view.h"
#include "ui/program_version.h"
#include "util/paths.h"
#include "util/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <algorithm>

namespace morvane {

namespace {

// Headings a list shows when the language file gives none, so that its rows keep their columns.
const std::vector<std::string> kBuiltInPairHeadings{"Find", "Replace with"};
const std::vector<std::string> kBuiltInFileHeadings{"Path", "File", "Replacements"};
const std::vector<std::string> kBuiltInTaskHeadings{"Nr.", "Name", "Find", "Replace with"};

// Texts that must reach the user even when the language file is missing.
const char* const kBuiltInReadOnly =
    "This program keeps its settings and saved tasks in its own folder, and that folder cannot be written, "
    "so changes to the settings and the tasks will not be kept.\r\nTo keep them, copy the program folder to "
    "a "
    "place you can write, such as your home folder, and start the program from the copy (README.md in the "
    "program folder explains how). The program folder:";
const char* const kBuiltInTasksNotSaved =
    "The saved tasks could not be written; the change will be lost when the program ends.";
const char* const kBuiltInSettingsReadOnly =
    "The settings file cannot be written, so changes to the settings will not be kept. The settings file:";
const char* const kBuiltInTasksReadOnly =
    "The saved-tasks file or its backup cannot be written, so tasks stored or deleted now will not be kept. "
    "The saved-tasks file:";
const char* const kBuiltInTasksKeptAside =
    "The saved-tasks file holds text that cannot be read as tasks. So that none of it is lost when the "
    "tasks are saved, it has been copied to:";
const char* const kBuiltInRunStopped = "Run stopped; found so far:";

std::string_view leftoverKey(LeftoverAction action) {
    switch (action) {
    case LeftoverAction::PutBack:
        return keys::kLeftoverPutBack;
    case LeftoverAction::RewriteFinished:
        return keys::kLeftoverRewriteFinished;
    case LeftoverAction::RewriteNotBegun:
        return keys::kLeftoverRewriteNotBegun;
    case LeftoverAction::TemporaryRemoved:
        return keys::kLeftoverTemporaryRemoved;
    case LeftoverAction::BackupKept:
        return keys::kLeftoverBackupKept;
    case LeftoverAction::NotPutBack:
        return keys::kLeftoverNotPutBack;
    case LeftoverAction::BackupLost:
        return keys::kLeftoverBackupLost;
    }
    return {};
}

const char* const kBuiltInLeftoversFound =
    "Morvane found what interrupted runs left behind and cleared it up:";

template <class Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QStringList headings(const std::string& text, const std::vector<std::string>& builtIn) {
    QStringList list;
    for (const std::string& heading : text.empty() ? builtIn : splitHeadings(text)) {
        list << toQString(heading);
    }
    return list;
}

template <std::size_t N>
std::vector<std::optional<double>> widthsOf(const std::array<std::optional<double>, N>& a) {
    return {a.begin(), a.end()};
}

} // namespace

MainWindow::MainWindow(std::string appFolder, Dialogs& dialogs, Shell& shell, AppFolderCheck appFolderCheck,
                       RunController::Runner runner, QWidget* parent)
    : QMainWindow(parent), appFolder_(std::move(appFolder)), dialogs_(dialogs), shell_(shell),
      store_(morvane::savedTasksPath(appFolder_)),
      runs_(std::make_unique<RunController>([this](bool execute) { return snapshot(execute); },
                                            std::move(runner))) {
    setObjectName("frm1");
    buildControls();
    buildSkin();
    buildMenus();
    connectLists();
    connectRuns();
    startUp(appFolderCheck);
}

void MainWindow::buildControls() {
    pages_ = new QStackedWidget(this);
    setCentralWidget(pages_);
    frameHaupt_ = named(new QWidget(pages_), "frameHaupt");
    pages_->addWidget(frameHaupt_);

    lvCurrentFindReplace_ = named(newPairListView(pairs_, frameHaupt_), "lvCurrentFindReplace");
    lvFiles_ = named(new FileListView(files_, shell_, frameHaupt_), "lvFiles");
    lvSavedReps_ = named(newSavedTaskListView(tasks_, frameHaupt_), "lvSavedReps");
    txtTaskName_ =
        named(new QLineEdit(QStringLiteral("Enter Name to save new Task"), frameHaupt_), "txtTaskName");
    auto* cmdToList = named(new QPushButton(QStringLiteral("Add to &List"), frameHaupt_), "cmdToList");
    connect(cmdToList, &QPushButton::clicked, this, &MainWindow::AddToTaskList);
    auto* savedTasksLabel = named(new QLabel(QStringLiteral("Saved Tasks"), frameHaupt_), "Label(8)");
    // The label keeps its place when the window grows; the pair list that then reaches it is drawn over it.
    savedTasksLabel->stackUnder(lvCurrentFindReplace_);
    replaceMode_ = new ReplaceModeOption(*frameHaupt_);
    picProgress_ = named(new ProgressPicture(frameHaupt_), "picProgress");
    // The status line lies on the bar, so its text reads over it.
    statusLabel_ = named(new QLabel(picProgress_), "Label(4)");
    pairEditor_ = new PairListEditor(*pages_, *frameHaupt_, *lvCurrentFindReplace_, pairs_);

    const auto child = [this](const char* name) { return findChild<QWidget*>(QString::fromLatin1(name)); };
    placed_ = {{FormControl::frameHaupt, pages_},
               {FormControl::txtTaskName, txtTaskName_},
               {FormControl::cmdToList, cmdToList},
               {FormControl::lvCurrentFindReplace, lvCurrentFindReplace_},
               {FormControl::lvFiles, lvFiles_},
               {FormControl::lvSavedReps, lvSavedReps_},
               {FormControl::Label8, savedTasksLabel},
               {FormControl::Label5, child("Label(5)")},
               {FormControl::Label6, child("Label(6)")},
               {FormControl::Label7, child("Label(7)")},
               {FormControl::picProgress, picProgress_},
               {FormControl::Label4, statusLabel_},
               {FormControl::txtFind, child("txtFind")},
               {FormControl::txtReplace, child("txtReplace")},
               {FormControl::txtSpecialChars, child("txtSpecialChars")},
               {FormControl::Label0, child("Label(0)")},
               {FormControl::Label1, child("Label(1)")},
               {FormControl::Label2, child("Label(2)")},
               {FormControl::cmdAddNewElement, child("cmdAddNewElement")},
               {FormControl::cmdUpdateElement, child("cmdUpdateElement")},
               {FormControl::cmdCancelNewElement, child("cmdCancelNewElement")},
               {FormControl::cmdSwap, child("cmdSwap")}};
    inputs_ = {lvCurrentFindReplace_,       lvFiles_,          lvSavedReps_,     cmdToList,
               &pairEditor_->editorFrame(), child("Label(6)"), child("Label(7)")};
    applyLayout();
    // A window of 12000 by 9000 twips, where every rule of the layout has room.
    resize(pixelsFromTwips(12000), pixelsFromTwips(9000 - 700) + menuBar()->sizeHint().height());
}

// The image buttons, the page backgrounds and the About dialog, which shares the skin's background.
void MainWindow::buildSkin() {
    QGroupBox& editor = pairEditor_->editorFrame();
    auto* mainBackground = named(new QLabel(frameHaupt_), "img(0)");
    auto* editorBackground = named(new QLabel(&editor), "img(1)");
    auto* frmSwap = named(new QFrame(&editor), "frmSwap");
    std::array<ImageButton*, 4> buttons{new ImageButton(0, frameHaupt_), new ImageButton(1, frameHaupt_),
                                        new ImageButton(2, frameHaupt_), new ImageButton(5, frmSwap)};
    buttons[0]->setToolTip(QStringLiteral("Dummy"));
    buttons[0]->hide();
    buttons[1]->hide(); // only an anchor of the layout
    for (ImageButton* button : buttons) {
        skin_.addButton(*button);
    }
    about_ = new AboutDialog(shell_, this);
    for (QLabel* background : {mainBackground, editorBackground, &about_->background()}) {
        skin_.addBackground(*background);
        background->lower();
    }
    new FrameTitleView(editor);
    for (QWidget* surface : std::initializer_list<QWidget*>{
             this, findChild<QWidget*>("txtFind"), findChild<QWidget*>("txtReplace"),
             findChild<QWidget*>("txtSpecialChars"), &editor, lvCurrentFindReplace_->viewport(),
             lvFiles_->viewport(), lvSavedReps_->viewport()}) {
        skin_.addResetSurface(*surface);
    }
    connect(&skin_, &Skin::buttonClicked, this, [this](int index) {
        if (index == 2) {
            ReplaceIt();
        } else if (index == 5) {
            pairEditor_->SwapTextBoxes();
        }
    });
    placed_.insert(placed_.end(), {{FormControl::img0, mainBackground},
                                   {FormControl::img1, editorBackground},
                                   {FormControl::imgButton0, buttons[0]},
                                   {FormControl::imgButton1, buttons[1]},
                                   {FormControl::imgButton2, buttons[2]},
                                   {FormControl::frmSwap, frmSwap},
                                   {FormControl::imgButton5, buttons[3]}});
    inputs_.push_back(buttons[2]);
    applyLayout();
}

void MainWindow::buildMenus() {
    const auto item = [this](QMenu* menu, const char* name, const char* text, QKeySequence key, auto slot) {
        QAction* action = named(menu->addAction(QString::fromUtf8(text), this, slot), name);
        action->setShortcut(key);
        return action;
    };
    QMenu* file = named(menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    QAction* newTask = item(file, "mnuNew", "New", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { MenuNeu(); });
    item(file, "mnuClose", "Close", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] {
        close();
    })->setShortcutContext(Qt::ApplicationShortcut); // also while the About dialog has the focus

    QMenu* list = named(menuBar()->addMenu(QStringLiteral("&Find && Replace List")), "mnuList");
    QAction* showAdd = item(list, "mnuShowAdd", "&Add new element", QKeySequence(Qt::Key_F1),
                            [this] { pairEditor_->AddframeAnschalten(false); });
    QAction* edit = item(list, "mnuEdit", "&Edit selected element", QKeySequence(Qt::Key_F2),
                         [this] { pairEditor_->lvCurrentZeileBearbeiten(); });
    QAction* addToTasks = item(list, "mnuAddToTasks", "Add to Saved Tasks", QKeySequence(Qt::Key_F3),
                               [this] { AddToTaskList(); });
    named(list->addSeparator(), "mnuTrenn(0)");
    QAction* simulate = item(list, "mnuSimulate", "Update/ Simulate", QKeySequence(Qt::Key_F5),
                             [this] { runs_->simulate(); });
    QAction* replace =
        item(list, "mnuReplace", "Execute/ Replace", QKeySequence(Qt::Key_F8), [this] { ReplaceIt(); });
    inputActions_ = {newTask, showAdd, edit, addToTasks, simulate, replace};

    QMenu* languages = named(menuBar()->addMenu(QStringLiteral("Language")), "mnuLanguages");
    const std::array<const char*, 2> names{"English", "German"};
    for (int index = 0; index < kLanguageCount; ++index) {
        QAction* choice = languages->addAction(QString::fromUtf8(names[static_cast<std::size_t>(index)]));
        choice->setObjectName(QString("mnuLanguage(%1)").arg(index));
        choice->setCheckable(true);
        connect(choice, &QAction::triggered, this, [this, index] {
            SpracheAusgewaehlt(index);
            saveSettings();
        });
        mnuLanguage_[static_cast<std::size_t>(index)] = choice;
    }
    QMenu* help = named(menuBar()->addMenu(QStringLiteral("&?")), "mnuFragezeichen");
    named(help->addAction(QStringLiteral("About this Program"), this,
                          [this] {
                              about_->show();
                              about_->raise();
                              about_->activateWindow();
                          }),
          "mnuAbout");
    // Escape works wherever the focus is, as the window sees every key first.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &MainWindow::onEscape);
}

void MainWindow::connectLists() {
    connect(lvFiles_, &FileListView::filesDropped, this, [this](const std::vector<std::string>& paths) {
        files_.append(paths);
        lvFiles_->IconsLaden(appFolder_);
        runs_->simulate();
    });
    connect(pairEditor_, &PairListEditor::pairsChanged, runs_.get(), &RunController::simulate);
    connect(replaceMode_, &ReplaceModeOption::changed, this, &MainWindow::onModeChanged);
    connect(lvSavedReps_, &ListView::keyPressed, this, &MainWindow::onSavedTaskKey);
    connect(lvSavedReps_, &ListView::doubleClickedAnywhere, this, &MainWindow::lvCurrentTaskBearbeiten);
}

void MainWindow::connectRuns() {
    connect(runs_.get(), &RunController::progressed, this,
            [this](int percent) { picProgress_->FortschrittZeichnen(percent, kProgressColour); });
    connect(runs_.get(), &RunController::rowsDone, this, &MainWindow::applyRows);
    connect(runs_.get(), &RunController::finished, this, &MainWindow::runFinished);
    connect(runs_.get(), &RunController::stopped, this, [this] { showStatus(keys::kRunStopped); });
    connect(runs_.get(), &RunController::phaseChanged, this,
            [this](RunPhase phase) { lockInputs(phase == RunPhase::Executing); });
}

// The fixed order of start-up: the settings and the language come before anything that shows their texts,
// the saved tasks after the lists exist, the layout after every control has its content. In a folder that
// cannot be written, start-up neither creates nor repairs a file: the user is told instead.
void MainWindow::startUp(AppFolderCheck appFolderCheck) {
    setWindowTitle(toQString(windowCaption(kApplicationTitle, programVersion())));
    writable_ = appFolderCheck(appFolder_);
    settings_ = writable_.settings ? SettingsLaden(appFolder_) : readSettings(appFolder_).settings;
    SettingsEinstellen();
    ListenColumnsEinstellen();
    picProgress_->FortschrittEinrichten();
    skin_.ButtonGifsInILladen(appFolder_);
    skin_.ButtonIconsRefresh(true);
    const SavedTaskStore::Sync opened = store_.open(writable_.tasks);
    tasks_.reload();
    pairEditor_->HaupframeZeigen();
    FormResize();
    show();
    reportReadOnlyStateFiles();
    reportKeptAside(opened.keptAside);
    if (writable_.folder) {
        // Runs that were cut short, by this window or the runner, and the state files' own temporary files.
        reportLeftoversAndFailures(clearLeftovers(journalFolderIn(appFolder_), {appFolder_}), {});
    }
}

// Once, at start-up: a folder that cannot be written as a whole, or each state file that cannot.
void MainWindow::reportReadOnlyStateFiles() {
    const auto report = [this](std::string_view key, const char* builtIn, const std::string& path) {
        tell(message(key, builtIn) + QStringLiteral("\r\n") + QDir::toNativeSeparators(pathToQString(path)),
             Dialogs::Icon::Information);
    };
    if (!writable_.folder) {
        report(keys::kAppFolderReadOnly, kBuiltInReadOnly, appFolder_);
        return;
    }
    if (!writable_.settings) {
        report(keys::kSettingsReadOnly, kBuiltInSettingsReadOnly,
               joinPath(appFolder_, settings_format::kFileName));
    }
    if (!writable_.tasks) {
        report(keys::kTasksReadOnly, kBuiltInTasksReadOnly, store_.path());
    }
}

void MainWindow::reportKeptAside(const std::string& keptAside) {
    if (!keptAside.empty()) {
        tell(message(keys::kTasksKeptAside, kBuiltInTasksKeptAside) + QStringLiteral("\r\n") +
                 QDir::toNativeSeparators(pathToQString(keptAside)),
             Dialogs::Icon::Information);
    }
}

// What another window saved shows in the list; the numbers this window showed stay as they were.
void MainWindow::showTakenIn(const SavedTaskStore::Sync& sync) {
    if (sync.tableChanged) {
        tasks_.sync();
    }
    reportKeptAside(sync.keptAside);
}

void MainWindow::SettingsEinstellen() {
    replaceMode_->OptRepEinstellen(settings_.ReplaceInContents);
    SpracheAusgewaehlt(settings_.Language);
}

void MainWindow::SpracheAusgewaehlt(int index) {
    settings_.Language = offeredLanguage(index);
    for (std::size_t item = 0; item < mnuLanguage_.size(); ++item) {
        mnuLanguage_[item]->setChecked(static_cast<int>(item) == settings_.Language);
    }
    switch (relabel(*this, appFolder_, settings_.Language)) {
    case LanguageFileState::Missing:
        tell(QStringLiteral("Language file not found"), Dialogs::Icon::Critical, tr("Error"));
        break;
    case LanguageFileState::Empty:
        tell(QStringLiteral("Language File empty"), Dialogs::Icon::Critical, tr("Error"));
        break;
    case LanguageFileState::Usable:
        applyLayout(); // the labels take the width of their new captions
        break;
    }
}

// The headings are taken in the language of the start; a list the language file gives none keeps built-in
// ones, so its rows keep their columns.
void MainWindow::ListenColumnsEinstellen() {
    pairs_.setHeadings(headings(fromQString(message(keys::kFindReplaceWith)), kBuiltInPairHeadings));
    files_.setHeadings(headings(fromQString(message(keys::kPathFileReplacements)), kBuiltInFileHeadings));
    tasks_.setHeadings(headings(fromQString(message(keys::kSavedTaskColumns)), kBuiltInTaskHeadings));
    for (ListView* list : std::array<ListView*, 3>{lvCurrentFindReplace_, lvFiles_, lvSavedReps_}) {
        list->setEqualColumnWidths();
    }
    lvSavedReps_->setColumnWidth(0, 0);
}

// A window the user comes back to shows what other windows on the folder saved meanwhile.
void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && writable_.tasks) {
        showTakenIn(store_.takeInChanges());
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

// Closing the window ends the program at once; no other window of it stays behind.
void MainWindow::closeEvent(QCloseEvent* event) {
    about_->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::FormResize() {
    // The layout counts 700 twips of the window's height for its caption and menu bar; the pages fill what
    // is left, which here is the page stack below the menu bar.
    const QSize pages = pages_->size();
    layout_ = formResize(WindowSize{twipsFromPixels(pages.width()), twipsFromPixels(pages.height()) + 700},
                         layout_);
    applyLayout();
    int full = 100;
    picProgress_->FortschrittZeichnen(full, kProgressColour);
}

void MainWindow::applyLayout() {
    for (const auto& [control, widget] : placed_) {
        if (control == FormControl::frameHaupt) {
            continue; // the page stack fills the window below the menu bar
        }
        const PixelRect rect = pixelRectFromTwips(layout_[control]);
        // A caption from the language file may be longer than the English one the design was drawn for: a
        // label keeps its place and grows to the right, so no heading is cut off.
        const auto* label = qobject_cast<QLabel*>(widget);
        const int width =
            label && !label->text().isEmpty() ? std::max(rect.width, label->sizeHint().width()) : rect.width;
        widget->setGeometry(rect.left, rect.top, width, rect.height);
    }
    const ListColumnWidths widths = listColumnWidths(layout_);
    lvCurrentFindReplace_->setColumnWidthsTwips(widthsOf(widths.findReplace));
    lvSavedReps_->setColumnWidthsTwips(widthsOf(widths.savedTasks));
    lvFiles_->setColumnWidthsTwips(widthsOf(widths.files));
}

QString MainWindow::message(std::string_view key, const char* builtIn) const {
    const QString text = toQString(MeldungLaden(appFolder_, key, settings_.Language));
    return text.isEmpty() ? QString::fromUtf8(builtIn) : text;
}

void MainWindow::tell(const QString& text, Dialogs::Icon icon, const QString& title) {
    dialogs_.message(this, title.isEmpty() ? toQString(kApplicationTitle) : title, text, icon);
}

void MainWindow::onModeChanged(bool replaceInContents) {
    settings_.ReplaceInContents = replaceInContents;
    saveSettings();
    runs_->simulate();
}

// Escape closes the editor first; in the main view it stops a run that goes, between two files.
void MainWindow::onEscape() {
    if (!pairEditor_->editorShown() && running()) {
        runs_->stop();
        return;
    }
    pairEditor_->HaupframeZeigen();
}

// A settings file that cannot be written was reported once at start-up; the changes live on in the window.
void MainWindow::saveSettings() {
    if (writable_.settings) {
        SettingsSpeichern(appFolder_, settings_);
    }
}

// The table in the window stays as it is, so the user can still run the tasks or copy them elsewhere.
void MainWindow::saveTasks() {
    if (!writable_.tasks) {
        return;
    }
    const SavedTaskStore::SaveOutcome saved = store_.save();
    showTakenIn(saved.sync);
    if (!saved.written.ok()) {
        tell(message(keys::kTasksNotSaved, kBuiltInTasksNotSaved) + QStringLiteral("\r\n") +
                 QDir::toNativeSeparators(pathToQString(store_.path())) + QStringLiteral(": ") +
                 toQString(saved.written.error),
             Dialogs::Icon::Critical);
    }
}

// Tasks other windows stored meanwhile come first, so the new task is numbered after them.
void MainWindow::AddToTaskList() {
    if (writable_.tasks) {
        showTakenIn(store_.takeInChanges());
    }
    switch (storeTask(store_.table(), fromQString(txtTaskName_->text()), workingLists())) {
    case StoreOutcome::Stored:
        tasks_.sync();
        break;
    case StoreOutcome::NoName:
        tell(message(keys::kSpecifyReplacementTask), Dialogs::Icon::None, QStringLiteral("Name"));
        break;
    case StoreOutcome::NotFaithful:
        tell(message(keys::kSavingNotPossible), Dialogs::Icon::Information);
        return;
    case StoreOutcome::NoPairs:
        break;
    }
    saveTasks();
}

void MainWindow::lvCurrentTaskBearbeiten() {
    const TaskLoad load =
        loadTask(store_.table(), selectedTask(*lvSavedReps_, tasks_), settings_.AddFilesToFilelist);
    setLists(load.finds, load.replaces, load.files);
    if (!load.name) {
        return;
    }
    txtTaskName_->setText(toQString(*load.name));
    replaceMode_->OptRepEinstellen(*load.replaceInContents);
    lvFiles_->IconsLaden(appFolder_);
    runs_->simulate();
}

void MainWindow::MenuNeu() {
    const WorkingLists fresh = newWorkingLists(workingLists());
    setLists(fresh.finds, fresh.replaces, fresh.files);
    statusLabel_->clear();
    txtTaskName_->clear();
}

WorkingLists MainWindow::workingLists() const {
    return WorkingLists{pairs_.finds(), pairs_.replaces(), files_.paths(), replaceMode_->replaceInContents()};
}

void MainWindow::setLists(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                          const std::optional<std::vector<std::string>>& files) {
    pairEditor_->FindRepListeLoeschen();
    for (std::size_t j = 0; j < finds.size() && j < replaces.size(); ++j) {
        pairEditor_->AddNewElementToList(finds[j], replaces[j]);
    }
    if (files) {
        files_.clear();
        files_.append(*files);
    }
}

void MainWindow::onSavedTaskKey(KeyStroke key) {
    switch (savedTaskKey(key)) {
    case SavedTaskKey::DeleteSelected:
        deleteTasks(store_.table(), selectedTasks(*lvSavedReps_, tasks_));
        tasks_.sync();
        saveTasks();
        break;
    case SavedTaskKey::SelectAll:
        lvSavedReps_->selectAll();
        break;
    case SavedTaskKey::Load:
        lvCurrentTaskBearbeiten();
        break;
    case SavedTaskKey::None:
        break;
    }
}

void MainWindow::ReplaceIt() {
    runs_->execute();
}

// Read when a run starts; every row counts 0 until the run reaches it.
RunInputs MainWindow::snapshot(bool execute) {
    RunInputs inputs;
    inputs.request.finds = pairs_.finds();
    inputs.request.replaces = pairs_.replaces();
    inputs.request.files = files_.paths();
    inputs.request.mode = replaceMode_->replaceInContents() ? ReplaceMode::Contents : ReplaceMode::FileNames;
    inputs.request.ausfuehren = execute;
    inputs.request.stateFolder = writable_.folder ? appFolder_ : std::string();
    inputs.ids = files_.ids();
    files_.resetCounts();
    return inputs;
}

// The status line shows the sum of the rows there are: a row removed during the run takes its count along.
void MainWindow::applyRows(const std::vector<RowUpdate>& rows, std::optional<StatusKind> status) {
    files_.apply(rows);
    if (status) {
        showStatus(*status == StatusKind::Done ? keys::kReplacementsDone : keys::kReplacementsPending);
    }
}

void MainWindow::showStatus(std::string_view key) {
    const char* builtIn = key == keys::kRunStopped ? kBuiltInRunStopped : "";
    statusLabel_->setText(toQString(statusLine(fromQString(message(key, builtIn)), files_.total())));
}

void MainWindow::runFinished(const RunResult& result, bool executed) {
    if (result.mismatch) {
        tell(toQString(mismatchText(fromQString(message(keys::kUboundElementsWrong)), result.findsUbound,
                                    result.replacesUbound)));
    }
    if (executed) {
        reportLeftoversAndFailures(result.leftovers, result.failures);
    }
}

// One box for what interrupted runs left and what was done about it, and after a run for every file that
// could not be read, written or renamed; never one box per file.
void MainWindow::reportLeftoversAndFailures(const std::vector<LeftoverNote>& leftovers,
                                            const std::vector<RunFailure>& failures) {
    if (leftovers.empty() && failures.empty()) {
        return;
    }
    QStringList lines;
    if (!leftovers.empty()) {
        lines << message(keys::kLeftoversFound, kBuiltInLeftoversFound);
    }
    const std::string keptIn = fromQString(message(keys::kLeftoverKeptIn, std::string(kKeptInText).c_str()));
    for (const LeftoverNote& note : leftovers) {
        const std::string action = fromQString(
            message(leftoverKey(note.action), std::string(leftoverActionText(note.action)).c_str()));
        lines << QDir::toNativeSeparators(pathToQString(note.path)) + QStringLiteral(": ") +
                     toQString(describeLeftover(note, action, keptIn));
    }
    for (const RunFailure& failure : failures) {
        lines << QDir::toNativeSeparators(pathToQString(failure.path)) + QStringLiteral(": ") +
                     toQString(failure.reason);
    }
    const bool attention =
        !failures.empty() || std::any_of(leftovers.begin(), leftovers.end(), needsAttention);
    tell(lines.join(QLatin1Char('\n')), attention ? Dialogs::Icon::Critical : Dialogs::Icon::Information);
}

// Locking moves the focus away from a control that goes disabled; unlocking gives it back, so the user goes
// on where they were.
void MainWindow::lockInputs(bool locked) {
    if (locked) {
        focusBeforeLock_ = QApplication::focusWidget();
    }
    for (QAction* action : inputActions_) {
        action->setEnabled(!locked);
    }
    for (QWidget* input : inputs_) {
        input->setEnabled(!locked);
    }
    if (!locked && focusBeforeLock_ && focusBeforeLock_->isVisible()) {
        focusBeforeLock_->setFocus();
        focusBeforeLock_.clear();
    }
}

} // namespace morvane
