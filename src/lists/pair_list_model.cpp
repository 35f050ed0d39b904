#include "lists/pair_list_model.h"

#include "util/qt_text.h"

#include <algorithm>

namespace morvane {

namespace {

template <class Field>
std::vector<std::string> column(const std::vector<PairListModel::Row>& rows, Field field) {
    if (rows.empty()) {
        return {std::string()};
    }
    std::vector<std::string> texts;
    texts.reserve(rows.size());
    for (const PairListModel::Row& row : rows) {
        texts.push_back(row.*field);
    }
    return texts;
}

} // namespace

PairListModel::PairListModel(QObject* parent) : QAbstractTableModel(parent) {}

void PairListModel::setHeadings(const QStringList& headings) {
    beginResetModel();
    headings_ = headings;
    endResetModel();
}

void PairListModel::append(std::string find, std::string replace) {
    if (find.empty()) {
        return;
    }
    beginInsertRows({}, size(), size());
    rows_.push_back(Row{nextId_++, std::move(find), std::move(replace)});
    endInsertRows();
}

void PairListModel::update(int index, std::string find, std::string replace) {
    if (find.empty() || index < 0 || index >= size()) {
        return;
    }
    Row& row = rows_[static_cast<std::size_t>(index)];
    row.find = std::move(find);
    row.replace = std::move(replace);
    emit dataChanged(this->index(index, 0), this->index(index, 1));
}

void PairListModel::removeAt(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Lists of pairs are short: one removal per row keeps the selection and the current row of the others.
    for (int row : rows) {
        if (row >= 0 && row < size()) {
            beginRemoveRows({}, row, row);
            rows_.erase(rows_.begin() + row);
            endRemoveRows();
        }
    }
}

void PairListModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

std::vector<std::string> PairListModel::finds() const {
    return column(rows_, &Row::find);
}

std::vector<std::string> PairListModel::replaces() const {
    return column(rows_, &Row::replace);
}

int PairListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

int PairListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant PairListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() > 1) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const std::string& text = index.column() == 0 ? row.find : row.replace;
    if (role == Qt::DisplayRole) {
        return toOneLineQString(text);
    }
    if (role == Qt::ToolTipRole && text.find_first_of("\r\n") != std::string::npos) {
        return toQString(text);
    }
    return {};
}

QVariant PairListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headings_.size()) {
        return headings_[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace morvane
