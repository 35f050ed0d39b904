#include "gui/lists/file_list_model.h"

#include "core/app/list_text.h"
#include "core/platform/paths.h"
#include "gui/widgets/qt_text.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

namespace morvane {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::setHeadings(const QStringList& headings) {
    // New words for the same columns, as a language switch gives them, keep the selection and the current
    // row.
    if (headings.size() == headings_.size()) {
        headings_ = headings;
        if (columnCount() > 0) {
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        }
        return;
    }
    beginResetModel();
    headings_ = headings;
    endResetModel();
}

void FileListModel::setFolderHeading(const QString& heading) {
    folderHeading_ = heading;
    if (!headings_.isEmpty()) {
        emit headerDataChanged(Qt::Horizontal, folderColumn(), folderColumn());
    }
}

// Renames keep an entry in its folder, so only rows that come or go move the shared folder. When it moves,
// every row's folder column reads anew.
void FileListModel::findSharedFolder() {
    std::string shared;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::string_view folder = folderOfEntry(rows_[i].path);
        if (i == 0) {
            shared = folder;
        } else {
            shared.resize(morvane::sharedFolder(shared, folder).size());
        }
    }
    if (shared == sharedFolder_) {
        return;
    }
    sharedFolder_ = std::move(shared);
    if (columnCount() > 0) {
        if (!rows_.empty()) {
            emit dataChanged(index(0, folderColumn()), index(size() - 1, folderColumn()));
        }
        emit headerDataChanged(Qt::Horizontal, folderColumn(), folderColumn());
    }
}

void FileListModel::append(const std::vector<std::string>& paths) {
    const auto added =
        std::count_if(paths.begin(), paths.end(), [](const std::string& p) { return !p.empty(); });
    if (added == 0) {
        return;
    }
    beginInsertRows({}, size(), size() + static_cast<int>(added) - 1);
    rows_.reserve(rows_.size() + static_cast<std::size_t>(added));
    for (const std::string& path : paths) {
        if (!path.empty()) {
            Row& row = rows_.emplace_back();
            row.id = nextId_++;
            row.path = path;
        }
    }
    endInsertRows();
    findSharedFolder();
}

// Removing row by row would cost a pass over the rows and a signal per row; thousands of selected rows are
// taken out in one pass, told to the view as a reset.
void FileListModel::removeAt(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int r) { return r < 0 || r >= size(); });
    if (rows.empty()) {
        return;
    }
    const auto drop = [this, &rows] {
        std::vector<Row> kept;
        kept.reserve(rows_.size() - rows.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (next < rows.size() && static_cast<std::size_t>(rows[next]) == i) {
                total_ -= std::max<std::int64_t>(rows_[i].count, 0);
                ++next;
            } else {
                kept.push_back(std::move(rows_[i]));
            }
        }
        rows_ = std::move(kept);
    };
    if (rows.back() - rows.front() + 1 == static_cast<int>(rows.size())) {
        beginRemoveRows({}, rows.front(), rows.back());
        drop();
        endRemoveRows();
    } else {
        beginResetModel();
        drop();
        endResetModel();
    }
    findSharedFolder();
}

bool FileListModel::replace(RowId id, const std::vector<std::string>& paths) {
    const int at = indexOf(id);
    if (at < 0) {
        return false;
    }
    beginRemoveRows({}, at, at);
    total_ -= std::max<std::int64_t>(row(at).count, 0);
    rows_.erase(rows_.begin() + at);
    endRemoveRows();
    std::vector<Row> added;
    for (const std::string& path : paths) {
        if (!path.empty()) {
            added.emplace_back().path = path;
        }
    }
    if (!added.empty()) {
        beginInsertRows({}, at, at + static_cast<int>(added.size()) - 1);
        rows_.insert(rows_.begin() + at, std::make_move_iterator(added.begin()),
                     std::make_move_iterator(added.end()));
        endInsertRows();
    }
    for (auto row = rows_.begin() + at; row != rows_.end(); ++row) {
        row->id = nextId_++;
    }
    findSharedFolder();
    return true;
}

void FileListModel::clear() {
    beginResetModel();
    rows_.clear();
    total_ = 0;
    sharedFolder_.clear();
    endResetModel();
}

int FileListModel::firstAtOrAfter(RowId id) const {
    const auto found = std::lower_bound(rows_.begin(), rows_.end(), id,
                                        [](const Row& row, RowId wanted) { return row.id < wanted; });
    return static_cast<int>(found - rows_.begin());
}

int FileListModel::indexOf(RowId id) const {
    const int at = firstAtOrAfter(id);
    return at < size() && row(at).id == id ? at : -1;
}

std::vector<std::string> FileListModel::paths() const {
    std::vector<std::string> paths;
    paths.reserve(rows_.size());
    for (const Row& row : rows_) {
        paths.push_back(row.path);
    }
    return paths;
}

std::vector<RowId> FileListModel::ids() const {
    std::vector<RowId> ids;
    ids.reserve(rows_.size());
    for (const Row& row : rows_) {
        ids.push_back(row.id);
    }
    return ids;
}

void FileListModel::resetCounts() {
    for (Row& row : rows_) {
        row.count = 0;
    }
    total_ = 0;
    if (!rows_.empty()) {
        emit dataChanged(index(0, kCountColumn), index(size() - 1, kCountColumn));
    }
}

void FileListModel::clearFailures() {
    for (int at = 0; at < size(); ++at) {
        Row& row = rows_[static_cast<std::size_t>(at)];
        if (!row.failure.empty()) {
            row.failure.clear();
            emit dataChanged(index(at, 0), index(at, columnCount() - 1));
        }
    }
}

void FileListModel::apply(const std::vector<RowUpdate>& updates) {
    int first = size();
    int last = -1;
    for (const RowUpdate& update : updates) {
        const int at = indexOf(update.id);
        if (at < 0) {
            continue;
        }
        Row& row = rows_[static_cast<std::size_t>(at)];
        const std::int64_t count = update.result.failure.empty() ? update.result.count : 0;
        total_ += count - std::max<std::int64_t>(row.count, 0);
        row.count = count;
        if (!update.result.failure.empty()) {
            row.failure = update.result.failure;
        }
        row.skipped = update.result.skipped;
        if (update.result.renamed) {
            row.path = update.result.path;
        }
        first = std::min(first, at);
        last = std::max(last, at);
    }
    if (last >= 0) {
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
    }
}

void FileListModel::putNamesBack(const std::vector<NameBack>& names) {
    if (names.empty()) {
        return;
    }
    std::unordered_map<std::string, const std::string*> backOf;
    for (const NameBack& name : names) {
        backOf.emplace(name.now, &name.back);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& row = rows_[i];
        // A folder given as "d/" keeps its separators; the name before them is what went back.
        const std::string_view entry = withoutTrailingSeparators(row.path);
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(toFsPath(std::string(entry)), error);
        const auto found = error ? backOf.end() : backOf.find(fromFsPath(absolute));
        if (found == backOf.end()) {
            continue;
        }
        // Undo never moves an entry to another folder: the row keeps its own spelling of the folder.
        row.path = splitPath(entry).folder + fileNameOf(*found->second) + row.path.substr(entry.size());
        const int at = static_cast<int>(i);
        emit dataChanged(index(at, 0), index(at, columnCount() - 1));
    }
}

void FileListModel::setIcons(int first, const std::vector<QIcon>& icons) {
    const int last = std::min(first + static_cast<int>(icons.size()), size()) - 1;
    if (first < 0 || last < first) {
        return;
    }
    for (int row = first; row <= last; ++row) {
        rows_[static_cast<std::size_t>(row)].icon = icons[static_cast<std::size_t>(row - first)];
    }
    emit dataChanged(index(first, kNameColumn), index(last, kNameColumn), {Qt::DecorationRole});
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || headings_.isEmpty() ? 0 : folderColumn() + 1;
}

// A folder's 0 is no count of its files, which contents mode passes over; a gone file's 0 is no count
// either.
QString FileListModel::problemOf(const Row& row) const {
    if (!row.failure.empty()) {
        return toQString(row.failure);
    }
    if (row.skipped == SkipReason::Folder) {
        return skippedFolderTip_;
    }
    return toQString(skipReasonText(row.skipped, ReplaceMode::Contents));
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole && index.column() == folderColumn()) {
        return pathToQString(std::string(shownFolder(row.path, sharedFolder_)));
    }
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case kPathColumn:
            return pathToQString(row.path);
        case kNameColumn:
            return pathToQString(fileNameOf(row.path));
        case kCountColumn:
            return row.count < 0 ? QString() : QString::number(row.count);
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        const QString problem = problemOf(row);
        const QString path = pathToQString(row.path);
        return problem.isEmpty() ? path : path + QLatin1Char('\n') + problem;
    }
    if (role == Qt::DecorationRole && index.column() == kCountColumn) {
        if (!row.failure.empty() || row.skipped == SkipReason::Missing) {
            return failedIcon_;
        }
        if (row.skipped == SkipReason::Folder && !skippedFolderIcon_.isNull()) {
            return skippedFolderIcon_;
        }
    }
    if (role == Qt::DecorationRole && index.column() == kNameColumn && !row.icon.isNull()) {
        return row.icon;
    }
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headings_.size()) {
        return headings_[section];
    }
    if (orientation == Qt::Horizontal && section == folderColumn()) {
        if (role == Qt::DisplayRole) {
            return folderHeading_;
        }
        if (role == Qt::ToolTipRole && !sharedFolder_.empty()) {
            return pathToQString(sharedFolder_);
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace morvane
