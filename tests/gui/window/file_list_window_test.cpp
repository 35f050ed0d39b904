#include "gui/lists/file_list_view.h"
#include "gui/lists/folder_files_dialog.h"
#include "gui/window/main_window.h"
#include "gui/window/preview_window.h"
#include "support/temp_dir.h"
#include "support/window_doubles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <sys/stat.h>

using namespace morvane;

namespace {

using testing::RecordingDialogs;
using testing::RecordingShell;

// A window in contents mode on an application folder with the shipped language file and icons, and a folder
// of files to add.
struct Window {
    testing::TempDir app;
    testing::TempDir files;
    RecordingDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    FileListView* list = nullptr;

    Window() {
        std::filesystem::copy_file(MORVANE_SOURCE_DIR "/data/Sprachen.txt", app.file("Sprachen.txt"));
        std::filesystem::copy(MORVANE_SOURCE_DIR "/data/Icons", app.file("Icons"),
                              std::filesystem::copy_options::recursive);
        window = std::make_unique<MainWindow>(app.path(), dialogs, shell);
        list = window->findChild<FileListView*>("lvFiles");
        QApplication::setActiveWindow(window.get());
    }
    std::vector<std::string> paths() const { return window->files().paths(); }
    QVariant cell(int row, int column, int role) const {
        return list->model()->index(row, column).data(role);
    }
    // As File > Add Files adds them, and counted.
    void add(const std::vector<std::string>& paths) {
        QTRY_VERIFY(!window->running());
        dialogs.chosenFiles.clear();
        for (const std::string& path : paths) {
            dialogs.chosenFiles << QString::fromStdString(path);
        }
        window->findChild<QAction*>("mnuAddFiles")->trigger();
        QTRY_VERIFY(!window->running());
    }
    // Right-clicks the row, as the user does: the row becomes the current and selected one.
    QMenu* menuOn(int row) {
        list->setCurrentRow(row);
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const QPoint at = list->visualRect(list->model()->index(row, FileListModel::kNameColumn)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static void choose(QMenu* menu, const char* item) {
        QAction* action = menu->findChild<QAction*>(item);
        QVERIFY2(action && action->isEnabled(), item);
        menu->close();
        action->trigger();
    }
    FolderFilesDialog* dialog() const { return window->findChild<FolderFilesDialog*>(); }
    void clickHeading(int column) {
        QHeaderView* header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }
    QStringList names() const {
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            shown << cell(row, FileListModel::kNameColumn, Qt::DisplayRole).toString();
        }
        return shown;
    }
};

} // namespace

class FileListWindowTest : public QObject {
    Q_OBJECT

private slots:
    void contextMenuOffersWhatTheKeysDoAndFolderFilesOnlyOnFolderRows() {
        Window w;
        const std::string one = w.files.write("one.txt", "a");
        w.add({one, w.files.makeFolder("folder")});

        QMenu* menu = w.menuOn(0);
        QVERIFY(menu);
        QCOMPARE(menu->findChild<QAction*>("mnuFileShowInFolder")->text(), QString("Show in &Folder\tSpace"));
        QVERIFY(!menu->findChild<QAction*>("mnuFileAddFolderFiles"));
        Window::choose(menu, "mnuFileShowInFolder");
        Window::choose(w.menuOn(0), "mnuFileOpen");
        QCOMPARE(w.shell.calls,
                 (QStringList{"show " + QString::fromStdString(one), "open " + QString::fromStdString(one)}));

        QMenu* folderMenu = w.menuOn(1);
        QVERIFY(folderMenu->findChild<QAction*>("mnuFileAddFolderFiles"));
        Window::choose(folderMenu, "mnuFileSelectAll");
        QCOMPARE(w.list->selectedRows(), (std::vector<int>{0, 1}));
        Window::choose(w.menuOn(0), "mnuFileRemove");
        QCOMPARE(w.paths(), std::vector<std::string>{w.files.file("folder")});
        QVERIFY(!w.window->running()); // each count belongs to its own file
    }

    // The folder row shows that contents mode passes it over; its files take its place in order, as the
    // dialog chose them, and are counted. The choices are there again for the next folder.
    void folderFilesReplaceTheFolderRowInPlaceWithTheDialogsChoices() {
        Window w;
        w.window->pairs().append("a", "b");
        w.files.writeTree({"d/a.txt", "a", "d/b.cpp", "a", "d/.h.txt", "a", "d/sub/c.txt", "a"});
        w.files.write("d/bin.txt", std::string("a\0", 2));
        const std::string one = w.files.write("one.txt", "a");
        const std::string two = w.files.write("two.txt", "a");
        w.add({one, w.files.file("d"), two});
        QVERIFY(!w.cell(1, FileListModel::kCountColumn, Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(w.cell(0, FileListModel::kCountColumn, Qt::DecorationRole).isNull());

        Window::choose(w.menuOn(1), "mnuFileAddFolderFiles");
        FolderFilesDialog* dialog = w.dialog();
        QVERIFY(dialog && dialog->isVisible());
        // Each switch says what checking it does.
        for (const char* name : {"chkHidden", "chkIgnored", "chkBinary"}) {
            QVERIFY(dialog->findChild<QCheckBox*>(name)->text().startsWith("Include "));
        }
        dialog->findChild<QLineEdit*>("txtInclude")->setText("*.txt");
        dialog->findChild<QCheckBox*>("chkHidden")->setChecked(true);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_COMPARE(w.paths(),
                     (std::vector<std::string>{one, w.files.file("d/.h.txt"), w.files.file("d/a.txt"),
                                               w.files.file("d/sub/c.txt"), two}));
        QTRY_VERIFY(!w.dialog());
        QTRY_COMPARE(w.window->findChild<QLabel*>("Label(4)")->text(), QString("Replacements pending: 5"));

        w.add({w.files.file("d")});
        Window::choose(w.menuOn(5), "mnuFileAddFolderFiles");
        QTRY_VERIFY(w.dialog());
        QCOMPARE(w.dialog()->findChild<QLineEdit*>("txtInclude")->text(), QString("*.txt"));
        QVERIFY(w.dialog()->findChild<QCheckBox*>("chkHidden")->isChecked());
        w.dialog()->findChild<QLineEdit*>("txtInclude")->setText("*.none");
        w.dialog()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_COMPARE(w.dialogs.texts.size(), 1);
        QVERIFY(w.dialogs.texts[0].contains("no file"));
        QCOMPARE(w.paths().back(), w.files.file("d")); // nothing found: the row stays
    }

    // Rows of one name read apart by their folders below the one all rows share, shown before the count;
    // each row's tooltip is its full path, and the heading's the shared folder.
    void theFolderColumnTellsRowsOfOneNameApart() {
        Window w;
        w.files.makeFolder("src/app");
        w.files.makeFolder("src/util");
        const std::string util = w.files.write("src/util/main.c", "a");
        w.add({w.files.write("src/app/main.c", "a"), util, w.files.write("src/readme", "a")});
        const int folder = w.window->files().folderColumn();
        const auto shown = [&] {
            QStringList folders;
            for (int row = 0; row < w.list->model()->rowCount(); ++row) {
                folders << w.cell(row, folder, Qt::DisplayRole).toString();
            }
            return folders;
        };
        QCOMPARE(shown(), (QStringList{"app", "util", ""}));
        QCOMPARE(w.cell(1, FileListModel::kNameColumn, Qt::ToolTipRole).toString(),
                 QString::fromStdString(util));
        QCOMPARE(w.list->model()->headerData(folder, Qt::Horizontal).toString(), QString("Folder"));
        QCOMPARE(w.list->model()->headerData(folder, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QString::fromStdString(w.files.file("src/")));
        QCOMPARE(w.list->header()->visualIndex(folder), FileListModel::kCountColumn);
        QVERIFY(w.list->columnWidth(folder) > w.list->columnWidth(FileListModel::kNameColumn) / 2);

        w.add({w.files.write("top.txt", "a")});
        QCOMPARE(shown(), (QStringList{"src/app", "src/util", "src", ""}));
        w.list->selectAll();
        QTest::keyClick(w.list, Qt::Key_Delete);
        w.add({util});
        QCOMPARE(shown(), QStringList{""});
    }

    // Sorting is a view: the model keeps the run's order, and what acts on the current or selected rows
    // reaches the files shown there.
    void actionsOnASortedListReachTheRowsShown() {
        Window w;
        w.window->pairs().append("a", "b");
        const std::string b = w.files.write("b.txt", "a");
        const std::string a = w.files.write("A.txt", "aaa");
        const std::string c = w.files.write("c.txt", "");
        w.add({b, a, c});
        w.clickHeading(FileListModel::kNameColumn);
        QCOMPARE(w.names(), (QStringList{"A.txt", "b.txt", "c.txt"}));
        w.clickHeading(FileListModel::kCountColumn);
        QCOMPARE(w.names(), (QStringList{"c.txt", "b.txt", "A.txt"}));
        w.clickHeading(FileListModel::kCountColumn);
        QCOMPARE(w.names(), (QStringList{"A.txt", "b.txt", "c.txt"}));
        QCOMPARE(w.paths(), (std::vector<std::string>{b, a, c}));

        w.list->setCurrentRow(1);
        QTest::keyClick(w.list, Qt::Key_Return);
        QCOMPARE(w.shell.calls, QStringList{"open " + QString::fromStdString(b)});
        w.window->preview().show();
        QTRY_VERIFY(w.window->preview().shownText().startsWith(QString::fromStdString(b)));
        w.window->preview().close();

        w.list->setCurrentRow(0);
        w.list->selectionModel()->select(w.list->model()->index(0, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QTest::keyClick(w.list, Qt::Key_Delete);
        QCOMPARE(w.paths(), (std::vector<std::string>{b, c}));
        w.clickHeading(FileListModel::kCountColumn); // a third click: the run's order again
        QCOMPARE(w.names(), (QStringList{"b.txt", "c.txt"}));
    }

    // The keys step through the rows with matches in the order shown, wrapping around. Only the files with
    // matches shown, the bar tells how many of all; a file that gains a match joins when the run that counts
    // it ends.
    void onlyTheFilesWithMatchesAndStepsBetweenThem() {
        Window w;
        w.window->pairs().append("a", "b");
        w.add({w.files.write("1.txt", ""), w.files.write("2.txt", "a"), w.files.write("3.txt", "x"),
               w.files.write("4.txt", "aa")});
        w.list->setCurrentRow(0);
        QList<int> stepped;
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_F4, Qt::NoModifier},
                                             {Qt::Key_Down, Qt::AltModifier},
                                             {Qt::Key_F4, Qt::NoModifier},
                                             {Qt::Key_F4, Qt::ShiftModifier},
                                             {Qt::Key_Up, Qt::AltModifier}}) {
            QTest::keyClick(w.list, key, modifiers);
            stepped << w.list->currentFile();
        }
        QCOMPARE(stepped, (QList<int>{1, 3, 1, 3, 1}));
        QCOMPARE(w.list->selectedFiles(), std::vector<int>{1});

        auto* shown = w.window->findChild<QLabel*>("lblFilesShown");
        QVERIFY(shown->isHidden());
        QTest::keyClick(w.list, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(w.window->findChild<QAction*>("mnuOnlyMatches")->isChecked());
        QCOMPARE(w.names(), (QStringList{"2.txt", "4.txt"}));
        QCOMPARE(shown->text(), QString("2 of 4 files"));
        QVERIFY(!shown->isHidden());
        auto* line = w.window->findChild<QLabel*>("Label(4)");
        QVERIFY(line->geometry().right() < shown->geometry().left()); // the status text never runs under it
        QCOMPARE(shown->geometry().right(), shown->parentWidget()->width() - 1);
        w.files.write("3.txt", "a");
        QTest::keyClick(w.list, Qt::Key_F5);
        QTRY_COMPARE(w.names(), (QStringList{"2.txt", "3.txt", "4.txt"}));
        QCOMPARE(shown->text(), QString("3 of 4 files"));
        QTest::keyClick(w.list, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(w.names().size(), 4);
        QVERIFY(shown->isHidden());
    }

    // The preview lists every file with changes beside the current one's; choosing a file there makes it the
    // current row, and the current row is the one chosen there.
    void thePreviewListsTheFilesWithChangesAndChoosesAmongThem() {
        Window w;
        w.window->pairs().append("a", "b");
        const std::string four = w.files.write("4.txt", "aa");
        w.add({w.files.write("1.txt", ""), w.files.write("2.txt", "a"), w.files.write("3.txt", "x"), four});
        PreviewWindow& preview = w.window->preview();
        preview.show();
        auto* files = preview.findChild<QTreeView*>("lvPreviewFiles");
        QCOMPARE(files->model()->rowCount(), 2);
        QCOMPARE(files->model()->index(1, FileListModel::kNameColumn).data().toString(), QString("4.txt"));
        files->setCurrentIndex(files->model()->index(1, 0));
        QCOMPARE(w.list->currentFile(), 3);
        QTRY_VERIFY(preview.shownText().startsWith(QString::fromStdString(four)));
        w.list->setCurrentRow(1);
        QCOMPARE(files->currentIndex().row(), 0);
        w.list->setCurrentRow(0);
        QVERIFY(!files->currentIndex().isValid());
        w.clickHeading(FileListModel::kCountColumn);
        w.clickHeading(FileListModel::kCountColumn);
        QCOMPARE(files->model()->index(0, FileListModel::kNameColumn).data().toString(), QString("4.txt"));
        preview.close();
    }

    // A row whose file is gone, or that a run cannot read, shows a mark by its count and says why below its
    // path; the preview of such a row says why instead of asking for a file.
    void aRowWithoutAReadableFileSaysWhy() {
        Window w;
        w.window->pairs().append("a", "b");
        const std::string gone = w.files.file("gone.txt");
        const std::string pipe = w.files.file("pipe");
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        const std::string fine = w.files.write("fine.txt", "a");
        w.add({gone, pipe, fine});
        const auto tip = [&w](int row) { return w.cell(row, FileListModel::kNameColumn, Qt::ToolTipRole); };
        QCOMPARE(tip(0).toString(), QString::fromStdString(gone + "\nno such file or folder"));
        QVERIFY(tip(1).toString().startsWith(QString::fromStdString(pipe + "\n")));
        QVERIFY(tip(1).toString().contains("regular file"));
        QCOMPARE(tip(2).toString(), QString::fromStdString(fine));
        for (int row : {0, 1}) {
            QVERIFY(!w.cell(row, FileListModel::kCountColumn, Qt::DecorationRole).value<QIcon>().isNull());
        }
        QVERIFY(w.cell(2, FileListModel::kCountColumn, Qt::DecorationRole).isNull());

        w.list->setCurrentRow(0);
        w.window->preview().show();
        QTRY_VERIFY(w.window->preview().shownText().contains("cannot be shown: no such file or folder"));
        w.window->preview().close();
    }
};

QTEST_MAIN(FileListWindowTest)
#include "file_list_window_test.moc"
