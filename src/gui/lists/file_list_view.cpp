#include "gui/lists/file_list_view.h"

#include "core/app/form_layout.h"
#include "core/app/key_rules.h"
#include "core/app/message_catalogue.h"
#include "core/platform/paths.h"
#include "core/state/message_keys.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/widgets/qt_shell.h"
#include "gui/widgets/qt_text.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace morvane {

namespace {

// The path's bytes as the file manager sent them: a name that is not valid in the local encoding stays
// percent-encoded in the URL, where decoding it into a QString would lose it.
std::string localPathBytes(const QUrl& url) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::vector<std::string> localFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    const QList<QUrl> urls = data->urls();
    paths.reserve(static_cast<std::size_t>(urls.size()));
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.push_back(localPathBytes(url));
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

FileListView::FileListView(FileListModel& model, Shell& shell, QWidget* parent)
    : ListView([](KeyStroke key) { return fileListKey(key) != FileListKey::None; }, parent), model_(model),
      shell_(shell), shown_(new FileListProxy(model, this)) {
    setModel(shown_);
    // A click on a heading sorts by its column, a second the other way, a third goes back to the run's order.
    header()->setSectionsClickable(true);
    header()->setSortIndicatorClearable(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    // Names of one stem ("file0117.txt") and folders of one root differ at their ends.
    setTextElideMode(Qt::ElideMiddle);
    iconTimer_.setSingleShot(true);
    iconTimer_.setInterval(0);
    connect(&iconTimer_, &QTimer::timeout, this, &FileListView::loadIconBatch);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    connect(this, &ListView::keyPressed, this, &FileListView::onKey);
    connect(this, &ListView::doubleClickedAnywhere, this, [this] { openCurrentFile(true); });
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
    const std::vector<std::string> paths = localFiles(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

void FileListView::onKey(KeyStroke key) {
    act(fileListKey(key));
}

void FileListView::act(FileListKey action) {
    switch (action) {
    case FileListKey::ShowInFolder:
        openCurrentFile(true);
        break;
    case FileListKey::Open:
        openCurrentFile(false);
        break;
    case FileListKey::DeleteSelected:
        model_.removeAt(selectedFiles());
        break;
    case FileListKey::SelectAll:
        selectAll();
        break;
    case FileListKey::None:
        break;
    }
}

void FileListView::contextMenuEvent(QContextMenuEvent* event) {
    contextMenu()->popup(event->globalPos());
}

// Each item names the key that does the same; Tab puts the key's name where a menu shows shortcuts, without
// a second shortcut that would take the key from the list. The menu is built anew each time, so it speaks
// the current language and offers what the current row allows.
QMenu* FileListView::contextMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuFileList"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const int row = currentFile();
    const bool exists = row >= 0 && fileExists(model_.row(row).path);
    const auto add = [&](const char* name, std::string_view key, const char* builtIn,
                         const QKeySequence& keys, bool enabled, const std::function<void()>& slot) {
        QString caption = message_ ? message_(key, builtIn) : QString::fromUtf8(builtIn);
        if (!keys.isEmpty()) {
            caption += QLatin1Char('\t') + keys.toString(QKeySequence::NativeText);
        }
        QAction* item = named(menu->addAction(caption, this, slot), name);
        item->setEnabled(enabled);
    };
    add("mnuFileOpen", keys::kMenuFileOpen, builtInText(keys::kMenuFileOpen).c_str(),
        QKeySequence(Qt::Key_Enter), exists, [this] { act(FileListKey::Open); });
    add("mnuFileShowInFolder", keys::kMenuFileShowInFolder, builtInText(keys::kMenuFileShowInFolder).c_str(),
        QKeySequence(Qt::Key_Space), exists, [this] { act(FileListKey::ShowInFolder); });
    menu->addSeparator();
    add("mnuFileRemove", keys::kMenuFileRemove, builtInText(keys::kMenuFileRemove).c_str(),
        QKeySequence(Qt::Key_Delete), !selectedRows().empty(), [this] { act(FileListKey::DeleteSelected); });
    add("mnuFileSelectAll", keys::kMenuFileSelectAll, builtInText(keys::kMenuFileSelectAll).c_str(),
        QKeySequence(Qt::CTRL | Qt::Key_A), model_.size() > 0, [this] { act(FileListKey::SelectAll); });
    if (const std::vector<RowId> folders = selectedFolders(); !folders.empty()) {
        menu->addSeparator();
        add("mnuFileAddFolderFiles", keys::kMenuFileAddFolderFiles,
            builtInText(keys::kMenuFileAddFolderFiles).c_str(), QKeySequence(), true,
            [this, folders] { emit folderFilesWanted(folders); });
    }
    return menu;
}

// Every selected row that names a folder, in the list's order; the current row when none is selected.
std::vector<RowId> FileListView::selectedFolders() const {
    std::vector<int> rows = selectedFiles();
    if (rows.empty() && currentFile() >= 0) {
        rows.push_back(currentFile());
    }
    std::vector<RowId> folders;
    for (int row : rows) {
        const std::string& path = model_.row(row).path;
        if (fileExists(path) && isDirectory(path)) {
            folders.push_back(model_.row(row).id);
        }
    }
    return folders;
}

std::vector<int> FileListView::selectedFiles() const {
    std::vector<int> rows;
    for (int shown : selectedRows()) {
        rows.push_back(shown_->fileRow(shown));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int FileListView::currentFile() const {
    return shown_->fileRow(currentRow());
}

void FileListView::openCurrentFile(bool showInFolder) {
    const int row = currentFile();
    if (row < 0 || !fileExists(model_.row(row).path)) {
        return;
    }
    const QString path = pathToQString(model_.row(row).path);
    if (showInFolder) {
        shell_.showInFolder(path);
    } else {
        shell_.open(path);
    }
}

void FileListView::loadButtonIcons(const std::string& appFolder) {
    if (model_.size() == 0) {
        return;
    }
    const std::string icons = joinPath(appFolder, "Icons");
    missingIcon_ = QIcon(pathToQString(joinPath(icons, "StatQuestion.bmp")));
    model_.setSkippedFolderIcon(QIcon(pathToQString(joinPath(icons, "StatFolderSkipped.png"))));
    // Asking the desktop once per kind of file keeps a rebuild short; rows of one kind show the same icon
    // either way.
    iconByKind_.clear();
    nextIconId_ = 0;
    loadIconBatch();
}

// Rows are found by id, so rows removed between two batches neither shift nor skip the others.
void FileListView::loadIconBatch() {
    constexpr int kRowsPerBatch = 400;
    QFileIconProvider provider;
    const int first = model_.firstAtOrAfter(nextIconId_);
    const int end = std::min(first + kRowsPerBatch, model_.size());
    std::vector<QIcon> icons;
    icons.reserve(static_cast<std::size_t>(std::max(end - first, 0)));
    for (int row = first; row < end; ++row) {
        const std::string& path = model_.row(row).path;
        QIcon icon = missingIcon_;
        if (fileExists(path)) {
            const bool folder = isDirectory(path);
            const QFileInfo info(pathToQString(path));
            const QString kind = folder ? QStringLiteral("/") : info.suffix();
            auto known = iconByKind_.find(kind);
            if (known == iconByKind_.end()) {
                // A name the local encoding cannot spell gives the desktop no file to look at: such a row,
                // and the rows of its kind, show the plain file or folder icon.
                QIcon found = provider.icon(info);
                if (found.isNull()) {
                    found = provider.icon(folder ? QAbstractFileIconProvider::Folder
                                                 : QAbstractFileIconProvider::File);
                }
                known = iconByKind_.insert(kind, found);
            }
            icon = *known;
        }
        icons.push_back(icon);
    }
    model_.setIcons(first, icons);
    if (end < model_.size()) {
        nextIconId_ = model_.row(end).id;
        iconTimer_.start();
    }
}

// Its heading and ten digits; in a narrow list only the digits of a large count, so that the names keep
// room to be read.
int FileListView::countColumnMinimum() const {
    const int padding = 2 * fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const QString heading =
        model_.headerData(FileListModel::kCountColumn, Qt::Horizontal, Qt::DisplayRole).toString();
    const int whole = std::max(header()->fontMetrics().horizontalAdvance(heading),
                               fontMetrics().horizontalAdvance("0000000000")) +
                      padding;
    const int digits = fontMetrics().horizontalAdvance("0000000") + padding;
    return std::max(digits, std::min(whole, width() - 2 * frameWidth() - kNamesLeast));
}

// The layout's width of the name column goes to the name and the folder, which the header shows before the
// count.
void FileListView::setColumnWidthsTwips(std::span<const std::optional<double>> widths) {
    ListView::setColumnWidthsTwips(widths);
    if (model_.columnCount() <= FileListModel::kCountColumn) {
        return;
    }
    const int folder = model_.folderColumn();
    if (header()->visualIndex(folder) != FileListModel::kCountColumn) {
        header()->moveSection(header()->visualIndex(folder), FileListModel::kCountColumn);
    }
    const int missing = countColumnMinimum() - columnWidth(FileListModel::kCountColumn);
    if (missing > 0) {
        setColumnWidth(FileListModel::kCountColumn, columnWidth(FileListModel::kCountColumn) + missing);
        setColumnWidth(FileListModel::kNameColumn,
                       std::max(columnWidth(FileListModel::kNameColumn) - missing, 0));
    }
    namesWidth_ = columnWidth(FileListModel::kNameColumn);
    fitNameColumns();
}

// The name and folder columns give up what the vertical scroll bar takes, so no horizontal one appears for
// them, half each where there is room.
void FileListView::fitNameColumns() {
    if (model_.columnCount() <= FileListModel::kCountColumn) {
        return;
    }
    const int room = viewport()->width() - columnWidth(FileListModel::kPathColumn) -
                     columnWidth(FileListModel::kCountColumn);
    const int names = std::max(std::min(namesWidth_, room), 0);
    // Where there is little room the file's name comes first.
    const int name = std::max(names / 2, std::min(names, kNameLeast));
    setColumnWidth(FileListModel::kNameColumn, name);
    setColumnWidth(model_.folderColumn(), names - name);
}

bool FileListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        fitNameColumns();
    }
    return ListView::viewportEvent(event);
}

} // namespace morvane
