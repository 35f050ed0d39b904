#include "lists/file_list.h"

#include "lists/key_rules.h"
#include "lists/list_views.h"
#include "ui/qt_shell.h"
#include "util/paths.h"
#include "util/qt_text.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

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

// Checked on every move of a drag, so it stops at the first local file instead of converting them all.
bool holdsLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return false;
    }
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

FileListView::FileListView(QWidget* parent)
    : KeyedListView([](KeyStroke key) { return fileListKey(key) != FileListKey::None; }, parent) {
    iconTimer_.setSingleShot(true);
    iconTimer_.setInterval(0);
    connect(&iconTimer_, &QTimer::timeout, this, &FileListView::loadIconBatch);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (!holdsLocalFile(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (!holdsLocalFile(event->mimeData())) {
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

void AddNewFileToList(QTreeWidget& list, const QStringList& paths) {
    QList<QTreeWidgetItem*> rows;
    for (const QString& path : paths) {
        if (!path.isEmpty()) {
            rows << new QTreeWidgetItem(
                QStringList{path, pathToQString(DateiNameHolen(pathFromQString(path)))});
        }
    }
    list.addTopLevelItems(rows);
}

void lvFilesListeLoeschen(QTreeWidget& list) {
    list.clear();
}

void FileListView::IconsLaden(const std::string& appFolder) {
    if (topLevelItemCount() == 0) {
        return;
    }
    missingIcon_ = QIcon(pathToQString(joinPath(joinPath(appFolder, "Icons"), "StatQuestion.bmp")));
    // Asking the desktop once per kind of file keeps a rebuild short; rows of one kind show the same icon
    // either way.
    iconByKind_.clear();
    nextIconRow_ = 0;
    loadIconBatch();
}

void FileListView::loadIconBatch() {
    constexpr int kRowsPerBatch = 400;
    QFileIconProvider provider;
    const int end = std::min(nextIconRow_ + kRowsPerBatch, topLevelItemCount());
    for (int row = nextIconRow_; row < end; ++row) {
        const std::string path = pathFromQString(topLevelItem(row)->text(0));
        QIcon icon = missingIcon_;
        if (DateiExistiert(path)) {
            const QFileInfo info(pathToQString(path));
            const QString kind = info.isDir() ? QStringLiteral("/") : info.suffix();
            auto known = iconByKind_.find(kind);
            if (known == iconByKind_.end()) {
                known = iconByKind_.insert(kind, provider.icon(info));
            }
            icon = *known;
        }
        ListViewSetSubItemImage(*this, row + 1, kNameColumn, icon);
    }
    nextIconRow_ = end;
    if (nextIconRow_ < topLevelItemCount()) {
        iconTimer_.start();
    }
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
