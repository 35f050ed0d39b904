#include "core/state/saved_tasks_file.h"
#include "core/state/settings.h"
#include "gui/lists/pair_editor_controller.h"
#include "gui/window/main_window.h"
#include "support/temp_dir.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

using namespace morvane;

namespace {

struct RecordingDialogs : Dialogs {
    QStringList texts;
    void message(QWidget*, const QString&, const QString& text, Icon) override { texts << text; }
};

struct NoShell : Shell {
    void showInFolder(const QString&) override {}
    void open(const QString&) override {}
};

// An application folder with the shipped language file, as the program finds it beside itself.
struct AppFolder {
    testing::TempDir dir;
    RecordingDialogs dialogs;
    NoShell shell;
    AppFolder() {
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", dir.file("Sprachen.txt"));
    }
    std::string tasksFile() const { return savedTasksPath(dir.path()); }
    std::unique_ptr<MainWindow> open(MainWindow::AppFolderCheck check = stateFilesWritable) {
        return std::make_unique<MainWindow>(dir.path(), dialogs, shell, check);
    }
};

void store(MainWindow& window, const QString& name) {
    window.pairEditor().addPair("find", "replace");
    window.findChild<QLineEdit*>("txtTaskName")->setText(name);
    window.addToSavedTasks();
}

int taskRows(MainWindow& window) {
    return window.findChild<QAbstractItemView*>("lvSavedReps")->model()->rowCount();
}

std::vector<std::string> savedNames(const std::string& path) {
    std::vector<std::string> names;
    for (const RepTask& task : readSavedTasks(path)) {
        if (!task.name.empty()) {
            names.push_back(task.name);
        }
    }
    return names;
}

using Names = std::vector<std::string>;

} // namespace

class SavedTasksWindowTest : public QObject {
    Q_OBJECT

private slots:
    void task_stored_by_another_window_is_not_lost() {
        AppFolder app;
        auto first = app.open();
        auto second = app.open();
        store(*first, "first");
        store(*second, "second");
        QCOMPARE(savedNames(app.tasksFile()), (Names{"first", "second"}));
        QCOMPARE(taskRows(*second), 2);
        QApplication::setActiveWindow(first.get());
        QTRY_COMPARE(taskRows(*first), 2); // a window the user comes back to shows the other's tasks
        store(*first, "third");
        QCOMPARE(savedNames(app.tasksFile()), (Names{"first", "second", "third"}));
        QCOMPARE(taskRows(*first), 3);
        QVERIFY(app.dialogs.texts.isEmpty());
    }

    void read_only_settings_file_does_not_stop_saving_tasks() {
        AppFolder app;
        const std::string settings = app.dir.write("Settings.txt", "");
        // Tests run as root, who may write anything; the check stands in for the file's permissions.
        auto window = app.open([](const std::string& folder) {
            StateFilesWritable writable = stateFilesWritable(folder);
            writable.settings = false;
            return writable;
        });
        QCOMPARE(app.dialogs.texts.size(), 1);
        QVERIFY(app.dialogs.texts[0].contains("settings"));
        QVERIFY(app.dialogs.texts[0].endsWith("Settings.txt"));
        store(*window, "kept");
        QCOMPARE(savedNames(app.tasksFile()), Names{"kept"});
        window->findChild<QAction*>("mnuLanguage(1)")->trigger();
        QCOMPARE(testing::readBytes(settings), std::string());
        QCOMPARE(app.dialogs.texts.size(), 1);
    }

    void readOnlyTasksFileStillKeepsTheSettings() {
        AppFolder app;
        auto window = app.open([](const std::string& folder) {
            StateFilesWritable writable = stateFilesWritable(folder);
            writable.tasks = false;
            return writable;
        });
        QCOMPARE(app.dialogs.texts.size(), 1);
        QVERIFY(app.dialogs.texts[0].endsWith("Saved_Replacements.txt"));
        store(*window, "lives on in the window");
        QCOMPARE(taskRows(*window), 1);
        QVERIFY(!std::filesystem::exists(app.tasksFile()));
        window->findChild<QAction*>("mnuLanguage(1)")->trigger();
        QCOMPARE(loadSettings(app.dir.path()).language, 1);
    }

    void unreadable_saved_tasks_file_is_kept_aside_before_saving() {
        AppFolder app;
        const std::string garbage = "tasks from some other program\r\n";
        app.dir.write("Saved_Replacements.txt", garbage);
        auto window = app.open();
        QCOMPARE(app.dialogs.texts.size(), 1);
        const QStringList lines = app.dialogs.texts[0].split("\r\n");
        const std::string kept = lines.last().toStdString();
        QCOMPARE(testing::readBytes(kept), garbage);
        store(*window, "new");
        QCOMPARE(savedNames(app.tasksFile()), Names{"new"});
        QCOMPARE(testing::readBytes(kept), garbage);
        QCOMPARE(app.dialogs.texts.size(), 1); // told once
    }

    // An installed copy: the application folder belongs to root, so the state goes to the user's data folder,
    // and the shipped language file is still read from the application folder.
    void installed_copy_keeps_its_state_in_the_users_data_folder() {
        AppFolder app;
        testing::TempDir dataHome;
        const std::string own = dataHome.file("morvane");
        const auto openInstalled = [&] {
            // Tests run as root, who may write anything; the check stands in for the folder's permissions.
            return std::make_unique<MainWindow>(
                app.dir.path(), app.dialogs, app.shell,
                [&](const std::string& folder) {
                    return folder == app.dir.path() ? StateFilesWritable{.installed = true}
                                                    : stateFilesWritable(folder);
                },
                RunController::defaultRunner(), dataHome.path());
        };
        auto window = openInstalled();
        // A greeting that says where the files are, not a warning about the folder.
        QCOMPARE(app.dialogs.texts.size(), 1);
        QVERIFY2(app.dialogs.texts[0].startsWith("Morvane keeps your settings"),
                 qPrintable(app.dialogs.texts[0]));
        QVERIFY2(app.dialogs.texts[0].endsWith(QString::fromStdString(own)),
                 qPrintable(app.dialogs.texts[0]));
        QVERIFY(std::filesystem::exists(std::filesystem::path(own) / "Settings.txt"));
        QCOMPARE(std::filesystem::status(own).permissions() & std::filesystem::perms::all,
                 std::filesystem::perms::owner_all);
        store(*window, "kept");
        window->findChild<QAction*>("mnuLanguage(1)")->trigger(); // German, from the shipped language file
        const std::string file = dataHome.write("a.txt", "find");
        window->files().append({file});
        window->executeReplacements();
        QTRY_VERIFY(!window->running());
        QCOMPARE(testing::readBytes(file), std::string("replace"));
        window.reset();

        auto restarted = openInstalled();
        QCOMPARE(app.dialogs.texts.size(), 1); // told on the first start only
        QCOMPARE(taskRows(*restarted), 1);
        QCOMPARE(savedNames(savedTasksPath(own)), Names{"kept"});
        QCOMPARE(restarted->findChild<QAction*>("mnuSimulate")->text(), QString("Aktualisieren/ Simulieren"));
        QVERIFY(restarted->findChild<QAction*>("mnuUndo")->isEnabled());
        QVERIFY(std::filesystem::exists(std::filesystem::path(own) / "Undo"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(app.dir.path()), {}), 1); // Sprachen.txt
    }

    // A copy of the user's own whose folder cannot be written (a read-only medium, or one made read-only) is
    // not a normal install: its first start says that the folder cannot be written, where a copy kept in a
    // writable folder would keep its files.
    void read_only_copy_of_the_users_own_says_its_folder_cannot_be_written() {
        AppFolder app;
        testing::TempDir dataHome;
        MainWindow window(
            app.dir.path(), app.dialogs, app.shell,
            [&](const std::string& folder) {
                return folder == app.dir.path() ? StateFilesWritable{} : stateFilesWritable(folder);
            },
            RunController::defaultRunner(), dataHome.path());
        QCOMPARE(app.dialogs.texts.size(), 1);
        QVERIFY2(app.dialogs.texts[0].startsWith("The program folder cannot be written"),
                 qPrintable(app.dialogs.texts[0]));
        QVERIFY(app.dialogs.texts[0].endsWith(QString::fromStdString(dataHome.file("morvane"))));
    }
};

QTEST_MAIN(SavedTasksWindowTest)
#include "saved_tasks_window_test.moc"
