#include "core/state/saved_tasks_file.h"
#include "core/state/settings.h"
#include "gui/lists/file_list_view.h"
#include "gui/lists/pair_editor_controller.h"
#include "gui/widgets/about_dialog.h"
#include "gui/widgets/image_button_view.h"
#include "gui/window/main_window.h"
#include "gui/window/preview_window.h"
#include "support/gated_runner.h"
#include "support/killed_child.h"
#include "support/temp_dir.h"
#include "support/window_doubles.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

using namespace morvane;

namespace {

using testing::RecordingDialogs;
using testing::RecordingShell;

// An execute run flushes every file and folder it writes to disk; on a machine busy with other writes that
// can take longer than the default five seconds of a waiting comparison.
constexpr int kFlushedWriteMs = 30'000;

const char* const kLanguageFile =
    "[Replacements pending]\tPending:\tAusstehend:\r\n"
    "[Replacements done]\tDone:\tErledigt:\r\n"
    "[Run stopped]\tStopped:\tAngehalten:\r\n"
    "[Undo done]\tUndone: %1 back, %2 left\tRückgängig: %1 zurück, %2 belassen\r\n"
    "[mnuFile]\t&File\t&Datei\r\n"
    "[mnuSimulate]\tUpdate/ Simulate\tAktualisieren/ Simulieren\r\n"
    "[Path,File,Replacements]\tPath,File,Replacements\tPfad,Datei,Anzahl\r\n";

struct Setup {
    bool languageFile = true;
    bool contents = true;
    bool addFiles = false;
    SavedReps tasks = emptySavedReps();
    RunController::Runner runner = RunController::defaultRunner();
};

// A window on a fresh application folder, with handles on its controls and checks on its models.
struct Fixture {
    testing::TempDir app;
    testing::TempDir files;
    RecordingDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    ListView* pairs = nullptr;
    FileListView* fileList = nullptr;
    ListView* tasks = nullptr;
    QLabel* status = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;

    explicit Fixture(Setup setup = {}) {
        if (setup.languageFile) {
            app.write("Sprachen.txt", kLanguageFile);
        }
        std::filesystem::create_directories(app.file("Icons"));
        std::filesystem::copy(MORVANE_SOURCE_DIR "/data/Icons/Skin0", app.file("Icons/Skin0"));
        std::filesystem::remove(app.file("Icons/Skin0/B5_2.gif")); // a missing skin file must not matter
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Icons/StatQuestion.bmp",
                                   app.file("Icons/StatQuestion.bmp"));
        Settings settings;
        settings.replaceInContents = setup.contents;
        settings.addFilesToFileList = setup.addFiles;
        storeSettings(app.path(), settings);
        if (setup.tasks.size() > 1) {
            writeSavedTasks(app.file("Saved_Replacements.txt"), setup.tasks);
        }
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell, stateFilesWritable, setup.runner);
        pairs = child<ListView>("lvCurrentFindReplace");
        fileList = child<FileListView>("lvFiles");
        tasks = child<ListView>("lvSavedReps");
        status = child<QLabel>("Label(4)");
        for (ListView* list : {pairs, static_cast<ListView*>(fileList), tasks}) {
            testers.push_back(std::make_unique<QAbstractItemModelTester>(list->model()));
        }
        QApplication::setActiveWindow(window.get());
    }
    template <class T> T* child(const char* name) { return window->findChild<T*>(name); }
    QString path(const std::string& name, const std::string& bytes) {
        return QString::fromStdString(files.write(name, bytes));
    }
    void addPair(const std::string& find, const std::string& replace) {
        window->pairs().append(find, replace);
    }
    std::string pair(int row) const {
        return window->pairs().row(row).find + " -> " + window->pairs().row(row).replace;
    }
    // As the desktop delivers a drop: the drag enters first, and only an accepted one is dropped.
    void drop(QMimeData* data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(fileList->viewport(), &enter);
        if (enter.isAccepted()) {
            QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(fileList->viewport(), &event);
        }
    }
    void dropUrls(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        drop(&data);
    }
    void dropFiles(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        dropUrls(urls);
    }
    QString text(ListView* list, int row, int column) const {
        return list->model()->index(row, column).data().toString();
    }
    QString count(int row) const { return text(fileList, row, FileListModel::kCountColumn); }
    QStringList counts() const {
        QStringList all;
        for (int row = 0; row < fileList->model()->rowCount(); ++row) {
            all << count(row);
        }
        return all;
    }
    QString name(int row) const { return text(fileList, row, FileListModel::kNameColumn); }
    void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
    void select(ListView* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    // QTest leaves the button down after a double-click; the release ends it as a mouse would.
    static void doubleClick(QWidget* target, QPoint at) {
        QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        QTest::mouseRelease(target, Qt::LeftButton, {}, at);
    }
    // Below the last row, where no row is.
    void doubleClickEmptyPart(ListView* list) {
        doubleClick(list->viewport(), QPoint(20, list->viewport()->height() - 5));
    }
    bool idle() const { return !window->running() && !window->undoing(); }
    // Stores a task of one pair under the name, as the user does.
    static void storeTask(MainWindow& window, const char* name) {
        window.pairs().append("x", "y");
        window.findChild<QLineEdit*>("txtTaskName")->setText(name);
        window.addToSavedTasks();
    }
};

// An execute run that cannot be undone: it says so before it changes anything, as the run does, and then
// waits until the test lets it end.
RunController::Runner notUndoableRun(std::shared_ptr<std::atomic<bool>> release) {
    return [release](const RunRequest& request, RunObserver* observer, const std::atomic<bool>* cancel) {
        RunResult result;
        if (request.execute) {
            result.notUndoable = "it could change 8 bytes";
            observer->notUndoable(result.notUndoable);
            while (!*release && !*cancel) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return result;
    };
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void missingLanguageFileIsReported() {
        Fixture f(Setup{.languageFile = false});
        QCOMPARE(f.dialogs.texts, QStringList{"Language file not found"});
    }

    // Dropped files join the list in the drop's order with the bytes of their paths, and are counted; what
    // is not a local file is ignored.
    void dropAppendsRowsInTheDropsOrderAndCountsThem() {
        Fixture f;
        f.addPair("a", "b");
        QMimeData text;
        text.setText("/etc/passwd");
        f.drop(&text);
        f.dropUrls({QUrl("https://example.org/a.txt")});
        QCOMPARE(f.window->files().size(), 0);
        const QString one = f.path("one.txt", "aa");
        const std::string bad = f.files.write("bad\xff.txt", "a");
        f.dropUrls({QUrl::fromLocalFile(one), QUrl::fromLocalFile(f.files.file("gone.txt").c_str()),
                    QUrl::fromEncoded("file://" + QByteArray::fromStdString(bad).toPercentEncoding("/")),
                    QUrl::fromLocalFile(one)});
        QCOMPARE(f.window->files().row(2).path, bad);
        QTRY_COMPARE(f.status->text(), QString("Pending: 5"));
        QCOMPARE(f.counts(), (QStringList{"2", "0", "1", "2"}));
        // A missing path shows the question mark.
        QTRY_VERIFY(!f.fileList->model()->index(1, 1).data(Qt::DecorationRole).isNull());
        f.window->executeReplacements();
        QTRY_COMPARE_WITH_TIMEOUT(testing::readBytes(bad), std::string("b"), kFlushedWriteMs);
    }

    // Cancelled choosers add nothing; the chosen files and folder join the list in order, named by their
    // menu items, and are counted.
    void chosenFilesAndFolderJoinTheListInOrderAndAreCounted() {
        Fixture f;
        f.child<QAction>("mnuAddFiles")->trigger();
        f.child<QAction>("mnuAddFolder")->trigger();
        QCOMPARE(f.window->files().size(), 0);
        QVERIFY(f.idle());
        f.addPair("a", "b");
        f.dialogs.chosenFiles = {f.path("one.txt", "aa"), f.path("two.txt", "a")};
        f.key(f.window.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(f.window->running());
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
        f.dialogs.chosenFolder = QString::fromStdString(f.files.path());
        QTRY_VERIFY(f.idle());
        f.key(f.window.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.window->running());
        QCOMPARE(f.name(1), QString("two.txt"));
        QCOMPARE(f.window->files().paths()[2], f.files.path()); // the folder is one row
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
        QCOMPARE(f.dialogs.titles, QStringList({"Add Files", "Add Folder", "Add Files", "Add Folder"}));
    }

    void aFolderRowSaysContentsModePassesItOverUntilFileNamesModeCountsIt() {
        Fixture f;
        f.addPair("a", "b");
        const QString one = f.path("one.txt", "a");
        const QString folder = QString::fromStdString(f.files.path());
        f.dropFiles({one, folder});
        QTRY_COMPARE(f.status->text(), QString("Pending: 1"));
        const auto tip = [&f](int row, int column) {
            return f.fileList->model()->index(row, column).data(Qt::ToolTipRole).toString();
        };
        QCOMPARE(tip(0, FileListModel::kCountColumn), one);
        QCOMPARE(tip(1, FileListModel::kCountColumn),
                 folder + "\nA folder: replacing in file contents passes folders over.");
        QTest::mouseClick(f.child<QLabel>("Label(6)"), Qt::LeftButton);
        QTRY_COMPARE(tip(1, FileListModel::kCountColumn), folder);
    }

    // After an execute run the focus is where the user was.
    void f5CountsAgainAndF8ReplacesThenCountsWhatIsLeft() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.addPair("a", "aa");
        f.dropFiles({f.path("one.txt", "a")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 1"));
        f.files.write("one.txt", "a-a");
        f.key(f.window.get(), Qt::Key_F5);
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        QTRY_VERIFY(f.idle());
        f.fileList->setFocus();
        f.key(f.window.get(), Qt::Key_F8);
        QTRY_COMPARE_WITH_TIMEOUT(testing::readBytes(f.files.file("one.txt")), std::string("aa-aa"),
                                  kFlushedWriteMs);
        QTRY_COMPARE(f.status->text(),
                     QString("Done: 2; files changed: 1, failed: 0. Ctrl+Z undoes it. Pending: 4"));
        QVERIFY(f.dialogs.texts.isEmpty());
        QTRY_VERIFY(f.idle());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.fileList));
    }

    // Ctrl alone with A selects every row and Delete removes the selected ones, running nothing; Space and a
    // double-click show the file, Enter opens it, and a missing file nothing.
    void fileListKeysReachTheirActions() {
        Fixture f;
        const QString one = f.path("one.txt", "");
        f.dropFiles({one, QString::fromStdString(f.files.file("gone.txt")), f.path("three.txt", "")});
        QTRY_VERIFY(f.idle());
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.fileList->selectedRows().empty());
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.fileList->selectedRows(), (std::vector<int>{0, 1, 2}));
        f.select(f.fileList, {2});
        f.key(f.fileList, Qt::Key_Delete);
        QCOMPARE(f.window->files().size(), 2);
        QVERIFY(f.idle());

        f.fileList->setCurrentRow(0);
        f.key(f.fileList, Qt::Key_Space);
        f.key(f.fileList, Qt::Key_Return);
        const QRect first = f.fileList->visualRect(f.fileList->model()->index(0, 1));
        f.doubleClick(f.fileList->viewport(), first.center());
        f.fileList->setCurrentRow(1);
        f.key(f.fileList, Qt::Key_Return);
        QCOMPARE(f.shell.calls, (QStringList{"show " + one, "open " + one, "show " + one}));
    }

    void deletingAFileRowDuringARunLeavesEachCountOnItsOwnRow() {
        testing::GatedRunner gate(2);
        Fixture f(Setup{.runner = gate.runner()});
        f.addPair("a", "b");
        f.dropFiles({f.path("1.txt", ""), f.path("2.txt", ""), f.path("3.txt", ""), f.path("4.txt", "")});
        QTRY_VERIFY(gate.waiting()); // files 1 and 2 are done, 3 and 4 are still to come
        f.select(f.fileList, {1});
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_Delete);
        gate.open();
        QTRY_VERIFY(f.idle());
        // The gated run counts each file's position in the run plus one.
        QCOMPARE(f.name(1), QString("3.txt"));
        QCOMPARE(f.counts(), (QStringList{"1", "3", "4"}));
        QCOMPARE(f.status->text(), QString("Pending: 8"));
    }

    // F1 opens the editor over the page, whose Add stores what was typed; an empty find text stores nothing.
    void editorAddsWhatWasTypedAndEscapeClosesIt() {
        Fixture f;
        auto* find = f.child<QPlainTextEdit>("txtFind");
        f.key(f.window.get(), Qt::Key_F1);
        f.child<QPushButton>("cmdAddNewElement")->click();
        QCOMPARE(f.window->pairs().size(), 0);
        f.key(f.window.get(), Qt::Key_F1);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(!f.fileList->isVisible()); // the covered page cannot be reached
        QTest::keyClicks(find, "x");
        f.key(find, Qt::Key_Return);
        QTest::keyClicks(find, "y");
        QTest::keyClicks(f.child<QPlainTextEdit>("txtReplace"), "z");
        f.child<QPushButton>("cmdAddNewElement")->click();
        QVERIFY(!f.window->pairEditor().editorShown());
        QCOMPARE(f.pair(0), std::string("x\r\ny -> z"));
        QCOMPARE(f.text(f.pairs, 0, 0), QString("x^py"));
        f.key(f.window.get(), Qt::Key_F2);
        f.key(find, Qt::Key_Escape);
        QVERIFY(!f.window->pairEditor().editorShown());
    }

    // Ctrl+Enter stores the pair as the button in view would: Update for a row being edited, else Add; a
    // plain Enter breaks the line, and the boxes mark every line break. Enter on a row opens it for editing;
    // swap and Update write the current row.
    void ctrlEnterAddsOrUpdatesThePair() {
        Fixture f;
        auto* find = f.child<QPlainTextEdit>("txtFind");
        auto* replace = f.child<QPlainTextEdit>("txtReplace");
        QVERIFY(find->document()->defaultTextOption().flags() & QTextOption::ShowLineAndParagraphSeparators);
        f.key(f.window.get(), Qt::Key_F1);
        QTest::keyClicks(find, "a");
        f.key(find, Qt::Key_Return);
        QTest::keyClicks(replace, "b");
        f.key(replace, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!f.window->pairEditor().editorShown());
        f.key(f.window.get(), Qt::Key_F2);
        f.key(replace, Qt::Key_End);
        QTest::keyClicks(replace, "c");
        f.key(find, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(f.window->pairs().size(), 1);
        QCOMPARE(f.pair(0), std::string("a\r\n -> bc"));

        f.addPair("d", "e");
        f.pairs->setCurrentRow(1);
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Return);
        QVERIFY(f.child<QPushButton>("cmdUpdateElement")->isVisible());
        QCOMPARE(find->toPlainText(), QString("d"));
        f.child<QPushButton>("cmdSwap")->click();
        f.child<QPushButton>("cmdUpdateElement")->click();
        QCOMPARE(f.pair(1), std::string("e -> d"));
    }

    // The toggles' shortcuts set the options of the pair that is added; the pair list marks them, the run
    // gets them, and editing the pair shows them again, while a new pair starts plain.
    void toggledOptionsReachTheListAndTheRun() {
        const testing::GatedRunner seen; // no file, so no gate: it records the runs' options
        Fixture f(Setup{.runner = seen.runner()});
        const auto lastOptions = [&seen] {
            const std::vector<RunRequest> runs = seen.started();
            return runs.empty() ? PairOptionsList{} : runs.back().options;
        };
        f.key(f.window.get(), Qt::Key_F1);
        auto* find = f.child<QPlainTextEdit>("txtFind");
        QTest::keyClicks(find, "load");
        f.key(f.window.get(), Qt::Key_W, Qt::AltModifier);
        f.key(f.window.get(), Qt::Key_R, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), find); // typing goes on
        f.child<QPushButton>("cmdAddNewElement")->click();
        const PairOptions wordPattern{.wholeWord = true, .pattern = true};
        QTRY_COMPARE(lastOptions(), PairOptionsList{wordPattern});
        QCOMPARE(f.text(f.pairs, 0, PairListModel::kOptionsColumn), QString("W .*"));

        f.pairs->setCurrentRow(0);
        f.key(f.window.get(), Qt::Key_F2);
        auto* ignoreCase = f.child<QToolButton>("tglIgnoreCase");
        QVERIFY(f.child<QToolButton>("tglWholeWord")->isChecked() && !ignoreCase->isChecked());
        ignoreCase->click();
        f.child<QPushButton>("cmdUpdateElement")->click();
        QTRY_COMPARE(lastOptions(),
                     (PairOptionsList{{.ignoreCase = true, .wholeWord = true, .pattern = true}}));

        f.key(f.window.get(), Qt::Key_F1);
        QVERIFY(!ignoreCase->isChecked() && !f.child<QToolButton>("tglPattern")->isChecked());
    }

    // A pattern RE2 refuses is marked while it is typed and cannot be added; plain, the same text can.
    void aPatternThatCannotBeUsedIsMarkedAndNotAdded() {
        Fixture f;
        f.key(f.window.get(), Qt::Key_F1);
        auto* find = f.child<QPlainTextEdit>("txtFind");
        auto* add = f.child<QPushButton>("cmdAddNewElement");
        QTest::keyClicks(find, "IMG_(\\d+");
        QVERIFY(add->isEnabled() && find->toolTip().isEmpty());
        f.key(f.window.get(), Qt::Key_R, Qt::AltModifier);
        QVERIFY(!add->isEnabled());
        QVERIFY2(find->toolTip().contains("missing )"), qPrintable(find->toolTip()));
        f.key(f.window.get(), Qt::Key_A, Qt::AltModifier);
        QVERIFY(f.window->pairEditor().editorShown());
        QCOMPARE(f.window->pairs().size(), 0);
        QTest::keyClicks(find, ")");
        add->click();
        QCOMPARE(f.window->pairs().options(), PairOptionsList{{.pattern = true}});
    }

    // A double-click below the rows opens add mode on an empty list and edit mode on the current row
    // otherwise; the main keyboard's plus opens add mode, the keypad's does nothing.
    void pairListOpensTheEditorInTheRightMode() {
        Fixture f;
        f.window->show();
        const auto editing = [&f] { return f.child<QPushButton>("cmdUpdateElement")->isVisible(); };
        f.doubleClickEmptyPart(f.pairs);
        QVERIFY(f.window->pairEditor().editorShown() && !editing());
        f.window->pairEditor().showMainFrame();
        f.addPair("a", "b");
        f.addPair("c", "d");
        f.pairs->setCurrentRow(1);
        f.doubleClickEmptyPart(f.pairs);
        QVERIFY(f.window->pairEditor().editorShown() && editing());
        QCOMPARE(f.child<QPlainTextEdit>("txtFind")->toPlainText(), QString("c"));
        f.window->pairEditor().showMainFrame();
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(!f.window->pairEditor().editorShown());
        f.key(f.pairs, Qt::Key_Equal);
        QVERIFY(f.window->pairEditor().editorShown() && !editing());
    }

    // The count column holds its heading and ten digits, and many rows need no horizontal scroll bar.
    void listColumnsFollowTheLayout() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const int column = f.fileList->columnWidth(FileListModel::kCountColumn);
        QVERIFY(column > f.fileList->fontMetrics().horizontalAdvance("0000000000"));
        QVERIFY(column > f.fileList->header()->fontMetrics().horizontalAdvance("Replacements"));
        std::vector<std::string> paths;
        for (int i = 0; i < 60; ++i) {
            paths.push_back(f.files.write("file" + std::to_string(i) + ".txt", ""));
        }
        f.window->files().append(paths);
        QTRY_VERIFY(f.fileList->verticalScrollBar()->isVisible());
        QTRY_VERIFY(!f.fileList->horizontalScrollBar()->isVisible());
    }

    // Choosing the mode highlights it, saves it and counts again; so does deleting pairs.
    void choosingTheModeOrDeletingPairsCountsAgain() {
        Fixture f(Setup{.contents = false});
        auto* names = f.child<QLabel>("Label(6)");
        auto* contents = f.child<QLabel>("Label(7)");
        QVERIFY(names->font().bold());
        QCOMPARE(names->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        f.addPair("txt", "md");
        f.addPair("m", "n");
        f.addPair("d", "D");
        f.dropFiles({f.path("txt.txt", "txt")});
        QTRY_COMPARE(f.count(0), QString("6")); // the pairs work on what the ones before them made
        QTest::mouseClick(contents, Qt::LeftButton);
        QVERIFY(contents->font().bold() && !names->font().bold());
        QCOMPARE(names->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        QVERIFY(loadSettings(f.app.path()).replaceInContents);
        QTRY_COMPARE(f.count(0), QString("3"));
        QTRY_VERIFY(f.idle());
        f.select(f.pairs, {0, 2});
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Backspace);
        QCOMPARE(f.window->pairs().finds(), std::vector<std::string>{"m"});
        QTRY_COMPARE(f.count(0), QString("0"));
    }

    // Undo too is offered only while no execute run goes.
    void anExecuteRunLocksEverythingThatChangesTheListsOrStartsARun() {
        testing::GatedRunner gate;
        Fixture f(Setup{.runner = gate.runner()});
        runPairs({.finds = {"a"},
                  .replaces = {"b"},
                  .files = {f.files.write("one.txt", "a")},
                  .execute = true,
                  .stateFolder = f.app.path()});
        f.window->executeReplacements();
        QVERIFY(f.window->executing());
        for (const char* action : {"mnuNew", "mnuAddFiles", "mnuAddFolder", "mnuShowAdd", "mnuEdit",
                                   "mnuAddToTasks", "mnuSimulate", "mnuReplace", "mnuUndo"}) {
            QVERIFY2(!f.child<QAction>(action)->isEnabled(), action);
        }
        for (QWidget* input : {static_cast<QWidget*>(f.pairs), static_cast<QWidget*>(f.fileList),
                               static_cast<QWidget*>(f.tasks), f.child<QWidget>("cmdToList"),
                               f.child<QWidget>("Label(6)"), f.child<QWidget>("imgButton(2)")}) {
            QVERIFY2(!input->isEnabled(), qPrintable(input->objectName()));
        }
        gate.open();
        QTRY_VERIFY(f.idle());
        QVERIFY(f.child<QAction>("mnuNew")->isEnabled() && f.fileList->isEnabled());
        QVERIFY(f.child<QAction>("mnuUndo")->isEnabled());
    }

    void ctrlZPutsTheLastExecuteBackUnlessAFileChangedSince() {
        Fixture f;
        QAction* undo = f.child<QAction>("mnuUndo");
        QVERIFY(!undo->isEnabled());
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a-a"), f.path("two.txt", "a")});
        f.window->executeReplacements();
        QTRY_VERIFY(f.idle());
        QTRY_VERIFY(undo->isEnabled());
        // Both name the run that is taken back: when it started and how many files it changed.
        const QRegularExpression named("^Undo last Execute \\(run of \\d\\d:\\d\\d:\\d\\d, files: 2\\)$");
        QVERIFY2(named.match(undo->text()).hasMatch(), qPrintable(undo->text()));
        const QString runName = undo->text().section('(', 1);
        f.files.write("two.txt", "edited");
        f.key(f.window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY2(!f.fileList->isEnabled() || f.idle(), "the lists wait for the undo");
        QTRY_VERIFY(f.idle());
        QCOMPARE(testing::readBytes(f.files.file("one.txt")), std::string("a-a"));
        QCOMPARE(testing::readBytes(f.files.file("two.txt")), std::string("edited"));
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(f.files.file("two.txt"))));
        // The simulate run that follows counts again, and the status line keeps what undo did.
        QTRY_COMPARE(f.count(0), QString("2"));
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.status->text(), "Undone: 1 back, 1 left (" + runName);
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), QString("Undo last Execute"));
    }

    void undoInFileNamesModeGivesTheRowsTheirOldNamesBack() {
        Fixture f(Setup{.contents = false});
        f.addPair("old", "new");
        f.dropFiles({f.path("old-a.txt", "a"), f.path("old-b.txt", "b")});
        QTRY_VERIFY(f.idle());
        f.window->executeReplacements();
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.name(0), QString("new-a.txt"));
        f.window->undoLastExecute();
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.name(0), QString("old-a.txt"));
        QCOMPARE(f.name(1), QString("old-b.txt"));
        QCOMPARE(f.window->files().paths(),
                 (std::vector<std::string>{f.files.file("old-a.txt"), f.files.file("old-b.txt")}));
        QCOMPARE(f.count(1), QString("1")); // the simulate run that follows finds the old names again
        QVERIFY(f.dialogs.texts.isEmpty());
    }

    void aRunKilledPartWayIsOfferedForUndoOnceAtTheNextStart() {
        Fixture f;
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
        QCOMPARE(testing::readBytes(paths[1]), std::string("new"));
        f.dialogs.answer = true;

        MainWindow restarted(f.app.path(), f.dialogs, f.shell);

        QCOMPARE(f.dialogs.questions.size(), 1);
        QVERIFY2(f.dialogs.questions[0].contains("interrupted part way"), qPrintable(f.dialogs.questions[0]));
        QTRY_VERIFY(!restarted.undoing() && !restarted.running());
        for (const std::string& path : paths) {
            QCOMPARE(testing::readBytes(path), std::string("old"));
        }
        MainWindow again(f.app.path(), f.dialogs, f.shell);
        QCOMPARE(f.dialogs.questions.size(), 1);
    }

    // The status line says so while the run goes, the report box after it, and undo is not offered.
    void aRunThatCannotBeUndoneSaysSoWhileItGoesAndAfter() {
        const auto release = std::make_shared<std::atomic<bool>>(false);
        Fixture f(Setup{.runner = notUndoableRun(release)});
        f.window->executeReplacements();
        QTRY_VERIFY(f.status->text().startsWith("This run cannot be undone: it could change 8 bytes"));
        *release = true;
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].startsWith("This run cannot be undone: it could change 8 bytes"));
        QVERIFY(!f.child<QAction>("mnuUndo")->isEnabled());
    }

    // Escape stops a simulate run at once, and an execute run after the file it is on, with no simulate run
    // after it; the status line says what was found so far.
    void escapeStopsARunAndTheStatusLineSaysSo() {
        for (const bool execute : {false, true}) {
            testing::GatedRunner gate(1);
            Fixture f(Setup{.runner = gate.runner()});
            f.addPair("a", "b");
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
            QCOMPARE(f.count(1), QString("0"));
            QCOMPARE(gate.started().size(), 1u);
            QVERIFY(f.child<QAction>("mnuSimulate")->isEnabled());
        }
    }

    // After an execute run the line says what it did, through the simulate run that follows, until the
    // inputs change; a row that failed counts nothing done and says why until the next run.
    void anExecuteRunsLineStaysUntilTheInputsChange() {
        Fixture f(Setup{.contents = false});
        f.addPair("old", "new");
        f.files.write("new-2.txt", "taken");
        f.dropFiles({f.path("old-1.txt", "a"), f.path("old-2.txt", "b")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        QTRY_VERIFY(f.idle());
        f.window->executeReplacements();
        QTRY_COMPARE(f.status->text(),
                     QString("Done: 1; files changed: 1, failed: 1. Ctrl+Z undoes it. Pending: 1"));
        QTRY_VERIFY(f.idle());
        // The renamed row takes its new name; the failed one keeps its own, told in one box.
        QTRY_COMPARE(f.name(0), QString("new-1.txt"));
        QCOMPARE(f.name(1), QString("old-2.txt"));
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(f.files.file("old-2.txt"))));
        QCOMPARE(testing::readBytes(f.files.file("new-2.txt")), std::string("taken"));
        // The whole line shows on the bar at the window's first size.
        const QRect room = f.status->contentsRect();
        QVERIFY(
            QFontMetrics(f.status->font()).boundingRect(room, Qt::TextWordWrap, f.status->text()).height() <=
            room.height());
        QCOMPARE(f.counts(), (QStringList{"0", "1"}));
        const auto failure = [&f](int row, int role) {
            return f.fileList->model()->index(row, FileListModel::kCountColumn).data(role);
        };
        QVERIFY(failure(1, Qt::ToolTipRole).toString().contains("new-2.txt"));
        QVERIFY(!failure(1, Qt::DecorationRole).isNull());
        QVERIFY(!failure(0, Qt::ToolTipRole).toString().contains('\n')); // the path alone: nothing failed

        f.select(f.fileList, {0});
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_Delete);
        QCOMPARE(f.status->text(), QString("Pending: 1"));
        QVERIFY2(failure(0, Qt::ToolTipRole).toString().contains('\n'), "removing a row starts no run");
        f.dropFiles({f.path("old-3.txt", "c")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        QTRY_VERIFY(f.idle());
        QVERIFY(!failure(0, Qt::ToolTipRole).toString().contains('\n'));
    }

    void leftoversOfInterruptedRunsAreClearedAtStartAndReportedInOneMessage() {
        Fixture f;
        // A run killed part way: its journal names the folder it wrote in, where its temporary file lies.
        const std::string stray = f.files.write(".a.txt.morvane-k3j4h5g6f7", "new");
        std::filesystem::create_directory(f.app.file("Undo"));
        f.app.write("Undo/run-1-1.journal", "morvane-journal\t1\nfolder\t" + f.files.path() + "\n");
        const std::string savedTasksTemporary = f.app.write(".Saved_Replacements.txt.morvane-k3j4h5g6f7", "");
        f.dialogs.texts.clear();

        MainWindow restarted(f.app.path(), f.dialogs, f.shell);

        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(stray)));
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(savedTasksTemporary)));
        QVERIFY(!std::filesystem::exists(stray));
        QVERIFY(!std::filesystem::exists(savedTasksTemporary));
        QVERIFY(!std::filesystem::exists(f.app.file("Undo")));

        MainWindow again(f.app.path(), f.dialogs, f.shell);
        QCOMPARE(f.dialogs.texts.size(), 1);
    }

    void executeRunReportsTheLeftoversItClearedInItsFolders() {
        Fixture f;
        f.addPair("a", "b");
        f.dropFiles({f.path("a.txt", "a")});
        const std::string stray = f.files.write(".a.txt.morvane-k3j4h5g6f7", "b");
        f.window->executeReplacements();
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY2(f.dialogs.texts[0].contains(QString::fromStdString(stray)), qPrintable(f.dialogs.texts[0]));
        QVERIFY(!std::filesystem::exists(stray));
        QCOMPARE(testing::readBytes(f.files.file("a.txt")), std::string("b"));
    }

    // Every text in sight follows the language at once, in the main window and the open preview, and back
    // again after a start in German; the chosen language alone is checked, and kept in the settings.
    void switchingLanguageChangesEveryVisibleText() {
        auto f = std::make_unique<Fixture>();
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", f->app.file("Sprachen.txt"),
                                   std::filesystem::copy_options::overwrite_existing);
        f->window->chooseLanguage(0);
        f->addPair("a", "b");
        f->dropFiles({f->path("a.txt", "aa")});
        QTRY_COMPARE(f->status->text(), QString("Replacements pending: 2"));
        f->window->preview().show();
        const auto shown = [](Fixture& w) {
            return QStringList{
                w.window->pairs().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                w.window->files().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                w.tasks->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                w.window->preview().windowTitle(),
                w.window->preview().findChild<QTableWidget*>()->horizontalHeaderItem(1)->text(),
                w.status->text(),
                w.child<QPlainTextEdit>("txtSpecialChars")->toPlainText().split('\n').value(9),
                w.child<QWidget>("imgButton(2)")->accessibleName(),
                w.child<QMenu>("mnuFile")->title(),
                w.child<QAction>("mnuSimulate")->text()};
        };
        const QStringList english{"Find",          "Replacements",
                                  "Name",          "Preview",
                                  "New name",      "Replacements pending: 2",
                                  "Any character", "Execute",
                                  "&File",         "Update/ Simulate"};
        const QStringList german{"Suchen",
                                 "Ersetzungen",
                                 "Name",
                                 "Vorschau",
                                 "Neuer Name",
                                 "Ausstehende Ersetzungen: 2",
                                 "Beliebiges Zeichen",
                                 QString::fromUtf8("Ausführen"),
                                 "&Datei",
                                 "Aktualisieren/ Simulieren"};
        QCOMPARE(shown(*f), english);
        f->fileList->setCurrentIndex(f->fileList->model()->index(0, 0));
        QAction* germanItem = f->child<QAction>("mnuLanguage(1)");
        germanItem->trigger();
        QCOMPARE(shown(*f), german);
        QVERIFY(germanItem->isChecked() && !f->child<QAction>("mnuLanguage(0)")->isChecked());
        QCOMPARE(loadSettings(f->app.path()).language, 1);
        QCOMPARE(f->fileList->currentIndex().row(), 0);

        // A start in German, then English.
        f->window.reset();
        f->window = std::make_unique<MainWindow>(f->app.path(), f->dialogs, f->shell);
        f->tasks = f->child<ListView>("lvSavedReps");
        f->status = f->child<QLabel>("Label(4)");
        f->window->pairs().append("a", "b");
        f->window->addRows({f->files.file("a.txt")});
        QTRY_COMPARE(f->status->text(), german[5]);
        f->child<QAction>("mnuLanguage(0)")->trigger();
        QCOMPARE(shown(*f), english);
    }

    void resizingMovesTheControlsAndKeepsHeadingsWhole() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const int right = f.fileList->geometry().right();
        auto* heading = f.child<QLabel>("Label(8)");
        heading->setText("A translated heading far longer than the design's English one");
        f.window->resize(f.window->width() + 200, f.window->height());
        QTRY_COMPARE(f.fileList->geometry().right(), right + 200);
        QCOMPARE(f.child<QWidget>("picProgress")->width(), f.fileList->width());
        QVERIFY(heading->width() >= heading->sizeHint().width());
    }

    // A task without a name is refused with a box; F3 and the button store, Delete and Backspace delete.
    void taskKeysAndButtonsReachTheStore() {
        Fixture f;
        const auto rows = [&f] { return f.tasks->model()->rowCount(); };
        f.child<QLineEdit>("txtTaskName")->clear();
        f.addPair("a", "b");
        f.window->addToSavedTasks();
        QCOMPARE(f.dialogs.texts.size(), 1);
        QCOMPARE(rows(), 0);
        f.child<QLineEdit>("txtTaskName")->setText("Twice");
        f.key(f.window.get(), Qt::Key_F3);
        f.child<QPushButton>("cmdToList")->click();
        QCOMPARE(rows(), 2);
        f.select(f.tasks, {0});
        f.tasks->setFocus();
        f.key(f.tasks, Qt::Key_Delete);
        QCOMPARE(rows(), 1);
        QCOMPARE(f.text(f.tasks, 0, 0), QString("2"));
        f.key(f.tasks, Qt::Key_A, Qt::ControlModifier);
        f.key(f.tasks, Qt::Key_Backspace);
        QCOMPARE(rows(), 0);
        QCOMPARE(readOrCreateSavedTasks(f.window->savedTasksPath()).size(), 1u);
    }

    // What cannot be written is told once at start-up and never written, not even repaired; what can be is
    // still kept, and a task lives on in the window either way.
    void stateFilesThatCannotBeWrittenAreToldOnceAndLeftAlone() {
        struct Case {
            StateFilesWritable writable;
            std::string noticeEnd;
        };
        Fixture f;
        for (const Case& c :
             {Case{{}, f.app.path()},
              Case{{.folder = true, .settings = false, .tasks = true}, "Settings.txt"},
              Case{{.folder = true, .settings = true, .tasks = false}, "Saved_Replacements.txt"}}) {
            // Settings lacking keys and a missing backup: a start-up that may write repairs and creates them.
            const std::string settings = f.app.write("Settings.txt", "[Language]\t\t0\r\n");
            std::filesystem::remove(f.app.file("Saved_Replacements.txt_copy.txt"));
            const std::string tasks = testing::readBytes(f.window->savedTasksPath());
            f.dialogs.texts.clear();
            // Tests run as root, who may write anything; the check stands in for the permissions.
            MainWindow window(f.app.path(), f.dialogs, f.shell,
                              [&](const std::string&) { return c.writable; });
            QCOMPARE(f.dialogs.texts.size(), 1);
            QVERIFY2(f.dialogs.texts[0].endsWith(QString::fromStdString(c.noticeEnd)), c.noticeEnd.c_str());
            Fixture::storeTask(window, "kept");
            window.findChild<QAction*>("mnuLanguage(1)")->trigger();
            QCOMPARE(f.dialogs.texts.size(), 1);
            QVERIFY(window.findChild<ListView*>("lvSavedReps")->model()->rowCount() > 0);
            QCOMPARE(testing::readBytes(settings) != "[Language]\t\t0\r\n", c.writable.settings);
            QCOMPARE(testing::readBytes(f.window->savedTasksPath()) != tasks, c.writable.tasks);
            QCOMPARE(std::filesystem::exists(f.app.file("Saved_Replacements.txt_copy.txt")),
                     c.writable.tasks);
        }
    }

    // Saved tasks that cannot be read are told once, at start-up; ones that cannot be written, when stored,
    // and the task still shows.
    void savedTasksThatCannotBeReadOrWrittenAreTold() {
        Fixture f;
        f.app.write("Saved_Replacements.txt", "tasks from some other program\r\n");
        f.dialogs.texts.clear();
        MainWindow window(f.app.path(), f.dialogs, f.shell);
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY2(f.dialogs.texts[0].contains("has been copied to"), qPrintable(f.dialogs.texts[0]));
        Fixture::storeTask(window, "new");
        QCOMPARE(f.dialogs.texts.size(), 1);
        // A folder in the file's place cannot be replaced, not even by root.
        std::filesystem::remove(window.savedTasksPath());
        std::filesystem::create_directory(window.savedTasksPath());
        Fixture::storeTask(window, "Lost");
        QCOMPARE(f.dialogs.texts.size(), 2);
        QVERIFY(f.dialogs.texts[1].contains("could not be written"));
        QCOMPARE(window.findChild<ListView*>("lvSavedReps")->model()->rowCount(), 2);
    }

    // A window the user comes back to shows the tasks another window on the folder stored meanwhile.
    void aWindowComingBackShowsTheTasksAnotherStored() {
        Fixture f;
        MainWindow other(f.app.path(), f.dialogs, f.shell);
        Fixture::storeTask(other, "other");
        QApplication::setActiveWindow(&other);
        QApplication::setActiveWindow(f.window.get());
        QTRY_COMPARE(f.tasks->model()->rowCount(), 1);
        QVERIFY(f.dialogs.texts.isEmpty());
    }

    // An installed copy's folder belongs to root: the state goes to the user's data folder, which the first
    // start names, and the language file is still read from the program's folder. A copy of the user's own
    // whose folder cannot be written says that instead.
    void aCopyThatCannotWriteItsFolderKeepsItsStateInTheUsersFolder() {
        testing::TempDir app;
        testing::TempDir dataHome;
        app.write("Sprachen.txt", kLanguageFile);
        const std::string own = dataHome.file("morvane");
        RecordingDialogs dialogs;
        RecordingShell shell;
        const auto start = [&](bool installed) {
            return std::make_unique<MainWindow>(
                app.path(), dialogs, shell,
                [&](const std::string& folder) {
                    return folder == app.path() ? StateFilesWritable{.installed = installed}
                                                : stateFilesWritable(folder);
                },
                RunController::defaultRunner(), dataHome.path());
        };
        auto window = start(true);
        QCOMPARE(dialogs.texts.size(), 1);
        QVERIFY2(dialogs.texts[0].startsWith("Morvane keeps your settings"), qPrintable(dialogs.texts[0]));
        QVERIFY(dialogs.texts[0].endsWith(QString::fromStdString(own)));
        QCOMPARE(std::filesystem::status(own).permissions() & std::filesystem::perms::all,
                 std::filesystem::perms::owner_all);
        window->findChild<QAction*>("mnuLanguage(1)")->trigger();
        const std::string file = dataHome.write("a.txt", "find");
        window->pairs().append("find", "replace");
        window->files().append({file});
        window->executeReplacements();
        QTRY_VERIFY(!window->running());
        QCOMPARE(testing::readBytes(file), std::string("replace"));
        window.reset();

        auto restarted = start(true);
        QCOMPARE(dialogs.texts.size(), 1); // told on the first start only
        QCOMPARE(restarted->findChild<QAction*>("mnuSimulate")->text(), QString("Aktualisieren/ Simulieren"));
        QVERIFY(restarted->findChild<QAction*>("mnuUndo")->isEnabled());
        QCOMPARE(std::distance(std::filesystem::directory_iterator(app.path()), {}), 1); // Sprachen.txt
        restarted.reset();

        std::filesystem::remove_all(own);
        start(false);
        QCOMPARE(dialogs.texts.size(), 2);
        QVERIFY2(dialogs.texts[1].startsWith("The program folder cannot be written"),
                 qPrintable(dialogs.texts[1]));
    }

    void loadingATaskTakesItsPairsNameAndModeButNotItsFiles() {
        testing::TempDir data;
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{.name = "Rename",
                               .files = {data.write("kept.txt", "old")},
                               .finds = {"kept", "x^t"},
                               .replacements = {"done"},
                               .caseSensitive = false,
                               .replaceInContents = false});
        Fixture f(Setup{.tasks = reps});
        const QString other = f.path("other.txt", "");
        f.dropFiles({other});
        f.tasks->setCurrentRow(0);
        f.select(f.tasks, {0});
        f.tasks->setFocus();
        f.key(f.tasks, Qt::Key_Return);
        QCOMPARE(f.window->pairs().finds(), (std::vector<std::string>{"kept", "x^t"}));
        QCOMPARE(f.child<QLineEdit>("txtTaskName")->text(), QString("Rename"));
        QVERIFY(f.child<QLabel>("Label(6)")->font().bold());
        QVERIFY(!loadSettings(f.app.path()).replaceInContents);
        QCOMPARE(f.window->files().paths(), std::vector<std::string>{other.toStdString()});

        // The menu item turns the setting on, in the settings file's own form, and the task's files come.
        QAction* taskFiles = f.child<QAction>("mnuTaskFiles");
        QVERIFY(taskFiles->isCheckable() && !taskFiles->isChecked());
        taskFiles->trigger();
        QVERIFY(testing::readBytes(f.app.file("Settings.txt")).find("[Add Files to Filelist]\t1\r\n") !=
                std::string::npos);
        f.key(f.tasks, Qt::Key_Return);
        QCOMPARE(f.window->files().paths(), reps[1].files);

        // New empties the working lists only.
        QTRY_VERIFY(!f.status->text().isEmpty());
        QTRY_VERIFY(f.idle());
        f.key(f.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.window->pairs().size() + f.window->files().size(), 0);
        QVERIFY(f.status->text().isEmpty() && f.child<QLineEdit>("txtTaskName")->text().isEmpty());
        QCOMPARE(f.tasks->model()->rowCount(), 1);
    }

    // With the setting on, a double-click loads a task's files in place of the list's; the bytes of its
    // texts and its pairs' options come through the window and back into the file.
    void aSavedTaskKeepsItsBytesThroughTheWindow() {
        testing::TempDir data;
        const std::string file = data.write("latin1.txt", "\xe4x\xe4");
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{.name = "Umlaut",
                               .files = {file},
                               .finds = {"\xe4"},
                               .replacements = {"ae"},
                               .caseSensitive = false,
                               .pairOptions = {{.ignoreCase = true}}});
        Fixture f(Setup{.addFiles = true, .tasks = reps});
        f.dropFiles({f.path("other.txt", "")});
        f.tasks->setCurrentRow(0);
        f.select(f.tasks, {0});
        f.doubleClick(f.tasks->viewport(), f.tasks->visualRect(f.tasks->model()->index(0, 1)).center());
        QCOMPARE(f.window->files().paths(), std::vector<std::string>{file});
        QTRY_COMPARE(f.count(0), QString("2"));
        f.child<QLineEdit>("txtTaskName")->setText("Again");
        f.window->addToSavedTasks();
        const SavedReps stored = readOrCreateSavedTasks(f.window->savedTasksPath());
        QCOMPARE(stored.back().finds, std::vector<std::string>{"\xe4"});
        QCOMPARE(stored.back().pairOptions, reps.back().pairOptions);
        // Opened for editing and stored unchanged, the pair keeps its byte too.
        f.pairs->setCurrentRow(0);
        f.key(f.window.get(), Qt::Key_F2);
        f.child<QPushButton>("cmdUpdateElement")->click();
        QCOMPARE(f.window->pairs().row(0).find, std::string("\xe4"));
    }

    // A button shows its hover image under the mouse and its normal one again off it; a missing image
    // file gives an empty picture. Execute runs, and swap swaps the editor's boxes.
    void imageButtonsHoverResetAndAct() {
        Fixture f;
        auto* execute = f.child<QLabel>("imgButton(2)");
        const auto shows = [&](int state) {
            return execute->pixmap().toImage() == f.window->skin().image(2, state).toImage();
        };
        QVERIFY(!f.window->skin().image(2, 1).isNull() && shows(1));
        QTest::mouseMove(execute, QPoint(5, 5));
        QVERIFY(shows(2));
        QTest::mouseMove(f.child<QWidget>("img(0)"), QPoint(3, 3));
        QVERIFY(shows(1));
        QVERIFY(f.window->skin().image(5, 2).isNull());

        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a")});
        QTest::mouseClick(execute, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_COMPARE_WITH_TIMEOUT(testing::readBytes(f.files.file("one.txt")), std::string("b"),
                                  kFlushedWriteMs);
        QTRY_VERIFY(f.idle());
        f.key(f.window.get(), Qt::Key_F1);
        QTest::keyClicks(f.child<QPlainTextEdit>("txtFind"), "left");
        QTest::mouseClick(f.child<QLabel>("imgButton(5)"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(f.child<QPlainTextEdit>("txtReplace")->toPlainText(), QString("left"));
    }

    // The title and the body name the one version the build was configured with, and the link opens the
    // read-me beside the program, not a made-up web address.
    void aboutDialogShowsVersionsAndOnlyHides() {
        Fixture f;
        AboutDialog& about = f.window->about();
        QVERIFY(!about.isVisible());
        f.child<QAction>("mnuAbout")->trigger();
        f.child<QAction>("mnuAbout")->trigger();
        QVERIFY(about.isVisible());
        QCOMPARE(f.window->findChildren<AboutDialog*>().size(), 1);
        const QString version = QString("%1.%2.%3")
                                    .arg(MORVANE_VERSION_MAJOR)
                                    .arg(MORVANE_VERSION_MINOR)
                                    .arg(MORVANE_VERSION_REVISION);
        QCOMPARE(f.window->windowTitle(), "Morvane " + version);
        QCOMPARE(about.windowTitle(), "Morvane Version " + version);
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), "Version " + version);
        QTest::mouseClick(about.findChild<QLabel*>("Label2"), Qt::LeftButton);
        QTest::mouseClick(about.findChild<QLabel*>("imgBrisoll"), Qt::LeftButton);
        const QString readMe = "open " + QString::fromStdString(f.app.file("README.md"));
        QCOMPARE(f.shell.calls, (QStringList{readMe, readMe}));
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
