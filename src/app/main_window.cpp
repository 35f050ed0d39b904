#include "app/main_window.h"

#include "config/keyed_text.h"
#include "config/language.h"
#include "config/message_keys.h"
#include "config/relabelling.h"
#include "config/settings_format.h"
#include "engine/progress_view.h"
#include "lists/file_list.h"
#include "lists/list_text.h"
#include "lists/list_views.h"
#include "lists/pair_list.h"
#include "lists/replace_mode_view.h"
#include "tasks/saved_task_list.h"
#include "tasks/saved_task_store.h"
#include "tasks/saved_tasks_file.h"
#include "tasks/task_actions.h"
#include "ui/about_dialog.h"
#include "ui/frame_title_view.h"
#include "ui/program_version.h"
#include "util/list_columns.h"
#include "util/paths.h"
#include "util/qt_text.h"
#include "util/text_file.h"

#include <QAction>
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
#include <QTreeWidget>
#include <algorithm>

namespace morvane {

namespace {

constexpr int kCountColumn = 2;

// Headings a list shows when the language file gives none, so that its rows keep their columns.
const std::vector<std::string> kBuiltInPairHeadings{"Find", "Replace with"};
const std::vector<std::string> kBuiltInFileHeadings{"Path", "File", "Replacements"};
const std::vector<std::string> kBuiltInTaskHeadings{"Nr.", "Name", "Find", "Replace with"};

// Texts that must reach the user even when the language file is missing.
const char* const kBuiltInReadOnly =
    "This program keeps its settings and saved tasks in its own folder, and that folder cannot be written, "
    "so "
    "changes to the settings and the tasks will not be kept.\r\nTo keep them, copy the program folder to a "
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
    "The saved-tasks file held text that could not be read as tasks. So that none of it is lost when the "
    "tasks are saved, it has been copied to:";

template <class Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

MainWindow::MainWindow(std::string appFolder, Dialogs& dialogs, Shell& shell, AppFolderCheck appFolderCheck,
                       QWidget* parent)
    : QMainWindow(parent), appFolder_(std::move(appFolder)), dialogs_(dialogs), shell_(shell),
      tasks_(morvane::savedTasksPath(appFolder_)) {
    setObjectName("frm1");
    buildControls();
    buildSkin();
    buildMenus();
    connectLists();
    connect(&runs_, &RunController::progressed, this,
            [this](int percent) { picProgress_->FortschrittZeichnen(percent, kProgressColour); });
    connect(&runs_, &RunController::rowsDone, this, &MainWindow::applyRows);
    connect(&runs_, &RunController::finished, this, &MainWindow::runFinished);
    startUp(appFolderCheck);
}

void MainWindow::buildControls() {
    pages_ = new QStackedWidget(this);
    setCentralWidget(pages_);
    frameHaupt_ = named(new QWidget(pages_), "frameHaupt");
    pages_->addWidget(frameHaupt_);

    lvCurrentFindReplace_ = named(newPairListView(frameHaupt_), "lvCurrentFindReplace");
    lvFiles_ = named(new FileListView(frameHaupt_), "lvFiles");
    lvSavedReps_ = named(newSavedTaskListView(frameHaupt_), "lvSavedReps");
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
    pairEditor_ = new PairListEditor(*pages_, *frameHaupt_, *lvCurrentFindReplace_);
    // The lists get their columns from the language file at start-up, not the toolkit's placeholder column.
    for (QTreeWidget* list : std::array<QTreeWidget*, 3>{lvCurrentFindReplace_, lvFiles_, lvSavedReps_}) {
        list->setColumnCount(0);
    }

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
    QMenu* file = named(menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    QAction* newTask = named(file->addAction(QStringLiteral("New"), this, &MainWindow::MenuNeu), "mnuNew");
    newTask->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* close = named(file->addAction(QStringLiteral("Close"), this, &QWidget::close), "mnuClose");
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    close->setShortcutContext(Qt::ApplicationShortcut); // also while the About dialog has the focus

    QMenu* list = named(menuBar()->addMenu(QStringLiteral("&Find && Replace List")), "mnuList");
    QAction* showAdd = named(list->addAction(QStringLiteral("&Add new element"), this,
                                             [this] { pairEditor_->AddframeAnschalten(false); }),
                             "mnuShowAdd");
    showAdd->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* edit = named(list->addAction(QStringLiteral("&Edit selected element"), this,
                                          [this] { pairEditor_->lvCurrentZeileBearbeiten(); }),
                          "mnuEdit");
    edit->setShortcut(QKeySequence(Qt::Key_F2));
    QAction* addToTasks =
        named(list->addAction(QStringLiteral("Add to Saved Tasks"), this, &MainWindow::AddToTaskList),
              "mnuAddToTasks");
    addToTasks->setShortcut(QKeySequence(Qt::Key_F3));
    named(list->addSeparator(), "mnuTrenn(0)");
    mnuSimulate_ = named(
        list->addAction(QStringLiteral("Update/ Simulate"), this, [this] { ErsetzenSimulieren(false); }),
        "mnuSimulate");
    mnuSimulate_->setShortcut(QKeySequence(Qt::Key_F5));
    mnuReplace_ = named(list->addAction(QStringLiteral("Execute/ Replace"), this, &MainWindow::ReplaceIt),
                        "mnuReplace");
    mnuReplace_->setShortcut(QKeySequence(Qt::Key_F8));

    QMenu* languages = named(menuBar()->addMenu(QStringLiteral("Language")), "mnuLanguages");
    const std::array<const char*, 2> names{"English", "German"};
    for (int index = 0; index < kLanguageCount; ++index) {
        QAction* item = languages->addAction(QString::fromUtf8(names[static_cast<std::size_t>(index)]));
        item->setObjectName(QString("mnuLanguage(%1)").arg(index));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, index] {
            SpracheAusgewaehlt(index);
            saveSettings();
        });
        mnuLanguage_[static_cast<std::size_t>(index)] = item;
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
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, pairEditor_, &PairListEditor::HaupframeZeigen);
}

void MainWindow::connectLists() {
    connect(lvFiles_, &FileListView::filesDropped, this, &MainWindow::dropFiles);
    connect(lvFiles_, &KeyedListView::keyPressed, this, &MainWindow::onFileListKey);
    connect(lvFiles_, &QTreeWidget::itemDoubleClicked, this,
            [this] { ListenEvent(*lvFiles_, QStringLiteral("Explorer"), shell_); });
    connect(pairEditor_, &PairListEditor::pairsChanged, this, [this] { ErsetzenSimulieren(false); });
    connect(replaceMode_, &ReplaceModeOption::changed, this, &MainWindow::onModeChanged);
    connect(lvSavedReps_, &KeyedListView::keyPressed, this, &MainWindow::onSavedTaskKey);
    connect(lvSavedReps_, &QTreeWidget::itemDoubleClicked, this, &MainWindow::lvCurrentTaskBearbeiten);
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
    const SavedTaskStore::Sync opened = tasks_.open(writable_.tasks);
    RepTasksInListeLaden(*lvSavedReps_, tasks_.table());
    pairEditor_->HaupframeZeigen();
    FormResize();
    show();
    reportReadOnlyStateFiles();
    reportKeptAside(opened.keptAside);
}

// Once, at start-up: a folder that cannot be written as a whole, or each state file that cannot.
void MainWindow::reportReadOnlyStateFiles() {
    const auto report = [this](std::string_view key, const char* builtIn, const std::string& path) {
        dialogs_.message(this, toQString(kApplicationTitle),
                         message(key, builtIn) + QStringLiteral("\r\n") +
                             QDir::toNativeSeparators(pathToQString(path)),
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
        report(keys::kTasksReadOnly, kBuiltInTasksReadOnly, tasks_.path());
    }
}

void MainWindow::reportKeptAside(const std::string& keptAside) {
    if (!keptAside.empty()) {
        dialogs_.message(this, toQString(kApplicationTitle),
                         message(keys::kTasksKeptAside, kBuiltInTasksKeptAside) + QStringLiteral("\r\n") +
                             QDir::toNativeSeparators(pathToQString(keptAside)),
                         Dialogs::Icon::Information);
    }
}

// What another window saved shows in the list; the numbers this window showed stay as they were.
void MainWindow::showTakenIn(const SavedTaskStore::Sync& sync) {
    if (sync.tableChanged) {
        RepTasksInListeLaden(*lvSavedReps_, tasks_.table());
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
    SpracheEinstellen();
}

void MainWindow::SpracheEinstellen() {
    const std::string path = joinPath(appFolder_, kLanguageFileName);
    if (!DateiExistiert(path)) {
        dialogs_.message(this, tr("Error"), QStringLiteral("Language file not found"),
                         Dialogs::Icon::Critical);
        return;
    }
    if (normaliseKeyedText(TextDateiEinlesen(path)).empty()) {
        dialogs_.message(this, tr("Error"), QStringLiteral("Language File empty"), Dialogs::Icon::Critical);
        return;
    }
    for (const Relabel& row : kRelabelTable) {
        applyLabel(*this, row, message(row.key));
    }
    applyLayout(); // the labels take the width of their new captions
}

void MainWindow::ListenColumnsEinstellen() {
    const std::array<std::pair<QTreeWidget*, std::string_view>, 3> lists{
        {{lvCurrentFindReplace_, keys::kFindReplaceWith},
         {lvFiles_, keys::kPathFileReplacements},
         {lvSavedReps_, keys::kSavedTaskColumns}}};
    const std::array<const std::vector<std::string>*, 3> builtIn{&kBuiltInPairHeadings, &kBuiltInFileHeadings,
                                                                 &kBuiltInTaskHeadings};
    for (const auto& [list, key] : lists) {
        ListViewInit(*list);
    }
    lvCurrentFindReplace_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvSavedReps_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const std::vector<std::string> headings = splitHeadings(fromQString(message(lists[i].second)));
        ListViewAddColumns(*lists[i].first, headings.empty() ? *builtIn[i] : headings);
    }
    lvSavedReps_->setColumnWidth(0, 0);
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
    const auto apply = [](QTreeWidget& list, const auto& columns) {
        for (std::size_t column = 0; column < columns.size(); ++column) {
            if (columns[column] && static_cast<int>(column) < list.columnCount()) {
                list.setColumnWidth(static_cast<int>(column), pixelsFromTwips(*columns[column]));
            }
        }
    };
    apply(*lvCurrentFindReplace_, widths.findReplace);
    apply(*lvSavedReps_, widths.savedTasks);
    apply(*lvFiles_, widths.files);
}

QString MainWindow::message(std::string_view key) const {
    return toQString(MeldungLaden(appFolder_, key, settings_.Language));
}

QString MainWindow::message(std::string_view key, const char* builtIn) const {
    const QString text = message(key);
    return text.isEmpty() ? QString::fromUtf8(builtIn) : text;
}

void MainWindow::dropFiles(const QStringList& paths) {
    AddNewFileToList(*lvFiles_, paths);
    lvFiles_->IconsLaden(appFolder_);
    ErsetzenSimulieren(false);
}

void MainWindow::onFileListKey(KeyStroke key) {
    switch (fileListKey(key)) {
    case FileListKey::ShowInFolder:
        ListenEvent(*lvFiles_, QStringLiteral("Explorer"), shell_);
        break;
    case FileListKey::Open:
        ListenEvent(*lvFiles_, QStringLiteral("Open"), shell_);
        break;
    case FileListKey::DeleteSelected:
        ListViewDeleteSelected(*lvFiles_); // each count belongs to its own file: no run needed
        break;
    case FileListKey::SelectAll:
        ListViewSelectAll(*lvFiles_);
        break;
    case FileListKey::None:
        break;
    }
}

void MainWindow::onModeChanged(bool replaceInContents) {
    settings_.ReplaceInContents = replaceInContents;
    saveSettings();
    ErsetzenSimulieren(false);
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
    const SavedTaskStore::SaveOutcome saved = tasks_.save();
    showTakenIn(saved.sync);
    if (!saved.written.ok()) {
        dialogs_.message(this, toQString(kApplicationTitle),
                         message(keys::kTasksNotSaved, kBuiltInTasksNotSaved) + QStringLiteral("\r\n") +
                             QDir::toNativeSeparators(pathToQString(tasks_.path())) + QStringLiteral(": ") +
                             toQString(saved.written.error),
                         Dialogs::Icon::Critical);
    }
}

// Tasks other windows stored meanwhile come first, so the new task is numbered after them.
void MainWindow::AddToTaskList() {
    if (writable_.tasks) {
        showTakenIn(tasks_.takeInChanges());
    }
    SavedReps& reps = tasks_.table();
    switch (storeTask(reps, fromQString(txtTaskName_->text()), workingLists())) {
    case StoreOutcome::Stored:
        AddNewTaskToList(*lvSavedReps_, reps.back(), reps.size() - 1);
        break;
    case StoreOutcome::NoName:
        dialogs_.message(this, QStringLiteral("Name"), message(keys::kSpecifyReplacementTask),
                         Dialogs::Icon::None);
        break;
    case StoreOutcome::NotFaithful:
        dialogs_.message(this, toQString(kApplicationTitle), message(keys::kSavingNotPossible),
                         Dialogs::Icon::Information);
        return;
    case StoreOutcome::NoPairs:
        break;
    }
    saveTasks();
}

void MainWindow::lvCurrentTaskBearbeiten() {
    const TaskLoad load =
        loadTask(tasks_.table(), selectedTask(*lvSavedReps_, tasks_.table()), settings_.AddFilesToFilelist);
    setPairs(load.finds, load.replaces);
    if (load.files) {
        setFiles(*load.files);
    }
    if (!load.name) {
        return;
    }
    txtTaskName_->setText(toQString(*load.name));
    replaceMode_->OptRepEinstellen(*load.replaceInContents);
    lvFiles_->IconsLaden(appFolder_);
    ErsetzenSimulieren(false);
}

void MainWindow::MenuNeu() {
    const WorkingLists fresh = newWorkingLists(workingLists());
    setPairs(fresh.finds, fresh.replaces);
    setFiles(fresh.files);
    statusLabel_->clear();
    txtTaskName_->clear();
}

WorkingLists MainWindow::workingLists() const {
    return WorkingLists{ListViewSpalteHolen(*lvCurrentFindReplace_, 0),
                        ListViewSpalteHolen(*lvCurrentFindReplace_, 1), ListViewPfadeHolen(*lvFiles_, 0),
                        replaceMode_->replaceInContents()};
}

void MainWindow::setPairs(const std::vector<std::string>& finds, const std::vector<std::string>& replaces) {
    pairEditor_->FindRepListeLoeschen();
    for (std::size_t j = 0; j < finds.size() && j < replaces.size(); ++j) {
        pairEditor_->AddNewElementToList(toQString(finds[j]), toQString(replaces[j]));
    }
}

void MainWindow::setFiles(const std::vector<std::string>& paths) {
    lvFilesListeLoeschen(*lvFiles_);
    QStringList rows;
    for (const std::string& path : paths) {
        rows << pathToQString(path);
    }
    AddNewFileToList(*lvFiles_, rows);
}

void MainWindow::onSavedTaskKey(KeyStroke key) {
    switch (savedTaskKey(key)) {
    case SavedTaskKey::DeleteSelected:
        MarkierteZeilenRepLoeschen(*lvSavedReps_, tasks_.table());
        saveTasks();
        break;
    case SavedTaskKey::SelectAll:
        ListViewSelectAll(*lvSavedReps_);
        break;
    case SavedTaskKey::Load:
        lvCurrentTaskBearbeiten();
        break;
    case SavedTaskKey::None:
        break;
    }
}

RunRequest MainWindow::snapshot(bool ausfuehren) const {
    WorkingLists lists = workingLists();
    RunRequest request;
    request.finds = std::move(lists.finds);
    request.replaces = std::move(lists.replaces);
    request.files = std::move(lists.files);
    request.mode = lists.replaceInContents ? ReplaceMode::Contents : ReplaceMode::FileNames;
    request.ausfuehren = ausfuehren;
    return request;
}

void MainWindow::ErsetzenSimulieren(bool ausfuehren) {
    if (executing_) {
        simulateAfterExecute_ = simulateAfterExecute_ || !ausfuehren;
        return;
    }
    RunRequest request = snapshot(ausfuehren);
    // A mismatch of the pair columns leaves the counts as they are.
    if (request.finds.size() == request.replaces.size()) {
        ListViewChangeRows(*lvFiles_, [this] {
            for (int row = 0; row < lvFiles_->topLevelItemCount(); ++row) {
                lvFiles_->topLevelItem(row)->setText(kCountColumn, QStringLiteral("0"));
            }
        });
    }
    executing_ = ausfuehren;
    runningExecute_ = ausfuehren;
    setInputsEnabled(!ausfuehren);
    runs_.start(std::move(request));
}

void MainWindow::ReplaceIt() {
    if (executing_) {
        return;
    }
    simulateAfterExecute_ = true;
    ErsetzenSimulieren(true);
}

void MainWindow::applyRows(const std::vector<RowUpdate>& rows, std::int64_t total,
                           std::optional<StatusKind> status) {
    ListViewChangeRows(*lvFiles_, [&] {
        for (const RowUpdate& update : rows) {
            QTreeWidgetItem* item = lvFiles_->topLevelItem(static_cast<int>(update.row));
            if (!item) {
                continue; // the row was removed while the run went on
            }
            item->setText(kCountColumn, QString::number(update.result.count));
            if (update.result.renamed) {
                item->setText(0, pathToQString(update.result.path));
                item->setText(1, pathToQString(DateiNameHolen(update.result.path)));
            }
        }
    });
    if (status) {
        showStatus(*status, total);
    }
}

void MainWindow::showStatus(StatusKind kind, std::int64_t total) {
    const std::string_view key =
        kind == StatusKind::Done ? keys::kReplacementsDone : keys::kReplacementsPending;
    statusLabel_->setText(toQString(statusLine(fromQString(message(key)), total)));
}

void MainWindow::runFinished(const RunResult& result) {
    const bool wasExecute = runningExecute_;
    executing_ = false;
    runningExecute_ = false;
    setInputsEnabled(true);
    if (result.mismatch) {
        dialogs_.message(this, toQString(kApplicationTitle),
                         toQString(mismatchText(fromQString(message(keys::kUboundElementsWrong)),
                                                result.findsUbound, result.replacesUbound)),
                         Dialogs::Icon::None);
    }
    if (wasExecute) {
        reportFailures(result);
    }
    if (simulateAfterExecute_) {
        simulateAfterExecute_ = false;
        ErsetzenSimulieren(false);
    }
}

// One box after the run for every file that could not be read, written or renamed, never one per file.
void MainWindow::reportFailures(const RunResult& result) {
    if (result.failures.empty()) {
        return;
    }
    QStringList lines;
    for (const RunFailure& failure : result.failures) {
        lines << QDir::toNativeSeparators(pathToQString(failure.path)) + QStringLiteral(": ") +
                     toQString(failure.reason);
    }
    dialogs_.message(this, toQString(kApplicationTitle), lines.join(QLatin1Char('\n')),
                     Dialogs::Icon::Critical);
}

void MainWindow::setInputsEnabled(bool enabled) {
    mnuSimulate_->setEnabled(enabled);
    mnuReplace_->setEnabled(enabled);
    for (QWidget* input : inputs_) {
        input->setEnabled(enabled);
    }
}

} // namespace morvane
