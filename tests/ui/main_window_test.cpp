#include "app/main_window.h"
#include "config/settings.h"
#include "lists/pair_list.h"
#include "support/temp_dir.h"
#include "tasks/saved_tasks_file.h"
#include "ui/about_dialog.h"
#include "ui/image_button_view.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <sys/stat.h>

using namespace morvane;

namespace {

struct RecordingDialogs : Dialogs {
    QStringList texts;
    void message(QWidget*, const QString&, const QString& text, Icon) override { texts << text; }
};

struct RecordingShell : Shell {
    QStringList calls;
    void showInFolder(const QString& path) override { calls << "show " + path; }
    void open(const QString& path) override { calls << "open " + path; }
    void openAddress(const QString& url) override { calls << "browse " + url; }
};

const char* const kLanguageFile = "[Replacements pending]\tPending:\tAusstehend:\r\n"
                                  "[Replacements done]\tDone:\tErledigt:\r\n"
                                  "[mnuFile]\t&File\t&Datei\r\n"
                                  "[mnuSimulate]\tUpdate/ Simulate\tAktualisieren/ Simulieren\r\n"
                                  "[Path,File,Replacements]\tPath,File,Count\tPfad,Datei,Anzahl\r\n";

// A window on a fresh application folder, with handles on its controls.
struct Fixture {
    testing::TempDir app;
    testing::TempDir files;
    RecordingDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    QTreeWidget* pairs = nullptr;
    QTreeWidget* fileList = nullptr;
    QLabel* status = nullptr;

    explicit Fixture(bool withLanguageFile = true, bool contents = true, bool addFiles = false,
                     const SavedReps& tasks = emptySavedReps()) {
        if (withLanguageFile) {
            app.write("Sprachen.txt", kLanguageFile);
        }
        std::filesystem::create_directories(app.file("Icons"));
        std::filesystem::copy(MORVANE_SOURCE_DIR "/data/Icons/Skin0", app.file("Icons/Skin0"));
        std::filesystem::remove(app.file("Icons/Skin0/B5_2.gif")); // a missing skin file must not matter
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Icons/StatQuestion.bmp",
                                   app.file("Icons/StatQuestion.bmp"));
        Settings settings;
        settings.ReplaceInContents = contents;
        settings.AddFilesToFilelist = addFiles;
        SettingsSpeichern(app.path(), settings);
        if (tasks.size() > 1) {
            RepsDateiSpeichern(app.file("Saved_Replacements.txt"), tasks);
        }
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell);
        pairs = child<QTreeWidget>("lvCurrentFindReplace");
        fileList = child<QTreeWidget>("lvFiles");
        status = child<QLabel>("Label(4)");
        QApplication::setActiveWindow(window.get());
    }
    template <class T> T* child(const char* name) { return window->findChild<T*>(name); }
    QString path(const std::string& name, const std::string& bytes) {
        return QString::fromStdString(files.write(name, bytes));
    }
    void addPair(const QString& find, const QString& replace) {
        pairs->addTopLevelItem(new QTreeWidgetItem(QStringList{find, replace}));
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
    void dropFiles(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        data.setUrls(urls);
        drop(&data);
    }
    QString count(int row) const { return fileList->topLevelItem(row)->text(2); }
    void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsVersionColumnsAndReportsAMissingLanguageFile() {
        Fixture f(false);
        QCOMPARE(f.window->windowTitle(), QString("Morvane 1.0.1"));
        QCOMPARE(f.dialogs.texts, QStringList{"Language file not found"});
        QVERIFY(std::filesystem::exists(f.window->savedTasksPath()));
        QCOMPARE(f.fileList->headerItem()->text(2), QString("Replacements")); // built-in headings
        Fixture g;
        QCOMPARE(g.fileList->headerItem()->text(2), QString("Count"));
        QCOMPARE(g.fileList->columnWidth(0), 0);
    }

    void dropAppendsInOrderIgnoresTextAndCounts() {
        Fixture f;
        f.addPair("a", "b");
        const QString one = f.path("one.txt", "aa");
        const QString gone = QString::fromStdString(f.files.file("gone.txt"));
        f.dropFiles({one, gone, one});
        QCOMPARE(f.fileList->topLevelItemCount(), 3);
        QCOMPARE(f.fileList->topLevelItem(1)->text(1), QString("gone.txt"));
        QTRY_COMPARE(f.status->text(), QString("Pending: 4"));
        QCOMPARE(f.count(0), QString("2"));
        QCOMPARE(f.count(2), QString("2"));
        QVERIFY(!f.fileList->topLevelItem(1)->icon(1).isNull()); // a missing path shows the question mark

        QMimeData text;
        text.setText("/etc/passwd");
        f.drop(&text);
        QCOMPARE(f.fileList->topLevelItemCount(), 3);
        f.files.write("one.txt", "aaa");
        f.key(f.window.get(), Qt::Key_F5);
        QTRY_COMPARE(f.status->text(), QString("Pending: 6"));
    }

    void fileListKeysDeleteSelectAllAndShellActions() {
        Fixture f;
        const QString one = f.path("one.txt", "");
        f.dropFiles({one, f.path("two.txt", ""), QString::fromStdString(f.files.file("gone.txt"))});
        f.fileList->setFocus();
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.fileList->selectedItems().isEmpty());
        f.key(f.fileList, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.fileList->selectedItems().size(), 3);

        f.fileList->setCurrentItem(f.fileList->topLevelItem(0));
        f.key(f.fileList, Qt::Key_Space);
        f.key(f.fileList, Qt::Key_Return);
        f.fileList->setCurrentItem(f.fileList->topLevelItem(2));
        f.key(f.fileList, Qt::Key_Return);
        QCOMPARE(f.shell.calls, (QStringList{"show " + one, "open " + one}));

        f.fileList->clearSelection();
        f.fileList->topLevelItem(1)->setSelected(true);
        f.key(f.fileList, Qt::Key_Delete);
        QCOMPARE(f.fileList->topLevelItemCount(), 2);
        QCOMPARE(f.fileList->topLevelItem(1)->text(1), QString("gone.txt"));
    }

    void editorAddsUpdatesSwapsAndKeepsCrLf() {
        Fixture f;
        auto* find = f.child<QPlainTextEdit>("txtFind");
        auto* replace = f.child<QPlainTextEdit>("txtReplace");
        auto* add = f.child<QPushButton>("cmdAddNewElement");
        f.key(f.window.get(), Qt::Key_F1);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(!f.fileList->isVisible()); // the covered page cannot be reached
        QTest::keyClicks(find, "x");
        f.key(find, Qt::Key_Return);
        QTest::keyClicks(find, "y");
        QTest::keyClicks(replace, "z");
        add->click();
        QVERIFY(!f.window->pairEditor().editorShown());
        QCOMPARE(f.pairs->topLevelItem(0)->text(0), QString("x\r\ny"));

        f.pairs->setCurrentItem(f.pairs->topLevelItem(0));
        f.key(f.pairs, Qt::Key_Return);
        QVERIFY(f.child<QPushButton>("cmdUpdateElement")->isVisible());
        QCOMPARE(find->toPlainText(), QString("x\ny"));
        f.child<QPushButton>("cmdSwap")->click();
        QCOMPARE(find->toPlainText(), QString("z"));
        f.child<QPushButton>("cmdUpdateElement")->click();
        QCOMPARE(f.pairs->topLevelItem(0)->text(0), QString("z"));
        QCOMPARE(f.pairs->topLevelItem(0)->text(1), QString("x\r\ny"));

        f.key(f.window.get(), Qt::Key_F1);
        add->click(); // an empty find text stores nothing
        QCOMPARE(f.pairs->topLevelItemCount(), 1);
        f.key(f.window.get(), Qt::Key_F2);
        f.key(find, Qt::Key_Escape);
        QVERIFY(!f.window->pairEditor().editorShown());
    }

    void pairListKeysFollowTheirCodes() {
        Fixture f;
        f.addPair("a", "1");
        f.addPair("b", "2");
        f.addPair("c", "3");
        f.pairs->setFocus();
        f.key(f.pairs, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(!f.window->pairEditor().editorShown());
        f.key(f.pairs, Qt::Key_Equal);
        QVERIFY(f.window->pairEditor().editorShown());
        QVERIFY(!f.child<QPushButton>("cmdUpdateElement")->isVisible());
        f.key(f.window.get(), Qt::Key_Escape);

        f.pairs->topLevelItem(0)->setSelected(true);
        f.pairs->topLevelItem(2)->setSelected(true);
        f.dropFiles({f.path("f.txt", "abc")});
        QTRY_COMPARE(f.count(0), QString("3"));
        f.key(f.pairs, Qt::Key_Backspace);
        QCOMPARE(f.pairs->topLevelItemCount(), 1);
        QTRY_COMPARE(f.count(0), QString("1")); // deleting pairs runs a simulation
    }

    void modeCaptionsHighlightSaveAndRecount() {
        Fixture f(true, false);
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
        QVERIFY(SettingsLaden(f.app.path()).ReplaceInContents);
        QTRY_COMPARE(f.count(0), QString("1"));
    }

    void f8ReplacesThenSimulatesWhatIsLeft() {
        Fixture f;
        f.addPair("a", "aa");
        f.dropFiles({f.path("one.txt", "a-a")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        f.key(f.window.get(), Qt::Key_F8);
        QVERIFY(f.window->executing());
        QVERIFY(!f.child<QAction>("mnuSimulate")->isEnabled());
        QVERIFY(!f.fileList->isEnabled());
        QTRY_COMPARE(testing::readBytes(f.files.file("one.txt")), std::string("aa-aa"));
        QTRY_COMPARE(f.status->text(), QString("Pending: 4"));
        QVERIFY(!f.window->executing());
        QVERIFY(f.dialogs.texts.isEmpty());
    }

    void fifoInListDoesNotBlockTheRun() {
        Fixture f;
        f.addPair("a", "b");
        const std::string fifo = f.files.file("fifo");
        QCOMPARE(::mkfifo(fifo.c_str(), 0666), 0);
        f.dropFiles({QString::fromStdString(fifo), f.path("ok.txt", "aa")});
        QTRY_COMPARE(f.status->text(), QString("Pending: 2"));
        f.key(f.window.get(), Qt::Key_F8);
        QTRY_VERIFY(!f.window->executing());
        QCOMPARE(testing::readBytes(f.files.file("ok.txt")), std::string("bb"));
        f.window->show();
        f.key(f.window.get(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!f.window->isVisible());
    }

    void namesModeExecuteRenamesRowsAndReportsFailuresInOneBox() {
        Fixture f(true, false);
        f.addPair("old", "new");
        f.files.write("b.new", "taken");
        f.dropFiles({f.path("a.old", ""), f.path("b.old", "")});
        f.window->ReplaceIt();
        QTRY_VERIFY(!f.window->executing());
        QTRY_COMPARE(f.fileList->topLevelItem(0)->text(1), QString("a.new"));
        QCOMPARE(f.fileList->topLevelItem(1)->text(1), QString("b.old"));
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains(QString::fromStdString(f.files.file("b.old"))));
        QCOMPARE(testing::readBytes(f.files.file("b.new")), std::string("taken"));
    }

    void choosingGermanRelabelsChecksOnlyItAndSavesTheSetting() {
        Fixture f;
        QAction* german = f.child<QAction>("mnuLanguage(1)");
        german->trigger();
        QCOMPARE(f.child<QMenu>("mnuFile")->title(), QString("&Datei"));
        QCOMPARE(f.child<QAction>("mnuSimulate")->text(), QString("Aktualisieren/ Simulieren"));
        QVERIFY(german->isChecked() && !f.child<QAction>("mnuLanguage(0)")->isChecked());
        QCOMPARE(SettingsLaden(f.app.path()).Language, 1);
        QCOMPARE(f.fileList->headerItem()->text(2), QString("Count")); // headings keep the start's language
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

    void storingTasksNamesNumbersAndRefusals() {
        Fixture f;
        auto* name = f.child<QLineEdit>("txtTaskName");
        auto* tasks = f.child<QTreeWidget>("lvSavedReps");
        f.window->AddToTaskList(); // no pairs: nothing, no message
        f.addPair("a", "b");
        name->clear();
        f.window->AddToTaskList();
        QCOMPARE(f.dialogs.texts.size(), 1);
        name->setText("Twice");
        f.key(f.window.get(), Qt::Key_F3);
        f.child<QPushButton>("cmdToList")->click();
        QCOMPARE(tasks->topLevelItemCount(), 2);
        QCOMPARE(tasks->topLevelItem(1)->text(0), QString("2"));
        QCOMPARE(RepsDateiEinlesen(f.window->savedTasksPath()).size(), 3u);

        f.addPair("x\r\n[/Find]", "y"); // a closing tag after a line break would end the text early
        f.window->AddToTaskList();
        QCOMPARE(tasks->topLevelItemCount(), 2);
        QCOMPARE(f.dialogs.texts.size(), 2);

        tasks->topLevelItem(0)->setSelected(true);
        tasks->setFocus();
        f.key(tasks, Qt::Key_Delete);
        QCOMPARE(tasks->topLevelItemCount(), 1);
        QCOMPARE(tasks->topLevelItem(0)->text(0), QString("2"));
        f.window->AddToTaskList();
        QCOMPARE(f.dialogs.texts.size(), 3);
        f.key(tasks, Qt::Key_A, Qt::ControlModifier);
        f.key(tasks, Qt::Key_Backspace);
        QCOMPARE(tasks->topLevelItemCount(), 0);
        QCOMPARE(RepsDateiEinlesen(f.window->savedTasksPath()).size(), 1u);
    }

    void readOnlyAppFolderIsReportedOnceAndTasksThatCannotBeSavedAreReported() {
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Kept", {}, {"a"}, {"b"}, true, false});
        Fixture f(false, true, false, reps);
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
        QCOMPARE(readOnly.findChild<QTreeWidget*>("lvSavedReps")->topLevelItemCount(), 1);
        QCOMPARE(testing::readBytes(settings), std::string("[Language]\t\t1\r\n"));
        QCOMPARE(testing::readBytes(f.window->savedTasksPath()), tasks);
        QVERIFY(!std::filesystem::exists(f.app.file("Saved_Replacements.txt_copy.txt")));

        // Once told, the user is not told again: a new task lives on in the window, and no file changes.
        readOnly.findChild<QTreeWidget*>("lvCurrentFindReplace")
            ->addTopLevelItem(new QTreeWidgetItem(QStringList{"x", "y"}));
        readOnly.findChild<QLineEdit*>("txtTaskName")->setText("Unsaved");
        readOnly.AddToTaskList();
        QCOMPARE(f.dialogs.texts.size(), 2);
        QCOMPARE(readOnly.findChild<QTreeWidget*>("lvSavedReps")->topLevelItemCount(), 2);
        QCOMPARE(testing::readBytes(f.window->savedTasksPath()), tasks);
        QVERIFY(!std::filesystem::exists(f.app.file("Saved_Replacements.txt_copy.txt")));

        // A folder in the file's place cannot be replaced, not even by root.
        std::filesystem::remove(f.window->savedTasksPath());
        std::filesystem::create_directory(f.window->savedTasksPath());
        f.dialogs.texts.clear();
        f.addPair("x", "y");
        f.child<QLineEdit>("txtTaskName")->setText("Lost");
        f.window->AddToTaskList();
        QCOMPARE(f.dialogs.texts.size(), 1);
        QVERIFY(f.dialogs.texts[0].contains("could not be written"));
        QCOMPARE(f.child<QTreeWidget>("lvSavedReps")->topLevelItemCount(), 2);
    }

    void damagedSavedTasksFileNeitherStopsTheWindowNorIsLost() {
        Fixture f;
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Whole", {}, {"a"}, {"b"}, true, false});
        RepsDateiSpeichern(f.window->savedTasksPath(), reps);
        const std::string whole = testing::readBytes(f.window->savedTasksPath());
        const std::string backup = f.app.file("Saved_Replacements.txt_copy.txt");
        for (const std::string& damaged :
             {whole.substr(0, whole.size() / 2), std::string("\0\xff[Name:]\r\n\x1a", 11)}) {
            f.app.write("Saved_Replacements.txt", damaged);
            MainWindow again(f.app.path(), f.dialogs, f.shell);
            QCOMPARE(testing::readBytes(f.window->savedTasksPath()), damaged);
            again.findChild<QTreeWidget*>("lvCurrentFindReplace")
                ->addTopLevelItem(new QTreeWidgetItem(QStringList{"x", "y"}));
            again.findChild<QLineEdit*>("txtTaskName")->setText("New");
            again.AddToTaskList();
            QCOMPARE(testing::readBytes(backup), damaged);
            QCOMPARE(RepsDateiEinlesen(f.window->savedTasksPath()).back().Name, std::string("New"));
        }
    }

    void loadingATaskTakesPairsModeAndFilesWhenAsked() {
        testing::TempDir data;
        const std::string kept = data.write("kept.txt", "old");
        SavedReps reps = emptySavedReps();
        reps.push_back(RepTask{"Rename", {kept}, {"kept", "x^t"}, {"done"}, false, false});
        for (bool addFiles : {false, true}) {
            Fixture f(true, true, addFiles, reps);
            auto* tasks = f.child<QTreeWidget>("lvSavedReps");
            QCOMPARE(tasks->topLevelItem(0)->text(2), QString("kept\r\nx^t"));
            const QString other = f.path("other.txt", "");
            f.dropFiles({other});
            tasks->setCurrentItem(tasks->topLevelItem(0));
            tasks->setFocus();
            f.key(tasks, Qt::Key_Return);
            QCOMPARE(f.pairs->topLevelItemCount(), 2);
            QCOMPARE(f.pairs->topLevelItem(1)->text(1), QString()); // missing replacement comes back empty
            QCOMPARE(f.child<QLineEdit>("txtTaskName")->text(), QString("Rename"));
            QVERIFY(f.child<QLabel>("Label(6)")->font().bold());
            QVERIFY(!SettingsLaden(f.app.path()).ReplaceInContents);
            QCOMPARE(f.fileList->topLevelItem(0)->text(0), addFiles ? QString::fromStdString(kept) : other);
            QTRY_COMPARE(f.count(0), addFiles ? QString("1") : QString("0"));

            f.key(f.window.get(), Qt::Key_N, Qt::ControlModifier);
            QCOMPARE(f.pairs->topLevelItemCount() + f.fileList->topLevelItemCount(), 0);
            QVERIFY(f.status->text().isEmpty() && f.child<QLineEdit>("txtTaskName")->text().isEmpty());
            QCOMPARE(tasks->topLevelItemCount(), 1);
        }
    }

    void imageButtonsHoverResetAndDispatchClicks() {
        Fixture f;
        auto* execute = f.child<QLabel>("imgButton(2)");
        auto* swap = f.child<QLabel>("imgButton(5)");
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

        f.addPair("a", "b");
        f.dropFiles({f.path("one.txt", "a")});
        QTest::mouseClick(execute, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_COMPARE(testing::readBytes(f.files.file("one.txt")), std::string("b"));
        QTRY_VERIFY(!f.window->executing());

        f.key(f.window.get(), Qt::Key_F1);
        QTest::keyClicks(f.child<QPlainTextEdit>("txtFind"), "left");
        QTest::mouseClick(swap, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(f.child<QPlainTextEdit>("txtReplace")->toPlainText(), QString("left"));
        QVERIFY(shows(swap, 5, 1));
    }

    void aboutDialogShowsVersionsAndOnlyHides() {
        Fixture f;
        AboutDialog& about = f.window->about();
        QVERIFY(!about.isVisible());
        f.child<QAction>("mnuAbout")->trigger();
        f.child<QAction>("mnuAbout")->trigger();
        QVERIFY(about.isVisible());
        QCOMPARE(f.window->findChildren<AboutDialog*>().size(), 1);
        QCOMPARE(about.windowTitle(), QString("Morvane Version 1.0"));
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QString("Version 1.0.1"));
        QVERIFY(f.window->isEnabled());
        QTest::mouseClick(about.findChild<QLabel*>("Label2"), Qt::LeftButton);
        QCOMPARE(f.shell.calls, QStringList{QString("browse ") + kMakerWebSite});
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
        f.child<QAction>("mnuAbout")->trigger();
        about.close();
        QVERIFY(!about.isVisible());
        QCOMPARE(f.window->findChildren<AboutDialog*>().size(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
