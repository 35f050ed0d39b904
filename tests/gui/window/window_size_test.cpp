#include "core/state/window_place.h"
#include "gui/lists/file_list_view.h"
#include "gui/lists/folder_files_dialog.h"
#include "gui/widgets/list_view.h"
#include "gui/window/main_window.h"
#include "gui/window/preview_window.h"
#include "support/temp_dir.h"
#include "support/window_doubles.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <fstream>

using namespace morvane;

namespace {

using testing::RecordingDialogs;
using testing::RecordingShell;

// A window on an application folder with the shipped language file and icons.
struct Window {
    testing::TempDir app;
    testing::TempDir files;
    RecordingDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;

    Window() {
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", app.file("Sprachen.txt"));
        std::filesystem::copy(MORVANE_SOURCE_DIR "/data/Icons", app.file("Icons"),
                              std::filesystem::copy_options::recursive);
        open();
    }
    void open() {
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell);
        QApplication::setActiveWindow(window.get());
    }
    template <class T> T* child(const char* name) const { return window->findChild<T*>(name); }
    QRect screenArea() const { return window->screen()->availableGeometry(); }
};

// The main page's controls a user sees, each where no other one is and inside the page.
QString overlapsOnMainPage(const Window& w) {
    auto* page = w.child<QWidget>("frameHaupt");
    QList<QWidget*> shown;
    for (QWidget* control : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control->isVisibleTo(page) && control->objectName() != "img(0)") {
            shown << control;
        }
    }
    QString faults;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!page->rect().contains(shown[i]->geometry()) || shown[i]->width() < 10 ||
            shown[i]->height() < 10) {
            faults += shown[i]->objectName() + " outside or empty; ";
        }
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            if (shown[i]->geometry().intersects(shown[j]->geometry())) {
                faults += shown[i]->objectName() + " over " + shown[j]->objectName() + "; ";
            }
        }
    }
    return faults;
}

} // namespace

class WindowSizeTest : public QObject {
    Q_OBJECT

private slots:
    // The screen is 1280 by 1000 pixels, at the scale factor the test runs with.
    void firstWindowFitsTheScreensFreeArea() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QVERIFY2(w.screenArea().contains(w.window->frameGeometry()),
                 qPrintable(QStringLiteral("%1 by %2").arg(w.window->width()).arg(w.window->height())));
        QVERIFY(w.window->width() >= w.window->minimumSizeHint().width());
    }

    // From the least size up the controls never lie over each other; below it the window keeps that size.
    void everyControlStaysUsableAtEverySize() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        const QSize least = w.window->minimumSizeHint().expandedTo(w.window->minimumSize());
        for (const QSize size : {QSize(560, 400), least, QSize(1600, 970), QSize(300, 200)}) {
            w.window->resize(size);
            QTRY_COMPARE(w.window->size(), size.expandedTo(least));
            QVERIFY2(overlapsOnMainPage(w).isEmpty(), qPrintable(overlapsOnMainPage(w)));
            QVERIFY(w.child<QLabel>("Label(8)")->isVisible());
        }
        QVERIFY(least.width() <= 560 && least.height() <= 400);
    }

    // The size and place come back at the next start from a file of their own; a damaged one is passed over.
    void sizeAndPlaceAreRememberedBesideTheSettings() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        const QByteArray settings = [&] {
            QFile file(QString::fromStdString(w.app.file("Settings.txt")));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        w.window->move(30, 20);
        w.window->resize(560, 400);
        QTRY_COMPARE(w.window->pos(), QPoint(30, 20));
        w.window->close();
        QFile file(QString::fromStdString(w.app.file("Settings.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), settings);

        w.open();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QCOMPARE(w.window->pos(), QPoint(30, 20));
        QCOMPARE(w.window->size(), QSize(560, 400));
        w.window->close();

        w.app.write(std::string(kWindowPlaceFileName), "[Main Window]\t\t30 20 0 x\r\n");
        w.open();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QVERIFY(w.screenArea().contains(w.window->frameGeometry()));
        QVERIFY(w.window->size() != QSize(560, 400));
    }

    void previewOpensBesideTheMainWindowWhereThereIsRoom() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        const QRect area = w.screenArea();
        w.window->move(area.topLeft());
        w.window->resize(w.window->minimumSizeHint().expandedTo(w.window->minimumSize()));
        QTRY_COMPARE(w.window->pos(), area.topLeft());
        w.window->preview().toggle();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window->preview()));
        const QRect preview = w.window->preview().frameGeometry();
        QVERIFY(area.contains(preview));
        if (area.right() - w.window->frameGeometry().right() >= 480) {
            QVERIFY(!preview.intersects(w.window->frameGeometry()));
        }
    }

    // One dialog asks for both selected folders, and each one's files take its row.
    void folderFilesExpandEverySelectedFolderRow() {
        Window w;
        w.window->pairs().append("a", "b");
        w.files.makeFolder("d1");
        w.files.makeFolder("d2");
        const std::string one = w.files.write("d1/one.txt", "a");
        const std::string two = w.files.write("d2/two.txt", "a");
        const std::string plain = w.files.write("plain.txt", "a");
        w.window->addRows({w.files.file("d1"), plain, w.files.file("d2")});
        QTRY_VERIFY(!w.window->running());

        auto* list = w.child<FileListView>("lvFiles");
        list->selectAll();
        const QPoint at = list->visualRect(list->model()->index(0, FileListModel::kNameColumn)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction* expand = menu->findChild<QAction*>("mnuFileAddFolderFiles");
        QVERIFY(expand);
        menu->close();
        expand->trigger();
        QCOMPARE(w.window->findChildren<FolderFilesDialog*>().size(), 1);
        w.window->findChild<FolderFilesDialog*>()
            ->findChild<QDialogButtonBox*>()
            ->button(QDialogButtonBox::Ok)
            ->click();
        QTRY_COMPARE(w.window->files().paths(), (std::vector<std::string>{one, plain, two}));
    }

    // Ctrl+Z in the saved-task list takes the newest delete back, before the execute run's undo.
    void deletedTaskComesBackWithCtrlZ() {
        Window w;
        const std::string file = w.files.write("f.txt", "a");
        w.window->pairs().append("a", "b");
        w.window->addRows({file});
        for (const char* name : {"one", "two"}) {
            w.child<QLineEdit>("txtTaskName")->setText(name);
            w.window->addToSavedTasks();
        }
        QTRY_VERIFY(!w.window->running());
        w.window->executeReplacements();
        QTRY_VERIFY(w.child<QAction>("mnuUndo")->isEnabled());

        auto* tasks = w.child<ListView>("lvSavedReps");
        QVERIFY(tasks->accessibleDescription().contains("Ctrl+Z brings it back"));
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        tasks->setFocus();
        tasks->setCurrentRow(0);
        QTest::keyClick(tasks, Qt::Key_Delete);
        QCOMPARE(tasks->model()->rowCount(), 1);
        QTest::keyClick(tasks, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(tasks->model()->rowCount(), 2);
        QCOMPARE(tasks->model()->index(0, 1).data().toString(), QString("one"));
        QCOMPARE(tasks->selectedRows(), std::vector<int>{0});
        std::ifstream saved(w.window->savedTasksPath());
        const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
        QVERIFY(text.find("one") != std::string::npos);
        QVERIFY(w.child<QAction>("mnuUndo")->isEnabled()); // the run's undo is still there
    }
};

// The tests run on a screen of their own, 1280 by 1000 pixels.
int main(int argc, char** argv) {
    testing::TempDir screens;
    const std::string config = screens.write(
        "screens.json",
        R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1280, "height": 1000, "logicalDpi": 96}]})");
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QByteArray::fromStdString(config));
    QApplication application(argc, argv);
    WindowSizeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_size_test.moc"
