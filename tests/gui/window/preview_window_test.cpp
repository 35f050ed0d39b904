#include "gui/lists/file_list_model.h"
#include "gui/lists/pair_list_model.h"
#include "gui/window/preview_window.h"
#include "support/event_wait.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
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

// The preview follows the current row and the pairs, off the user-interface thread: while a file is slow to
// work out, the window takes the next row, and the slow work is cancelled and its result never shown.
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
    EXPECT_TRUE(f.nextShown().contains("Choose a file"));

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
    f.pairs.update(0, "fast", "quick", {});
    EXPECT_TRUE(f.nextShown().contains("+ old quick"));
}

} // namespace
} // namespace morvane
