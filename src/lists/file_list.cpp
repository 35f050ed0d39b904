#include "lists/file_list.h"

#include "app/key_stroke.h"
#include "app/shell.h"
#include "util/list_views.h"
#include "util/paths.h"
#include "util/qt_text.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeData>
#include <QUrl>

namespace morvane {

namespace {

constexpr int kNameColumn = 1;

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

} // namespace

FileListView::FileListView(QWidget* parent) : QTreeWidget(parent) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void FileListView::dropEvent(QDropEvent* event) {
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    const FileListKey action = fileListKey(keyStrokeOf(*event));
    if (action == FileListKey::None) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    emit keyAction(action);
}

void AddNewFileToList(QTreeWidget& list, const std::string& path) {
    if (path.empty()) {
        return;
    }
    list.addTopLevelItem(
        new QTreeWidgetItem(QStringList{pathToQString(path), pathToQString(DateiNameHolen(path))}));
}

void lvFilesListeLoeschen(QTreeWidget& list) {
    list.clear();
}

void IconsLaden(QTreeWidget& list, const std::string& appFolder) {
    if (list.topLevelItemCount() == 0) {
        return;
    }
    const QIcon missing(pathToQString(joinPath(joinPath(appFolder, "Icons"), "StatQuestion.bmp")));
    QFileIconProvider provider;
    // Asking the desktop once per kind of file keeps a rebuild of thousands of rows short; rows of one kind
    // show the same icon either way.
    QHash<QString, QIcon> byKind;
    list.setUpdatesEnabled(false);
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        const std::string path = pathFromQString(list.topLevelItem(row)->text(0));
        QIcon icon = missing;
        if (DateiExistiert(path)) {
            const QFileInfo info(pathToQString(path));
            const QString kind = info.isDir() ? QStringLiteral("/") : info.suffix();
            auto known = byKind.find(kind);
            if (known == byKind.end()) {
                known = byKind.insert(kind, provider.icon(info));
            }
            icon = *known;
        }
        ListViewSetSubItemImage(list, row + 1, kNameColumn, icon);
    }
    list.setUpdatesEnabled(true);
}

void ListenEvent(QTreeWidget& list, const QString& event, Shell& shell) {
    const QTreeWidgetItem* current = list.currentItem();
    if (list.topLevelItemCount() == 0 || !current) {
        return;
    }
    const QString path = current->text(0);
    if (!DateiExistiert(pathFromQString(path))) {
        return;
    }
    if (event == QLatin1String("Explorer")) {
        shell.showInFolder(path);
    } else if (event == QLatin1String("Open")) {
        shell.open(path);
    }
}

} // namespace morvane
