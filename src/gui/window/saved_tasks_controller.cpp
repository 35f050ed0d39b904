#include "gui/window/saved_tasks_controller.h"

#include "core/app/key_rules.h"
#include "core/app/message_catalogue.h"
#include "core/app/program_version.h"
#include "core/state/message_keys.h"
#include "gui/lists/pair_editor_controller.h"
#include "gui/lists/replace_mode_view.h"
#include "gui/lists/saved_task_view.h"
#include "gui/widgets/qt_keys.h"
#include "gui/widgets/qt_text.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace morvane {

namespace {

QString withPath(const QString& text, const std::string& path) {
    return text + QStringLiteral("\r\n") + QDir::toNativeSeparators(pathToQString(path));
}

} // namespace

SavedTasksController::SavedTasksController(std::string savedTasksPath, const Settings& settings,
                                           Dialogs& dialogs, Message message, Working working,
                                           QWidget& window)
    : QObject(&window), store_(std::move(savedTasksPath)), settings_(settings), dialogs_(dialogs),
      message_(std::move(message)), working_(working), window_(window) {}

void SavedTasksController::attach(ListView& view) {
    view_ = &view;
    view_->setModel(&model_);
    connect(view_, &ListView::keyPressed, this, &SavedTasksController::onKey);
    connect(view_, &ListView::doubleClickedAnywhere, this, &SavedTasksController::load);
    view_->installEventFilter(this);
}

// While a delete can be taken back, Ctrl+Z in the list does that rather than undo the last execute run.
bool SavedTasksController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::ShortcutOverride && !deletions_.empty() &&
        savedTaskKey(keyStrokeOf(static_cast<const QKeyEvent&>(*event))) == SavedTaskKey::UndoDelete) {
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SavedTasksController::open(bool mayWrite) {
    mayWrite_ = mayWrite;
    const SavedTaskStore::Sync opened = store_.open(mayWrite);
    model_.reload();
    showTakenIn(opened);
}

void SavedTasksController::takeInChanges() {
    if (mayWrite_) {
        showTakenIn(store_.takeInChanges());
    }
}

// Tasks other windows stored meanwhile come first, so the new task is numbered after them.
void SavedTasksController::store() {
    takeInChanges();
    switch (storeTask(store_.table(), fromQString(working_.name.text()), workingLists())) {
    case StoreOutcome::Stored:
        model_.sync();
        break;
    case StoreOutcome::NoName:
        tell(message_(keys::kSpecifyReplacementTask, ""), Dialogs::Icon::None, QStringLiteral("Name"));
        break;
    case StoreOutcome::NotFaithful:
        tell(message_(keys::kSavingNotPossible, ""), Dialogs::Icon::Information);
        return;
    case StoreOutcome::NoPairs:
        break;
    }
    save();
}

void SavedTasksController::load() {
    const TaskLoad load =
        loadTask(store_.table(), selectedTask(*view_, model_), settings_.addFilesToFileList);
    setLists(load.finds, load.replaces, load.pairOptions, load.files);
    if (!load.name) {
        return;
    }
    working_.name.setText(toQString(*load.name));
    working_.mode.setReplaceMode(*load.replaceInContents);
    emit loaded();
}

void SavedTasksController::startNew() {
    const WorkingLists fresh = newWorkingLists(workingLists());
    setLists(fresh.finds, fresh.replaces, fresh.pairOptions, fresh.files);
    working_.name.clear();
}

void SavedTasksController::onKey(KeyStroke key) {
    switch (savedTaskKey(key)) {
    case SavedTaskKey::DeleteSelected:
        deleteSelected();
        break;
    case SavedTaskKey::UndoDelete:
        undoDelete();
        break;
    case SavedTaskKey::SelectAll:
        view_->selectAll();
        break;
    case SavedTaskKey::Load:
        load();
        break;
    case SavedTaskKey::None:
        break;
    }
}

void SavedTasksController::deleteSelected() {
    std::vector<DeletedTask> gone = deleteTasksKeeping(store_.table(), selectedTasks(*view_, model_));
    if (gone.empty()) {
        return;
    }
    deletions_.push_back(std::move(gone));
    model_.sync();
    save();
}

// The newest delete not yet taken back; its tasks come back selected.
void SavedTasksController::undoDelete() {
    if (deletions_.empty()) {
        return;
    }
    takeInChanges();
    const std::vector<std::size_t> back = restoreTasks(store_.table(), deletions_.back());
    deletions_.pop_back();
    model_.reload(); // a task back under its old number comes between rows
    save();
    view_->clearSelection();
    for (int row = 0; row < model_.size(); ++row) {
        if (std::find(back.begin(), back.end(), model_.taskAt(row)) != back.end()) {
            view_->selectionModel()->setCurrentIndex(model_.index(row, 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

// The table in the window stays as it is, so the user can still run the tasks or copy them elsewhere.
void SavedTasksController::save() {
    if (!mayWrite_) {
        return;
    }
    const SavedTaskStore::SaveOutcome saved = store_.save();
    showTakenIn(saved.sync);
    if (!saved.written.ok()) {
        tell(withPath(message_(keys::kTasksNotSaved, builtInText(keys::kTasksNotSaved).c_str()),
                      store_.path()) +
                 QStringLiteral(": ") + toQString(saved.written.error),
             Dialogs::Icon::Critical);
    }
}

void SavedTasksController::showTakenIn(const SavedTaskStore::Sync& sync) {
    if (sync.tableChanged) {
        model_.sync();
    }
    if (!sync.keptAside.empty()) {
        tell(withPath(message_(keys::kTasksKeptAside, builtInText(keys::kTasksKeptAside).c_str()),
                      sync.keptAside),
             Dialogs::Icon::Information);
    }
}

WorkingLists SavedTasksController::workingLists() const {
    return WorkingLists{working_.pairs.finds(), working_.pairs.replaces(), working_.files.paths(),
                        working_.mode.replaceInContents(), working_.pairs.options()};
}

void SavedTasksController::setLists(const std::vector<std::string>& finds,
                                    const std::vector<std::string>& replaces, const PairOptionsList& options,
                                    const std::optional<std::vector<std::string>>& files) {
    working_.editor.clearPairs();
    for (std::size_t j = 0; j < finds.size() && j < replaces.size(); ++j) {
        working_.editor.addPair(finds[j], replaces[j], optionsOfPair(options, j));
    }
    if (files) {
        working_.files.clear();
        working_.files.append(*files);
    }
}

void SavedTasksController::tell(const QString& text, Dialogs::Icon icon, const QString& title) {
    dialogs_.message(&window_, title.isEmpty() ? toQString(kApplicationTitle) : title, text, icon);
}

} // namespace morvane
