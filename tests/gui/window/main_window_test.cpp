#include "core/app/window_arguments.h"
#include "core/state/saved_tasks_file.h"
#include "core/state/settings.h"
#include "gui/lists/file_list_view.h"
#include "gui/lists/pair_editor_controller.h"
#include "gui/widgets/about_dialog.h"
#include "gui/widgets/image_button_view.h"
#include "gui/window/main_window.h"
#include "support/gated_runner.h"
#include "support/killed_child.h"
#include "support/temp_dir.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

using namespace morvane;

namespace {

struct RecordingDialogs : Dialogs {
    QStringList texts;
    QStringList chosenFiles;
    QString chosenFolder;
    QStringList titles;
    QStringList questions;
    bool answer = false;
    void message(QWidget*, const QString&, const QString& text, Icon) override { texts << text; }
    bool ask(QWidget*, const QString&, const QString& text) override {
        questions << text;
        return answer;
    }
    QStringList chooseFiles(QWidget*, const QString& title) override {
        titles << title;
        return chosenFiles;
    }
    QString chooseFolder(QWidget*, const QString& title) override {
        titles << title;
        return chosenFolder;
    }
};

struct RecordingShell : Shell {
    QStringList calls;
    void showInFolder(const QString& path) override { calls << "show " + path; }
    void open(const QString& path) override { calls << "open " + path; }
};

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
};

// The real run with a journal bound of a few bytes, held after its first row until the test lets it go.
struct HeldLargeRun {
    struct Held : RunObserver {
        RunObserver& window;
        const std::atomic<bool>& release;
        const std::atomic<bool>& cancel;
        Held(RunObserver& window_, const std::atomic<bool>& release_, const std::atomic<bool>& cancel_)
            : window(window_), release(release_), cancel(cancel_) {}
        void notUndoable(const std::string& reason) override { window.notUndoable(reason); }
        void rowDone(std::size_t row, const RowResult& result, std::int64_t total,
                     std::optional<StatusKind> status) override {
            window.rowDone(row, result, total, status);
            while (!release && !cancel) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    };
    std::shared_ptr<std::atomic<bool>> release = std::make_shared<std::atomic<bool>>(false);
    RunController::Runner runner() const {
        return [release = release](const RunRequest& request, RunObserver* observer,
                                   const std::atomic<bool>* cancel) {
            RunRequest bounded = request;
            bounded.undoBytesBound = 4;
            Held held(*observer, *release, *cancel);
            return runPairs(bounded, request.execute ? &held : observer, cancel);
        };
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void titleShowsTheVersion() {
        Fixture f;
        QCOMPARE(f.window->windowTitle(), QString("Morvane %1.%2.%3")
                                              .arg(MORVANE_VERSION_MAJOR)
                                              .arg(MORVANE_VERSION_MINOR)
                                              .arg(MORVANE_VERSION_REVISION));
        QVERIFY(std::filesystem::exists(f.window->savedTasksPath()));
    }

    void missingLanguageFileIsReportedAndListsKeepBuiltInHeadings() {
        Fixture f(Setup{.languageFile = false});
        QCOMPARE(f.dialogs.texts, QStringList{"Language file not found"});
        QCOMPARE(f.window->files().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString("Replacements"));
        QCOMPARE(f.window->pairs().columnCount(), 2);
    }

    void pathAndTaskNumberColumnsAreHidden() {
        Fixture f;
        QCOMPARE(f.fileList->columnWidth(0), 0);
        QCOMPARE(f.tasks->columnWidth(0), 0);
    }

    void dropAppendsRowsInTheDropsOrderAndCountsThem() {
        Fixture f;
        f.addPair("a", "b");
        const QString one = f.path("one.txt", "aa");
        const QString gone = QString::fromStdString(f.files.file("gone.txt"));
        f.dropFiles({one, gone, one});
        QCOMPARE(f.window->files().size(), 3);
        QCOMPARE(f.name(1), QString("gone.txt"));
        QTRY_COMPARE(f.status->text(), QString("Pending: 4"));
        QCOMPARE(f.count(0), QString("2"));
        QCOMPARE(f.count(1), QString("0"));
        QCOMPARE(f.count(2), QString("2"));
        // A missing path shows the question mark.
        QTRY_VERIFY(!f.fileList->model()->index(1, 1).data(Qt::DecorationRole).isNull());
    }

    // "Open With" from a file manager: the files and folders named on the command line become rows as a drop
    // of them would, in their order, the folder as one row, and a simulate run counts them.
    void commandLineFilesJoinTheListAsADropDoes() {
        Fixture f;
        f.addPair("a", "b");
        const std::string one = f.files.write("one.txt", "aa");
        const std::string folder = f.files.makeFolder("sub");
        const std::string two = f.files.write("sub/two.txt", "a");
        const std::string relativeTwo = std::filesystem::relative(two).string();
        f.window->addRows(windowArguments({one, folder + "/", relativeTwo}).paths);
        QVERIFY(f.window->running());
        QCOMPARE(f.window->files().paths(), (std::vector<std::string>{one, folder, two}));
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
        QCOMPARE(f.count(0), QString("2"));
        QCOMPARE(f.count(2), QString("1"));
        QVERIFY(f.fileList->model()
                    ->index(1, FileListModel::kCountColumn)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains("folder"));
    }

    void chosenFilesAndFolderJoinTheListInOrderAndAreCounted() {
        Fixture f;
        f.addPair("a", "b");
        f.dialogs.chosenFiles = {f.path("one.txt", "aa"), f.path("two.txt", "a")};
        f.key(f.window.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(f.window->running());
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
        f.dialogs.chosenFolder = QString::fromStdString(f.files.path());
        QTRY_VERIFY(f.idle());
        f.child<QAction>("mnuAddFolder")->trigger();
        QVERIFY(f.window->running());
        QCOMPARE(f.window->files().size(), 3);
        QCOMPARE(f.name(0), QString("one.txt"));
        QCOMPARE(f.name(1), QString("two.txt"));
        QCOMPARE(f.window->files().paths()[2], f.files.path()); // the folder is one row
        QTRY_COMPARE(f.count(0), QString("2"));
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
        QCOMPARE(f.dialogs.titles, QStringList({"Add Files", "Add Folder"}));
    }

    void aFolderRowSaysContentsModePassesItOverUntilFileNamesModeCountsIt() {
        Fixture f;
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a"), QString::fromStdString(f.files.path())});
        QTRY_COMPARE(f.status->text(), QString("Pending: 1"));
        const auto tip = [&f](int row, int column) {
            return f.fileList->model()->index(row, column).data(Qt::ToolTipRole).toString();
        };
        QVERIFY(tip(0, FileListModel::kCountColumn).isEmpty());
        QVERIFY(tip(1, FileListModel::kCountColumn).contains("folder"));
        QTest::mouseClick(f.child<QLabel>("Label(6)"), Qt::LeftButton);
        QTRY_VERIFY(tip(1, FileListModel::kCountColumn).isEmpty());
    }

    void cancelledChoosersAddNothing() {
        Fixture f;
        f.child<QAction>("mnuAddFiles")->trigger();
        f.child<QAction>("mnuAddFolder")->trigger();
        QCOMPARE(f.window->files().size(), 0);
        QVERIFY(f.idle());
    }

    void droppedTextIsIgnored() {
        Fixture f;
        QMimeData text;
        text.setText("/etc/passwd");
        f.drop(&text);
        f.dropUrls({QUrl("https://example.org/a.txt")});
        QCOMPARE(f.window->files().size(), 0);
        QVERIFY(f.idle());
    }

    void f5CountsAgain() {
        Fixture f;
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "aa")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        f.files.write("one.txt", "aaa");
        f.key(f.window.get(), Qt::Key_F5);
        QTRY_COMPARE(f.status->text(), QString("Pending: 3"));
    }

    void aPathThatIsNotUtf8IsProcessed() {
        Fixture f;
        f.addPair("x", "y");
        const std::string bad = f.files.write("bad\xff.txt", "xx");
        QUrl url = QUrl::fromEncoded("file://" +
                                     QByteArray(bad.data(), qsizetype(bad.size())).toPercentEncoding("/"));
        f.dropUrls({url});
        QCOMPARE(f.window->files().row(0).path, bad);
        QTRY_COMPARE(f.count(0), QString("2"));
        f.window->executeReplacements();
        QTRY_COMPARE(testing::readBytes(bad), std::string("yy"));
    }

    void ctrlAloneWithASelectsEveryFileRow() {
        Fixture f;
        f.dropFiles({f.path("one.txt", ""), f.path("two.txt", "")});
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.fileList->selectedRows().empty());
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.fileList->selectedRows(), (std::vector<int>{0, 1}));
    }

    void spaceAndDoubleClickShowTheFileEnterOpensItMissingFilesNothing() {
        Fixture f;
        const QString one = f.path("one.txt", "");
        f.dropFiles({one, QString::fromStdString(f.files.file("gone.txt"))});
        f.fileList->setFocus();
        f.fileList->setCurrentRow(0);
        f.key(f.fileList, Qt::Key_Space);
        f.key(f.fileList, Qt::Key_Return);
        const QRect first = f.fileList->visualRect(f.fileList->model()->index(0, 1));
        f.doubleClick(f.fileList->viewport(), first.center());
        f.fileList->setCurrentRow(1);
        f.key(f.fileList, Qt::Key_Return);
        QCOMPARE(f.shell.calls, (QStringList{"show " + one, "open " + one, "show " + one}));
    }

    void deletingFileRowsKeepsTheOthersWithTheirCountsAndRunsNothing() {
        Fixture f;
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a"), f.path("two.txt", "aa"), f.path("three.txt", "aaa")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 6"));
        f.files.write("three.txt", "");
        f.select(f.fileList, {1});
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_Delete);
        QCOMPARE(f.window->files().size(), 2);
        QCOMPARE(f.name(1), QString("three.txt"));
        QCOMPARE(f.count(1), QString("3"));
        QVERIFY(f.idle());
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
        QCOMPARE(f.count(0), QString("1"));
        QCOMPARE(f.count(1), QString("3"));
        QCOMPARE(f.count(2), QString("4"));
        QCOMPARE(f.status->text(), QString("Pending: 8"));
    }

    void editorStoresTypedLineBreaksAsCrLf() {
        Fixture f;
        auto* find = f.child<QPlainTextEdit>("txtFind");
        f.key(f.window.get(), Qt::Key_F1);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(!f.fileList->isVisible()); // the covered page cannot be reached
        QTest::keyClicks(find, "x");
        f.key(find, Qt::Key_Return);
        QTest::keyClicks(find, "y");
        QTest::keyClicks(f.child<QPlainTextEdit>("txtReplace"), "z");
        f.child<QPushButton>("cmdAddNewElement")->click();
        QVERIFY(!f.window->pairEditor().editorShown());
        QCOMPARE(f.window->pairs().row(0).find, std::string("x\r\ny"));
        QCOMPARE(f.window->pairs().row(0).replace, std::string("z"));
    }

    void updateAfterSwapWritesTheCurrentRow() {
        Fixture f;
        f.addPair("a", "b");
        f.pairs->setCurrentRow(0);
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Return);
        QVERIFY(f.child<QPushButton>("cmdUpdateElement")->isVisible());
        QCOMPARE(f.child<QPlainTextEdit>("txtFind")->toPlainText(), QString("a"));
        f.child<QPushButton>("cmdSwap")->click();
        f.child<QPushButton>("cmdUpdateElement")->click();
        QCOMPARE(f.window->pairs().row(0).find, std::string("b"));
        QCOMPARE(f.window->pairs().row(0).replace, std::string("a"));
    }

    void anEmptyFindTextStoresNothingAndEscapeClosesTheEditor() {
        Fixture f;
        f.key(f.window.get(), Qt::Key_F1);
        f.child<QPushButton>("cmdAddNewElement")->click();
        QCOMPARE(f.window->pairs().size(), 0);
        f.key(f.window.get(), Qt::Key_F2);
        f.key(f.child<QPlainTextEdit>("txtFind"), Qt::Key_Escape);
        QVERIFY(!f.window->pairEditor().editorShown());
    }

    void doubleClickOnTheEmptyPartOfAnEmptyPairListOpensAddMode() {
        Fixture f;
        f.window->show();
        f.doubleClickEmptyPart(f.pairs);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(!f.child<QPushButton>("cmdUpdateElement")->isVisible());
    }

    void doubleClickOnTheEmptyPartOfAFilledPairListOpensEditMode() {
        Fixture f;
        f.window->show();
        f.addPair("a", "b");
        f.addPair("c", "d");
        f.pairs->setCurrentRow(1);
        f.doubleClickEmptyPart(f.pairs);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(f.child<QPushButton>("cmdUpdateElement")->isVisible());
        QCOMPARE(f.child<QPlainTextEdit>("txtFind")->toPlainText(), QString("c"));
    }

    void aPairWithALineBreakKeepsEveryRowOneLineHigh() {
        Fixture f;
        f.window->show();
        f.addPair("one\r\ntwo\r\nthree", "x");
        f.addPair("a", "b");
        const int height = f.pairs->visualRect(f.pairs->model()->index(1, 0)).height();
        QCOMPARE(f.pairs->visualRect(f.pairs->model()->index(0, 0)).height(), height);
        QVERIFY(height < 2 * f.pairs->fontMetrics().height());
    }

    void countColumnHoldsItsHeadingAndATenDigitCount() {
        Fixture f;
        f.window->show();
        const int column = f.fileList->columnWidth(FileListModel::kCountColumn);
        QVERIFY(column > f.fileList->fontMetrics().horizontalAdvance("0000000000"));
        QVERIFY(column > f.fileList->header()->fontMetrics().horizontalAdvance("Replacements"));
        QVERIFY(f.fileList->columnWidth(1) + column <= f.fileList->viewport()->width());
    }

    void manyFileRowsNeedNoHorizontalScrollBar() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        std::vector<std::string> paths;
        for (int i = 0; i < 60; ++i) {
            paths.push_back(f.files.write("file" + std::to_string(i) + ".txt", ""));
        }
        f.window->files().append(paths);
        QTRY_VERIFY(f.fileList->verticalScrollBar()->isVisible());
        QTRY_VERIFY(!f.fileList->horizontalScrollBar()->isVisible());
    }

    void pairListPlusKeyOfTheMainKeyboardOpensAddModeKeypadPlusNothing() {
        Fixture f;
        f.addPair("a", "1");
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(!f.window->pairEditor().editorShown());
        f.key(f.pairs, Qt::Key_Equal);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(!f.child<QPushButton>("cmdUpdateElement")->isVisible());
    }

    void deletingPairsCountsAgain() {
        Fixture f;
        f.addPair("a", "1");
        f.addPair("b", "2");
        f.addPair("c", "3");
        f.dropFiles({f.path("f.txt", "abc")});
        QTRY_COMPARE(f.count(0), QString("3"));
        f.select(f.pairs, {0, 2});
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Backspace);
        QCOMPARE(f.window->pairs().finds(), std::vector<std::string>{"b"});
        QTRY_COMPARE(f.count(0), QString("1"));
    }

    void choosingTheModeHighlightsItSavesItAndCountsAgain() {
        Fixture f(Setup{.contents = false});
        auto* names = f.child<QLabel>("Label(6)");
        auto* contents = f.child<QLabel>("Label(7)");
        QVERIFY(names->font().bold());
        QCOMPARE(names->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        f.addPair("txt", "md");
        f.dropFiles({f.path("txt.txt", "txt")});
        QTRY_COMPARE(f.count(0), QString("2"));
        QTest::mouseClick(contents, Qt::LeftButton);
        QVERIFY(contents->font().bold() && !names->font().bold());
        QCOMPARE(names->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        QVERIFY(loadSettings(f.app.path()).replaceInContents);
        QTRY_COMPARE(f.count(0), QString("1"));
    }

    void f8ReplacesThenSimulatesWhatIsLeft() {
        Fixture f;
        f.addPair("a", "aa");
        f.dropFiles({f.path("one.txt", "a-a")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        f.key(f.window.get(), Qt::Key_F8);
        QTRY_COMPARE(testing::readBytes(f.files.file("one.txt")), std::string("aa-aa"));
        QTRY_COMPARE(f.status->text(), QString("Pending: 4"));
        QVERIFY(f.dialogs.texts.isEmpty());
    }

    void anExecuteRunLocksEverythingThatChangesTheListsOrStartsARun() {
        testing::GatedRunner gate;
        Fixture f(Setup{.runner = gate.runner()});
        f.window->executeReplacements();
        QVERIFY(f.window->executing());
        for (const char* action : {"mnuNew", "mnuAddFiles", "mnuAddFolder", "mnuShowAdd", "mnuEdit",
                                   "mnuAddToTasks", "mnuSimulate", "mnuReplace"}) {
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
    }

    void afterAnExecuteRunTheFocusIsWhereTheUserWas() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a")});
        f.fileList->setFocus();
        f.key(f.window.get(), Qt::Key_F8);
        QTRY_VERIFY(f.idle());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.fileList));
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
        QCOMPARE(f.status->text(), QString("Undone: 1 back, 1 left"));
        QVERIFY(!undo->isEnabled());
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
        std::vector<std::string> paths;
        for (const char* name : {"1.txt", "2.txt", "3.txt"}) {
            paths.push_back(f.files.write(name, "old"));
        }
        QVERIFY(testing::killedInChild([&] {
            RunRequest request;
            request.finds = {"old"};
            request.replaces = {"new"};
            request.files = paths;
            request.execute = true;
            request.stateFolder = f.app.path();
            testing::KilledAfterRows killer(2);
            runPairs(request, &killer);
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

    void aRunTooLargeToUndoSaysSoOnTheStatusLineBeforeItChangesAnything() {
        HeldLargeRun large;
        Fixture f(Setup{.runner = large.runner()});
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "aaaa"), f.path("two.txt", "aaaa")});
        QTRY_VERIFY(f.idle());
        f.window->executeReplacements();
        QTRY_VERIFY(f.status->text().startsWith("This run cannot be undone: it could change 8 bytes"));
        QCOMPARE(testing::readBytes(f.files.file("two.txt")), std::string("aaaa"));
        *large.release = true;
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].startsWith("This run cannot be undone"));
        QVERIFY(!f.child<QAction>("mnuUndo")->isEnabled());
    }

    void undoIsOfferedOnlyWhileNoExecuteRunGoes() {
        testing::GatedRunner gate;
        Fixture f(Setup{.runner = gate.runner()});
        RunRequest earlier;
        earlier.finds = {"a"};
        earlier.replaces = {"b"};
        earlier.files = {f.files.write("one.txt", "a")};
        earlier.execute = true;
        earlier.stateFolder = f.app.path();
        runPairs(earlier);
        f.window->executeReplacements();
        QVERIFY(!f.child<QAction>("mnuUndo")->isEnabled());
        gate.open();
        QTRY_VERIFY(f.idle());
        QVERIFY(f.child<QAction>("mnuUndo")->isEnabled());
    }

    void escapeStopsARunAndTheStatusLineSaysSo() {
        testing::GatedRunner gate(1);
        Fixture f(Setup{.runner = gate.runner()});
        f.addPair("a", "b");
        f.dropFiles({f.path("1.txt", ""), f.path("2.txt", "")});
        QTRY_VERIFY(gate.waiting());
        f.key(f.window.get(), Qt::Key_Escape);
        QTRY_VERIFY(f.idle());
        // What the first file counted may or may not have been shown before the stop; the second never ran.
        QCOMPARE(f.status->text(), "Stopped: " + QString::number(f.window->files().total()));
        QCOMPARE(f.count(1), QString("0"));
    }

    void escapeStopsAnExecuteRunAfterTheFileItIsOn() {
        testing::GatedRunner gate(1);
        Fixture f(Setup{.runner = gate.runner()});
        f.addPair("a", "b");
        f.window->files().append({f.files.write("1.txt", ""), f.files.write("2.txt", "")});
        f.window->executeReplacements();
        QTRY_VERIFY(gate.waiting());
        f.key(f.window.get(), Qt::Key_Escape);
        QTRY_VERIFY(f.idle());
        QCOMPARE(f.status->text(), QString("Stopped: 1"));
        QCOMPARE(gate.started().size(), 1u); // no simulate run follows
        QVERIFY(f.child<QAction>("mnuSimulate")->isEnabled());
    }

    void namesModeExecuteRenamesRowsAndReportsFailuresInOneBox() {
        Fixture f(Setup{.contents = false});
        f.addPair("old", "new");
        f.files.write("b.new", "taken");
        f.dropFiles({f.path("a.old", ""), f.path("b.old", "")});
        f.window->executeReplacements();
        QTRY_VERIFY(f.idle());
        QTRY_COMPARE(f.name(0), QString("a.new"));
        QCOMPARE(f.name(1), QString("b.old"));
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(f.files.file("b.old"))));
        QCOMPARE(testing::readBytes(f.files.file("b.new")), std::string("taken"));
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
        const QString& text = f.dialogs.texts[0];
        QVERIFY2(text.startsWith("Morvane found what interrupted runs left behind"), qPrintable(text));
        QVERIFY(text.contains(QString::fromStdString(stray + ": removed a temporary file")));
        QVERIFY(text.contains(QString::fromStdString(savedTasksTemporary)));
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

    void choosingGermanRelabelsChecksOnlyItAndSavesTheSetting() {
        Fixture f;
        QAction* german = f.child<QAction>("mnuLanguage(1)");
        german->trigger();
        QCOMPARE(f.child<QMenu>("mnuFile")->title(), QString("&Datei"));
        QCOMPARE(f.child<QAction>("mnuSimulate")->text(), QString("Aktualisieren/ Simulieren"));
        QVERIFY(german->isChecked() && !f.child<QAction>("mnuLanguage(0)")->isChecked());
        QCOMPARE(loadSettings(f.app.path()).language, 1);
        // Headings keep the start's language.
        QCOMPARE(f.window->files().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString("Replacements"));
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

    void storingATaskNeedsPairsAndAName() {
        Fixture f;
        f.child<QLineEdit>("txtTaskName")->clear();
        f.window->addToSavedTasks(); // no pairs: nothing, no message
        QVERIFY(f.dialogs.texts.isEmpty());
        f.addPair("a", "b");
        f.window->addToSavedTasks();
        QCOMPARE(f.dialogs.texts.size(), 1);
        QCOMPARE(f.tasks->model()->rowCount(), 0);
    }

    void storedTasksGetTheNextNumbersAndReachTheFile() {
        Fixture f;
        f.addPair("a", "b");
        f.child<QLineEdit>("txtTaskName")->setText("Twice");
        f.key(f.window.get(), Qt::Key_F3);
        f.child<QPushButton>("cmdToList")->click();
        QCOMPARE(f.tasks->model()->rowCount(), 2);
        QCOMPARE(f.text(f.tasks, 1, 0), QString("2"));
        QCOMPARE(readOrCreateSavedTasks(f.window->savedTasksPath()).size(), 3u);
    }

    void deletingTasksKeepsTheOthersNumbers() {
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"One", {}, {"a"}, {"b"}, true, true});
        reps.push_back(RepTask{"Two", {}, {"c"}, {"d"}, true, true});
        Fixture f(Setup{.tasks = reps});
        f.select(f.tasks, {0});
        f.tasks->setFocus();
        f.key(f.tasks, Qt::Key_Delete);
        QCOMPARE(f.tasks->model()->rowCount(), 1);
        QCOMPARE(f.text(f.tasks, 0, 0), QString("2"));
        f.key(f.tasks, Qt::Key_A, Qt::ControlModifier);
        f.key(f.tasks, Qt::Key_Backspace);
        QCOMPARE(f.tasks->model()->rowCount(), 0);
        QCOMPARE(readOrCreateSavedTasks(f.window->savedTasksPath()).size(), 1u);
    }

    void readOnlyAppFolderIsReportedOnceAndNothingIsWritten() {
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Kept", {}, {"a"}, {"b"}, true, false});
        Fixture f(Setup{.languageFile = false, .tasks = reps});
        // Settings lacking keys and a missing backup: a start-up that may write repairs and creates them.
        const std::string settings = f.app.write("Settings.txt", "[Language]\t\t1\r\n");
        const std::string tasks = testing::readBytes(f.window->savedTasksPath());
        std::filesystem::remove(f.app.file("Saved_Replacements.txt_copy.txt"));
        f.dialogs.texts.clear();
        // Tests run as root, for whom every folder is writable; the check stands in for one that is not.
        MainWindow readOnly(f.app.path(), f.dialogs, f.shell,
                            [](const std::string&) { return StateFilesWritable{}; });
        QCOMPARE(f.dialogs.texts.size(), 2); // the missing language file, then the folder, once
        QVERIFY(f.dialogs.texts[1].startsWith("This program keeps its settings and saved tasks"));
        QVERIFY(f.dialogs.texts[1].endsWith(QString::fromStdString(f.app.path())));
        QCOMPARE(readOnly.findChild<ListView*>("lvSavedReps")->model()->rowCount(), 1);
        QCOMPARE(testing::readBytes(settings), std::string("[Language]\t\t1\r\n"));

        // Once told, the user is not told again: a new task lives on in the window, and no file changes.
        readOnly.pairs().append("x", "y");
        readOnly.findChild<QLineEdit*>("txtTaskName")->setText("Unsaved");
        readOnly.addToSavedTasks();
        QCOMPARE(f.dialogs.texts.size(), 2);
        QCOMPARE(readOnly.findChild<ListView*>("lvSavedReps")->model()->rowCount(), 2);
        QCOMPARE(testing::readBytes(f.window->savedTasksPath()), tasks);
        QVERIFY(!std::filesystem::exists(f.app.file("Saved_Replacements.txt_copy.txt")));
    }

    void tasksThatCannotBeWrittenAreReported() {
        Fixture f;
        // A folder in the file's place cannot be replaced, not even by root.
        std::filesystem::remove(f.window->savedTasksPath());
        std::filesystem::create_directory(f.window->savedTasksPath());
        f.addPair("x", "y");
        f.child<QLineEdit>("txtTaskName")->setText("Lost");
        f.window->addToSavedTasks();
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains("could not be written"));
        QCOMPARE(f.tasks->model()->rowCount(), 1);
    }

    void loadingATaskTakesItsPairsNameAndModeButNotItsFiles() {
        testing::TempDir data;
        SavedReps reps = emptySavedReps();
        reps.push_back(
            RepTask{"Rename", {data.write("kept.txt", "old")}, {"kept", "x^t"}, {"done"}, false, false});
        Fixture f(Setup{.tasks = reps});
        QCOMPARE(f.tasks->model()->index(0, 2).data(Qt::ToolTipRole).toString(), QString("kept\r\nx^t"));
        const QString other = f.path("other.txt", "");
        f.dropFiles({other});
        f.tasks->setCurrentRow(0);
        f.select(f.tasks, {0});
        f.tasks->setFocus();
        f.key(f.tasks, Qt::Key_Return);
        QCOMPARE(f.window->pairs().finds(), (std::vector<std::string>{"kept", "x^t"}));
        QCOMPARE(f.window->pairs().row(1).replace, std::string()); // a missing replacement comes back empty
        QCOMPARE(f.child<QLineEdit>("txtTaskName")->text(), QString("Rename"));
        QVERIFY(f.child<QLabel>("Label(6)")->font().bold());
        QVERIFY(!loadSettings(f.app.path()).replaceInContents);
        QCOMPARE(f.window->files().paths(), std::vector<std::string>{other.toStdString()});
    }

    void loadingATaskWithItsFilesReplacesTheFileList() {
        testing::TempDir data;
        const std::string kept = data.write("kept.txt", "old");
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Rename", {kept}, {"kept"}, {"done"}, false, false});
        Fixture f(Setup{.addFiles = true, .tasks = reps});
        f.dropFiles({f.path("other.txt", "")});
        f.tasks->setCurrentRow(0);
        f.select(f.tasks, {0});
        f.doubleClick(f.tasks->viewport(), f.tasks->visualRect(f.tasks->model()->index(0, 1)).center());
        QCOMPARE(f.window->files().paths(), std::vector<std::string>{kept});
        QTRY_COMPARE(f.count(0), QString("1"));
    }

    void aSavedTaskKeepsItsBytesThroughTheWindow() {
        testing::TempDir data;
        const std::string file = data.write("latin1.txt", "\xe4x\xe4");
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Umlaut", {file}, {"\xe4"}, {"ae"}, false, true});
        Fixture f(Setup{.addFiles = true, .tasks = reps});
        f.tasks->setCurrentRow(0);
        f.select(f.tasks, {0});
        f.window->loadCurrentTask();
        QTRY_COMPARE(f.count(0), QString("2"));
        f.child<QLineEdit>("txtTaskName")->setText("Again");
        f.window->addToSavedTasks();
        const SavedReps stored = readOrCreateSavedTasks(f.window->savedTasksPath());
        QCOMPARE(stored.back().finds, std::vector<std::string>{"\xe4"});
        // Opened for editing and stored unchanged, the pair keeps its byte too.
        f.pairs->setCurrentRow(0);
        f.key(f.window.get(), Qt::Key_F2);
        f.child<QPushButton>("cmdUpdateElement")->click();
        QCOMPARE(f.window->pairs().row(0).find, std::string("\xe4"));
    }

    void newEmptiesTheWorkingListsOnly() {
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Kept", {}, {"a"}, {"b"}, true, true});
        Fixture f(Setup{.tasks = reps});
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a")});
        QTRY_VERIFY(!f.status->text().isEmpty());
        QTRY_VERIFY(f.idle());
        f.key(f.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.window->pairs().size() + f.window->files().size(), 0);
        QVERIFY(f.status->text().isEmpty() && f.child<QLineEdit>("txtTaskName")->text().isEmpty());
        QCOMPARE(f.tasks->model()->rowCount(), 1);
    }

    void imageButtonsHoverAndReset() {
        Fixture f;
        auto* execute = f.child<QLabel>("imgButton(2)");
        const auto shows = [&](QLabel* button, int index, int state) {
            return button->pixmap().toImage() == f.window->skin().image(index, state).toImage();
        };
        QVERIFY(!f.window->skin().image(2, 1).isNull());
        QVERIFY(shows(execute, 2, 1));
        QTest::mouseMove(execute, QPoint(5, 5));
        QVERIFY(shows(execute, 2, 2));
        QTest::mouseMove(f.child<QWidget>("img(0)"), QPoint(3, 3));
        QVERIFY(shows(execute, 2, 1));
        QVERIFY(f.window->skin().image(5, 2).isNull());
    }

    void imageButtonsExecuteAndSwap() {
        Fixture f;
        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a")});
        QTest::mouseClick(f.child<QLabel>("imgButton(2)"), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_COMPARE(testing::readBytes(f.files.file("one.txt")), std::string("b"));
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
