// Prints how long the preview window takes to show a file's first changes, and how long the user-interface
// thread is kept from its events meanwhile. Run it through "./build.sh bench".

#include "core/platform/text_file.h"
#include "core/run/contents_diff.h"
#include "corpus.h"
#include "event_loop_watch.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/pair_list_model.h"
#include "gui/window/preview_window.h"
#include "timing.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace morvane;
using morvane::bench::secondsOf;
using morvane::bench::Watched;
using morvane::bench::watchEventLoop;

struct Shown {
    double firstShowMs = 0;
    double longestStallMs = 0;
};

class Bench {
public:
    Bench() {
        files_.setHeadings({"Path", "File", "Replacements"});
        window_ = std::make_unique<PreviewWindow>(
            files_, pairs_, selection_, [] { return ReplaceMode::Contents; },
            [](std::string_view, const char* builtIn) { return QString::fromUtf8(builtIn); });
        window_->show();
    }

    void setPairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
        pairs_.clear();
        for (const auto& [find, replace] : pairs) {
            pairs_.append(bench::inNotation(find), replace);
        }
    }

    void setFiles(const std::vector<std::string>& paths) {
        files_.clear();
        files_.append(paths);
    }

    // From the moment the row becomes current until its changes are on the screen.
    Shown show(int row) {
        bool shown = false;
        const auto connection =
            QObject::connect(window_.get(), &PreviewWindow::resultShown, [&] { shown = true; });
        const Watched watched = watchEventLoop(
            [&] { selection_.setCurrentIndex(files_.index(row, 0), QItemSelectionModel::NoUpdate); },
            [&] { return shown; });
        QObject::disconnect(connection);
        return {watched.elapsedMs, watched.longestStallMs};
    }

private:
    FileListModel files_;
    PairListModel pairs_;
    QItemSelectionModel selection_{&files_};
    std::unique_ptr<PreviewWindow> window_;
};

// The rows of the corpus the window goes through, one after the other.
constexpr int kCorpusRows = 200;

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string work = argc > 1 ? argv[1] : "bench-work";
    const std::string large = bench::ensureLargeFile(work + "/preview-large", 100'000'000);
    const bench::Corpus corpus = bench::ensureTextCorpus(work + "/text-corpus", 1000, 100'000'000);
    const auto pairs = bench::benchmarkPairs();
    const std::vector<std::pair<std::string, std::string>> rare = {{"colour", "color"}};

    // The work itself, without the window: the runner's whole diff and the preview's first hunks.
    const std::string text = readTextFileOrEmpty(large);
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    for (const auto& [find, replace] : pairs) {
        finds.push_back(bench::inNotation(find));
        replaces.push_back(replace);
    }
    std::size_t changes = 0;
    std::size_t hunks = 0;
    const double tracked = secondsOf([&] {
        const TrackedReplacement replaced = replaceTracked(text, finds, replaces);
        changes = replaced.changes.size();
        forEachHunk(text, replaced.newText, replaced.changes, kDiffContextLines, [&](Hunk&&) {
            ++hunks;
            return true;
        });
    });

    Bench window;
    window.setFiles({large});
    window.setPairs(pairs);
    const Shown largeAll = window.show(0);
    window.setPairs(rare);
    const Shown largeRare = window.show(0);

    window.setPairs(pairs);
    window.setFiles(corpus.files);
    std::vector<double> times;
    double longestStall = 0;
    for (int row = 0; row < kCorpusRows; ++row) {
        const Shown shown = window.show(row);
        times.push_back(shown.firstShowMs);
        longestStall = std::max(longestStall, shown.longestStallMs);
    }
    std::sort(times.begin(), times.end());

    std::printf("Preview of a %.0f MB file (%zu changes in %zu hunks with the ten benchmark pairs)\n",
                static_cast<double>(text.size()) / 1e6, changes, hunks);
    std::printf("  all changes and hunks, as the runner's diff    %7.0f ms\n", tracked * 1000);
    std::printf("  window, ten pairs: first show                  %7.0f ms  (longest stall %.0f ms)\n",
                largeAll.firstShowMs, largeAll.longestStallMs);
    std::printf("  window, one rare pair: first show              %7.0f ms  (longest stall %.0f ms)\n",
                largeRare.firstShowMs, largeRare.longestStallMs);
    std::printf(
        "Preview over the benchmark corpus (%zu files, %.0f MB), ten pairs, %d rows one after the other\n",
        corpus.files.size(), static_cast<double>(corpus.bytes) / 1e6, kCorpusRows);
    std::printf("  first show: median %.0f ms, slowest %.0f ms; longest stall %.0f ms\n",
                times[times.size() / 2], times.back(), longestStall);
    return 0;
}
