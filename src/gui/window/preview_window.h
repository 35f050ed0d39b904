#pragma once

#include "core/run/contents_diff.h"
#include "core/run/run.h"

#include <QFutureWatcher>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QItemSelectionModel;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTableWidget;
class QTimer;

namespace morvane {

class FileListModel;
class PairListModel;

// What the preview works out: for the current row in contents mode, or for every row in file-names mode.
struct PreviewRequest {
    ReplaceMode mode = ReplaceMode::Contents;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::vector<std::string> paths; // every row's, in row order
    int current = -1;               // the current row; -1 for none
    // What the current file was when it was asked for; the same request on an unchanged file is not
    // worked out again.
    std::int64_t size = -1;
    std::int64_t modified = 0;
    // A first look at the start of a large file only, shown while the whole file is worked out.
    bool firstLook = false;
    bool operator==(const PreviewRequest&) const = default;
};

// A line of the contents preview, decoded for the screen.
struct PreviewLine {
    LineKind kind = LineKind::Context;
    struct Piece {
        QString text; // empty for a gap where bytes are left out
        bool changed = false;
        bool escape = false; // a control byte written as \r, \n, \0 or \xHH
    };
    std::vector<Piece> pieces;
};

struct PreviewHunk {
    QString header; // "@@ -12,7 +12,8 @@"
    std::vector<PreviewLine> lines;
};

// A row of the file-names preview.
struct PreviewRename {
    QString oldName;
    QString newName;
    QString problem; // empty when the rename can be done
};

struct PreviewResult {
    enum class State { NoFile, Problem, NoChange, Changes, Cancelled };
    State state = State::NoFile;
    QString path;
    QString problem;        // why the file cannot be shown
    std::int64_t count = 0; // the occurrences the run counts
    std::vector<PreviewHunk> hunks;
    bool more = false;                  // places after the last hunk shown were left out
    bool partial = false;               // a first look: the rest of the file is still being worked out
    std::vector<PreviewRename> renames; // file-names mode
};

// A file larger than this gets a first look at its start while the whole of it is worked out.
inline constexpr std::int64_t kFirstLookBytes = std::int64_t{1} << 20;

// At most this many places of a file are shown, with at most this many lines in all.
inline constexpr std::size_t kPreviewHunks = 100;
inline constexpr std::size_t kPreviewLines = 500;

// Works out the preview off the user-interface thread; a set cancel flag ends it early.
PreviewResult computePreview(const PreviewRequest& request, const std::atomic<bool>* cancel);

// A second top-level window beside the main window, never modal: in contents mode it shows the current file
// row's changed lines, old above new, with the changed bytes marked; in file-names mode every row's old and
// new name and what stands in the way of its rename. It follows the current row, the pairs, the file list and
// the mode as they change, working each out off the user-interface thread; a new request cancels the one
// still going, whose result is dropped.
class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    using Compute = std::function<PreviewResult(const PreviewRequest&, const std::atomic<bool>*)>;
    using Mode = std::function<ReplaceMode()>;
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;

    PreviewWindow(FileListModel& files, PairListModel& pairs, QItemSelectionModel& fileSelection, Mode mode,
                  Message message, Compute compute = computePreview, QWidget* parent = nullptr);
    // Cancels what is being worked out and waits for it.
    ~PreviewWindow() override;

    // Something the preview shows may have changed: it is worked out again shortly, if the window is shown.
    void follow();

    // What the window shows now, for tests.
    QString shownText() const;
    bool working() const { return working_; }

signals:
    void resultShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    PreviewRequest request() const;
    void start();
    std::unique_ptr<QFutureWatcher<PreviewResult>> launch(const PreviewRequest& request);
    void display(const PreviewResult& result);
    void showContents(const PreviewResult& result);
    void showNames(const PreviewResult& result, int current);
    void relabel();

    FileListModel& files_;
    PairListModel& pairs_;
    QItemSelectionModel& fileSelection_;
    Mode mode_;
    Message message_;
    Compute compute_;

    QLabel* summary_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QPlainTextEdit* contents_ = nullptr;
    QTableWidget* names_ = nullptr;
    QTimer* followTimer_ = nullptr;

    std::optional<PreviewRequest> shown_;    // the request whose result is on the screen
    std::optional<PreviewRequest> inFlight_; // the request being worked out
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::unique_ptr<QFutureWatcher<PreviewResult>> watcher_;
    std::unique_ptr<QFutureWatcher<PreviewResult>> firstLook_;
    bool working_ = false;
};

} // namespace morvane
