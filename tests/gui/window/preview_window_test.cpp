#include "gui/lists/file_list_model.h"
#include "gui/lists/pair_list_model.h"
#include "gui/window/preview_window.h"
#include "support/event_wait.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace morvane {

namespace {

struct Fixture {
    morvane::testing::TempDir dir;
    FileListModel files;
    PairListModel pairs;
    QItemSelectionModel selection{&files};
    ReplaceMode mode = ReplaceMode::Contents;
    std::unique_ptr<PreviewWindow> window;

    explicit Fixture(PreviewWindow::Compute compute = computePreview) {
        files.setHeadings({"Path", "File", "Replacements"});
        window = std::make_unique<PreviewWindow>(
            files, pairs, selection, [this] { return mode; },
            [](std::string_view, const char* builtIn) { return QString::fromUtf8(builtIn); },
            std::move(compute));
    }

    void makeCurrent(int row) {
        selection.setCurrentIndex(files.index(row, 0), QItemSelectionModel::NoUpdate);
    }

    // Waits for the next result and returns what the window shows then.
    QString nextShown() {
        QSignalSpy shown(window.get(), &PreviewWindow::resultShown);
        EXPECT_TRUE(morvane::testing::waitUntil([&] { return !shown.isEmpty(); }));
        return window->shownText();
    }
};

TEST(PreviewWindow, FollowsTheCurrentRowAndThePairs) {
    Fixture f;
    f.files.append({f.dir.write("one.txt", "keep\nold one\n"), f.dir.write("two.txt", "old two\r\n"),
                    f.dir.write("none.txt", "nothing\n")});
    f.pairs.append("old", "new");
    f.window->show();
    EXPECT_TRUE(f.nextShown().contains("Choose a file"));

    f.makeCurrent(0);
    QString shown = f.nextShown();
    EXPECT_TRUE(shown.contains("Replacements: 1")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("@@ -1,2 +1,2 @@\n  keep\n- old one\n+ new one")) << shown.toStdString();

    f.makeCurrent(1);
    EXPECT_TRUE(f.nextShown().contains("- old two\n+ new two")) << "an unchanged CR LF is not shown";

    f.pairs.update(0, "two", "2^p", {});
    shown = f.nextShown();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("- old two\n+ old 2\\r\\n"))) << shown.toStdString();

    f.makeCurrent(2);
    EXPECT_TRUE(f.nextShown().contains("The pairs change nothing"));
}

// Long names and the problem that names another row's file are read whole, however long; rows have no numbers
// on screen, so a problem names the file in the way.
TEST(PreviewWindow, NamesModeFitsEveryColumnToItsTextAndNamesTheFileInTheWay) {
    Fixture f;
    f.mode = ReplaceMode::FileNames;
    const std::string stem = "Holiday_at_the_coast_with_the_whole_family_";
    f.files.append(
        {f.dir.write(stem + "A.jpg", ""), f.dir.write(stem + "B.jpg", ""), f.dir.write("keep.jpg", "")});
    f.pairs.append("A.jpg", "C.jpg");
    f.pairs.append("B.jpg", "C.jpg");
    f.window->show();
    const QString shown = f.nextShown();
    const QString first = QString::fromStdString(stem + "A.jpg");
    const QString second = QString::fromStdString(stem + "B.jpg");
    EXPECT_TRUE(shown.startsWith(first + "\t" + QString::fromStdString(stem) + "C.jpg\t\"" + second +
                                 "\" gets the same new name\n"))
        << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("keep.jpg\tkeep.jpg\t\n")) << shown.toStdString();

    const auto* table = f.window->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            const QString text = table->item(row, column)->text();
            EXPECT_GT(table->columnWidth(column), table->fontMetrics().horizontalAdvance(text))
                << text.toStdString();
        }
    }
}

// The preview works off the user-interface thread: while a file is slow to work out, the window takes the
// next row, and the slow work is cancelled and its result never shown.
TEST(PreviewWindow, StaysResponsiveAndDropsWorkThatWasOvertaken) {
    std::atomic<bool> slowWasCancelled{false};
    Fixture f([&slowWasCancelled](const PreviewRequest& request, const std::atomic<bool>* cancel) {
        if (request.paths[0].find("slow") == std::string::npos) {
            return computePreview(request, cancel);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!cancel->load() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        slowWasCancelled = cancel->load();
        PreviewResult result;
        result.state = PreviewResult::State::Problem;
        result.problem = "slow result";
        return result;
    });
    f.files.append({f.dir.write("slow.txt", "old\n"), f.dir.write("fast.txt", "old fast\n")});
    f.pairs.append("old", "new");
    f.window->show();
    f.nextShown();

    f.makeCurrent(0);
    EXPECT_TRUE(morvane::testing::waitUntil([&] { return f.window->working(); }));
    // New counts for the rows ask for the same work again: it goes on.
    f.files.apply({{f.files.row(0).id, RowResult{1, f.files.row(0).path}}});
    QTest::qWait(100);
    EXPECT_FALSE(slowWasCancelled.load());
    f.makeCurrent(1);
    const QString shown = f.nextShown();
    EXPECT_TRUE(shown.contains("+ new fast")) << shown.toStdString();
    EXPECT_TRUE(morvane::testing::waitUntil([&] { return slowWasCancelled.load(); }));
    QApplication::processEvents();
    EXPECT_FALSE(f.window->shownText().contains("slow result"));
}

} // namespace
} // namespace morvane
