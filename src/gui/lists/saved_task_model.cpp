#include "gui/lists/saved_task_model.h"

#include "core/state/task_rows.h"
#include "gui/widgets/qt_text.h"

namespace morvane {

SavedTaskModel::SavedTaskModel(const SavedReps& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

void SavedTaskModel::setHeadings(const QStringList& headings) {
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

void SavedTaskModel::reload() {
    beginResetModel();
    tasks_.clear();
    for (std::size_t index = 1; index < table_.size(); ++index) {
        if (!table_[index].name.empty()) {
            tasks_.push_back(index);
        }
    }
    endResetModel();
}

void SavedTaskModel::sync() {
    for (int row = size() - 1; row >= 0; --row) {
        const std::size_t task = taskAt(row);
        if (task >= table_.size() || table_[task].name.empty()) {
            beginRemoveRows({}, row, row);
            tasks_.erase(tasks_.begin() + row);
            endRemoveRows();
        }
    }
    std::vector<std::size_t> added;
    for (std::size_t index = tasks_.empty() ? 1 : tasks_.back() + 1; index < table_.size(); ++index) {
        if (!table_[index].name.empty()) {
            added.push_back(index);
        }
    }
    if (!added.empty()) {
        beginInsertRows({}, size(), size() + static_cast<int>(added.size()) - 1);
        tasks_.insert(tasks_.end(), added.begin(), added.end());
        endInsertRows();
    }
}

int SavedTaskModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

int SavedTaskModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant SavedTaskModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const std::size_t number = taskAt(index.row());
    const RepTask& task = table_[number];
    switch (index.column()) {
    case 0:
        return role == Qt::DisplayRole ? QVariant(QString::number(number)) : QVariant();
    case 1:
        return role == Qt::DisplayRole ? QVariant(toOneLineQString(task.name)) : QVariant();
    case 2:
    case 3: {
        const std::string joined = joinLines(index.column() == 2 ? task.finds : task.replacements);
        return role == Qt::DisplayRole ? toOneLineQString(joined) : toQString(joined);
    }
    default:
        return {};
    }
}

QVariant SavedTaskModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headings_.size()) {
        return headings_[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace morvane
