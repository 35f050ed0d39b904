#pragma once

#include "core/files/folder_expansion.h"
#include "gui/widgets/message_dialog.h"
#include "gui/work/jobs.h"
#include "gui/work/run_controller.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

class FileListModel;
class FolderFilesDialog;

// Puts folders' files in the places of their rows in the file list: asks which files once for all of them
// with FolderFilesDialog, reads the folders one after the other off the user-interface thread while the
// dialog shows how far it got, and replaces the rows when the reading ends. A reading the user stops changes
// nothing. A folder that yields no file keeps its row, and folders that could not be read are reported once.
// The choices are kept for the next folder until the program ends.
class FolderFilesController : public QObject {
    Q_OBJECT

public:
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;

    FolderFilesController(FileListModel& files, Dialogs& dialogs, Message message, QWidget& window);
    // Stops a reading that goes and waits for it: the reading stops between two folder entries.
    ~FolderFilesController() override;

    void addFilesOf(const std::vector<RowId>& rows);

signals:
    // The folder's files took its row; they have not been counted yet.
    void rowReplaced();

private:
    // How far the reading got, shared with the thread that reads.
    struct Reading {
        std::atomic<std::size_t> filesFound{0};
        std::mutex mutex;
        std::string folder; // guarded by mutex: the folder being read
    };

    void startReading();
    void showProgress();
    void readingEnded(const std::vector<Expansion>& expansions);
    void stopReading();

    FileListModel& files_;
    Dialogs& dialogs_;
    Message message_;
    QWidget& window_;
    ExpansionOptions choices_;
    struct FolderRow {
        RowId row = 0;
        std::string folder;
    };
    std::vector<FolderRow> folders_; // the rows being read, in the list's order
    QPointer<FolderFilesDialog> dialog_;
    std::shared_ptr<Reading> reading_; // the reading whose end counts; none while nothing is read
    Job job_;
    QTimer progressTimer_;
    JobSynchronizer jobs_{this};
};

} // namespace morvane
