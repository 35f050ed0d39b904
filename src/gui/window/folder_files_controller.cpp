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

// One folder at a time: the dialog is modal to the window while it is open.
void FolderFilesController::addFilesOf(RowId row) {
    const int at = files_.indexOf(row);
    if (at < 0 || dialog_) {
        return;
    }
    row_ = row;
    folder_ = files_.row(at).path;
    dialog_ = new FolderFilesDialog(pathToQString(folder_), choices_, message_, &window_);
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
    job_ = jobs_.start(
        [reading, folder = folder_, choices = choices_](const JobContext& job) {
            return expandFolder(folder, choices, job.stopFlag(),
                                [&reading](const std::string& at, std::size_t found) {
                                    reading->filesFound.store(found, std::memory_order_relaxed);
                                    const std::lock_guard lock(reading->mutex);
                                    reading->folder = at;
                                });
        },
        [this](const Expansion& expansion) { readingEnded(expansion); });
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

// The row is replaced only while it still names the folder that was read; a reading the user stopped by
// closing the dialog was cancelled and does not end here.
void FolderFilesController::readingEnded(const Expansion& expansion) {
    reading_.reset();
    job_ = Job();
    progressTimer_.stop();
    if (dialog_) {
        dialog_->accept();
    }
    const int at = files_.indexOf(row_);
    if (at < 0 || files_.row(at).path != folder_) {
        return;
    }
    QString none;
    if (expansion.files.empty()) {
        none = message_(keys::kFolderFilesNone, builtInText(keys::kFolderFilesNone).c_str());
    } else {
        files_.replace(row_, expansion.files);
        emit rowReplaced();
    }
    QStringList unreadable;
    for (const ExpansionProblem& problem : expansion.problems) {
        unreadable << pathToQString(problem.path) + QStringLiteral(": ") + toQString(problem.reason);
    }
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
