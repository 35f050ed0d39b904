#pragma once

#include "lists/key_rules.h"

#include <QStringList>
#include <QTreeWidget>
#include <string>

namespace morvane {

class Shell;

// The file list: files and folders dropped from the desktop's file manager, in the drop's order. Only local
// file URLs count; dropped text and other data are ignored.
class FileListView : public QTreeWidget {
    Q_OBJECT

  public:
    explicit FileListView(QWidget* parent = nullptr);

  signals:
    void filesDropped(const QStringList& paths);
    void keyAction(morvane::FileListKey action);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Appends a row for the path: the path, then its file name; the count stays empty until the next run.
void AddNewFileToList(QTreeWidget& list, const std::string& path);
void lvFilesListeLoeschen(QTreeWidget& list);

// Gives every row the desktop's icon for its path, or for a path that does not exist the question mark of
// Icons/StatQuestion.bmp in the application folder (an empty picture when that file is missing).
void IconsLaden(QTreeWidget& list, const std::string& appFolder);

// "Explorer" shows the current row's file selected in its folder, "Open" opens it; nothing for a missing
// path, no current row, or any other event.
void ListenEvent(QTreeWidget& list, const QString& event, Shell& shell);

} // namespace morvane
