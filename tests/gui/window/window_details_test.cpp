#include "gui/lists/pair_editor_controller.h"
#include "gui/widgets/about_dialog.h"
#include "gui/window/main_window.h"
#include "gui/window/preview_window.h"
#include "support/temp_dir.h"
#include "support/window_doubles.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <map>

using namespace morvane;

namespace {

using testing::RecordingDialogs;
using testing::RecordingShell;

const char* const kLanguageFile = "[label(8)]\tSaved Tasks\tGespeicherte Aufgaben und noch mehr\r\n"
                                  "[label(0)]\tFind\tSuchen nach diesem langen Text\r\n"
                                  "[frameNewElement]\tNew Element\tNeues Element\r\n";

// A shown, active window on a fresh application folder in English.
struct Window {
    testing::TempDir app;
    RecordingDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;

    Window() {
        app.write("Sprachen.txt", kLanguageFile);
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell);
        QApplication::setActiveWindow(window.get());
    }
    template <class T> T* child(const char* name) { return window->findChild<T*>(name); }
};

// With no window left shown, the program ends.
bool noWindowShown() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(),
                        [](const QWidget* window) { return window->isVisible(); });
}

// A caption as the user reads it: without the mnemonic's ampersand, "&&" as "&".
QString readCaption(QString caption) {
    return caption.replace(QRegularExpression("&(.)"), "\\1");
}

// Every item of the window's menus, "Menu > Item", with its shortcut in the form the documents write it.
std::map<QString, QString> menuItemsWithKeys(MainWindow& window) {
    std::map<QString, QString> items;
    for (QAction* top : window.menuBar()->actions()) {
        for (QAction* item : top->menu()->actions()) {
            if (!item->isSeparator()) {
                items[readCaption(top->text()) + " > " + readCaption(item->text())] =
                    item->shortcut().toString(QKeySequence::PortableText);
            }
        }
    }
    return items;
}

QString readText(const char* path) {
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class WindowDetailsTest : public QObject {
    Q_OBJECT

private slots:
    // Close ends the program with the About dialog shown, and Ctrl+Q works from within it.
    void closeWhileTheAboutDialogIsShownEndsTheProgram() {
        for (const bool fromTheDialog : {false, true}) {
            Window w;
            w.child<QAction>("mnuAbout")->trigger();
            QVERIFY(QTest::qWaitForWindowActive(&w.window->about()));
            if (fromTheDialog) {
                QTest::keyClick(&w.window->about(), Qt::Key_Q, Qt::ControlModifier);
            } else {
                w.child<QAction>("mnuClose")->trigger();
            }
            QVERIFY(noWindowShown());
        }
    }

    // The preview is a window of its own; the keys that open it and run the pairs work while it has the
    // focus.
    void previewKeysWorkWhileThePreviewHasTheFocus() {
        Window w;
        PreviewWindow& preview = w.window->preview();
        QSignalSpy executed(w.child<QAction>("mnuReplace"), &QAction::triggered);
        for (const Qt::Key closing : {Qt::Key_Escape, Qt::Key_F6}) {
            QTest::keyClick(w.window.get(), Qt::Key_F6);
            QTRY_VERIFY(preview.isActiveWindow());
            QTest::keyClick(&preview, Qt::Key_F8);
            QTest::keyClick(&preview, closing);
            QVERIFY(!preview.isVisible());
            QTRY_VERIFY(w.window->isActiveWindow());
            QTest::qWait(50); // the activations the desktop still delivers
        }
        QCOMPARE(executed.count(), 2);
    }

    void aSeparatorStandsBetweenStoringATaskAndTheRuns() {
        Window w;
        const QList<QAction*> items = w.child<QMenu>("mnuList")->actions();
        QStringList names;
        for (const QAction* item : items) {
            names << (item->isSeparator() ? "-" : item->objectName());
        }
        QCOMPARE(names, (QStringList{"mnuShowAdd", "mnuEdit", "mnuAddToTasks", "-", "mnuSimulate",
                                     "mnuReplace", "mnuUndo", "mnuPreview", "-", "mnuOnlyMatches",
                                     "mnuNextMatch", "mnuPreviousMatch"}));
        QCOMPARE(items[3]->objectName(), QString("mnuTrenn(0)"));
    }

    void labelsFitALongerCaptionRightAfterALanguageSwitch() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        auto* savedTasks = w.child<QLabel>("Label(8)");
        auto* find = w.child<QLabel>("Label(0)");
        const int englishWidth = savedTasks->width();
        w.window->chooseLanguage(1);
        QCOMPARE(savedTasks->text(), QString("Gespeicherte Aufgaben und noch mehr"));
        QVERIFY(savedTasks->width() >= savedTasks->sizeHint().width());
        QVERIFY(find->width() >= find->sizeHint().width());
        w.window->chooseLanguage(0);
        QCOMPARE(savedTasks->width(), englishWidth);
    }

    void editorPageShowsItsTitleAboveItsBackground() {
        Window w;
        w.window->chooseLanguage(1);
        w.window->pairEditor().showPairEditor(false);
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
        w.window->pairEditor().showPairEditor(false);
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        auto* swap = w.child<QPushButton>("cmdSwap");
        for (int press = 0; press < 12; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(QApplication::focusWidget() != swap);
        }
    }

    // Tab walks the page in reading order and comes back round; from the keyboard alone the mode is chosen
    // and a run started, as with the mouse.
    void keyboardReachesAndWorksEveryControlOfThePage() {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        auto* pairs = w.child<QWidget>("lvCurrentFindReplace");
        pairs->setFocus();
        QStringList chain;
        do {
            chain << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } while (QApplication::focusWidget() != pairs && chain.size() < 20);
        QCOMPARE(chain, (QStringList{"lvCurrentFindReplace", "txtTaskName", "cmdToList", "lvSavedReps",
                                     "lvFiles", "Label(6)", "Label(7)", "imgButton(2)"}));

        auto* names = w.child<QLabel>("Label(6)");
        names->setFocus();
        QTest::keyClick(names, Qt::Key_Space);
        QVERIFY(!w.window->findChild<QLabel*>("Label(7)")->font().bold());
        QTest::keyClick(names, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Label(7)"));
        QVERIFY(w.child<QLabel>("Label(7)")->font().bold());

        QSignalSpy finished(&w.window->runs(), &RunController::finished);
        QTest::keyClick(w.child<QWidget>("imgButton(2)"), Qt::Key_Return);
        QTRY_VERIFY(!finished.isEmpty());
        QVERIFY(finished.first().at(1).toBool()); // an execute run
    }

    // What a screen reader says for each control that takes the focus, and for the progress bar, in both
    // languages of the shipped file.
    void everyControlHasAnAccessibleNameInBothLanguages() {
        Window w;
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", w.app.file("Sprachen.txt"),
                                   std::filesystem::copy_options::overwrite_existing);
        QStringList english;
        for (int language : {0, 1}) {
            w.window->chooseLanguage(language);
            QStringList said;
            for (QWidget* control : w.window->centralWidget()->findChildren<QWidget*>()) {
                const bool reached = (control->focusPolicy() & Qt::TabFocus) && !control->isHidden();
                if (!reached && control->objectName() != "picProgress") {
                    continue;
                }
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
                const QString name = face->text(QAccessible::Name);
                QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
                said << control->objectName() + ": " + name + " / " + face->text(QAccessible::Description);
            }
            said.sort();
            QVERIFY(said.size() >= 16);
            if (language == 0) {
                english = said;
                QVERIFY(
                    said.contains("lvFiles: Files / Drop files or folders here, or add them from the File "
                                  "menu; the last column counts what the pairs find. Enter opens a file, "
                                  "Delete removes it from the list."));
            } else {
                QVERIFY(said.contains("Label(6): Dateinamen / Wo die Paare ersetzen: Leertaste wählt diesen "
                                      "Modus, eine Pfeiltaste den anderen."));
                QVERIFY(said.contains("txtFind: Suchen / "));
            }
        }

        QAccessibleInterface* progress =
            QAccessible::queryAccessibleInterface(w.child<QWidget>("picProgress"));
        QCOMPARE(progress->role(), QAccessible::ProgressBar);
        QCOMPARE(progress->valueInterface()->currentValue().toInt(), 100);
        QCOMPARE(QAccessible::queryAccessibleInterface(w.child<QWidget>("imgButton(2)"))->role(),
                 QAccessible::Button);
        QAccessibleInterface* contents = QAccessible::queryAccessibleInterface(w.child<QWidget>("Label(7)"));
        QCOMPARE(contents->role(), QAccessible::RadioButton);
        QVERIFY(contents->state().checked);
        QAccessibleInterface* names = QAccessible::queryAccessibleInterface(w.child<QWidget>("Label(6)"));
        names->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(names->state().checked);
        QVERIFY(!contents->state().checked);
    }

    // On a dark desktop theme the text written straight on the light skin stays dark, and the status line
    // keeps a light surface under it.
    void darkThemeKeepsTheTextOnTheSkinReadable() {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
        Window w;
        w.window->about().show();
        QStringList unreadable;
        for (QWidget* page : {w.child<QWidget>("frameHaupt"), w.child<QWidget>("frameNewElement"),
                              static_cast<QWidget*>(&w.window->about())}) {
            for (QLabel* label : page->findChildren<QLabel*>()) {
                if (!label->text().isEmpty() &&
                    label->palette().color(QPalette::WindowText).lightness() > 128) {
                    unreadable << label->objectName();
                }
            }
        }
        QGroupBox* editor = w.child<QGroupBox>("frameNewElement");
        const bool titleDark = editor->palette().color(QPalette::WindowText).lightness() <= 128;
        const bool statusOnLight =
            w.child<QWidget>("picProgress")->palette().color(QPalette::Window).lightness() > 200;
        QApplication::setPalette(light);
        QCOMPARE(unreadable, QStringList());
        QVERIFY(titleDark);
        QVERIFY(statusOnLight);
    }

    // Help and version are answered before the toolkit starts: no display is needed, and no window opens.
    // An option the window does not know is refused by name, not taken for a file to open.
    void commandLineIsAnsweredAsDocumented() {
        struct Case {
            QStringList arguments;
            int exitCode;
            const char* output;
        };
        for (const Case& c : {Case{{"--version"}, 0, "morvane 1."}, Case{{"--help"}, 0, "usage: morvane"},
                              Case{{"a.txt", "--recursive"}, 2, "unknown option --recursive"}}) {
            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove("DISPLAY");
            environment.remove("QT_QPA_PLATFORM");
            if (c.exitCode != 0) {
                environment.insert("QT_QPA_PLATFORM", "offscreen");
            }
            program.setProcessEnvironment(environment);
            program.start(QString::fromUtf8(MORVANE_WINDOW_PATH), c.arguments);
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitCode(), c.exitCode);
            const QByteArray output =
                c.exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
            QVERIFY2(output.contains(c.output), output.constData());
        }
    }

    // The manual page lists every menu item with its key, as the window has them; the read-me's "Menu > Item"
    // (key) mentions name real items with their real keys.
    void documentedMenusAndKeysAreTheWindowsOwn() {
        testing::TempDir app;
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", app.file("Sprachen.txt"));
        RecordingDialogs dialogs;
        RecordingShell shell;
        MainWindow window(app.path(), dialogs, shell);
        const std::map<QString, QString> menus = menuItemsWithKeys(window);
        QVERIFY(menus.size() > 10);

        std::map<QString, QString> manual;
        const QRegularExpression entry("^\\.BR? \"([^\"]+ > [^\"]+)\"(?: \" \\(([^)]+)\\)\")?$",
                                       QRegularExpression::MultilineOption);
        for (const auto& match :
             entry.globalMatch(readText(MORVANE_SOURCE_DIR "/packaging/man/morvane.1.in"))) {
            manual[match.captured(1)] = match.captured(2);
        }
        for (const auto& [item, key] : menus) {
            QVERIFY2(manual.count(item) == 1, qPrintable("missing from the manual page: " + item));
            QCOMPARE(manual.at(item), key);
        }
        for (const auto& [item, key] : manual) {
            QVERIFY2(menus.count(item) == 1, qPrintable("no such menu item: " + item));
        }

        int mentions = 0;
        const QRegularExpression mention("\\*\\*([^*]+ > [^*]+)\\*\\* \\(([^)]+)\\)");
        for (const auto& match : mention.globalMatch(readText(MORVANE_SOURCE_DIR "/README.md"))) {
            ++mentions;
            QVERIFY2(menus.count(match.captured(1)) == 1, qPrintable(match.captured(1)));
            QCOMPARE(match.captured(2), menus.at(match.captured(1)));
        }
        QVERIFY(mentions >= 2);
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
