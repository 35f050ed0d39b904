#pragma once

#include "core/app/preview_model.h"
#include "gui/work/jobs.h"

#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class QItemSelectionModel;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTableWidget;
class QTimer;
class QTreeView;

namespace morvane {

class FileListModel;
class FileListProxy;
class PairListModel;

// A second top-level window beside the main window, never modal: in contents mode it lists every file with
// changes beside the current file row's changed lines, old above new, with the changed bytes marked; choosing
// a file in its list makes it the current row. In file-names mode it shows every row's old and
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

    // The list of files with changes takes the counts of the run that ended.
    void refreshFiles();
    // The list of files with changes in the file list's order: by this column (-1 for the run's order).
    void sortFiles(int column, Qt::SortOrder order);

    // The title, the columns and the line over the changes take the texts of the language now chosen.
    void followLanguage();

    // Brings the window to the front, or closes it when it is in front.
    void toggle();
    // Closes the window and gives the keyboard back to the window it belongs to.
    void closeToOwner();

    // What the window shows now, for tests.
    QString shownText() const;
    bool working() const { return working_; }

signals:
    void resultShown();
    // The user chose this row of the file list's model in the list of files with changes.
    void fileChosen(int fileRow);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBesideOwner();
    PreviewRequest request() const;
    int currentFile() const;
    void start();
    Job launch(const PreviewRequest& request, bool whole);
    void display(const PreviewResult& result);
    void showContents(const PreviewResult& result);
    void showNames(const PreviewResult& result, int current);
    void relabel();
    void fitNameColumns();
    void fillProblemColumn();
    void buildFileList();
    void showCurrentInFileList();

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
    QTreeView* changedFiles_ = nullptr;
    FileListProxy* changedRows_ = nullptr;
    bool placed_ = false;           // it was placed beside the main window when it first opened
    bool followingCurrent_ = false; // the list of changed files is being set to the current row
    QTimer* followTimer_ = nullptr;
    int problemTextWidth_ = 0; // the problem column's width for its widest text

    std::optional<PreviewRequest> shown_;    // the request whose result is on the screen
    std::optional<PreviewRequest> inFlight_; // the request being worked out
    Job whole_;                              // the request worked out in full
    Job firstLook_;                          // a first look at the start of the same large file
    bool working_ = false;
    JobSynchronizer jobs_{this};
};

} // namespace morvane
