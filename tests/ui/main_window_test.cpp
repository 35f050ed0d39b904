#include "app/main_window.h"
#include "config/settings.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

using namespace morvane;

namespace {

struct RecordingDialogs : Dialogs {
    QStringList texts;
    void message(QWidget*, const QString&, const QString& text, Icon) override { texts << text; }
};

const char* const kLanguageFile = "[Replacements pending]\tPending:\tAusstehend:\r\n"
                                  "[Replacements done]\tDone:\tErledigt:\r\n"
                                  "[mnuFile]\t&File\t&Datei\r\n"
                                  "[mnuSimulate]\tUpdate/ Simulate\tAktualisieren/ Simulieren\r\n";

void addRow(QTreeWidget& list, const QStringList& texts) {
    list.addTopLevelItem(new QTreeWidgetItem(texts));
}

QString countOf(QTreeWidget& list, int row) {
    return list.topLevelItem(row)->text(2);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Window {
        testing::TempDir app;
        testing::TempDir files;
        RecordingDialogs dialogs;
        std::unique_ptr<MainWindow> window;
        QTreeWidget* pairs = nullptr;
        QTreeWidget* fileList = nullptr;
        QLabel* status = nullptr;

        explicit Window(bool withLanguageFile = true, bool contents = true) {
            if (withLanguageFile) {
                app.write("Sprachen.txt", kLanguageFile);
            }
            Settings settings;
            settings.ReplaceInContents = contents;
            SettingsSpeichern(app.path(), settings);
            window = std::make_unique<MainWindow>(app.path(), dialogs);
            pairs = window->findChild<QTreeWidget*>("lvCurrentFindReplace");
            fileList = window->findChild<QTreeWidget*>("lvFiles");
            status = window->findChild<QLabel*>("Label(4)");
            QApplication::setActiveWindow(window.get());
        }
        void addFile(const std::string& name, const std::string& bytes) {
            const std::string path = files.write(name, bytes);
            addRow(*fileList, {QString::fromStdString(path), QString::fromStdString(name), QString()});
        }
    };

  private slots:
    void startUpShowsTheVersionAndReportsAMissingLanguageFile() {
        Window w(false);
        QCOMPARE(w.window->windowTitle(), QString("Morvane 1.0.1"));
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.dialogs.texts, QStringList{"Language file not found"});
        QVERIFY(std::filesystem::exists(w.window->savedTasksPath()));
        QCOMPARE(w.window->findChild<QMenu*>("mnuFile")->title(), QString("&File"));
    }

    void f5CountsIntoTheThirdColumnAndShowsThePendingTotal() {
        Window w;
        addRow(*w.pairs, {"a", "b"});
        addRow(*w.pairs, {"b", "c"});
        w.addFile("one.txt", "ab");
        w.addFile("two.txt", "zzz");
        addRow(*w.fileList, {QString::fromStdString(w.files.file("gone.txt")), "gone.txt", "7"});
        QTest::keyClick(w.window.get(), Qt::Key_F5);
        QTRY_COMPARE(w.status->text(), QString("Pending: 3"));
        QCOMPARE(countOf(*w.fileList, 0), QString("3"));
        QCOMPARE(countOf(*w.fileList, 1), QString("0"));
        QCOMPARE(countOf(*w.fileList, 2), QString("0"));
        QCOMPARE(testing::readBytes(w.files.file("one.txt")), std::string("ab"));
    }

    void f8ReplacesThenSimulatesWhatIsLeft() {
        Window w;
        addRow(*w.pairs, {"a", "aa"});
        w.addFile("one.txt", "a-a");
        QTest::keyClick(w.window.get(), Qt::Key_F8);
        QVERIFY(w.window->executing());
        QVERIFY(!w.window->findChild<QAction*>("mnuSimulate")->isEnabled());
        QTRY_COMPARE(testing::readBytes(w.files.file("one.txt")), std::string("aa-aa"));
        QTRY_COMPARE(w.status->text(), QString("Pending: 4"));
        QCOMPARE(countOf(*w.fileList, 0), QString("4"));
        QVERIFY(!w.window->executing());
        QVERIFY(w.dialogs.texts.isEmpty());
    }

    void executeInNamesModeRenamesRowsAndReportsFailuresInOneBox() {
        Window w(true, false);
        addRow(*w.pairs, {"old", "new"});
        w.addFile("a.old", "");
        w.addFile("b.old", "");
        w.files.write("b.new", "taken");
        w.window->ReplaceIt();
        QTRY_VERIFY(!w.window->executing());
        QTRY_COMPARE(w.fileList->topLevelItem(0)->text(1), QString("a.new"));
        QCOMPARE(w.fileList->topLevelItem(0)->text(0), QString::fromStdString(w.files.file("a.new")));
        QCOMPARE(w.fileList->topLevelItem(1)->text(1), QString("b.old"));
        QCOMPARE(w.dialogs.texts.size(), 1);
        QVERIFY(w.dialogs.texts[0].contains(QString::fromStdString(w.files.file("b.old"))));
        QCOMPARE(testing::readBytes(w.files.file("b.new")), std::string("taken"));
    }

    void choosingGermanRelabelsChecksOnlyItAndSavesTheSetting() {
        Window w;
        QAction* german = w.window->findChild<QAction*>("mnuLanguage(1)");
        german->trigger();
        QCOMPARE(w.window->findChild<QMenu*>("mnuFile")->title(), QString("&Datei"));
        QCOMPARE(w.window->findChild<QAction*>("mnuSimulate")->text(), QString("Aktualisieren/ Simulieren"));
        QVERIFY(german->isChecked());
        QVERIFY(!w.window->findChild<QAction*>("mnuLanguage(0)")->isChecked());
        QCOMPARE(SettingsLaden(w.app.path()).Language, 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
