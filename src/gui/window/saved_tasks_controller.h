#pragma once

#include "core/app/key_codes.h"
#include "core/state/saved_task_store.h"
#include "core/state/settings.h"
#include "core/state/task_actions.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/pair_list_model.h"
#include "gui/lists/saved_task_model.h"
#include "gui/widgets/message_dialog.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLineEdit;

namespace morvane {

class ListView;
class PairListEditor;
class ReplaceModeOption;

// The saved tasks: the table and its file, the list that shows them, and the flows between them and the
// working lists: storing the lists as a task, loading a task into them, deleting tasks, and New.
class SavedTasksController : public QObject {
    Q_OBJECT

public:
    // A text of the language file in the current language, or the built-in text when the file has none.
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;
    // What the flows read and fill.
    struct Working {
        PairListEditor& editor;
        PairListModel& pairs;
        FileListModel& files;
        ReplaceModeOption& mode;
        QLineEdit& name;
    };

    // The settings say whether a task's files replace the file list's when it is loaded.
    SavedTasksController(std::string savedTasksPath, const Settings& settings, Dialogs& dialogs,
                         Message message, Working working, QWidget& window);

    // Shows the tasks in the view and serves its keys and double-clicks.
    void attach(ListView& view);
    SavedTaskModel& model() { return model_; }
    const std::string& path() const { return store_.path(); }

    // Reads the table at start-up. Where the tasks may not be written, nothing is ever written and the
    // table lives on in the window only.
    void open(bool mayWrite);
    // Stores the working lists as a new task and saves the table.
    void store();
    // Loads the selected task into the working lists.
    void load();
    // Shows what other windows on the folder saved since this one last read or wrote the file.
    void takeInChanges();
    // Empties the working lists; the tasks stay as they are.
    void startNew();

signals:
    // The working lists hold a loaded task: the icons and the counts must follow.
    void loaded();

private:
    void onKey(KeyStroke key);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Deletes the selected tasks; each delete can be taken back with Ctrl+Z in the list, newest first.
    void deleteSelected();
    void undoDelete();
    void save();
    // What another window saved shows in the list; the numbers this list showed stay as they were.
    void showTakenIn(const SavedTaskStore::Sync& sync);
    WorkingLists workingLists() const;
    void setLists(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                  const PairOptionsList& options, const std::optional<std::vector<std::string>>& files);
    void tell(const QString& text, Dialogs::Icon icon, const QString& title = {});

    SavedTaskStore store_;
    SavedTaskModel model_{store_.table()};
    const Settings& settings_;
    Dialogs& dialogs_;
    Message message_;
    Working working_;
    QWidget& window_;
    ListView* view_ = nullptr; // attached once, before any flow runs
    bool mayWrite_ = false;
    std::vector<std::vector<DeletedTask>> deletions_; // the deletes not yet taken back, oldest first
};

} // namespace morvane
