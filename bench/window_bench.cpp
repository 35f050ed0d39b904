// Measures how long the window's user-interface thread goes without turning its event loop while files are
// dropped and runs go on: a timer asks to fire every 5 ms and the longest gap between two firings is the
// longest stall a user would feel. Run it under the offscreen platform through "./build.sh bench".

#include "corpus.h"
#include "event_loop_watch.h"
#include "gui/lists/file_list_view.h"
#include "gui/widgets/message_dialog.h"
#include "gui/widgets/qt_shell.h"
#include "gui/widgets/qt_text.h"
#include "gui/window/main_window.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace {

using namespace morvane;
using morvane::bench::watchEventLoop;

struct SilentDialogs : Dialogs {
    void message(QWidget*, const QString&, const BoxText&, Icon) override {}
};
struct SilentShell : Shell {
    void showInFolder(const QString&) override {}
    void open(const QString&) override {}
};

// What a file manager hands over when files are dragged: building it is the file manager's work, not the
// window's.
std::unique_ptr<QMimeData> dragOf(const std::vector<std::string>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls << QUrl::fromLocalFile(pathToQString(path));
    }
    data->setUrls(urls);
    return data;
}

// The process's resident memory and its peak so far, in kilobytes, as the kernel counts them.
std::pair<long, long> residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string field;
    long now = 0;
    long peak = 0;
    while (status >> field) {
        if (field == "VmRSS:") {
            status >> now;
        } else if (field == "VmHWM:") {
            status >> peak;
        }
    }
    return {now, peak};
}

void drop(QAbstractItemView& list, const QMimeData& data) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &dropped);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string work = argc > 1 ? argv[1] : "bench-work";
    const bench::Corpus corpus = bench::ensureTextCorpus(work + "/text-corpus", 1000, 100'000'000);
    const std::string appFolder = work + "/window-app";
    std::filesystem::remove_all(appFolder);
    std::filesystem::create_directories(appFolder);
    SilentDialogs dialogs;
    SilentShell shell;
    MainWindow window(appFolder, dialogs, shell);
    auto* files = window.findChild<FileListView*>("lvFiles");
    for (const auto& [find, replace] : bench::benchmarkPairs()) {
        window.pairs().append(find == "\r\n" ? "^p" : find, replace);
    }

    const auto thousand = dragOf(corpus.files);
    const double dropAndSimulate =
        watchEventLoop([&] { drop(*files, *thousand); }, [&] { return !window.running(); }).longestStallMs;

    std::vector<std::string> many;
    for (int round = 0; round < 9; ++round) {
        many.insert(many.end(), corpus.files.begin(), corpus.files.end());
    }
    const auto nineThousand = dragOf(many);
    const double tenThousand =
        watchEventLoop([&] { drop(*files, *nineThousand); }, [&] { return !window.running(); })
            .longestStallMs;

    const std::string copy = work + "/window-execute-copy";
    std::filesystem::remove_all(copy);
    std::filesystem::copy(work + "/text-corpus", copy);
    window.files().clear();
    std::vector<std::string> copies;
    for (const std::string& path : corpus.files) {
        copies.push_back(copy + "/" + std::filesystem::path(path).filename().string());
    }
    drop(*files, *dragOf(copies));
    while (window.running()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double execute = watchEventLoop([&] { window.executeReplacements(); },
                                          [&] { return !window.executing() && !window.running(); })
                               .longestStallMs;
    std::filesystem::remove_all(copy);

    // At scale the longest stall counts the drop handler itself and the run that follows.
    const auto dropAndStall = [&](const std::vector<std::string>& paths) {
        window.files().clear();
        const auto data = dragOf(paths);
        return watchEventLoop([&] { drop(*files, *data); }, [&] { return !window.running(); }).longestStallMs;
    };
    const std::vector<std::string> hundredThousand =
        bench::ensureTextCorpus(work + "/small-corpus", 100'000, 100'000'000).files;
    window.files().clear();
    const long before = residentKilobytes().first;
    const double duringMany = dropAndStall(hundredThousand);
    const auto [withRows, peakWithRows] = residentKilobytes();
    // Sorting and the only-matches view over the 100,000 rows: each is one stall of the event loop.
    const auto timed = [](const std::function<void()>& action) {
        QElapsedTimer clock;
        clock.start();
        action();
        return static_cast<double>(clock.nsecsElapsed()) / 1e6;
    };
    const double byName = timed([&] { files->sortByColumn(FileListModel::kNameColumn, Qt::AscendingOrder); });
    const double byFolder =
        timed([&] { files->sortByColumn(window.files().folderColumn(), Qt::AscendingOrder); });
    const double byCount =
        timed([&] { files->sortByColumn(FileListModel::kCountColumn, Qt::DescendingOrder); });
    const double onlyMatches = timed([&] { files->shown().setOnlyMatches(true); });
    files->shown().setOnlyMatches(false);
    files->sortByColumn(-1, Qt::AscendingOrder);
    const double duringLarge = dropAndStall({bench::ensureLargeFile(work + "/large-file", 1ull << 30)});

    std::printf("Window (offscreen), longest user-interface stall, drop handler included\n");
    std::printf("  drop 1,000 files, then simulate    %6.0f ms\n", dropAndSimulate);
    std::printf("  drop 9,000 more (10,000 rows)      %6.0f ms  (target: under 30 ms)\n", tenThousand);
    std::printf("  execute on a copy, then simulate   %6.0f ms\n", execute);
    std::printf("  drop 100,000 files, then simulate  %6.0f ms  (target: under 100 ms)\n", duringMany);
    std::printf("  drop one 1 GiB file, then simulate %6.0f ms\n", duringLarge);
    std::printf("File list of 100,000 rows: sort by name %.0f ms, by folder %.0f ms, by count %.0f ms; "
                "only files with matches %.0f ms\n",
                byName, byFolder, byCount, onlyMatches);
    std::printf("Window memory with 100,000 rows counted: %ld MB resident (%ld MB more than without rows), "
                "peak so far %ld MB\n",
                withRows / 1024, (withRows - before) / 1024, peakWithRows / 1024);
    return 0;
}
