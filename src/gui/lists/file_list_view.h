#pragma once

#include "core/app/key_rules.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/file_list_proxy.h"
#include "gui/widgets/list_view.h"

#include <QHash>
#include <QIcon>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QMenu;

namespace morvane {

class Shell;

// The file list: shows the file rows, sorted by the column whose heading was clicked (the model keeps the
// run's order), takes files and folders dropped from the desktop's file manager, and serves its own keys:
// Space and a double-click show the current row's file in its folder, Enter opens it, Delete and Backspace
// remove the selected rows (each count belongs to its own file, so no run follows), Ctrl+A selects every
// row. Its context menu offers the same actions with their keys, and for a folder row the folder's files in
// its place.
class FileListView : public ListView {
    Q_OBJECT

public:
    // A text of the language file by its key, or the built-in text where the file has none.
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;

    FileListView(FileListModel& model, Shell& shell, QWidget* parent = nullptr);

    FileListModel& files() { return model_; }
    // The rows as shown: sorted, and perhaps only those with matches.
    FileListProxy& shown() { return *shown_; }
    // The model's rows of the selected rows, ascending, and of the current row (-1 for none).
    std::vector<int> selectedFiles() const;
    int currentFile() const;
    std::vector<RowId> selectedFolders() const;

    // Where the context menu takes its captions from, each time it opens.
    void setMessages(Message message) { message_ = std::move(message); }

    // Gives every row the desktop's icon for its path, or for a path that does not exist the question mark of
    // Icons/StatQuestion.bmp in the application folder (an empty picture when that file is missing); a folder
    // row that contents mode passes over shows Icons/StatFolderSkipped.png by its count. Rows
    // get their icons a few hundred at a time between other events, so thousands of rows never stall the
    // window; a new rebuild starts over.
    void loadButtonIcons(const std::string& appFolder);

    // The count column keeps room for its heading and a ten-digit count; the name and folder columns give it
    // up.
    void setColumnWidthsTwips(std::span<const std::optional<double>> widths);

signals:
    // Only local files count, in the drop's order, each path byte for byte; dropped text and other data
    // are ignored.
    void filesDropped(const std::vector<std::string>& paths);
    // The user asked for the files of the folders in these rows to take their places.
    void folderFilesWanted(const std::vector<morvane::RowId>& rows);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onKey(KeyStroke key);
    void act(FileListKey action);
    QMenu* contextMenu();
    // "Explorer" shows the current row's file selected in its folder, "Open" opens it; nothing for a missing
    // path or no current row.
    void openCurrentFile(bool showInFolder);
    void loadIconBatch();
    // What the name and folder columns keep together before the count column takes its heading's width, and
    // what the name column keeps of that before the folder column has any.
    static constexpr int kNamesLeast = 120;
    static constexpr int kNameLeast = 90;
    int countColumnMinimum() const;
    void fitNameColumns();

    FileListModel& model_;
    Shell& shell_;
    FileListProxy* shown_;
    Message message_;
    QTimer iconTimer_;
    RowId nextIconId_ = 0;
    QIcon missingIcon_;
    QHash<QString, QIcon> iconByKind_;
    int namesWidth_ = 0; // what the layout gives the name column, shared with the folder column
};

} // namespace morvane
