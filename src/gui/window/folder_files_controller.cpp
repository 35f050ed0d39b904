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
    stopReading();
    for (const QPointer<QThread>& thread : threads_) {
        if (thread) {
            thread->wait();
        }
    }
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
    QThread* thread = QThread::create([this, reading, folder = folder_, choices = choices_] {
        auto expansion = std::make_shared<const Expansion>(expandFolder(
            folder, choices, &reading->stop, [&reading](const std::string& at, std::size_t found) {
                reading->filesFound.store(found, std::memory_order_relaxed);
                const std::lock_guard lock(reading->mutex);
                reading->folder = at;
            }));
        QMetaObject::invokeMethod(
            this, [this, reading, expansion] { readingEnded(reading, *expansion); }, Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    std::erase_if(threads_, [](const QPointer<QThread>& t) { return t.isNull(); });
    threads_.emplace_back(thread);
    thread->start();
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

// The row is replaced only while it still names the folder that was read.
void FolderFilesController::readingEnded(const std::shared_ptr<Reading>& reading,
                                         const Expansion& expansion) {
    if (reading != reading_) {
        return; // stopped: the user closed the dialog
    }
    reading_.reset();
    progressTimer_.stop();
    if (dialog_) {
        dialog_->accept();
    }
    const int at = files_.indexOf(row_);
    if (at < 0 || files_.row(at).path != folder_) {
        return;
    }
    QStringList notes;
    if (expansion.files.empty()) {
        notes << message_(keys::kFolderFilesNone, builtInText(keys::kFolderFilesNone).c_str());
    } else {
        files_.replace(row_, expansion.files);
        emit rowReplaced();
    }
    if (!expansion.problems.empty()) {
        notes << message_(keys::kFolderFilesUnreadable, builtInText(keys::kFolderFilesUnreadable).c_str());
        for (const ExpansionProblem& problem : expansion.problems) {
            notes << pathToQString(problem.path) + QStringLiteral(": ") + toQString(problem.reason);
        }
    }
    if (!notes.isEmpty()) {
        dialogs_.message(&window_, toQString(kApplicationTitle), notes.join(QLatin1Char('\n')),
                         expansion.problems.empty() ? Dialogs::Icon::Information : Dialogs::Icon::Critical);
    }
}

void FolderFilesController::stopReading() {
    progressTimer_.stop();
    if (reading_) {
        reading_->stop.store(true);
        reading_.reset();
    }
}

} // namespace morvane
