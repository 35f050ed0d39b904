#pragma once

#include "util/keyed_list_view.h"

#include <QHash>
#include <QIcon>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <string>

namespace morvane {

class Shell;

// The file list: files and folders dropped from the desktop's file manager, in the drop's order. Only local
// file URLs count; dropped text and other data are ignored.
class FileListView : public KeyedListView {
    Q_OBJECT

public:
    explicit FileListView(QWidget* parent = nullptr);

    // Gives every row the desktop's icon for its path, or for a path that does not exist the question mark of
    // Icons/StatQuestion.bmp in the application folder (an empty picture when that file is missing). Rows
    // get their icons a few hundred at a time between other events, so thousands of rows never stall the
    // window; a new rebuild starts over.
    void IconsLaden(const std::string& appFolder);

signals:
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void loadIconBatch();

    QTimer iconTimer_;
    int nextIconRow_ = 0;
    QIcon missingIcon_;
    QHash<QString, QIcon> iconByKind_;
};

// Appends a row per path, in order and with one update of the view: the path, then its file name; the count
// stays empty until the next run. Empty paths are passed over.
void AddNewFileToList(QTreeWidget& list, const QStringList& paths);
void lvFilesListeLoeschen(QTreeWidget& list);

// "Explorer" shows the current row's file selected in its folder, "Open" opens it; nothing for a missing
// path, no current row, or any other event.
void ListenEvent(QTreeWidget& list, const QString& event, Shell& shell);

} // namespace morvane
