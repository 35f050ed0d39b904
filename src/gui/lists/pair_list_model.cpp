#include "gui/lists/pair_list_model.h"

#include "gui/widgets/qt_text.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
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

// The marks follow the toggle buttons' captions.
QString optionMarks(const PairOptions& options) {
    QStringList marks;
    if (options.ignoreCase) {
        marks << QStringLiteral("a=A");
    }
    if (options.wholeWord) {
        marks << QStringLiteral("W");
    }
    if (options.pattern) {
        marks << QStringLiteral(".*");
    }
    return marks.join(QLatin1Char(' '));
}

} // namespace

PairListModel::PairListModel(QObject* parent) : QAbstractTableModel(parent) {}

void PairListModel::setHeadings(const QStringList& headings) {
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

void PairListModel::setWarningTexts(const QString& changesInserted, const QString& neverMatches) {
    changesInsertedText_ = changesInserted;
    neverMatchesText_ = neverMatches;
}

void PairListModel::setOptionNames(const QStringList& names) {
    optionNames_ = names;
}

std::optional<PairWarning> PairListModel::warningAt(int index) const {
    return index >= 0 && index < size() ? warnings_[static_cast<std::size_t>(index)] : std::nullopt;
}

// A change of one pair can change what any later pair works against.
void PairListModel::updateWarnings() {
    std::vector<std::optional<PairWarning>> warnings(rows_.size());
    for (const PairWarning& warning : pairWarnings(finds(), replaces(), options())) {
        warnings[warning.pair] = warning;
    }
    const auto same = [](const std::optional<PairWarning>& a, const std::optional<PairWarning>& b) {
        return a.has_value() == b.has_value() && (!a || (a->kind == b->kind && a->earlier == b->earlier));
    };
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        if (i >= warnings_.size() || !same(warnings[i], warnings_[i])) {
            warnings_ = std::move(warnings);
            emit dataChanged(index(static_cast<int>(i), 0), index(size() - 1, 0),
                             {Qt::DecorationRole, Qt::ToolTipRole});
            return;
        }
    }
    warnings_ = std::move(warnings);
}

QString PairListModel::warningText(const PairWarning& warning) const {
    const auto number = [](std::size_t pair) { return QString::number(pair + 1); };
    if (warning.kind == PairWarningKind::ChangesInserted) {
        return changesInsertedText_.arg(number(warning.pair), number(warning.earlier));
    }
    return neverMatchesText_.arg(number(warning.pair), number(warning.earlier),
                                 toOneLineQString(rows_[warning.earlier].find),
                                 toOneLineQString(rows_[warning.pair].find));
}

void PairListModel::append(std::string find, std::string replace, PairOptions options) {
    if (find.empty()) {
        return;
    }
    beginInsertRows({}, size(), size());
    rows_.push_back(Row{nextId_++, std::move(find), std::move(replace), options});
    warnings_.emplace_back();
    endInsertRows();
    updateWarnings();
}

void PairListModel::update(int index, std::string find, std::string replace, PairOptions options) {
    if (find.empty() || index < 0 || index >= size()) {
        return;
    }
    Row& row = rows_[static_cast<std::size_t>(index)];
    row.find = std::move(find);
    row.replace = std::move(replace);
    row.options = options;
    emit dataChanged(this->index(index, 0), this->index(index, kOptionsColumn));
    updateWarnings();
}

void PairListModel::removeAt(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Lists of pairs are short: one removal per row keeps the selection and the current row of the others.
    for (int row : rows) {
        if (row >= 0 && row < size()) {
            beginRemoveRows({}, row, row);
            rows_.erase(rows_.begin() + row);
            warnings_.erase(warnings_.begin() + row);
            endRemoveRows();
        }
    }
    updateWarnings();
}

void PairListModel::clear() {
    beginResetModel();
    rows_.clear();
    warnings_.clear();
    endResetModel();
}

std::vector<std::string> PairListModel::finds() const {
    return column(rows_, &Row::find);
}

std::vector<std::string> PairListModel::replaces() const {
    return column(rows_, &Row::replace);
}

PairOptionsList PairListModel::options() const {
    PairOptionsList options;
    options.reserve(rows_.size());
    for (const Row& row : rows_) {
        options.push_back(row.options);
    }
    return options;
}

int PairListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

int PairListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || headings_.isEmpty() ? 0 : kOptionsColumn + 1;
}

QVariant PairListModel::optionsData(const PairOptions& options, int role) const {
    if (role == Qt::DisplayRole) {
        return optionMarks(options);
    }
    if (role == Qt::ToolTipRole && !options.isPlain()) {
        QStringList names;
        for (const auto& [set, name] : {std::pair(options.ignoreCase, 0), std::pair(options.wholeWord, 1),
                                        std::pair(options.pattern, 2)}) {
            if (set && name < optionNames_.size()) {
                names << optionNames_[name];
            }
        }
        return names.join(QStringLiteral(", "));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignCenter);
    }
    return {};
}

QVariant PairListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (index.column() == kOptionsColumn) {
        return optionsData(row.options, role);
    }
    const std::string& text = index.column() == 0 ? row.find : row.replace;
    const std::optional<PairWarning>& warning = warnings_[static_cast<std::size_t>(index.row())];
    const bool multiLine = text.find_first_of("\r\n") != std::string::npos;
    if (role == Qt::DisplayRole) {
        return toOneLineQString(text);
    }
    if (role == Qt::DecorationRole && warning && index.column() == 0) {
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    }
    if (role == Qt::ToolTipRole && warning && index.column() == 0) {
        return multiLine ? warningText(*warning) + QLatin1Char('\n') + toQString(text)
                         : warningText(*warning);
    }
    if (role == Qt::ToolTipRole && multiLine) {
        return toQString(text);
    }
    return {};
}

QVariant PairListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headings_.size()) {
        return headings_[section];
    }
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == kOptionsColumn) {
        return QString(); // the marks speak for themselves; their tooltips name them
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace morvane
