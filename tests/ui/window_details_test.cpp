#include "app/main_window.h"
#include "lists/pair_editor_controller.h"
#include "support/temp_dir.h"
#include "ui/about_dialog.h"

#include <QAbstractItemView>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>

using namespace morvane;

namespace {

struct SilentDialogs : Dialogs {
    void message(QWidget*, const QString&, const QString&, Icon) override {}
};

struct SilentShell : Shell {
    void showInFolder(const QString&) override {}
    void open(const QString&) override {}
    void openAddress(const QString&) override {}
};

const char* const kLanguageFile = "[label(8)]\tSaved Tasks\tGespeicherte Aufgaben und noch mehr\r\n"
                                  "[label(0)]\tFind\tSuchen nach diesem langen Text\r\n"
                                  "[frameNewElement]\tNew Element\tNeues Element\r\n";

// A shown, active window on a fresh application folder in English.
struct Window {
    testing::TempDir app;
    SilentDialogs dialogs;
    SilentShell shell;
    std::unique_ptr<MainWindow> window;

    Window() {
        app.write("Sprachen.txt", kLanguageFile);
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell);
        QApplication::setActiveWindow(window.get());
    }
    template <class T> T* child(const char* name) { return window->findChild<T*>(name); }
};

// The widget a click at the centre of the overlap of two widgets would reach.
QWidget* topmostWhereBothAre(QWidget& page, const QWidget& a, const QWidget& b) {
    const QRect overlap = a.geometry().intersected(b.geometry());
    return overlap.isEmpty() ? nullptr : page.childAt(overlap.center());
}

// With no window left shown, the program ends.
bool noWindowShown() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(),
                        [](const QWidget* window) { return window->isVisible(); });
}

bool holds(const QWidget* outer, const QWidget* inner) {
    return inner && (inner == outer || outer->isAncestorOf(inner));
}

} // namespace

class WindowDetailsTest : public QObject {
    Q_OBJECT

private slots:
    void closeWhileTheAboutDialogIsShownEndsTheProgram() {
        Window w;
        w.child<QAction>("mnuAbout")->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window->about()));
        w.child<QAction>("mnuClose")->trigger();
        QVERIFY(noWindowShown());
    }

    void ctrlQInTheAboutDialogClosesTheWindow() {
        Window w;
        w.child<QAction>("mnuAbout")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(&w.window->about()));
        QTest::keyClick(&w.window->about(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(noWindowShown());
    }

    void aSeparatorStandsBetweenStoringATaskAndTheRuns() {
        Window w;
        const QList<QAction*> items = w.child<QMenu>("mnuList")->actions();
        QStringList names;
        for (const QAction* item : items) {
            names << (item->isSeparator() ? "-" : item->objectName());
        }
        QCOMPARE(names, (QStringList{"mnuShowAdd", "mnuEdit", "mnuAddToTasks", "-", "mnuSimulate",
                                     "mnuReplace", "mnuUndo", "mnuPreview"}));
        QCOMPARE(items[3]->objectName(), QString("mnuTrenn(0)"));
    }

    void labelsFitALongerCaptionRightAfterALanguageSwitch() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        auto* savedTasks = w.child<QLabel>("Label(8)");
        auto* find = w.child<QLabel>("Label(0)");
        const int englishWidth = savedTasks->width();
        w.window->SpracheAusgewaehlt(1);
        QCOMPARE(savedTasks->text(), QString("Gespeicherte Aufgaben und noch mehr"));
        QVERIFY(savedTasks->width() >= savedTasks->sizeHint().width());
        QVERIFY(find->width() >= find->sizeHint().width());
        w.window->SpracheAusgewaehlt(0);
        QCOMPARE(savedTasks->width(), englishWidth);
    }

    void savedTasksLabelStaysUnderThePairListInATallWindow() {
        Window w;
        w.window->resize(w.window->width(), w.window->height() * 2);
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        auto* label = w.child<QLabel>("Label(8)");
        auto* pairs = w.child<QAbstractItemView>("lvCurrentFindReplace");
        QVERIFY(pairs->geometry().intersects(label->geometry()));
        QVERIFY(holds(pairs, topmostWhereBothAre(*w.child<QWidget>("frameHaupt"), *label, *pairs)));
    }

    void editorPageShowsItsTitleAboveItsBackground() {
        Window w;
        w.window->SpracheAusgewaehlt(1);
        w.window->pairEditor().AddframeAnschalten(false);
        auto* frame = w.child<QGroupBox>("frameNewElement");
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QCOMPARE(frame->title(), QString("Neues Element"));
        auto* title = frame->findChild<QWidget*>("frameNewElementTitle");
        QVERIFY(title && title->isVisible());
        const QImage withTitle = frame->grab().toImage();
        title->hide();
        QVERIFY(frame->grab().toImage() != withTitle);
    }

    void tabNeverStopsOnTheSwapButtonUnderTheSwapPicture() {
        Window w;
        w.window->pairEditor().AddframeAnschalten(false);
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        auto* swap = w.child<QPushButton>("cmdSwap");
        for (int press = 0; press < 12; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(QApplication::focusWidget() != swap);
        }
    }

    void windowKeepsItsStateInAnApplicationFolderWhoseNameIsNotUtf8() {
        testing::TempDir root;
        const std::filesystem::path folder = std::filesystem::path(root.path()) / "app\xff";
        std::filesystem::create_directory(folder);
        std::filesystem::copy_file(MORVANE_WINDOW_PATH, folder / "morvane");
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", folder / "Sprachen.txt");
        const std::string elsewhere = root.makeFolder("elsewhere");
        // A process cannot be started by a path that is not text; the link's target is what the program sees.
        const std::filesystem::path link = std::filesystem::path(root.path()) / "morvane";
        std::filesystem::create_symlink(folder / "morvane", link);
        QProcess program;
        program.setWorkingDirectory(QString::fromStdString(elsewhere));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(QString::fromStdString(link.string()), {});
        QVERIFY(program.waitForStarted());
        const bool kept = QTest::qWaitFor(
            [&] { return std::filesystem::exists(folder / "Saved_Replacements.txt"); }, 20000);
        program.kill();
        program.waitForFinished();
        QVERIFY(kept);
        QVERIFY(std::filesystem::exists(folder / "Settings.txt"));
        QVERIFY(std::filesystem::is_empty(elsewhere));
    }
};

QTEST_MAIN(WindowDetailsTest)
#include "window_details_test.moc"
