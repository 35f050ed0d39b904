#include "gui/lists/file_list_view.h"
#include "gui/window/main_window.h"
#include "gui/window/preview_window.h"
#include "support/temp_dir.h"
#include "support/window_doubles.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <filesystem>

using namespace morvane;

namespace {

// A window on an application folder with the shipped language file and icons.
struct Window {
    testing::TempDir app;
    testing::RecordingDialogs dialogs;
    testing::RecordingShell shell;
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
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
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
    // The first window fits the screen's free area, 1280 by 1000 pixels at the scale factor the test runs
    // with; from the least size up the controls never lie over each other, and below it the window keeps that
    // size. The count column holds ten digits and its heading.
    void everyControlStaysUsableAtEverySize() {
        Window w;
        QVERIFY(w.screenArea().contains(w.window->frameGeometry()));
        auto* files = w.child<FileListView>("lvFiles");
        QVERIFY(files->columnWidth(FileListModel::kCountColumn) >
                std::max(files->fontMetrics().horizontalAdvance("0000000000"),
                         files->header()->fontMetrics().horizontalAdvance("Replacements")));
        const QSize least = w.window->minimumSizeHint().expandedTo(w.window->minimumSize());
        for (const QSize size : {QSize(560, 400), least, QSize(1600, 970), QSize(300, 200)}) {
            w.window->resize(size);
            QTRY_COMPARE(w.window->size(), size.expandedTo(least));
            QVERIFY2(overlapsOnMainPage(w).isEmpty(), qPrintable(overlapsOnMainPage(w)));
            QVERIFY(w.child<QLabel>("Label(8)")->isVisible());
        }
        QVERIFY(least.width() <= 560 && least.height() <= 400);
    }

    // The size and place come back at the next start from a file of their own.
    void sizeAndPlaceAreRememberedBesideTheSettings() {
        Window w;
        const std::string settings = testing::readBytes(w.app.file("Settings.txt"));
        w.window->move(30, 20);
        w.window->resize(560, 400);
        QTRY_COMPARE(w.window->pos(), QPoint(30, 20));
        w.window->close();
        QCOMPARE(testing::readBytes(w.app.file("Settings.txt")), settings);

        w.open();
        QCOMPARE(w.window->pos(), QPoint(30, 20));
        QCOMPARE(w.window->size(), QSize(560, 400));
    }

    void previewOpensBesideTheMainWindowWhereThereIsRoom() {
        Window w;
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
