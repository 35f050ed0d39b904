#include "gui/window/folder_files_controller.h"

#include "core/app/message_catalogue.h"
#include "core/app/program_version.h"
#include "core/state/message_keys.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/folder_files_dialog.h"
#include "gui/widgets/qt_text.h"

namespace morvane {

namespace {

// Often enough to see the reading move, seldom enough to cost it nothing.
constexpr int kProgressMilliseconds = 100;

} // namespace

FolderFilesController::FolderFilesController(FileListModel& files, Dialogs& dialogs, Message message,
                                             QWidget& window)
    : QObject(&window), files_(files), dialogs_(dialogs), message_(std::move(message)), window_(window) {
    progressTimer_.setInterval(kProgressMilliseconds);
    connect(&progressTimer_, &QTimer::timeout, this, &FolderFilesController::showProgress);
}

FolderFilesController::~FolderFilesController() {
    jobs_.cancelAndWait();
}

// One dialog at a time, modal to the window while it is open, for every folder asked for.
void FolderFilesController::addFilesOf(const std::vector<RowId>& rows) {
    if (dialog_) {
        return;
    }
    folders_.clear();
    QStringList names;
    for (const RowId row : rows) {
        if (const int at = files_.indexOf(row); at >= 0) {
            folders_.push_back({row, files_.row(at).path});
            names << pathToQString(files_.row(at).path);
        }
    }
    if (folders_.empty()) {
        return;
    }
    dialog_ = new FolderFilesDialog(names.join(QLatin1Char('\n')), choices_, message_, &window_);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &FolderFilesDialog::readWanted, this, &FolderFilesController::startReading);
    connect(dialog_, &QDialog::rejected, this, &FolderFilesController::stopReading);
    dialog_->open();
}

void FolderFilesController::startReading() {
    choices_ = dialog_->choices();
    auto reading = std::make_shared<Reading>();
    reading_ = reading;
    job_.cancel();
    std::vector<std::string> folders;
    for (const FolderRow& folder : folders_) {
        folders.push_back(folder.folder);
    }
    job_ = jobs_.start(
        [reading, folders = std::move(folders), choices = choices_](const JobContext& job) {
            std::vector<Expansion> expansions;
            std::size_t before = 0; // files found in the folders read already
            for (const std::string& folder : folders) {
                expansions.push_back(expandFolder(
                    folder, choices, job.stopFlag(), [&](const std::string& at, std::size_t found) {
                        reading->filesFound.store(before + found, std::memory_order_relaxed);
                        const std::lock_guard lock(reading->mutex);
                        reading->folder = at;
                    }));
                before += expansions.back().files.size();
            }
            return expansions;
        },
        [this](const std::vector<Expansion>& expansions) { readingEnded(expansions); });
    progressTimer_.start();
}

void FolderFilesController::showProgress() {
    if (!reading_ || !dialog_) {
        return;
    }
    std::string folder;
    {
        const std::lock_guard lock(reading_->mutex);
        folder = reading_->folder;
    }
    dialog_->showReading(pathToQString(folder), reading_->filesFound.load(std::memory_order_relaxed));
}

// A row is replaced only while it still names the folder that was read; a reading the user stopped by
// closing the dialog was cancelled and does not end here.
void FolderFilesController::readingEnded(const std::vector<Expansion>& expansions) {
    reading_.reset();
    job_ = Job();
    progressTimer_.stop();
    if (dialog_) {
        dialog_->accept();
    }
    // From the last row up: a replaced row renumbers the rows after it, never those before.
    bool replaced = false;
    bool nothingFound = false;
    for (std::size_t i = std::min(expansions.size(), folders_.size()); i-- > 0;) {
        const int at = files_.indexOf(folders_[i].row);
        if (at < 0 || files_.row(at).path != folders_[i].folder) {
            continue;
        }
        if (expansions[i].files.empty()) {
            nothingFound = true;
        } else {
            files_.replace(folders_[i].row, expansions[i].files.toVector());
            replaced = true;
        }
    }
    QStringList unreadable;
    for (const Expansion& expansion : expansions) {
        for (const ExpansionProblem& problem : expansion.problems) {
            unreadable << pathToQString(problem.path) + QStringLiteral(": ") + toQString(problem.reason);
        }
    }
    if (replaced) {
        emit rowReplaced();
    }
    const QString none = nothingFound
                             ? message_(keys::kFolderFilesNone, builtInText(keys::kFolderFilesNone).c_str())
                             : QString();
    if (unreadable.isEmpty()) {
        if (!none.isEmpty()) {
            dialogs_.message(&window_, toQString(kApplicationTitle), none, Dialogs::Icon::Information);
        }
        return;
    }
    const QString lead =
        (none.isEmpty() ? QString() : none + QLatin1Char('\n')) +
        message_(keys::kFolderFilesUnreadable, builtInText(keys::kFolderFilesUnreadable).c_str());
    dialogs_.message(&window_, toQString(kApplicationTitle),
                     listedText(lead, unreadable,
                                message_(keys::kMoreInDetails, builtInText(keys::kMoreInDetails).c_str())),
                     Dialogs::Icon::Critical);
}

void FolderFilesController::stopReading() {
    progressTimer_.stop();
    job_.cancel();
    job_ = Job();
    reading_.reset();
}

} // namespace morvane
