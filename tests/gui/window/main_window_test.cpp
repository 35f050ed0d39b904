#include "core/state/saved_tasks_file.h"
#include "core/state/settings.h"
#include "gui/lists/file_list_view.h"
#include "gui/lists/folder_files_dialog.h"
#include "gui/lists/pair_editor_controller.h"
#include "gui/widgets/about_dialog.h"
#include "gui/window/main_window.h"
#include "gui/window/preview_window.h"
#include "support/gated_runner.h"
#include "support/killed_child.h"
#include "support/temp_dir.h"
#include "support/window_doubles.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <filesystem>

using namespace morvane;

namespace {

using testing::readBytes;

// An execute run flushes every file and folder it writes to disk; on a machine busy with other writes that
// can take longer than the default five seconds of a waiting comparison.
constexpr int kFlushedWriteMs = 30'000;

const char* const kLanguageFile =
    "[Replacements pending]\tPending:\tAusstehend:\r\n"
    "[Replacements done]\tDone:\tErledigt:\r\n"
    "[Run stopped]\tStopped:\tAngehalten:\r\n"
    "[Undo done]\tUndone: %1 back, %2 left\tRückgängig: %1 zurück, %2 belassen\r\n";

struct Setup {
    bool contents = true;
    SavedReps tasks = emptySavedReps();
    RunController::Runner runner = RunController::defaultRunner();
};

// A window on a fresh application folder, with handles on its controls.
struct Fixture {
    testing::TempDir app;
    testing::TempDir files;
    testing::RecordingDialogs dialogs;
    testing::RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    ListView* pairs = nullptr;
    FileListView* fileList = nullptr;
    ListView* tasks = nullptr;
    QLabel* status = nullptr;

    explicit Fixture(Setup setup = {}) {
        app.write("Sprachen.txt", kLanguageFile);
        std::filesystem::create_directories(app.file("Icons"));
        std::filesystem::copy(MORVANE_SOURCE_DIR "/data/Icons/Skin0", app.file("Icons/Skin0"));
        std::filesystem::remove(app.file("Icons/Skin0/B5_2.gif")); // a missing skin file must not matter
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Icons/StatQuestion.bmp",
                                   app.file("Icons/StatQuestion.bmp"));
        Settings settings;
        settings.replaceInContents = setup.contents;
        storeSettings(app.path(), settings);
        if (setup.tasks.size() > 1) {
            writeSavedTasks(app.file("Saved_Replacements.txt"), setup.tasks);
        }
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell, stateFilesWritable, setup.runner);
        pairs = child<ListView>("lvCurrentFindReplace");
        fileList = child<FileListView>("lvFiles");
        tasks = child<ListView>("lvSavedReps");
        status = child<QLabel>("Label(4)");
        QApplication::setActiveWindow(window.get());
    }
    template <class T> T* child(const char* name) { return window->findChild<T*>(name); }
    QStringList column(int column) const {
        QStringList all;
        for (int row = 0; row < fileList->model()->rowCount(); ++row) {
            all << fileList->model()->index(row, column).data().toString();
        }
        return all;
    }
    QStringList counts() const { return column(FileListModel::kCountColumn); }
    QStringList names() const { return column(FileListModel::kNameColumn); }
    std::vector<std::string> paths() const { return window->files().paths(); }
    void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
    bool idle() const { return !window->running() && !window->undoing(); }
    bool editing() { return window->pairEditor().editorShown(); }
    // Adds the rows and waits until they are counted.
    void add(const std::vector<std::string>& paths) {
        window->addRows(paths);
        QTRY_VERIFY(idle());
    }
    // Selects the rows and gives the list the focus, as a user's clicks do.
    static void select(ListView* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        list->setFocus();
    }
    // QTest leaves the button down after a double-click; the release ends it as a mouse would.
    static void doubleClick(ListView* list, int row) {
        const QPoint at = list->visualRect(list->model()->index(row, 1)).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    // Right-clicks the row, as the user does: a row not selected becomes the current and only selected one.
    QMenu* menuOn(int row) {
        if (!fileList->selectionModel()->isRowSelected(row, {})) {
            fileList->setCurrentRow(row);
            select(fileList, {row});
        }
        const QPoint at =
            fileList->visualRect(fileList->model()->index(row, FileListModel::kNameColumn)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, fileList->viewport()->mapToGlobal(at));
        QApplication::sendEvent(fileList->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static void choose(QMenu* menu, const char* item) {
        QAction* action = menu->findChild<QAction*>(item);
        QVERIFY2(action && action->isEnabled(), item);
        menu->close();
        action->trigger();
    }
    void clickHeading(int column) {
        QHeaderView* header = fileList->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }
};

// A run of three files killed after the second, as a crash leaves it.
void killARunPartWay(Fixture& f) {
    const std::vector<std::string> paths{f.files.write("1.txt", "old"), f.files.write("2.txt", "old"),
                                         f.files.write("3.txt", "old")};
    QVERIFY(testing::killedInChild([&] {
        testing::KilledAfterRows killer(2);
        runPairs({.finds = {"old"},
                  .replaces = {"new"},
                  .files = paths,
                  .execute = true,
                  .stateFolder = f.app.path()},
                 &killer);
    }));
}

// What a killed run leaves: its journal names the folder it wrote in, where its temporary file lies.
void leaveLeftovers(Fixture& f) {
    f.files.write(".a.txt.morvane-k3j4h5g6f7", "new");
    std::filesystem::create_directory(f.app.file("Undo"));
    f.app.write("Undo/run-1-1.journal", "morvane-journal\t1\nfolder\t" + f.files.path() + "\n");
    f.app.write(".Saved_Replacements.txt.morvane-k3j4h5g6f7", "");
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Dropped local files join the list in the drop's order with the bytes of their paths and are counted;
    // what is not a local file is ignored. The chooser adds files, named by its menu item.
    void droppedAndChosenFilesJoinTheListAndAreCounted() {
        Fixture f;
        f.window->pairs().append("a", "b");
        const std::string one = f.files.write("one.txt", "aa");
        const std::string bad = f.files.write("bad\xff.txt", "a");
        QMimeData urls;
        urls.setUrls({QUrl("https://example.org/a.txt"), QUrl::fromLocalFile(QString::fromStdString(one)),
                      QUrl::fromEncoded("file://" + QByteArray::fromStdString(bad).toPercentEncoding("/"))});
        // As the desktop delivers a drop: the drag enters first, and only an accepted one is dropped.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &urls, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.fileList->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &urls, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.fileList->viewport(), &drop);
        QCOMPARE(f.paths(), (std::vector<std::string>{one, bad}));
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
        QTRY_VERIFY(f.idle());
        f.dialogs.chosenFiles = {QString::fromStdString(f.files.write("two.txt", "a"))};
        f.key(f.window.get(), Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(f.status->text(), QString("Pending: 4"));
        QCOMPARE(f.dialogs.titles, QStringList{"Add Files"});
    }

    // F5 counts again and F8 replaces, then counts what is left; the focus is where the user was.
    void f5CountsAgainAndF8ReplacesThenCountsWhatIsLeft() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.window->pairs().append("a", "aa");
        f.add({f.files.write("one.txt", "a")});
        f.files.write("one.txt", "a-a");
        f.key(f.window.get(), Qt::Key_F5);
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        QTRY_VERIFY(f.idle());
        f.fileList->setFocus();
        f.key(f.window.get(), Qt::Key_F8);
        QTRY_COMPARE_WITH_TIMEOUT(readBytes(f.files.file("one.txt")), std::string("aa-aa"), kFlushedWriteMs);
        QTRY_COMPARE(f.status->text(),
                     QString("Done: 2; files changed: 1, failed: 0. Ctrl+Z undoes it. Pending: 4"));
        QTRY_VERIFY(f.idle());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.fileList));
    }

    // Ctrl+A selects every row; Space and a double-click show the file, Enter opens it, and a missing file
    // nothing. Delete is checked on a sorted list below.
    void fileListKeysReachTheirActions() {
        Fixture f;
        const std::string one = f.files.write("one.txt", "");
        f.add({one, f.files.file("gone.txt"), f.files.write("three.txt", "")});
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.fileList->selectedRows(), (std::vector<int>{0, 1, 2}));
        f.fileList->setCurrentRow(0);
        f.key(f.fileList, Qt::Key_Space);
        f.key(f.fileList, Qt::Key_Return);
        Fixture::doubleClick(f.fileList, 0);
        f.fileList->setCurrentRow(1);
        f.key(f.fileList, Qt::Key_Return);
        const QString shown = QString::fromStdString(one);
        QCOMPARE(f.shell.calls, (QStringList{"show " + shown, "open " + shown, "show " + shown}));
    }

    // F1 opens the editor over the page; Enter breaks the line and Ctrl+Enter adds what was typed. Enter on a
    // row opens it for editing, where swap and Ctrl+Enter write the row; Escape closes the editor.
    void editorKeysAddAndUpdatePairs() {
        Fixture f;
        auto* find = f.child<QPlainTextEdit>("txtFind");
        f.key(f.window.get(), Qt::Key_F1);
        QVERIFY(f.editing() && !f.fileList->isVisible()); // the covered page cannot be reached
        QTest::keyClicks(find, "x");
        f.key(find, Qt::Key_Return);
        QTest::keyClicks(f.child<QPlainTextEdit>("txtReplace"), "z");
        f.key(find, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!f.editing());
        QCOMPARE(f.window->pairs().row(0).find, std::string("x\r\n"));
        f.window->pairs().append("d", "e");
        f.pairs->setCurrentRow(1);
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Return);
        QVERIFY(f.child<QPushButton>("cmdUpdateElement")->isVisible());
        f.child<QPushButton>("cmdSwap")->click();
        f.key(find, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(f.window->pairs().finds(), (std::vector<std::string>{"x\r\n", "e"}));
        f.key(f.window.get(), Qt::Key_F2);
        f.key(find, Qt::Key_Escape);
        QVERIFY(!f.editing());
    }

    // The toggles' shortcuts set the options of the pair that is added, while typing goes on, and the run
    // gets them. A pattern that cannot be used is marked while it is typed and not added.
    void toggledOptionsReachTheRunAndABadPatternIsNotAdded() {
        const testing::GatedRunner seen; // no file, so no gate: it records the runs' options
        Fixture f(Setup{.runner = seen.runner()});
        auto* find = f.child<QPlainTextEdit>("txtFind");
        auto* add = f.child<QPushButton>("cmdAddNewElement");
        f.key(f.window.get(), Qt::Key_F1);
        QTest::keyClicks(find, "IMG_(\\d+");
        f.key(f.window.get(), Qt::Key_W, Qt::AltModifier);
        QVERIFY(add->isEnabled() && find->toolTip().isEmpty());
        f.key(f.window.get(), Qt::Key_R, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), find);
        QVERIFY(!add->isEnabled() && find->toolTip().contains("missing )"));
        QTest::keyClicks(find, ")");
        add->click();
        const PairOptionsList wordPattern{{.wholeWord = true, .pattern = true}};
        QTRY_VERIFY(!seen.started().empty() && seen.started().back().options == wordPattern);
    }

    // Choosing the mode highlights it, saves it and counts again; so does deleting pairs.
    void choosingTheModeOrDeletingPairsCountsAgain() {
        Fixture f(Setup{.contents = false});
        auto* contents = f.child<QLabel>("Label(7)");
        f.window->pairs().append("txt", "md");
        f.window->pairs().append("t", "T");
        f.add({f.files.write("txt.txt", "txt")});
        QCOMPARE(f.counts(), QStringList{"2"});
        QTest::mouseClick(contents, Qt::LeftButton);
        QVERIFY(contents->font().bold() && !f.child<QLabel>("Label(6)")->font().bold());
        QVERIFY(loadSettings(f.app.path()).replaceInContents);
        QTRY_COMPARE(f.counts(), QStringList{"1"});
        QTRY_VERIFY(f.idle());
        Fixture::select(f.pairs, {0});
        f.key(f.pairs, Qt::Key_Backspace);
        QTRY_COMPARE(f.counts(), QStringList{"2"});
    }

    // While an execute run goes, nothing that changes the lists or starts a run is offered, undo neither.
    void anExecuteRunLocksEverythingThatChangesTheListsOrStartsARun() {
        testing::GatedRunner gate;
        Fixture f(Setup{.runner = gate.runner()});
        runPairs({.finds = {"a"},
                  .replaces = {"b"},
                  .files = {f.files.write("one.txt", "a")},
                  .execute = true,
                  .stateFolder = f.app.path()});
        f.window->executeReplacements();
        for (const char* action : {"mnuNew", "mnuAddFiles", "mnuAddFolder", "mnuShowAdd", "mnuEdit",
                                   "mnuAddToTasks", "mnuSimulate", "mnuReplace", "mnuUndo"}) {
            QVERIFY2(!f.child<QAction>(action)->isEnabled(), action);
        }
        for (QWidget* input : {static_cast<QWidget*>(f.pairs), static_cast<QWidget*>(f.fileList),
                               static_cast<QWidget*>(f.tasks), f.child<QWidget>("Label(6)")}) {
            QVERIFY2(!input->isEnabled(), qPrintable(input->objectName()));
        }
        gate.open();
        QTRY_VERIFY(f.idle());
        QVERIFY(f.child<QAction>("mnuUndo")->isEnabled() && f.fileList->isEnabled());
    }

    // Ctrl+Z takes the last execute run back; a file changed since is left and told in one box, and the
    // status line keeps what undo did, naming the run, through the simulate run that follows.
    void ctrlZPutsTheLastExecuteBackUnlessAFileChangedSince() {
        Fixture f;
        QAction* undo = f.child<QAction>("mnuUndo");
        f.window->pairs().append("a", "b");
        f.add({f.files.write("one.txt", "a-a"), f.files.write("two.txt", "a")});
        f.window->executeReplacements();
        QTRY_VERIFY(undo->isEnabled() && f.idle());
        const QString runName = undo->text().section('(', 1);
        f.files.write("two.txt", "edited");
        f.key(f.window.get(), Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY(f.idle());
        QCOMPARE(readBytes(f.files.file("one.txt")), std::string("a-a"));
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(f.files.file("two.txt"))));
        QTRY_COMPARE(f.counts(), (QStringList{"2", "0"}));
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.status->text(), "Undone: 1 back, 1 left (" + runName);
        QVERIFY(runName.endsWith(", files: 2)") && !undo->isEnabled());
    }

    // Escape stops a simulate run at once, and an execute run after the file it is on, with no simulate run
    // after it; the status line says what was found so far.
    void escapeStopsARunAndTheStatusLineSaysSo() {
        for (const bool execute : {false, true}) {
            testing::GatedRunner gate(1);
            Fixture f(Setup{.runner = gate.runner()});
            f.window->pairs().append("a", "b");
            f.window->files().append({f.files.write("1.txt", ""), f.files.write("2.txt", "")});
            execute ? f.window->executeReplacements() : f.window->runs().simulate();
            QTRY_VERIFY(gate.waiting());
            f.key(f.window.get(), Qt::Key_Escape);
            QTRY_VERIFY(f.idle());
            // What the first file counted may or may not have been shown before a simulate run stopped.
            const QString total = QString::number(f.window->files().total());
            QCOMPARE(f.status->text(),
                     execute
                         ? "Done: " + total + "; files changed: 1, failed: 0. Stopped before the last file."
                         : "Stopped: " + total);
            QCOMPARE(f.counts().value(1), QString("0"));
            QCOMPARE(gate.started().size(), 1u);
        }
    }

    // A renamed row takes its new name; a failed one keeps its own and tells why by its count, and is told in
    // one box together with the leftovers the run cleared in its folders.
    void anExecuteRunsFailuresAndLeftoversAreShownOnTheRowsAndInOneBox() {
        Fixture f(Setup{.contents = false});
        f.window->pairs().append("old", "new");
        f.files.write("new-2.txt", "taken");
        const std::string stray = f.files.write(".old-1.txt.morvane-k3j4h5g6f7", "b");
        f.add({f.files.write("old-1.txt", "a"), f.files.write("old-2.txt", "b")});
        f.window->executeReplacements();
        QTRY_COMPARE(f.status->text(),
                     QString("Done: 1; files changed: 1, failed: 1. Ctrl+Z undoes it. Pending: 1"));
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.names(), (QStringList{"new-1.txt", "old-2.txt"}));
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(f.files.file("old-2.txt"))));
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(stray)));
        const QModelIndex failed = f.fileList->model()->index(1, FileListModel::kCountColumn);
        QVERIFY(failed.data(Qt::ToolTipRole).toString().contains("new-2.txt"));
        QVERIFY(!failed.data(Qt::DecorationRole).isNull());
    }

    // What a start finds amiss is told in one box, and once: a missing language file, a run killed part way
    // (offered for undo), leftovers of interrupted runs (cleared), saved tasks that cannot be read (kept
    // aside), state files that cannot be written (then never written, not even repaired).
    void whatAStartFindsAmissIsToldOnce() {
        struct Case {
            const char* told;
            void (*prepare)(Fixture&);
            bool toldAgain;
            StateFilesWritable writable;
        };
        const StateFilesWritable all{.folder = true, .settings = true, .tasks = true};
        const StateFilesWritable noSettings{.folder = true, .settings = false, .tasks = true};
        const StateFilesWritable noTasks{.folder = true, .settings = true, .tasks = false};
        const Case cases[] = {
            {"Language file not found",
             [](Fixture& f) { std::filesystem::remove(f.app.file("Sprachen.txt")); }, true, all},
            {"interrupted part way", killARunPartWay, false, all},
            {"morvane-k3j4h5g6f7", leaveLeftovers, false, all},
            {"has been copied to", [](Fixture& f) { f.app.write("Saved_Replacements.txt", "other\r\n"); },
             false, all},
            {"cannot be written", [](Fixture&) {}, true, {}},
            {"Settings.txt", [](Fixture&) {}, true, noSettings},
            {"Saved_Replacements.txt", [](Fixture&) {}, true, noTasks},
        };
        for (const Case& c : cases) {
            Fixture f;
            c.prepare(f);
            // Settings lacking keys: a start-up that may write repairs them.
            const std::string settings = f.app.write("Settings.txt", "[Language]\t\t0\r\n");
            const std::string tasks = readBytes(f.window->savedTasksPath());
            f.dialogs.answer = true;
            // Tests run as root, who may write anything; the check stands in for the permissions.
            const auto start = [&] {
                return std::make_unique<MainWindow>(f.app.path(), f.dialogs, f.shell,
                                                    [&](const std::string&) { return c.writable; });
            };
            auto window = start();
            QTRY_VERIFY(!window->undoing());
            const QStringList told = f.dialogs.texts + f.dialogs.questions;
            QVERIFY2(told.size() == 1 && told[0].contains(c.told), c.told);
            window->pairs().append("x", "y");
            window->findChild<QLineEdit*>("txtTaskName")->setText("kept");
            window->addToSavedTasks();
            QCOMPARE(readBytes(settings) != "[Language]\t\t0\r\n", c.writable.settings);
            QCOMPARE(readBytes(f.window->savedTasksPath()) != tasks, c.writable.tasks);
            window = start();
            QVERIFY2(f.dialogs.texts.size() + f.dialogs.questions.size() == (c.toldAgain ? 2u : 1u), c.told);
        }
    }

    // Every text in sight follows the chosen language at once, and the choice is kept in the settings.
    void switchingLanguageChangesEveryVisibleText() {
        Fixture f;
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", f.app.file("Sprachen.txt"),
                                   std::filesystem::copy_options::overwrite_existing);
        f.window->chooseLanguage(0);
        f.window->pairs().append("a", "b");
        f.add({f.files.write("a.txt", "aa")});
        f.window->preview().show();
        const auto shown = [&f] {
            return QStringList{f.window->pairs().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                               f.window->preview().windowTitle(), f.status->text(),
                               f.child<QMenu>("mnuFile")->title()};
        };
        QCOMPARE(shown(), (QStringList{"Find", "Preview", "Replacements pending: 2", "&File"}));
        f.child<QAction>("mnuLanguage(1)")->trigger();
        QCOMPARE(shown(), (QStringList{"Suchen", "Vorschau", "Ausstehende Ersetzungen: 2", "&Datei"}));
        QVERIFY(f.child<QAction>("mnuLanguage(1)")->isChecked() &&
                !f.child<QAction>("mnuLanguage(0)")->isChecked());
        QCOMPARE(loadSettings(f.app.path()).language, 1);
    }

    // A task without a name is refused with a box; F3 and the button store, Delete deletes, Ctrl+Z brings the
    // newest delete back, and a store that cannot be written is told while the task still shows.
    void taskKeysAndButtonsReachTheStore() {
        Fixture f;
        const auto rows = [&f] { return f.tasks->model()->rowCount(); };
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.child<QLineEdit>("txtTaskName")->clear();
        f.window->pairs().append("a", "b");
        f.window->addToSavedTasks();
        QCOMPARE(f.dialogs.texts.size(), 1);
        f.child<QLineEdit>("txtTaskName")->setText("Twice");
        f.key(f.window.get(), Qt::Key_F3);
        f.child<QPushButton>("cmdToList")->click();
        QCOMPARE(rows(), 2);
        Fixture::select(f.tasks, {0});
        f.key(f.tasks, Qt::Key_Delete);
        // The empty first entry, and the task left.
        QCOMPARE(readOrCreateSavedTasks(f.window->savedTasksPath()).size(), 2u);
        f.key(f.tasks, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rows(), 2);
        // A folder in the file's place cannot be replaced, not even by root.
        std::filesystem::remove(f.window->savedTasksPath());
        std::filesystem::create_directory(f.window->savedTasksPath());
        f.child<QPushButton>("cmdToList")->click();
        QCOMPARE(f.dialogs.texts.size(), 2);
        QVERIFY(f.dialogs.texts[1].contains("could not be written"));
        QCOMPARE(rows(), 3);
    }

    // Enter loads a task's pairs, name and mode but not its files; with the menu item's setting on, a
    // double-click loads its files in place of the list's. New empties the working lists only.
    void loadingATaskTakesItsFilesOnlyWithTheSettingOn() {
        testing::TempDir data;
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{.name = "Rename",
                               .files = {data.write("kept.txt", "old")},
                               .finds = {"kept"},
                               .replacements = {"done"},
                               .replaceInContents = false});
        Fixture f(Setup{.tasks = reps});
        const std::string other = f.files.write("other.txt", "");
        f.add({other});
        f.tasks->setCurrentRow(0);
        Fixture::select(f.tasks, {0});
        f.key(f.tasks, Qt::Key_Return);
        QCOMPARE(f.window->pairs().finds(), std::vector<std::string>{"kept"});
        QVERIFY(f.child<QLabel>("Label(6)")->font().bold());
        QCOMPARE(f.paths(), std::vector<std::string>{other});
        f.child<QAction>("mnuTaskFiles")->trigger();
        QVERIFY(loadSettings(f.app.path()).addFilesToFileList);
        Fixture::doubleClick(f.tasks, 0);
        QCOMPARE(f.paths(), reps[1].files);
        QTRY_VERIFY(f.idle());
        f.key(f.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.window->pairs().size() + f.window->files().size(), 0);
        QVERIFY(f.status->text().isEmpty() && f.child<QLineEdit>("txtTaskName")->text().isEmpty());
        QCOMPARE(f.tasks->model()->rowCount(), 1);
    }

    // The file list's context menu does what its keys do, and offers a folder's files only on folder rows.
    void contextMenuOffersWhatTheKeysDoAndFolderFilesOnlyOnFolderRows() {
        Fixture f;
        const std::string one = f.files.write("one.txt", "a");
        f.add({one, f.files.makeFolder("folder")});
        QMenu* menu = f.menuOn(0);
        QVERIFY(menu && !menu->findChild<QAction*>("mnuFileAddFolderFiles"));
        QCOMPARE(menu->findChild<QAction*>("mnuFileShowInFolder")->text(), QString("Show in &Folder\tSpace"));
        Fixture::choose(menu, "mnuFileOpen");
        QCOMPARE(f.shell.calls, QStringList{"open " + QString::fromStdString(one)});
        Fixture::choose(f.menuOn(1), "mnuFileSelectAll");
        QCOMPARE(f.fileList->selectedRows(), (std::vector<int>{0, 1}));
        Fixture::select(f.fileList, {0});
        Fixture::choose(f.menuOn(0), "mnuFileRemove");
        QCOMPARE(f.paths(), std::vector<std::string>{f.files.file("folder")});
        QVERIFY(!f.window->running()); // each count belongs to its own file
    }

    // One dialog asks for every selected folder row, and each one's files take its place in order, as the
    // dialog chose them, and are counted.
    void folderFilesReplaceEverySelectedFolderRowInPlace() {
        Fixture f;
        f.window->pairs().append("a", "b");
        f.files.writeTree({"d/a.txt", "a", "d/b.cpp", "a", "d/.h.txt", "a", "e/c.txt", "a"});
        const std::string one = f.files.write("one.txt", "a");
        f.add({f.files.file("d"), one, f.files.file("e")});
        f.fileList->selectAll();
        Fixture::choose(f.menuOn(0), "mnuFileAddFolderFiles");
        QCOMPARE(f.window->findChildren<FolderFilesDialog*>().size(), 1);
        auto* dialog = f.window->findChild<FolderFilesDialog*>();
        dialog->findChild<QLineEdit*>("txtInclude")->setText("*.txt");
        dialog->findChild<QCheckBox*>("chkHidden")->setChecked(true);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_COMPARE(f.paths(), (std::vector<std::string>{f.files.file("d/.h.txt"), f.files.file("d/a.txt"),
                                                          one, f.files.file("e/c.txt")}));
        QTRY_COMPARE(f.status->text(), QString("Pending: 4"));
    }

    // Sorting is a view: the model keeps the run's order, and what acts on the current or selected rows
    // reaches the files shown there.
    void actionsOnASortedListReachTheRowsShown() {
        Fixture f;
        f.window->pairs().append("a", "b");
        const std::string b = f.files.write("b.txt", "a");
        const std::string a = f.files.write("A.txt", "aaa");
        const std::string c = f.files.write("c.txt", "");
        f.add({b, a, c});
        f.clickHeading(FileListModel::kNameColumn);
        QCOMPARE(f.names(), (QStringList{"A.txt", "b.txt", "c.txt"}));
        f.clickHeading(FileListModel::kCountColumn);
        QCOMPARE(f.names(), (QStringList{"c.txt", "b.txt", "A.txt"}));
        QCOMPARE(f.paths(), (std::vector<std::string>{b, a, c}));
        f.fileList->setCurrentRow(1);
        f.key(f.fileList, Qt::Key_Return);
        QCOMPARE(f.shell.calls, QStringList{"open " + QString::fromStdString(b)});
        Fixture::select(f.fileList, {0});
        f.key(f.fileList, Qt::Key_Delete);
        QCOMPARE(f.paths(), (std::vector<std::string>{b, a}));
    }

    // The keys step through the rows with matches in the order shown, wrapping around; with only the files
    // with matches shown, the bar tells how many of all.
    void onlyTheFilesWithMatchesAndStepsBetweenThem() {
        Fixture f;
        f.window->pairs().append("a", "b");
        f.add({f.files.write("1.txt", ""), f.files.write("2.txt", "a"), f.files.write("3.txt", "x"),
               f.files.write("4.txt", "aa")});
        f.fileList->setCurrentRow(0);
        QList<int> stepped;
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_F4, Qt::NoModifier},
                                             {Qt::Key_Down, Qt::AltModifier},
                                             {Qt::Key_F4, Qt::ShiftModifier},
                                             {Qt::Key_Up, Qt::AltModifier}}) {
            f.key(f.fileList, key, modifiers);
            stepped << f.fileList->currentFile();
        }
        QCOMPARE(stepped, (QList<int>{1, 3, 1, 3}));
        auto* shown = f.child<QLabel>("lblFilesShown");
        f.key(f.fileList, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(f.names(), (QStringList{"2.txt", "4.txt"}));
        QCOMPARE(shown->text(), QString("2 of 4 files"));
        f.key(f.fileList, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(f.names().size() == 4 && shown->isHidden());
    }

    // The About dialog appears once, and Close ends the program with it shown.
    void closeWhileTheAboutDialogIsShownEndsTheProgram() {
        Fixture f;
        f.child<QAction>("mnuAbout")->trigger();
        f.child<QAction>("mnuAbout")->trigger();
        QCOMPARE(f.window->findChildren<AboutDialog*>().size(), 1);
        QVERIFY(QTest::qWaitForWindowActive(&f.window->about()));
        f.child<QAction>("mnuClose")->trigger();
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(
            std::none_of(windows.begin(), windows.end(), [](QWidget* shown) { return shown->isVisible(); }));
    }

    // The preview is a window of its own; the keys that open it and run the pairs work while it has the
    // focus.
    void previewKeysWorkWhileThePreviewHasTheFocus() {
        Fixture f;
        PreviewWindow& preview = f.window->preview();
        QSignalSpy executed(f.child<QAction>("mnuReplace"), &QAction::triggered);
        for (const Qt::Key closing : {Qt::Key_Escape, Qt::Key_F6}) {
            f.key(f.window.get(), Qt::Key_F6);
            QTRY_VERIFY(preview.isActiveWindow());
            f.key(&preview, Qt::Key_F8);
            f.key(&preview, closing);
            QVERIFY(!preview.isVisible());
            QTRY_VERIFY(f.window->isActiveWindow());
            QTest::qWait(50); // the activations the desktop still delivers
        }
        QCOMPARE(executed.count(), 2);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
